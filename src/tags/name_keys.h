#pragma once
// Names and groups as machine words, so that most comparisons and look-ups read no bytes of the
// line.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quarrow::order {

// Eight bytes of a name from `from` on, as a number that compares as the bytes do; zeros past
// its end, which sort before any byte of a name (names hold no NUL).
std::uint64_t NameWord(std::string_view name, std::size_t from) noexcept;

// A word-wise hash of a group's class and kind (or of a file name, with an empty kind).
std::uint64_t GroupHash(std::string_view cls, std::string_view kind) noexcept;

}  // namespace quarrow::order
