#include "tree/tag_tree.h"

#include <cassert>
#include <numeric>

namespace quarrow {

void TagTree::Clear() {
    // A million tags must cost little more than the file: keep the node at 32 bytes.
    static_assert(sizeof(void*) != 8 || sizeof(Node) == 32);
    m_nodes.clear();
    m_rootChildCount = 0;
    m_built = false;
}

void TagTree::Reserve(std::size_t nodes) {
    m_nodes.reserve(nodes);
}

TagTree::Handle TagTree::AppendNode(Handle parent, std::string_view label, int image, int selectedImage,
                                    const CTagEntry* data) {
    assert(!m_built && "AppendNode after EndBuild; Clear first");
    assert(parent == kNoNode || parent < m_nodes.size());
    assert(image >= 0 && image <= 0xFF && selectedImage >= 0 && selectedImage <= 0xFF);
    assert(label.size() <= 0xFFFFFFFFu);
    const auto id = static_cast<Id>(m_nodes.size());
    m_nodes.push_back(Node{label.data(), data, static_cast<std::uint32_t>(label.size()), parent, 0,
                           static_cast<std::uint8_t>(image), static_cast<std::uint8_t>(selectedImage), 0});
    if (parent == kNoNode) {
        ++m_rootChildCount;
    } else {
        ++m_nodes[parent].childEnd;
    }
    return id;
}

void TagTree::ExpandNode(Handle node) {
    if (node < m_nodes.size()) {
        m_nodes[node].expanded = 1;
    }
}

void TagTree::EndBuild() {
    if (m_built) {
        return;
    }
    const std::size_t count = m_nodes.size();
    // Children of every node in append order, indexed by parent (the root last): offsets into one
    // array of ids. The counts were kept in childEnd while building.
    std::vector<std::uint32_t> begin(count + 2, 0);
    for (std::size_t i = 0; i < count; ++i) {
        begin[i + 1] = m_nodes[i].childEnd;
    }
    begin[count + 1] = m_rootChildCount;
    // Exclusive prefix sums: begin[p] is where p's children start (p == count for the root).
    std::uint32_t sum = 0;
    for (std::size_t p = 0; p <= count; ++p) {
        const std::uint32_t n = begin[p + 1];
        begin[p] = sum;
        sum += n;
    }
    std::vector<std::uint32_t> children(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t p = m_nodes[i].parent == kNoNode ? count : m_nodes[i].parent;
        children[begin[p]++] = static_cast<std::uint32_t>(i);
    }
    // begin[p] now points one past p's children; restore the starts by walking back the counts.
    // Level order: the root's children first, then each placed node's children in turn.
    std::vector<std::uint32_t> order;
    order.reserve(count);
    auto appendChildren = [&](std::size_t p, std::uint32_t childCount) {
        const std::uint32_t end = begin[p];
        for (std::uint32_t k = end - childCount; k < end; ++k) {
            order.push_back(children[k]);
        }
    };
    appendChildren(count, m_rootChildCount);
    for (std::size_t k = 0; k < order.size(); ++k) {
        appendChildren(order[k], m_nodes[order[k]].childEnd);
    }
    assert(order.size() == count);
    begin.clear();
    begin.shrink_to_fit();

    // newId of each old id, in the children array's memory.
    std::vector<std::uint32_t>& newId = children;
    for (std::size_t k = 0; k < count; ++k) {
        newId[order[k]] = static_cast<std::uint32_t>(k);
    }
    for (Node& node : m_nodes) {
        if (node.parent != kNoNode) {
            node.parent = newId[node.parent];
        }
    }
    // Move every node to its new place, one cycle of the permutation at a time.
    for (std::size_t start = 0; start < count; ++start) {
        while (newId[start] != start) {
            const std::uint32_t target = newId[start];
            std::swap(m_nodes[start], m_nodes[target]);
            std::swap(newId[start], newId[target]);
        }
    }
    // In level order the parents never decrease, so each node's children end where the next
    // parent's begin: count them, then sum from the end of the root's children.
    for (Node& node : m_nodes) {
        node.childEnd = 0;
    }
    for (const Node& node : m_nodes) {
        if (node.parent != kNoNode) {
            ++m_nodes[node.parent].childEnd;
        }
    }
    std::uint32_t end = m_rootChildCount;
    for (Node& node : m_nodes) {
        end += node.childEnd;
        node.childEnd = end;
    }
    m_built = true;
}

std::uint32_t TagTree::ChildBegin(Id id) const noexcept {
    return id == 0 ? m_rootChildCount : m_nodes[id - 1].childEnd;
}

std::size_t TagTree::ChildCount(Id id) const noexcept {
    assert(m_built);
    if (id == kRoot) {
        return m_rootChildCount;
    }
    return m_nodes[id].childEnd - ChildBegin(id);
}

TagTree::Id TagTree::Child(Id parent, std::size_t row) const noexcept {
    assert(m_built && row < ChildCount(parent));
    return static_cast<Id>((parent == kRoot ? 0 : ChildBegin(parent)) + row);
}

TagTree::Id TagTree::Parent(Id id) const noexcept {
    return m_nodes[id].parent;
}

std::size_t TagTree::Row(Id id) const noexcept {
    assert(m_built);
    const Id parent = m_nodes[id].parent;
    return id - (parent == kRoot ? 0 : ChildBegin(parent));
}

void TagTree::SetImage(Id id, int image) noexcept {
    assert(image >= 0 && image <= 0xFF);
    m_nodes[id].image = static_cast<std::uint8_t>(image);
}

void TagTree::SetSelectedImage(Id id, int selectedImage) noexcept {
    assert(selectedImage >= 0 && selectedImage <= 0xFF);
    m_nodes[id].selectedImage = static_cast<std::uint8_t>(selectedImage);
}

}  // namespace quarrow
