#pragma once
// Counts the set bits of a word inline: without a popcount instruction in the target, the
// builtin is a library call, and the reader's line scans and the trees' navigation count bits in
// their inner loops.

#include <cstddef>
#include <cstdint>

namespace quarrow {

inline std::size_t BitCount(std::uint64_t bits) noexcept {
    bits -= (bits >> 1) & 0x5555555555555555u;
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::size_t>((bits * 0x0101010101010101u) >> 56);
}

}  // namespace quarrow
