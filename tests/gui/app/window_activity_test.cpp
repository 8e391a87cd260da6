#include "app/ui/window_activity.h"

#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace quarrow::ui {
namespace {

using Clock = std::chrono::steady_clock;

// A key in the tree holds the chore back for the whole quiet time after it.
TEST(WindowActivity, AWaitLastsTheQuietTimeAfterAKey) {
    QTreeView view;
    auto* activity = new WindowActivity(view);
    constexpr std::chrono::milliseconds kQuiet{100};
    const Clock::time_point before = Clock::now();
    QTest::keyClick(&view, Qt::Key_Down);
    activity->QuietWait(kQuiet)();
    EXPECT_GE(Clock::now() - before, kQuiet);
}

// A chore waiting while the window is busy is let go when the tree goes, so that the window's
// close never waits for it.
TEST(WindowActivity, AWaitEndsWhenTheTreeGoes) {
    auto* view = new QTreeView;
    auto* activity = new WindowActivity(*view);
    std::thread chore(activity->QuietWait(std::chrono::hours(1)));
    delete view;
    chore.join();
}

}  // namespace
}  // namespace quarrow::ui
