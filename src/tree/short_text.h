#pragma once
// Equality of the short texts the tree options compare per tag (scopes, kinds, language names),
// inline: a library call costs more than the comparison itself.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace quarrow {

// Eight bytes at a time, the last eight first: names differ at their ends more often.
[[gnu::always_inline]] inline bool SameShortText(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size();
    if (n != b.size()) {
        return false;
    }
    auto word = [](const char* p) {
        std::uint64_t w;
        std::memcpy(&w, p, sizeof w);
        return w;
    };
    if (n < 8) {
        // Two loads of each text that overlap cover it, instead of a loop over its bytes.
        auto load = [](const char* p, std::size_t size) {
            std::uint32_t w = 0;
            std::memcpy(&w, p, size);
            return w;
        };
        if (n >= 4) {
            return load(a.data(), 4) == load(b.data(), 4) && load(a.data() + n - 4, 4) == load(b.data() + n - 4, 4);
        }
        if (n >= 2) {
            return load(a.data(), 2) == load(b.data(), 2) && a[n - 1] == b[n - 1];
        }
        return n == 0 || a[0] == b[0];
    }
    if (word(a.data() + n - 8) != word(b.data() + n - 8)) {
        return false;
    }
    for (std::size_t i = 0; i + 8 < n; i += 8) {
        if (word(a.data() + i) != word(b.data() + i)) {
            return false;
        }
    }
    return true;
}

}  // namespace quarrow
