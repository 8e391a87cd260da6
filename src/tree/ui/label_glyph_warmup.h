#pragma once
// Makes the pictures of the label font's printable ASCII characters, at each fractional position
// a glyph is drawn at, once the view is idle after it is first shown and after each font change.
// Otherwise the first screen of labels that uses a character at a new position makes its picture
// in the middle of a paint: a tenth of the first opening of a large file went there.

#include <QFont>
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
    bool m_warmed = false;
    QFont m_font;  // the font warmed
};

}  // namespace quarrow::ui
