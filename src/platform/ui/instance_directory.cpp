#include "platform/ui/instance_directory.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quarrow {

namespace {

// The longest process id a socket name may carry: pid_t's range, not today's pid_max, so that
// every process of the user decides alike.
constexpr std::size_t kLongestPidDigits = 10;

std::string UidText() { return std::to_string(::getuid()); }

class Descriptor final {
public:
    explicit Descriptor(int fd) noexcept : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const noexcept { return m_fd; }

private:
    int m_fd;
};

}  // namespace

bool InstanceSocketFits(const std::string& directory) {
    // "<directory>/quarrow-<uid>-<pid>" and the terminating zero.
    const std::size_t length = directory.size() + 1 + std::string("quarrow-").size() + UidText().size() + 1 +
                               kLongestPidDigits + 1;
    return length <= sizeof(sockaddr_un{}.sun_path);
}

std::string PrivateInstanceDirectory(const std::string& parent) {
    if (parent.empty() || parent.front() != '/') {
        return {};
    }
    std::string path = parent;
    if (path.back() != '/') {
        path.push_back('/');
    }
    path += "quarrow-" + UidText();
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    // The checks are made on the folder itself, opened without following a link: another user
    // may have put anything under that name in a shared folder.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    const Descriptor folder(fd);
    struct stat info {};
    // Others may not have entered it either: they could have left names of their own in it.
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & 077) != 0) {
        return {};
    }
    return path;
}

std::string InstanceDirectory(const std::string& runtimeDirectory) {
    if (InstanceSocketFits(runtimeDirectory)) {
        return runtimeDirectory;
    }
    // TMPDIR may be a per-session folder; when it is deep too, /tmp is short on every system.
    const char* temporary = std::getenv("TMPDIR");
    for (const std::string& parent : {std::string(temporary != nullptr ? temporary : ""), std::string("/tmp")}) {
        if (parent.empty() || parent.front() != '/' || !InstanceSocketFits(parent + "/quarrow-" + UidText())) {
            continue;
        }
        if (std::string folder = PrivateInstanceDirectory(parent); !folder.empty()) {
            return folder;
        }
    }
    return {};
}

}  // namespace quarrow
