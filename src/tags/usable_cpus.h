#pragma once
// How many processors this process may run on, to decide whether a second thread can help:
// its affinity mask where the system has one (a process pinned to one core gains nothing from a
// second thread), else the processors online.

#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace quarrow {

inline unsigned UsableCpus() noexcept {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
#endif
    return std::thread::hardware_concurrency();
}

}  // namespace quarrow
