#pragma once
// Keeps a tree view's one column as wide as the widest row the user has had on screen since the
// model was last reset, so long labels bring a horizontal scroll bar instead of being cut. Only
// the rows inside the viewport are measured, after an expand, a collapse, a scroll or a resize:
// opening a folder of a hundred thousand files costs what its first screen of rows costs, not
// what the whole folder would.

#include <QObject>
#include <QTimer>

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
    void Schedule() { m_pending.start(); }
    void Forget();

    QTreeView& m_view;
    QTimer m_pending;  // coalesces the measurements of one burst of changes
    int m_width = 0;   // the widest row shown since the last reset
};

}  // namespace quarrow::ui
