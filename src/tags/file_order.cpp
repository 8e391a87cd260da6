#include "tags/file_order.h"

#include <algorithm>
#include <cassert>
#include <numeric>
#include <string_view>

#include "tags/name_keys.h"

namespace quarrow::order {
namespace {

// Rings up to this many items are turned in place; longer ones are laid out from their places.
constexpr Index kDirectTurns = 32;
// How many records ahead the scans over a file's records fetch.
constexpr Index kAhead = 8;

}  // namespace

void FileOrder::Order(Index* slots, Index length, const PassBatch* batches, Index batchCount) {
    const Index groups = NumberGroups(slots, length);
    Bucket(slots, length, groups);
    RankNames(groups);
    if (groups == 1 && m_ranks[0] == length) {
        // One group of different names: it is sorted, whatever the passes did.
        m_final.resize(length);
        for (Index k = 0; k < length; ++k) {
            m_final[m_nameRank[slots[k]]] = slots[k];
        }
        std::copy(m_final.begin(), m_final.begin() + length, slots);
        return;
    }
    if (batchCount == 0 || (batchCount == 1 && batches[0].prefix == length)) {
        OneBatchAfterAll(slots, length, groups, batchCount == 0 ? 0 : batches[0].passes);
    } else {
        PlaceLabels(length, batches, batchCount);
        CountPasses(slots, length, groups, batches, batchCount);
    }
    m_final.resize(length);
    for (Index g = 0; g < groups; ++g) {
        OrderGroup(g);
    }
    // Walk the labels from the front; each takes its group's next record.
    m_nameCursor.assign(m_cursor.begin(), m_cursor.end());
    m_ringItems.resize(length);
    for (Index k = 0; k < length; ++k) {
        Index at = m_front + k;
        if (at >= length) {
            at -= length;
        }
        const Index g = m_group[slots[m_labelOf[at]]];
        m_ringItems[k] = m_final[m_nameCursor[g]++];
    }
    std::copy(m_ringItems.begin(), m_ringItems.begin() + length, slots);
}

Index FileOrder::NumberGroups(const Index* slots, Index length) {
    m_table.assign(64, 0);
    m_representative.clear();
    Index previous = 0;
    // A file's records may lie anywhere in the text (shuffled files): fetch the records and then
    // their class and kind a few places ahead, so that the misses overlap. The first ones are
    // asked for together before the loop: files are short, often shorter than the distance.
    auto fetchFields = [&](Index k) {
        const CTagEntry& ahead = m_records[slots[k]];
        __builtin_prefetch(ahead.KindPlace());
        __builtin_prefetch(ahead.GetClass().data());
    };
    for (Index k = 0; k < std::min(2 * kAhead, length); ++k) {
        PrefetchRecord(m_records[slots[k]]);
    }
    for (Index k = 0; k < std::min(kAhead, length); ++k) {
        fetchFields(k);
    }
    for (Index k = 0; k < length; ++k) {
        if (k + 2 * kAhead < length) {
            PrefetchRecord(m_records[slots[k + 2 * kAhead]]);
        }
        if (k + kAhead < length) {
            fetchFields(k + kAhead);
        }
        const CTagEntry& record = m_records[slots[k]];
        if (k > 0) {
            const CTagEntry& before = m_records[slots[k - 1]];
            if (record.GetClass() == before.GetClass() && record.GetKind() == before.GetKind()) {
                m_group[slots[k]] = previous;
                continue;
            }
        }
        previous = FindGroup(record);
        if (previous == m_representative.size()) {
            m_representative.push_back(slots[k]);
        }
        m_group[slots[k]] = previous;
    }
    return static_cast<Index>(m_representative.size());
}

// The group of `record`'s class and kind; a new number (the count so far) when it has none yet.
Index FileOrder::FindGroup(const CTagEntry& record) {
    const std::string_view cls = record.GetClass();
    const std::string_view kind = record.GetKind();
    if ((m_representative.size() + 1) * 2 > m_table.size()) {
        std::vector<Index> bigger(m_table.size() * 2, 0);
        for (Index g = 0; g < m_representative.size(); ++g) {
            const CTagEntry& rep = m_records[m_representative[g]];
            std::size_t at = GroupHash(rep.GetClass(), rep.GetKind()) & (bigger.size() - 1);
            while (bigger[at] != 0) {
                at = (at + 1) & (bigger.size() - 1);
            }
            bigger[at] = g + 1;
        }
        m_table.swap(bigger);
    }
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t at = GroupHash(cls, kind) & mask;; at = (at + 1) & mask) {
        if (m_table[at] == 0) {
            const Index added = static_cast<Index>(m_representative.size());
            m_table[at] = added + 1;
            return added;
        }
        const CTagEntry& rep = m_records[m_representative[m_table[at] - 1]];
        if (rep.GetClass() == cls && rep.GetKind() == kind) {
            return m_table[at] - 1;
        }
    }
}

