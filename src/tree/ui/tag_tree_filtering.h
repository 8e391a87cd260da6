#pragma once
// The tree's filter in the window: the field above the tree (Ctrl+F), the tree narrowed as the
// user types, Down into the tree, Enter to the editor at the member looked for (see
// TagTreeFilter::MemberToOpen), Esc back to the tree as it was (expansion, selection, scroll
// position), a note in the tree area when nothing is kept, and the filter applied again when the
// same tags file is read again. The narrowing runs on a worker thread; a keystroke supersedes the
// narrowing under way.

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tree/tag_tree.h"
#include "tree/tag_tree_filter.h"

class QLabel;

namespace quarrow::ui {

class CQuarrowView;
class TagFilterBar;
class TagFilterWorker;
class StagedExpansion;

class TagTreeFiltering final : public QObject {
    Q_OBJECT
public:
    // Makes the (hidden) field and the empty-result note as children of `view`.
    explicit TagTreeFiltering(CQuarrowView& view);
    ~TagTreeFiltering() override;
    TagTreeFiltering(const TagTreeFiltering&) = delete;
    TagTreeFiltering& operator=(const TagTreeFiltering&) = delete;

    // Shows the field and puts the keyboard focus in it.
    void Show();
    bool IsShown() const noexcept { return m_shown; }
    TagFilterBar& Bar() const noexcept { return *m_bar; }
    QLabel& EmptyNote() const noexcept { return *m_emptyNote; }
    // The text of the filter the tree shows now (empty for the whole tree).
    const QString& AppliedText() const noexcept { return m_appliedText; }

    // The view calls these around every rebuild of its tree: the worker must leave the old tree
    // alone, and a reload of the same tags file is narrowed again at once.
    void BeforeRebuild();
    void AfterRebuild(const std::string& tagsPath);

private:
    struct SavedView {
        std::vector<TagTree::Id> expanded;
        std::vector<std::pair<TagTree::Id, int>> folderImages;
        TagTree::Id selected = TagTree::kRoot;
        QPoint scroll;
    };

    void OnTextEdited(const QString& text);
    // Shows `result` for `text` in the tree (null or empty text: the tree as it was).
    void ShowResult(const QString& text, std::shared_ptr<const TagTreeFilter> result);
    // Narrows to the field's text now, on this thread, unless the tree shows it already.
    void CatchUp();
    // What a new text is narrowed from: the filter shown, or the labels' signatures.
    std::shared_ptr<const TagTreeFilter> Previous() const;
    void SaveView();
    void RestoreView();
    // Restores the saved view when a filter is shown, else drops what was saved.
    void ForgetOrRestoreView();
    void MoveIntoTree();
    // Enter in the field: the editor at the member TagTreeFilter::MemberToOpen names.
    void JumpToChosenMember();
    void Close();
    void UpdateEmptyNote();

    CQuarrowView& m_view;
    TagFilterBar* m_bar;
    QLabel* m_emptyNote;
    TagFilterWorker* m_worker;
    StagedExpansion* m_expansion;  // opens the kept nodes of the filter shown
    bool m_shown = false;
    QString m_appliedText;
    std::optional<SavedView> m_saved;  // the tree before the filter, while one is applied
    std::shared_ptr<const TagTreeFilter> m_signatures;  // of the tree shown, once made
    std::string m_tagsPath;            // the tags file the tree was built from
};

}  // namespace quarrow::ui
