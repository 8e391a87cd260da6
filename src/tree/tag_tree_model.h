#pragma once
// The abstract tree that the tag tree builder writes: an ordered forest of nodes, each with a
// label, an image, a selected image and the tag record it stands for. The window implements it
// over its tree; the compact TagTree implements it in memory for the window's item model,
// the command-line tool and the tests.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quarrow {

class CTagEntry;

class TagTreeModel {
public:
    // A node is named by a small integer. kNoNode is the parent of the top-level nodes.
    using Handle = std::uint32_t;
    static constexpr Handle kNoNode = 0xFFFFFFFFu;

    virtual ~TagTreeModel() = default;

    // Removes every node.
    virtual void Clear() = 0;
    // Called by a build after Clear: at most `maxNodes` nodes follow, so room can be made once.
    virtual void ReserveNodes(std::size_t maxNodes) { static_cast<void>(maxNodes); }
    // Appends a node as the last child of `parent` (the last top-level node for kNoNode).
    // `label` views bytes of the tag store; the model may keep the view, so the store must
    // outlive the nodes. `data` is not owned and may be null.
    virtual Handle AppendNode(Handle parent, std::string_view label, int image, int selectedImage,
                              const CTagEntry* data) = 0;
    // Shows the node's children.
    virtual void ExpandNode(Handle node) = 0;
    // Called once after the last node of a build; a model that indexes its nodes does so here.
    virtual void EndBuild() {}
};

}  // namespace quarrow