// Buckets the places of `slots` by group, each group's in input order: m_scatter holds the
// records, m_members their places; m_count and m_cursor give each group's size and start.
void FileOrder::Bucket(const Index* slots, Index length, Index groups) {
    m_count.assign(groups, 0);
    for (Index k = 0; k < length; ++k) {
        ++m_count[m_group[slots[k]]];
    }
    m_cursor.resize(groups);
    Index offset = 0;
    for (Index g = 0; g < groups; ++g) {
        m_cursor[g] = offset;
        offset += m_count[g];
    }
    m_scatter.resize(length);
    m_members.resize(length);
    for (Index k = 0; k < length; ++k) {
        const Index at = m_cursor[m_group[slots[k]]]++;
        m_scatter[at] = slots[k];
        m_members[at] = k;
    }
    for (Index g = 0; g < groups; ++g) {
        m_cursor[g] -= m_count[g];
    }
}

// Ranks the names of each group densely; m_ranks gets each group's number of names.
void FileOrder::RankNames(Index groups) {
    m_ranks.assign(groups, 0);
    // The groups lie one after the other in m_scatter, and the names of a shuffled file's
    // records anywhere in the text: ask for the names a few places ahead across the groups (a
    // group is often shorter than that), the first ones all at once.
    const Index length = groups == 0 ? 0 : m_cursor[groups - 1] + m_count[groups - 1];
    auto fetchName = [this](Index at) { __builtin_prefetch(m_records[m_scatter[at]].GetName().data()); };
    for (Index at = 0; at < std::min(kAhead, length); ++at) {
        fetchName(at);
    }
    auto nameOf = [this](Index record) { return m_records[record].GetName(); };
    for (Index g = 0; g < groups; ++g) {
        const Index* members = m_scatter.data() + m_cursor[g];
        const Index size = m_count[g];
        m_names.Clear();
        for (Index k = 0; k < size; ++k) {
            if (const Index at = m_cursor[g] + k + kAhead; at < length) {
                fetchName(at);
            }
            m_names.Add(m_records[members[k]].GetName(), members[k]);
        }
        m_ranks[g] = m_names.Rank(nameOf, m_nameRank.data());
    }
}

// A file written in one run meets all its smaller records after its last one: c passes over all
// its labels at once, c div L laps and c mod L labels more. No record has passes before it, the
// labels end turned left by c mod L, and each group has c div L passes per record and one for
// each of its labels among the first c mod L.
void FileOrder::OneBatchAfterAll(const Index* slots, Index length, Index groups, Index passes) {
    m_labelAt.resize(length);
    m_labelOf.resize(length);
    std::iota(m_labelAt.begin(), m_labelAt.begin() + length, Index{0});
    std::iota(m_labelOf.begin(), m_labelOf.begin() + length, Index{0});
    m_passesBefore.assign(length, 0);
    const Index laps = passes / length;
    const Index rest = passes % length;
    m_passes.resize(groups);
    for (Index g = 0; g < groups; ++g) {
        m_passes[g] = static_cast<std::uint64_t>(laps) * m_count[g];
    }
    for (Index k = 0; k < rest; ++k) {
        ++m_passes[m_group[slots[k]]];
    }
    m_front = rest;
}

// Where each label stands in the queue's final order. The queue, read from its front, is a ring
// with a head: a record's label goes in just before the head, and c passes move the head on by c
// mod the labels so far. The head's index in the ring gives each insertion's place among the
// labels of that time, and the places, laid out from the last insertion back, the final order.
void FileOrder::PlaceLabels(Index length, const PassBatch* batches, Index batchCount) {
    m_place.resize(length);
    Index head = 0;
    Index arrived = 0;
    auto arrive = [&](Index upTo) {
        for (; arrived < upTo; ++arrived) {
            m_place[arrived] = arrived == 0 ? 0 : head++;
        }
    };
    for (Index b = 0; b < batchCount; ++b) {
        arrive(batches[b].prefix);
        head = static_cast<Index>((head + batches[b].passes % arrived) % arrived);
    }
    arrive(length);
    m_labelAt.resize(length);
    m_labelOf.resize(length);
    m_freeSlots.Reset(length);
    for (Index k = length; k-- > 0;) {
        const Index at = m_freeSlots.TakeNth(m_place[k]);
        m_labelAt[k] = at;
        m_labelOf[at] = k;
    }
    m_front = head;
}

