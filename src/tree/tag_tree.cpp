#include "tree/tag_tree.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <stdexcept>

#include "tags/tag_entry.h"

namespace quarrow {

void TagTree::Clear() {
    // A million tags must cost little more than the file: keep the node at 12 bytes.
    static_assert(sizeof(Node) == 12);
    static_assert(CTagEntry::kMaxPiece <= kPlaceMask);
    // Give the memory back: a closed document's tree should not stay resident.
    std::vector<Node>().swap(m_nodes);
    std::vector<std::string_view>().swap(m_otherLabels);
    std::vector<std::pair<Id, std::uint32_t>>().swap(m_manyLabels);
    std::vector<const CTagEntry*>().swap(m_otherTags);
    m_firstRecord = nullptr;
    m_recordCount = 0;
    std::vector<std::uint64_t>().swap(m_hasChildren);
    std::vector<std::uint32_t>().swap(m_parentsBefore);
    std::vector<std::uint32_t>().swap(m_parentBegin);
    std::vector<std::uint32_t>().swap(m_parentFirst);
    std::vector<std::uint64_t>().swap(m_listed);
    std::vector<Id>().swap(m_children);
    m_expanded.clear();
    m_rootChildCount = 0;
    m_built = false;
}

void TagTree::SetRecordRange(const CTagEntry* first, std::size_t count) noexcept {
    assert(m_nodes.empty());
    m_firstRecord = first;
    m_recordCount = first != nullptr && count < kOtherTag - 1 ? count : 0;
}

void TagTree::ReserveNodes(std::size_t maxNodes) {
    // Spares the copies of a growing vector; pages never written cost no resident memory (but do
    // count against an address-space limit, so the caller asks for a close estimate).
    m_nodes.reserve(maxNodes);
}

TagTree::Handle TagTree::AppendNode(Handle parent, std::string_view label, int image, const CTagEntry* data) {
    assert(parent == kNoNode || parent < m_nodes.size());
    assert(image >= 0 && image <= 0xFF);
    if (m_built) {
        // The index is made again by the next EndBuild.
        std::vector<std::uint64_t>().swap(m_hasChildren);
        std::vector<std::uint32_t>().swap(m_parentsBefore);
        std::vector<std::uint32_t>().swap(m_parentBegin);
        std::vector<std::uint32_t>().swap(m_parentFirst);
        std::vector<std::uint64_t>().swap(m_listed);
        std::vector<Id>().swap(m_children);
        m_built = false;
    }
    // Ids are 32-bit with kNoNode reserved: more nodes than that would not fit in memory anyway,
    // and are refused like any allocation that cannot be made.
    if (m_nodes.size() >= kNoNode) {
        throw std::length_error("TagTree: too many nodes");
    }
    const auto id = static_cast<Id>(m_nodes.size());
    Node node{};
    const std::less<const CTagEntry*> precedes;
    if (data == nullptr) {
        node.tag = 0;
    } else if (m_recordCount != 0 && !precedes(data, m_firstRecord) && precedes(data, m_firstRecord + m_recordCount)) {
        node.tag = static_cast<std::uint32_t>(data - m_firstRecord) + 1;
    } else {
        if (m_otherTags.size() >= kOtherTag) {
            throw std::length_error("TagTree: too many records outside the store");
        }
        node.tag = kOtherTag | static_cast<std::uint32_t>(m_otherTags.size());
        m_otherTags.push_back(data);
    }
    node.parent = parent;
    node.bits = static_cast<std::uint32_t>(image);
    const std::less<const char*> before;
    const std::string_view text = data != nullptr ? data->GetText() : std::string_view{};
    if (data != nullptr && !before(label.data(), text.data()) &&
        !before(text.data() + text.size(), label.data() + label.size()) &&
        static_cast<std::size_t>(label.data() - text.data()) <= kPlaceMask && label.size() <= kPlaceMask) {
        const auto offset = static_cast<std::uint32_t>(label.data() - text.data());
        const auto length = static_cast<std::uint32_t>(label.size());
        node.bits |= (offset | length << kPlaceBits) << kLabelShift;
    } else {
        const auto index = static_cast<std::uint32_t>(m_otherLabels.size());
        if (index >= kManyLabels) {
            m_manyLabels.emplace_back(id, index);
        }
        node.bits |= kOwnLabel | std::min(index, kManyLabels) << kLabelShift;
        m_otherLabels.push_back(label);
    }
    if (parent == kNoNode) {
        ++m_rootChildCount;
    }
    m_nodes.push_back(node);
    return id;
}

void TagTree::ExpandNode(Handle node) {
    if (node < m_nodes.size() && (m_nodes[node].bits & kExpanded) == 0) {
        m_nodes[node].bits |= kExpanded;
        m_expanded.push_back(node);
    }
}

void TagTree::EndBuild() {
    if (m_built) {
        return;
    }
    // The nodes that have children get a bit and, by rank, the running count of children before
    // them. Counting here, from each node's parent, spares the build a count for every node.
    const std::size_t nodeCount = m_nodes.size();
    m_hasChildren.assign((nodeCount + 63) / 64, 0);
    for (const Node& node : m_nodes) {
        if (node.parent != kRoot) {
            m_hasChildren[node.parent / 64] |= std::uint64_t{1} << (node.parent % 64);
        }
    }
    m_parentsBefore.assign(m_hasChildren.size(), 0);
    std::size_t parents = 0;
    for (std::size_t word = 0; word < m_hasChildren.size(); ++word) {
        m_parentsBefore[word] = static_cast<std::uint32_t>(parents);
        parents += BitCount(m_hasChildren[word]);
    }
    // Each parent's count (shifted one place so that the running sum leaves each parent's start)
    // and its first child, in one pass in id order. A parent is listed unless its children are
    // consecutive ids: each child then comes right after the one before. Siblings mostly follow
    // each other, so a parent's rank is worked out once for a stretch of them.
    m_parentBegin.assign(parents + 1, 0);
    m_parentFirst.assign(parents, kNoNode);
    m_listed.assign((parents + 63) / 64, 0);
    std::size_t listedChildren = m_rootChildCount;
    Id lastParent = kRoot;
    std::size_t rank = 0;
    for (std::size_t id = 0; id < nodeCount; ++id) {
        const Id parent = m_nodes[id].parent;
        if (parent == kRoot) {
            continue;
        }
        if (parent != lastParent) {
            lastParent = parent;
            rank = ParentRank(parent);
        }
        const std::uint32_t before = m_parentBegin[rank + 1]++;
        if (before == 0) {
            m_parentFirst[rank] = static_cast<std::uint32_t>(id);
        } else if (id != m_parentFirst[rank] + before && !Listed(rank)) {
            m_listed[rank / 64] |= std::uint64_t{1} << (rank % 64);
        }
    }
    for (std::size_t r = 0; r < parents; ++r) {
        if (Listed(r)) {
            listedChildren += m_parentBegin[r + 1];
        }
        m_parentBegin[r + 1] += m_parentBegin[r];
    }
    // The listed parents' runs: ids in turn, each after its earlier siblings. Each start moves on
    // while its run fills, and is put back after.
    m_children.resize(listedChildren);
    std::uint32_t next = m_rootChildCount;
    for (std::size_t r = 0; r < parents; ++r) {
        if (Listed(r)) {
            m_parentFirst[r] = next;
            next += m_parentBegin[r + 1] - m_parentBegin[r];
        }
    }
    std::uint32_t rootNext = 0;
    lastParent = kRoot;
    bool lastListed = false;
    for (std::size_t id = 0; id < nodeCount; ++id) {
        const Id parent = m_nodes[id].parent;
        if (parent == kRoot) {
            m_children[rootNext++] = static_cast<Id>(id);
            continue;
        }
        if (parent != lastParent) {
            lastParent = parent;
            rank = ParentRank(parent);
            lastListed = Listed(rank);
        }
        if (lastListed) {
            m_children[m_parentFirst[rank]++] = static_cast<Id>(id);
        }
    }
    for (std::size_t r = 0; r < parents; ++r) {
        if (Listed(r)) {
            m_parentFirst[r] -= m_parentBegin[r + 1] - m_parentBegin[r];
        }
    }
    m_built = true;
}

std::size_t TagTree::Row(Id id) const noexcept {
    assert(m_built);
    const Id parent = m_nodes[id].parent;
    const Id* first = m_children.data();
    if (parent != kRoot) {
        const std::size_t rank = ParentRank(parent);
        if (!Listed(rank)) {
            return id - m_parentFirst[rank];
        }
        first += m_parentFirst[rank];
    }
    return static_cast<std::size_t>(std::lower_bound(first, first + ChildCount(parent), id) - first);
}

std::uint32_t TagTree::ManyLabelIndex(Id id) const noexcept {
    const auto at = std::lower_bound(m_manyLabels.begin(), m_manyLabels.end(), std::pair<Id, std::uint32_t>(id, 0));
    assert(at != m_manyLabels.end() && at->first == id);
    return at->second;
}

void TagTree::SetImage(Id id, int image) noexcept {
    assert(image >= 0 && image <= 0xFF);
    m_nodes[id].bits = (m_nodes[id].bits & ~kImageMask) | static_cast<std::uint32_t>(image);
}

}  // namespace quarrow
