#include "tree/tag_tree_printer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <vector>

#include "tree/tag_tree_filter.h"

namespace quarrow {

namespace {

constexpr std::string_view kExpandedMark = " [expanded]";

// The whole tree as the builder made it. The builder appends nodes in about the order a walk
// meets them (exactly so without nesting), so the nodes a few ids ahead are the ones read next.
struct WholeTree {
    static constexpr bool kWalkFollowsIds = true;
    const TagTree& tree;
    std::size_t ChildCount(TagTree::Id id) const noexcept { return tree.ChildCount(id); }
    TagTree::Id Child(TagTree::Id parent, std::size_t row) const noexcept { return tree.Child(parent, row); }
    TagTree::Id FirstOfRun(TagTree::Id parent) const noexcept { return tree.FirstOfConsecutiveChildren(parent); }
    const TagTree::Id* ListOf(TagTree::Id parent) const noexcept { return tree.ListedChildren(parent); }
    bool IsExpanded(TagTree::Id id) const noexcept { return tree.IsExpanded(id); }
};

// Only the nodes a filter keeps, open as the filter says.
struct KeptTree {
    static constexpr bool kWalkFollowsIds = false;
    const TagTreeFilter& filter;
    std::size_t ChildCount(TagTree::Id id) const noexcept { return filter.ChildCount(id); }
    TagTree::Id Child(TagTree::Id parent, std::size_t row) const noexcept { return filter.Child(parent, row); }
    TagTree::Id FirstOfRun(TagTree::Id) const noexcept { return TagTree::kNoNode; }
    const TagTree::Id* ListOf(TagTree::Id) const noexcept { return nullptr; }
    bool IsExpanded(TagTree::Id id) const noexcept { return filter.IsExpanded(id); }
};

// Walks the shape depth first without recursion (folders may nest as deep as the store says) and
// hands each node's line to `sink` as (indent, image, label, expanded).
template <typename Shape, typename Sink>
void WalkTree(const TagTree& tree, const Shape& shape, Sink&& sink) {
    struct Level {
        TagTree::Id parent;
        TagTree::Id run;  // the first child when the children are consecutive ids, else kNoNode
        const TagTree::Id* list;  // else the children, when the shape has them side by side
        std::size_t row;
        std::size_t count;
    };
    auto open = [&shape](TagTree::Id parent, std::size_t count) {
        const TagTree::Id run = shape.FirstOfRun(parent);
        return Level{parent, run, run == TagTree::kNoNode ? shape.ListOf(parent) : nullptr, 0, count};
    };
    auto childAt = [&shape](const Level& level, std::size_t row) {
        if (level.run != TagTree::kNoNode) {
            return static_cast<TagTree::Id>(level.run + row);
        }
        return level.list != nullptr ? level.list[row] : shape.Child(level.parent, row);
    };
    // Labels view lines scattered over the file's bytes, and a node reaches its line through its
    // record: the record is asked for further ahead than the label, so that both misses overlap
    // with the work on the lines before.
    constexpr std::size_t kLabelAhead = 8;
    constexpr std::size_t kRecordAhead = 2 * kLabelAhead;
    const std::size_t nodeCount = tree.NodeCount();
    std::vector<Level> stack{open(TagTree::kRoot, shape.ChildCount(TagTree::kRoot))};
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.row == level.count) {
            stack.pop_back();
            continue;
        }
        const TagTree::Id id = childAt(level, level.row);
        if constexpr (Shape::kWalkFollowsIds) {
            if (id + kRecordAhead < nodeCount) {
                tree.PrefetchRecord(static_cast<TagTree::Id>(id + kRecordAhead));
            }
            if (id + kLabelAhead < nodeCount) {
                tree.PrefetchLabel(static_cast<TagTree::Id>(id + kLabelAhead));
            }
        } else {
            if (level.row + kRecordAhead < level.count) {
                tree.PrefetchRecord(childAt(level, level.row + kRecordAhead));
            }
            if (level.row + kLabelAhead < level.count) {
                tree.PrefetchLabel(childAt(level, level.row + kLabelAhead));
            }
        }
        ++level.row;
        sink((stack.size() - 1) * 2, tree.Image(id), tree.Label(id), shape.IsExpanded(id));
        if (const std::size_t children = shape.ChildCount(id); children != 0) {
            stack.push_back(open(id, children));
        }
    }
}

