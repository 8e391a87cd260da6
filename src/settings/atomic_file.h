#pragma once
// Whole-file reading and crash-safe replacement for small files such as the profile.

#include <string>
#include <string_view>

namespace quarrow::atomic_file {

enum class ReadStatus { Ok, Missing, Failed };

// Reads every byte of the file. Missing: the file (or a folder on its way) does not exist.
ReadStatus ReadAll(const std::string& path, std::string& bytes);

// Follows symbolic links at the end of the path (also a dangling one) to the file they name, so
// that a replacement writes through a link instead of replacing it. Returns the path unchanged
// when it is not a link.
std::string ResolveLinks(const std::string& path);

// Replaces the file's content with `bytes`: a temporary file in the same folder is written,
// flushed to disk and renamed over the file, so readers see the old or the new content and never
// a part. Keeps the permissions (and the owner, where allowed) of an existing file; a new file
// gets the usual permissions under the umask. The folder is not created, and a file the caller
// may not write is not replaced. Returns false, with the old file untouched, on any failure.
bool Replace(const std::string& path, std::string_view bytes);

}  // namespace quarrow::atomic_file
