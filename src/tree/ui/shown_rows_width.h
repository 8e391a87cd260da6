#pragma once
// Keeps a tree view's one column as wide as the widest row the user has had on screen since the
// model was last reset, so long labels bring a horizontal scroll bar instead of being cut. Only
// the rows inside the viewport are measured, after an expand, a collapse, a scroll or a resize:
// opening a folder of a hundred thousand files costs what its first screen of rows costs, not
// what the whole folder would. The measurement is a posted call, which runs before the paint the
// change asked for, so that paint already has the new width and the rows are drawn once, whole.

#include <QObject>

class QTreeView;

namespace quarrow::ui {

class ShownRowsWidth final : public QObject {
    Q_OBJECT
public:
    // Watches `view` (which owns this object) and its model from now on.
    explicit ShownRowsWidth(QTreeView& view);

    // Measures the rows in the viewport now and widens the column when one needs it.
    void FitNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Schedule();
    void FitIfPending();
    void Forget();

    QTreeView& m_view;
    // The viewport the filter watches, kept apart: it still sends events while the view is being
    // destroyed, when the view's own members may no longer be called.
    QObject* m_viewport;
    bool m_pending = false;  // a measurement is posted: one for a burst of changes
    int m_width = 0;   // the widest row shown since the last reset
};

}  // namespace quarrow::ui
