#include "tree/scope_nesting.h"

#include <algorithm>

namespace quarrow {

namespace {

// More parts are never matched: the longest qualified name has kMaxParts parts and a scope one
// fewer, which also bounds the work of a hostile line.
constexpr std::size_t kMaxParts = 16;

std::uint64_t Mix(std::uint64_t h) noexcept {
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebULL;
    h ^= h >> 31;
    return h;
}

std::uint64_t HashText(std::string_view text) noexcept {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return h;
}

// The key of a qualified name of the scope's kind, apart from the key of the name alone.
std::uint64_t KindKey(std::uint64_t nameKey, std::string_view kind) noexcept {
    return Mix(nameKey + 0x9e3779b97f4a7c15ULL * (HashText(kind) | 1));
}

}  // namespace

void ScopeNesting::Split(std::string_view text, std::size_t maxParts) {
    m_split.clear();
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

bool ScopeNesting::SameName(std::uint32_t member, std::uint32_t begin, std::uint32_t count) const noexcept {
    const Qualified& q = m_names[member];
    const std::uint32_t length = q.scopeCount + q.nameCount;
    if (std::min<std::uint32_t>(length, kMaxParts) != count) {
        return false;
    }
    return std::equal(m_parts.begin() + q.nameBegin, m_parts.begin() + q.nameBegin + count, m_parts.begin() + begin);
}

void ScopeNesting::PrepareTable(std::size_t entries) {
    std::size_t capacity = 64;
    while (capacity < 2 * entries) {
        capacity *= 2;
    }
    if (capacity > m_table.size() || ++m_stamp == 0) {
        m_table.assign(std::max(capacity, m_table.size()), Slot{0, 0, 0});
        m_stamp = 1;
    }
}

void ScopeNesting::Insert(std::uint64_t key, std::uint32_t member, std::string_view kind) {
    const Qualified& q = m_names[member];
    const std::uint32_t count = std::min<std::uint32_t>(q.scopeCount + q.nameCount, kMaxParts);
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t i = key & mask;; i = (i + 1) & mask) {
        Slot& slot = m_table[i];
        if (slot.stamp != m_stamp) {
            slot = Slot{key, member, m_stamp};
            return;
        }
        // The first member of a name (and kind) stays.
        if (slot.key == key && SameName(slot.member, q.nameBegin, count) &&
            (kind.empty() || m_members[slot.member].kind == kind)) {
            return;
        }
    }
}

std::uint32_t ScopeNesting::Find(std::uint64_t key, std::uint32_t begin, std::uint32_t count,
                                 std::string_view kind) const noexcept {
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t i = key & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_table[i];
        if (slot.stamp != m_stamp) {
            return kTopLevel;
        }
        if (slot.key == key && SameName(slot.member, begin, count) &&
            (kind.empty() || m_members[slot.member].kind == kind)) {
            return slot.member;
        }
    }
}

void ScopeNesting::Nest(std::span<const NestMember> members, std::vector<std::uint32_t>& parents,
                        std::vector<std::uint32_t>& order) {
    const auto count = static_cast<std::uint32_t>(members.size());
    m_members = members;
    parents.assign(count, kTopLevel);
    order.clear();
    m_parts.clear();
    m_partHashes.clear();
    m_names.resize(count);

    // Each member's scope parts, then its qualified name: the scope's parts and the name's.
    std::size_t longest = 0;
    for (std::uint32_t m = 0; m < count; ++m) {
        Qualified& q = m_names[m];
        Split(members[m].scope, kMaxParts - 1);
        q.scopeBegin = static_cast<std::uint32_t>(m_parts.size());
        q.scopeCount = static_cast<std::uint8_t>(m_split.size());
        m_parts.insert(m_parts.end(), m_split.begin(), m_split.end());
        const std::size_t scopeCount = m_split.size();
        Split(members[m].name, kMaxParts);
        if (m_split.empty()) {
            // A name of separators only is one part: a qualified name is always longer than
            // its scope.
            m_split.push_back(members[m].name);
        }
        q.nameCount = static_cast<std::uint8_t>(m_split.size());
        // The qualified name repeats the scope, cut to its innermost kMaxParts parts.
        const std::size_t total = scopeCount + m_split.size();
        const std::size_t dropScope = total > kMaxParts ? std::min(total - kMaxParts, scopeCount) : 0;
        const std::size_t dropName = total > kMaxParts ? total - kMaxParts - dropScope : 0;
        q.nameBegin = static_cast<std::uint32_t>(m_parts.size());
        for (std::size_t i = dropScope; i < scopeCount; ++i) {
            m_parts.push_back(m_parts[q.scopeBegin + i]);
        }
        m_parts.insert(m_parts.end(), m_split.begin() + static_cast<std::ptrdiff_t>(dropName), m_split.end());
        longest = std::max<std::size_t>(longest, m_parts.size() - q.nameBegin);
    }
    m_partHashes.resize(m_parts.size());
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        m_partHashes[i] = HashText(m_parts[i]);
    }

    PrepareTable(2 * static_cast<std::size_t>(count));
    for (std::uint32_t m = 0; m < count; ++m) {
        const Qualified& q = m_names[m];
        if (q.scopeCount + q.nameCount == 0) {
            continue;
        }
        const std::uint32_t length = std::min<std::uint32_t>(q.scopeCount + q.nameCount, kMaxParts);
        const std::uint64_t key = HashRange(q.nameBegin, length);
        Insert(key, m, {});
        if (!members[m].kind.empty()) {
            Insert(KindKey(key, members[m].kind), m, members[m].kind);
        }
    }

    for (std::uint32_t m = 0; m < count; ++m) {
        const Qualified& q = m_names[m];
        std::uint32_t parent = kTopLevel;
        // Innermost part first; for each, the member whose name agrees with most of the scope.
        for (std::uint32_t end = q.scopeCount; end > 0 && parent == kTopLevel; --end) {
            const auto widest = static_cast<std::uint32_t>(std::min<std::size_t>(end, longest));
            for (std::uint32_t length = widest; length > 0 && parent == kTopLevel; --length) {
                const std::uint32_t begin = q.scopeBegin + end - length;
                const std::uint64_t key = HashRange(begin, length);
                if (end == q.scopeCount && !members[m].scopeKind.empty()) {
                    parent = Find(KindKey(key, members[m].scopeKind), begin, length, members[m].scopeKind);
                }
                if (parent == kTopLevel) {
                    parent = Find(key, begin, length, {});
                }
            }
        }
        parents[m] = parent;
    }

    // Children lists in store order, then a walk that puts each parent before its children.
    m_firstChild.assign(count, kTopLevel);
    m_nextSibling.assign(count, kTopLevel);
    std::uint32_t firstRoot = kTopLevel;
    for (std::uint32_t m = count; m-- > 0;) {
        std::uint32_t& head = parents[m] == kTopLevel ? firstRoot : m_firstChild[parents[m]];
        m_nextSibling[m] = head;
        head = m;
    }
    order.reserve(count);
    m_stack.clear();
    if (firstRoot != kTopLevel) {
        m_stack.push_back(firstRoot);
    }
    while (!m_stack.empty()) {
        const std::uint32_t m = m_stack.back();
        m_stack.pop_back();
        order.push_back(m);
        if (m_nextSibling[m] != kTopLevel) {
            m_stack.push_back(m_nextSibling[m]);
        }
        if (m_firstChild[m] != kTopLevel) {
            m_stack.push_back(m_firstChild[m]);
        }
    }
}

}  // namespace quarrow
