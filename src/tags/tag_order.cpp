#include "tags/tag_order.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <numeric>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <type_traits>

#include "tags/usable_cpus.h"
#include "tags/file_order.h"
#include "tags/name_keys.h"

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
// This file finds the files' runs and the passes their records receive, and orders the files on
// one or two threads; file_order.cpp orders one file's records.

namespace quarrow {

bool GoesBefore(const CTagEntry& b, const CTagEntry& a) noexcept {
    const int file = b.GetFile().compare(a.GetFile());
    if (file != 0) {
        return file < 0;
    }
    return b.GetClass() == a.GetClass() && b.GetKind() == a.GetKind() && b.GetName() < a.GetName();
}

namespace {

using order::FileOrder;
using order::Fenwick;
using order::Index;
using order::PassBatch;

// Stores smaller than this are ordered on one thread: a second one would not pay for itself.
constexpr std::size_t kThreadedSize = 50'000;
// Records between two looks at a request to stop in the long loops: a look costs an atomic load,
// 64k records take about a millisecond.
constexpr Index kStopCheckMask = (Index{1} << 16) - 1;

// A stretch of records of one file, and the passes the smaller records behind it make.
struct Run {
    Index length;
    Index file;    // first the file's number in input order, then its rank
    Index passes;  // records of smaller files between this run and the file's next one
};

// The `index`-th name of those stored side by side in `bytes`, starting at `starts`.
std::string_view NameAt(const std::string& bytes, const std::vector<std::size_t>& starts, std::size_t index) noexcept {
    const std::size_t end = index + 1 < starts.size() ? starts[index + 1] : bytes.size();
    return std::string_view(bytes).substr(starts[index], end - starts[index]);
}

class StoreOrder final {
public:
    StoreOrder(const std::vector<CTagEntry>& records, const LoadProgress* progress)
        : m_records(records), m_progress(progress), m_size(static_cast<Index>(records.size())) {}

    // The permutation: position in the sorted store -> index in the input; empty when the load
    // was asked to stop. `fileStarts` (may be null) receives where each file's records begin.
    std::vector<Index> Compute(std::vector<Index>* fileStarts);

private:
    // Each step returns false when the load was asked to stop.
    bool FindRuns();
    bool CountPasses();
    bool LayOutFiles();
    bool Stopping(Index step) const noexcept { return (step & kStopCheckMask) == 0 && StopRequested(m_progress); }
    // Calls work(order, file) for every file, on one or two threads; files are independent.
    template <typename Work>
    void ForEachFile(Work work);

