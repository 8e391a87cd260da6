#include "tree/ui/tree_item_delegate.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace quarrow::ui {

namespace {

// Items kept at most: a screen holds a few dozen, a long scroll through a large file many more.
constexpr std::size_t kMaxKept = 1 << 16;

}  // namespace

TreeItemDelegate::Kept& TreeItemDelegate::KeptFor(const QModelIndex& index) const {
    if (m_kept.size() >= kMaxKept) {
        m_kept.clear();
    }
    return m_kept[index.internalId()];
}

void TreeItemDelegate::Forget() noexcept { m_kept.clear(); }

void TreeItemDelegate::Forget(const QModelIndex& index) noexcept { m_kept.erase(index.internalId()); }

QRect TreeItemDelegate::ContentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Kept& kept = KeptFor(index);
    if (kept.cell != option.rect.size() || kept.content.isNull()) {
        kept.cell = option.rect.size();
        kept.content = MeasureContentRect(option, index).translated(-option.rect.topLeft());
    }
    return kept.content.translated(option.rect.topLeft());
}

QSize TreeItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Kept& kept = KeptFor(index);
    if (!kept.sizeHint.isValid()) {
        kept.sizeHint = QStyledItemDelegate::sizeHint(option, index);
    }
    return kept.sizeHint;
}

QRect TreeItemDelegate::MeasureContentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const QRect iconRect = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &item, widget);
    QRect labelRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    // The style gives the label the rest of the cell; the text itself with its margins is the label.
    // The width is rounded up, with a pixel to spare, so that painting in it never elides the text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int textWidth = static_cast<int>(std::ceil(QFontMetricsF(item.font).horizontalAdvance(item.text))) + 1;
    labelRect.setWidth(std::min(labelRect.width(), textWidth + 2 * margin));
    return item.icon.isNull() ? labelRect : iconRect.united(labelRect);
}

void TreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem shrunk = option;
    shrunk.rect.setRight(std::min(option.rect.right(), ContentRect(option, index).right()));
    shrunk.showDecorationSelected = true;  // the icon is highlighted with the label
    QStyledItemDelegate::paint(painter, shrunk, index);
}

int TreeItemStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    if (hint == QStyle::SH_ItemView_ShowDecorationSelected) {
        return 0;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace quarrow::ui
