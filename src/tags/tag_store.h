#pragma once
// The records of one tags file in store order, and the block of bytes they view.

#include <cstddef>
#include <memory>
#include <vector>

#include "tags/tag_entry.h"

namespace quarrow {

class TagStore final {
public:
    TagStore() = default;
    TagStore(TagStore&&) noexcept = default;
    TagStore& operator=(TagStore&&) noexcept = default;
    TagStore(const TagStore&) = delete;
    TagStore& operator=(const TagStore&) = delete;

    std::size_t size() const noexcept { return m_records.size(); }
    bool empty() const noexcept { return m_records.empty(); }
    const CTagEntry& operator[](std::size_t index) const noexcept { return m_records[index]; }
    auto begin() const noexcept { return m_records.begin(); }
    auto end() const noexcept { return m_records.end(); }

    // Takes ownership of the bytes the records view, and the records in their current order.
    void Assign(std::unique_ptr<char[]> bytes, std::vector<CTagEntry> records) {
        m_bytes = std::move(bytes);
        m_records = std::move(records);
    }
    std::vector<CTagEntry>& Records() noexcept { return m_records; }
    void Clear() noexcept {
        m_records.clear();
        m_records.shrink_to_fit();
        m_bytes.reset();
    }

private:
    std::unique_ptr<char[]> m_bytes;
    std::vector<CTagEntry> m_records;
};

}  // namespace quarrow
