#pragma once
// The tag tree in memory, compact enough for a million tags: one flat vector of 12-byte nodes
// whose labels are places inside their tag's line (no copies), and after EndBuild one index of
// every parent's children, which makes ChildCount, Child and Parent constant-time lookups for the
// window's item model, and Row a binary search among the node's siblings. Node ids are the
// handles AppendNode returned; they stay valid until Clear.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "tags/bit_count.h"
#include "tags/tag_entry.h"

namespace quarrow {

class TagTree final {
public:
    // A node is named by a small integer. kNoNode is the parent of the top-level nodes.
    using Handle = std::uint32_t;
    using Id = Handle;
    static constexpr Handle kNoNode = 0xFFFFFFFFu;
    // The invisible root: the parent of every top-level node, as the item model's invalid index.
    static constexpr Id kRoot = kNoNode;

    TagTree() = default;

    // Removes every node.
    void Clear();
    // Called by a build after Clear: at most `maxNodes` nodes follow, so room can be made once.
    void ReserveNodes(std::size_t maxNodes);
    // Appends a node as the last child of `parent` (the last top-level node for kNoNode). Labels
    // and records are not copied and must outlive the nodes (they view the tag store); `data`
    // may be null.
    Handle AppendNode(Handle parent, std::string_view label, int image, const CTagEntry* data);
    // Shows the node's children.
    void ExpandNode(Handle node);
    // Records inside [first, first + count) are kept as 4-byte numbers (BuildTagTree passes the
    // store's records); a node may still carry any other record. Call it before appending.
    void SetRecordRange(const CTagEntry* first, std::size_t count) noexcept;
    // Indexes the children; the navigation below needs it. BuildTagTree calls it.
    void EndBuild();
    bool IsBuilt() const noexcept { return m_built; }

    // Navigation (after EndBuild). `id` is kRoot or below NodeCount().
    std::size_t NodeCount() const noexcept { return m_nodes.size(); }
    std::size_t ChildCount(Id id) const noexcept {
        assert(m_built);
        if (id == kRoot) {
            return m_rootChildCount;
        }
        if (!HasChildren(id)) {
            return 0;
        }
        const std::size_t rank = ParentRank(id);
        return m_parentBegin[rank + 1] - m_parentBegin[rank];
    }
    Id Child(Id parent, std::size_t row) const noexcept {  // row below ChildCount(parent)
        assert(m_built && row < ChildCount(parent));
        if (parent == kRoot) {
            return m_children[row];
        }
        const std::size_t rank = ParentRank(parent);
        return Listed(rank) ? m_children[m_parentFirst[rank] + row] : static_cast<Id>(m_parentFirst[rank] + row);
    }
    // The first child when the children are consecutive ids (a file's members, as appended in
    // turn), so that a walk over them needs no lookup per row; kNoNode otherwise (the root, a
    // node without children, a parent whose children are listed).
    Id FirstOfConsecutiveChildren(Id parent) const noexcept {
        assert(m_built);
        if (parent == kRoot || !HasChildren(parent)) {
            return kNoNode;
        }
        const std::size_t rank = ParentRank(parent);
        return Listed(rank) ? kNoNode : static_cast<Id>(m_parentFirst[rank]);
    }
    // Every node is the child of one parent: ordered by parent (the root, then the parents in id
    // order) and by row, the nodes take the places [0, NodeCount()). Where the children of
    // `parent` (kRoot or a node with children) begin in that order: an index with a bit per node
    // in this order finds any parent's children as one run of bits.
    std::size_t ChildrenStart(Id parent) const noexcept {
        assert(m_built);
        return parent == kRoot ? 0 : m_rootChildCount + m_parentBegin[ParentRank(parent)];
    }
    // The nodes with children, a bit per node id in words of 64 (after EndBuild): a walk over the
    // parents skips the other nodes 64 at a time.
    const std::vector<std::uint64_t>& ParentBits() const noexcept { return m_hasChildren; }
    // The children of kRoot or of a parent whose children are not consecutive ids, in row order,
    // so that a walk over them needs no lookup per row; null for the others.
    const Id* ListedChildren(Id parent) const noexcept {
        assert(m_built);
        if (parent == kRoot) {
            return m_children.data();
        }
        if (!HasChildren(parent)) {
            return nullptr;
        }
        const std::size_t rank = ParentRank(parent);
        return Listed(rank) ? m_children.data() + m_parentFirst[rank] : nullptr;
    }
    Id Parent(Id id) const noexcept { return m_nodes[id].parent; }  // kRoot for a top-level node
    std::size_t Row(Id id) const noexcept;

