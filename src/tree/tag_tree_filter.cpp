#include "tree/tag_tree_filter.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>

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
};

// Nodes between two looks at the cancel flag.
constexpr std::size_t kCancelStride = 8192;

// Which bytes a label holds, in the low 31 bits: one for each ASCII letter (either case) and
// one for '_', which name a byte exactly, and four classes for every other byte. A label holding a
// text holds every bit the text does, so most labels are ruled out without reading them again,
// and a text of one letter or '_' is answered by the bits alone. Bit 31 says the node is a member
// (a node with a tag under one with a tag), so that the passes over every node need not read the
// tree's nodes to know it. The high 32 bits hold the label's pairs of adjacent bytes, each hashed
// to one bit: a text's pairs are all in every label that holds it, and on a million Java names
// they rule out about half of the labels that the letters let through for a text of two or three
// letters (the keys that read the most labels).
using Signature = std::uint64_t;
constexpr Signature kMemberBit = Signature{1} << 31;
constexpr unsigned BitOf(unsigned char byte) noexcept {
    const unsigned char folded = Fold(byte);
    if (folded >= 'a' && folded <= 'z') {
        return folded - 'a';
    }
    return folded == '_' ? 26u : 27u + folded % 4u;
}
constexpr bool IsExactBit(unsigned bit) noexcept { return bit <= 26u; }
constexpr unsigned PairBitOf(unsigned char first, unsigned char second) noexcept {
    const std::uint32_t pair = std::uint32_t{Fold(first)} << 8 | Fold(second);
    return 32u + ((pair * 2654435761u) >> 27);  // the top 5 bits of a multiplicative hash
}

Signature SignatureOf(std::string_view label) noexcept {
    Signature signature = 0;
    unsigned char before = 0;
    for (std::size_t i = 0; i < label.size(); ++i) {
        const auto byte = static_cast<unsigned char>(label[i]);
        signature |= Signature{1} << BitOf(byte);
        if (i != 0) {
            signature |= Signature{1} << PairBitOf(before, byte);
        }
        before = byte;
    }
    return signature;
}

