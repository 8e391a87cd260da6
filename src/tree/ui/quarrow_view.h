#pragma once
// The tree view: the tag tree of the open document with its fourteen icons, folders whose image
// follows their expansion, the tag's source line as a tool tip, the pop-up menu of the program's
// commands, the filter, the two tree options, and the jumps to the editor (double click, Enter,
// and a mouse selection when "SINGLSELECT" is 1). It carries the nine view settings: read from the
// profile when it is made, written back when it goes away.

#include <QMenu>
#include <QPointer>
#include <QTreeView>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "editor/editor_command.h"
#include "editor/ui/editor_jump_runner.h"
#include "settings/view_settings.h"
#include "tree/ui/tag_tree_item_model.h"
#include "tree/ui/tag_tree_filtering.h"
#include "tree/ui/tree_image_list.h"
#include "tree/ui/tree_item_delegate.h"

namespace quarrow {
class CQuarrowDoc;
class CTagEntry;
class TagStore;
class MessageSink;
class Profile;
}  // namespace quarrow

namespace quarrow::ui {

class ShownSliceFetcher;
class StartHint;

class CQuarrowView final : public QTreeView {
    Q_OBJECT
public:
    // Starts `editor` for `tag`; the tags directory turns a relative file into a full path.
    // Without one the view starts the configured editor itself.
    using JumpFunction =
        std::function<void(const EditorTemplate& editor, const CTagEntry& tag, const std::string& tagsDir)>;

    // What the view needs of the window around it.
    struct Hooks {
        std::function<void(QMenu& popup)> fillPopup;  // the pop-up menu's commands, put in when it opens
        std::function<void(const QString&)> note;  // a note for the status bar (after a jump)
    };

    // Loads the settings from `profile`, which must outlive the view.
    explicit CQuarrowView(Profile& profile, MessageSink& sink, QWidget* parent = nullptr);
    ~CQuarrowView() override;  // writes the settings back
    CQuarrowView(const CQuarrowView&) = delete;
    CQuarrowView& operator=(const CQuarrowView&) = delete;

    void SetDocument(const quarrow::CQuarrowDoc* document) noexcept { m_pDocument = document; }
    const quarrow::CQuarrowDoc* Document() const noexcept { return m_pDocument; }
    void SetHooks(Hooks hooks);
    void SetJumpFunction(JumpFunction jump) { m_jump = std::move(jump); }

    // After every load of the document (and for an empty one): rebuilds the whole tree, or shows
    // the one PrepareUpdate made for the document's store.
    void OnInitialUpdate();
    // Before a load replaces the document's store: takes the tree a loading thread built from
    // `store` with `options` beside the shown one, and checks that the rows the view will lay out
    // for it can be had. Throws std::bad_alloc, with the shown tree as it was, when the memory is
    // not there.
    void PrepareUpdate(TagTree&& built, const TagStore& store, TreeOptions options);
    // Where the tree a new one replaces goes (see TagTreeItemModel::SetTreeRelease).
    void SetTreeRelease(TagTreeItemModel::TreeRelease release) { m_model.SetTreeRelease(std::move(release)); }
    // The tree options in force: a tree built with others is built again when it is shown.
    TreeOptions Options() const noexcept;
    // The view's commands: show and focus the filter field, and turn either tree option over
    // (the tree is built again, keeping the user's place).
    void ShowFilter();
    void ToggleLangIcons();
    void ToggleNestScope();
    bool LangIconsOn() const noexcept;
    bool NestScopeOn() const noexcept;

    // Starts the editor at the tag of `index`; a node without a tag does nothing. The tag's
    // definition is searched in its source first ("REFIND"), off the window's thread for a large
    // file; a missing file or a definition not found gives a note through the hooks.
    void JumpToEditor(const QModelIndex& index);
    EditorJumpRunner& JumpRunner() noexcept { return *m_jumpRunner; }

    // Opens `nodes` without changing their images, as the builder's own expansion does.
    void ExpandQuietly(const std::vector<TagTree::Id>& nodes);
    // Lays out the rows now when a layout is pending (after a reset), so that nodes opened next
    // add only their own rows.
    void LayOutPendingRows() { executeDelayedItemsLayout(); }
    // The scroll bars' values, and setting them once the rows are laid out.
    QPoint ScrollPosition() const;
    void SetScrollPosition(const QPoint& position);
    TagTreeFiltering& Filtering() noexcept { return *m_filtering; }

    // The tool tip for a point of the viewport, as the mouse would get it there: the tag's
    // source line of a leaf node under its icon or label, or nothing.
    std::optional<QString> ToolTipTextAt(const QPoint& viewportPos) const;
    // The icon and label of `index` in viewport coordinates: the part of the row that a click
    // selects, that the highlight covers and that shows the tool tip.
    QRect ItemContentRect(const QModelIndex& index) const;
    // The pop-up menu while it is open (for tests and for closing it), or null.
    QMenu* PopupMenu() const { return m_popup.data(); }

    ViewSettings& Settings() noexcept { return m_settings; }
    const ViewSettings& Settings() const noexcept { return m_settings; }
    TagTreeItemModel& Model() noexcept { return m_model; }
    const TagTreeItemModel& Model() const noexcept { return m_model; }
    const TreeImageList& Images() const noexcept { return m_imageList; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    QModelIndex SelectedIndex() const;
    // What a left click at a viewport point hits: the icon or label of an item, the button of an
    // item with children, or nothing an item reacts to (its indent, the space right of its label,
    // the space below the last item).
    enum class ClickArea { Item, Button, Nowhere };
    ClickArea ClickAreaAt(const QPoint& viewportPos) const;
    // Checks that the view's rows of the prepared tree can be had; drops it and throws
    // std::bad_alloc when not.
    void ReserveLayout();
    // Builds the tree again with the current options, keeping the open nodes, the selection (in
    // sight) and the top row, as a new reading does (tree_place_keeper.h).
    void RebuildKeepingPlace();
    // The tip at a point and the area (icon and label) it belongs to.
    std::optional<QString> ToolTipAt(const QPoint& viewportPos, QRect& area) const;
    void OnExpandedChanged(const QModelIndex& index, bool expanded);
    // A new width of `column`: the scroll bars and the rows from the column on take it at once.
    void OnColumnResized(int column);
    void ShowContextMenu(const QPoint& viewportPos);
    // Makes the first row current (unselected) when a new tree left none.
    void KeepACurrentRow();

    Profile& m_profile;
    MessageSink& m_sink;
    TreeImageList m_imageList;
    ViewSettings m_settings;
    ViewSettings m_settingsAtStart;  // as loaded: what the view did not change is not written back
    TagTreeItemModel m_model;
    const quarrow::CQuarrowDoc* m_pDocument = nullptr;
    Hooks m_hooks;
    JumpFunction m_jump;
    EditorJumpRunner* m_jumpRunner;  // a child object
    std::unique_ptr<TagTreeFiltering> m_filtering;  // after the model: it stops reading the tree first
    QPointer<QMenu> m_popup;
    TreeItemDelegate m_delegate;
    ShownSliceFetcher* m_slices;  // a child object
    StartHint* m_startHint;       // a child of the viewport
    bool m_bMouseSelecting = false;  // inside a left-button press: a selection now is the mouse's
    bool m_bBuilding = false;        // the builder's own expansion keeps the folder image
    bool m_bIgnoreRelease = false;   // the press hit no item, so neither does its release
};

}  // namespace quarrow::ui
