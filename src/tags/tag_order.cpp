#include "tags/tag_order.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <numeric>
#include <string_view>
#include <system_error>
#include <thread>

#include "tags/usable_cpus.h"

// How the exchange sort's order is found without running it.
//
// Records of different files are always exchanged when out of order, so the result runs file by
// file. Records of one file are exchanged only inside a group (same class and kind). What happens
// to a file F's records is decided by two things: F's records in input order, and, for F's j-th
// record, the number c_j of records of smaller files lying after it and before F's next record.
// Each such smaller record, while it travels to the front, drags a "pass" over the records of F
// that precede it: the first of them is carried along and trades places with every record of its
// group with a smaller name, and the slot labels of the groups rotate by one. That is the first
// phase. In the second phase, once F's records have met every smaller record, the remaining
// comparisons sort each group by name inside the slots it holds; ties come out in an order that
// follows from where the smaller names lie between them.
//
// The first phase is never run pass by pass (see FileOrder::Labels and FileOrder::OrderGroup):
//  - The labels: a pass moves the first label to the end and gives one pass to that label's
//    group, and a record arrives with its label at the end. So the labels are a queue; placed
//    once in the order they end in, each label's passes follow from how far the queue's front
//    has travelled since the label arrived, and a group's passes from a count over its labels.
//  - A group: for one name v, look only at the group's records with names up to v (larger
//    names are passed over without effect). A record x_i of name v that arrived after P_i passes
//    and after Z_i records of smaller names has joined the leading run of v's records from pass
//    P_i + Z_i + 1 on; that run turns left by one each pass and takes joiners at its end. After
//    the group's last pass E, v's records are that run (a ring that grew and turned) followed by
//    the records that had not joined it, with P_i + Z_i - E smaller names before each.
//  - The second phase turns equal names by the smaller names found between them; both turning
//    steps are the same ring that grows at its end and turns (GrowRing).
// Cost: n log n for the files, the groups, the names and the labels, whatever the number of runs
// and passes.

namespace quarrow {

bool GoesBefore(const CTagEntry& b, const CTagEntry& a) noexcept {
    const int file = b.GetFile().compare(a.GetFile());
    if (file != 0) {
        return file < 0;
    }
    return b.GetClass() == a.GetClass() && b.GetKind() == a.GetKind() && b.GetName() < a.GetName();
}

namespace {

using Index = std::uint32_t;

// Stores smaller than this are ordered on one thread: a second one would not pay for itself.
constexpr std::size_t kThreadedSize = 50'000;

// Rings up to this many items are turned in place; longer ones are laid out from their places.
constexpr Index kDirectTurns = 32;

// Counts of small keys, to ask how many keys below a value have been added. Reused: Reset keeps
// the memory.
class Fenwick final {
public:
    void Reset(std::size_t size) {
        m_tree.assign(size + 1, 0);
        m_top = 1;
        while (m_top * 2 < m_tree.size()) {
            m_top *= 2;
        }
    }

    void Add(Index key, Index amount = 1) noexcept {
        for (std::size_t i = key + 1; i < m_tree.size(); i += i & (~i + 1)) {
            m_tree[i] += amount;
        }
    }
    // How many added keys are less than `key`.
    Index CountBelow(Index key) const noexcept {
        Index sum = 0;
        for (std::size_t i = key; i > 0; i -= i & (~i + 1)) {
            sum += m_tree[i];
        }
        return sum;
    }
    // The smallest key below which more than `nth` added keys lie (nth counts from 0).
    Index FindNth(Index nth) const noexcept {
        std::size_t at = 0;
        for (std::size_t step = m_top; step > 0; step /= 2) {
            if (at + step < m_tree.size() && m_tree[at + step] <= nth) {
                at += step;
                nth -= m_tree[at];
            }
        }
        return static_cast<Index>(at);
    }

private:
    std::vector<Index> m_tree;
    std::size_t m_top = 1;
};

// Slots 0 .. n - 1, all free at first; takes the n-th free one (counting from 0).
class FreeSlots final {
public:
    void Reset(Index size) {
        m_tree.resize(size + 1);
        for (std::size_t i = 1; i < m_tree.size(); ++i) {
            m_tree[i] = static_cast<Index>(i & (~i + 1));  // every slot free
        }
        m_top = 1;
        while (m_top * 2 < m_tree.size()) {
            m_top *= 2;
        }
    }

