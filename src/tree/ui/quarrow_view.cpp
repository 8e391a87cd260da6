#include "tree/ui/quarrow_view.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include <cstdlib>
#include <new>
#include <string_view>

#include "settings/profile.h"
#include "tags/quarrow_doc.h"
#include "tags/tag_entry.h"
#include "tags/tag_store.h"
#include "editor/editor_jump.h"
#include "tree/tag_tree_builder.h"
#include "tree/tree_images.h"
#include "tree/ui/display_text.h"
#include "tree/ui/label_glyph_warmup.h"
#include "tree/ui/shown_rows_width.h"
#include "tree/ui/shown_slice_fetcher.h"
#include "tree/ui/start_hint.h"
#include "tree/ui/tree_place_keeper.h"

namespace quarrow::ui {
namespace {

// The tool tip's text: the source line with every TAB made a blank and blanks trimmed at both ends.
std::string TipText(std::string line) {
    for (char& c : line) {
        if (c == '\t') {
            c = ' ';
        }
    }
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = line.find_last_not_of(kBlanks);
    return line.substr(first, last - first + 1);
}

}  // namespace

CQuarrowView::CQuarrowView(Profile& profile, MessageSink& sink, QWidget* parent)
    : QTreeView(parent), m_profile(profile), m_sink(sink), m_model(m_imageList),
      m_jumpRunner(new EditorJumpRunner(sink, this)) {
    m_settings.Load(m_profile);
    m_settingsAtStart = m_settings;

    setObjectName(QStringLiteral("CQuarrowView"));
    setModel(&m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);  // rows are laid out without asking for each one's size
    setIconSize(QSize(16, 15));
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(true);
    setAnimated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A classic tree: only the icon and the label are the item, and only they are highlighted.
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setItemDelegate(&m_delegate);
    auto* itemStyle = new TreeItemStyle;
    itemStyle->setParent(this);
    setStyle(itemStyle);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    // The right button is handled on its own press; no second menu from the context-menu event.
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Long labels widen the column and bring a horizontal scroll bar instead of being cut.
    new ShownRowsWidth(*this);
    // The tree would take a new width on a timer, after the paint the change asked for, and then
    // paint every row again. Taken at once, the one paint after an expand or a scroll draws the
    // rows at their new width.
    disconnect(header(), SIGNAL(sectionResized(int,int,int)), this, SLOT(columnResized(int,int,int)));
    connect(header(), &QHeaderView::sectionResized, this, [this](int column) { OnColumnResized(column); });
    m_slices = new ShownSliceFetcher(*this);
    new LabelGlyphWarmup(*this);

    // What the delegate keeps of each item goes when the item may have changed.
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { m_delegate.Forget(); });
    connect(&m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft == bottomRight) {
                    m_delegate.Forget(topLeft);
                } else {
                    m_delegate.Forget();
                }
            });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) { OnExpandedChanged(index, true); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) { OnExpandedChanged(index, false); });
    m_filtering = std::make_unique<TagTreeFiltering>(*this);
    m_startHint = new StartHint(*viewport());
}

CQuarrowView::~CQuarrowView() {
    m_filtering.reset();
    m_settings.Save(m_profile, m_settingsAtStart);
}

void CQuarrowView::PrepareUpdate(TagTree&& built, const TagStore& store, TreeOptions options) {
    m_model.Prepare(std::move(built), store, options);
    ReserveLayout();
}

void CQuarrowView::ReserveLayout() {
    // The view keeps a record of every row it lays out (about 40 bytes; a growing list may hold
    // two copies for a moment). An allocation that fails inside the view's own layout cannot be
    // answered, so that much is asked for here once, and given back at once.
    constexpr std::size_t kLayoutBytesPerRow = 64;
    const std::size_t rows = m_model.PreparedShownRows();
    void* volatile probe = rows == 0 ? nullptr : std::malloc(rows * kLayoutBytesPerRow);
    if (rows != 0 && probe == nullptr) {
        m_model.DropPrepared();
        throw std::bad_alloc();
    }
    std::free(probe);
}

void CQuarrowView::OnInitialUpdate() {
    static const TagStore kEmpty;
    const TagStore& store = m_pDocument ? m_pDocument->GetTags() : kEmpty;
    const CodePage cp = m_pDocument ? m_pDocument->GetCodePage() : CodePage::Utf8;
    if (m_popup) {
        m_popup->close();
    }
    m_filtering->BeforeRebuild();
    m_model.Rebuild(store, cp, Options());

    // The builder opens the last folder and file of a one-file tree.
    ExpandQuietly(m_model.Tree().ExpandedNodes());
    KeepACurrentRow();
    m_filtering->AfterRebuild(m_pDocument ? m_pDocument->GetTagsPath() : std::string());
    m_startHint->Update(m_pDocument != nullptr && !m_pDocument->GetTagsPath().empty());
}

