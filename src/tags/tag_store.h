#pragma once
// The records of one tags file, the bytes they view, and their store order. The records stay
// where the reader parsed them; the order is a list of their numbers, so ordering a million
// records moves 4-byte numbers instead of 24-byte records.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "tags/tag_entry.h"
#include "tags/tag_text.h"

namespace quarrow {

class TagStore final {
public:
    // Walks the records in store order.
    class const_iterator final {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CTagEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = const CTagEntry*;
        using reference = const CTagEntry&;

        const_iterator() = default;
        const_iterator(const TagStore* store, std::size_t index) noexcept : m_store(store), m_index(index) {}
        reference operator*() const noexcept { return (*m_store)[m_index]; }
        pointer operator->() const noexcept { return &(*m_store)[m_index]; }
        const_iterator& operator++() noexcept {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int) noexcept {
            const_iterator before = *this;
            ++m_index;
            return before;
        }
        bool operator==(const const_iterator& other) const noexcept { return m_index == other.m_index; }

    private:
        const TagStore* m_store = nullptr;
        std::size_t m_index = 0;
    };

    TagStore() = default;
    TagStore(TagStore&&) noexcept = default;
    TagStore& operator=(TagStore&&) noexcept = default;
    TagStore(const TagStore&) = delete;
    TagStore& operator=(const TagStore&) = delete;

    std::size_t size() const noexcept { return m_records.size(); }
    bool empty() const noexcept { return m_records.empty(); }
    // The record at `index` in store order.
    const CTagEntry& operator[](std::size_t index) const noexcept {
        return m_records[m_order.empty() ? index : m_order[index]];
    }
    // Asks for the order's entry of `index` ahead of operator[] (a scan in another order than the
    // store's reads it from anywhere).
    void PrefetchPlace(std::size_t index) const noexcept {
        if (!m_order.empty()) {
            __builtin_prefetch(&m_order[index]);
        }
    }
    const_iterator begin() const noexcept { return {this, 0}; }
    const_iterator end() const noexcept { return {this, size()}; }

    // The code page the records were parsed with, and that their text is shown with.
    CodePage GetCodePage() const noexcept { return m_codePage; }
    void SetCodePage(CodePage cp) noexcept { m_codePage = cp; }

    // Takes ownership of the bytes the records view, and the records in store order.
    void Assign(TagText text, std::vector<CTagEntry> records) {
        m_order.clear();
        m_order.shrink_to_fit();
        m_fileStarts.clear();
        m_fileStarts.shrink_to_fit();
        m_records = std::move(records);
        m_text = std::move(text);
    }
    // The records where they lie, in the order they were read (not store order once SetOrder
    // gave one); their addresses do not change for the store's life.
    std::vector<CTagEntry>& Records() noexcept { return m_records; }
    const std::vector<CTagEntry>& Records() const noexcept { return m_records; }
    // True when the file was mapped and has since shrunk under some of the records: their text
    // reads as zeros (see tag_text.h).
    bool TextLost() const noexcept { return m_text.LostPages(); }
    // The job that copies mapped bytes into the process's own memory (see tag_text.h); empty when
    // the bytes were read.
    std::function<void()> TextCopyJob(std::function<void()> beforeEachStep = {}) const {
        return m_text.CopyInJob(std::move(beforeEachStep));
    }
    // Store order: position -> number in Records(). A permutation of them, or empty for as read.
    // `fileStarts`, when the order keeps each file's records together, holds the position of each
    // file's first record in increasing order; empty when that is not known.
    void SetOrder(std::vector<std::uint32_t> order, std::vector<std::uint32_t> fileStarts = {}) noexcept {
        m_order = std::move(order);
        m_fileStarts = std::move(fileStarts);
    }
    // Where each file's records begin in store order (a record's file is the same as the record's
    // before unless its position is listed), so that a walk need not compare every record's file
    // with the one before; empty when unknown.
    const std::vector<std::uint32_t>& FileStarts() const noexcept { return m_fileStarts; }
    void Clear() noexcept {
        m_order.clear();
        m_order.shrink_to_fit();
        m_fileStarts.clear();
        m_fileStarts.shrink_to_fit();
        m_records.clear();
        m_records.shrink_to_fit();
        m_text = TagText();
        m_codePage = CodePage::Utf8;
    }

private:
    // Declared first, destroyed last: the records view it.
    TagText m_text;
    std::vector<CTagEntry> m_records;
    std::vector<std::uint32_t> m_order;
    std::vector<std::uint32_t> m_fileStarts;
    CodePage m_codePage = CodePage::Utf8;
};

}  // namespace quarrow
