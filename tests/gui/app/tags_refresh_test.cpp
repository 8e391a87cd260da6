// F5: ctags again in the background for the shown tags file, with a stand-in for the tool that
// the test holds, fails or lets write. The tree stays usable while it runs, the status bar shows
// the run, success reads the new file keeping the place, failure and cancel keep the old tree
// and say why, a file without a remembered target is read again, a second F5 does nothing, and
// closing the window ends the run first.

#include <QAction>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSignalSpy>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/ui/command_actions.h"
#include "app/ui/run_status_bar.h"
#include "app/ui/tags_refresher.h"
#include "app_fixture.h"
#include "platform/message_sink.h"

namespace quarrow::ui::testing {
namespace {

using Outcome = BackgroundCtagsRun::Outcome;

std::string Line(const std::string& name, const std::string& file) {
    return name + '\t' + file + "\t/^class " + name + " {$/;\"\tc\tline:1\taccess:public\n";
}

const std::string kOld = Line("Alpha", "src/a/Alpha.java") + Line("Beta", "src/b/Beta.java");
const std::string kNew = Line("Alpha", "src/a/Alpha.java") + Line("Beta", "src/b/Beta.java") +
                         Line("Delta", "src/d/Delta.java");

class TagsRefreshTest : public AppFixture {
protected:
    enum class Tool { Writes, Fails, CannotStart };

