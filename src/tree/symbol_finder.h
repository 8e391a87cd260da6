#pragma once
// Finds the tags whose names match a symbol query, best first (see symbol_query.h for the words
// and fuzzy_word.h for the score).
//
// The store keeps a file's tags together, so one name's definitions lie apart. The index groups
// them once: the positions of all tags ordered by name group (a group per distinct name, numbered
// in the order their names first appear in the store) and then by store position, where each group
// begins, and each name's signature. That is 4 bytes a tag and 9 a distinct name. A query then
// reads the signatures in a row, scores each distinct name whose signature allows a match once, and
// lists the definitions of the best names after them. A query of one word first scores only the
// names that begin as it does: when enough of them begin with the whole word, no other name can
// rank among the tags listed (a prefix outranks every other match), and the rest are not read.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tags/tag_store.h"
#include "tree/symbol_query.h"

namespace quarrow {

class SymbolIndex {
public:
    SymbolIndex() = default;
    // Groups the tags of `store` (which must stay as it is while the index is used) by name.
    // Pseudo-tags of the header are left out.
    explicit SymbolIndex(const TagStore& store);

    const TagStore* Store() const noexcept { return m_store; }
    std::size_t NameCount() const noexcept { return m_signatures.size(); }
    std::size_t TagCount() const noexcept { return m_positions.size(); }
    // The store positions of the tags of name group `group`, in store order.
    const std::uint32_t* DefinitionsBegin(std::size_t group) const noexcept {
        return m_positions.data() + m_starts[group];
    }
    const std::uint32_t* DefinitionsEnd(std::size_t group) const noexcept {
        return m_positions.data() + m_starts[group + 1];
    }
    std::uint32_t Signature(std::size_t group) const noexcept { return m_signatures[group]; }
    // The first byte of the group's name.
    char FirstByte(std::size_t group) const noexcept { return m_firstBytes[group]; }
    // Memory held, in bytes.
    std::size_t MemoryBytes() const noexcept;

private:
    const TagStore* m_store = nullptr;
    std::vector<std::uint32_t> m_positions;   // store positions, grouped by name
    std::vector<std::uint32_t> m_starts;      // per group, where its positions begin; one more at the end
    std::vector<std::uint32_t> m_signatures;  // per group, TextSignature of the name
    std::vector<char> m_firstBytes;           // per group, the name's first byte
};

// One found tag: its store position and the score of its name.
struct FoundSymbol {
    std::uint32_t position;
    std::int64_t score;
};

// The tags whose names match `query`, at most `limit` of them: names by score (higher first), then
// the shorter name, then the name whose first tag comes first in the store; each name's tags that
// pass the query's other words follow it in store order. An empty query finds nothing.
std::vector<FoundSymbol> FindSymbols(const SymbolIndex& index, const SymbolQuery& query, std::size_t limit);

}  // namespace quarrow
