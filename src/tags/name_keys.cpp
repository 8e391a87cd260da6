#include "tags/name_keys.h"

#include <bit>
#include <cstring>

namespace quarrow::order {

// Eight bytes of a name from `from` on, as a number that compares as the bytes do; zeros past
// its end, which sort before any byte of a name (names hold no NUL).
std::uint64_t NameWord(std::string_view name, std::size_t from) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        if (from + 8 <= name.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, name.data() + from, 8);
            return __builtin_bswap64(word);
        }
    }
    unsigned char bytes[8] = {};
    if (from < name.size()) {
        std::memcpy(bytes, name.data() + from, name.size() - from < 8 ? name.size() - from : 8);
    }
    std::uint64_t value = 0;
    for (unsigned char byte : bytes) {
        value = value << 8 | byte;
    }
    return value;
}

// A word-wise hash of a group's class and kind.
std::uint64_t GroupHash(std::string_view cls, std::string_view kind) noexcept {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (cls.size() << 16 | kind.size());
    auto mix = [&h](std::string_view text) {
        std::size_t pos = 0;
        for (; pos + 8 <= text.size(); pos += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + pos, 8);
            h = (h ^ word) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        std::uint64_t word = 0;
        if (pos < text.size()) {
            std::memcpy(&word, text.data() + pos, text.size() - pos);
        }
        h = (h ^ word) * 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 29;
    };
    mix(cls);
    mix(kind);
    return h;
}

}  // namespace quarrow::order
