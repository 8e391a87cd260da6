#pragma once
// The user's place in a tag tree (the open folders and files, the selected node and the first
// row shown) named by what the user sees, so that it can be found again in the tree of a newer
// reading of the same tags file: a folder by its label, a file by its folder and its label, a
// member by its file, its label and its rank among the equal labels of that file. A label that
// occurs more than once in one scope (a folder split by the file order, overloaded methods) is
// told apart by its rank among the equal ones: in tree order, and inside a file in the order of
// the lines of the tags file (the records lie in it, whatever the nesting). Nodes that are gone
// are dropped.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tree/tag_tree.h"

namespace quarrow {

// One step of a node's name: its label and how many equal labels come before it in its scope.
struct PlaceStep {
    std::string label;
    std::uint32_t rank = 0;
    bool operator==(const PlaceStep&) const = default;
};

// A node's name: the top-level node (folder, or file without folder), then the file inside the
// folder, then the member inside the file; one to three steps. A member nested below another
// member is still named inside its file, so a change of nesting does not lose it.
using PlaceKey = std::vector<PlaceStep>;

struct TreePlace {
    std::vector<PlaceKey> expanded;   // parents before their children
    std::optional<PlaceKey> selected;
    std::optional<PlaceKey> top;      // the first row shown
    // Nothing the user chose: no open node and no selection.
    bool Empty() const noexcept { return expanded.empty() && !selected; }
};

// The same place as nodes of one tree; kRoot where a node was not found.
struct TreePlaceNodes {
    std::vector<TagTree::Id> expanded;
    TagTree::Id selected = TagTree::kRoot;
    TagTree::Id top = TagTree::kRoot;
};

// Names the nodes of a built tree, and finds named nodes in it. Keeps what it learnt of the
// tree's scopes, so naming or finding many nodes costs each scope one pass; the tree must not
// change while the namer is used.
class TreePlaceIndex {
public:
    explicit TreePlaceIndex(const TagTree& tree) : m_tree(tree) {}
    TreePlaceIndex(const TreePlaceIndex&) = delete;
    TreePlaceIndex& operator=(const TreePlaceIndex&) = delete;

    PlaceKey KeyOf(TagTree::Id id);
    // kRoot when the tree has no such node.
    TagTree::Id Find(const PlaceKey& key);

private:
    // The nodes of one scope by label, each list in tree order: a node's rank is its place in
    // its list. The scope of the root and of a folder is its children; a file's is every node
    // below it.
    using Scope = std::unordered_map<std::string_view, std::vector<TagTree::Id>>;
    const Scope& ScopeOf(TagTree::Id scopeNode);
    TagTree::Id FindIn(TagTree::Id scopeNode, const PlaceStep& step);
    PlaceStep StepOf(TagTree::Id scopeNode, TagTree::Id id);

    const TagTree& m_tree;
    std::unordered_map<TagTree::Id, Scope> m_scopes;
};

// The place in `tree` of the given open nodes (in any order), selected node and top row (kRoot
// for none).
TreePlace CapturePlace(const TagTree& tree, std::span<const TagTree::Id> expanded, TagTree::Id selected,
                       TagTree::Id top);

// Finds a place in another tree. Expanded nodes come out parents first; nodes that no longer
// exist are left out.
TreePlaceNodes FindPlace(const TagTree& tree, const TreePlace& place);

}  // namespace quarrow
