#pragma once
// An exclusive advisory lock (flock) on a lock file, held for the lifetime of the object.
// Profile writers take it around their read-modify-write so that instances writing different
// keys at the same time never drop each other's keys. The lock file is created when missing and
// left in place: removing it would let two writers lock two different files.

#include <string>

namespace quarrow {

class FileLock final {
public:
    explicit FileLock(const std::string& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const noexcept { return m_fd >= 0; }

private:
    int m_fd = -1;
};

}  // namespace quarrow
