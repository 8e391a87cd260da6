#include "ctags/pending_tags_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "platform/abandoned_files.h"
#include "platform/file_descriptor.h"

namespace quarrow {

namespace {

// The file a symbolic link finally names: replacing the link itself would cut it off.
std::string ResolvedTarget(const std::string& tagsPath) {
    std::error_code error;
    if (!std::filesystem::is_symlink(tagsPath, error)) {
        return tagsPath;
    }
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(tagsPath, error);
    return error ? tagsPath : resolved.string();
}

constexpr std::size_t kRandomTailSize = 8;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name no other run picks: the tags file's name after a dot (hidden, and never matched by
// the "*" target), then this process's id (for the sweep of killed runs) and a random tail.
std::string HiddenNameBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()) ^ ++counter);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string tail;
    for (std::size_t i = 0; i < kRandomTailSize; ++i) {
        tail.push_back(kLetters[random() % (sizeof kLetters - 1)]);
    }
    const std::string folder = FolderOf(target);
    return folder + '.' + target.substr(folder.size()) + '.' + std::to_string(::getpid()) + '-' + tail;
}

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Copies the rest of `from` into `to`, up to the end or, with `firstLineOnly`, the first line
// break (included). Stops with ECANCELED once `stop` is set.
int CopyInto(int from, int to, bool firstLineOnly, const std::atomic<bool>& stop) {
    std::vector<char> buffer(firstLineOnly ? 4096 : 1 << 20);
    for (;;) {
        if (stop.load()) {
            return ECANCELED;
        }
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) {
            return 0;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bool lastPiece = false;
        if (firstLineOnly) {
            if (const void* newline = std::memchr(buffer.data(), '\n', static_cast<std::size_t>(got))) {
                got = static_cast<const char*>(newline) - buffer.data() + 1;
                lastPiece = true;
            }
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            done += put;
        }
        if (lastPiece) {
            return 0;
        }
    }
}

}  // namespace

pid_t PendingTagsFile::RunOfHiddenName(std::string_view name, std::string_view tagsFileName) {
    // "." name "." pid "-" tail
    if (name.size() < tagsFileName.size() + 2 || name[0] != '.' || name.substr(1, tagsFileName.size()) != tagsFileName ||
        name[tagsFileName.size() + 1] != '.') {
        return 0;
    }
    name.remove_prefix(tagsFileName.size() + 2);
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || name.size() - dash - 1 != kRandomTailSize) {
        return 0;
    }
    for (const char c : name.substr(dash + 1)) {
        if (!IsAsciiAlnum(c)) {
            return 0;
        }
    }
    pid_t pid = 0;
    const auto [end, parseError] = std::from_chars(name.data(), name.data() + dash, pid);
    return parseError == std::errc() && end == name.data() + dash && pid > 0 ? pid : 0;
}

std::optional<PendingTagsFile> PendingTagsFile::Create(const std::string& tagsPath, int& error) {
    const std::string target = ResolvedTarget(tagsPath);

    FileDescriptor old(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
    int oldMode = -1;
    if (old.Get() >= 0) {
        struct stat status {};
        if (::fstat(old.Get(), &status) != 0) {
            error = errno;
            return std::nullopt;
        }
        if (S_ISDIR(status.st_mode)) {
            error = EISDIR;
            return std::nullopt;
        }
        // A tags file the user made read-only stays as it is, as it would for the tool itself.
        if (::access(target.c_str(), W_OK) != 0) {
            error = errno;
            return std::nullopt;
        }
        oldMode = static_cast<int>(status.st_mode & 07777);
    } else if (errno != ENOENT) {
        error = errno;
        return std::nullopt;
    }

    const std::string folder = FolderOf(target);
    const std::string name = target.substr(folder.size());
    RemoveAbandonedFiles(folder, [&name](std::string_view entry) { return RunOfHiddenName(entry, name); });

    // 0666 less the umask, as the tool would have made a new tags file.
    std::optional<ReplacementFile> file =
        ReplacementFile::Create([&target] { return HiddenNameBeside(target); }, 0666, error);
    if (!file) {
        return std::nullopt;
    }
    // Held until the run is over, so that no other run takes the file for a killed run's.
    MarkInUse(file->Descriptor().Get());
    return PendingTagsFile(target, std::move(*file), std::move(old), oldMode);
}

PendingTagsFile::PendingTagsFile(std::string targetPath, ReplacementFile file, FileDescriptor old, int oldMode)
    : m_strTargetPath(std::move(targetPath)), m_file(std::move(file)), m_old(std::move(old)), m_nOldMode(oldMode) {}

int PendingTagsFile::SeedFromOld(Seed amount, const std::atomic<bool>& stop) {
    if (!m_old.IsOpen()) {
        return 0;
    }
    const int error = CopyInto(m_old.Get(), m_file.Descriptor().Get(), amount == Seed::FirstLine, stop);
    m_old.Close();
    return error;
}

int PendingTagsFile::Commit() {
    // On the disk before the name moves: a crash then leaves the old file or the new one.
    const int fd = m_file.Descriptor().Get();
    if (m_nOldMode >= 0) {
        // Another owner's file keeps the bits the umask gave: the rename still works.
        (void)::fchmod(fd, static_cast<mode_t>(m_nOldMode));
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        m_file.Discard();
        return error;
    }
    return m_file.RenameOver(m_strTargetPath);
}

}  // namespace quarrow