// Copies a label: most are a few words long, and a library call for each costs more than the
// copy (two overlapping moves cover any length up to twice their width).
inline char* CopyLabel(char* p, std::string_view label) noexcept {
    const char* from = label.data();
    const std::size_t n = label.size();
    if (n >= 8 && n <= 16) {
        std::memcpy(p, from, 8);
        std::memcpy(p + n - 8, from + n - 8, 8);
    } else if (n > 16 && n <= 32) {
        std::memcpy(p, from, 16);
        std::memcpy(p + n - 16, from + n - 16, 16);
    } else if (n >= 4 && n < 8) {
        std::memcpy(p, from, 4);
        std::memcpy(p + n - 4, from + n - 4, 4);
    } else if (n != 0) {
        std::memcpy(p, from, n);
    }
    return p + n;
}

// Writes one line at `p`, which has room for LineSize bytes; returns the end.
char* WriteLine(char* p, std::size_t indent, int image, std::string_view label, bool expanded) {
    p = std::fill_n(p, indent, ' ');
    p = std::to_chars(p, p + 11, image).ptr;
    *p++ = ' ';
    p = CopyLabel(p, label);
    if (expanded) {
        p = std::copy(kExpandedMark.begin(), kExpandedMark.end(), p);
    }
    *p++ = '\n';
    return p;
}

std::size_t LineSize(std::size_t indent, std::string_view label) {
    return indent + 11 + 1 + label.size() + kExpandedMark.size() + 1;
}

template <typename Shape>
void PrintShape(const TagTree& tree, const Shape& shape, std::string& out) {
    WalkTree(tree, shape, [&out](std::size_t indent, int image, std::string_view label, bool expanded) {
        const std::size_t start = out.size();
        out.resize(start + LineSize(indent, label));
        char* end = WriteLine(out.data() + start, indent, image, label, expanded);
        out.resize(static_cast<std::size_t>(end - out.data()));
    });
}

template <typename Shape>
bool PrintShape(const TagTree& tree, const Shape& shape, std::FILE* file) {
    // Lines are gathered into blocks with plain stores: a million lines of small appends or
    // writes would cost more than the walk.
    constexpr std::size_t kBlock = 1 << 16;
    const auto block = std::make_unique_for_overwrite<char[]>(kBlock);
    std::size_t used = 0;
    bool ok = true;
    auto write = [&](const char* data, std::size_t size) {
        if (ok && size != 0 && std::fwrite(data, 1, size, file) != size) {
            ok = false;
        }
    };
    std::string longLine;  // a line larger than the block (a very deep or long one)
    WalkTree(tree, shape, [&](std::size_t indent, int image, std::string_view label, bool expanded) {
        const std::size_t size = LineSize(indent, label);
        if (used + size > kBlock) {
            write(block.get(), used);
            used = 0;
        }
        if (size > kBlock) {
            longLine.resize(size);
            char* end = WriteLine(longLine.data(), indent, image, label, expanded);
            write(longLine.data(), static_cast<std::size_t>(end - longLine.data()));
            return;
        }
        used = static_cast<std::size_t>(WriteLine(block.get() + used, indent, image, label, expanded) - block.get());
    });
    write(block.get(), used);
    return ok && std::fflush(file) == 0;
}

}  // namespace

void PrintTagTree(const TagTree& tree, std::string& out) { PrintShape(tree, WholeTree{tree}, out); }

bool PrintTagTree(const TagTree& tree, std::FILE* file) { return PrintShape(tree, WholeTree{tree}, file); }

void PrintTagTree(const TagTree& tree, const TagTreeFilter& filter, std::string& out) {
    PrintShape(tree, KeptTree{filter}, out);
}

bool PrintTagTree(const TagTree& tree, const TagTreeFilter& filter, std::FILE* file) {
    return PrintShape(tree, KeptTree{filter}, file);
}

}  // namespace quarrow
