#include "tree/scope_nesting.h"

#include "tree/kind_icons.h"
#include "tree/short_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quarrow {

namespace {

// Outer parts beyond these are dropped: a qualified name keeps its innermost kMaxParts parts and
// a scope one fewer, which keeps a parent's name shorter than its child's and bounds the work of
// a hostile line. A member nested deeper than that is not a parent.
constexpr std::size_t kMaxParts = 32;
constexpr std::uint32_t kNone = ScopeNesting::kTopLevel;

std::uint64_t Mix(std::uint64_t h) noexcept {
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebULL;
    h ^= h >> 31;
    return h;
}

// A hash of the length and the first and last eight bytes: names differ there, and every table
// checks the text of a match anyway, so a rare clash costs a comparison, never a wrong parent.
// Loads of fixed sizes that overlap cover a short text: a copy of a variable size is a library call.
std::uint64_t HashText(std::string_view text) noexcept {
    const char* const p = text.data();
    const std::size_t n = text.size();
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    if (n >= 8) {
        std::memcpy(&head, p, 8);
        std::memcpy(&tail, p + n - 8, 8);
    } else if (n >= 4) {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        head = first;
        tail = last;
    } else if (n != 0) {
        // All of one to three bytes.
        head = static_cast<unsigned char>(p[0]) | std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
               std::uint64_t{static_cast<unsigned char>(p[n - 1])} << 16;
    }
    return Mix(head ^ Mix(tail + n));
}

// A place among the filter bits of the last `length` (one to three) bytes before `end`, the length
// counted in. `size`: the bytes of the text that ends there; from four on, one load takes the
// last three.
unsigned EndingBit(const char* end, std::size_t length, std::size_t size) noexcept {
    std::uint32_t bytes = 0;
    if (std::endian::native == std::endian::little && length == 3 && size >= 4) {
        std::memcpy(&bytes, end - 4, sizeof bytes);
        bytes >>= 8;
    } else {
        // The same order as the load: the earliest byte lowest.
        for (std::size_t i = length; i > 0; --i) {
            bytes |= static_cast<std::uint32_t>(static_cast<unsigned char>(end[-static_cast<std::ptrdiff_t>(i)]))
                     << (8 * (length - i));
        }
    }
    return static_cast<unsigned>(((bytes | static_cast<std::uint32_t>(length) << 24) * 0x9E3779B1u) >> 22);
}

// The key of a qualified name of the scope's kind, apart from the key of the name alone.
std::uint64_t KindKey(std::uint64_t nameKey, std::string_view kind) noexcept {
    return Mix(nameKey + 0x9e3779b97f4a7c15ULL * (HashText(kind) | 1));
}

// The bytes that separate the parts of a name, as a table: the filter of names asks about a few
// bytes of every member's name.
constexpr std::array<bool, 256> kSeparators = [] {
    std::array<bool, 256> table{};
    table['.'] = true;
    table['\\'] = true;
    table[':'] = true;
    return table;
}();

bool IsSeparator(char c) noexcept { return kSeparators[static_cast<unsigned char>(c)]; }

// The name without separators at its end, whose last part is then its innermost one.
std::string_view WithoutTrailingSeparators(std::string_view name) noexcept {
    while (!name.empty() && IsSeparator(name.back())) {
        name.remove_suffix(1);
    }
    return name;
}

// Whether `part` (a part, free of separators) is the last part of `name` (trailing separators
// removed): the name ends with it, and it is the whole name or follows ".", "\" or "::".
bool EndsWithPart(std::string_view name, std::string_view part) noexcept {
    if (name.size() < part.size() || name.back() != part.back() ||
        !SameShortText(name.substr(name.size() - part.size()), part)) {
        return false;
    }
    const std::size_t at = name.size() - part.size();
    return at == 0 || name[at - 1] == '.' || name[at - 1] == '\\' ||
           (name[at - 1] == ':' && at >= 2 && name[at - 2] == ':');
}

#if defined(__SSE2__)
bool HoldsSeparator(__m128i bytes) noexcept {
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('.')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'))),
        _mm_cmpeq_epi8(bytes, _mm_set1_epi8(':')));
    return _mm_movemask_epi8(hits) != 0;
}
#endif