// Runs classify(first, last) over [0, count) in two halves side by side, the second on a
// thread of its own (or after the first when no thread can be had). False when either half was
// cancelled.
template <typename Classify>
bool ClassifyInTwo(TagTree::Id count, Classify& classify) {
    constexpr TagTree::Id kWorthASecondThread = 1 << 16;
    if (count < kWorthASecondThread) {
        return classify(0, count);
    }
    const TagTree::Id half = count / 2;
    bool second = false;
    std::thread helper;
    try {
        helper = std::thread([&] { second = classify(half, count); });
    } catch (const std::system_error&) {
        second = classify(half, count);
    }
    const bool first = classify(0, half);
    if (helper.joinable()) {
        helper.join();
    }
    return first && second;
}

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
    m_hasKept.clear();
    m_parentsBefore.clear();
    m_children.clear();
    m_rootCount = 0;
    const std::size_t count = tree.NodeCount();
    // Kept when this filter is made from the same tree, or by an empty text (Signatures()).
    if (previous == nullptr || previous->m_tree != &tree) {
        m_signatures.reset();
    } else if (previous != this) {
        m_signatures = previous->m_signatures;
    }
    if (text.Empty() || count == 0) {
        m_hasKept.assign(count / 64 + 1, 0);  // nothing kept
        return true;
    }
    if (count >= kFlag) {
        throw std::length_error("TagTreeFilter: too many nodes");
    }
    std::vector<std::uint8_t> flags(count, 0);
    auto cancelled = [&] {
        m_hasKept.assign(count / 64 + 1, 0);  // nothing kept
        return false;
    };

    // The labels that contain the text are looked for among every node with a tag, or only
    // among the previous matches when this text narrows the previous one. Only the labels and
    // the nodes that may matter are read: the signatures rule out most labels, answer a text of
    // one letter alone, and below, only nodes with a flag are looked at again.
    const bool narrowing = previous != nullptr && previous != this && previous->m_tree == &tree &&
                           text.Narrows(previous->m_text);
    // The label signatures: the previous filter's when it was made from this tree, else made
    // while this one reads every label (not when it reads only the previous matches).
    std::shared_ptr<const std::vector<Signature>> known;
    if (previous != nullptr && previous->m_tree == &tree && previous->m_signatures &&
        previous->m_signatures->size() == count) {
        known = previous->m_signatures;
    }
    std::vector<Signature> made;
    if (!known && !narrowing) {
        made.resize(count);
    }
    const Signature needed = SignatureOf(text.Text());
    // One single-byte letter or '_': its bit says whether a label holds it. Under code page 932
    // a trail byte may set a letter's bit, so the labels are read there.
    const bool bitsAnswer = text.Text().size() == 1 && text.GetCodePage() != CodePage::ShiftJis &&
                            IsExactBit(BitOf(static_cast<unsigned char>(text.Text()[0])));
    // A folder's signature is 0 (its label is not matched), and every text's is not.
    auto mayHold = [&](Id id) { return ((*known)[id] & needed) == needed; };
    // A member is a node with a tag whose parent has one too (a file's parent is a folder or the
    // root). The signatures say it without reading the tree.
    auto isMember = [&](Id id) {
        const Id parent = tree.Parent(id);
        return parent != TagTree::kRoot && tree.Tag(parent) != nullptr && tree.Tag(id) != nullptr;
    };
    auto member = [&](Id id) { return known ? ((*known)[id] & kMemberBit) != 0 : isMember(id); };
    // A matched member is kept at once; a matched file is kept with what is below it further on.
    auto matchedFlags = [](bool isAMember) -> std::uint8_t { return isAMember ? kMatched | kKept : kMatched; };

    // The labels to read, when not every one is: the previous matches, or the nodes whose
    // signature allows a match. Listed first, so that a label far ahead in the list can be asked
    // for while this one is compared.
    const bool listed = narrowing || (known && !bitsAnswer);
    std::vector<Id> candidates;
    if (narrowing) {
        for (const Id entry : previous->m_children) {
            if ((entry & kFlag) != 0 && (!known || mayHold(entry & ~kFlag))) {
                candidates.push_back(entry & ~kFlag);
            }
        }
    } else if (listed) {
        for (Id id = 0; id < count; ++id) {
            if (mayHold(id)) {
                candidates.push_back(id);
            }
        }
    }

    // Marks the nodes whose label contains the text among [first, last) of the ids to look at:
    // the candidates when they are listed, else every node. Ranges can be done side by side.
    // False when cancelled.
    auto match = [&](Id first, Id last) {
        // Labels view lines scattered over the file: ask for a later label now so that the
        // cache misses overlap.
        constexpr Id kAhead = 32;
        for (Id at = first; at < last; ++at) {
            if ((at - first) % kCancelStride == 0 && cancel.Requested()) {
                return false;
            }
            if (listed) {
                // Two misses a label: its record, then the line the record points into. The
                // record is asked for twice as far ahead, so that reading where the line is does
                // not wait for it.
                if (at + 2 * kAhead < last) {
                    __builtin_prefetch(tree.Tag(candidates[at + 2 * kAhead]));
                }
                if (at + kAhead < last) {
                    __builtin_prefetch(tree.Label(candidates[at + kAhead]).data());
                }
                const Id id = candidates[at];
                if (text.IsIn(tree.Label(id))) {
                    flags[id] = matchedFlags(member(id));
                }
            } else if (known) {
                if (mayHold(at)) {
                    flags[at] = matchedFlags(member(at));  // a text of one letter
                }
            } else {
                if (at + kAhead < last && tree.Tag(at + kAhead) != nullptr) {
                    __builtin_prefetch(tree.Label(at + kAhead).data());
                }
                if (tree.Tag(at) == nullptr) {
                    continue;  // a folder: its label is not matched
                }
                const bool isAMember = isMember(at);
                const Signature signature = SignatureOf(tree.Label(at));
                made[at] = isAMember ? signature | kMemberBit : signature;
                if ((signature & needed) == needed && text.IsIn(tree.Label(at))) {
                    flags[at] = matchedFlags(isAMember);
                }
            }
        }
        return true;
    };
    if (!ClassifyInTwo(static_cast<Id>(listed ? candidates.size() : count), match)) {
        return cancelled();
    }
    if (known) {
        m_signatures = std::move(known);
    } else if (!made.empty()) {
        m_signatures = std::make_shared<const std::vector<Signature>>(std::move(made));
    }

    // Downward: a file kept by its name (matched, not kept by the match as members are) keeps
    // everything below it. The flags are looked at eight at a time for the first such file;
    // from there one pass forward hands kWhole from each node to its children (a parent comes
    // before its children).
    constexpr std::uint64_t kEachByte = 0x0101010101010101u;
    const std::size_t words = count / 8;
    auto keptByName = [&](std::size_t id) { return (flags[id] & (kMatched | kKept)) == kMatched; };
    std::size_t firstFile = count;
    for (std::size_t word = 0; word < words && firstFile == count; ++word) {
        std::uint64_t eight;
        std::memcpy(&eight, flags.data() + word * 8, sizeof eight);
        if ((eight & ~(eight >> 1) & kEachByte * kMatched) != 0) {  // kKept is kMatched's next bit
            firstFile = word * 8;
        }
    }
    for (std::size_t id = std::min(firstFile, words * 8); id < count; ++id) {
        std::uint8_t& f = flags[id];
        if (keptByName(id)) {
            f |= kKept | kWhole;
            continue;
        }
        const Id parent = tree.Parent(static_cast<Id>(id));
        if (parent != TagTree::kRoot && (flags[parent] & kWhole) != 0) {
            f |= kKept | kWhole;
        }
    }

    // Upward (children before their parents: a parent is made before its children): a node kept
    // for its own label, or above one, opens its parent and keeps it; a kept file is such a node
    // (kept by its name or above a member), and a node kept only as part of a file kept by its
    // name is a member that leaves its parent as it is. Each parent's kept children are counted
    // on the way (at next[parent], for the pass after this one).
    std::vector<std::uint32_t> next(count + 1, 0);
    std::size_t kept = 0;
    std::size_t parents = 0;
    auto up = [&](Id id) {
        const std::uint8_t f = flags[id];
        if ((f & kKept) == 0) {
            return;
        }
        ++kept;
        const Id parent = tree.Parent(id);
        if (parent == TagTree::kRoot) {
            ++m_rootCount;
            return;
        }
        if (next[parent]++ == 0) {
            ++parents;
        }
        if ((f & (kMatched | kOpen)) != 0) {
            flags[parent] |= kKept | kOpen;
        }
    };
    for (std::size_t id = count; id > words * 8;) {
        up(static_cast<Id>(--id));
    }
    for (std::size_t word = words; word-- > 0;) {
        std::uint64_t eight;
        std::memcpy(&eight, flags.data() + word * 8, sizeof eight);
        if (eight == 0) {
            continue;  // eight nodes not kept
        }
        for (std::size_t id = word * 8 + 8; id > word * 8;) {
            up(static_cast<Id>(--id));
        }
    }

    // The index, in one pass forward: the counts become starts as the pass goes, and each kept
    // node is placed behind its parent's kept children so far (a parent comes before its
    // children, so its start is known by then; ids ascend within a parent, so rows keep their
    // order). While the pass runs, node p's next place is kept at next[p + 1]; node p's own count
    // is read from there just before.
    m_hasKept.assign(count / 64 + 1, 0);
    m_begin.reserve(parents + 1);
    m_children.resize(kept);
    std::uint32_t start = m_rootCount;
    std::uint32_t nextCount = next[0];
    std::uint32_t rootCursor = 0;
    for (std::size_t id = 0; id < count; ++id) {
        const std::uint32_t children = nextCount;
        nextCount = next[id + 1];
        next[id + 1] = start;
        const std::uint8_t f = flags[id];
        if (children != 0) {
            m_hasKept[id / 64] |= std::uint64_t{1} << (id % 64);
            m_begin.push_back((f & kOpen) != 0 ? start | kFlag : start);
        }
        start += children;
        if ((f & kKept) == 0) {
            continue;
        }
        const Id parent = tree.Parent(static_cast<Id>(id));
        const Id entry = (f & kMatched) != 0 ? (static_cast<Id>(id) | kFlag) : static_cast<Id>(id);
        m_children[parent == TagTree::kRoot ? rootCursor++ : next[parent + 1]++] = entry;
    }
    m_begin.push_back(start);
    m_parentsBefore.resize(m_hasKept.size());
    std::uint32_t before = 0;
    for (std::size_t word = 0; word < m_hasKept.size(); ++word) {
        m_parentsBefore[word] = before;
        before += static_cast<std::uint32_t>(BitCount(m_hasKept[word]));
    }
    return true;
}

