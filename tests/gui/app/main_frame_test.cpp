// The main frame's placement: the four keys read at creation and written back at destruction,
// and a window that stays usable whatever the keys say.

#include <QGuiApplication>
#include <QScreen>

#include "app/ui/window_placement.h"
#include "app_fixture.h"

namespace quarrow::ui::testing {
namespace {

using MainFrameTest = AppFixture;
namespace keys = setting_keys;

QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

TEST_F(MainFrameTest, PlacementKeysAreReadAtCreationAndWrittenAtDestruction) {
    Profile profile = GetProfile();
    {
        CMainFrame frame(profile);
        EXPECT_EQ(frame.OuterRect(), QRect(5, 10, 300, 600));  // the defaults
    }
    EXPECT_EQ(profile.ReadInt(keys::kSystem, keys::kCx, 0), 300);
    profile.WriteInt(keys::kSystem, keys::kX, 20);
    profile.WriteInt(keys::kSystem, keys::kY, 30);
    profile.WriteInt(keys::kSystem, keys::kCx, 250);
    profile.WriteInt(keys::kSystem, keys::kCy, 200);
    QRect outer;
    {
        CMainFrame frame(profile);
        EXPECT_EQ(frame.OuterRect(), QRect(20, 30, 250, 200));
        frame.show();
        // Once shown the window frame is known: the outer rectangle is still the one asked for.
        EXPECT_EQ(frame.OuterRect(), QRect(20, 30, 250, 200));
        frame.move(60, 70);
        frame.resize(320, 240);
        outer = frame.OuterRect();
        EXPECT_EQ(outer.topLeft(), QPoint(60, 70));
    }
    EXPECT_EQ(profile.ReadInt(keys::kSystem, keys::kX, 0), outer.x());
    EXPECT_EQ(profile.ReadInt(keys::kSystem, keys::kY, 0), outer.y());
    EXPECT_EQ(profile.ReadInt(keys::kSystem, keys::kCx, 0), outer.width());
    EXPECT_EQ(profile.ReadInt(keys::kSystem, keys::kCy, 0), outer.height());
}

// Keys that would lose the window: it still opens on the screen with a size one can use.
TEST_F(MainFrameTest, WindowFromAbsurdKeysLiesOnTheScreen) {
    struct Case {
        const char* name;
        int x, y, cx, cy;
    };
    const Case cases[] = {
        {"far right", 100000, 10, 300, 400},     {"far up-left", -5000, -5000, 300, 400},
        {"zero size", 10, 10, 0, 0},             {"negative size", 10, 10, -300, -1},
        {"millions", 0, 0, 5000000, 5000000},    {"int limits", 2147483647, -2147483647, 2147483647, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Profile profile = GetProfile();
        profile.WriteInt(keys::kSystem, keys::kX, c.x);
        profile.WriteInt(keys::kSystem, keys::kY, c.y);
        profile.WriteInt(keys::kSystem, keys::kCx, c.cx);
        profile.WriteInt(keys::kSystem, keys::kCy, c.cy);
        CMainFrame frame(profile);
        const QRect rect = frame.OuterRect();
        EXPECT_GE(rect.width(), kMinWindowWidth);
        EXPECT_GE(rect.height(), kMinWindowHeight);
        EXPECT_LE(rect.width(), Screen().width());
        EXPECT_LE(rect.height(), Screen().height());
        EXPECT_TRUE(Screen().contains(rect.topLeft())) << rect.x() << "," << rect.y();
    }
}

TEST(WindowPlacementTest, KeepsWhatCanBeReachedAndMovesWhatCannot) {
    const QList<QRect> two{QRect(0, 0, 1000, 800), QRect(1000, 0, 800, 600)};
    struct Case {
        const char* name;
        QRect requested;
        QRect expected;
    };
    const Case cases[] = {
        {"inside", QRect(5, 10, 300, 600), QRect(5, 10, 300, 600)},
        {"on the second screen", QRect(1200, 100, 300, 300), QRect(1200, 100, 300, 300)},
        {"partly off but its top edge reachable", QRect(900, 700, 300, 300), QRect(900, 700, 300, 300)},
        {"below every screen", QRect(100, 900, 300, 300), QRect(100, 500, 300, 300)},
        {"left of every screen", QRect(-400, 100, 300, 300), QRect(0, 100, 300, 300)},
        {"taller than its screen", QRect(1100, 0, 300, 5000), QRect(1100, 0, 300, 600)},
        {"tiny", QRect(10, 10, 1, 1), QRect(10, 10, kMinWindowWidth, kMinWindowHeight)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QRect& r = c.requested;
        EXPECT_EQ(UsableWindowRect(r.x(), r.y(), r.width(), r.height(), two), c.expected);
    }
}

}  // namespace
}  // namespace quarrow::ui::testing
