#pragma once
// The order of the tag store. Records are ordered by file; within a file only records of one
// class and kind are ever exchanged, by name, and how those groups interleave is exactly what a
// plain exchange sort (for each i, for each j > i, swap when record j goes before record i)
// leaves. This computes that order in about n log n steps instead of n^2 / 2 comparisons. A file
// cut into very many runs by smaller files, with groups that mix equal and other names, costs
// more; past a budget of a few seconds such a file gets its groups sorted by name within their
// slots in input order instead (see tag_order.cpp).

#include <vector>

#include "tags/tag_entry.h"

namespace quarrow {

// True when `b` goes before `a`: a smaller file, or the same file, class and kind and a smaller
// name. Bytes compare unsigned, as strcmp does.
bool GoesBefore(const CTagEntry& b, const CTagEntry& a) noexcept;

// Puts `records` into the exchange sort's order. Uses a few 32-bit words per record besides the
// records themselves, and a second thread for large stores.
void SortTagRecords(std::vector<CTagEntry>& records);

}  // namespace quarrow