    Index TakeNth(Index nth) noexcept {
        std::size_t at = 0;
        for (std::size_t step = m_top; step > 0; step /= 2) {
            if (at + step < m_tree.size() && m_tree[at + step] <= nth) {
                at += step;
                nth -= m_tree[at];
            }
        }
        // `at` is the slot's index (the tree counts from 1).
        for (std::size_t i = at + 1; i < m_tree.size(); i += i & (~i + 1)) {
            --m_tree[i];
        }
        return static_cast<Index>(at);
    }

private:
    std::vector<Index> m_tree;
    std::size_t m_top = 1;
};

// Eight bytes of a name from `from` on, as a number that compares as the bytes do; zeros past
// its end, which sort before any byte of a name (names hold no NUL).
std::uint64_t NameWord(std::string_view name, std::size_t from) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        if (from + 8 <= name.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, name.data() + from, 8);
            return __builtin_bswap64(word);
        }
    }
    unsigned char bytes[8] = {};
    if (from < name.size()) {
        std::memcpy(bytes, name.data() + from, name.size() - from < 8 ? name.size() - from : 8);
    }
    std::uint64_t value = 0;
    for (unsigned char byte : bytes) {
        value = value << 8 | byte;
    }
    return value;
}

// A word-wise hash of a group's class and kind.
std::uint64_t GroupHash(std::string_view cls, std::string_view kind) noexcept {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (cls.size() << 16 | kind.size());
    auto mix = [&h](std::string_view text) {
        std::size_t pos = 0;
        for (; pos + 8 <= text.size(); pos += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + pos, 8);
            h = (h ^ word) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        std::uint64_t word = 0;
        if (pos < text.size()) {
            std::memcpy(&word, text.data() + pos, text.size() - pos);
        }
        h = (h ^ word) * 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 29;
    };
    mix(cls);
    mix(kind);
    return h;
}

// A batch of the first phase: `passes` passes over the file's first `prefix` records.
struct PassBatch {
    Index prefix;
    Index passes;
};

// Counts over a stretch of a shared array: a Fenwick tree of `size` keys whose nodes 1 .. size
// are tree[0] .. tree[size - 1]. Each group of a file keeps its own stretch of one array.
void StretchAdd(Index* tree, Index size, Index key) noexcept {
    for (Index i = key + 1; i <= size; i += i & (~i + 1)) {
        ++tree[i - 1];
    }
}

Index StretchCountBelow(const Index* tree, Index key) noexcept {
    Index sum = 0;
    for (Index i = key; i > 0; i -= i & (~i + 1)) {
        sum += tree[i - 1];
    }
    return sum;
}

// The work on one file's records, with scratch space reused from file to file. One per thread;
// files share nothing but the per-record arrays, of which each file writes only its own records'.
class FileOrder final {
public:
    FileOrder(const std::vector<CTagEntry>& records, std::vector<Index>& group, std::vector<Index>& nameRank)
        : m_records(records), m_group(group), m_nameRank(nameRank) {}

    // Puts the records of one file, which `slots` holds in input order, into store order; the
    // batches are the passes that smaller files' records make over them.
    void Order(Index* slots, Index length, const PassBatch* batches, Index batchCount);

private:
    Index NumberGroups(const Index* slots, Index length);
    Index FindGroup(const CTagEntry& record);
    void Bucket(const Index* slots, Index length, Index groups);
    void RankNames(Index groups);
    void PlaceLabels(Index length, const PassBatch* batches, Index batchCount);
    void CountPasses(const Index* slots, Index length, Index groups, const PassBatch* batches, Index batchCount);
    void OrderGroup(Index group);
    void GrowRing(const Index* items, const Index* turns, Index count, Index* out);

    const std::vector<CTagEntry>& m_records;
    std::vector<Index>& m_group;     // per record: its group's number within its file
    std::vector<Index>& m_nameRank;  // per record: its name's rank within its group

    // Open addressing table of the file's groups: group number + 1, 0 for free.
    std::vector<Index> m_table;
    std::vector<Index> m_representative;  // per group: one of its records

    // A name's first sixteen bytes and its length: enough to compare most names without them.
    struct NameKey {
        std::uint64_t high;
        std::uint64_t low;
        Index length;
        Index record;
    };
    std::vector<NameKey> m_keys;

    // Per group: its size, where its stretch starts in the arrays by group, its count of names.
    std::vector<Index> m_count;
    std::vector<Index> m_cursor;
    std::vector<Index> m_ranks;
    std::vector<Index> m_scatter;     // records by group, each group's in input order
    std::vector<Index> m_members;     // the same as places in the file's input order