bool TagTreeFilter::MakeSignatures(const TagTree& tree, Cancel cancel) {
    // A text no label holds (a control byte) still has every label read once.
    if (!Apply(tree, TagFilterText(std::string_view("\x01", 1), CodePage::Utf8), nullptr, cancel)) {
        return false;
    }
    m_text = {};
    m_begin.clear();
    m_hasKept.assign(tree.NodeCount() / 64 + 1, 0);
    m_parentsBefore.clear();
    m_children.clear();
    m_rootCount = 0;
    return true;
}

std::size_t TagTreeFilter::ChildCount(Id id) const noexcept {
    if (id == TagTree::kRoot) {
        return m_rootCount;
    }
    if (!HasKeptChildren(id)) {
        return 0;
    }
    const std::size_t rank = ParentRank(id);
    return (m_begin[rank + 1] & ~kFlag) - (m_begin[rank] & ~kFlag);
}

std::size_t TagTreeFilter::FirstChild(Id parent) const noexcept {
    return parent == TagTree::kRoot ? 0 : (m_begin[ParentRank(parent)] & ~kFlag);
}

TagTree::Id TagTreeFilter::Child(Id parent, std::size_t row) const noexcept {
    assert(row < ChildCount(parent));
    return m_children[FirstChild(parent) + row] & ~kFlag;
}

