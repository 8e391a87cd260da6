#include "tags/tag_order.h"

#include <algorithm>
#include <atomic>
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
// Batches of passes are collapsed: c passes over L slots turn the group labels of the slots left
// by c mod L, whatever the records, and a group only needs to know how many passes start on its
// own labels. The passes' effect on a group's records lasts only among equal names (the second
// phase sorts the group by name), so a group whose names all differ is left alone, one whose
// names are all equal turns, and only groups that mix equal and other names are passed over:
// n or more passes over a group of n records follow from its sorted order (see Passes), fewer
// are done one by one.
//
// Cost: n log n for the files, the groups and the names, and the labels' turns cost no more than
// the passes of the smaller records. Fewer passes than records over a group that mixes equal and
// other names cost passes x records. In a file ctags writes each file's tags are one run, or a
// few after appends, and that stays small; but a crafted file, such as two files alternating line
// by line with repeated names, would take hours. So the first phase's work is estimated before it
// runs; files are granted it in store order while their estimates fit a budget of a few seconds,
// and a file that does not fit gets only the second phase: its groups sorted by name within the
// slots they hold in input order.

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

// Work units of the first phase (about half a nanosecond each here, at worst near one) that all
// files together may spend: a few seconds.
constexpr std::uint64_t kFirstPhaseBudget = 4'000'000'000;

// Stores smaller than this are ordered on one thread: a second one would not pay for itself.
constexpr std::size_t kThreadedSize = 50'000;

// Equal names up to this many are turned in place; longer runs use the ring of SortByName.
constexpr Index kDirectTurns = 32;

// Counts of small keys, to ask how many keys below a value have been added. Reused: Reset keeps
// the memory.
class Fenwick final {
public:
    void Reset(std::size_t size) { m_tree.assign(size + 1, 0); }

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

private:
    std::vector<Index> m_tree;
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

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) noexcept {
    return a + b < a ? UINT64_MAX : a + b;
}

