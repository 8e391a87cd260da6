#include "tags/tag_order.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string_view>
#include <unordered_map>

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
// Batches of passes are collapsed: L passes over L slots return every label to its place, so a
// group only needs to know how many passes touch its own records, and n or more passes over a
// group of n records follow from the group's sorted order (see Passes).
//
// Cost: n log n for the files, the groups and the names. A file whose records are split into k
// runs by smaller files costs k batches over its records; fewer passes over a group than it has
// records are done one by one. Both matter only for files cut into very many runs (never the case
// in a file ctags writes, where each file's tags are one run or a few after appends).

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

// Counts of small keys, to ask how many keys below a value have been added.
class Fenwick final {
public:
    explicit Fenwick(std::size_t size) : m_tree(size + 1, 0) {}

    void Add(Index key) noexcept {
        for (std::size_t i = key + 1; i < m_tree.size(); i += i & (~i + 1)) {
            ++m_tree[i];
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
    explicit FreeSlots(Index size) : m_tree(size + 1) {
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

struct GroupKey {
    Index file;
    std::string_view cls;
    std::string_view kind;
    bool operator==(const GroupKey&) const = default;
};

struct GroupKeyHash {
    std::size_t operator()(const GroupKey& key) const noexcept {
        const std::hash<std::string_view> hash;
        std::size_t h = key.file;
        h = h * 1000003u ^ hash(key.cls);
        h = h * 1000003u ^ hash(key.kind);
        return h;
    }
};

class StoreOrder final {
public:
    explicit StoreOrder(const std::vector<CTagEntry>& records) : m_records(records), m_size(static_cast<Index>(records.size())) {}

    // The permutation: position in the sorted store -> index in the input.
    std::vector<Index> Compute() {
        RankFiles();
        CountSmallerFilesAfter();
        GroupRecords();
        RankNames();
        for (Index file = 0; file + 1 < m_fileStart.size(); ++file) {
            OrderFile(file);
        }
        return std::move(m_order);
    }

private:
    void RankFiles();
    void CountSmallerFilesAfter();
    void GroupRecords();
    void RankNames();
    void OrderFile(Index file);
    void Batch(Index* slots, Index length, std::uint64_t passes, Index groups);
    void Passes(Index* seq, Index length, std::uint64_t passes);
    void SortByName(Index* seq, Index length);
    void SortGroupsByName(Index* slots, Index length, Index groups);
    void Bucket(const Index* slots, Index length, Index groups);

    const std::vector<CTagEntry>& m_records;
    Index m_size;
    std::vector<Index> m_fileRank;     // per record
    std::vector<Index> m_smallerAfter; // per record: records of smaller files after it
    std::vector<Index> m_group;        // per record: its group's number within its file
    std::vector<Index> m_nameRank;     // per record: its name's rank within its group
    std::vector<Index> m_fileStart;    // per file rank, and one past the last: its slots in m_order
    std::vector<Index> m_groupCount;   // per file rank
    std::vector<Index> m_order;        // the records file by file; finally the whole permutation

    // Scratch space, reused from file to file.
    std::vector<Index> m_count;
    std::vector<Index> m_cursor;
    std::vector<std::uint64_t> m_passes;
    std::vector<Index> m_scatter;
    std::vector<Index> m_labels;
    std::vector<Index> m_after;
    std::vector<Index> m_sorted;
    std::vector<Index> m_rankStart;
    std::vector<Index> m_rankCursor;
    std::vector<Index> m_byRank;
    std::vector<Index> m_place;
    std::vector<Index> m_run;
};

void StoreOrder::RankFiles() {
    std::unordered_map<std::string_view, Index> ids;
    std::vector<std::string_view> names;
    m_fileRank.resize(m_size);
    std::string_view previous;
    Index previousId = 0;
    for (Index p = 0; p < m_size; ++p) {
        const std::string_view file = m_records[p].GetFile();
        if (p == 0 || file != previous) {
            auto [it, added] = ids.try_emplace(file, static_cast<Index>(names.size()));
            if (added) {
                names.push_back(file);
            }
            previous = file;
            previousId = it->second;
        }
        m_fileRank[p] = previousId;
    }
    std::vector<Index> byName(names.size());
    std::iota(byName.begin(), byName.end(), Index{0});
    std::sort(byName.begin(), byName.end(), [&](Index a, Index b) { return names[a] < names[b]; });
    std::vector<Index> rankOf(names.size());
    for (Index r = 0; r < byName.size(); ++r) {
        rankOf[byName[r]] = r;
    }
    for (Index& rank : m_fileRank) {
        rank = rankOf[rank];
    }

    // Records bucketed by file rank, each file's in input order.
    m_fileStart.assign(names.size() + 1, 0);
    for (Index p = 0; p < m_size; ++p) {
        ++m_fileStart[m_fileRank[p] + 1];
    }
    std::partial_sum(m_fileStart.begin(), m_fileStart.end(), m_fileStart.begin());
    m_order.resize(m_size);
    std::vector<Index> cursor(m_fileStart.begin(), m_fileStart.end() - 1);
    for (Index p = 0; p < m_size; ++p) {
        m_order[cursor[m_fileRank[p]]++] = p;
    }
}

void StoreOrder::CountSmallerFilesAfter() {
    m_smallerAfter.resize(m_size);
    Fenwick seen(m_fileStart.size() - 1);
    for (Index p = m_size; p-- > 0;) {
        m_smallerAfter[p] = seen.CountBelow(m_fileRank[p]);
        seen.Add(m_fileRank[p]);
    }
}

void StoreOrder::GroupRecords() {
    std::unordered_map<GroupKey, Index, GroupKeyHash> ids;
    m_groupCount.assign(m_fileStart.size() - 1, 0);
    m_group.resize(m_size);
    GroupKey previous{};
    Index previousId = 0;
    for (Index p = 0; p < m_size; ++p) {
        const CTagEntry& record = m_records[p];
        const GroupKey key{m_fileRank[p], record.GetClass(), record.GetKind()};
        if (p == 0 || !(key == previous)) {
            auto [it, added] = ids.try_emplace(key, m_groupCount[key.file]);
            if (added) {
                ++m_groupCount[key.file];
            }
            previous = key;
            previousId = it->second;
        }
        m_group[p] = previousId;
    }
}

void StoreOrder::RankNames() {
    // Group numbers across the store, to bucket every group's records together.
    std::vector<Index> groupBase(m_groupCount.size() + 1, 0);
    std::partial_sum(m_groupCount.begin(), m_groupCount.end(), groupBase.begin() + 1);
    const Index groups = groupBase.back();
    std::vector<Index> start(groups + 1, 0);
    for (Index p = 0; p < m_size; ++p) {
        ++start[groupBase[m_fileRank[p]] + m_group[p] + 1];
    }
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<Index> members(m_size);
    {
        std::vector<Index> cursor(start.begin(), start.end() - 1);
        for (Index p = 0; p < m_size; ++p) {
            members[cursor[groupBase[m_fileRank[p]] + m_group[p]]++] = p;
        }
    }
    m_nameRank.resize(m_size);
    auto nameLess = [this](Index a, Index b) { return m_records[a].GetName() < m_records[b].GetName(); };
    for (Index g = 0; g < groups; ++g) {
        Index* first = members.data() + start[g];
        Index* last = members.data() + start[g + 1];
        if (!std::is_sorted(first, last, nameLess)) {
            std::sort(first, last, nameLess);
        }
        Index rank = 0;
        for (Index* it = first; it != last; ++it) {
            if (it != first && nameLess(*(it - 1), *it)) {
                ++rank;
            }
            m_nameRank[*it] = rank;
        }
    }
}

void StoreOrder::OrderFile(Index file) {
    Index* slots = m_order.data() + m_fileStart[file];
    const Index length = m_fileStart[file + 1] - m_fileStart[file];
    const Index groups = m_groupCount[file];
    // First phase: the smaller records that lie after the k-th record of the file and before the
    // next one each pass over the file's first k + 1 records. Slots after k are not yet touched.
    for (Index k = 0; k < length; ++k) {
        const Index passes = m_smallerAfter[slots[k]] - (k + 1 < length ? m_smallerAfter[slots[k + 1]] : 0);
        if (passes > 0) {
            Batch(slots, k + 1, passes, groups);
        }
    }
    SortGroupsByName(slots, length, groups);
}

// Sorts `slots` into buckets by group in m_scatter, each in slot order; m_count and m_cursor give
// each group's size and start.
void StoreOrder::Bucket(const Index* slots, Index length, Index groups) {
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

void StoreOrder::Batch(Index* slots, Index length, std::uint64_t passes, Index groups) {
    if (length < 2) {
        return;
    }
    if (groups == 1) {
        Passes(slots, length, passes);
        return;
    }
    const std::uint64_t whole = passes / length;
    const Index rest = static_cast<Index>(passes % length);
    Bucket(slots, length, groups);
    m_passes.assign(groups, 0);
    for (Index g = 0; g < groups; ++g) {
        m_passes[g] = whole * m_count[g];
    }
    for (Index k = 0; k < rest; ++k) {
        ++m_passes[m_group[slots[k]]];
    }
    for (Index g = 0; g < groups; ++g) {
        Passes(m_scatter.data() + m_cursor[g], m_count[g], m_passes[g]);
    }
    if (m_labels.size() < length) {
        m_labels.resize(length);
    }
    for (Index k = 0; k < length; ++k) {
        m_labels[k] = m_group[slots[k]];
    }
    // Each pass moves the first slot's label to the end.
    for (Index k = 0; k < length; ++k) {
        const Index from = k + rest < length ? k + rest : k + rest - length;
        slots[k] = m_scatter[m_cursor[m_labels[from]]++];
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
void StoreOrder::Passes(Index* seq, Index length, std::uint64_t passes) {
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

// The exchange sort of one whole group by name.
void StoreOrder::SortByName(Index* seq, Index length) {
    auto sorted = [&] {
        for (Index k = 1; k < length; ++k) {
            if (m_nameRank[seq[k]] < m_nameRank[seq[k - 1]]) {
                return false;
            }
        }
        return true;
    };
    if (length < 2 || sorted()) {
        return;  // an ordered group is never exchanged
    }
    Index ranks = 0;
    for (Index k = 0; k < length; ++k) {
        ranks = std::max(ranks, m_nameRank[seq[k]] + 1);
    }
    // For each record, how many records with a smaller name stand after it.
    m_after.resize(length);
    {
        Fenwick seen(ranks);
        for (Index k = length; k-- > 0;) {
            m_after[k] = seen.CountBelow(m_nameRank[seq[k]]);
            seen.Add(m_nameRank[seq[k]]);
        }
    }
    // Positions grouped by name, each name's in order.
    m_rankStart.assign(ranks + 1, 0);
    for (Index k = 0; k < length; ++k) {
        ++m_rankStart[m_nameRank[seq[k]] + 1];
    }
    std::partial_sum(m_rankStart.begin(), m_rankStart.end(), m_rankStart.begin());
    m_byRank.resize(length);
    m_rankCursor.assign(m_rankStart.begin(), m_rankStart.end() - 1);
    for (Index k = 0; k < length; ++k) {
        m_byRank[m_rankCursor[m_nameRank[seq[k]]]++] = k;
    }
    // Equal names come out turned: for j = 1 ... s, the first j of them left by d_j mod j, where
    // d_j counts the smaller names between the j-th and the (j+1)-th. That is a ring that grows
    // by one record inserted before its head, whose head then moves on by d_j mod j; the head's
    // index gives each insertion's place, and the places, laid out from the last insertion back,
    // give the final ring.
    m_run.resize(length);
    m_place.resize(length);
    for (Index v = 0; v < ranks; ++v) {
        const Index first = m_rankStart[v];
        const Index size = m_rankStart[v + 1] - first;
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
        FreeSlots slots(size);
        Index* run = m_run.data() + first;
        for (Index j = size; j-- > 0;) {
            const Index slot = slots.TakeNth(m_place[first + j]);
            run[(slot + size - head) % size] = seq[m_byRank[first + j]];
        }
    }
    std::copy(m_run.begin(), m_run.begin() + length, seq);
}

void StoreOrder::SortGroupsByName(Index* slots, Index length, Index groups) {
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

}  // namespace

void SortTagRecords(std::vector<CTagEntry>& records) {
    if (records.size() < 2) {
        return;
    }
    std::vector<Index> order = StoreOrder(records).Compute();
    // Apply the permutation in place, cycle by cycle; a done slot is marked by pointing at itself.
    for (Index i = 0; i < order.size(); ++i) {
        if (order[i] == i) {
            continue;
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
            records[j] = records[from];
            j = from;
        }
    }
}

}  // namespace quarrow
