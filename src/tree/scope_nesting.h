#pragma once
// Finds the parent of each member of one file in the nested outline: a member whose scope names
// another member of the file becomes that member's child. Scopes may be qualified ("Outer.Inner",
// "ns::Klass", "pkg\Name"); the innermost part that names a member wins, and among members of
// that name the one whose own scope agrees with more of the text, then one of the scope's kind,
// then the first in store order. A parent's qualified name is always shorter than its child's,
// so the parents never form a cycle.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quarrow {

struct NestMember {
    std::string_view name;
    std::string_view kind;       // the long name of the member's kind, empty when unknown
    std::string_view scopeKind;  // the kind of the scope it names, empty when not given
    std::string_view scope;      // empty: the member belongs to the file itself
};

class ScopeNesting {
public:
    static constexpr std::uint32_t kTopLevel = 0xFFFFFFFFu;

    // Fills `parents` (one entry per member: the index of its parent, or kTopLevel) and `order`
    // (every index once, each parent before its children, siblings in store order).
    void Nest(std::span<const NestMember> members, std::vector<std::uint32_t>& parents,
              std::vector<std::uint32_t>& order);

private:
    struct Qualified {
        std::uint32_t scopeBegin;  // the scope's parts in m_parts
        std::uint32_t nameBegin;   // the member's qualified name: scope parts and name parts
        std::uint8_t scopeCount;
        std::uint8_t nameCount;
    };
    struct Slot {
        std::uint64_t key;
        std::uint32_t member;
        std::uint32_t stamp;
    };

    void Split(std::string_view text, std::size_t maxParts);
    std::uint64_t HashRange(std::uint32_t begin, std::uint32_t count) const noexcept;
    bool SameName(std::uint32_t member, std::uint32_t begin, std::uint32_t count) const noexcept;
    void PrepareTable(std::size_t entries);
    void Insert(std::uint64_t key, std::uint32_t member, std::string_view kind);
    std::uint32_t Find(std::uint64_t key, std::uint32_t begin, std::uint32_t count, std::string_view kind) const noexcept;

    std::span<const NestMember> m_members;
    std::vector<std::string_view> m_parts;
    std::vector<std::uint64_t> m_partHashes;
    std::vector<std::string_view> m_split;  // scratch of Split
    std::vector<Qualified> m_names;
    std::vector<Slot> m_table;
    std::uint32_t m_stamp = 0;
    std::vector<std::uint32_t> m_firstChild;
    std::vector<std::uint32_t> m_nextSibling;
    std::vector<std::uint32_t> m_stack;
};

}  // namespace quarrow
