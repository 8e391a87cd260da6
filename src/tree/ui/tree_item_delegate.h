#pragma once
// How a tree item is drawn and where it can be hit: the highlight and the focus frame cover the
// item's icon and label only, not the empty space right of the label. The same rectangle decides
// which clicks select an item and where a tool tip shows.

#include <QProxyStyle>
#include <QStyledItemDelegate>

namespace quarrow::ui {

class TreeItemDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The icon and the label of the item drawn in `option.rect` (its cell), in the same coordinates.
    QRect ContentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The tree's style: the selection is not painted over the indent and the buttons left of a
// selected item.
class TreeItemStyle final : public QProxyStyle {
    Q_OBJECT
public:
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace quarrow::ui
