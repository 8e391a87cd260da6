#pragma once
// A tag's address as ctags writes it in the third field of a tags line (its ex command): a search
// pattern between '/' (or '?'), a line number, or both as "NUMBER;/pattern/". Plain C++, no Qt.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/code_page.h"

namespace quarrow {

class CTagEntry;

// The source line a search pattern stands for.
struct SearchPattern {
    std::string text;         // the line's bytes, escapes undone, without "^" and "$"
    bool atLineStart = true;  // "^": the line begins with the text
    bool atLineEnd = true;    // "$": the line ends with it; ctags cuts long lines and drops the "$"
    bool operator==(const SearchPattern&) const = default;
};

struct TagAddress {
    std::int64_t number = 0;  // the ex command's line number; 0 when it has none
    // The pattern's readings, the first the one ctags means. ctags escapes only the backslash and
    // the delimiter, byte by byte; a Shift-JIS tags file may also come from a tool that leaves a
    // character's second byte 0x5C alone, which is read as a second reading when it differs.
    std::vector<SearchPattern> patterns;
    bool operator==(const TagAddress&) const = default;
};

// Reads the ex command that starts `field` (the third field of a tags line and what follows).
TagAddress ParseExCommand(std::string_view field, CodePage cp);

// The address of a tags record: the ex command after its second TAB.
TagAddress AddressOf(const CTagEntry& tag, CodePage cp);

// The line the tags file records for a tag: its "line:" field when positive, else the ex
// command's number; 0 when there is neither.
std::int64_t RecordedLine(const CTagEntry& tag, const TagAddress& address);

}  // namespace quarrow