    void SetUp() override {
        AppFixture::SetUp();
        // The stand-in waits until released or cancelled, then writes the new file or fails.
        m_refreshRun = [this](const ViewSettings&, const std::string& tagsPath, const std::string& target,
                              MessageSink& sink, CodePage, RunObserver& observer) {
            ++m_runs;
            m_target = target;
            // The tool's new file, as the real run names it to the observer.
            const std::string writing = tagsPath + ".writing";
            std::ofstream(writing, std::ios::binary) << std::string(1234, 'x');
            observer.WritingTo(writing);
            const auto start = std::chrono::steady_clock::now();
            while (!m_release.load()) {
                const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start);
                if (!observer.KeepWaiting(elapsed)) {
                    m_cancelled = true;
                    return CtagsRunResult::Cancelled;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (m_tool == Tool::Fails) {
                sink.ShowMessage("ctags が異常終了しました (終了コード 1)。");
                return CtagsRunResult::Failed;
            }
            if (m_tool == Tool::CannotStart) {
                sink.ShowMessage("create process error!");
                return CtagsRunResult::NotRun;
            }
            std::ofstream(tagsPath, std::ios::binary) << kNew;
            return CtagsRunResult::Succeeded;
        };
    }

    // Starts on the file with folder src/b open and Beta selected; the target is remembered
    // unless `remember` is false.
    void StartShown(bool remember = true) {
        m_path = WriteFile("r.tags", kOld);
        if (remember) {
            GetProfile().WriteString(setting_keys::kCreateTagsParam, m_path, "/src/proj");
        }
        ASSERT_TRUE(Start({m_path}));
        CQuarrowView* view = m_app->View();
        const QModelIndex folder = view->Model().index(1, 0);
        view->expand(folder);
        view->expand(view->Model().index(0, 0, folder));
        view->selectionModel()->setCurrentIndex(view->Model().index(0, 0, view->Model().index(0, 0, folder)),
                                                QItemSelectionModel::ClearAndSelect);
        ActivateMainWindow();
    }

    RunStatusBar& Bar() { return *m_app->Refresher()->StatusBar(); }
    QString SelectedLabel() const {
        const QModelIndexList selected = m_app->View()->selectionModel()->selectedIndexes();
        return selected.isEmpty() ? QString() : m_app->View()->Model().LabelOf(selected.first());
    }
    // Ends the run that is going and waits for its report.
    Outcome Finish() {
        QSignalSpy ended(m_app->Refresher(), &TagsRefresher::runEnded);
        m_release = true;
        EXPECT_TRUE(ended.wait(10000));
        EXPECT_TRUE(WaitForLoad());  // of the new file, when the run made one
        return ended.isEmpty() ? Outcome::Failed : ended.first().first().value<Outcome>();
    }

    std::string m_path;
    std::atomic<bool> m_release{false};
    std::atomic<int> m_runs{0};
    std::atomic<bool> m_cancelled{false};
    std::string m_target;
    Tool m_tool = Tool::Writes;
};

TEST_F(TagsRefreshTest, F5RunsInTheBackgroundThenReadsTheNewFileKeepingThePlace) {
    StartShown();
    QTest::keyClick(m_app->View(), Qt::Key_F5);
    ASSERT_TRUE(m_app->Refresher()->IsRunning());
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_TRUE(Bar().IsRunShown());
    EXPECT_TRUE(Bar().ElapsedText().startsWith(QStringLiteral("経過時間")));
    // The old tree answers the keys meanwhile, and a second F5 does nothing.
    QTest::keyClick(m_app->View(), Qt::Key_Up);
    EXPECT_EQ(SelectedLabel(), QStringLiteral("Beta.java"));
    QTest::keyClick(m_app->View(), Qt::Key_Down);
    m_app->Commands()->refresh->trigger();
    QTest::qWait(50);
    // The bar shows what the tool has written so far.
    QTRY_COMPARE_WITH_TIMEOUT(Bar().WrittenText(), QStringLiteral("書き込み済み： 1,234 バイト"), 10000);
    // Only the file the run is making counts as busy, in whatever words it is named.
    EXPECT_TRUE(m_app->Refresher()->IsRunningFor(m_path));
    EXPECT_TRUE(m_app->Refresher()->IsRunningFor(m_home + "./r.tags"));
    EXPECT_FALSE(m_app->Refresher()->IsRunningFor(m_home + "a.tags"));

    EXPECT_EQ(Finish(), Outcome::Succeeded);
    EXPECT_EQ(m_runs.load(), 1);
    EXPECT_EQ(m_target, "/src/proj");
    EXPECT_EQ(m_app->View()->Model().rowCount(), 3);
    EXPECT_TRUE(m_app->View()->isExpanded(m_app->View()->Model().index(1, 0)));
    EXPECT_EQ(SelectedLabel(), QStringLiteral("Beta"));
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(TagsRefreshTest, FailedOrCancelledRunKeepsTheOldTreeAndSaysWhy) {
    struct Case {
        const char* name;
        Tool tool;
        bool cancelWithEsc;
        Outcome outcome;
        const char* noteStart;
    };
    const Case cases[] = {
        {"fails", Tool::Fails, false, Outcome::Failed, "ctags が失敗しました。"},
        {"cannot start", Tool::CannotStart, false, Outcome::NotStarted,
         "ctags を起動できませんでした（create process error!）。TAGSファイルと表示は元のままです。"},
        {"Esc", Tool::Writes, true, Outcome::Cancelled, "ctags の実行を中止しました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_tool = c.tool;
        m_release = false;
        StartShown();
        QTest::keyClick(m_app->View(), Qt::Key_F5);
        ASSERT_TRUE(m_app->Refresher()->IsRunning());
        Outcome outcome;
        if (c.cancelWithEsc) {
            QSignalSpy ended(m_app->Refresher(), &TagsRefresher::runEnded);
            QTest::keyClick(m_app->View(), Qt::Key_Escape);
            ASSERT_TRUE(ended.wait(10000));
            outcome = ended.first().first().value<Outcome>();
        } else {
            outcome = Finish();
        }
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(m_app->View()->Model().rowCount(), 2);
        EXPECT_EQ(SelectedLabel(), QStringLiteral("Beta"));
        EXPECT_TRUE(Bar().isVisible());
        EXPECT_TRUE(Bar().NoteText().startsWith(QString::fromUtf8(c.noteStart))) << Bar().NoteText().toStdString();
        EXPECT_TRUE(m_messages.empty());
        m_app->Shutdown(0);
        m_app.reset();
    }
}

// A tags file made elsewhere has no target to run ctags with: F5 reads it again and the bar says
// so, naming the way to give it one.
TEST_F(TagsRefreshTest, FileWithoutRememberedTargetIsReadAgainAndSaysHowToGiveItOne) {
    StartShown(/*remember=*/false);
    std::ofstream(m_path, std::ios::binary) << kNew;
    QTest::keyClick(m_app->View(), Qt::Key_F5);
    EXPECT_FALSE(m_app->Refresher()->IsRunning());
    ASSERT_TRUE(WaitForLoad());
    EXPECT_EQ(m_runs.load(), 0);
    EXPECT_EQ(m_app->View()->Model().rowCount(), 3);
    EXPECT_EQ(SelectedLabel(), QStringLiteral("Beta"));
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_EQ(Bar().NoteText(), QStringLiteral("作成対象の記録がないため読み直しました（ctags で作るには Ctrl+N）。"));
    EXPECT_TRUE(m_messages.empty());
    // The next reading of another file puts the note away.
    ASSERT_NE(Open(WriteFile("other.tags", kOld)), nullptr);
    EXPECT_TRUE(Bar().NoteText().isEmpty());
}

// After a run (F5 on a tree where nothing is selected yet, as after "-T"), the first key works
// as on the old tree: End goes to the last row, and Enter opens it.
TEST_F(TagsRefreshTest, FirstKeyAfterARunMovesFromTheNewTree) {
    m_path = WriteFile("r.tags", kNew);
    GetProfile().WriteString(setting_keys::kCreateTagsParam, m_path, "/src/proj");
    ASSERT_TRUE(Start({m_path}));
    ActivateMainWindow();
    CQuarrowView* view = m_app->View();
    QTest::keyClick(view, Qt::Key_F5);
    ASSERT_TRUE(m_app->Refresher()->IsRunning());
    m_release = true;
    ASSERT_EQ(Finish(), Outcome::Succeeded);
    EXPECT_TRUE(view->hasFocus());
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(SelectedLabel(), QStringLiteral("src/d"));
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(m_jumps, std::vector<std::string>{"Delta"});
}

TEST_F(TagsRefreshTest, ClosingTheWindowEndsTheRunFirst) {
    StartShown();
    QTest::keyClick(m_app->View(), Qt::Key_F5);
    ASSERT_TRUE(m_app->Refresher()->IsRunning());
    CloseWindow();
    EXPECT_EQ(m_app->MainWindow(), nullptr);
    EXPECT_TRUE(m_cancelled.load());
    // The tags file is as it was.
    std::ifstream in(m_path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kOld);
}

}  // namespace
}  // namespace quarrow::ui::testing
