#include "tree/ui/tree_item_delegate.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

namespace quarrow::ui {

QRect TreeItemDelegate::ContentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const QRect iconRect = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &item, widget);
    QRect labelRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    // The style gives the label the rest of the cell; the text itself with its margins is the label.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    labelRect.setWidth(std::min(labelRect.width(), item.fontMetrics.horizontalAdvance(item.text) + 2 * margin));
    return item.icon.isNull() ? labelRect : iconRect.united(labelRect);
}

void TreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem shrunk = option;
    shrunk.rect.setRight(std::min(option.rect.right(), ContentRect(option, index).right()));
    QStyledItemDelegate::paint(painter, shrunk, index);
}

}  // namespace quarrow::ui