// The passes each group receives before each of its records arrives, and in all. A pass moves the
// front label to the end and is one pass for that label's group; c passes over L labels are
// c div L laps, in which every label is passed once, and c mod L labels more. In the final order
// of the labels the front only moves forward, one lap each time it has gone round, and a label
// arrives just behind the front. So a label that arrived when the front stood at `travelled`
// (counted in labels of the final order, laps included) has been passed as often as the front
// has since reached its index on a later lap. Summed over a group's labels: labels x current lap,
// less their lap numbers at arrival, less the labels the front has not reached on its current lap.
void FileOrder::CountPasses(const Index* slots, Index length, Index groups, const PassBatch* batches, Index batchCount) {
    m_passesBefore.resize(length);
    m_passes.assign(groups, 0);
    m_laps.assign(groups, 0);
    m_labelRank.resize(length);
    m_groupTree.assign(static_cast<std::size_t>(length) + groups, 0);
    // Each group's labels in final order: their ranks address the group's stretch of the tree.
    m_turns.assign(groups, 0);
    for (Index at = 0; at < length; ++at) {
        const Index k = m_labelOf[at];
        m_labelRank[k] = m_turns[m_group[slots[k]]]++;
    }
    m_present.Reset(length);
    std::vector<Index>& sizes = m_turns;  // per group: labels arrived
    std::fill(sizes.begin(), sizes.end(), 0);
    // The front: its index in the final order and its lap (it stands at lap * n + frontAt,
    // counted in labels). Kept apart, so that no step divides by n.
    std::uint64_t lap = 0;
    Index frontAt = 0;
    Index arrived = 0;

    // The group's label indexes in final order, each group's stretch sorted.
    m_labelIndex.resize(length);
    m_nameCursor.assign(m_cursor.begin(), m_cursor.end());
    for (Index at = 0; at < length; ++at) {
        m_labelIndex[m_nameCursor[m_group[slots[m_labelOf[at]]]]++] = at;
    }
    // The passes group g has received with the front where it stands: the labels it has passed
    // are those before the front's index, on the lap before it reached index 0 again.
    auto passesOf = [&](Index g) {
        const std::uint64_t lastLap = frontAt > 0 ? lap : lap - 1;
        const Index reached = frontAt > 0 ? frontAt - 1 : length - 1;
        const Index* begin = m_labelIndex.data() + m_cursor[g];
        const Index upTo = static_cast<Index>(std::upper_bound(begin, begin + m_count[g], reached) - begin);
        const Index passedThisLap = StretchCountBelow(m_groupTree.data() + m_cursor[g] + g, upTo);
        return static_cast<std::uint64_t>(sizes[g]) * lastLap - m_laps[g] - (sizes[g] - passedThisLap);
    };
    auto arrive = [&](Index upTo) {
        for (; arrived < upTo; ++arrived) {
            const Index k = arrived;
            const Index g = m_group[slots[k]];
            const Index at = m_labelAt[k];
            // The lap of the label's place when it arrived just behind the front.
            std::uint64_t arrivalLap = 0;
            if (k == 0) {
                lap = 1;
                frontAt = at;
            } else {
                arrivalLap = frontAt >= at ? lap : lap - 1;
            }
            m_passesBefore[k] = sizes[g] == 0 ? 0 : passesOf(g);
            m_present.Add(at);
            StretchAdd(m_groupTree.data() + m_cursor[g] + g, m_count[g], m_labelRank[k]);
            m_laps[g] += arrivalLap;
            ++sizes[g];
        }
    };
    for (Index b = 0; b < batchCount; ++b) {
        arrive(batches[b].prefix);
        const std::uint64_t passes = batches[b].passes;
        lap += passes / arrived;
        const Index rest = static_cast<Index>(passes % arrived);
        if (rest == 0) {
            continue;
        }
        // The front moves past `rest` labels to the next one, going round at most once.
        const Index before = m_present.CountBelow(frontAt);
        Index target = before + rest;
        if (target >= arrived) {
            target -= arrived;
        }
        const Index to = m_present.FindNth(target);
        if (to <= frontAt) {
            ++lap;
        }
        frontAt = to;
    }
    arrive(length);
    for (Index g = 0; g < groups; ++g) {
        m_passes[g] = passesOf(g);
    }
    assert(frontAt == m_front);
}

