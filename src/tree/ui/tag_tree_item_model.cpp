#include "tree/ui/tag_tree_item_model.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "tags/tag_store.h"
#include "tree/tag_tree_builder.h"
#include "tree/ui/display_text.h"
#include "tree/ui/tree_image_list.h"

namespace quarrow::ui {

TagTreeItemModel::TagTreeItemModel(const TreeImageList& images, QObject* parent)
    : QAbstractItemModel(parent), m_images(images) {
    m_tree.EndBuild();  // an empty tree that can be navigated
}

void TagTreeItemModel::Prepare(TagTree&& built, const TagStore& store, TreeOptions options) {
    DropPrepared();
    std::swap(m_prepared, built);
    MarkPrepared(store, options);
}

void TagTreeItemModel::MarkPrepared(const TagStore& store, TreeOptions options) noexcept {
    m_bPrepared = true;
    m_preparedOptions = options;
    m_nPreparedSize = store.size();
    m_pPreparedFirst = store.empty() ? nullptr : &store[0];
}

std::size_t TagTreeItemModel::PreparedShownRows() const noexcept {
    if (!m_bPrepared) {
        return 0;
    }
    std::size_t rows = m_prepared.ChildCount(TagTree::kRoot);
    for (const TagTree::Id id : m_prepared.ExpandedNodes()) {
        rows += m_prepared.ChildCount(id);
    }
    return rows;
}

void TagTreeItemModel::DropPrepared() noexcept {
    m_bPrepared = false;
    m_prepared.Clear();
}

void TagTreeItemModel::Rebuild(const TagStore& store, CodePage cp, TreeOptions options) {
    // The prepared tree belongs to this store when the store's records are the ones it was built
    // from (the store may have been moved into the document since: its records stay in place).
    const bool prepared = m_bPrepared && m_preparedOptions == options && m_nPreparedSize == store.size() &&
                          m_pPreparedFirst == (store.empty() ? nullptr : &store[0]);
    m_bPrepared = false;
    beginResetModel();
    m_codePage = cp;
    m_filter.reset();
    ForgetSlices();
    if (prepared) {
        std::swap(m_tree, m_prepared);
    } else {
        BuildTagTree(m_tree, store, cp, options);
    }
    endResetModel();
    if (m_release) {
        m_release(std::move(m_prepared));  // the tree shown before, or one prepared for nothing
    }
    m_prepared.Clear();
}

void TagTreeItemModel::Reset() {
    beginResetModel();
    m_filter.reset();
    ForgetSlices();
    m_tree.Clear();
    m_tree.EndBuild();
    endResetModel();
}

void TagTreeItemModel::SetFilter(std::shared_ptr<const TagTreeFilter> filter) {
    beginResetModel();
    // The whole tree shows again as many rows of its sliced parents as before the filter, so
    // that the place saved before the filter is found again.
    if (!m_filter && filter) {
        m_unfilteredFetched = std::move(m_fetched);
    } else if (m_filter && !filter) {
        m_fetched = std::move(m_unfilteredFetched);
        m_unfilteredFetched.clear();
    }
    m_filter = std::move(filter);
    if (m_filter) {
        m_fetched.clear();
    }
    endResetModel();
}

std::size_t TagTreeItemModel::ShownChildCount(TagTree::Id id) const noexcept {
    return m_filter ? m_filter->ChildCount(id) : m_tree.ChildCount(id);
}

std::size_t TagTreeItemModel::ShownRow(TagTree::Id id) const noexcept {
    return m_filter ? m_filter->Row(m_tree, id) : m_tree.Row(id);
}

TagTree::Id TagTreeItemModel::IdOf(const QModelIndex& index) const noexcept {
    if (!index.isValid() || index.model() != this) {
        return TagTree::kRoot;
    }
    return static_cast<TagTree::Id>(index.internalId());
}

void TagTreeItemModel::ForgetSlices() noexcept {
    m_fetched.clear();
    m_unfilteredFetched.clear();
}

std::vector<TagTree::Id> TagTreeItemModel::SlicedNodes() const {
    std::vector<TagTree::Id> nodes;
    nodes.reserve(m_fetched.size());
    for (const auto& [id, count] : m_fetched) {
        nodes.push_back(id);
    }
    return nodes;
}

std::size_t TagTreeItemModel::FetchedCount(TagTree::Id id) const noexcept {
    const std::size_t count = ShownChildCount(id);
    if (count <= kSliceAbove || id == TagTree::kRoot) {
        return count;  // the top level is laid out once per tree, not on a click
    }
    const auto fetched = m_fetched.find(id);
    if (fetched != m_fetched.end()) {
        return fetched->second;
    }
    // Handed out for the first time: marked here, once, and found above from then on. Without
    // memory for the mark the view still gets the first slice, and the next call marks it.
    try {
        m_fetched.emplace(id, kFirstSlice);
    } catch (const std::bad_alloc&) {
    }
    return kFirstSlice;
}

QModelIndex TagTreeItemModel::IndexOf(TagTree::Id id) const {
    if (id == TagTree::kRoot || id >= m_tree.NodeCount()) {
        return {};
    }
    const std::size_t row = ShownRow(id);
    if (row >= FetchedCount(m_tree.Parent(id))) {
        return {};  // not a row yet: an index now would name another row once the rows come
    }
    return createIndex(static_cast<int>(row), 0, static_cast<quintptr>(id));
}

QModelIndex TagTreeItemModel::Reach(TagTree::Id id) {
    if (id == TagTree::kRoot || id >= m_tree.NodeCount()) {
        return {};
    }
    // From the top down: a parent must be a row before its rows can be announced.
    std::vector<TagTree::Id> path;
    for (TagTree::Id node = id; node != TagTree::kRoot; node = m_tree.Parent(node)) {
        path.push_back(node);
    }
    for (auto node = path.rbegin(); node != path.rend(); ++node) {
        const TagTree::Id parent = m_tree.Parent(*node);
        const std::size_t row = ShownRow(*node);
        if (row >= FetchedCount(parent)) {
            FetchTo(parent, row + kFirstSlice);  // and a slice after it, to look at around it
        }
    }
    return IndexOf(id);
}

void TagTreeItemModel::FetchAll(TagTree::Id parent) { FetchTo(parent, ShownChildCount(parent)); }

void TagTreeItemModel::FetchTo(TagTree::Id parent, std::size_t count) {
    if (m_bFetching) {
        return;  // asked by one who hears of the rows coming now: the next look fetches more
    }
    const std::size_t fetched = FetchedCount(parent);
    count = std::min({count, ShownChildCount(parent), static_cast<std::size_t>(std::numeric_limits<int>::max())});
    if (count <= fetched) {
        return;
    }
    m_bFetching = true;
    beginInsertRows(IndexOf(parent), static_cast<int>(fetched), static_cast<int>(count - 1));
    m_fetched[parent] = count;
    endInsertRows();
    m_bFetching = false;
}

bool TagTreeItemModel::HasUnfetchedRows(const QModelIndex& parent) const noexcept {
    if (parent.isValid() && parent.column() != 0) {
        return false;
    }
    const TagTree::Id id = IdOf(parent);
    return FetchedCount(id) < std::min<std::size_t>(ShownChildCount(id), std::numeric_limits<int>::max());
}

void TagTreeItemModel::FetchNextSlice(const QModelIndex& parent) {
    if (parent.isValid() && parent.column() != 0) {
        return;
    }
    const TagTree::Id id = IdOf(parent);
    const std::size_t fetched = FetchedCount(id);
    FetchTo(id, fetched + std::max(fetched, kFirstSlice));
}

const CTagEntry* TagTreeItemModel::TagOf(const QModelIndex& index) const noexcept {
    const TagTree::Id id = IdOf(index);
    return id == TagTree::kRoot ? nullptr : m_tree.Tag(id);
}

QString TagTreeItemModel::LabelOf(const QModelIndex& index) const {
    const TagTree::Id id = IdOf(index);
    return id == TagTree::kRoot ? QString() : DisplayText(m_tree.Label(id), m_codePage);
}

int TagTreeItemModel::ImageOf(const QModelIndex& index) const noexcept {
    const TagTree::Id id = IdOf(index);
    return id == TagTree::kRoot ? -1 : m_tree.Image(id);
}

void TagTreeItemModel::SetImage(const QModelIndex& index, int image) {
    const TagTree::Id id = IdOf(index);
    if (id == TagTree::kRoot || m_tree.Image(id) == image) {
        return;
    }
    m_tree.SetImage(id, image);
    emit dataChanged(index, index, {Qt::DecorationRole, kImageIndexRole});
}

void TagTreeItemModel::SetImage(TagTree::Id id, int image) {
    if (id == TagTree::kRoot || id >= m_tree.NodeCount() || m_tree.Image(id) == image) {
        return;
    }
    if (const QModelIndex index = IndexOf(id); index.isValid()) {
        SetImage(index, image);
    } else {
        m_tree.SetImage(id, image);  // no view shows it yet
    }
}

QModelIndex TagTreeItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0 || (parent.isValid() && parent.column() != 0)) {
        return {};
    }
    const TagTree::Id parentId = IdOf(parent);
    if (static_cast<std::size_t>(row) >= FetchedCount(parentId)) {
        return {};
    }
    const auto at = static_cast<std::size_t>(row);
    const TagTree::Id id = m_filter ? m_filter->Child(parentId, at) : m_tree.Child(parentId, at);
    return createIndex(row, 0, static_cast<quintptr>(id));
}