void CQuarrowView::KeepACurrentRow() {
    // A new tree has no current row, and the keys then all lead to the first row (End too) until
    // one is set: the first key after a reading would be lost. As when the tree gains the focus,
    // the first row becomes current without being selected; a kept selection replaces it.
    if (currentIndex().isValid() || m_model.rowCount() == 0) {
        return;
    }
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(m_model.index(0, 0), QItemSelectionModel::NoUpdate);
    setAutoScroll(scrolls);
}

void CQuarrowView::ExpandQuietly(const std::vector<TagTree::Id>& nodes) {
    // Tens of thousands of nodes after a filter: no signal per node. Whoever follows the
    // expansion hears of the model's reset that always comes first.
    const QSignalBlocker quiet(this);
    m_bBuilding = true;
    for (const TagTree::Id id : nodes) {
        expand(m_model.Reach(id));
    }
    m_bBuilding = false;
}

QPoint CQuarrowView::ScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CQuarrowView::SetScrollPosition(const QPoint& position) {
    // The ranges are known only once the rows are laid out.
    executeDelayedItemsLayout();
    updateGeometries();
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void CQuarrowView::ShowFilter() {
    m_filtering->Show();
}

void CQuarrowView::ToggleLangIcons() {
    m_settings.m_nLangIcons = IsOn(m_settings.m_nLangIcons) ? 0 : 1;
    RebuildKeepingPlace();
}

void CQuarrowView::ToggleNestScope() {
    m_settings.m_nNestScope = IsOn(m_settings.m_nNestScope) ? 0 : 1;
    RebuildKeepingPlace();
}

bool CQuarrowView::LangIconsOn() const noexcept {
    return IsOn(m_settings.m_nLangIcons);
}

bool CQuarrowView::NestScopeOn() const noexcept {
    return IsOn(m_settings.m_nNestScope);
}

TreeOptions CQuarrowView::Options() const noexcept {
    return {IsOn(m_settings.m_nLangIcons), IsOn(m_settings.m_nNestScope)};
}

void CQuarrowView::RebuildKeepingPlace() {
    // The place kept is the one of the whole tree: a filter shown is taken off first and put back
    // on the new tree. The store is the same, so the place is found as after a new reading.
    m_filtering->BeforeRebuild();
    const ViewPlace place = CaptureViewPlace(*this);
    static const TagStore kEmpty;
    m_model.Rebuild(m_pDocument ? m_pDocument->GetTags() : kEmpty, m_model.GetCodePage(), Options());
    KeepACurrentRow();
    RestoreViewPlace(*this, place, true);
    m_filtering->AfterRebuild(m_pDocument ? m_pDocument->GetTagsPath() : std::string());
}

void CQuarrowView::SetHooks(Hooks hooks) {
    m_hooks = std::move(hooks);
    m_jumpRunner->SetNoteHandler(m_hooks.note);
}

void CQuarrowView::JumpToEditor(const QModelIndex& index) {
    const CTagEntry* tag = m_model.TagOf(index);
    if (!tag) {
        return;  // a directory node
    }
    const std::string tagsDir = m_pDocument ? m_pDocument->GetTagsDir() : std::string();
    const EditorTemplate editor{m_settings.m_strEditorPath, m_settings.m_strEditorFormat};
    if (m_jump) {
        m_jump(editor, *tag, tagsDir);
        return;
    }
    const std::string procCwd = m_pDocument ? TagsProcCwd(m_pDocument->GetTags()) : std::string();
    m_jumpRunner->Jump(
        MakeJumpRequest(*tag, editor, tagsDir, procCwd, IsOn(m_settings.m_nRefind), m_model.GetCodePage()));
}

QModelIndex CQuarrowView::SelectedIndex() const {
    const QModelIndexList selected = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

std::optional<QString> CQuarrowView::ToolTipTextAt(const QPoint& viewportPos) const {
    QRect area;
    return ToolTipAt(viewportPos, area);
}

std::optional<QString> CQuarrowView::ToolTipAt(const QPoint& viewportPos, QRect& area) const {
    if (!IsOn(m_settings.m_nTipMessage)) {
        return std::nullopt;
    }
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) {
        return std::nullopt;
    }
    // Only the icon and the label itself count, not the indent, the button or the empty space
    // right of the label.
    const QRect content = ItemContentRect(index);
    if (!content.contains(viewportPos)) {
        return std::nullopt;
    }
    area = content;
    if (m_model.hasChildren(index)) {
        return std::nullopt;  // only leaves: member nodes and files without members
    }
    const CTagEntry* tag = m_model.TagOf(index);
    if (!tag) {
        return std::nullopt;
    }
    return DisplayText(TipText(tag->GetPattern()), m_model.GetCodePage());
}

QRect CQuarrowView::ItemContentRect(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return m_delegate.ContentRect(option, index);
}

CQuarrowView::ClickArea CQuarrowView::ClickAreaAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) {
        return ClickArea::Nowhere;
    }
    if (ItemContentRect(index).contains(viewportPos)) {
        return ClickArea::Item;
    }
    if (!m_model.hasChildren(index) || !itemsExpandable()) {
        return ClickArea::Nowhere;
    }
    // The button sits in the last indentation step before the item, where the tree draws it.
    const QRect cell = visualRect(index);
    QStyleOption option;
    option.initFrom(this);
    option.rect = isRightToLeft() ? QRect(cell.right() + 1, cell.top(), indentation(), cell.height())
                                  : QRect(cell.left() - indentation(), cell.top(), indentation(), cell.height());
    const QRect button = style()->subElementRect(QStyle::SE_TreeViewDisclosureItem, &option, this);
    return button.contains(viewportPos) ? ClickArea::Button : ClickArea::Nowhere;
}

