#pragma once
// Dense ranks of the names of one group of records, by their bytes (unsigned, as strcmp does).

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/name_keys.h"
#include "tags/order_counters.h"

namespace quarrow::order {

// A name is read once for its key (its first sixteen bytes and its length), and once more, to copy
// the rest of it, only when its key ties with another's and both are longer. The sort compares
// only what was taken: the names view a mapped file that may be rewritten meanwhile, and two
// comparisons of one sort that read different bytes for one name would break std::sort (an
// inconsistent order is undefined behaviour there). The comparisons read no line either, which
// also spares their cache misses; only the rare ties copy bytes, once per name.
class NameRanks final {
public:
    // Starts a new group of names.
    void Clear() noexcept { m_keys.clear(); }
    // Adds the name of `record`.
    void Add(std::string_view name, Index record) {
        m_keys.push_back({NameWord(name, 0), NameWord(name, 8), static_cast<Index>(name.size()), record});
    }
    // Gives each added record its name's rank in `rankOf[record]`, and returns the number of
    // different names. `nameOf(record)` gives the name of a record again (for the rest of a
    // name whose key ties); the bytes past the first sixteen of what it gives are used.
    template <typename NameOf>
    Index Rank(NameOf nameOf, Index* rankOf) {
        // A lambda, not the function itself: the sort inlines it.
        auto keyLess = [](const NameKey& a, const NameKey& b) { return KeyLess(a, b); };
        if (!std::is_sorted(m_keys.begin(), m_keys.end(), keyLess)) {
            std::sort(m_keys.begin(), m_keys.end(), keyLess);
        }
        Index rank = 0;
        const std::size_t size = m_keys.size();
        for (std::size_t k = 0; k < size;) {
            std::size_t end = k + 1;
            while (end < size && !keyLess(m_keys[k], m_keys[end])) {
                ++end;
            }
            if (end - k > 1 && m_keys[k].length > kKeyBytes) {
                rank = RankTails(k, end, nameOf, rankOf, rank);
            } else {
                // Equal keys of names of at most sixteen bytes are equal names.
                for (std::size_t i = k; i < end; ++i) {
                    rankOf[m_keys[i].record] = rank;
                }
                ++rank;
            }
            k = end;
        }
        return rank;
    }

private:
    static constexpr Index kKeyBytes = 16;
    struct NameKey {
        std::uint64_t high;
        std::uint64_t low;
        Index length;
        Index record;
    };
    // The order of the keys alone: the first sixteen bytes, then the length up to seventeen (all
    // longer names tie: the rest of them tells).
    static bool KeyLess(const NameKey& a, const NameKey& b) noexcept {
        if (a.high != b.high) {
            return a.high < b.high;
        }
        if (a.low != b.low) {
            return a.low < b.low;
        }
        return std::min(a.length, kKeyBytes + 1) < std::min(b.length, kKeyBytes + 1);
    }
    // Ranks the keys [first, end), which tie, by the rest of their names, copied once each; the
    // first rank is `rank`; returns the next one.
    template <typename NameOf>
    Index RankTails(std::size_t first, std::size_t end, NameOf& nameOf, Index* rankOf, Index rank) {
        m_tailBytes.clear();
        m_tailStart.clear();
        m_tailOrder.clear();
        for (std::size_t i = first; i < end; ++i) {
            const std::string_view name = nameOf(m_keys[i].record);
            m_tailStart.push_back(m_tailBytes.size());
            m_tailBytes.append(name.substr(std::min<std::size_t>(kKeyBytes, name.size())));
            m_tailOrder.push_back(static_cast<Index>(i - first));
        }
        m_tailStart.push_back(m_tailBytes.size());
        auto tail = [this](Index at) {
            return std::string_view(m_tailBytes).substr(m_tailStart[at], m_tailStart[at + 1] - m_tailStart[at]);
        };
        std::sort(m_tailOrder.begin(), m_tailOrder.end(), [&](Index a, Index b) { return tail(a) < tail(b); });
        for (std::size_t i = 0; i < m_tailOrder.size(); ++i) {
            if (i > 0 && tail(m_tailOrder[i - 1]) < tail(m_tailOrder[i])) {
                ++rank;
            }
            rankOf[m_keys[first + m_tailOrder[i]].record] = rank;
        }
        return rank + 1;
    }

    std::vector<NameKey> m_keys;
    // The rest of the names of one tie, side by side.
    std::string m_tailBytes;
    std::vector<std::size_t> m_tailStart;
    std::vector<Index> m_tailOrder;
};

}  // namespace quarrow::order
