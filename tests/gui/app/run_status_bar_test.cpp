// The status bar under the tree: its texts (a long tags path, a long note) are cut at the window's
// edge and never make the window wider than the profile's size, which would also move a window
// that is not shown yet away from its place.

#include <gtest/gtest.h>

#include <QMainWindow>

#include "app/ui/run_status_bar.h"
#include "tags/load_progress.h"

namespace quarrow::ui::testing {
namespace {

TEST(RunStatusBarTest, LongTextsDoNotWidenTheWindow) {
    QMainWindow window;
    auto* bar = new RunStatusBar(&window);
    window.setStatusBar(bar);
    window.resize(300, 600);
    const int narrowest = window.minimumSizeHint().width();

    const QString longPath = QStringLiteral("/home/user/projects/") + QString(200, QLatin1Char('x')) +
                             QStringLiteral("/QR-SOURCE.tags");
    LoadProgress progress;
    const struct {
        const char* what;
        std::function<void()> show;
    } cases[] = {
        {"run", [&] { bar->ShowRun(longPath, [] {}, [] { return qint64{123456789}; }); }},
        {"load", [&] { bar->ShowLoad(longPath, [&progress] { return &progress; }, [] {}); }},
        {"note", [&] { bar->ShowNote(QString(300, QChar(0x30C6))); }},
    };
    for (const auto& c : cases) {
        c.show();
        EXPECT_LE(window.minimumSizeHint().width(), std::max(narrowest, 300)) << c.what;
    }
}

}  // namespace
}  // namespace quarrow::ui::testing
