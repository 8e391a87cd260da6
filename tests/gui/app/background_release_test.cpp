#include "app/ui/background_release.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

namespace quarrow::ui {
namespace {

// Records the thread that destroyed it.
struct Witness {
    std::atomic<int>* destroyed;
    std::thread::id* where;
    Witness(std::atomic<int>* d, std::thread::id* w) : destroyed(d), where(w) {}
    Witness(Witness&& other) noexcept : destroyed(std::exchange(other.destroyed, nullptr)), where(other.where) {}
    ~Witness() {
        if (destroyed != nullptr) {
            *where = std::this_thread::get_id();
            ++*destroyed;
        }
    }
};

// Released objects go on another thread, in the order given; what is left when the releaser goes
// is still destroyed.
TEST(BackgroundRelease, DestroysOnItsOwnThreadAndFinishesBeforeItGoes) {
    std::atomic<int> destroyed{0};
    std::thread::id first;
    std::thread::id last;
    {
        BackgroundRelease release;
        release.Release(Witness(&destroyed, &first));
        release.Drain();
        EXPECT_EQ(destroyed, 1);
        EXPECT_NE(first, std::this_thread::get_id());
        for (int i = 0; i < 50; ++i) {
            release.Release(Witness(&destroyed, &last));
        }
    }
    EXPECT_EQ(destroyed, 51);
    EXPECT_NE(last, std::this_thread::get_id());
}

}  // namespace
}  // namespace quarrow::ui
