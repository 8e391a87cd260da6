#include "settings/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <optional>

#include "platform/abandoned_files.h"
#include "platform/file_descriptor.h"
#include "platform/replacement_file.h"

namespace quarrow::atomic_file {

namespace {

// The folder part of a path, with its trailing separator ("" for a bare name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The start of every temporary file name of `base`; the writer's process id and a number follow.
std::string TemporaryPrefix(const std::string& base) { return "." + base + ".tmp"; }

// The process id in a temporary file name "<prefix><pid>-<n>", or 0 when the name is not one.
pid_t OwnerOf(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) return 0;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == name.size()) return 0;
    for (const char c : name.substr(dash + 1)) {
        if (c < '0' || c > '9') return 0;
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    if (error != std::errc() || end != name.data() + dash || pid <= 0) return 0;
    return pid;
}

void SyncFolder(const std::string& folder) {
    const FileDescriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.IsOpen()) {
        ::fsync(fd.Get());  // best effort: the rename is already visible to every reader
    }
}

}  // namespace

ReadStatus ReadAll(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Non-blocking, so that a FIFO put where the profile belongs cannot hang the program.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.IsOpen()) return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ReadStatus::Failed;
    }
    if (st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return ReadStatus::Failed;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return ReadStatus::Ok;
}

std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return current;
        target.resize(static_cast<std::size_t>(n));
        current = (!target.empty() && target.front() == '/') ? target : FolderOf(current) + target;
    }
    return {};  // a loop of links (or a chain as long as the system refuses)
}

int RemoveStaleTemporaries(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string prefix = TemporaryPrefix(path.substr(folder.size()));
    return RemoveAbandonedFiles(folder, [&prefix](std::string_view name) { return OwnerOf(name, prefix); });
}

bool Replace(const std::string& path, std::string_view bytes) {
    return Replace(path, [bytes](std::FILE* file) {
        return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    });
}

bool Replace(const std::string& path, const ContentWriter& write) {
    if (path.empty()) return false;
    struct stat old {};
    const bool existed = ::stat(path.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) return false;
    // A file made read-only stays as it is, as an in-place write would find it.
    if (existed && ::access(path.c_str(), W_OK) != 0) return false;

    const std::string folder = FolderOf(path);
    const std::string prefix = TemporaryPrefix(path.substr(folder.size()));
    static std::atomic<unsigned> counter{0};
    RemoveStaleTemporaries(path);

    int error = 0;
    // An existing file's mode is copied below; until then nobody else may read the data.
    std::optional<ReplacementFile> temp = ReplacementFile::Create(
        [&] { return folder + prefix + std::to_string(::getpid()) + "-" + std::to_string(counter++); },
        existed ? 0600 : 0666, error);
    if (!temp) return false;
    // From here on the temporary file goes again on every way out but the rename.
    const int fd = temp->Descriptor().Get();

    // Marks the file as being written: a later sweep leaves a locked file alone. Closing the
    // file, or the end of the process however it comes, lets the lock go. Best effort: a file
    // system without locks still has the process id check.
    (void)::flock(fd, LOCK_EX | LOCK_NB);
    bool ok = true;
    if (existed) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only the owner's own files can be given away; keep going with ours.
        }
        ok = ok && ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    std::FILE* file = ok ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) return false;
    temp->Descriptor().Release();  // the stream closes it now
    ok = write(file) && std::fflush(file) == 0 && std::ferror(file) == 0 && ::fsync(::fileno(file)) == 0;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok || temp->RenameOver(path) != 0) return false;
    SyncFolder(folder);
    return true;
}

}  // namespace quarrow::atomic_file
