#include "ctags/pending_tags_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

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

// A name no other run picks: the tags file's name after a dot (hidden, and never matched by
// the "*" target) with a random tail.
std::string HiddenNameBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()) ^ ++counter);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string tail;
    for (int i = 0; i < 8; ++i) {
        tail.push_back(kLetters[random() % (sizeof kLetters - 1)]);
    }
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, nameStart) + '.' + target.substr(nameStart) + '.' + tail;
}

int CopyInto(int from, int to) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) {
            return 0;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
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
    }
}

}  // namespace

std::optional<PendingTagsFile> PendingTagsFile::Create(const std::string& tagsPath, int& error) {
    const std::string target = ResolvedTarget(tagsPath);

    const FileDescriptor old(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
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

    // 0666 less the umask, as the tool would have made a new tags file.
    std::optional<ReplacementFile> file =
        ReplacementFile::Create([&target] { return HiddenNameBeside(target); }, 0666, error);
    if (!file) {
        return std::nullopt;
    }
    // From here on the hidden file goes again on every way out but a commit.
    if (old.Get() >= 0) {
        if (const int copyError = CopyInto(old.Get(), file->Descriptor().Get()); copyError != 0) {
            error = copyError;
            return std::nullopt;
        }
    }
    if (const int closeError = file->Descriptor().Close(); closeError != 0) {
        error = closeError;
        return std::nullopt;
    }
    return PendingTagsFile(target, std::move(*file), oldMode);
}

PendingTagsFile::PendingTagsFile(std::string targetPath, ReplacementFile file, int oldMode)
    : m_strTargetPath(std::move(targetPath)), m_file(std::move(file)), m_nOldMode(oldMode) {}

int PendingTagsFile::Commit() {
    int error = 0;
    {
        // On the disk before the name moves: a crash then leaves the old file or the new one.
        const FileDescriptor written(::open(m_file.Path().c_str(), O_RDONLY | O_CLOEXEC));
        if (written.Get() < 0) {
            error = errno;
        } else {
            if (m_nOldMode >= 0) {
                // Another owner's file keeps the bits the umask gave: the rename still works.
                (void)::fchmod(written.Get(), static_cast<mode_t>(m_nOldMode));
            }
            if (::fsync(written.Get()) != 0) {
                error = errno;
            }
        }
    }
    if (error != 0) {
        m_file.Discard();
        return error;
    }
    return m_file.RenameOver(m_strTargetPath);
}

}  // namespace quarrow
