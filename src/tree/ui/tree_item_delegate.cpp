#include "tree/ui/tree_item_delegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace quarrow::ui {

namespace {

// Items kept at most: a screen holds a few dozen, a long scroll through a large file many more.
constexpr std::size_t kMaxKept = 1 << 16;
// Laid-out labels kept at most: each holds its glyphs, so only a few screens of them.
constexpr std::size_t kMaxLabels = 1 << 12;

// Styles whose item view item is the common one: background and focus frame from primitives, the
// icon, then the label laid out in one line at the left of the text rectangle.
bool DrawsCommonItem(const QStyle& style) {
    const auto* proxy = qobject_cast<const QProxyStyle*>(&style);
    const QStyle* base = proxy ? proxy->baseStyle() : &style;
    const QString name = base->name().toLower();
    return name == QLatin1String("fusion") || name == QLatin1String("windows");
}

}  // namespace

TreeItemDelegate::Kept& TreeItemDelegate::KeptFor(const QModelIndex& index) const {
    if (m_kept.size() >= kMaxKept) {
        m_kept.clear();
    }
    return m_kept[index.internalId()];
}

void TreeItemDelegate::Forget() noexcept {
    m_kept.clear();
    m_labels.clear();
}

void TreeItemDelegate::Forget(const QModelIndex& index) noexcept {
    m_kept.erase(index.internalId());
    m_labels.erase(index.internalId());
}

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

QStyleOptionViewItem TreeItemDelegate::Shrunk(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem shrunk = option;
    shrunk.rect.setRight(std::min(option.rect.right(), ContentRect(option, index).right()));
    shrunk.showDecorationSelected = true;  // the icon is highlighted with the label
    return shrunk;
}

void TreeItemDelegate::PaintThroughStyle(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, Shrunk(option, index), index);
}

void TreeItemDelegate::MeasureParts(const QStyleOptionViewItem& item, const QStyle& style, Kept& kept) const {
    QStyleOptionViewItem probe = item;
    probe.text = QStringLiteral("x");
    const QPoint origin = item.rect.topLeft();
    kept.parts = item.rect.size();
    kept.icon = style.subElementRect(QStyle::SE_ItemViewItemDecoration, &probe, item.widget).translated(-origin);
    kept.text = style.subElementRect(QStyle::SE_ItemViewItemText, &probe, item.widget).translated(-origin);
    kept.focus = style.subElementRect(QStyle::SE_ItemViewItemFocusRect, &probe, item.widget).translated(-origin);
}

const TreeItemDelegate::KeptLabel& TreeItemDelegate::LabelFor(const QStyleOptionViewItem& item,
                                                              const QRect& textRect) const {
    if (m_labels.size() >= kMaxLabels) {
        m_labels.clear();
    }
    KeptLabel& kept = m_labels[item.index.internalId()];
    if (kept.layout && kept.width == textRect.width()) {
        return kept;
    }
    // Laid out as the style does for drawing: one line as wide as the text rectangle, placed
    // vertically by the display alignment, starting at the rectangle's left; a label wider than
    // the rectangle is elided first, as the style elides it.
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(item.direction);
    textOption.setAlignment(QStyle::visualAlignment(item.direction, item.displayAlignment));
    kept.layout = std::make_unique<QTextLayout>(item.text, item.font);
    kept.layout->setTextOption(textOption);
    kept.layout->beginLayout();
    QTextLine line = kept.layout->createLine();
    const bool oneLine = line.isValid();
    if (oneLine) {
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, 0));
    }
    const bool secondLine = oneLine && kept.layout->createLine().isValid();
    kept.layout->endLayout();
    kept.width = textRect.width();
    const bool elided = oneLine && line.naturalTextWidth() > textRect.width();
    kept.fits = oneLine && !secondLine && !(elided && item.textElideMode == Qt::ElideNone);
    if (!kept.fits) {
        return kept;
    }
    // The whole label's line places the drawn one, elided or not.
    const QSize size = kept.layout->boundingRect().size().toSize();
    const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto, item.displayAlignment, size, textRect);
    kept.at = QPointF(0, placed.top() - textRect.top());
    // A line that would start above the rectangle is left to the style, which skips it.
    kept.fits = line.height() + placed.top() > textRect.top();
    if (kept.fits && elided) {
        const QString shown = QFontMetrics(item.font).elidedText(item.text, item.textElideMode, textRect.width());
        kept.layout = std::make_unique<QTextLayout>(shown, item.font);
        kept.layout->setTextOption(textOption);
        kept.layout->beginLayout();
        QTextLine shownLine = kept.layout->createLine();
        if (shownLine.isValid()) {
            shownLine.setLineWidth(textRect.width());
            shownLine.setPosition(QPointF(0, 0));
        }
        kept.layout->endLayout();
    }
    return kept;
}

void TreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = Shrunk(option, index);
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    constexpr auto kOwnFeatures = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::WrapText;
    if (!DrawsCommonItem(*style) || (item.features & kOwnFeatures) || item.text.isEmpty() ||
        (item.state & QStyle::State_Editing)) {
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        return;
    }
    Kept& kept = KeptFor(index);
    if (kept.parts != item.rect.size() || kept.text.isNull()) {
        MeasureParts(item, *style, kept);
    }
    const QPoint origin = item.rect.topLeft();
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = kept.text.translated(origin).adjusted(textMargin, 0, -textMargin, 0);
    const KeptLabel& label = LabelFor(item, textRect);
    if (!label.fits) {
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        return;
    }

    painter->save();
    const QRegion clip = painter->hasClipping() ? (painter->clipRegion() & item.rect) : QRegion(item.rect);
    painter->setClipRegion(clip);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);

    QIcon::Mode mode = QIcon::Normal;
    if (!(item.state & QStyle::State_Enabled)) {
        mode = QIcon::Disabled;
    } else if (item.state & QStyle::State_Selected) {
        mode = QIcon::Selected;
    }
    const QIcon::State iconState = (item.state & QStyle::State_Open) ? QIcon::On : QIcon::Off;
    item.icon.paint(painter, kept.icon.translated(origin), item.decorationAlignment, mode, iconState);

    QPalette::ColorGroup group = (item.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(item.state & QStyle::State_Active)) {
        group = QPalette::Inactive;
    }
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    painter->setPen(item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    label.layout->draw(painter, textRect.topLeft() + label.at);

    if (item.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect frame;
        frame.QStyleOption::operator=(item);
        frame.rect = kept.focus.translated(origin);
        frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        const QPalette::ColorGroup frameGroup =
            (item.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        frame.backgroundColor = item.palette.color(frameGroup, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, widget);
    }
    painter->restore();
}

int TreeItemStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    if (hint == QStyle::SH_ItemView_ShowDecorationSelected) {
        return 0;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace quarrow::ui