std::uint64_t SaturatingMul(std::uint64_t a, std::uint64_t b) noexcept {
    return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

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

// The work on one file's records, with scratch space reused from file to file. One per thread;
// files share nothing but the per-record arrays, of which each file writes only its own records'.
class FileOrder final {
public:
    FileOrder(const std::vector<CTagEntry>& records, std::vector<Index>& group, std::vector<Index>& nameRank)
        : m_records(records), m_group(group), m_nameRank(nameRank) {}

    // Numbers the groups and ranks the names of the file whose records `slots` holds in input
    // order; returns the number of groups and the estimated work of the first phase.
    Index Prepare(const Index* slots, Index length, const PassBatch* batches, Index batchCount, std::uint64_t& work);
    // Puts the file's records into store order, with or without the first phase.
    void Order(Index* slots, Index length, Index groups, const PassBatch* batches, Index batchCount, bool firstPhase);

private:
    Index NumberGroups(const Index* slots, Index length);
    Index FindGroup(const CTagEntry& record);
    void RankNames(Index groups);
    void FirstPhase(Index* slots, Index length, Index groups, const PassBatch* batches, Index batchCount);
    void AppendToFirstPhase(const Index* slots, Index k);
    void PassGroup(Index group, std::uint64_t passes);
    void Passes(Index* seq, Index length, std::uint64_t passes);
    void SortByName(Index* seq, Index length);
    void SortGroupsByName(Index* slots, Index length, Index groups);
    void Bucket(const Index* slots, Index length, Index groups);

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

    std::vector<Index> m_count;
    std::vector<Index> m_cursor;
    std::vector<Index> m_scatter;
    std::vector<Index> m_labels;
    std::vector<Index> m_after;
    std::vector<Index> m_sorted;
    std::vector<Index> m_rankStart;
    std::vector<Index> m_rankCursor;
    std::vector<Index> m_byRank;
    std::vector<Index> m_place;
    std::vector<Index> m_run;
    std::vector<Index> m_localRank;
    std::vector<Index> m_usedRanks;
    // What passes do to a group: nothing that lasts when its names all differ (the second phase
    // sorts it whole), a turn when they are all equal, and anything otherwise.
    enum class Names : char { Distinct, One, Mixed };
    std::vector<Names> m_names;  // per group of the file at hand

    // The first phase. Slots and records are numbered by their place in the file's input order.
    static constexpr Index kNone = UINT32_MAX;
    std::vector<Index> m_labelNext;   // the slots as a ring, in their current order
    Index m_labelHead = kNone;
    Index m_labelTail = kNone;
    std::vector<Index> m_size;        // per group: its records met so far
    std::vector<Index> m_ringNext;    // records of groups with one name, a ring per group
    std::vector<Index> m_ringHead;    // per such group
    std::vector<Index> m_ringTail;
    std::vector<Index> m_seqBase;     // per group with mixed names: its sequence in m_seq
    std::vector<Index> m_seq;
    std::vector<Index> m_present;     // groups with one or mixed names met so far
    std::vector<Index> m_touched;
    std::vector<std::uint64_t> m_turns;  // per group: passes of the batch at hand
    Fenwick m_fenwick;
    FreeSlots m_freeSlots;
};

Index FileOrder::Prepare(const Index* slots, Index length, const PassBatch* batches, Index batchCount, std::uint64_t& work) {
    const Index groups = NumberGroups(slots, length);
    Bucket(slots, length, groups);
    RankNames(groups);

    // The first phase's work, batch by batch: the walk over the labels that the passes turn and,
    // for groups that mix equal and other names, the passes one by one (at most passes x the
    // largest such group) or, for as many passes as records or more, a sort.
    Index largestGroup = 0;
    for (Index g = 0; g < groups; ++g) {
        largestGroup = std::max(largestGroup, m_count[g]);
    }
    work = 0;
    m_count.assign(groups, 0);
    Index largestMixed = 0;
    Index k = 0;
    for (Index b = 0; b < batchCount; ++b) {
        const Index prefix = batches[b].prefix;
        for (; k < prefix; ++k) {
            const Index g = m_group[slots[k]];
            ++m_count[g];
            if (m_names[g] == Names::Mixed) {
                largestMixed = std::max(largestMixed, m_count[g]);
            }
        }
        if (prefix < 2) {
            continue;
        }
        const Index passes = batches[b].passes;
        std::uint64_t cost = 0;
        if (passes >= prefix) {
            cost = static_cast<std::uint64_t>(prefix) * std::bit_width(prefix) + largestGroup;
        } else {
            cost = 2 * static_cast<std::uint64_t>(passes) + SaturatingMul(passes, largestMixed);
        }
        work = SaturatingAdd(work, cost);
    }
    return groups;
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

// Ranks the names of each group bucketed in m_scatter.
void FileOrder::RankNames(Index groups) {
    m_names.assign(groups, Names::Distinct);
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
        m_names[g] = rank + 1 == size ? Names::Distinct : rank == 0 ? Names::One : Names::Mixed;
    }
}

void FileOrder::Order(Index* slots, Index length, Index groups, const PassBatch* batches, Index batchCount, bool firstPhase) {
    if (firstPhase && batchCount > 0) {
        FirstPhase(slots, length, groups, batches, batchCount);
    }
    SortGroupsByName(slots, length, groups);
}

// The smaller records that lie after the k-th record of the file and before the next one each
// pass over the file's first k + 1 records. A batch of c passes over L slots turns the labels
// left by c mod L, so the labels are a ring whose head walks on c mod L slots; the records
// arrive at the ring's end one by one. Each group receives as many passes as the batch's passes
// start on its labels, over its own records in their own order (see Passes).
void FileOrder::FirstPhase(Index* slots, Index length, Index groups, const PassBatch* batches, Index batchCount) {
    Bucket(slots, length, groups);
    m_names.assign(groups, Names::Distinct);
    for (Index g = 0; g < groups; ++g) {
        const Index* members = m_scatter.data() + m_cursor[g];
        Index ranks = 0;
        for (Index k = 0; k < m_count[g]; ++k) {
            ranks = std::max(ranks, m_nameRank[members[k]] + 1);
        }
        m_names[g] = ranks == m_count[g] ? Names::Distinct : ranks == 1 ? Names::One : Names::Mixed;
    }
    m_seqBase.assign(m_cursor.begin(), m_cursor.end());
    m_seq.resize(length);
    m_size.assign(groups, 0);
    m_ringHead.assign(groups, kNone);
    m_ringTail.assign(groups, kNone);
    m_ringNext.resize(length);
    m_labelNext.resize(length);
    m_labelHead = kNone;
    m_labelTail = kNone;
    m_present.clear();
    m_turns.assign(groups, 0);

    Index appended = 0;
    for (Index b = 0; b < batchCount; ++b) {
        const Index prefix = batches[b].prefix;
        for (; appended < prefix; ++appended) {
            AppendToFirstPhase(slots, appended);
        }
        if (prefix < 2) {
            continue;
        }
        const std::uint64_t whole = batches[b].passes / prefix;
        const Index rest = batches[b].passes % prefix;
        // The first `rest` labels start one pass more each; then they move to the end.
        m_touched.clear();
        for (Index step = 0; step < rest; ++step) {
            const Index node = m_labelHead;
            const Index g = m_group[slots[node]];
            if (m_names[g] != Names::Distinct && m_turns[g]++ == 0) {
                m_touched.push_back(g);
            }
            m_labelTail = node;
            m_labelHead = m_labelNext[node];
        }
        for (Index g : whole > 0 ? m_present : m_touched) {
            const std::uint64_t passes = whole * m_size[g] + m_turns[g];
            m_turns[g] = 0;
            PassGroup(g, passes);
        }
    }
    for (; appended < length; ++appended) {
        AppendToFirstPhase(slots, appended);
    }

    // Walk the labels; each slot takes its group's next record. Records of groups whose names
    // all differ keep their input order: the second phase sorts them whole.
    if (m_labels.size() < length) {
        m_labels.resize(length);
    }
    m_turns.assign(groups, 0);  // now: the records each group with mixed names has given
    Index node = m_labelHead;
    for (Index k = 0; k < length; ++k, node = m_labelNext[node]) {
        const Index g = m_group[slots[node]];
        switch (m_names[g]) {
        case Names::Distinct:
            m_labels[k] = m_scatter[m_cursor[g]++];
            break;
        case Names::One:
            m_labels[k] = slots[m_ringHead[g]];
            m_ringHead[g] = m_ringNext[m_ringHead[g]];
            break;
        case Names::Mixed:
            m_labels[k] = m_seq[m_seqBase[g] + m_turns[g]++];
            break;
        }
    }
    std::copy(m_labels.begin(), m_labels.begin() + length, slots);
}

// Slot k and its record arrive at the end of the labels and of the record's group.
void FileOrder::AppendToFirstPhase(const Index* slots, Index k) {
    if (m_labelHead == kNone) {
        m_labelHead = k;
    } else {
        m_labelNext[m_labelTail] = k;
    }
    m_labelNext[k] = m_labelHead;
    m_labelTail = k;

    const Index g = m_group[slots[k]];
    if (m_names[g] != Names::Distinct && m_size[g] == 0) {
        m_present.push_back(g);
    }
    if (m_names[g] == Names::One) {
        if (m_ringHead[g] == kNone) {
            m_ringHead[g] = k;
        } else {
            m_ringNext[m_ringTail[g]] = k;
        }
        m_ringNext[k] = m_ringHead[g];
        m_ringTail[g] = k;
    } else if (m_names[g] == Names::Mixed) {
        m_seq[m_seqBase[g] + m_size[g]] = slots[k];
    }
    ++m_size[g];
}

// `passes` passes over the records of group `group` met so far.
void FileOrder::PassGroup(Index group, std::uint64_t passes) {
    const Index size = m_size[group];
    if (size < 2 || passes == 0) {
        return;
    }
    if (m_names[group] == Names::Mixed) {
        Passes(m_seq.data() + m_seqBase[group], size, passes);
        return;
    }
    // All names equal: a pass carries the first record to the end.
    for (Index turn = static_cast<Index>(passes % size); turn > 0; --turn) {
        m_ringTail[group] = m_ringHead[group];
        m_ringHead[group] = m_ringNext[m_ringHead[group]];
    }
}

// Sorts `slots` into buckets by group in m_scatter, each in slot order; m_count and m_cursor give
// each group's size and start.
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
    if (m_scatter.size() < length) {
        m_scatter.resize(length);
    }
    for (Index k = 0; k < length; ++k) {
        m_scatter[m_cursor[m_group[slots[k]]]++] = slots[k];
    }
    for (Index g = 0; g < groups; ++g) {
        m_cursor[g] -= m_count[g];
    }
}

