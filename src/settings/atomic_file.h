#pragma once
// Whole-file reading and crash-safe replacement for small files such as the profile.

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace quarrow::atomic_file {

enum class ReadStatus { Ok, Missing, Failed };

// Reads every byte of the file. Missing: the file (or a folder on its way) does not exist.
ReadStatus ReadAll(const std::string& path, std::string& bytes);

// Follows symbolic links at the end of the path (also a dangling one) to the file they name, so
// that a replacement writes through a link instead of replacing it. Returns the path unchanged
// when it is not a link, and an empty text when the links go round in a loop or too deep, so
// that nothing is made beside a path that names no file.
std::string ResolveLinks(const std::string& path);

// Writes the new content into the open stream; false when any write failed.
using ContentWriter = std::function<bool(std::FILE* file)>;

// Replaces the file's content with `bytes`: a temporary file in the same folder is written,
// flushed to disk and renamed over the file, so readers see the old or the new content and never
// a part. Keeps the permissions (and the owner, where allowed) of an existing file; a new file
// gets the usual permissions under the umask. The folder is not created, and a file the caller
// may not write is not replaced. Returns false, with the old file untouched, on any failure.
//
// The temporary file is named ".<name>.tmp<pid>-<n>" and locked (flock) by its writer while it
// exists. Each replacement first removes the temporary files of `path` that a writer killed
// mid-write left behind: those of processes that no longer exist and that nobody holds locked.
bool Replace(const std::string& path, std::string_view bytes);
// The same, with the content streamed by `write` (a large document need not be copied first).
bool Replace(const std::string& path, const ContentWriter& write);

// Removes the temporary files that writers of `path` left when they were killed (see Replace).
// A live writer's file is never removed. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path);

}  // namespace quarrow::atomic_file