    // The labels. A label is the place k of a record in the file's input order; m_labelAt[k] is
    // where its label stands in the queue's final order, m_labelOf the reverse.
    std::vector<Index> m_labelAt;
    std::vector<Index> m_labelOf;
    Index m_front = 0;                // the final order's first label
    std::vector<std::uint64_t> m_passesBefore;  // per place: its group's passes before it arrived
    std::vector<std::uint64_t> m_passes;        // per group: its passes in all
    std::vector<std::uint64_t> m_laps;          // per group: the sum of its labels' lap numbers
    std::vector<Index> m_labelRank;   // per place: its label's rank among its group's labels
    std::vector<Index> m_labelIndex;  // by group, each group's label indexes in final order
    std::vector<Index> m_groupTree;   // per group, a stretch of m_count + 1: its labels arrived
    Fenwick m_present;                // the labels arrived, by final order

    // One group at a time.
    std::vector<std::uint64_t> m_joins;  // per member: passes + smaller names before it came
    std::vector<Index> m_rankStart;
    std::vector<Index> m_nameCursor;
    std::vector<Index> m_byName;      // members by name, each name's in input order
    std::vector<Index> m_firstPhase;  // one name's records after the first phase
    std::vector<Index> m_ahead;       // smaller names before each of them then
    std::vector<Index> m_turns;
    std::vector<Index> m_ringItems;
    std::vector<Index> m_ringPlace;
    std::vector<Index> m_final;       // per group stretch: the group's records in their end order
    std::vector<Index> m_place;
    Fenwick m_smaller;
    FreeSlots m_freeSlots;
};

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
    PlaceLabels(length, batches, batchCount);
    CountPasses(slots, length, groups, batches, batchCount);
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
    for (Index k = 0; k < length; ++k) {
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
    auto less = [this](const NameKey& a, const NameKey& b) {
        if (a.high != b.high) {
            return a.high < b.high;
        }
        if (a.low != b.low) {
            return a.low < b.low;
        }
        if (a.length <= 16 && b.length <= 16) {
            return a.length < b.length;
        }
        return m_records[a.record].GetName() < m_records[b.record].GetName();
    };
    for (Index g = 0; g < groups; ++g) {
        const Index* members = m_scatter.data() + m_cursor[g];
        const Index size = m_count[g];
        m_keys.resize(size);
        for (Index k = 0; k < size; ++k) {
            const std::string_view name = m_records[members[k]].GetName();
            m_keys[k] = {NameWord(name, 0), NameWord(name, 8), static_cast<Index>(name.size()), members[k]};
        }
        if (!std::is_sorted(m_keys.begin(), m_keys.end(), less)) {
            std::sort(m_keys.begin(), m_keys.end(), less);
        }
        Index rank = 0;
        for (Index k = 0; k < size; ++k) {
            if (k > 0 && less(m_keys[k - 1], m_keys[k])) {
                ++rank;
            }
            m_nameRank[m_keys[k].record] = rank;
        }
        m_ranks[g] = size == 0 ? 0 : rank + 1;
    }
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
    const std::uint64_t n = length;
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
    std::uint64_t front = 0;  // the front's index in the final order, plus n for each lap
    Index arrived = 0;

    // The group's label indexes in final order, each group's stretch sorted.
    m_labelIndex.resize(length);
    m_nameCursor.assign(m_cursor.begin(), m_cursor.end());
    for (Index at = 0; at < length; ++at) {
        m_labelIndex[m_nameCursor[m_group[slots[m_labelOf[at]]]]++] = at;
    }
    // The passes group g has received with the front at `front`.
    auto passesOf = [&](Index g) {
        const std::uint64_t lap = (front - 1) / n;
        const Index reached = static_cast<Index>((front - 1) % n);
        const Index* begin = m_labelIndex.data() + m_cursor[g];
        const Index upTo = static_cast<Index>(std::upper_bound(begin, begin + m_count[g], reached) - begin);
        const Index passedThisLap = StretchCountBelow(m_groupTree.data() + m_cursor[g] + g, upTo);
        return static_cast<std::uint64_t>(sizes[g]) * lap - m_laps[g] - (sizes[g] - passedThisLap);
    };
    auto arrive = [&](Index upTo) {
        for (; arrived < upTo; ++arrived) {
            const Index k = arrived;
            const Index g = m_group[slots[k]];
            const Index at = m_labelAt[k];
            std::uint64_t unrolled = 0;
            if (k == 0) {
                unrolled = at;
                front = at + n;
            } else {
                const Index frontAt = static_cast<Index>(front % n);
                unrolled = front - (frontAt >= at ? frontAt - at : frontAt + n - at);
            }
            m_passesBefore[k] = sizes[g] == 0 ? 0 : passesOf(g);
            m_present.Add(at);
            StretchAdd(m_groupTree.data() + m_cursor[g] + g, m_count[g], m_labelRank[k]);
            m_laps[g] += unrolled / n;
            ++sizes[g];
        }
    };
    for (Index b = 0; b < batchCount; ++b) {
        arrive(batches[b].prefix);
        const std::uint64_t passes = batches[b].passes;
        front += passes / arrived * n;
        const Index rest = static_cast<Index>(passes % arrived);
        if (rest == 0) {
            continue;
        }
        // The front moves past `rest` labels to the next one, going round at most once.
        const Index frontAt = static_cast<Index>(front % n);
        const Index before = m_present.CountBelow(frontAt);
        const Index target = (before + rest) % arrived;
        const Index to = m_present.FindNth(target);
        front += to > frontAt ? to - frontAt : to + n - frontAt;
    }
    arrive(length);
    for (Index g = 0; g < groups; ++g) {
        m_passes[g] = passesOf(g);
    }
    assert(front % n == m_front);
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

// A stretch of records of one file, and the passes the smaller records behind it make.
struct Run {
    Index begin;
    Index length;
    Index file;    // first the file's number in input order, then its rank
    Index passes;  // records of smaller files between this run and the file's next one
};

class StoreOrder final {
public:
    explicit StoreOrder(const std::vector<CTagEntry>& records) : m_records(records), m_size(static_cast<Index>(records.size())) {}

    // The permutation: position in the sorted store -> index in the input.
    std::vector<Index> Compute();

private:
    void FindRuns();
    void CountPasses();
    void LayOutFiles();
    // Calls work(order, file) for every file, on one or two threads; files are independent.
    template <typename Work>
    void ForEachFile(Work work);

    const std::vector<CTagEntry>& m_records;
    Index m_size;
    Index m_files = 0;
    std::vector<Run> m_runs;
    std::vector<Index> m_fileStart;   // per file rank, and one past the last: its slots in m_order
    std::vector<Index> m_batchStart;  // per file rank, and one past the last: its batches
    std::vector<PassBatch> m_batches;
    std::vector<Index> m_order;       // the records file by file; finally the whole permutation
    std::vector<Index> m_group;
    std::vector<Index> m_nameRank;
};

std::vector<Index> StoreOrder::Compute() {
    FindRuns();
    CountPasses();
    LayOutFiles();
    m_group.resize(m_size);
    m_nameRank.resize(m_size);

    ForEachFile([&](FileOrder& order, Index file) {
        const Index start = m_fileStart[file];
        order.Order(m_order.data() + start, m_fileStart[file + 1] - start, m_batches.data() + m_batchStart[file],
                    m_batchStart[file + 1] - m_batchStart[file]);
    });
    return std::move(m_order);
}

template <typename Work>
void StoreOrder::ForEachFile(Work work) {
    FileOrder mine(m_records, m_group, m_nameRank);
    if (m_size < kThreadedSize || UsableCpus() < 2) {
        for (Index file = 0; file < m_files; ++file) {
            work(mine, file);
        }
        return;
    }
    // Both threads take the next file until none is left; which thread does a file does not
    // change its result.
    std::atomic<Index> next{0};
    auto loop = [&](FileOrder& order) {
        for (Index file = next++; file < m_files; file = next++) {
            work(order, file);
        }
    };
    std::exception_ptr failure;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                FileOrder theirs(m_records, m_group, m_nameRank);
                loop(theirs);
            } catch (...) {
                failure = std::current_exception();
                next = m_files;
            }
        });
    } catch (const std::system_error&) {
        loop(mine);  // no second thread to be had
        return;
    }
    try {
        loop(mine);
    } catch (...) {
        next = m_files;
        helper.join();
        throw;
    }
    helper.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void StoreOrder::FindRuns() {
    std::string_view previous;
    for (Index p = 0; p < m_size; ++p) {
        const std::string_view file = m_records[p].GetFile();
        if (p > 0 && file == previous) {
            ++m_runs.back().length;
            continue;
        }
        previous = file;
        m_runs.push_back({p, 1, 0, 0});
    }
    // Number the files in a table of twice as many places as runs, each holding a file's number
    // + 1 and its hash, so that most probes compare no names.
    std::size_t places = 16;
    while (places < m_runs.size() * 2) {
        places *= 2;
    }
    struct Place {
        Index id;  // file number + 1; 0 for free
        std::uint32_t hash;
    };
    std::vector<Place> table(places, Place{0, 0});
    std::vector<std::string_view> names;
    for (Run& run : m_runs) {
        const std::string_view file = m_records[run.begin].GetFile();
        const std::uint64_t hash = GroupHash(file, {});
        const std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t at = hash & (places - 1);; at = (at + 1) & (places - 1)) {
            Place& place = table[at];
            if (place.id == 0) {
                names.push_back(file);
                place = {static_cast<Index>(names.size()), tag};
                run.file = place.id - 1;
                break;
            }
            if (place.hash == tag && names[place.id - 1] == file) {
                run.file = place.id - 1;
                break;
            }
        }
    }
    table.clear();
    table.shrink_to_fit();
    m_files = static_cast<Index>(names.size());
    std::vector<Index> byName(m_files);
    std::iota(byName.begin(), byName.end(), Index{0});
    std::sort(byName.begin(), byName.end(), [&](Index a, Index b) { return names[a] < names[b]; });
    std::vector<Index> rankOf(m_files);
    for (Index r = 0; r < m_files; ++r) {
        rankOf[byName[r]] = r;
    }
    for (Run& run : m_runs) {
        run.file = rankOf[run.file];
    }
}