    const std::vector<CTagEntry>& m_records;
    const LoadProgress* m_progress;
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

std::vector<Index> StoreOrder::Compute(std::vector<Index>* fileStarts) {
    if (!FindRuns() || !CountPasses() || !LayOutFiles()) {
        return {};
    }
    m_group.resize(m_size);
    m_nameRank.resize(m_size);

    ForEachFile([&](FileOrder& order, Index file) {
        const Index start = m_fileStart[file];
        order.Order(m_order.data() + start, m_fileStart[file + 1] - start, m_batches.data() + m_batchStart[file],
                    m_batchStart[file + 1] - m_batchStart[file]);
    });
    if (StopRequested(m_progress)) {
        return {};
    }
    if (fileStarts != nullptr) {
        // Files are laid out whole, in rank order: their starts less the end.
        m_fileStart.pop_back();
        *fileStarts = std::move(m_fileStart);
    }
    return std::move(m_order);
}

template <typename Work>
void StoreOrder::ForEachFile(Work work) {
    FileOrder mine(m_records, m_group, m_nameRank);
    if (m_size < kThreadedSize || UsableCpus() < 2) {
        for (Index file = 0; file < m_files && !StopRequested(m_progress); ++file) {
            work(mine, file);
        }
        return;
    }
    // Both threads take the next file until none is left; which thread does a file does not
    // change its result.
    std::atomic<Index> next{0};
    auto loop = [&](FileOrder& order) {
        // One file takes at most milliseconds: a look per file is often enough and cheap.
        for (Index file = next++; file < m_files && !StopRequested(m_progress); file = next++) {
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

bool StoreOrder::FindRuns() {
    // Number the files as their runs are found, in a table of hashes at most half full, each
    // place holding a file's number + 1 and its hash, so that most probes compare no names. The
    // names are copied side by side for the probes: a file's first record lies anywhere in the
    // text (a cache miss a run when the files are shuffled).
    struct Place {
        Index id;  // file number + 1; 0 for free
        std::uint32_t hash;
    };
    std::vector<Place> table(1024, Place{0, 0});
    std::vector<std::size_t> nameStart;
    std::string nameBytes;
    auto insert = [&](std::uint64_t hash, Index id) {
        const std::size_t mask = table.size() - 1;
        std::size_t at = hash & mask;
        while (table[at].id != 0) {
            at = (at + 1) & mask;
        }
        table[at] = {id, static_cast<std::uint32_t>(hash >> 32)};
    };
    auto number = [&](std::string_view file, std::uint64_t hash) -> Index {
        const std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32);
        const std::size_t mask = table.size() - 1;
        for (std::size_t at = hash & mask; table[at].id != 0; at = (at + 1) & mask) {
            if (table[at].hash == tag && NameAt(nameBytes, nameStart, table[at].id - 1) == file) {
                return table[at].id - 1;
            }
        }
        nameStart.push_back(nameBytes.size());
        nameBytes.append(file);
        const auto id = static_cast<Index>(nameStart.size());
        if (nameStart.size() * 2 > table.size()) {
            table.assign(table.size() * 2, Place{0, 0});
            for (Index known = 1; known <= id; ++known) {
                insert(order::GroupHash(NameAt(nameBytes, nameStart, known - 1), {}), known);
            }
        } else {
            insert(hash, id);
        }
        return id - 1;
    };
    // In a shuffled file nearly every record begins a run, and its probe lands anywhere in the
    // table: whether a record begins a run, and its file's hash, are worked out a few records
    // ahead, and its place in the table asked for then.
    constexpr Index kAhead = 8;
    struct Ahead {
        bool beginsRun;
        std::uint64_t hash;
    };
    Ahead ahead[kAhead] = {};
    std::string_view aheadFile;  // the file of the record looked at last
    auto lookAhead = [&](Index q) {
        const std::string_view file = m_records[q].GetFile();
        Ahead& slot = ahead[q % kAhead];
        slot.beginsRun = q == 0 || file != aheadFile;
        aheadFile = file;
        if (slot.beginsRun) {
            slot.hash = order::GroupHash(file, {});
            __builtin_prefetch(&table[slot.hash & (table.size() - 1)]);
        }
    };
    for (Index q = 0; q < std::min(kAhead, m_size); ++q) {
        lookAhead(q);
    }
    for (Index p = 0; p < m_size; ++p) {
        if (Stopping(p)) {
            return false;
        }
        const Ahead here = ahead[p % kAhead];
        if (p + kAhead < m_size) {
            lookAhead(p + kAhead);
        }
        if (!here.beginsRun) {
            ++m_runs.back().length;
            continue;
        }
        m_runs.push_back({1, number(m_records[p].GetFile(), here.hash), 0});
    }
    table.clear();
    table.shrink_to_fit();
    m_files = static_cast<Index>(nameStart.size());
    std::vector<Index> byName(m_files);
    std::iota(byName.begin(), byName.end(), Index{0});
    std::sort(byName.begin(), byName.end(),
              [&](Index a, Index b) { return NameAt(nameBytes, nameStart, a) < NameAt(nameBytes, nameStart, b); });
    std::vector<Index> rankOf(m_files);
    for (Index r = 0; r < m_files; ++r) {
        rankOf[byName[r]] = r;
    }
    for (Run& run : m_runs) {
        run.file = rankOf[run.file];
    }
    return !StopRequested(m_progress);
}

bool StoreOrder::CountPasses() {
    // From the back: the records of smaller files behind each run, less those behind the file's
    // next run.
    Fenwick behind;
    behind.Reset(m_files);
    std::vector<Index> atNextRun(m_files, 0);
    for (std::size_t r = m_runs.size(); r-- > 0;) {
        if (Stopping(static_cast<Index>(r))) {
            return false;
        }
        Run& run = m_runs[r];
        const Index smaller = behind.CountBelow(run.file);
        run.passes = smaller - atNextRun[run.file];
        atNextRun[run.file] = smaller;
        behind.Add(run.file, run.length);
    }
    return true;
}

bool StoreOrder::LayOutFiles() {
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
    Index begin = 0;
    for (const Run& run : m_runs) {
        Index& at = cursor[run.file];
        for (Index p = begin; p < begin + run.length; ++p) {
            m_order[at++] = p;
        }
        begin += run.length;
        if (run.passes > 0) {
            m_batches[batchCursor[run.file]++] = {at - m_fileStart[run.file], run.passes};
        }
    }
    m_runs.clear();
    m_runs.shrink_to_fit();
    return !StopRequested(m_progress);
}

}  // namespace

std::vector<std::uint32_t> TagRecordOrder(const std::vector<CTagEntry>& records, const LoadProgress* progress,
                                          std::vector<std::uint32_t>* fileStarts) {
    static_assert(std::is_same_v<Index, std::uint32_t>);
    if (fileStarts != nullptr) {
        fileStarts->clear();
    }
    if (records.size() < 2) {
        std::vector<std::uint32_t> order(records.size());
        std::iota(order.begin(), order.end(), std::uint32_t{0});
        if (fileStarts != nullptr && !records.empty()) {
            fileStarts->push_back(0);
        }
        return order;
    }
    return StoreOrder(records, progress).Compute(fileStarts);
}

bool SortTagStore(TagStore& store, const LoadProgress* progress) {
    store.SetOrder({});
    std::vector<std::uint32_t> fileStarts;
    std::vector<std::uint32_t> order = TagRecordOrder(store.Records(), progress, &fileStarts);
    if (StopRequested(progress)) {
        return false;
    }
    store.SetOrder(std::move(order), std::move(fileStarts));
    return true;
}

void SortTagRecords(std::vector<CTagEntry>& records) {
    if (records.size() < 2) {
        return;
    }
    std::vector<Index> order = TagRecordOrder(records);
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
