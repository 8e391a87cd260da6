#pragma once
// Checks that a built tag tree hangs together: every node is its parent's child at its row, and
// every node is reached exactly once from the root.

#include <gtest/gtest.h>

#include <vector>

#include "tree/tag_tree.h"

namespace quarrow::test {

inline void ExpectConsistent(const TagTree& tree) {
    std::size_t reached = 0;
    std::vector<TagTree::Id> pending{TagTree::kRoot};
    while (!pending.empty()) {
        const TagTree::Id parent = pending.back();
        pending.pop_back();
        for (std::size_t row = 0; row < tree.ChildCount(parent); ++row) {
            const TagTree::Id child = tree.Child(parent, row);
            ASSERT_LT(child, tree.NodeCount());
            ASSERT_EQ(tree.Parent(child), parent) << child;
            ASSERT_EQ(tree.Row(child), row) << child;
            ++reached;
            pending.push_back(child);
        }
    }
    EXPECT_EQ(reached, tree.NodeCount());
}

}  // namespace quarrow::test
