#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/tree/test_store.h"
#include "tests/tree/tree_consistency.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_printer.h"

namespace quarrow {
namespace {

using test::ExpectConsistent;

TEST(TagTree, EmptyTreeHasARootWithoutChildren) {
    TagTree tree;
    tree.EndBuild();
    EXPECT_TRUE(tree.IsBuilt());
    EXPECT_EQ(tree.NodeCount(), 0u);
    EXPECT_EQ(tree.ChildCount(TagTree::kRoot), 0u);
}

// A reference tree of plain nested vectors, built by the same appends, in any order of parents.
struct RefNode {
    std::string label;
    std::vector<std::size_t> children;
};

std::string PrintRef(const std::vector<RefNode>& nodes, const std::vector<std::size_t>& top) {
    std::string out;
    std::vector<std::pair<std::size_t, std::size_t>> stack;  // node, depth
    for (auto it = top.rbegin(); it != top.rend(); ++it) {
        stack.emplace_back(*it, 0);
    }
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        out += std::string(depth * 2, ' ') + "0 " + nodes[node].label + '\n';
        const auto& children = nodes[node].children;
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            stack.emplace_back(*it, depth + 1);
        }
    }
    return out;
}

TEST(TagTree, AnyAppendOrderKeepsEachParentsChildrenInOrder) {
    std::mt19937 random(12345);
    for (int round = 0; round < 50; ++round) {
        TagTree tree;
        std::vector<RefNode> ref;
        std::vector<std::size_t> top;
        std::vector<std::string> labels;  // the tree views them
        const int count = static_cast<int>(random() % 200);
        labels.reserve(count);
        // Half the nodes follow their previous sibling (a file's tags in turn, kept as one run of
        // ids), the others go under any node (children interleaved with other parents').
        bool topLevel = true;
        std::size_t parent = 0;
        for (int i = 0; i < count; ++i) {
            labels.push_back("n" + std::to_string(i));
            if (ref.empty() || random() % 2 == 0) {
                topLevel = ref.empty() || random() % 5 == 0;
                parent = topLevel ? 0 : random() % ref.size();
            }
            const auto handle = tree.AppendNode(topLevel ? TagTree::kNoNode : static_cast<TagTree::Id>(parent),
                                                labels.back(), 0, nullptr);
            ASSERT_EQ(handle, static_cast<TagTree::Id>(i));
            ref.push_back({labels.back(), {}});
            (topLevel ? top : ref[parent].children).push_back(i);
        }
        tree.EndBuild();
        ExpectConsistent(tree);
        // Handles stay the node ids.
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(tree.Label(static_cast<TagTree::Id>(i)), labels[i]);
        }
        std::string printed;
        PrintTagTree(tree, printed);
        EXPECT_EQ(printed, PrintRef(ref, top)) << "round " << round;
    }
}

TEST(TagTree, ImagesAndExpansionFollowTheirNodes) {
    TagTree tree;
    const std::string_view labels[] = {"dir", "file", "member", "other"};
    const auto dir = tree.AppendNode(TagTree::kNoNode, labels[0], 12, nullptr);
    const auto other = tree.AppendNode(TagTree::kNoNode, labels[3], 12, nullptr);
    const auto file = tree.AppendNode(dir, labels[1], 11, nullptr);
    tree.AppendNode(file, labels[2], 7, nullptr);
    tree.AppendNode(other, labels[2], 1, nullptr);
    tree.ExpandNode(file);
    tree.EndBuild();
    ExpectConsistent(tree);
    std::string printed;
    PrintTagTree(tree, printed);
    EXPECT_EQ(printed, "12 dir\n  11 file [expanded]\n    7 member\n12 other\n  1 member\n");

    const TagTree::Id folder = tree.Child(TagTree::kRoot, 1);
    tree.SetImage(folder, 13);
    EXPECT_EQ(tree.Image(folder), 13);
    EXPECT_EQ(tree.Label(folder), "other");
}

