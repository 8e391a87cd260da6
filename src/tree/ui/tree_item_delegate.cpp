#include "tree/ui/tree_item_delegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <limits>

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

// Item features whose drawing and measuring are left to the style.
constexpr auto kStyleOwnFeatures = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::WrapText;

// Where the style measures a label: one line as long as its text (the layout engine takes the
// largest width it has for this).
constexpr qreal kNoWidthLimit = std::numeric_limits<int>::max();

// Stands in for a label where the style's measure does not depend on its text, or depends on it
// only through the text's size.
QString StandIn() { return QStringLiteral("x"); }

// How the style lays out an item's label: one line per line separator, placed by the item's
// direction and display alignment.
QTextOption LabelOption(const QStyleOptionViewItem& item) {
    QTextOption option;
    option.setWrapMode(QTextOption::ManualWrap);
    option.setTextDirection(item.direction);
    option.setAlignment(QStyle::visualAlignment(item.direction, item.displayAlignment));
    return option;
}

// `text` laid out in lines of `width`; `oneLine` (if given) tells whether it took exactly one.
// The layout keeps its shaped glyphs: without them every paint would shape the text again.
std::unique_ptr<QTextLayout> LayOut(const QString& text, const QFont& font, const QTextOption& option, qreal width,
                                    bool* oneLine = nullptr) {
    auto layout = std::make_unique<QTextLayout>(text, font);
    layout->setCacheEnabled(true);
    layout->setTextOption(option);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    const bool more = oneLine != nullptr && line.isValid() && layout->createLine().isValid();
    layout->endLayout();
    if (oneLine != nullptr) {
        *oneLine = line.isValid() && !more;
    }
    return layout;
}

// The width and height of a one-line layout's text, rounded up as the style rounds them.
QSize LineSize(const QTextLayout& layout) {
    const QTextLine line = layout.lineAt(0);
    return {static_cast<int>(std::ceil(line.naturalTextWidth())), static_cast<int>(std::ceil(line.height()))};
}

// Whether `text` has a character whose place or shape may depend on the paragraph's direction.
bool HasRightToLeft(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x0590) {
            continue;  // below Hebrew, only left-to-right and neutral characters
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirPDF:
        case QChar::DirRLI:
        case QChar::DirLRI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            return true;
        default:
            break;
        }
    }
    return false;
}

const QStyle& StyleOf(const QStyleOptionViewItem& item) {
    return item.widget ? *item.widget->style() : *QApplication::style();
}

// The room the style gives a label's text beside it, on both sides together, as a size.
QSize TextMargins(const QStyleOptionViewItem& item) {
    const int margin = StyleOf(item).pixelMetric(QStyle::PM_FocusFrameHMargin, &item, item.widget) + 1;
    return {2 * margin, 0};
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
        kept.sizeHint = MeasureSizeHint(option, index);
    }
    return kept.sizeHint;
}

QSize TreeItemDelegate::SizeHintThroughStyle(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index);
}

QRect TreeItemDelegate::ContentRectThroughStyle(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    return MeasureContentRectThroughStyle(item);
}

TreeItemDelegate::KeptLabel& TreeItemDelegate::WholeLabel(const QStyleOptionViewItem& item) const {
    if (m_labels.size() >= kMaxLabels) {
        m_labels.clear();
    }
    KeptLabel& kept = m_labels[item.index.internalId()];
    if (!kept.whole) {
        bool oneLine = false;
        kept.whole = LayOut(item.text, item.font, LabelOption(item), kNoWidthLimit, &oneLine);
        const Qt::Alignment horizontal = QStyle::visualAlignment(item.direction, item.displayAlignment) &
                                         (Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify);
        kept.plain = oneLine && item.direction == Qt::LeftToRight && horizontal == 0 &&
                     item.decorationPosition == QStyleOptionViewItem::Left && !(item.features & kStyleOwnFeatures) &&
                     !HasRightToLeft(item.text);
    }
    return kept;
}

QSize TreeItemDelegate::TextSize(const KeptLabel& label, const QStyleOptionViewItem& item) const {
    return LineSize(*label.whole) + TextMargins(item);
}

QSize TreeItemDelegate::StandInTextSize(const QStyleOptionViewItem& item) const {
    if (m_standInText.isEmpty() || m_standInFont != item.font) {
        m_standInFont = item.font;
        m_standInText = LineSize(*LayOut(StandIn(), item.font, LabelOption(item), kNoWidthLimit));
    }
    return m_standInText + TextMargins(item);
}

QSize TreeItemDelegate::MeasureSizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle& style = StyleOf(item);
    if (!DrawsCommonItem(style) || item.text.isEmpty() || index.data(Qt::SizeHintRole).isValid()) {
        return QStyledItemDelegate::sizeHint(option, index);
    }
    // The style's size is its text's beside the icon: measured with the stand-in, it is wider or
    // narrower by what the label's text is, as long as the two are as high.
    const KeptLabel& label = WholeLabel(item);
    if (!label.plain) {
        return QStyledItemDelegate::sizeHint(option, index);
    }
    const QSize text = TextSize(label, item);
    const QSize standInText = StandInTextSize(item);
    if (text.height() != standInText.height()) {
        return QStyledItemDelegate::sizeHint(option, index);
    }
    QStyleOptionViewItem probe = item;
    probe.text = StandIn();
    return style.sizeFromContents(QStyle::CT_ItemViewItem, &probe, QSize(), item.widget) +
           QSize(text.width() - standInText.width(), 0);
}

