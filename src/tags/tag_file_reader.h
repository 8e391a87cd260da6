#pragma once
// Maps a whole tags file or reads it into one block, and cuts it into records the way a line
// reader with a 2048-byte buffer in text mode would: CR LF reads as LF, a byte 0x1A ends the file,
// and a line of 2047 bytes or more before its LF arrives in pieces of at most 2047 bytes. Only the
// CR LF rule changes bytes: a file with a CR turns its private mapping writable and drops those
// CRs in place, which copies the pages from the first CR on; any other file is used as it lies in
// the page cache. A file that shrinks while it is mapped is read instead (see tag_text.h), and a
// read keeps no byte past the size the file has once it is done; a file that reports no size
// (some kernel files) is read as before.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "tags/code_page.h"
#include "tags/load_progress.h"
#include "tags/tag_store.h"

namespace quarrow {

// The size of the line buffer whose pieces the store reproduces (one byte for the NUL).
inline constexpr std::size_t kLineBufferSize = 2048;

// Applies the text-mode rules to `bytes[0, size)` in place and returns the new size.
std::size_t TranslateTextMode(char* bytes, std::size_t size) noexcept;

// Length of the piece that starts at the beginning of `rest`: up to and including the first LF,
// at most kLineBufferSize - 1 bytes.
std::size_t NextPieceLength(std::string_view rest) noexcept;

// How the file's bytes are had. A mapping spares the copy, but a file rewritten in place takes
// the records' text with it (they read as zeros, see tag_text.h): whoever keeps the records for
// long either reads, or maps and copies the bytes in later (TagText::CopyInJob), as the window
// does once its tree is shown.
enum class FileAccess { Read, Map };

// Replaces `store` by the records of the regular file at `path`, unsorted. False, with an empty
// store, when the path is not a regular file, cannot be read, or `progress` asks the load to stop.
// `progress` (may be null) hears of the bytes read and parsed: by the end, the file's size.
// The records are parsed with `cp`, or, when it is empty, with the code page the file's bytes
// tell (DetectCodePage); the store keeps the one used.
bool ReadTagsFile(const std::string& path, std::optional<CodePage> cp, TagStore& store,
                  LoadProgress* progress = nullptr, FileAccess access = FileAccess::Read);

// For tests: `hook` (null for none) is called with the open file each time a load has the file's
// bytes, mapped or read, and before it parses them, so that a test can change the file at that
// very moment. Set it only while no load runs.
void SetBytesLoadedHookForTests(void (*hook)(int fd)) noexcept;

}  // namespace quarrow
