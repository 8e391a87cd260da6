#pragma once
// The processor time of the calling thread, for the benchmarks that tell a step's own work from
// the time other programs had the processors.

#include <ctime>

// The calling thread's processor time so far, in ms.
inline double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}
