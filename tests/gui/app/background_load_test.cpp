// Loading a tags file off the window's thread: the window goes on answering and shows the old
// tree until the new one swaps in; the status bar shows how far the load has come; a cancel (Esc
// or the bar's button) leaves the old tree, file and title; closing the window during a load ends
// cleanly; a second open during a load wins.

#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <filesystem>

#include "app/ui/run_status_bar.h"
#include "app/ui/tags_refresher.h"
#include "app_fixture.h"
#include "tags/tag_store.h"

namespace quarrow::ui::testing {
namespace {

class BackgroundLoadTest : public AppFixture {
protected:
    // A file large enough that its load is still going when the window next looks: many files
    // of many members.
    std::string WriteBigFile() {
        std::string text;
        text.reserve(40U << 20);
        for (int file = 0; file < 3000; ++file) {
            const std::string path = "src/p" + std::to_string(file % 50) + "/F" + std::to_string(file) + ".java";
            for (int member = 0; member < 200; ++member) {
                text += "m" + std::to_string(member) + '\t' + path + "\t/^  void m" + std::to_string(member) +
                        "() {$/;\"\tm\tline:" + std::to_string(member + 1) + "\taccess:public\n";
            }
        }
        return WriteFile("big.tags", text);
    }

    void StartWithA() {
        ASSERT_TRUE(Start({WriteFile("a.tags", kTagsA)}));
        ASSERT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
        ASSERT_EQ(TopRows(), 2);
    }