// The order of one group's records at the end: its names in order, each name's records as the
// first phase leaves them and turned by the second.
void FileOrder::OrderGroup(Index group) {
    const Index size = m_count[group];
    const Index base = m_cursor[group];
    const Index ranks = m_ranks[group];
    const Index* records = m_scatter.data() + base;
    const Index* places = m_members.data() + base;
    Index* out = m_final.data() + base;
    if (ranks == size) {
        for (Index i = 0; i < size; ++i) {
            out[m_nameRank[records[i]]] = records[i];
        }
        return;
    }
    // Members by name, each name's in input order; and for each member the pass after which it
    // has joined its name's leading run: its group's passes and smaller names before it came.
    m_rankStart.assign(ranks + 1, 0);
    for (Index i = 0; i < size; ++i) {
        ++m_rankStart[m_nameRank[records[i]] + 1];
    }
    std::partial_sum(m_rankStart.begin(), m_rankStart.end(), m_rankStart.begin());
    m_byName.resize(size);
    m_joins.resize(size);
    m_smaller.Reset(ranks);
    m_nameCursor.assign(m_rankStart.begin(), m_rankStart.end() - 1);
    for (Index i = 0; i < size; ++i) {
        const Index rank = m_nameRank[records[i]];
        m_joins[i] = m_passesBefore[places[i]] + m_smaller.CountBelow(rank);
        m_smaller.Add(rank);
        m_byName[m_nameCursor[rank]++] = i;
    }
    const std::uint64_t passes = m_passes[group];
    m_firstPhase.resize(size);
    m_ahead.resize(size);
    m_turns.resize(size);
    m_ringItems.resize(size);
    for (Index v = 0; v < ranks; ++v) {
        const Index first = m_rankStart[v];
        const Index count = m_rankStart[v + 1] - first;
        const Index* members = m_byName.data() + first;
        // The leading run: the members that joined it before the last pass, turned as a ring.
        Index joined = 0;
        while (joined < count && m_joins[members[joined]] < passes) {
            ++joined;
        }
        for (Index j = 0; j < joined; ++j) {
            const std::uint64_t next = j + 1 < joined ? m_joins[members[j + 1]] : passes;
            m_turns[j] = static_cast<Index>((next - m_joins[members[j]]) % (j + 1));
            m_ringItems[j] = records[members[j]];
        }
        GrowRing(m_ringItems.data(), m_turns.data(), joined, m_firstPhase.data());
        for (Index j = joined; j < count; ++j) {
            m_firstPhase[j] = records[members[j]];
            m_ahead[j] = static_cast<Index>(m_joins[members[j]] - passes);
        }
        std::fill(m_ahead.begin(), m_ahead.begin() + joined, 0);
        // The second phase: the first j turn left by the smaller names between the j-th and the
        // next, or after the last.
        for (Index j = 0; j < count; ++j) {
            const Index next = j + 1 < count ? m_ahead[j + 1] : first;
            m_turns[j] = (next - m_ahead[j]) % (j + 1);
        }
        GrowRing(m_firstPhase.data(), m_turns.data(), count, out + first);
    }
}

// Items join a ring one by one at its end; after the j-th (from 1) joined, the ring turns left
// by turns[j - 1] (less than j). `out` gets the ring from its head. That is the first j turned for
// j = 1 ... count in turn; past a few items, the head's index gives each insertion's place among
// the ring's items of that time, and the places, laid out from the last insertion back, the ring.
void FileOrder::GrowRing(const Index* items, const Index* turns, Index count, Index* out) {
    if (count <= kDirectTurns) {
        for (Index j = 1; j <= count; ++j) {
            out[j - 1] = items[j - 1];
            if (turns[j - 1] != 0) {
                std::rotate(out, out + turns[j - 1], out + j);
            }
        }
        return;
    }
    std::vector<Index>& place = m_ringPlace;
    if (place.size() < count) {
        place.resize(count);
    }
    Index head = 0;
    for (Index j = 1; j <= count; ++j) {
        place[j - 1] = j == 1 ? 0 : head++;
        head = static_cast<Index>((static_cast<std::uint64_t>(head) + turns[j - 1]) % j);
    }
    m_freeSlots.Reset(count);
    for (Index j = count; j-- > 0;) {
        const Index slot = m_freeSlots.TakeNth(place[j]);
        out[(slot + count - head) % count] = items[j];
    }
}

}  // namespace quarrow::order
