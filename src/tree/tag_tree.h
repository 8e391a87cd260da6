#pragma once
// The tag tree in memory, compact enough for a million tags: one flat vector of small nodes, the
// labels viewing the tag store's bytes (no copies). After EndBuild the nodes are laid out level
// by level so that every node's children stand side by side, which makes ChildCount, Child,
// Parent and Row constant-time lookups for the window's item model.
//
// EndBuild renumbers the nodes: handles returned by AppendNode are valid only until then, and
// the navigation functions are valid only after it (BuildTagTree calls it).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tree/tag_tree_model.h"

namespace quarrow {

class TagTree final : public TagTreeModel {
public:
    using Id = Handle;
    // The invisible root: the parent of every top-level node, as the item model's invalid index.
    static constexpr Id kRoot = kNoNode;

    TagTree() = default;

    // TagTreeModel
    void Clear() override;
    Handle AppendNode(Handle parent, std::string_view label, int image, int selectedImage,
                      const CTagEntry* data) override;
    void ExpandNode(Handle node) override;
    void EndBuild() override;

    // Room for `nodes` nodes, so that a build of known size allocates once.
    void Reserve(std::size_t nodes);
    bool IsBuilt() const noexcept { return m_built; }

    // Navigation (after EndBuild). `id` is kRoot or below NodeCount().
    std::size_t NodeCount() const noexcept { return m_nodes.size(); }
    std::size_t ChildCount(Id id) const noexcept;
    Id Child(Id parent, std::size_t row) const noexcept;  // row below ChildCount(parent)
    Id Parent(Id id) const noexcept;                      // kRoot for a top-level node
    std::size_t Row(Id id) const noexcept;

    // Node contents (id below NodeCount()).
    std::string_view Label(Id id) const noexcept { return {m_nodes[id].label, m_nodes[id].labelLength}; }
    int Image(Id id) const noexcept { return m_nodes[id].image; }
    int SelectedImage(Id id) const noexcept { return m_nodes[id].selectedImage; }
    // The window swaps a folder's open and closed image (both of its images).
    void SetImage(Id id, int image) noexcept;
    void SetSelectedImage(Id id, int selectedImage) noexcept;
    const CTagEntry* Tag(Id id) const noexcept { return m_nodes[id].tag; }  // null for directories
    bool IsExpanded(Id id) const noexcept { return m_nodes[id].expanded != 0; }

private:
    // 32 bytes a node. Images are indices into the fourteen-image table.
    struct Node {
        const char* label;
        const CTagEntry* tag;
        std::uint32_t labelLength;
        Id parent;
        // While building: the number of children so far. After EndBuild: the id one past the
        // node's last child (its first child is the previous node's childEnd, or m_rootChildEnd).
        std::uint32_t childEnd;
        std::uint8_t image;
        std::uint8_t selectedImage;
        std::uint8_t expanded;
    };

    std::uint32_t ChildBegin(Id id) const noexcept;

    std::vector<Node> m_nodes;
    std::uint32_t m_rootChildCount = 0;
    bool m_built = false;
};

}  // namespace quarrow
