#pragma once
// Files that a writer makes beside a file it is to replace and keeps locked (flock) while it
// works on them. Such a file stays behind only when its writer was killed; a later writer
// removes it. A live writer's file is never removed.

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace quarrow {

// Marks the open file as being written: a sweep leaves a locked file alone. Closing the file,
// or the end of the process however it comes, lets the lock go. Best effort: a file system
// without locks still has the process id check of the sweep.
void MarkInUse(int fd) noexcept;

// The writer's process id that a file name holds, or 0 when the name is no such file's.
using OwnerOfName = std::function<pid_t(std::string_view name)>;

// Removes the regular files in `folder` ("" for the working folder) whose name `ownerOf` gives
// a process id when that process no longer exists and nobody holds the file locked. The files
// of this process are left alone. Returns how many were removed.
int RemoveAbandonedFiles(const std::string& folder, const OwnerOfName& ownerOf);

}  // namespace quarrow
