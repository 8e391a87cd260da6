#pragma once
// The order of the tag store. Records are ordered by file; within a file only records of one
// class and kind are ever exchanged, by name, and how those groups interleave is exactly what a
// plain exchange sort (for each i, for each j > i, swap when record j goes before record i)
// leaves. This computes that order in about n log n steps instead of n^2 / 2 comparisons, for
// every input: however many runs the files are cut into (see tag_order.cpp).

#include <cstdint>
#include <vector>

#include "tags/load_progress.h"
#include "tags/tag_entry.h"
#include "tags/tag_store.h"

namespace quarrow {

// True when `b` goes before `a`: a smaller file, or the same file, class and kind and a smaller
// name. Bytes compare unsigned, as strcmp does.
bool GoesBefore(const CTagEntry& b, const CTagEntry& a) noexcept;

// The exchange sort's order of `records`: position -> index in `records`. Uses a few 32-bit words
// per record besides the records themselves, and a second thread for large stores. When `progress`
// asks the load to stop, it returns soon with an empty order. `fileStarts`, when given, receives
// the position of each file's first record (as TagStore::FileStarts), or nothing when stopped.
std::vector<std::uint32_t> TagRecordOrder(const std::vector<CTagEntry>& records,
                                          const LoadProgress* progress = nullptr,
                                          std::vector<std::uint32_t>* fileStarts = nullptr);

// Gives `store` that order; its records stay where they are. False, with the store left unordered,
// when `progress` asked the load to stop.
bool SortTagStore(TagStore& store, const LoadProgress* progress = nullptr);

// Moves `records` themselves into that order (for callers that keep records apart from a store).
void SortTagRecords(std::vector<CTagEntry>& records);

}  // namespace quarrow
