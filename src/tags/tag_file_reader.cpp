#include "tags/tag_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace quarrow {

namespace {

constexpr char kEndOfFile = 0x1A;

// Closes a descriptor on every path out of the reader.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const noexcept { return m_fd; }

private:
    int m_fd;
};

// Reads the whole of an open regular file into one block; the file may grow or shrink while it
// is read. False when a read fails.
bool ReadAll(int fd, std::size_t sizeHint, std::unique_ptr<char[]>& block, std::size_t& size) {
    std::size_t capacity = sizeHint + 1;  // one spare byte tells the end without a second read
    block = std::make_unique_for_overwrite<char[]>(capacity);
    size = 0;
    for (;;) {
        if (size == capacity) {
            const std::size_t grown = capacity + capacity / 2 + 4096;
            auto bigger = std::make_unique_for_overwrite<char[]>(grown);
            std::memcpy(bigger.get(), block.get(), size);
            block = std::move(bigger);
            capacity = grown;
        }
        const ssize_t got = ::read(fd, block.get() + size, capacity - size);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        size += static_cast<std::size_t>(got);
    }
}

}  // namespace

std::size_t TranslateTextMode(char* bytes, std::size_t size) noexcept {
    if (const void* eof = std::memchr(bytes, kEndOfFile, size); eof != nullptr) {
        size = static_cast<std::size_t>(static_cast<const char*>(eof) - bytes);
    }
    const void* firstCr = std::memchr(bytes, '\r', size);
    if (firstCr == nullptr) {
        return size;
    }
    // Only a CR directly before an LF is dropped; a lone CR stays.
    std::size_t read = static_cast<std::size_t>(static_cast<const char*>(firstCr) - bytes);
    std::size_t write = read;
    while (read < size) {
        const char c = bytes[read++];
        if (c == '\r' && read < size && bytes[read] == '\n') {
            continue;
        }
        bytes[write++] = c;
    }
    return write;
}

std::size_t NextPieceLength(std::string_view rest) noexcept {
    const std::size_t limit = rest.size() < kLineBufferSize - 1 ? rest.size() : kLineBufferSize - 1;
    const void* lf = std::memchr(rest.data(), '\n', limit);
    return lf == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(lf) - rest.data()) + 1;
}

bool ReadTagsFile(const std::string& path, CodePage cp, TagStore& store) {
    store.Clear();
    // A FIFO or a device could block the open or the reads for ever: only regular files are
    // read, checked before the open and again on the open descriptor.
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }

    std::unique_ptr<char[]> block;
    std::size_t size = 0;
    if (!ReadAll(fd.get(), static_cast<std::size_t>(info.st_size), block, size)) {
        return false;
    }
    size = TranslateTextMode(block.get(), size);

    const std::string_view text(block.get(), size);
    std::size_t pieces = 0;
    for (std::size_t pos = 0; pos < size; pos += NextPieceLength(text.substr(pos))) {
        ++pieces;
    }
    // The order works on 32-bit record numbers.
    if (pieces >= std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }

    std::vector<CTagEntry> records;
    records.reserve(pieces);
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t length = NextPieceLength(text.substr(pos));
        records.emplace_back().Parse(text.substr(pos, length), cp);
        pos += length;
    }
    store.Assign(std::move(block), std::move(records));
    return true;
}

}  // namespace quarrow
