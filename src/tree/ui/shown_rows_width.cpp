#include "tree/ui/shown_rows_width.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>

namespace quarrow::ui {

ShownRowsWidth::ShownRowsWidth(QTreeView& view) : QObject(&view), m_view(view) {
    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, &ShownRowsWidth::FitNow);

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
    if (watched == m_view.viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        Schedule();
    }
    return QObject::eventFilter(watched, event);
}

void ShownRowsWidth::Forget() {
    m_width = 0;
    Schedule();
}

void ShownRowsWidth::FitNow() {
    m_pending.stop();
    const int height = m_view.viewport()->height();
    const int offset = m_view.header()->offset();
    int widest = m_width;
    for (QModelIndex index = m_view.indexAt(QPoint(0, 0)); index.isValid(); index = m_view.indexBelow(index)) {
        const QRect rect = m_view.visualRect(index);
        if (rect.top() >= height) {
            break;
        }
        widest = std::max(widest, rect.left() + offset + m_view.sizeHintForIndex(index).width());
    }
    if (widest != m_view.header()->sectionSize(0) && widest > 0) {
        m_width = widest;
        m_view.header()->resizeSection(0, widest);
    }
}

}  // namespace quarrow::ui
