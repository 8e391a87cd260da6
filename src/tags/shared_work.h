#pragma once
// Runs work items 0 .. count - 1 on this thread and, when the process may use a second processor,
// on a helper thread as well. Each thread takes the next item not yet taken, so a helper that gets
// no processor time (a busy machine) delays nothing but the one item it holds.

#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>

#include "tags/usable_cpus.h"

namespace quarrow {

// `work(i)` must not throw; items must not depend on each other.
template <typename Work>
void ShareWork(std::size_t count, Work work) noexcept {
    std::atomic<std::size_t> next{0};
    auto loop = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            work(i);
        }
    };
    std::thread helper;
    if (count > 1 && UsableCpus() >= 2) {
        try {
            helper = std::thread(loop);
        } catch (const std::system_error&) {
            // one thread does it all
        }
    }
    loop();
    if (helper.joinable()) {
        helper.join();
    }
}

}  // namespace quarrow