QModelIndex TagTreeItemModel::parent(const QModelIndex& child) const {
    const TagTree::Id id = IdOf(child);
    if (id == TagTree::kRoot) {
        return {};
    }
    return IndexOf(m_tree.Parent(id));
}

int TagTreeItemModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) {
        return 0;
    }
    // A file of more rows than an int holds cannot be shown in full; its first rows still can.
    const std::size_t count = FetchedCount(IdOf(parent));
    return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

int TagTreeItemModel::columnCount(const QModelIndex& /*parent*/) const { return 1; }

bool TagTreeItemModel::hasChildren(const QModelIndex& parent) const {
    return (!parent.isValid() || parent.column() == 0) && ShownChildCount(IdOf(parent)) > 0;
}

QVariant TagTreeItemModel::data(const QModelIndex& index, int role) const {
    const TagTree::Id id = IdOf(index);
    if (id == TagTree::kRoot) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(m_tree.Label(id), m_codePage);
    case Qt::DecorationRole:
        return m_images.Icon(m_tree.Image(id));
    case kImageIndexRole:
        return m_tree.Image(id);
    default:
        return {};
    }
}

Qt::ItemFlags TagTreeItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (ShownChildCount(IdOf(index)) == 0) {
        result |= Qt::ItemNeverHasChildren;
    }
    return result;
}

}  // namespace quarrow::ui