QRect TreeItemDelegate::MeasureContentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle& style = StyleOf(item);
    if (!DrawsCommonItem(style) || item.text.isEmpty()) {
        return MeasureContentRectThroughStyle(item);
    }
    const KeptLabel& label = WholeLabel(item);
    if (!label.plain) {
        return MeasureContentRectThroughStyle(item);
    }
    // The style places the label's text, as large as the kept layout's line with its margins, in
    // the part of the cell right of the icon; with the decoration shown selected, that part is
    // what it gives as the text's rectangle, whatever the label.
    QStyleOptionViewItem probe = item;
    probe.text = StandIn();
    probe.showDecorationSelected = true;
    const QRect iconRect = style.subElementRect(QStyle::SE_ItemViewItemDecoration, &probe, item.widget);
    const QRect display = style.subElementRect(QStyle::SE_ItemViewItemText, &probe, item.widget);
    const QRect labelRect = QStyle::alignedRect(item.direction, item.displayAlignment,
                                                TextSize(label, item).boundedTo(display.size()), display);
    return item.icon.isNull() ? labelRect : iconRect.united(labelRect);
}

QRect TreeItemDelegate::MeasureContentRectThroughStyle(const QStyleOptionViewItem& item) const {
    const QWidget* widget = item.widget;
    const QStyle& style = StyleOf(item);
    const QRect iconRect = style.subElementRect(QStyle::SE_ItemViewItemDecoration, &item, widget);
    QRect labelRect = style.subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    // The style gives the label the rest of the cell; the text itself with its margins is the label.
    // The width is rounded up, with a pixel to spare, so that painting in it never elides the text.
    const int margin = style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int textWidth = static_cast<int>(std::ceil(QFontMetricsF(item.font).horizontalAdvance(item.text))) + 1;
    labelRect.setWidth(std::min(labelRect.width(), textWidth + 2 * margin));
    return item.icon.isNull() ? labelRect : iconRect.united(labelRect);
}

QStyleOptionViewItem TreeItemDelegate::Shrunk(const QStyleOptionViewItem& option, const QRect& content) {
    QStyleOptionViewItem shrunk = option;
    shrunk.rect.setRight(std::min(option.rect.right(), content.right()));
    shrunk.showDecorationSelected = true;  // the icon is highlighted with the label
    return shrunk;
}

void TreeItemDelegate::PaintThroughStyle(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, Shrunk(option, ContentRectThroughStyle(option, index)), index);
}

void TreeItemDelegate::MeasureParts(const QStyleOptionViewItem& item, const QStyle& style, Kept& kept) const {
    QStyleOptionViewItem probe = item;
    probe.text = StandIn();
    const QPoint origin = item.rect.topLeft();
    kept.parts = item.rect.size();
    kept.icon = style.subElementRect(QStyle::SE_ItemViewItemDecoration, &probe, item.widget).translated(-origin);
    kept.text = style.subElementRect(QStyle::SE_ItemViewItemText, &probe, item.widget).translated(-origin);
    kept.focus = style.subElementRect(QStyle::SE_ItemViewItemFocusRect, &probe, item.widget).translated(-origin);
}

const TreeItemDelegate::KeptLabel& TreeItemDelegate::LabelFor(const QStyleOptionViewItem& item,
                                                              const QRect& textRect) const {
    KeptLabel& kept = WholeLabel(item);
    if (kept.width == textRect.width()) {
        return kept;
    }
    // Drawn as the style draws it: one line as wide as the text rectangle, placed vertically by
    // the display alignment, starting at the rectangle's left; a label wider than the rectangle
    // is elided first, as the style elides it. A plain label's whole line is that line.
    kept.width = textRect.width();
    kept.drawn.reset();
    const QTextOption textOption = LabelOption(item);
    bool oneLine = kept.plain;
    if (!kept.plain) {
        kept.drawn = LayOut(item.text, item.font, textOption, textRect.width(), &oneLine);
    }
    const QTextLayout& whole = kept.drawn ? *kept.drawn : *kept.whole;
    const bool elided = oneLine && whole.lineAt(0).naturalTextWidth() > textRect.width();
    kept.fits = oneLine && !(elided && item.textElideMode == Qt::ElideNone);
    if (!kept.fits) {
        return kept;
    }
    // The whole label's line places the drawn one, elided or not.
    const QSize size = whole.boundingRect().size().toSize();
    const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto, item.displayAlignment, size, textRect);
    kept.at = QPointF(0, placed.top() - textRect.top());
    // A line that would start above the rectangle is left to the style, which skips it.
    kept.fits = whole.lineAt(0).height() + placed.top() > textRect.top();
    if (kept.fits && elided) {
        const QString shown = QFontMetrics(item.font).elidedText(item.text, item.textElideMode, textRect.width());
        kept.drawn = LayOut(shown, item.font, textOption, textRect.width());
    }
    return kept;
}

void TreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = Shrunk(option, ContentRect(option, index));
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    if (!DrawsCommonItem(*style) || (item.features & kStyleOwnFeatures) || item.text.isEmpty() ||
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
    (label.drawn ? *label.drawn : *label.whole).draw(painter, textRect.topLeft() + label.at);

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