std::size_t TagTreeFilter::Row(const TagTree& tree, Id id) const noexcept {
    const Id parent = tree.Parent(id);
    const std::size_t children = ChildCount(parent);
    const auto begin = m_children.begin() + static_cast<std::ptrdiff_t>(children == 0 ? 0 : FirstChild(parent));
    const auto end = begin + static_cast<std::ptrdiff_t>(children);
    const auto found = std::lower_bound(begin, end, id, [](Id entry, Id wanted) { return (entry & ~kFlag) < wanted; });
    return static_cast<std::size_t>(found - begin);
}

bool TagTreeFilter::IsExpanded(Id id) const noexcept {
    return HasKeptChildren(id) && (m_begin[ParentRank(id)] & kFlag) != 0;
}

std::vector<TagTree::Id> TagTreeFilter::ExpandedNodes() const {
    std::vector<Id> open;
    std::size_t rank = 0;
    for (std::size_t word = 0; word < m_hasKept.size(); ++word) {
        for (std::uint64_t bits = m_hasKept[word]; bits != 0; bits &= bits - 1, ++rank) {
            if ((m_begin[rank] & kFlag) != 0) {
                open.push_back(static_cast<Id>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
            }
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
    const std::size_t signatures = m_signatures ? m_signatures->capacity() * sizeof(std::uint64_t) : 0;
    return m_begin.capacity() * sizeof(std::uint32_t) + m_hasKept.capacity() * sizeof(std::uint64_t) +
           m_parentsBefore.capacity() * sizeof(std::uint32_t) + m_children.capacity() * sizeof(Id) + signatures;
}

std::shared_ptr<TagTreeFilter> TagTreeFilter::Signatures() const {
    auto kept = std::make_shared<TagTreeFilter>();
    kept->m_tree = m_tree;
    kept->m_signatures = m_signatures;
    return kept;
}

}  // namespace quarrow