void StoreOrder::CountPasses() {
    // From the back: the records of smaller files behind each run, less those behind the file's
    // next run.
    Fenwick behind;
    behind.Reset(m_files);
    std::vector<Index> atNextRun(m_files, 0);
    for (std::size_t r = m_runs.size(); r-- > 0;) {
        Run& run = m_runs[r];
        const Index smaller = behind.CountBelow(run.file);
        run.passes = smaller - atNextRun[run.file];
        atNextRun[run.file] = smaller;
        behind.Add(run.file, run.length);
    }
}

void StoreOrder::LayOutFiles() {
    m_fileStart.assign(m_files + 1, 0);
    m_batchStart.assign(m_files + 1, 0);
    for (const Run& run : m_runs) {
        m_fileStart[run.file + 1] += run.length;
        m_batchStart[run.file + 1] += run.passes > 0 ? 1 : 0;
    }
    std::partial_sum(m_fileStart.begin(), m_fileStart.end(), m_fileStart.begin());
    std::partial_sum(m_batchStart.begin(), m_batchStart.end(), m_batchStart.begin());
    m_order.resize(m_size);
    m_batches.resize(m_batchStart.back());
    std::vector<Index> cursor(m_fileStart.begin(), m_fileStart.end() - 1);
    std::vector<Index> batchCursor(m_batchStart.begin(), m_batchStart.end() - 1);
    for (const Run& run : m_runs) {
        Index& at = cursor[run.file];
        for (Index p = run.begin; p < run.begin + run.length; ++p) {
            m_order[at++] = p;
        }
        if (run.passes > 0) {
            m_batches[batchCursor[run.file]++] = {at - m_fileStart[run.file], run.passes};
        }
    }
    m_runs.clear();
    m_runs.shrink_to_fit();
}

}  // namespace

void SortTagRecords(std::vector<CTagEntry>& records) {
    if (records.size() < 2) {
        return;
    }
    std::vector<Index> order = StoreOrder(records).Compute();
    // Apply the permutation in place, cycle by cycle; a done slot is marked by pointing at itself.
    // The records of a cycle lie anywhere: a cursor a few steps ahead on the cycle fetches them
    // before they are needed.
    constexpr int kAhead = 32;
    for (Index i = 0; i < order.size(); ++i) {
        if (order[i] == i) {
            continue;
        }
        Index ahead = order[i];
        for (int step = 0; step < kAhead; ++step) {
            __builtin_prefetch(&records[ahead]);
            ahead = order[ahead];
        }
        CTagEntry held = records[i];
        Index j = i;
        for (;;) {
            const Index from = order[j];
            order[j] = j;
            // The second test only guards the loop: in a permutation no cycle meets a done slot.
            if (from == i || order[from] == from) {
                records[j] = held;
                break;
            }
            __builtin_prefetch(&records[ahead]);
            ahead = order[ahead];
            records[j] = records[from];
            j = from;
        }
    }
}

}  // namespace quarrow
