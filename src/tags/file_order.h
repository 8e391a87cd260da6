#pragma once
// One file's records in store order: the first and second phase of the exchange sort over them,
// computed without running them (tag_order.cpp gives the overview).
//
// The first phase is never run pass by pass (see PlaceLabels, CountPasses and OrderGroup):
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

#include <vector>

#include "tags/name_ranks.h"
#include "tags/order_counters.h"
#include "tags/tag_entry.h"

namespace quarrow::order {

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

    // Puts the records of one file, which `slots` holds in input order, into store order; the
    // batches are the passes that smaller files' records make over them.
    void Order(Index* slots, Index length, const PassBatch* batches, Index batchCount);

private:
    Index NumberGroups(const Index* slots, Index length);
    Index FindGroup(const CTagEntry& record);
    void Bucket(const Index* slots, Index length, Index groups);
    void RankNames(Index groups);
    void OneBatchAfterAll(const Index* slots, Index length, Index groups, Index passes);
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

    NameRanks m_names;  // ranks one group's names at a time

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

}  // namespace quarrow::order
