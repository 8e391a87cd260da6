// The progress window of a ctags run: it appears only after the delay, shows the elapsed time
// and the tags file's size, keeps events flowing, and turns Cancel into "stop waiting".
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ctags/ui/ctags_progress_dialog.h"
#include "dialog_test_support.h"
#include "support/scratch_folder.h"

namespace quarrow::ui {
namespace {

using namespace std::chrono_literals;

TEST(CtagsProgressDialog, appearsAfterTheDelayAndShowsTimeAndSize) {
    const test::ScratchFolder dir{"dialogs"};
    const QString path = test::Qs(dir / "x.tags");
    CtagsProgressDialog progress(path, nullptr, 200ms);
    EXPECT_TRUE(progress.KeepWaiting(50ms));
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.SizeText(), QStringLiteral("書き込み済み： なし"));

    test::WriteFile(test::Str(path), std::string(1234567, 'x'));
    EXPECT_TRUE(progress.KeepWaiting(125'000ms));
    EXPECT_TRUE(progress.isVisible());
    EXPECT_TRUE(progress.isModal());
    EXPECT_EQ(progress.ElapsedText(), QStringLiteral("経過時間： 2:05"));
    EXPECT_EQ(progress.SizeText(), QStringLiteral("書き込み済み： 1,234,567 バイト"));
}

TEST(CtagsProgressDialog, formats) {
    EXPECT_EQ(CtagsProgressDialog::FormatElapsed(0ms), QStringLiteral("経過時間： 0:00"));
    EXPECT_EQ(CtagsProgressDialog::FormatElapsed(59'999ms), QStringLiteral("経過時間： 0:59"));
    EXPECT_EQ(CtagsProgressDialog::FormatElapsed(3'723'000ms), QStringLiteral("経過時間： 1:02:03"));
    EXPECT_EQ(CtagsProgressDialog::FormatSize(0), QStringLiteral("書き込み済み： 0 バイト"));
    EXPECT_EQ(CtagsProgressDialog::FormatSize(999), QStringLiteral("書き込み済み： 999 バイト"));
    EXPECT_EQ(CtagsProgressDialog::FormatSize(1000), QStringLiteral("書き込み済み： 1,000 バイト"));
}

TEST(CtagsProgressDialog, keepsEventsFlowingWhileWaiting) {
    CtagsProgressDialog progress(QStringLiteral("/nonexistent/x.tags"), nullptr, 0ms);
    bool fired = false;
    QTimer::singleShot(0, &progress, [&fired] { fired = true; });
    progress.KeepWaiting(10ms);
    EXPECT_TRUE(fired);
}

TEST(CtagsProgressDialog, cancelButtonEscapeAndCloseStopTheWait) {
    for (const int how : {0, 1, 2}) {
        SCOPED_TRACE(how);
        CtagsProgressDialog progress(QStringLiteral("/tmp/x.tags"), nullptr, 0ms);
        ASSERT_TRUE(progress.KeepWaiting(1ms));
        ASSERT_TRUE(progress.isVisible());
        if (how == 0) {
            QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
        } else if (how == 1) {
            QTest::keyClick(&progress, Qt::Key_Escape);
        } else {
            progress.close();
        }
        EXPECT_TRUE(progress.WasCancelled());
        EXPECT_FALSE(progress.KeepWaiting(2ms));
        EXPECT_FALSE(progress.CancelButton()->isEnabled());
        EXPECT_TRUE(progress.isVisible());  // until the runner has ended the tool
    }
}

}  // namespace
}  // namespace quarrow::ui
