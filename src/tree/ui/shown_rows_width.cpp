#include "tree/ui/shown_rows_width.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>

#include "tree/ui/top_shown_row.h"

namespace quarrow::ui {

ShownRowsWidth::ShownRowsWidth(QTreeView& view) : QObject(&view), m_view(view), m_viewport(view.viewport()) {
    QHeaderView* header = view.header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    connect(&view, &QTreeView::expanded, this, &ShownRowsWidth::Schedule);
    connect(&view, &QTreeView::collapsed, this, &ShownRowsWidth::Schedule);
    connect(view.verticalScrollBar(), &QScrollBar::valueChanged, this, &ShownRowsWidth::Schedule);
    view.viewport()->installEventFilter(this);
    if (QAbstractItemModel* model = view.model()) {
        connect(model, &QAbstractItemModel::modelReset, this, &ShownRowsWidth::Forget);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ShownRowsWidth::Schedule);
        connect(model, &QAbstractItemModel::rowsInserted, this, &ShownRowsWidth::Schedule);
        connect(model, &QAbstractItemModel::dataChanged, this, &ShownRowsWidth::Schedule);
    }
}

bool ShownRowsWidth::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_viewport && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        Schedule();
    }
    return QObject::eventFilter(watched, event);
}

void ShownRowsWidth::Schedule() {
    if (m_pending) {
        return;
    }
    m_pending = true;
    // A posted call, not a timer: the repaint a change asks for is a posted event of low priority,
    // which a timer would come after.
    QMetaObject::invokeMethod(this, &ShownRowsWidth::FitIfPending, Qt::QueuedConnection);
}

void ShownRowsWidth::FitIfPending() {
    if (m_pending) {
        FitNow();
    }
}

void ShownRowsWidth::Forget() {
    m_width = 0;
    Schedule();
}

void ShownRowsWidth::FitNow() {
    m_pending = false;
    const int height = m_view.viewport()->height();
    const int column = m_view.columnWidth(0);
    int widest = m_width;
    for (QModelIndex index = TopShownRow(m_view); index.isValid(); index = m_view.indexBelow(index)) {
        const QRect rect = m_view.visualRect(index);
        if (rect.top() >= height) {
            break;
        }
        // The row's cell is the column less its indentation, on the left or on the right.
        widest = std::max(widest, column - rect.width() + m_view.sizeHintForIndex(index).width());
    }
    if (widest != m_view.header()->sectionSize(0) && widest > 0) {
        m_width = widest;
        m_view.header()->resizeSection(0, widest);
    }
}

}  // namespace quarrow::ui
