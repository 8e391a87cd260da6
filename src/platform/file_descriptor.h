#pragma once
// An open POSIX file descriptor, closed when the owner goes: every path out of the code that
// opened it lets it go, the error paths too.

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace quarrow {

class FileDescriptor final {
public:
    FileDescriptor() noexcept = default;
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            FileDescriptor old(std::exchange(m_fd, std::exchange(other.m_fd, -1)));
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const noexcept { return m_fd; }
    bool IsOpen() const noexcept { return m_fd >= 0; }

    // Hands the descriptor to a new owner (fdopen, for one), which closes it.
    int Release() noexcept { return std::exchange(m_fd, -1); }

    // Closes now; 0, or the close's errno (a late write error can show up only here).
    int Close() noexcept {
        const int result = ::close(std::exchange(m_fd, -1));
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd = -1;
};

}  // namespace quarrow
