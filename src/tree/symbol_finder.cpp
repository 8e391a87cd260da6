#include "tree/symbol_finder.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <string_view>
#include <tuple>

#include "tags/shared_work.h"

namespace quarrow {

namespace {

// A matched name waiting to be ranked.
struct Candidate {
    std::int64_t score;
    std::uint32_t length;
    std::uint32_t group;
};

bool RanksBefore(const Candidate& a, const Candidate& b) noexcept {
    return std::tie(b.score, a.length, a.group) < std::tie(a.score, b.length, b.group);
}

// Groups scanned as one piece of work; several per thread keep both threads busy to the end.
constexpr std::size_t kGroupsPerPiece = 16384;
// How many names ahead each step of reading a name is asked for.
constexpr std::size_t kAhead = 8;

}  // namespace

SymbolIndex::SymbolIndex(const TagStore& store) : m_store(&store) {
    const std::size_t count = store.size();
    // Open addressing, at most half full: each slot holds a group's number plus one (0: empty) and,
    // above it, 32 bits of its name's hash, so that a probe rarely reads another name.
    std::vector<std::uint64_t> table(std::bit_ceil(std::max<std::size_t>(count * 2, 16)));
    const std::size_t mask = table.size() - 1;
    std::vector<std::uint32_t> groupOf(count, UINT32_MAX);
    std::vector<std::uint32_t> firstOf;  // per group, the store position of its first tag
    const std::hash<std::string_view> hash;
    for (std::size_t position = 0; position < count; ++position) {
        // The records lie anywhere: each is asked for, then its text, some places ahead.
        if (position + 2 * kAhead < count) {
            PrefetchRecord(store[position + 2 * kAhead]);
        }
        if (position + kAhead < count) {
            __builtin_prefetch(store[position + kAhead].GetText().data());
        }
        const CTagEntry& tag = store[position];
        if (tag.IsPseudoTag()) {
            continue;
        }
        const std::string_view name = tag.GetName();
        const std::size_t full = hash(name);
        const std::uint64_t high = static_cast<std::uint64_t>(full >> 32 ^ (full & 0xFFFFFFFFu)) << 32;
        std::size_t slot = full & mask;
        while (table[slot] != 0 && ((table[slot] & ~std::uint64_t{0xFFFFFFFFu}) != high ||
                                    store[firstOf[(table[slot] & 0xFFFFFFFFu) - 1]].GetName() != name)) {
            slot = (slot + 1) & mask;
        }
        if (table[slot] == 0) {
            firstOf.push_back(static_cast<std::uint32_t>(position));
            m_signatures.push_back(TextSignature(name));
            m_firstBytes.push_back(name.empty() ? '\0' : name[0]);
            table[slot] = high | firstOf.size();
        }
        groupOf[position] = static_cast<std::uint32_t>((table[slot] & 0xFFFFFFFFu) - 1);
    }
    table = {};
    firstOf = {};
    m_starts.assign(m_signatures.size() + 1, 0);
    for (const std::uint32_t group : groupOf) {
        if (group != UINT32_MAX) {
            ++m_starts[group + 1];
        }
    }
    for (std::size_t group = 0; group < m_signatures.size(); ++group) {
        m_starts[group + 1] += m_starts[group];
    }
    m_positions.resize(m_starts.back());
    std::vector<std::uint32_t> next(m_starts.begin(), m_starts.end() - 1);
    for (std::size_t position = 0; position < count; ++position) {
        if (groupOf[position] != UINT32_MAX) {
            m_positions[next[groupOf[position]]++] = static_cast<std::uint32_t>(position);
        }
    }
}

std::size_t SymbolIndex::MemoryBytes() const noexcept {
    return (m_positions.capacity() + m_starts.capacity() + m_signatures.capacity()) * sizeof(std::uint32_t) +
           m_firstBytes.capacity();
}

std::vector<FoundSymbol> FindSymbols(const SymbolIndex& index, const SymbolQuery& query, std::size_t limit) {
    std::vector<FoundSymbol> found;
    if (query.Empty() || limit == 0 || index.Store() == nullptr) {
        return found;
    }
    const TagStore& store = *index.Store();
    const std::uint32_t wanted = query.nameSignature;
    const std::size_t groups = index.NameCount();
    const std::size_t pieces = (groups + kGroupsPerPiece - 1) / kGroupsPerPiece;
    std::vector<std::vector<Candidate>> matched(pieces);
    std::vector<Candidate> ranked;
    // Which names a scan reads, by how they begin: all, those that may begin as the word, the others.
    enum class Begin { Any, AsWord, Otherwise };
    const FuzzyWord* const only = query.names.size() == 1 && !query.ChecksTags() ? &query.names.front() : nullptr;
    auto scan = [&](Begin begin) {
        ShareWork(pieces, [&](std::size_t piece) {
            const std::size_t end = std::min(groups, (piece + 1) * kGroupsPerPiece);
            // The names whose signatures allow a match, read in a row.
            std::vector<std::uint32_t> maybe;
            maybe.reserve(end - piece * kGroupsPerPiece);
            for (std::size_t group = piece * kGroupsPerPiece; group < end; ++group) {
                if ((index.Signature(group) & wanted) == wanted &&
                    (begin == Begin::Any || only->MayBeginWith(index.FirstByte(group)) == (begin == Begin::AsWord))) {
                    maybe.push_back(static_cast<std::uint32_t>(group));
                }
            }
            // Their names lie anywhere: each is asked for in three steps (the store's order, the
            // record, the text) some names ahead of its scoring.
            const std::size_t count = maybe.size();
            auto firstOf = [&](std::size_t i) { return *index.DefinitionsBegin(maybe[i]); };
            for (std::size_t i = 0; i < std::min(count, 3 * kAhead); ++i) {
                if (i < kAhead) {
                    __builtin_prefetch(store[firstOf(i)].GetName().data());
                } else if (i < 2 * kAhead) {
                    PrefetchRecord(store[firstOf(i)]);
                } else {
                    store.PrefetchPlace(firstOf(i));
                }
            }
            std::vector<Candidate>& out = matched[piece];
            for (std::size_t i = 0; i < count; ++i) {
                if (i + 3 * kAhead < count) {
                    store.PrefetchPlace(firstOf(i + 3 * kAhead));
                }
                if (i + 2 * kAhead < count) {
                    PrefetchRecord(store[firstOf(i + 2 * kAhead)]);
                }
                if (i + kAhead < count) {
                    __builtin_prefetch(store[firstOf(i + kAhead)].GetName().data());
                }
                const std::string_view name = store[firstOf(i)].GetName();
                std::int64_t score = 0;
                for (const FuzzyWord& word : query.names) {
                    const std::int64_t points = word.Score(name);
                    if (points == FuzzyWord::kNoMatch) {
                        score = FuzzyWord::kNoMatch;
                        break;
                    }
                    score += points;
                }
                if (score != FuzzyWord::kNoMatch) {
                    out.push_back({score, static_cast<std::uint32_t>(name.size()), maybe[i]});
                }
            }
        });
        for (std::vector<Candidate>& piece : matched) {
            ranked.insert(ranked.end(), piece.begin(), piece.end());
            piece.clear();
        }
    };
    if (only == nullptr) {
        scan(Begin::Any);
    } else {
        scan(Begin::AsWord);
        const auto prefixes = std::count_if(
            ranked.begin(), ranked.end(), [](const Candidate& name) { return name.score >= FuzzyWord::kPrefixBonus; });
        if (static_cast<std::size_t>(prefixes) < limit) {
            scan(Begin::Otherwise);
        }
    }
    // Names are ranked a batch at a time, as far as the list needs: each brings at least one tag
    // unless the kind, file or scope words leave out all of its tags, which are read only here.
    std::size_t ordered = 0;
    std::size_t batch = limit;
    for (std::size_t i = 0; i < ranked.size() && found.size() < limit; ++i) {
        if (i == ordered) {
            const std::size_t more = std::min(batch, ranked.size() - ordered);
            std::partial_sort(ranked.begin() + static_cast<std::ptrdiff_t>(ordered),
                              ranked.begin() + static_cast<std::ptrdiff_t>(ordered + more), ranked.end(), RanksBefore);
            ordered += more;
            batch *= 2;
        }
        const Candidate& name = ranked[i];
        for (const std::uint32_t* at = index.DefinitionsBegin(name.group);
             at != index.DefinitionsEnd(name.group) && found.size() < limit; ++at) {
            if (!query.ChecksTags() || query.TagPasses(store[*at])) {
                found.push_back({*at, name.score});
            }
        }
    }
    return found;
}

}  // namespace quarrow