    // Node contents (id below NodeCount()).
    std::string_view Label(Id id) const noexcept {
        const Node& node = m_nodes[id];
        const std::uint32_t label = node.bits >> kLabelShift;
        if ((node.bits & kOwnLabel) != 0) {
            return m_otherLabels[label != kManyLabels ? label : ManyLabelIndex(id)];
        }
        return {Tag(id)->GetText().data() + (label & kPlaceMask), (label >> kPlaceBits) & kPlaceMask};
    }
    // A label views its record's line, and the node only says which record: a walk that reads
    // labels scattered over the file asks for the record some nodes ahead, and for the label's
    // bytes (which reads the record) closer ahead, so that neither read waits when it comes.
    void PrefetchRecord(Id id) const noexcept {
        const std::uint32_t tag = m_nodes[id].tag;
        if (tag != 0 && (tag & kOtherTag) == 0) {
            __builtin_prefetch(m_firstRecord + (tag - 1));
        }
    }
    void PrefetchLabel(Id id) const noexcept { __builtin_prefetch(Label(id).data()); }
    int Image(Id id) const noexcept { return static_cast<int>(m_nodes[id].bits & kImageMask); }
    // The window swaps a folder's open and closed image.
    void SetImage(Id id, int image) noexcept;
    const CTagEntry* Tag(Id id) const noexcept {  // null for directories
        const std::uint32_t tag = m_nodes[id].tag;
        if ((tag & kOtherTag) != 0) {
            return m_otherTags[tag & ~kOtherTag];
        }
        return tag == 0 ? nullptr : m_firstRecord + (tag - 1);
    }
    bool IsExpanded(Id id) const noexcept { return (m_nodes[id].bits & kExpanded) != 0; }
    // The expanded nodes in the order they were expanded: a view opens these without a walk over
    // millions of nodes.
    const std::vector<Id>& ExpandedNodes() const noexcept { return m_expanded; }

private:
    // 12 bytes a node. `tag` is the record's number in the record range plus one (0 for none),
    // or kOtherTag and an index into m_otherTags. `bits` holds the image, two flags and the label:
    // a label inside the record's line (every member and file node) as its place in that line
    // (offset and length, each below 2048 as the line is), any other label (folders) as an index
    // into m_otherLabels, or kManyLabels when that index is too big and lies in m_manyLabels.
    static constexpr std::uint32_t kOtherTag = 0x80000000u;
    static constexpr std::uint32_t kImageMask = 0xFF;
    static constexpr std::uint32_t kExpanded = 0x100;
    static constexpr std::uint32_t kOwnLabel = 0x200;
    static constexpr unsigned kLabelShift = 10;
    static constexpr unsigned kPlaceBits = 11;
    static constexpr std::uint32_t kPlaceMask = (1u << kPlaceBits) - 1;
    static constexpr std::uint32_t kManyLabels = (1u << (32 - kLabelShift)) - 1;
    struct Node {
        std::uint32_t tag;
        Id parent;
        std::uint32_t bits;
    };
    // The index into m_otherLabels of node `id`, whose label is kManyLabels.
    std::uint32_t ManyLabelIndex(Id id) const noexcept;

    std::vector<Node> m_nodes;
    std::vector<std::string_view> m_otherLabels;
    std::vector<std::pair<Id, std::uint32_t>> m_manyLabels;  // by node id
    std::vector<const CTagEntry*> m_otherTags;
    const CTagEntry* m_firstRecord = nullptr;
    std::size_t m_recordCount = 0;
    // After EndBuild, for the nodes that have children (most nodes are tags, which have none):
    // one bit per node says whether it has any, and a parent's number among them is its rank,
    // the count of parents before its word plus the bits below it in its word.
    std::vector<std::uint64_t> m_hasChildren;
    std::vector<std::uint32_t> m_parentsBefore;  // one per word of m_hasChildren
    // The count of children of the parents before each parent, plus one for the end: a parent's
    // count is the difference of its entry and the next.
    std::vector<std::uint32_t> m_parentBegin;
    // Most parents' children are a run of consecutive ids (a file's tags, appended in turn): for
    // those, the first child's id. For the others (marked in m_listed), where their children lie
    // in m_children.
    std::vector<std::uint32_t> m_parentFirst;
    std::vector<std::uint64_t> m_listed;  // a bit per parent rank
    // The root's children, then the children of each listed parent by id, side by side in row
    // order. A node is appended as its parent's last child and ids grow, so each run is sorted: a
    // node's row is found by its id, and needs no field of its own.
    std::vector<Id> m_children;
    std::vector<Id> m_expanded;
    std::uint32_t m_rootChildCount = 0;
    bool m_built = false;

    // The number of `id` (not kRoot) among the nodes with children; it must have some.
    std::size_t ParentRank(Id id) const noexcept {
        const std::uint64_t below = m_hasChildren[id / 64] & ((std::uint64_t{1} << (id % 64)) - 1);
        return m_parentsBefore[id / 64] + BitCount(below);
    }
    bool HasChildren(Id id) const noexcept { return (m_hasChildren[id / 64] >> (id % 64) & 1) != 0; }
    bool Listed(std::size_t rank) const noexcept { return (m_listed[rank / 64] >> (rank % 64) & 1) != 0; }
};

}  // namespace quarrow
