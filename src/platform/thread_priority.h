#pragma once
// Scheduling of the calling thread.

namespace quarrow {

// Lets the calling thread run only when a processor would otherwise be idle, for the rest of its
// life: for work nobody waits for, which must not take time from the window's thread. False when
// the system has no such class (the thread then runs as before).
bool RunThisThreadWhenIdle() noexcept;

}  // namespace quarrow
