#include "tree/ui/shown_slice_fetcher.h"

#include <QEvent>
#include <QScrollBar>

#include <vector>

#include "tree/ui/quarrow_view.h"
#include "tree/ui/top_shown_row.h"

namespace quarrow::ui {
namespace {

// How far below the viewport's top a parent's last fetched row makes it fetch more, in viewport
// heights: a Page Down or a fast wheel never gets past it before the next check.
constexpr int kScreensAhead = 3;

}  // namespace

ShownSliceFetcher::ShownSliceFetcher(CQuarrowView& view) : QObject(&view), m_view(view), m_viewport(view.viewport()) {
    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, &ShownSliceFetcher::FetchNear);
    connect(&view, &QTreeView::expanded, this, &ShownSliceFetcher::Schedule);
    connect(view.verticalScrollBar(), &QScrollBar::valueChanged, this, &ShownSliceFetcher::Schedule);
    connect(view.verticalScrollBar(), &QScrollBar::rangeChanged, this, &ShownSliceFetcher::Schedule);
    view.viewport()->installEventFilter(this);
}

bool ShownSliceFetcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_viewport && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        Schedule();
    }
    return QObject::eventFilter(watched, event);
}

void ShownSliceFetcher::FetchNear() {
    m_pending.stop();
    TagTreeItemModel& model = m_view.Model();
    if (!model.HasSlicedRows()) {
        return;
    }
    const int limit = kScreensAhead * std::max(1, m_view.viewport()->height());
    for (QModelIndex row = TopShownRow(m_view); row.isValid(); row = m_view.indexBelow(row)) {
        if (m_view.visualRect(row).top() >= limit) {
            break;
        }
        // The row may end the fetched rows of its parent or of any parent above it.
        for (QModelIndex node = row; node.isValid(); node = node.parent()) {
            const QModelIndex parent = node.parent();
            if (node.row() + 1 == model.rowCount(parent) && model.HasUnfetchedRows(parent)) {
                model.FetchNextSlice(parent);
            }
        }
    }
}

void ShownSliceFetcher::FetchToEnd() {
    TagTreeItemModel& model = m_view.Model();
    // Every open node is handed over in full first: rows fetched later above the last row would
    // push it out of sight, and the row above it would not be the one it follows in the tree.
    for (const TagTree::Id id : model.SlicedNodes()) {
        if (const QModelIndex index = model.IndexOf(id); index.isValid() && m_view.isExpanded(index)) {
            model.FetchAll(id);
        }
    }
    QModelIndex parent;
    for (;;) {
        model.FetchAll(model.IdOf(parent));
        const int rows = model.rowCount(parent);
        if (rows == 0) {
            return;
        }
        const QModelIndex last = model.index(rows - 1, 0, parent);
        if (!m_view.isExpanded(last)) {
            return;
        }
        parent = last;
    }
}

}  // namespace quarrow::ui