// Whether `text` holds a '.', '\\' or ':', sixteen bytes at a time (loads that overlap cover a
// shorter text): most names have none, and then they are one part.
bool MayHoldSeparator(std::string_view text) noexcept {
    const char* const p = text.data();
    const std::size_t n = text.size();
#if defined(__SSE2__)
    if (n >= 16) {
        for (std::size_t i = 0; i + 16 < n; i += 16) {
            if (HoldsSeparator(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)))) {
                return true;
            }
        }
        return HoldsSeparator(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16)));
    }
    if (n >= 8) {
        return HoldsSeparator(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                                 _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + n - 8))));
    }
    if (n >= 4) {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        return HoldsSeparator(
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(first)), _mm_cvtsi32_si128(static_cast<int>(last))));
    }
#endif
    return std::any_of(text.begin(), text.end(), [](char c) { return IsSeparator(c); });
}

// The innermost part of a name: after its last ".", "\" or "::".
std::string_view LastPart(std::string_view name) noexcept {
    if (!MayHoldSeparator(name)) {
        return name;
    }
    for (std::size_t i = name.size(); i-- > 0;) {
        if (name[i] == '.' || name[i] == '\\' || (name[i] == ':' && i > 0 && name[i - 1] == ':')) {
            return name.substr(i + 1);
        }
    }
    return name;
}

}  // namespace

void ScopeNesting::Table::Prepare(std::size_t entries) {
    std::size_t capacity = 16;
    while (capacity < 2 * entries) {
        capacity *= 2;
    }
    if (capacity > m_slots.size() || ++m_stamp == 0) {
        m_slots.assign(std::max(capacity, m_slots.size()), Slot{0, 0, 0});
        m_stamp = 1;
    }
    m_mask = capacity - 1;
}

template <typename Same>
std::uint32_t ScopeNesting::Table::Find(std::uint64_t key, Same&& same) const {
    const std::size_t mask = m_mask;
    for (std::size_t i = key & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.stamp != m_stamp) {
            return kNone;
        }
        if (slot.key == key && same(slot.value)) {
            return slot.value;
        }
    }
}

template <typename Same>
std::uint32_t ScopeNesting::Table::Insert(std::uint64_t key, std::uint32_t value, Same&& same) {
    const std::size_t mask = m_mask;
    for (std::size_t i = key & mask;; i = (i + 1) & mask) {
        Slot& slot = m_slots[i];
        if (slot.stamp != m_stamp) {
            slot = Slot{key, value, m_stamp};
            return value;
        }
        if (slot.key == key && same(slot.value)) {
            return slot.value;
        }
    }
}

void ScopeNesting::Split(std::string_view text, std::size_t maxParts) {
    m_split.clear();
    if (!MayHoldSeparator(text)) {
        if (!text.empty()) {
            m_split.push_back(text);
        }
        return;
    }
    std::size_t start = 0;
    auto cut = [&](std::size_t end) {
        if (end > start) {
            m_split.push_back(text.substr(start, end - start));
        }
    };
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '.' || c == '\\') {
            cut(i);
            start = ++i;
        } else if (c == ':' && i + 1 < text.size() && text[i + 1] == ':') {
            cut(i);
            i += 2;
            start = i;
        } else {
            ++i;
        }
    }
    cut(text.size());
    // Keep the innermost parts: they decide the parent.
    if (m_split.size() > maxParts) {
        m_split.erase(m_split.begin(), m_split.end() - static_cast<std::ptrdiff_t>(maxParts));
    }
}

std::uint64_t ScopeNesting::HashRange(std::uint32_t begin, std::uint32_t count) const noexcept {
    std::uint64_t h = 0x2545f4914f6cdd1dULL + count;
    for (std::uint32_t i = begin; i < begin + count; ++i) {
        h = Mix(h ^ m_partHashes[i]);
    }
    return h;
}

bool ScopeNesting::SameParts(const Candidate& candidate, std::uint32_t begin, std::uint32_t count) const noexcept {
    return candidate.partsCount == count &&
           std::equal(m_parts.begin() + candidate.partsBegin, m_parts.begin() + candidate.partsBegin + count,
                      m_parts.begin() + begin, SameShortText);
}

