#include "tree/tag_tree_printer.h"

#include <charconv>
#include <vector>

namespace quarrow {

namespace {

// Walks the tree depth first without recursion (folders may nest as deep as the store says) and
// hands each node's line to `emit`.
template <typename Emit>
void WalkTree(const TagTree& tree, Emit&& emit) {
    struct Level {
        TagTree::Id parent;
        std::size_t row;
    };
    std::vector<Level> stack{{TagTree::kRoot, 0}};
    std::string line;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.row == tree.ChildCount(level.parent)) {
            stack.pop_back();
            continue;
        }
        const TagTree::Id id = tree.Child(level.parent, level.row++);
        const std::size_t depth = stack.size() - 1;
        const std::string_view label = tree.Label(id);
        line.assign(depth * 2, ' ');
        char number[16];
        const auto result = std::to_chars(number, number + sizeof number, tree.Image(id));
        line.append(number, result.ptr);
        line.push_back(' ');
        line.append(label);
        if (tree.IsExpanded(id)) {
            line.append(" [expanded]");
        }
        line.push_back('\n');
        emit(std::string_view(line));
        if (tree.ChildCount(id) != 0) {
            stack.push_back({id, 0});
        }
    }
}

}  // namespace

void PrintTagTree(const TagTree& tree, std::string& out) {
    WalkTree(tree, [&out](std::string_view line) { out.append(line); });
}

bool PrintTagTree(const TagTree& tree, std::FILE* file) {
    bool ok = true;
    WalkTree(tree, [&](std::string_view line) {
        if (ok && std::fwrite(line.data(), 1, line.size(), file) != line.size()) {
            ok = false;
        }
    });
    return ok && std::fflush(file) == 0;
}

}  // namespace quarrow
