#pragma once
// Runs produce(i) for items 0 .. count - 1 on this thread and, when the process may use a second
// processor, on a helper thread, and consume(i) on this thread in the order of i, each once its
// produce has ended. This thread consumes the next item when it is ready and otherwise produces the
// next item nobody has taken, so a helper that gets no processor time delays nothing but the one
// item it holds, and the two threads share the work whichever side of it is the larger.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "tags/usable_cpus.h"

namespace quarrow {

// `produce(i, worker)` runs on worker 0 (this thread) or 1 (the helper); items must not depend on
// each other, and what a worker keeps between items is its own. An item is taken only while fewer
// than `maxAhead` (at least 1) items before it wait to be consumed, which bounds what the produced
// items hold. `consume(i)` returns false to stop: no item is taken after that, the helper ends the
// one it holds, and the call returns false. An exception from produce on either thread, or from
// consume, ends the helper and is thrown here.
template <typename Produce, typename Consume>
bool ProduceAheadInOrder(std::size_t count, std::size_t maxAhead, Produce produce, Consume consume) {
    enum : std::uint8_t { kPending, kDone, kFailed };
    const auto states = std::make_unique<std::atomic<std::uint8_t>[]>(count);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> consumed{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;  // the helper's, written before its item is marked failed
    maxAhead = maxAhead == 0 ? 1 : maxAhead;

    // The next item that may be taken below `limit`, or count when there is none.
    auto take = [&](std::size_t limit) {
        std::size_t item = next.load();
        while (item < count && item < limit && !next.compare_exchange_weak(item, item + 1)) {
        }
        return item < count && item < limit ? item : count;
    };
    auto helperLoop = [&] {
        while (!stop) {
            const std::size_t done = consumed.load(std::memory_order_acquire);
            const std::size_t i = take(done + maxAhead);
            if (i == count) {
                if (next.load() >= count) {
                    return;
                }
                consumed.wait(done);  // too far ahead of the consumer
                continue;
            }
            try {
                produce(i, 1);
            } catch (...) {
                failure = std::current_exception();
                stop = true;
                states[i].store(kFailed, std::memory_order_release);
                states[i].notify_one();
                return;
            }
            states[i].store(kDone, std::memory_order_release);
            states[i].notify_one();
        }
    };
    std::thread helper;
    if (count > 1 && UsableCpus() >= 2) {
        try {
            helper = std::thread(helperLoop);
        } catch (const std::system_error&) {
            // this thread does it all
        }
    }
    // The helper views this frame: it ends before the frame does, also when this thread throws.
    struct Join {
        std::thread& thread;
        std::atomic<bool>& stop;
        std::atomic<std::size_t>& consumed;
        ~Join() {
            stop = true;
            ++consumed;  // wakes a helper that waits for the consumer
            consumed.notify_all();
            if (thread.joinable()) {
                thread.join();
            }
        }
    } join{helper, stop, consumed};

    for (std::size_t i = 0; i < count; ++i) {
        for (;;) {
            const std::uint8_t state = states[i].load(std::memory_order_acquire);
            if (state == kDone) {
                break;
            }
            if (state == kFailed || (stop && failure)) {
                std::rethrow_exception(failure);
            }
            // This item, when nobody has taken it, is always below the limit.
            const std::size_t free = take(i + maxAhead);
            if (free < count) {
                produce(free, 0);
                states[free].store(kDone, std::memory_order_release);
            } else {
                // This item is the helper's, and no other may be taken: wait for it to end.
                states[i].wait(kPending, std::memory_order_acquire);
            }
        }
        if (!consume(i)) {
            return false;
        }
        consumed.store(i + 1, std::memory_order_release);
        consumed.notify_one();
    }
    return true;
}

}  // namespace quarrow
