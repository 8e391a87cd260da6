#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tags/work_ahead.h"

namespace quarrow {
namespace {

// Every item is consumed once, in order, after it was produced; how many items there are and
// which thread produced each does not matter.
TEST(ProduceAheadInOrder, ConsumesEachProducedItemInOrder) {
    for (const std::size_t count : {0U, 1U, 2U, 500U}) {
        std::vector<int> produced(count, 0);
        std::vector<std::size_t> consumed;
        const bool finished = ProduceAheadInOrder(
            count, 3, [&](std::size_t i, unsigned) { produced[i] = static_cast<int>(i) + 1; },
            [&](std::size_t i) {
                EXPECT_EQ(produced[i], static_cast<int>(i) + 1) << "item " << i << " of " << count;
                consumed.push_back(i);
                return true;
            });
        EXPECT_TRUE(finished);
        ASSERT_EQ(consumed.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(consumed[i], i);
        }
    }
}

// A slow consumer holds the helper back: no item is produced further ahead than allowed. (The
// first item's consumer lets the helper run for a while once it has started.)
TEST(ProduceAheadInOrder, ProducesNoFurtherAheadThanAllowed) {
    constexpr std::size_t kAhead = 3;
    std::atomic<std::size_t> consumedCount{0};
    std::atomic<bool> helperStarted{false};
    std::size_t furthest = 0;
    auto produce = [&](std::size_t i, unsigned worker) {
        EXPECT_LT(i, consumedCount.load() + kAhead) << "item " << i;
        if (worker == 1) {
            helperStarted = true;
        }
    };
    auto consume = [&](std::size_t i) {
        if (i == 0) {
            const auto start = std::chrono::steady_clock::now();
            while (!helperStarted && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200)) {
                std::this_thread::yield();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        furthest = i;
        ++consumedCount;
        return true;
    };
    EXPECT_TRUE(ProduceAheadInOrder(100, kAhead, produce, consume));
    EXPECT_EQ(furthest, 99U);
}

TEST(ProduceAheadInOrder, StopsWhenAConsumerSaysSo) {
    std::vector<std::size_t> consumed;
    const bool finished = ProduceAheadInOrder(
        1000, 8, [](std::size_t, unsigned) {},
        [&](std::size_t i) {
            consumed.push_back(i);
            return i < 10;
        });
    EXPECT_FALSE(finished);
    EXPECT_EQ(consumed.size(), 11U);
}

// A failure on either thread reaches the caller, and no item from the failed one on is consumed.
TEST(ProduceAheadInOrder, ThrowsWhatAProducerThrew) {
    for (const unsigned failingWorker : {0U, 1U}) {
        std::atomic<std::size_t> firstFailed{SIZE_MAX};
        std::size_t lastConsumed = 0;
        auto produce = [&](std::size_t i, unsigned worker) {
            // The chosen worker fails from item 100 on; the other one may take all items (a
            // helper may get no processor time), so the last item fails on either.
            if ((worker == failingWorker && i >= 100) || i == 199) {
                std::size_t seen = firstFailed;
                while (i < seen && !firstFailed.compare_exchange_weak(seen, i)) {
                }
                throw std::runtime_error("no memory");
            }
        };
        auto consume = [&](std::size_t i) {
            lastConsumed = i;
            return true;
        };
        EXPECT_THROW(ProduceAheadInOrder(200, 16, produce, consume), std::runtime_error) << "worker " << failingWorker;
        EXPECT_LT(lastConsumed, firstFailed.load()) << "worker " << failingWorker;
    }
}

TEST(ProduceAheadInOrder, ThrowsWhatTheConsumerThrew) {
    auto consume = [](std::size_t i) -> bool {
        if (i == 3) {
            throw std::runtime_error("no memory");
        }
        return true;
    };
    auto produce = [](std::size_t, unsigned) {};
    EXPECT_THROW(ProduceAheadInOrder(100, 4, produce, consume), std::runtime_error);
}

}  // namespace
}  // namespace quarrow
