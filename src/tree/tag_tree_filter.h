#pragma once
// Narrows a built TagTree to the labels that contain a text, keeping the tree's shape:
//   - a member is kept when its label contains the text;
//   - a file is kept when its label contains the text (with all its members) or when one of its
//     members is kept (with the kept members only);
//   - a folder is kept when one of its files is kept (folder labels are not matched).
// Kept nodes keep their order, labels and images. Every kept folder is shown open; a file is shown
// open when one of its members is kept and closed when it is kept by its name only.
//
// The text is compared ignoring the case of ASCII letters; other bytes compare as they are. Under
// code page 932 a match begins on a character boundary and the bytes of a double-byte character
// are never folded, so a search never finds a letter inside a Japanese character.
//
// The result is an index over the tree's node ids (the tree must stay as it is while the result is
// used) of about half a byte a node: a bit a node for the matches (the candidates of a narrower
// text), a bit for the nodes shown open, and a bit and a half for the kept nodes in the order of
// the tree's children (TagTree::ChildrenStart), where each parent's kept children are one run of
// bits that a count per 64 bits turns into rows. Beside it, a 4-byte signature of each label (the
// letters it holds), made once and handed from filter to filter, spares reading most labels again
// and answers a one-letter text alone. While a filter is made it holds one more bit a node and a
// few thousand node ids besides.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tags/code_page.h"
#include "tags/bit_count.h"
#include "tree/tag_facets.h"
#include "tree/tag_tree.h"

namespace quarrow {

// The text to look for, folded once.
class TagFilterText {
public:
    TagFilterText() = default;
    TagFilterText(std::string_view text, CodePage cp);

    bool Empty() const noexcept { return m_text.empty(); }
    std::string_view Text() const noexcept { return m_text; }
    CodePage GetCodePage() const noexcept { return m_cp; }
    // True when `label` contains the text (an empty text is in every label).
    bool IsIn(std::string_view label) const noexcept;
    // True when `name` is the text as a whole, with the same folding as IsIn.
    bool IsWhole(std::string_view name) const noexcept { return name.size() == m_text.size() && IsIn(name); }
    // True when every label that contains this text also contains `wider`'s: then this text's
    // matches are among `wider`'s.
    bool Narrows(const TagFilterText& wider) const noexcept;

private:
    std::string m_text;    // ASCII letters in lower case, except inside double-byte characters
    std::string m_folds;   // per byte of m_text: 1 when the byte is folded (a single-byte letter)
    CodePage m_cp = CodePage::Utf8;
};

// A filter's work stops early when `current` no longer holds `mine` (looked at now and then).
struct TagFilterCancel {
    const std::atomic<std::uint64_t>* current = nullptr;
    std::uint64_t mine = 0;
    bool Requested() const noexcept { return current != nullptr && current->load(std::memory_order_relaxed) != mine; }
};

class TagTreeFilter {
public:
    using Id = TagTree::Id;
    using Cancel = TagFilterCancel;

    TagTreeFilter() = default;

    // Narrows `tree` (built) to `text`. When `previous` was made from the same tree for a text that
    // this one narrows, only its matches are looked at again. An empty text keeps nothing here: the
    // caller shows the tree itself. False when cancelled (the filter is then empty).
    bool Apply(const TagTree& tree, const TagFilterText& text, const TagTreeFilter* previous = nullptr,
               Cancel cancel = {});

    // Keeps nothing but reads every label of `tree` once for the signatures a later Apply takes
    // as `previous`. False when cancelled.
    bool MakeSignatures(const TagTree& tree, Cancel cancel = {});

    const TagFilterText& Text() const noexcept { return m_text; }
    // The facets the next Apply hides members by (see tag_facets.h): a hidden member is not kept,
    // also in a file kept by its name, unless a shown member under it is. With facets an empty
    // text keeps every file, closed, with its shown members.
    void SetFacets(const TagFacets& facets) noexcept { m_facets = facets; }
    const TagFacets& Facets() const noexcept { return m_facets; }
    // No node kept.
    bool Empty() const noexcept { return m_rootCount == 0; }

    // Navigation of the kept nodes, as TagTree's. `id` is kRoot or a kept node.
    std::size_t ChildCount(Id id) const noexcept;
    Id Child(Id parent, std::size_t row) const noexcept;  // row below ChildCount(parent)
    std::size_t Row(const TagTree& tree, Id id) const noexcept;
    bool IsExpanded(Id id) const noexcept;
    // The kept nodes shown open, in tree order.
    std::vector<Id> ExpandedNodes() const;
    // The member (a node with a tag under a file) that Enter opens: in the order of the kept
    // tree, the first member whose name is the text as a whole, else the first member whose own
    // label holds the text (not a scope kept only for a member below it), else the first kept
    // member (of a file kept by its name); kRoot when no member is kept.
    Id MemberToOpen(const TagTree& tree) const noexcept;
    // Memory held, in bytes (the label signatures included).
    std::size_t MemoryBytes() const noexcept;
    // A filter that keeps nothing but carries this one's label signatures (made from the same
    // tree), to pass as `previous` for a later text: its labels are then read again only where
    // the signatures allow a match.
    std::shared_ptr<TagTreeFilter> Signatures() const;

private:
    using Bits = std::vector<std::uint64_t>;

    // The kept nodes among the places [0, place) of the children order.
    std::size_t KeptBefore(std::size_t place) const noexcept {
        return m_keptBefore[place / 64] + BitCount(m_kept[place / 64] & ((std::uint64_t{1} << (place % 64)) - 1));
    }
    // The place of the kept node numbered `rank` in the children order, which lies in the words
    // [firstWord, lastWord] of m_kept.
    std::size_t KeptPlace(std::size_t rank, std::size_t firstWord, std::size_t lastWord) const noexcept;
    // Where the children of `parent` begin in the children order, and how many there are.
    std::pair<std::size_t, std::size_t> Places(Id parent) const noexcept;
    // Forgets every kept node; the navigation then answers for an empty result.
    void KeepNothing() noexcept;

    TagFilterText m_text;
    TagFacets m_facets;
    Bits m_matched;  // by node id: the label contains the text
    Bits m_open;     // by node id: shown open
    // By place in the tree's children order (one bit more, for the end): the node there is kept.
    // m_keptBefore counts the kept nodes before each word.
    Bits m_kept;
    std::vector<std::uint32_t> m_keptBefore;
    std::uint32_t m_rootCount = 0;
    const TagTree* m_tree = nullptr;
    std::shared_ptr<const std::vector<std::uint32_t>> m_signatures;  // see the .cpp
};

}  // namespace quarrow
