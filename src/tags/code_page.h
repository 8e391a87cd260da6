#pragma once
// Byte-wise text rules of the multibyte code page that the tags file and the profile are in.
// Searches step over double-byte characters whole, so the second byte of a Shift-JIS character
// never starts a match.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

enum class CodePage {
    Utf8,      // the locale's code page on POSIX: every search goes byte by byte
    ShiftJis,  // code page 932: a lead byte 0x81-0x9F or 0xE0-0xFC takes the next byte with it
};

// Maps the number a user gives (932 for Shift-JIS; anything else is byte-wise).
constexpr CodePage CodePageFromNumber(int number) noexcept {
    return number == 932 ? CodePage::ShiftJis : CodePage::Utf8;
}

constexpr bool IsLeadByte(CodePage cp, unsigned char byte) noexcept {
    return cp == CodePage::ShiftJis && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// Width of the character that starts at `pos`: 2 for a lead byte with a following byte, else 1.
constexpr std::size_t CharWidthAt(CodePage cp, std::string_view text, std::size_t pos) noexcept {
    return (IsLeadByte(cp, static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// First occurrence of `needle` at or after `from` that begins on a character boundary, or npos.
std::size_t FindText(CodePage cp, std::string_view text, std::string_view needle, std::size_t from = 0) noexcept;

// A stretch of a template word: literal text, or one occurrence of a marker.
struct MarkerPiece {
    std::string_view text;  // the literal text, or the marker as it stands
    int marker = -1;        // index into the markers searched for; -1 for literal text
};

// Cuts `text` at every occurrence of any of `markers` that begins on a character boundary, left
// to right without overlaps; where two could begin at the same place the first listed wins.
// Literal pieces are never empty. Filling the markers' pieces with values therefore never
// searches a value again.
std::vector<MarkerPiece> CutAtMarkers(CodePage cp, std::string_view text, std::initializer_list<std::string_view> markers);

// `text` with every occurrence of `marker` that begins on a character boundary replaced by
// `replacement`, left to right, without searching the inserted text again.
std::string ReplaceText(CodePage cp, std::string_view text, std::string_view marker, std::string_view replacement);

// Last occurrence of the single-byte `byte` that is not the second byte of a double-byte
// character, or npos.
std::size_t FindLastByte(CodePage cp, std::string_view text, char byte) noexcept;

}  // namespace quarrow
