#include "platform/replacement_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace quarrow {

std::optional<ReplacementFile> ReplacementFile::Create(const std::function<std::string()>& nextName, mode_t mode,
                                                       int& error) {
    std::string path;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        path = nextName();
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    return ReplacementFile(std::move(path), FileDescriptor(fd));
}

ReplacementFile::ReplacementFile(std::string path, FileDescriptor fd) noexcept
    : m_path(std::move(path)), m_fd(std::move(fd)) {}

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept
    : m_path(std::exchange(other.m_path, std::string())), m_fd(std::move(other.m_fd)) {}

int ReplacementFile::RenameOver(const std::string& target) {
    if (::rename(m_path.c_str(), target.c_str()) != 0) {
        const int error = errno;
        Discard();
        return error;
    }
    m_path.clear();
    return 0;
}

void ReplacementFile::Discard() noexcept {
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
}

}  // namespace quarrow
