// The status bar under the tree: its texts (a long tags path, a long note) are cut at the window's
// edge and never make the window wider than the profile's size, which would also move a window
// that is not shown yet away from its place.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
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

// A note's line longer than a narrow window is shown whole, over several rows, so that its end
// (often what to do next) is not cut off at the window's edge.
TEST(RunStatusBarTest, LongNoteWrapsInANarrowWindow) {
    QMainWindow window;
    auto* bar = new RunStatusBar(&window);
    window.setStatusBar(bar);
    window.resize(300, 600);
    const QString note = QString(60, QChar(0x30C6)) + QStringLiteral("Ctrl+N");
    bar->ShowNote(note);
    window.show();
    auto* label = bar->findChild<QLabel*>(QStringLiteral("note"));
    ASSERT_NE(label, nullptr);
    const QFontMetrics metrics(label->font());
    const QRect needed = metrics.boundingRect(QRect(0, 0, label->contentsRect().width(), 10000),
                                              Qt::TextWordWrap, label->text());
    EXPECT_GE(label->contentsRect().height(), needed.height());
    EXPECT_GT(needed.height(), metrics.height());  // it does take more than one row
}

}  // namespace
}  // namespace quarrow::ui::testing
