#pragma once
// Makes the pictures of the label font's printable ASCII characters, at each fractional position
// a glyph is drawn at, once the view is idle after it is first shown and after each font change.
// Otherwise the first screen of labels that uses a character at a new position makes its picture
// in the middle of a paint: the first opening of a large file took twice as long as the next.

#include <QObject>

class QAbstractItemView;

namespace quarrow::ui {

class LabelGlyphWarmup final : public QObject {
    Q_OBJECT
public:
    // Watches `view` (which owns this object) from now on.
    explicit LabelGlyphWarmup(QAbstractItemView& view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Schedule();
    void Warm();

    QAbstractItemView& m_view;
    bool m_pending = false;
};

}  // namespace quarrow::ui
