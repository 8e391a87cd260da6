#include "platform/thread_priority.h"

#include <pthread.h>
#include <sched.h>

namespace quarrow {

bool RunThisThreadWhenIdle() noexcept {
#if defined(SCHED_IDLE)
    sched_param none{};
    none.sched_priority = 0;
    return ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none) == 0;
#else
    return false;
#endif
}

}  // namespace quarrow