void CQuarrowView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_delegate.Forget();
    }
    QTreeView::changeEvent(event);
}

bool CQuarrowView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        // The switch is read now, so a change in the settings dialog applies at once.
        QRect area;
        if (const std::optional<QString> text = ToolTipAt(help->pos(), area)) {
            // The tip goes as soon as the mouse leaves the icon and the label.
            QToolTip::showText(help->globalPos(), *text, viewport(), area);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QTreeView::viewportEvent(event);
}

void CQuarrowView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // Only the right button by itself, without Shift or Ctrl, opens the menu; it first
        // selects the item under it, so that the menu is seen to be about that row. That
        // selection is not the left button's, so it never starts the editor.
        setFocus(Qt::MouseFocusReason);
        event->accept();
        const bool alone = event->buttons() == Qt::RightButton &&
                           !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
        if (alone) {
            const QPoint point = event->position().toPoint();
            if (ClickAreaAt(point) == ClickArea::Item) {
                selectionModel()->setCurrentIndex(indexAt(point), QItemSelectionModel::ClearAndSelect);
            }
            ShowContextMenu(point);
        }
        return;
    }
    m_bIgnoreRelease = false;
    if (event->button() == Qt::LeftButton && ClickAreaAt(event->position().toPoint()) == ClickArea::Nowhere) {
        // Off every item: the click only gives the tree the focus, as in a classic tree control.
        setFocus(Qt::MouseFocusReason);
        m_bIgnoreRelease = true;
        event->accept();
        return;
    }
    m_bMouseSelecting = event->button() == Qt::LeftButton;
    QTreeView::mousePressEvent(event);
    m_bMouseSelecting = false;
}

void CQuarrowView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_bIgnoreRelease && event->button() == Qt::LeftButton) {
        m_bIgnoreRelease = false;
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void CQuarrowView::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with a button held does not move the selection from item to item: a selection is
    // made by a click, and a selection made with the mouse may start the editor.
    if (event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QTreeView::mouseMoveEvent(event);
}

void CQuarrowView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        switch (ClickAreaAt(event->position().toPoint())) {
        case ClickArea::Item:
            JumpToEditor(SelectedIndex());
            break;
        case ClickArea::Button:
            break;  // the button opens and closes; it starts no editor
        case ClickArea::Nowhere:
            // Off every item: like a single click there, it only focuses the tree.
            setFocus(Qt::MouseFocusReason);
            m_bIgnoreRelease = true;
            event->accept();
            return;
        }
    }
    // Then the tree's own handling: a node with children opens or closes.
    QTreeView::mouseDoubleClickEvent(event);
}

void CQuarrowView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        JumpToEditor(SelectedIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CQuarrowView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    // Read now, so the settings dialog's change applies to the next click.
    if (m_bMouseSelecting && IsOn(m_settings.m_nSingleSelect) && !selected.indexes().isEmpty()) {
        JumpToEditor(selected.indexes().first());
    }
}

QModelIndex CQuarrowView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // The rows a large node has not handed over yet are rows all the same for the keys.
    if (action == MoveEnd) {
        m_slices->FetchToEnd();
    } else {
        m_slices->FetchNear();
    }
    return QTreeView::moveCursor(action, modifiers);
}

void CQuarrowView::OnExpandedChanged(const QModelIndex& index, bool expanded) {
    if (m_bBuilding || m_model.TagOf(index) != nullptr) {
        return;  // file and member nodes keep their image
    }
    m_model.SetImage(index, expanded ? kImageFolderOpen : kImageFolderClosed);
}

void CQuarrowView::OnColumnResized(int column) {
    updateGeometries();
    // The scroll area shows or hides a scroll bar for a new range on a posted call, after the
    // paint already asked for, and the viewport's new size then paints the rows again. Laid out
    // now (margins set lay the scroll bars and the viewport out), that paint is the only one.
    setViewportMargins(viewportMargins());
    const int x = columnViewportPosition(column);
    const int height = viewport()->height();
    viewport()->update(isRightToLeft() ? QRect(0, 0, x + columnWidth(column), height)
                                       : QRect(x, 0, viewport()->width() - x, height));
}

void CQuarrowView::ShowContextMenu(const QPoint& viewportPos) {
    if (m_popup) {
        m_popup->close();
    }
    // The "Popup" menu: the window puts in the same commands as its menu bar.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("Popup"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (m_hooks.fillPopup) {
        m_hooks.fillPopup(*menu);
    }
    m_popup = menu;
    menu->popup(viewport()->mapToGlobal(viewportPos));
}

}  // namespace quarrow::ui
