#pragma once
// Finds a tag's definition in its source file as the file is now, so that a jump lands on it
// after the file was edited since ctags ran. One search for every use of a tag's place (the jump
// to the editor, and whatever shows a tag's source). Plain C++, no Qt.

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/tag_address.h"

namespace quarrow {

// How the line was found, from the closest to the loosest.
enum class RefindStep {
    Exact,        // the pattern as ctags wrote it
    Blanks,       // blanks at both ends ignored, runs of blanks as one
    UpToName,     // the pattern cut after the tag's name, blanks as above
    NameAsWord,   // the tag's name as a whole word anywhere in a line
    NotFound,     // none of these: the recorded line stands
    NoPattern,    // the address is a line number only: nothing to search
    Unreadable,   // the file could not be read: the recorded line stands
};

struct RefindResult {
    std::int64_t line = 0;  // from 1; 0 when there is none to give
    RefindStep step = RefindStep::NotFound;
    int error = 0;  // the errno of an unreadable file
};

// Searches `source` (a file's bytes, lines ended by LF or CR LF, no decoding) for the address's
// pattern, step by step from the exact line to the name as a word. Each step takes the match
// nearest to `recordedLine` (the earlier on a tie), or the first with no recorded line (0).
// `name` is the tag's name. When nothing matches, the line is `recordedLine`.
RefindResult FindTagLine(std::string_view source, const TagAddress& address, std::int64_t recordedLine,
                         std::string_view name);

// The same over the file at `path`, read whole; a file that cannot be read gives Unreadable and
// `recordedLine`.
RefindResult FindTagLineInFile(const std::string& path, const TagAddress& address, std::int64_t recordedLine,
                               std::string_view name);

}  // namespace quarrow
