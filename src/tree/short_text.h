#pragma once
// Equality of the short texts the tree options compare per tag (scopes, kinds, language names),
// inline: a library call costs more than the comparison itself.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace quarrow {

// Eight bytes at a time, the last eight first: names differ at their ends more often.
inline bool SameShortText(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size();
    if (n != b.size()) {
        return false;
    }
    if (n < 8) {
        for (std::size_t i = n; i-- > 0;) {
            if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }
    auto word = [](const char* p) {
        std::uint64_t w;
        std::memcpy(&w, p, sizeof w);
        return w;
    };
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