// `passes` passes over the records of one group.
//
// Seen on a ring of the group's slots, pass t starts at slot t mod n, and its first n passes
// are the exchange sort of the sequence: pass t takes out the t-th record of the sorted order
// (smallest names first, ties as that sort leaves them) and inserts it in front of a growing
// non-increasing run of taken-out records, turning each run of smaller equal names left by one.
// So n passes leave the names in non-increasing order, each name's records in sorted order turned
// left by the number of records with a greater name, and every further pass turns each run of
// equal names left by one more. Fewer than n passes are done one by one.
void FileOrder::Passes(Index* seq, Index length, std::uint64_t passes) {
    if (length < 2 || passes == 0) {
        return;
    }
    if (passes < length) {
        for (std::uint64_t t = 0; t < passes; ++t) {
            Index carried = seq[0];
            Index carriedRank = m_nameRank[carried];
            for (Index k = 1; k < length; ++k) {
                const Index here = seq[k];
                if (m_nameRank[here] < carriedRank) {
                    seq[k - 1] = carried;
                    carried = here;
                    carriedRank = m_nameRank[here];
                } else {
                    seq[k - 1] = here;
                }
            }
            seq[length - 1] = carried;
        }
        return;
    }
    m_sorted.assign(seq, seq + length);
    SortByName(m_sorted.data(), length);
    const std::uint64_t more = passes - length;
    // Runs of equal names from the greatest down.
    Index out = 0;
    for (Index end = length; end > 0;) {
        Index begin = end - 1;
        while (begin > 0 && m_nameRank[m_sorted[begin - 1]] == m_nameRank[m_sorted[end - 1]]) {
            --begin;
        }
        const Index size = end - begin;
        const Index greater = length - end;
        const Index shift = static_cast<Index>((greater + more) % size);
        for (Index k = 0; k < size; ++k) {
            seq[out++] = m_sorted[begin + (k + shift) % size];
        }
        end = begin;
    }
}

