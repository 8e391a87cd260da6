#include "tree/tag_tree_filter.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

#include "tags/tag_entry.h"

namespace quarrow {
namespace {

constexpr unsigned char Fold(unsigned char byte) noexcept {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Per node while a filter is made (freed afterwards).
enum : std::uint8_t {
    kMatched = 1,  // the node's own label contains the text
    kKept = 2,
    kOpen = 4,     // shown open: a member below it is kept for its own label
    kWhole = 8,    // everything below is kept (a file kept by its name)
    kFile = 16,
    kMember = 32,
};

// Nodes between two looks at the cancel flag.
constexpr std::size_t kCancelStride = 8192;

}  // namespace

TagFilterText::TagFilterText(std::string_view text, CodePage cp) : m_cp(cp) {
    m_text.reserve(text.size());
    m_folds.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t width = CharWidthAt(cp, text, i);
        if (width == 2) {
            m_text.append(text.substr(i, 2));
            m_folds.append(2, '\0');
        } else {
            const auto byte = static_cast<unsigned char>(text[i]);
            m_text.push_back(static_cast<char>(Fold(byte)));
            m_folds.push_back(Fold(byte) != byte || (byte >= 'a' && byte <= 'z') ? '\1' : '\0');
        }
        i += width;
    }
}

bool TagFilterText::IsIn(std::string_view label) const noexcept {
    const std::size_t size = m_text.size();
    if (size == 0) {
        return true;
    }
    if (label.size() < size) {
        return false;
    }
    const auto* needle = reinterpret_cast<const unsigned char*>(m_text.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(label.data());
    const std::size_t last = label.size() - size;
    if (m_cp != CodePage::ShiftJis) {
        // Byte-wise: folding a byte that is not an ASCII letter changes nothing.
        const unsigned char first = needle[0];
        for (std::size_t i = 0; i <= last; ++i) {
            if (Fold(bytes[i]) != first) {
                continue;
            }
            std::size_t j = 1;
            while (j < size && Fold(bytes[i + j]) == needle[j]) {
                ++j;
            }
            if (j == size) {
                return true;
            }
        }
        return false;
    }
    // Code page 932: start only on a character boundary and fold only where the text has a
    // single-byte letter. Both start on a boundary and agree byte for byte, so their characters
    // line up: a folded byte of the text always meets a single-byte character of the label.
    for (std::size_t i = 0; i <= last; i += CharWidthAt(m_cp, label, i)) {
        std::size_t j = 0;
        while (j < size) {
            const unsigned char byte = m_folds[j] != 0 ? Fold(bytes[i + j]) : bytes[i + j];
            if (byte != needle[j]) {
                break;
            }
            ++j;
        }
        if (j == size) {
            return true;
        }
    }
    return false;
}

bool TagFilterText::Narrows(const TagFilterText& wider) const noexcept {
    // A label containing this text contains every part of it on a character boundary.
    return m_cp == wider.m_cp && !wider.Empty() && FindText(m_cp, m_text, wider.m_text) != std::string_view::npos;
}

bool TagTreeFilter::Apply(const TagTree& tree, const TagFilterText& text, const TagTreeFilter* previous,
                          Cancel cancel) {
    assert(tree.IsBuilt());
    m_text = text;
    m_tree = &tree;
    m_begin.clear();
    m_children.clear();
    m_rootCount = 0;
    const std::size_t count = tree.NodeCount();
    if (text.Empty() || count == 0) {
        m_begin.assign(count + 1, 0);
        return true;
    }
    if (count >= kFlag) {
        throw std::length_error("TagTreeFilter: too many nodes");
    }
    std::vector<std::uint8_t> flags(count, 0);
    auto cancelled = [&] {
        m_begin.assign(count + 1, 0);
        return false;
    };

    // What each node is. A node's parent always comes before it (ids are given in append order),
    // so one pass upward settles every kind.
    for (Id id = 0; id < count; ++id) {
        if (tree.Tag(id) == nullptr) {
            continue;  // a folder
        }
        const Id parent = tree.Parent(id);
        flags[id] = (parent == TagTree::kRoot || tree.Tag(parent) == nullptr) ? kFile : kMember;
    }

    // The labels that contain the text: every node with a tag, or only the previous matches when
    // this text narrows the previous one.
    const bool narrowing = previous != nullptr && previous->m_tree == &tree && text.Narrows(previous->m_text);
    if (narrowing) {
        std::size_t done = 0;
        for (const Id entry : previous->m_children) {
            if ((entry & kFlag) == 0) {
                continue;
            }
            const Id id = entry & ~kFlag;
            if (text.IsIn(tree.Label(id))) {
                flags[id] |= kMatched;
            }
            if (++done % kCancelStride == 0 && cancel.Requested()) {
                return cancelled();
            }
        }
    } else {
        // Labels view lines scattered over the file: ask for a later node's label now so that the
        // cache misses overlap.
        constexpr Id kAhead = 16;
        for (Id id = 0; id < count; ++id) {
            if (id + kAhead < count && flags[id + kAhead] != 0) {
                __builtin_prefetch(tree.Label(id + kAhead).data());
            }
            if (flags[id] != 0 && text.IsIn(tree.Label(id))) {
                flags[id] |= kMatched;
            }
            if (id % kCancelStride == 0 && cancel.Requested()) {
                return cancelled();
            }
        }
    }

    // Downward: a file kept by its name keeps everything below it; a member is kept by its label.
    for (Id id = 0; id < count; ++id) {
        std::uint8_t& f = flags[id];
        const Id parent = tree.Parent(id);
        if (parent != TagTree::kRoot && (flags[parent] & kWhole) != 0) {
            f |= kKept | kWhole;
        }
        if ((f & kMatched) != 0) {
            f |= (f & kFile) != 0 ? kKept | kWhole : kKept;
        }
    }
    // Upward: a member kept for its own label (or above one) opens its parent and keeps it; a
    // kept file keeps its folder open.
    for (Id id = static_cast<Id>(count); id-- > 0;) {
        const std::uint8_t f = flags[id];
        const Id parent = tree.Parent(id);
        if (parent == TagTree::kRoot || (f & kKept) == 0) {
            continue;
        }
        const bool shows = (f & kMember) != 0 ? (f & (kMatched | kOpen)) != 0 : true;
        if (shows) {
            flags[parent] |= kKept | kOpen;
        }
    }

    // The index: count each parent's kept children, turn the counts into starts, place the
    // children (ids ascend within a parent, so rows keep their order), then shift the starts back.
    m_begin.assign(count + 1, 0);
    for (Id id = 0; id < count; ++id) {
        if ((flags[id] & kKept) == 0) {
            continue;
        }
        const Id parent = tree.Parent(id);
        ++(parent == TagTree::kRoot ? m_rootCount : m_begin[parent]);
    }
    std::uint32_t start = m_rootCount;
    for (std::size_t id = 0; id < count; ++id) {
        const std::uint32_t children = m_begin[id];
        m_begin[id] = start;
        start += children;
    }
    m_begin[count] = start;
    m_children.resize(start);
    std::uint32_t rootCursor = 0;
    for (Id id = 0; id < count; ++id) {
        const std::uint8_t f = flags[id];
        if ((f & kKept) == 0) {
            continue;
        }
        const Id parent = tree.Parent(id);
        const Id entry = (f & kMatched) != 0 ? (id | kFlag) : id;
        m_children[parent == TagTree::kRoot ? rootCursor++ : m_begin[parent]++] = entry;
    }
    for (std::size_t id = count; id > 0; --id) {
        m_begin[id] = m_begin[id - 1];
    }
    m_begin[0] = m_rootCount;
    for (Id id = 0; id < count; ++id) {
        if ((flags[id] & (kKept | kOpen)) == (kKept | kOpen)) {
            m_begin[id] |= kFlag;
        }
    }
    return true;
}

std::size_t TagTreeFilter::ChildCount(Id id) const noexcept {
    if (id == TagTree::kRoot) {
        return m_rootCount;
    }
    return (m_begin[id + 1] & ~kFlag) - (m_begin[id] & ~kFlag);
}

TagTree::Id TagTreeFilter::Child(Id parent, std::size_t row) const noexcept {
    assert(row < ChildCount(parent));
    const std::size_t first = parent == TagTree::kRoot ? 0 : (m_begin[parent] & ~kFlag);
    return m_children[first + row] & ~kFlag;
}

std::size_t TagTreeFilter::Row(const TagTree& tree, Id id) const noexcept {
    const Id parent = tree.Parent(id);
    const std::size_t first = parent == TagTree::kRoot ? 0 : (m_begin[parent] & ~kFlag);
    const auto begin = m_children.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = begin + static_cast<std::ptrdiff_t>(ChildCount(parent));
    const auto found = std::lower_bound(begin, end, id, [](Id entry, Id wanted) { return (entry & ~kFlag) < wanted; });
    return static_cast<std::size_t>(found - begin);
}

std::vector<TagTree::Id> TagTreeFilter::ExpandedNodes() const {
    std::vector<Id> open;
    for (Id id = 0; id + 1 < m_begin.size(); ++id) {
        if ((m_begin[id] & kFlag) != 0) {
            open.push_back(id);
        }
    }
    return open;
}

TagTree::Id TagTreeFilter::FirstMember(const TagTree& tree) const noexcept {
    // Depth first over the kept nodes: folders and files lead to their members.
    std::vector<std::pair<Id, std::size_t>> stack{{TagTree::kRoot, 0}};
    while (!stack.empty()) {
        auto& [parent, row] = stack.back();
        if (row == ChildCount(parent)) {
            stack.pop_back();
            continue;
        }
        const Id id = Child(parent, row++);
        if (parent != TagTree::kRoot && tree.Tag(id) != nullptr && tree.Tag(parent) != nullptr) {
            return id;
        }
        if (ChildCount(id) != 0) {
            stack.emplace_back(id, 0);
        }
    }
    return TagTree::kRoot;
}

std::size_t TagTreeFilter::MemoryBytes() const noexcept {
    return m_begin.capacity() * sizeof(std::uint32_t) + m_children.capacity() * sizeof(Id);
}

}  // namespace quarrow
