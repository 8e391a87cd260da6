#pragma once
// Tells the code page of a tags file from its bytes when the user gave none: a file that is not
// UTF-8 but is Shift-JIS (code page 932) throughout is Shift-JIS; any other file reads as UTF-8,
// so plain ASCII and UTF-8 files, and files that are neither, read as they always have.

#include <optional>
#include <string_view>

#include "tags/code_page.h"

namespace quarrow {

// Whether `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
// In both checks a character that the end of `bytes` cuts short counts: a tags file read while
// ctags still writes it ends so, and one cut character must not turn the whole file around.
bool IsUtf8Text(std::string_view bytes) noexcept;

// Whether `bytes` is made of code page 932 characters throughout: ASCII, half-width katakana
// (0xA1-0xDF), or a lead byte (0x81-0x9F, 0xE0-0xFC) with a trail byte (0x40-0x7E, 0x80-0xFC).
// Characters the code page leaves unassigned within those ranges count as well.
bool IsShiftJisText(std::string_view bytes) noexcept;

// The code page to read `bytes` with, by the rules above. Only the bytes from the first one
// above 0x7F on are looked at byte by byte; ASCII is stepped over eight bytes at a time.
CodePage DetectCodePage(std::string_view bytes) noexcept;

// How a tags file's code page is asked for, as the profile's "CODEPAGE" holds it: "932" is
// Shift-JIS, "65001" UTF-8, and anything else ("auto", empty, unreadable) leaves it to the bytes.
std::optional<CodePage> CodePageFromSetting(std::string_view value) noexcept;

}  // namespace quarrow