    bool Loading() { return Template()->Loader().IsLoading(); }
    RunStatusBar& Bar() { return *m_app->Refresher()->StatusBar(); }
    std::size_t StoreSize() const { return m_app->Document()->Core().GetTags().size(); }
};

TEST_F(BackgroundLoadTest, WindowAnswersAndKeepsTheOldTreeUntilTheNewOneSwapsIn) {
    StartWithA();
    const std::string big = WriteBigFile();
    CQuarrowView* view = m_app->View();
    QSignalSpy resets(&view->Model(), &QAbstractItemModel::modelReset);
    int ticks = 0;
    int ticksBeforeSwap = -1;
    QTimer timer;
    timer.setInterval(2);
    QObject::connect(&timer, &QTimer::timeout, m_app.get(), [&] { ++ticks; });
    QObject::connect(&view->Model(), &QAbstractItemModel::modelReset, m_app.get(), [&] { ticksBeforeSwap = ticks; });
    timer.start();

    ASSERT_NE(m_app->OpenDocumentFile(big), nullptr);
    // The open returned before the file was read: the old tree is shown and answers clicks.
    EXPECT_TRUE(Loading());
    EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
    EXPECT_EQ(resets.count(), 0);
    const QModelIndex second = view->Model().index(1, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->ItemContentRect(second).center());
    EXPECT_EQ(view->currentIndex(), second);
    // The bar tells how far the load has come, and goes when it has ended.
    EXPECT_TRUE(Bar().IsLoadShown());
    EXPECT_TRUE(Bar().isVisibleTo(m_app->MainWindow()));
    EXPECT_FALSE(Bar().LoadText().isEmpty());

    ASSERT_TRUE(WaitForLoad());
    EXPECT_GT(ticksBeforeSwap, 0) << "the event loop ran while the file loaded";
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(Title(), QStringLiteral("big.tags - Quarrow"));
    EXPECT_EQ(StoreSize(), 600000U);
    EXPECT_EQ(TopRows(), 50);
    EXPECT_FALSE(Bar().isVisibleTo(m_app->MainWindow()));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(BackgroundLoadTest, StageTextsFollowTheProgress) {
    LoadProgress progress;
    progress.Begin(LoadStage::Reading, 3U << 20);
    progress.Advance(1U << 20);
    EXPECT_EQ(RunStatusBar::FormatLoad(&progress), QStringLiteral("TAGSファイルを読み込んでいます。1 / 3 MB"));
    progress.Begin(LoadStage::Ordering, 10);
    EXPECT_EQ(RunStatusBar::FormatLoad(&progress), QStringLiteral("タグを並べ替えています。"));
    progress.Begin(LoadStage::Building, 200);
    progress.Advance(50);
    EXPECT_EQ(RunStatusBar::FormatLoad(&progress), QStringLiteral("ツリーを作っています。25%"));
    EXPECT_EQ(RunStatusBar::FormatLoad(nullptr), QStringLiteral("TAGSファイルを読み込んでいます。"));
}

// A cancel by Esc in the tree or by the bar's button: the tree, title and document stay, the file
// is untouched, and the bar says why nothing changed.
TEST_F(BackgroundLoadTest, CancelKeepsTheOldTreeAndFile) {
    for (const bool byButton : {false, true}) {
        SCOPED_TRACE(byButton ? "button" : "Esc");
        StartWithA();
        const std::string big = WriteBigFile();
        const auto bigSize = std::filesystem::file_size(big);
        ActivateMainWindow();
        ASSERT_NE(m_app->OpenDocumentFile(big), nullptr);
        ASSERT_TRUE(Loading());
        if (byButton) {
            QTest::mouseClick(Bar().CancelButton(), Qt::LeftButton);
        } else {
            QTest::keyClick(m_app->View(), Qt::Key_Escape);
        }
        ASSERT_TRUE(WaitForLoad());
        EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
        EXPECT_EQ(TopRows(), 2);
        EXPECT_EQ(StoreSize(), 2U);
        EXPECT_EQ(m_app->Document()->Core().GetTagsPath(), m_home + "a.tags");
        EXPECT_EQ(std::filesystem::file_size(big), bigSize);
        EXPECT_TRUE(Bar().NoteText().startsWith(QStringLiteral("TAGSファイルの読み込みを中止しました。")))
            << Bar().NoteText().toStdString();
        EXPECT_FALSE(Bar().IsLoadShown());
        EXPECT_TRUE(m_messages.empty());
        // The recent list holds only what was shown.
        EXPECT_EQ(m_app->RecentFiles()->Entries(), std::vector<std::string>{m_home + "a.tags"});
        m_app->Shutdown(0);
        m_app.reset();
    }
}

TEST_F(BackgroundLoadTest, ClosingTheWindowDuringALoadEndsItAndClosesCleanly) {
    StartWithA();
    const std::string big = WriteBigFile();
    QSignalSpy closed(m_app.get(), &CQuarrowApp::mainWindowClosed);
    ASSERT_NE(m_app->OpenDocumentFile(big), nullptr);
    ASSERT_TRUE(Loading());
    m_app->MainWindow()->close();
    ASSERT_TRUE(closed.wait(30000));
    EXPECT_EQ(m_app->MainWindow(), nullptr);
    EXPECT_TRUE(m_messages.empty());
    // The document that was shown is the one remembered.
    EXPECT_EQ(GetProfile().ReadString(setting_keys::kTags, setting_keys::kLastTags, ""), m_home + "a.tags");
    QTest::qWait(20);  // a report of the stopped load that was still queued goes nowhere
}

TEST_F(BackgroundLoadTest, ASecondOpenDuringALoadWins) {
    StartWithA();
    const std::string big = WriteBigFile();
    const std::string b = WriteFile("b.tags", kTagsB);
    QSignalSpy resets(&m_app->View()->Model(), &QAbstractItemModel::modelReset);
    ASSERT_NE(m_app->OpenDocumentFile(big), nullptr);
    ASSERT_NE(m_app->OpenDocumentFile(b), nullptr);
    ASSERT_TRUE(WaitForLoad());
    EXPECT_EQ(Title(), QStringLiteral("b.tags - Quarrow"));
    EXPECT_EQ(resets.count(), 1);  // the big file never showed
    EXPECT_EQ(m_app->Document()->Core().GetTagsPath(), b);
    EXPECT_EQ(m_app->RecentFiles()->Entries(), (std::vector<std::string>{b, m_home + "a.tags"}));
    EXPECT_TRUE(Bar().NoteText().isEmpty());  // superseded is not cancelled
    EXPECT_TRUE(m_messages.empty());
}

// A file that is Shift-JIS and not UTF-8 is read as 932 when the profile gives no code page: its
// labels read right and the bar says why; the next file, UTF-8, puts the note away. A profile that
// gives 65001 reads the same file byte-wise, without a note.
TEST_F(BackgroundLoadTest, AShiftJisFileIsFoundAndTheBarSaysSo) {
    const std::string sjis = WriteFile("sjis.tags", "\x95\x5c\x8e\xa6\tA.java\t/^class x {$/;\"\tc\tline:1\n");
    const auto firstMember = [this] {
        const TagTreeItemModel& model = m_app->View()->Model();
        return model.LabelOf(model.index(0, 0, model.index(0, 0)));
    };
    const QString note = QStringLiteral("Shift-JIS (932) のファイルとして読み込みました");
    ASSERT_TRUE(Start({sjis}));
    EXPECT_EQ(m_app->Document()->Core().GetCodePage(), CodePage::ShiftJis);
    EXPECT_EQ(firstMember(), QStringLiteral("表示"));
    EXPECT_EQ(Bar().NoteText(), note);
    EXPECT_TRUE(Bar().isVisibleTo(m_app->MainWindow()));

    ASSERT_NE(Open(WriteFile("a.tags", kTagsA)), nullptr);
    EXPECT_EQ(m_app->Document()->Core().GetCodePage(), CodePage::Utf8);
    EXPECT_TRUE(Bar().NoteText().isEmpty());
    m_app->Shutdown(0);
    m_app.reset();

    ASSERT_TRUE(GetProfile().WriteString(setting_keys::kTags, setting_keys::kCodePage, "65001"));
    ASSERT_TRUE(Start({sjis}));
    EXPECT_EQ(m_app->Document()->Core().GetCodePage(), CodePage::Utf8);
    EXPECT_NE(firstMember(), QStringLiteral("表示"));
    EXPECT_TRUE(Bar().NoteText().isEmpty());
}

}  // namespace
}  // namespace quarrow::ui::testing