// The scope of a member, found among the file's scopes or added to them.
std::uint32_t ScopeNesting::ScopeOf(const NestMember& member) {
    if (member.scope.empty()) {
        return kNone;
    }
    // A file's members name few scopes, and mostly the ones named just before: try those first.
    for (const std::uint32_t recent : m_recentScopes) {
        if (recent < m_scopes.size() && SameShortText(m_scopes[recent].text, member.scope) &&
            SameShortText(m_scopes[recent].kind, member.scopeKind)) {
            return recent;
        }
    }
    // A scope's kind is one of a few words: its length and first byte tell most apart, and the
    // table compares the texts anyway.
    const std::size_t kindSize = member.scopeKind.size();
    const std::uint64_t kindKey = kindSize == 0 ? 0 : kindSize << 8 | static_cast<unsigned char>(member.scopeKind[0]);
    const std::uint64_t key = Mix(HashText(member.scope) + 31 * kindKey);
    const auto next = static_cast<std::uint32_t>(m_scopes.size());
    const std::uint32_t scope = m_scopeTable.Insert(key, next, [&](std::uint32_t known) {
        return SameShortText(m_scopes[known].text, member.scope) && SameShortText(m_scopes[known].kind, member.scopeKind);
    });
    if (scope == next) {
        m_scopes.push_back({member.scopeKind, member.scope, 0, 0});
    }
    // Moved one place on by hand: a copy of this size was a library call.
    for (std::size_t i = m_recentScopes.size() - 1; i > 0; --i) {
        m_recentScopes[i] = m_recentScopes[i - 1];
    }
    m_recentScopes[0] = scope;
    return scope;
}

std::uint32_t ScopeNesting::FindParent(const Scope& scope, std::uint64_t lengths) const {
    // Innermost part first; for each, the member whose name agrees with most of the scope.
    for (std::uint32_t end = scope.partsCount; end > 0; --end) {
        for (std::uint32_t length = end; length > 0; --length) {
            if ((lengths >> (length - 1) & 1) == 0) {
                continue;  // no candidate has a name of that many parts
            }
            const std::uint32_t begin = scope.partsBegin + end - length;
            const std::uint64_t key = HashRange(begin, length);
            std::uint32_t found = kNone;
            if (end == scope.partsCount && !scope.kind.empty()) {
                found = m_names.Find(KindKey(key, scope.kind), [&](std::uint32_t c) {
                    return SameParts(m_candidates[c], begin, length) && SameShortText(m_candidates[c].kind, scope.kind);
                });
            }
            if (found == kNone) {
                found = m_names.Find(key, [&](std::uint32_t c) { return SameParts(m_candidates[c], begin, length); });
            }
            if (found != kNone) {
                return m_candidates[found].member;
            }
        }
    }
    return kNone;
}

