#include "platform/abandoned_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_descriptor.h"

namespace quarrow {

namespace {

bool ProcessExists(pid_t pid) { return ::kill(pid, 0) == 0 || errno != ESRCH; }

// Removes `name` in the folder `dirFd` when it is a regular file nobody holds locked. The lock
// is taken on the very file that is removed, so a writer that still exists (in another process
// namespace, or one whose id was reused) keeps its file.
bool RemoveIfAbandoned(int dirFd, const char* name) {
    const FileDescriptor fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.IsOpen()) return false;
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd.Get(), &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 &&
           ::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == opened.st_ino &&
           named.st_dev == opened.st_dev && ::unlinkat(dirFd, name, 0) == 0;
}

}  // namespace

void MarkInUse(int fd) noexcept { (void)::flock(fd, LOCK_EX | LOCK_NB); }

int RemoveAbandonedFiles(const std::string& folder, const OwnerOfName& ownerOf) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return 0;
    const pid_t self = ::getpid();
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = ownerOf(entry->d_name);
        if (owner <= 0 || owner == self || ProcessExists(owner)) continue;
        if (RemoveIfAbandoned(::dirfd(dir), entry->d_name)) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace quarrow
