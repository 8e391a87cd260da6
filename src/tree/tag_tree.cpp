#include "tree/tag_tree.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <stdexcept>

#include "tags/tag_entry.h"

namespace quarrow {

void TagTree::Clear() {
    // A million tags must cost little more than the file: keep the node at 16 bytes.
    static_assert(sizeof(Node) == 16);
    // Give the memory back: a closed document's tree should not stay resident.
    std::vector<Node>().swap(m_nodes);
    std::vector<std::string_view>().swap(m_otherLabels);
    std::vector<const CTagEntry*>().swap(m_otherTags);
    m_firstRecord = nullptr;
    m_recordCount = 0;
    std::vector<std::uint32_t>().swap(m_childCount);
    std::vector<std::uint64_t>().swap(m_hasChildren);
    std::vector<std::uint32_t>().swap(m_parentsBefore);
    std::vector<std::uint32_t>().swap(m_parentBegin);
    std::vector<Id>().swap(m_children);
    m_expanded.clear();
    m_rootChildCount = 0;
    m_built = false;
}

void TagTree::SetRecordRange(const CTagEntry* first, std::size_t count) noexcept {
    assert(m_nodes.empty());
    m_firstRecord = first;
    m_recordCount = first != nullptr && count < 0xFFFFFFFFu ? count : 0;
}

void TagTree::ReserveNodes(std::size_t maxNodes) {
    // Spares the copies of a growing vector; pages never written cost no resident memory (but do
    // count against an address-space limit, so the caller asks for a close estimate).
    m_nodes.reserve(maxNodes);
    m_childCount.reserve(maxNodes);
}

TagTree::Handle TagTree::AppendNode(Handle parent, std::string_view label, int image, const CTagEntry* data) {
    assert(parent == kNoNode || parent < m_nodes.size());
    assert(image >= 0 && image <= 0xFF);
    if (m_built) {
        // Back to counting children: the index is made again by the next EndBuild.
        m_childCount.resize(m_nodes.size());
        for (std::size_t i = 0; i < m_nodes.size(); ++i) {
            m_childCount[i] = static_cast<std::uint32_t>(ChildCount(static_cast<Id>(i)));
        }
        std::vector<std::uint64_t>().swap(m_hasChildren);
        std::vector<std::uint32_t>().swap(m_parentsBefore);
        std::vector<std::uint32_t>().swap(m_parentBegin);
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
        node.tag = static_cast<std::uint32_t>(m_otherTags.size());
        node.flags |= kOtherTag;
        m_otherTags.push_back(data);
    }
    node.parent = parent;
    node.image = static_cast<std::uint8_t>(image);
    const std::less<const char*> before;
    const std::string_view text = data != nullptr ? data->GetText() : std::string_view{};
    if (data != nullptr && !before(label.data(), text.data()) &&
        !before(text.data() + text.size(), label.data() + label.size()) &&
        static_cast<std::size_t>(label.data() - text.data()) <= 0xFFFF && label.size() <= 0xFFFF) {
        node.label.inText = {static_cast<std::uint16_t>(label.data() - text.data()),
                             static_cast<std::uint16_t>(label.size())};
    } else {
        node.label.index = static_cast<std::uint32_t>(m_otherLabels.size());
        node.flags |= kOwnLabel;
        m_otherLabels.push_back(label);
    }
    ++(parent == kNoNode ? m_rootChildCount : m_childCount[parent]);
    m_nodes.push_back(node);
    m_childCount.push_back(0);
    return id;
}

void TagTree::ExpandNode(Handle node) {
    if (node < m_nodes.size() && (m_nodes[node].flags & kExpanded) == 0) {
        m_nodes[node].flags |= kExpanded;
        m_expanded.push_back(node);
    }
}

void TagTree::EndBuild() {
    if (m_built) {
        return;
    }
    // The counts become the parents' bits and where each parent's children begin; the root's
    // children come first.
    const std::size_t nodeCount = m_nodes.size();
    m_hasChildren.assign((nodeCount + 63) / 64, 0);
    m_parentsBefore.assign(m_hasChildren.size(), 0);
    std::size_t parents = 0;
    for (std::size_t id = 0; id < nodeCount; ++id) {
        if (id % 64 == 0) {
            m_parentsBefore[id / 64] = static_cast<std::uint32_t>(parents);
        }
        if (m_childCount[id] != 0) {
            m_hasChildren[id / 64] |= std::uint64_t{1} << (id % 64);
            ++parents;
        }
    }
    m_parentBegin.resize(parents + 1);
    std::uint32_t begin = m_rootChildCount;
    std::size_t rank = 0;
    for (std::size_t id = 0; id < nodeCount; ++id) {
        if (m_childCount[id] != 0) {
            m_parentBegin[rank++] = begin;
            begin += m_childCount[id];
        }
    }
    m_parentBegin[parents] = begin;
    std::vector<std::uint32_t>().swap(m_childCount);
    // Ids in turn, each after its earlier siblings: every begin moves on to the next parent's
    // begin while its run fills, and is put back after.
    m_children.resize(nodeCount);
    std::uint32_t rootNext = 0;
    for (std::size_t id = 0; id < nodeCount; ++id) {
        const Id parent = m_nodes[id].parent;
        m_children[parent == kRoot ? rootNext++ : m_parentBegin[ParentRank(parent)]++] = static_cast<Id>(id);
    }
    for (std::size_t r = parents; r-- > 1;) {
        m_parentBegin[r] = m_parentBegin[r - 1];
    }
    if (parents != 0) {
        m_parentBegin[0] = m_rootChildCount;
    }
    m_built = true;
}

std::size_t TagTree::ChildCount(Id id) const noexcept {
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

TagTree::Id TagTree::Child(Id parent, std::size_t row) const noexcept {
    assert(m_built && row < ChildCount(parent));
    return m_children[(parent == kRoot ? 0 : m_parentBegin[ParentRank(parent)]) + row];
}

std::size_t TagTree::Row(Id id) const noexcept {
    assert(m_built);
    const Id parent = m_nodes[id].parent;
    const Id* const first = m_children.data() + (parent == kRoot ? 0 : m_parentBegin[ParentRank(parent)]);
    return static_cast<std::size_t>(std::lower_bound(first, first + ChildCount(parent), id) - first);
}

void TagTree::SetImage(Id id, int image) noexcept {
    assert(image >= 0 && image <= 0xFF);
    m_nodes[id].image = static_cast<std::uint8_t>(image);
}

}  // namespace quarrow
