#pragma once
// The store order as the plain exchange sort produces it, n^2 / 2 comparisons: the reference the
// fast order is checked against.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "tags/tag_entry.h"
#include "tags/tag_order.h"
#include "tags/tag_store.h"

namespace quarrow::test {

inline std::vector<const CTagEntry*> ExchangeSort(const std::vector<CTagEntry>& records) {
    std::vector<const CTagEntry*> order;
    order.reserve(records.size());
    for (const CTagEntry& record : records) {
        order.push_back(&record);
    }
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            if (GoesBefore(*order[j], *order[i])) {
                std::swap(order[i], order[j]);
            }
        }
    }
    return order;
}

// Each record's text start identifies it: every record views its own bytes of one block.
inline std::vector<const char*> Identities(const std::vector<const CTagEntry*>& order) {
    std::vector<const char*> ids;
    for (const CTagEntry* record : order) {
        ids.push_back(record->GetText().data());
    }
    return ids;
}

inline std::vector<const char*> Identities(const std::vector<CTagEntry>& records) {
    std::vector<const char*> ids;
    for (const CTagEntry& record : records) {
        ids.push_back(record.GetText().data());
    }
    return ids;
}

inline std::vector<const char*> Identities(const TagStore& store) {
    std::vector<const char*> ids;
    for (const CTagEntry& record : store) {
        ids.push_back(record.GetText().data());
    }
    return ids;
}

// Each record's offset in its block, given the records' text starts: compares orders of two
// stores of the same file, which view blocks of their own. The first piece starts a block, so
// the smallest text address is the block's start.
inline std::vector<std::ptrdiff_t> BlockOffsets(const std::vector<const char*>& ids) {
    std::vector<std::ptrdiff_t> offsets;
    const char* base = ids.empty() ? nullptr : *std::min_element(ids.begin(), ids.end());
    for (const char* id : ids) {
        offsets.push_back(id - base);
    }
    return offsets;
}

}  // namespace quarrow::test