TEST(TagTree, DeepNestingKeepsParentsAndIndent) {
    TagTree tree;
    const std::string_view label = "x";
    TagTree::Handle parent = TagTree::kNoNode;
    for (int depth = 0; depth < 3000; ++depth) {
        parent = tree.AppendNode(parent, label, 0, nullptr);
    }
    tree.EndBuild();
    EXPECT_EQ(tree.Parent(tree.NodeCount() - 1), tree.NodeCount() - 2);
    std::string printed;
    PrintTagTree(tree, printed);
    EXPECT_EQ(printed.size(), 3000u * 4 + 3000u * 2999u);
}

TEST(TagTree, LabelsInsideOrOutsideTheirRecordReadBackTheSame) {
    const TagStore store = test::MakeStore("name\tdir/File.java\t/^x$/;\"\tm\n");
    const CTagEntry* tag = &store[0];
    const std::string outside = "elsewhere";
    TagTree tree;
    const auto inLine = tree.AppendNode(TagTree::kNoNode, tag->GetName(), 4, tag);
    const auto tail = tree.AppendNode(TagTree::kNoNode, tag->GetFile().substr(4), 11, tag);
    const auto other = tree.AppendNode(TagTree::kNoNode, outside, 4, tag);
    const auto empty = tree.AppendNode(TagTree::kNoNode, {}, 12, nullptr);
    tree.EndBuild();
    EXPECT_EQ(tree.Label(inLine), "name");
    EXPECT_EQ(tree.Label(inLine).data(), tag->GetText().data());
    EXPECT_EQ(tree.Label(tail), "File.java");
    EXPECT_EQ(tree.Label(other), "elsewhere");
    EXPECT_EQ(tree.Label(other).data(), outside.data());
    EXPECT_EQ(tree.Label(empty), "");
    EXPECT_EQ(tree.Tag(other), tag);
    EXPECT_EQ(tree.Tag(empty), nullptr);
}

TEST(TagTree, RecordsInsideOrOutsideTheRecordRangeReadBackTheSame) {
    const TagStore store = test::MakeStore("a\tA.java\t/^x$/;\"\tm\nb\tB.java\t/^x$/;\"\tm\n");
    const TagStore other = test::MakeStore("c\tC.java\t/^x$/;\"\tm\n");
    TagTree tree;
    tree.SetRecordRange(&store[0], 1);  // the second record lies outside the range
    const auto first = tree.AppendNode(TagTree::kNoNode, store[0].GetName(), 4, &store[0]);
    const auto second = tree.AppendNode(TagTree::kNoNode, store[1].GetName(), 4, &store[1]);
    const auto third = tree.AppendNode(first, other[0].GetFile(), 11, &other[0]);
    const auto none = tree.AppendNode(first, "folder", 12, nullptr);
    tree.EndBuild();
    EXPECT_EQ(tree.Tag(first), &store[0]);
    EXPECT_EQ(tree.Tag(second), &store[1]);
    EXPECT_EQ(tree.Tag(third), &other[0]);
    EXPECT_EQ(tree.Tag(none), nullptr);
    EXPECT_EQ(tree.Label(second), "b");
    EXPECT_EQ(tree.Label(third), "C.java");
    EXPECT_EQ(tree.Label(none), "folder");
}

TEST(TagTree, AppendingAfterEndBuildNeedsAnotherEndBuild) {
    TagTree tree;
    const std::string_view labels[] = {"a", "b"};
    const auto a = tree.AppendNode(TagTree::kNoNode, labels[0], 0, nullptr);
    tree.EndBuild();
    tree.AppendNode(a, labels[1], 0, nullptr);
    EXPECT_FALSE(tree.IsBuilt());
    tree.EndBuild();
    ExpectConsistent(tree);
    EXPECT_EQ(tree.ChildCount(a), 1u);
}

}  // namespace
}  // namespace quarrow
