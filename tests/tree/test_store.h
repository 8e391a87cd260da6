#pragma once
// Builds a tag store from the text of a tags file, in the file's order (no sorting), so that the
// tree tests control the order the builder sees.

#include <memory>
#include <string_view>
#include <vector>

#include "tags/code_page.h"
#include "tags/tag_store.h"

namespace quarrow::test {

inline TagStore MakeStore(std::string_view text, CodePage cp = CodePage::Utf8) {
    const std::size_t size = text.size();
    auto bytes = std::make_unique<char[]>(size + 1);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = text[i];
    }
    std::vector<CTagEntry> records;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        CTagEntry record;
        record.Parse(std::string_view(bytes.get() + start, end - start), cp);
        records.push_back(record);
        start = end;
    }
    TagStore store;
    store.Assign(std::move(bytes), std::move(records));
    return store;
}

}  // namespace quarrow::test
