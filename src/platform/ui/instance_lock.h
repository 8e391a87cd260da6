#pragma once
// The instance "mutex": a lock file that every instance under the single-instance rule holds
// with a shared flock(2) lock for as long as it runs. The kernel drops the lock when the process
// ends in any way, so a crashed instance leaves nothing stale behind.

#include <string>

namespace quarrow {

class InstanceLock final {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock at `path` (created when missing). False when the file cannot be opened or
    // locked; the lock is then not held. Taking it again first releases the old one.
    bool Acquire(const std::string& path);

    // True when another live holder had the lock at the moment it was taken.
    bool ExistedAlready() const noexcept { return m_bExistedAlready; }
    bool IsHeld() const noexcept { return m_fd >= 0; }

    void Release() noexcept;

private:
    int m_fd = -1;
    bool m_bExistedAlready = false;
};

}  // namespace quarrow