bool ScopeNesting::Nest(std::span<const NestMember> members, std::vector<std::uint32_t>& parents,
                        std::vector<std::uint32_t>& order) {
    const auto count = static_cast<std::uint32_t>(members.size());
    m_members = members;
    parents.resize(count);  // every entry is written below
    m_parts.clear();
    m_partHashes.clear();
    m_scopes.clear();
    m_candidates.clear();

    // The file's distinct scopes, each split once; their parts are the names worth indexing.
    m_scopeTable.Prepare(count);
    m_recentScopes.fill(kNone);
    m_memberScopes.resize(count);
    // Members of one class follow each other, maybe with members of the file between them: most
    // share the scope of the last member that had one.
    std::uint32_t lastScoped = kNone;
    for (std::uint32_t m = 0; m < count; ++m) {
        const NestMember& member = members[m];
        if (member.scope.empty()) {
            m_memberScopes[m] = kNone;
            continue;
        }
        if (lastScoped != kNone && SameShortText(member.scope, members[lastScoped].scope) &&
            SameShortText(member.scopeKind, members[lastScoped].scopeKind)) {
            m_memberScopes[m] = m_memberScopes[lastScoped];
        } else {
            m_memberScopes[m] = ScopeOf(member);
        }
        lastScoped = m;
    }
    for (Scope& scope : m_scopes) {
        Split(scope.text, kMaxParts - 1);
        scope.partsBegin = static_cast<std::uint32_t>(m_parts.size());
        scope.partsCount = static_cast<std::uint32_t>(m_split.size());
        m_parts.insert(m_parts.end(), m_split.begin(), m_split.end());
    }
    const std::size_t scopeParts = m_parts.size();
    m_partHashes.resize(scopeParts);
    m_wantedParts.Prepare(scopeParts);
    m_wantedList.clear();
    for (std::uint32_t i = 0; i < scopeParts; ++i) {
        m_partHashes[i] = HashText(m_parts[i]);
        if (m_wantedParts.Insert(m_partHashes[i], i, [&](std::uint32_t known) { return SameShortText(m_parts[known], m_parts[i]); }) == i) {
            m_wantedList.push_back(m_parts[i]);
        }
    }
    // Whether a member's name ends in a part of some scope. A filter on the last three bytes (or
    // fewer, with the part's length) turns most names away at once; a file has few distinct scope
    // parts (its classes), and comparing the ends of the names with them is cheaper than hashing
    // names.
    m_endings.fill(0);
    for (const std::string_view part : m_wantedList) {
        const unsigned bit = EndingBit(part.data() + part.size(), std::min<std::size_t>(part.size(), 3), part.size());
        m_endings[bit >> 6] |= std::uint64_t{1} << (bit & 63);
    }
    auto ends = [this](const char* end, std::size_t length, std::size_t size) {
        const unsigned bit = EndingBit(end, length, size);
        return (m_endings[bit >> 6] >> (bit & 63) & 1) != 0;
    };
    auto wanted = [&](std::string_view name) {
        name = WithoutTrailingSeparators(name);
        const std::size_t n = name.size();
        if (n == 0) {
            return false;
        }
        // A part shorter than three bytes ends the name only as all of it or after a separator.
        const char* const end = name.data() + n;
        const bool mayEnd = (n >= 3 && ends(end, 3, n)) ||
                            ((n == 2 || (n > 2 && IsSeparator(end[-3]))) && ends(end, 2, n)) ||
                            ((n == 1 || IsSeparator(end[-2])) && ends(end, 1, n));
        if (!mayEnd) {
            return false;
        }
        if (m_wantedList.size() <= 8) {
            return std::any_of(m_wantedList.begin(), m_wantedList.end(),
                               [name](std::string_view part) { return EndsWithPart(name, part); });
        }
        const std::string_view last = LastPart(name);
        return m_wantedParts.Find(HashText(last), [&](std::uint32_t part) { return SameShortText(m_parts[part], last); }) != kNone;
    };

    // Only a member named like a part of some scope can be a parent: index those by their
    // qualified name, the parts of their own scope followed by the parts of their name.
    std::uint64_t lengths = 0;  // bit n - 1: some candidate's name has n parts
    TagLanguage kindLanguage = TagLanguage::Unknown;
    std::string_view kindText;
    std::string_view kindName;  // KindLongName of an unknown language's empty kind
    for (std::uint32_t m = 0; m < count; ++m) {
        if (!wanted(members[m].name)) {
            continue;
        }
        const std::uint32_t scope = m_memberScopes[m];
        const std::uint32_t scopeBegin = scope == kNone ? 0 : m_scopes[scope].partsBegin;
        const std::uint32_t scopeCount = scope == kNone ? 0 : m_scopes[scope].partsCount;
        Split(members[m].name, kMaxParts);
        if (m_split.empty()) {
            // A name of separators only is one part: a qualified name is always longer than
            // its scope.
            m_split.push_back(members[m].name);
        }
        // The qualified name keeps its innermost kMaxParts parts.
        const std::size_t total = scopeCount + m_split.size();
        const std::size_t dropScope = total > kMaxParts ? std::min<std::size_t>(total - kMaxParts, scopeCount) : 0;
        const std::size_t dropName = total > kMaxParts ? total - kMaxParts - dropScope : 0;
        // Candidates of one kind mostly follow each other (a class and its constructors).
        if (members[m].language != kindLanguage || !SameShortText(members[m].kind, kindText)) {
            kindLanguage = members[m].language;
            kindText = members[m].kind;
            kindName = KindLongName(kindLanguage, kindText);
        }
        Candidate candidate{m, static_cast<std::uint32_t>(m_parts.size()), 0, kindName};
        for (std::size_t i = dropScope; i < scopeCount; ++i) {
            m_parts.push_back(m_parts[scopeBegin + i]);
            m_partHashes.push_back(m_partHashes[scopeBegin + i]);
        }
        for (auto part = m_split.begin() + static_cast<std::ptrdiff_t>(dropName); part != m_split.end(); ++part) {
            m_parts.push_back(*part);
            m_partHashes.push_back(HashText(*part));
        }
        candidate.partsCount = static_cast<std::uint32_t>(m_parts.size()) - candidate.partsBegin;
        lengths |= std::uint64_t{1} << (candidate.partsCount - 1);
        m_candidates.push_back(candidate);
    }
    m_names.Prepare(2 * m_candidates.size());
    for (std::uint32_t c = 0; c < m_candidates.size(); ++c) {
        const Candidate& candidate = m_candidates[c];
        const std::uint64_t key = HashRange(candidate.partsBegin, candidate.partsCount);
        // The first member of a name (and of a name and kind) stays.
        m_names.Insert(key, c, [&](std::uint32_t known) {
            return SameParts(m_candidates[known], candidate.partsBegin, candidate.partsCount);
        });
        const std::string_view kind = candidate.kind;
        if (!kind.empty()) {
            m_names.Insert(KindKey(key, kind), c, [&](std::uint32_t known) {
                return SameParts(m_candidates[known], candidate.partsBegin, candidate.partsCount) &&
                       SameShortText(m_candidates[known].kind, kind);
            });
        }
    }

    // Each scope's parent once, then each member's.
    std::vector<std::uint32_t>& scopeParents = m_stack;  // free until the walk below
    scopeParents.resize(m_scopes.size());
    for (std::size_t s = 0; s < m_scopes.size(); ++s) {
        scopeParents[s] = m_candidates.empty() ? kNone : FindParent(m_scopes[s], lengths);
    }
    // Parents mostly come before their children (a class before its members): then store order
    // is already one that the caller may keep.
    bool parentsFirst = true;
    for (std::uint32_t m = 0; m < count; ++m) {
        const std::uint32_t parent = m_memberScopes[m] == kNone ? kNone : scopeParents[m_memberScopes[m]];
        parents[m] = parent;
        parentsFirst = parentsFirst && (parent == kNone || parent < m);
    }
    if (parentsFirst) {
        return true;
    }

    // Children lists in store order, then a walk that puts each parent before its children.
    m_firstChild.assign(count, kTopLevel);
    m_nextSibling.resize(count);  // every entry is written below
    std::uint32_t firstRoot = kTopLevel;
    for (std::uint32_t m = count; m-- > 0;) {
        std::uint32_t& head = parents[m] == kTopLevel ? firstRoot : m_firstChild[parents[m]];
        m_nextSibling[m] = head;
        head = m;
    }
    // Each member is pushed once (as a first root, first child or next sibling), so the stack
    // and the order hold `count` at most, and need no growth checks. Both keep their length from
    // file to file, so that only growth is filled.
    if (order.size() < count) {
        order.resize(count);
    }
    if (m_stack.size() < count) {
        m_stack.resize(count);
    }
    std::uint32_t* const stack = m_stack.data();
    std::size_t top = 0;
    if (firstRoot != kTopLevel) {
        stack[top++] = firstRoot;
    }
    std::size_t placed = 0;
    while (top != 0) {
        const std::uint32_t m = stack[--top];
        order[placed++] = m;
        if (m_nextSibling[m] != kTopLevel) {
            stack[top++] = m_nextSibling[m];
        }
        if (m_firstChild[m] != kTopLevel) {
            stack[top++] = m_firstChild[m];
        }
    }
    return false;
}

}  // namespace quarrow
