#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tree/test_store.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tree_place.h"

namespace quarrow {
namespace {

std::string T(const std::string& name, const std::string& file, const std::string& kind = "m") {
    return name + '\t' + file + "\t/^  x;$/;\"\t" + kind + "\tline:1\n";
}

// A node written as its labels from the top, joined by '|', each with "#n" when it is the n-th
// (from 0) of equal labels among its siblings and n > 0.
std::string PathOf(const TagTree& tree, TagTree::Id id) {
    std::string path;
    for (; id != TagTree::kRoot; id = tree.Parent(id)) {
        const TagTree::Id parent = tree.Parent(id);
        int rank = 0;
        for (std::size_t row = 0; row < tree.Row(id); ++row) {
            rank += tree.Label(tree.Child(parent, row)) == tree.Label(id) ? 1 : 0;
        }
        std::string step(tree.Label(id));
        if (rank > 0) {
            step += '#' + std::to_string(rank);
        }
        path = path.empty() ? step : step + '|' + path;
    }
    return path;
}

TagTree::Id NodeAt(const TagTree& tree, const std::string& path) {
    TagTree::Id at = TagTree::kRoot;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t bar = path.find('|', start);
        const std::size_t end = bar == std::string::npos ? path.size() : bar;
        std::string label = path.substr(start, end - start);
        int rank = 0;
        if (const std::size_t hash = label.find('#'); hash != std::string::npos) {
            rank = std::stoi(label.substr(hash + 1));
            label.resize(hash);
        }
        TagTree::Id next = TagTree::kRoot;
        for (std::size_t row = 0; row < tree.ChildCount(at) && next == TagTree::kRoot; ++row) {
            const TagTree::Id child = tree.Child(at, row);
            if (tree.Label(child) == label && rank-- == 0) {
                next = child;
            }
        }
        if (next == TagTree::kRoot) {
            ADD_FAILURE() << "no node " << path;
            return TagTree::kRoot;
        }
        at = next;
        start = end + 1;
    }
    return at;
}

struct PlaceCase {
    const char* name;
    std::string before;  // tags in store order
    std::string after;
    std::vector<std::string> expanded;  // the place in the first tree
    std::string selected;               // "" for none
    std::string top;
    std::vector<std::string> wantExpanded;  // the place found in the second tree
    std::string wantSelected;
    std::string wantTop;
};

class TreePlaceTest : public testing::TestWithParam<PlaceCase> {};

TEST_P(TreePlaceTest, FindsTheSameNodesInTheNewTree) {
    const PlaceCase& c = GetParam();
    const TagStore beforeStore = test::MakeStore(c.before);
    const TagStore afterStore = test::MakeStore(c.after);
    TagTree before;
    TagTree after;
    BuildTagTree(before, beforeStore);
    BuildTagTree(after, afterStore);

    std::vector<TagTree::Id> open;
    for (const std::string& path : c.expanded) {
        open.push_back(NodeAt(before, path));
    }
    const auto nodeOrRoot = [](const TagTree& tree, const std::string& path) {
        return path.empty() ? TagTree::kRoot : NodeAt(tree, path);
    };
    const TreePlace place =
        CapturePlace(before, open, nodeOrRoot(before, c.selected), nodeOrRoot(before, c.top));
    // The place owns its texts: the first tree may go before it is used.
    const TreePlaceNodes found = FindPlace(after, place);

    std::vector<std::string> gotExpanded;
    for (const TagTree::Id id : found.expanded) {
        gotExpanded.push_back(PathOf(after, id));
    }
    const auto pathOrEmpty = [&](TagTree::Id id) { return id == TagTree::kRoot ? std::string() : PathOf(after, id); };
    EXPECT_EQ(gotExpanded, c.wantExpanded);
    EXPECT_EQ(pathOrEmpty(found.selected), c.wantSelected);
    EXPECT_EQ(pathOrEmpty(found.top), c.wantTop);
}

const std::string kBase = T("A", "p/A.java", "c") + T("run", "p/A.java") + T("stop", "p/A.java") +
                          T("B", "p/B.java", "c") + T("go", "p/B.java") + T("C", "q/C.java", "c") +
                          T("size", "q/C.java", "f");

const PlaceCase kCases[] = {
    {"Unchanged", kBase, kBase, {"p", "p|A.java", "q"}, "p|A.java|run", "p|A.java",
     {"p", "p|A.java", "q"}, "p|A.java|run", "p|A.java"},
    {"SelectedMemberRemoved_SelectionDropped",
     kBase,
     T("A", "p/A.java", "c") + T("stop", "p/A.java") + T("B", "p/B.java", "c") + T("go", "p/B.java") +
         T("C", "q/C.java", "c") + T("size", "q/C.java", "f"),
     {"p", "p|A.java"}, "p|A.java|run", "p", {"p", "p|A.java"}, "", "p"},
    {"FolderRemoved_ItsNodesDroppedOthersKept",
     kBase, T("C", "q/C.java", "c") + T("size", "q/C.java", "f"),
     {"p", "p|B.java", "q", "q|C.java"}, "p|B.java|go", "p", {"q", "q|C.java"}, "", ""},
    {"NodesAdded_AppearFoldedAndThePlaceStays",
     kBase,
     T("A", "p/A.java", "c") + T("begin", "p/A.java") + T("run", "p/A.java") + T("stop", "p/A.java") +
         T("AA", "p/AA.java", "c") + T("B", "p/B.java", "c") + T("go", "p/B.java") + T("x", "n/N.java") +
         T("C", "q/C.java", "c") + T("size", "q/C.java", "f"),
     {"p", "p|A.java"}, "p|A.java|run", "q", {"p", "p|A.java"}, "p|A.java|run", "q"},
    {"Renamed_FileAndMemberDropped",
     kBase,
     T("A", "p/A2.java", "c") + T("run", "p/A2.java") + T("stop", "p/A2.java") + T("B", "p/B.java", "c") +
         T("going", "p/B.java") + T("C", "q/C.java", "c") + T("size", "q/C.java", "f"),
     {"p", "p|A.java", "p|B.java"}, "p|B.java|go", "", {"p", "p|B.java"}, "", ""},
    {"MemberMovedToAnotherFile_IsNotTheSameNode",
     kBase,
     T("A", "p/A.java", "c") + T("stop", "p/A.java") + T("B", "p/B.java", "c") + T("go", "p/B.java") +
         T("run", "p/B.java") + T("C", "q/C.java", "c") + T("size", "q/C.java", "f"),
     {"p", "p|A.java"}, "p|A.java|run", "", {"p", "p|A.java"}, "", ""},
    {"EqualLabels_KeepTheirRankInTheFile",
     T("K", "K.java", "c") + T("put", "K.java") + T("put", "K.java") + T("put", "K.java"),
     T("K", "K.java", "c") + T("get", "K.java") + T("put", "K.java") + T("put", "K.java") + T("put", "K.java") +
         T("put", "K.java"),
     {"K.java"}, "K.java|put#1", "K.java|put#2", {"K.java"}, "K.java|put#1", "K.java|put#2"},
    {"EqualLabels_RankBeyondTheNewCountIsDropped",
     T("K", "K.java", "c") + T("put", "K.java") + T("put", "K.java"), T("K", "K.java", "c") + T("put", "K.java"),
     {"K.java"}, "K.java|put#1", "", {"K.java"}, "", ""},
    {"FolderSplitByTheFileOrder_EachPartKeptApart",
     T("x", "a/B.java") + T("y", "a/b/C.java") + T("z", "a/D.java"),
     T("x", "a/B.java") + T("y", "a/b/C.java") + T("w", "a/b/E.java") + T("z", "a/D.java"),
     {"a#1", "a#1|D.java"}, "a#1|D.java|z", "a#1", {"a#1", "a#1|D.java"}, "a#1|D.java|z", "a#1"},
    {"FileWithoutFolder_KeptByItsLabel",
     T("main", "Main.java") + T("x", "p/X.java"), T("helper", "Main.java") + T("main", "Main.java") + T("x", "p/X.java"),
     {"Main.java"}, "Main.java|main", "Main.java", {"Main.java"}, "Main.java|main", "Main.java"},
    {"EmptyAfter_NothingFound", kBase, "", {"p", "p|A.java"}, "p|A.java|run", "p", {}, "", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, TreePlaceTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quarrow
