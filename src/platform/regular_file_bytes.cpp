#include "platform/regular_file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_descriptor.h"

namespace quarrow {

std::int64_t SizeAtPath(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(status.st_size);
}

int ReadRegularFile(const std::string& path, FileBytes& bytes) {
    bytes = FileBytes();
    // Non-blocking, so that opening a named pipe returns at once; a regular file ignores it.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.IsOpen()) {
        return errno;
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        return errno;
    }
    if (S_ISDIR(status.st_mode)) {
        return EISDIR;
    }
    if (!S_ISREG(status.st_mode)) {
        return EINVAL;
    }
    // The size is a hint: the file may grow or shrink while it is read.
    std::size_t capacity = static_cast<std::size_t>(status.st_size) + 1;
    std::unique_ptr<char[]> data(new char[capacity]);
    std::size_t filled = 0;
    for (;;) {
        if (filled == capacity) {
            std::unique_ptr<char[]> larger(new char[capacity * 2]);
            std::memcpy(larger.get(), data.get(), filled);
            data = std::move(larger);
            capacity *= 2;
        }
        const ssize_t got = ::read(file.Get(), data.get() + filled, capacity - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.m_data = std::move(data);
    bytes.m_size = filled;
    return 0;
}

}  // namespace quarrow
