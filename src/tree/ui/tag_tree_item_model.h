#pragma once
// The tag tree as a read-only Qt item model: one column, rows straight from the compact TagTree
// (no object per node), labels decoded when the view asks for them, icons from the image list.
// An index's internal id is the node's id in the tree. With a filter set, only the nodes it keeps
// are rows.
//
// A node of more than kSliceAbove children hands them to views a slice at a time: a tree view
// lays out every row of an opened node at once, so opening a file of two hundred thousand members
// would cost what all of them cost. Its rows are the ones fetched so far, announced as inserted
// rows when more are fetched; whoever reaches a node by its id (Reach) fetches the rows up to it
// first. Qt's own canFetchMore is not used for this: a tree view fetches more of every node it
// opens, right after laying it out, so each opening would double the rows laid out.

#include <QAbstractItemModel>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "tags/code_page.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_filter.h"

namespace quarrow {
class CTagEntry;
class TagStore;
}  // namespace quarrow

namespace quarrow::ui {

class TreeImageList;

class TagTreeItemModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    // Role giving a node's image index (an int) besides the icon of DecorationRole.
    static constexpr int kImageIndexRole = Qt::UserRole + 1;
    // Parents with more children than this are sliced; the first slice has kFirstSlice rows
    // (many screens), and each fetch after it doubles what the parent shows.
    static constexpr std::size_t kSliceAbove = 4096;
    static constexpr std::size_t kFirstSlice = 1024;

    explicit TagTreeItemModel(const TreeImageList& images, QObject* parent = nullptr);

    // Clears the tree and builds it again from `store`, whose bytes the labels view: the store
    // must not change until the next Rebuild or Reset. A tree Prepare made for the same store
    // and options is taken as it is.
    void Rebuild(const TagStore& store, CodePage cp, TreeOptions options = {});
    // Puts the tree built elsewhere (on a loading thread) from `store` with `options` beside the
    // shown one, which stays as it is (with the store it views) until the next Rebuild takes the
    // new one.
    void Prepare(TagTree&& built, const TagStore& store, TreeOptions options);
    // The rows of the prepared tree a view lays out at once: the top-level ones and the children
    // of the opened nodes.
    std::size_t PreparedShownRows() const noexcept;
    void DropPrepared() noexcept;
    // Where a tree replaced by Rebuild goes (by default it is freed at once): freeing a large
    // tree takes a while that another thread may spend.
    using TreeRelease = std::function<void(TagTree&& replaced)>;
    void SetTreeRelease(TreeRelease release) { m_release = std::move(release); }
    // Empties the tree.
    void Reset();
    // Shows only the nodes `filter` keeps (made from Tree()), or the whole tree for null. A
    // rebuild or a reset drops the filter.
    void SetFilter(std::shared_ptr<const TagTreeFilter> filter);
    const std::shared_ptr<const TagTreeFilter>& Filter() const noexcept { return m_filter; }

    const TagTree& Tree() const noexcept { return m_tree; }
    // The node of `index`; TagTree::kRoot for the invalid index.
    TagTree::Id IdOf(const QModelIndex& index) const noexcept;
    // The index of a node that is a row now; invalid when it lies beyond its parent's rows
    // fetched so far.
    QModelIndex IndexOf(TagTree::Id id) const;
    // The index of a node, fetching the rows of every parent above it up to it first.
    QModelIndex Reach(TagTree::Id id);
    // Fetches every row of the node's children.
    void FetchAll(TagTree::Id parent);
    // How many children the node has in all (fetched or not).
    std::size_t ChildrenOf(const QModelIndex& index) const noexcept { return ShownChildCount(IdOf(index)); }
    // Whether a view has been shown fewer rows of a parent than it has, since the last reset:
    // until then nobody needs to look for rows to fetch.
    bool HasSlicedRows() const noexcept { return !m_fetched.empty(); }
    // The nodes whose rows a view has been handed only in part, since the last reset (some may
    // have been fetched in full since).
    std::vector<TagTree::Id> SlicedNodes() const;
    const CTagEntry* TagOf(const QModelIndex& index) const noexcept;
    QString LabelOf(const QModelIndex& index) const;
    int ImageOf(const QModelIndex& index) const noexcept;
    // Gives the node a new image and tells the views.
    void SetImage(const QModelIndex& index, int image);
    // The same for a node that need not be a row now.
    void SetImage(TagTree::Id id, int image);
    CodePage GetCodePage() const noexcept { return m_codePage; }

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Whether the children of `parent` have rows still to fetch.
    bool HasUnfetchedRows(const QModelIndex& parent) const noexcept;
    // Fetches the next slice of them: as many rows again as are fetched.
    void FetchNextSlice(const QModelIndex& parent);

private:
    void MarkPrepared(const TagStore& store, TreeOptions options) noexcept;
    // The rows shown: the filter's when there is one, else the tree's.
    std::size_t ShownChildCount(TagTree::Id id) const noexcept;
    std::size_t ShownRow(TagTree::Id id) const noexcept;
    // The children of `id` that are rows now.
    std::size_t FetchedCount(TagTree::Id id) const noexcept;
    // Makes the children of `parent` rows up to `count` of them (less when it has fewer).
    void FetchTo(TagTree::Id parent, std::size_t count);
    // Drops every fetched count: a new tree shows each sliced parent's first slice again.
    void ForgetSlices() noexcept;

    const TreeImageList& m_images;
    TagTree m_tree;
    TagTree m_prepared;
    // The records m_prepared was built from: where they begin and how many.
    bool m_bPrepared = false;
    const CTagEntry* m_pPreparedFirst = nullptr;
    std::size_t m_nPreparedSize = 0;
    TreeOptions m_preparedOptions;
    std::shared_ptr<const TagTreeFilter> m_filter;
    // Sliced parents handed to a view: the rows they show (their first slice until more are
    // fetched). Emptied on every reset.
    mutable std::unordered_map<TagTree::Id, std::size_t> m_fetched;
    // The tree's m_fetched while a filter shows.
    std::unordered_map<TagTree::Id, std::size_t> m_unfilteredFetched;
    bool m_bFetching = false;  // between announcing rows and their arrival
    CodePage m_codePage = CodePage::Utf8;
    TreeRelease m_release;
};

}  // namespace quarrow::ui
