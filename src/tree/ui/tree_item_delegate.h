#pragma once
// How a tree item is drawn and where it can be hit: the highlight and the focus frame cover the
// item's icon and label only, not the empty space right of the label. The same rectangle decides
// which clicks select an item and where a tool tip shows.
//
// The rectangle, the size and the drawn label of an item take laying out its text, which paints,
// clicks and the column's width ask for again and again: they are kept per item (by the model's
// internal id, one per node) until Forget, which the view calls when the model, the font or the
// style changes. Each label is laid out once, in one line: the rectangle and the size are worked
// out from that line the way the style works them out from its own layout of the label.

#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include <memory>
#include <unordered_map>

namespace quarrow::ui {

class TreeItemDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The icon and the label of the item drawn in `option.rect` (its cell), in the same coordinates.
    QRect ContentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // Draws what the style's item view item draws (background, icon, label, focus frame), with the
    // item's label laid out once and kept, where the style would lay it out five times per paint.
    // Labels that do not fit their one line go through the style.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The same picture, drawn and measured by the style alone.
    void PaintThroughStyle(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The item's size, from its kept label where the style would lay the label out again.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // ContentRect and sizeHint as the style measures them, laying the label out each time.
    QRect ContentRectThroughStyle(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    QSize SizeHintThroughStyle(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // Drops what was kept of every item, or of one.
    void Forget() noexcept;
    void Forget(const QModelIndex& index) noexcept;

private:
    struct Kept {
        QSize cell;     // the cell the rectangle was made for
        QRect content;  // relative to the cell's top left
        QSize sizeHint;
        QSize parts;  // the item rectangle the three below were made for
        QRect icon;   // these three relative to the item rectangle's top left
        QRect text;
        QRect focus;
    };
    // A label laid out as the style lays it out, once: whole, in one line with no width limit,
    // which is how the style measures it; and for the width of a text rectangle, how it is drawn
    // there.
    struct KeptLabel {
        std::unique_ptr<QTextLayout> whole;
        // One line of left-to-right text drawn at the left: the style measures it as `whole` is
        // laid out, and `whole` draws it wherever it fits.
        bool plain = false;
        int width = -1;                       // the text rectangle's width the three below are for
        std::unique_ptr<QTextLayout> drawn;  // null when `whole` is drawn
        QPointF at;  // where it is drawn, relative to the text rectangle's top left
        bool fits = false;
    };
    Kept& KeptFor(const QModelIndex& index) const;
    // The item's label with the style's option for it; its whole layout is made on first use.
    KeptLabel& WholeLabel(const QStyleOptionViewItem& item) const;
    // The style's size of a plain label's text, and of the stand-in's: the line with the margins
    // beside it.
    QSize TextSize(const KeptLabel& label, const QStyleOptionViewItem& item) const;
    QSize StandInTextSize(const QStyleOptionViewItem& item) const;
    QRect MeasureContentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The style's icon, text and focus rectangles of `item`, measured with a one-letter stand-in
    // for its label: with the decoration shown selected they do not depend on the label's width.
    void MeasureParts(const QStyleOptionViewItem& item, const QStyle& style, Kept& kept) const;
    const KeptLabel& LabelFor(const QStyleOptionViewItem& item, const QRect& textRect) const;
    QRect MeasureContentRectThroughStyle(const QStyleOptionViewItem& item) const;
    QSize MeasureSizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The cell narrowed to `content`, the item's icon and label, which are highlighted together.
    static QStyleOptionViewItem Shrunk(const QStyleOptionViewItem& option, const QRect& content);

    mutable std::unordered_map<quintptr, Kept> m_kept;
    mutable std::unordered_map<quintptr, KeptLabel> m_labels;
    // The stand-in label's text size, for the font it was measured with: sizes measured with the
    // stand-in differ from the label's by what their texts' sizes differ.
    mutable QFont m_standInFont;
    mutable QSize m_standInText;
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
