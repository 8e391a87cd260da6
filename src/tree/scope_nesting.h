#pragma once
// Finds the parent of each member of one file in the nested outline: a member whose scope names
// another member of the file becomes that member's child. Scopes may be qualified ("Outer.Inner",
// "ns::Klass", "pkg\Name"); the innermost part that names a member wins, and among members of
// that name the one whose own scope agrees with more of the text, then one of the scope's kind,
// then the first in store order. A parent's qualified name is always shorter than its child's,
// so the parents never form a cycle.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tree/language_of.h"

namespace quarrow {

class CTagEntry;

struct NestMember {
    std::string_view name;
    std::string_view kind;       // the member's kind as the tag gives it (letter or long name)
    std::string_view scopeKind;  // the kind of the scope it names, empty when not given
    std::string_view scope;      // empty: the member belongs to the file itself
    // The caller's, carried along and not read here: one list per file instead of two.
    const CTagEntry* tag = nullptr;
    std::int32_t image = 0;
    TagLanguage language = TagLanguage::Unknown;  // what the kind letter means
};

class ScopeNesting {
public:
    static constexpr std::uint32_t kTopLevel = 0xFFFFFFFFu;

    // Fills `parents` (one entry per member: the index of its parent, or kTopLevel) and returns
    // true when store order puts each parent before its children; else fills the first `count`
    // entries of `order` (every index once, each parent before its children, siblings in store
    // order; the vector may be longer) and returns false.
    bool Nest(std::span<const NestMember> members, std::vector<std::uint32_t>& parents,
              std::vector<std::uint32_t>& order);

private:
    // An open-addressing table of 64-bit keys to numbers, emptied in constant time. Equal keys
    // may stand for different texts: the caller's test tells them apart.
    class Table {
    public:
        void Prepare(std::size_t entries);
        template <typename Same>
        std::uint32_t Find(std::uint64_t key, Same&& same) const;
        // Adds the entry unless one with the key passes `same`; returns the value kept.
        template <typename Same>
        std::uint32_t Insert(std::uint64_t key, std::uint32_t value, Same&& same);

    private:
        struct Slot {
            std::uint64_t key;
            std::uint32_t value;
            std::uint32_t stamp;
        };
        std::vector<Slot> m_slots;
        // The slots in use: the first capacity of them. The vector keeps the largest capacity
        // any file needed, but a small file's entries stay together in the first few lines.
        std::size_t m_mask = 0;
        std::uint32_t m_stamp = 0;
    };

    // One scope text of the file (members of one class share it), split into parts once.
    struct Scope {
        std::string_view kind;
        std::string_view text;
        std::uint32_t partsBegin;
        std::uint32_t partsCount;
    };
    // A member that some scope may name: its qualified name, the scope's parts and its own.
    struct Candidate {
        std::uint32_t member;
        std::uint32_t partsBegin;
        std::uint32_t partsCount;
        std::string_view kind;  // the long name of its kind, empty when unknown
    };

    std::uint32_t ScopeOf(const NestMember& member);
    void Split(std::string_view text, std::size_t maxParts);
    std::uint64_t HashRange(std::uint32_t begin, std::uint32_t count) const noexcept;
    bool SameParts(const Candidate& candidate, std::uint32_t begin, std::uint32_t count) const noexcept;
    std::uint32_t FindParent(const Scope& scope, std::uint64_t lengths) const;

    std::span<const NestMember> m_members;
    std::vector<std::string_view> m_parts;
    std::vector<std::uint64_t> m_partHashes;
    std::vector<std::string_view> m_split;  // scratch of Split
    std::vector<Scope> m_scopes;
    std::vector<std::uint32_t> m_memberScopes;  // per member: its scope, or kTopLevel
    std::array<std::uint32_t, 4> m_recentScopes{};  // the scopes named last, the latest first
    std::vector<Candidate> m_candidates;
    Table m_scopeTable;     // scope kind and text -> scope
    Table m_wantedParts;    // a part of some scope -> its place in m_parts
    std::vector<std::string_view> m_wantedList;  // the same parts, each once
    std::array<std::uint64_t, 16> m_endings{};   // filter bits of the ends of those parts
    Table m_names;          // qualified name (and kind) -> candidate
    std::vector<std::uint32_t> m_firstChild;
    std::vector<std::uint32_t> m_nextSibling;
    std::vector<std::uint32_t> m_stack;
};

}  // namespace quarrow
