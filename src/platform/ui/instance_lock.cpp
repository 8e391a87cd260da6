#include "platform/ui/instance_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quarrow {

namespace {

// Not inherited by ctags or the editor: a detached editor must not keep the lock alive.
int OpenLockFile(const std::string& path) {
    int fd;
    do {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int Flock(int fd, int operation) {
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

InstanceLock::~InstanceLock() { Release(); }

void InstanceLock::Release() noexcept {
    if (m_fd >= 0) {
        close(m_fd);  // drops the lock
        m_fd = -1;
    }
    m_bExistedAlready = false;
}

bool InstanceLock::Acquire(const std::string& path) {
    Release();

    // Checking for other holders and joining them is one step under a short exclusive guard,
    // because turning the probe's exclusive lock into a shared one is not atomic.
    const int guard = OpenLockFile(path + ".guard");
    if (guard < 0) {
        return false;
    }
    if (Flock(guard, LOCK_EX) != 0) {
        close(guard);
        return false;
    }

    int fd = OpenLockFile(path);
    bool existed = false;
    bool held = false;
    if (fd >= 0) {
        if (Flock(fd, LOCK_EX | LOCK_NB) == 0) {
            held = Flock(fd, LOCK_SH) == 0;
        } else if (errno == EWOULDBLOCK) {
            existed = true;
            held = Flock(fd, LOCK_SH | LOCK_NB) == 0;
        }
        if (!held) {
            close(fd);
            fd = -1;
        }
    }
    close(guard);

    m_fd = fd;
    m_bExistedAlready = held && existed;
    return held;
}

}  // namespace quarrow