// The exchange sort of one group's records by name.
void FileOrder::SortByName(Index* seq, Index length) {
    if (length < 2) {
        return;
    }
    bool sorted = true;
    Index ranks = 0;
    for (Index k = 0; k < length; ++k) {
        const Index rank = m_nameRank[seq[k]];
        if (k > 0 && rank < m_nameRank[seq[k - 1]]) {
            sorted = false;
        }
        ranks = std::max(ranks, rank + 1);
    }
    if (sorted) {
        return;  // an ordered group is never exchanged
    }
    // The ranks of these records, renumbered densely when they are few among many: the arrays
    // below are as long as the ranks run.
    m_localRank.resize(length);
    for (Index k = 0; k < length; ++k) {
        m_localRank[k] = m_nameRank[seq[k]];
    }
    if (ranks / 4 > length) {
        m_usedRanks.assign(m_localRank.begin(), m_localRank.begin() + length);
        std::sort(m_usedRanks.begin(), m_usedRanks.end());
        m_usedRanks.erase(std::unique(m_usedRanks.begin(), m_usedRanks.end()), m_usedRanks.end());
        for (Index k = 0; k < length; ++k) {
            m_localRank[k] =
                static_cast<Index>(std::lower_bound(m_usedRanks.begin(), m_usedRanks.end(), m_localRank[k]) - m_usedRanks.begin());
        }
        ranks = static_cast<Index>(m_usedRanks.size());
    }
    // Positions grouped by name, each name's in order.
    m_rankStart.assign(ranks + 1, 0);
    bool distinct = true;
    for (Index k = 0; k < length; ++k) {
        if (++m_rankStart[m_localRank[k] + 1] > 1) {
            distinct = false;
        }
    }
    std::partial_sum(m_rankStart.begin(), m_rankStart.end(), m_rankStart.begin());
    if (m_run.size() < length) {
        m_run.resize(length);
    }
    if (distinct) {
        // No equal names: the plain sorted order.
        for (Index k = 0; k < length; ++k) {
            m_run[m_rankStart[m_localRank[k]]] = seq[k];
        }
        std::copy(m_run.begin(), m_run.begin() + length, seq);
        return;
    }
    m_byRank.resize(length);
    m_rankCursor.assign(m_rankStart.begin(), m_rankStart.end() - 1);
    for (Index k = 0; k < length; ++k) {
        m_byRank[m_rankCursor[m_localRank[k]]++] = k;
    }
    // For each record, how many records with a smaller name stand after it.
    m_after.resize(length);
    m_fenwick.Reset(ranks);
    for (Index k = length; k-- > 0;) {
        m_after[k] = m_fenwick.CountBelow(m_localRank[k]);
        m_fenwick.Add(m_localRank[k]);
    }
    // Equal names come out turned: for j = 1 ... s, the first j of them left by d_j mod j, where
    // d_j counts the smaller names between the j-th and the (j+1)-th.
    m_place.resize(length);
    for (Index v = 0; v < ranks; ++v) {
        const Index first = m_rankStart[v];
        const Index size = m_rankStart[v + 1] - first;
        Index* run = m_run.data() + first;
        if (size <= kDirectTurns) {
            for (Index j = 1; j <= size; ++j) {
                run[j - 1] = seq[m_byRank[first + j - 1]];
                const Index here = m_after[m_byRank[first + j - 1]];
                const Index next = j < size ? m_after[m_byRank[first + j]] : 0;
                const Index shift = (here - next) % j;
                if (shift != 0) {
                    std::rotate(run, run + shift, run + j);
                }
            }
            continue;
        }
        // That is a ring that grows by one record inserted before its head, whose head then moves
        // on by d_j mod j; the head's index gives each insertion's place, and the places, laid out
        // from the last insertion back, give the final ring.
        Index head = 0;
        for (Index j = 1; j <= size; ++j) {
            const Index here = m_after[m_byRank[first + j - 1]];
            const Index next = j < size ? m_after[m_byRank[first + j]] : 0;
            Index at = 0;
            if (j > 1) {
                at = head;
                head = head + 1;
            }
            m_place[first + j - 1] = at;
            head = static_cast<Index>((static_cast<std::uint64_t>(head) + (here - next) % j) % j);
        }
        // m_place[i] is the index, among the ring's records at that time, where record i went in.
        m_freeSlots.Reset(size);
        for (Index j = size; j-- > 0;) {
            const Index slot = m_freeSlots.TakeNth(m_place[first + j]);
            run[(slot + size - head) % size] = seq[m_byRank[first + j]];
        }
    }
    std::copy(m_run.begin(), m_run.begin() + length, seq);
}

