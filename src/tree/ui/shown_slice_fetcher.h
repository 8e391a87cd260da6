#pragma once
// Fetches the next slice of a sliced parent (see TagTreeItemModel) before the user can see where
// its fetched rows end: when its last fetched row comes within a few screens below the top of the
// viewport, after a scroll, an expand, a resize or a key that moves the cursor. Without it, the
// rows of the next node would show right after the first slice of a large file.

#include <QObject>
#include <QTimer>

namespace quarrow::ui {

class CQuarrowView;

class ShownSliceFetcher final : public QObject {
    Q_OBJECT
public:
    // Watches `view` (which owns this object) from now on.
    explicit ShownSliceFetcher(CQuarrowView& view);

    // Fetches more rows for every parent whose fetched rows end near the rows shown.
    void FetchNear();
    // Fetches every row of the open nodes and on the way to the tree's last row (End goes there).
    void FetchToEnd();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Schedule() { m_pending.start(); }

    CQuarrowView& m_view;
    QObject* m_viewport;  // kept apart: it sends events while the view is being destroyed
    QTimer m_pending;     // coalesces the checks of one burst of changes
};

}  // namespace quarrow::ui
