#pragma once
// Checks that a built tag tree hangs together: every node is its parent's child at its row, and
// every node is reached exactly once from the root. Free of the test framework: the fuzz targets
// use it too.

#include <cstddef>
#include <string>
#include <vector>

#include "tree/tag_tree.h"

namespace quarrow::test {

// What is wrong with `tree` first, or an empty text when it hangs together.
inline std::string FirstInconsistency(const TagTree& tree) {
    std::size_t reached = 0;
    std::vector<TagTree::Id> pending{TagTree::kRoot};
    while (!pending.empty()) {
        const TagTree::Id parent = pending.back();
        pending.pop_back();
        for (std::size_t row = 0; row < tree.ChildCount(parent); ++row) {
            const TagTree::Id child = tree.Child(parent, row);
            if (child >= tree.NodeCount()) {
                return "child " + std::to_string(child) + " of " + std::to_string(parent) + " is no node";
            }
            if (tree.Parent(child) != parent) {
                return "node " + std::to_string(child) + " names another parent than " + std::to_string(parent);
            }
            if (tree.Row(child) != row) {
                return "node " + std::to_string(child) + " names another row than " + std::to_string(row);
            }
            if (++reached > tree.NodeCount()) {
                return "a node is reached more than once";
            }
            pending.push_back(child);
        }
    }
    if (reached != tree.NodeCount()) {
        return std::to_string(reached) + " of " + std::to_string(tree.NodeCount()) + " nodes reached from the root";
    }
    return {};
}

}  // namespace quarrow::test