void FileOrder::SortGroupsByName(Index* slots, Index length, Index groups) {
    if (groups == 1) {
        SortByName(slots, length);
        return;
    }
    Bucket(slots, length, groups);
    for (Index g = 0; g < groups; ++g) {
        SortByName(m_scatter.data() + m_cursor[g], m_count[g]);
    }
    // The groups keep their slots.
    for (Index k = 0; k < length; ++k) {
        slots[k] = m_scatter[m_cursor[m_group[slots[k]]]++];
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

    std::vector<Index> groups(m_files);
    std::vector<std::uint64_t> work(m_files);
    ForEachFile([&](FileOrder& order, Index file) {
        const Index start = m_fileStart[file];
        groups[file] = order.Prepare(m_order.data() + start, m_fileStart[file + 1] - start, m_batches.data() + m_batchStart[file],
                                     m_batchStart[file + 1] - m_batchStart[file], work[file]);
    });
    // Files are granted the first phase in store order while the budget lasts.
    std::vector<char> firstPhase(m_files);
    std::uint64_t left = kFirstPhaseBudget;
    for (Index file = 0; file < m_files; ++file) {
        firstPhase[file] = work[file] <= left;
        if (firstPhase[file]) {
            left -= work[file];
        }
    }
    ForEachFile([&](FileOrder& order, Index file) {
        const Index start = m_fileStart[file];
        order.Order(m_order.data() + start, m_fileStart[file + 1] - start, groups[file], m_batches.data() + m_batchStart[file],
                    m_batchStart[file + 1] - m_batchStart[file], firstPhase[file] != 0);
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
