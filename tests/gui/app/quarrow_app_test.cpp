// Start-up and exit of the application: the start-up requests, the title, the menus and their
// commands, the accelerators, the menu-bar setting, and the order of the profile writes at exit.

#include <QAction>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>

#include "app/ui/command_actions.h"
#include "app_fixture.h"
#include "ctags/run_ctags.h"
#include "ctags/ui/ctags_progress_dialog.h"
#include "platform/ui/instance_server.h"
#include "settings/view_settings.h"
#include "support/fake_tools.h"
#include "support/address_space_limit.h"

namespace quarrow::ui::testing {
namespace {

using AppTest = AppFixture;
namespace keys = setting_keys;

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* action : actions) {
        if (action->isSeparator()) {
            texts << QStringLiteral("-");
        } else if (action->isVisible()) {
            texts << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" [grey]"));
        }
    }
    return texts;
}

QMenu* FileMenu(CMainFrame& frame) { return frame.menuBar()->actions().value(0)->menu(); }

TEST_F(AppTest, NoArgumentsGiveAnEmptyUntitledWindowWithTheMenus) {
    ASSERT_TRUE(Start());
    CMainFrame* frame = m_app->MainWindow();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(Title(), QStringLiteral("無題 - Quarrow"));
    EXPECT_EQ(TopRows(), 0);
    EXPECT_TRUE(frame->menuBar()->isVisible());
    EXPECT_EQ(Texts(frame->menuBar()->actions()),
              (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("設定(&S)"), QStringLiteral("表示(&V)"),
                           QStringLiteral("ヘルプ(&H)")}));
    QMenu* file = FileMenu(*frame);
    emit file->aboutToShow();
    EXPECT_EQ(Texts(file->actions()), (QStringList{
                                          QStringLiteral("新規（又は再）作成(&N)\tCtrl+N"),
                                          QStringLiteral("開く(&O)...\tCtrl+O"),
                                          QStringLiteral("名前を付けて保存(&A)..."),
                                          QStringLiteral("-"),
                                          QStringLiteral("最近使ったﾌｧｲﾙ [grey]"),
                                          QStringLiteral("-"),
                                          QStringLiteral("アプリケーションの終了(&X)"),
                                      }));
    EXPECT_EQ(Texts(frame->menuBar()->actions()[2]->menu()->actions()),
              (QStringList{QStringLiteral("検索(&F)\tCtrl+F"), QStringLiteral("最新の情報に更新(&R)\tF5"), QStringLiteral("-"),
                           QStringLiteral("言語別アイコン"), QStringLiteral("スコープで入れ子表示")}));
    EXPECT_EQ(Texts(frame->menuBar()->actions()[3]->menu()->actions()),
              QStringList{QStringLiteral("Quarrow のバージョン情報(&A)...")});
}

// An empty window says in the tree's area how to begin, in the window's language; a shown file
// takes its place.
TEST_F(AppTest, EmptyWindowShowsHowToStartUntilAFileIsShown) {
    struct Case {
        const char* locale;
        const char* words;
    };
    const Case cases[] = {{"C", "TAGSファイルを作成"}, {"en_US.UTF-8", "Create a tags file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        m_messagesLocale = c.locale;
        ASSERT_TRUE(Start());
        auto* hint = m_app->View()->findChild<QLabel*>(QStringLiteral("StartHint"));
        ASSERT_NE(hint, nullptr);
        EXPECT_TRUE(hint->isVisible());
        EXPECT_TRUE(hint->text().contains(QStringLiteral("Ctrl+N"))) << hint->text().toStdString();
        EXPECT_TRUE(hint->text().contains(QStringLiteral("Ctrl+O")));
        EXPECT_TRUE(hint->text().contains(QString::fromUtf8(c.words))) << hint->text().toStdString();
        EXPECT_EQ(hint->geometry(), m_app->View()->viewport()->rect());
        ASSERT_NE(Open(WriteFile("a.tags", kTagsA)), nullptr);
        EXPECT_FALSE(hint->isVisible());
        m_app->Shutdown(0);
        m_app.reset();
    }
}

TEST_F(AppTest, TagsOptionRunsCtagsIntoTheDefaultFileAndShowsIt) {
    ASSERT_TRUE(Start({"-T/src/proj"}));
    EXPECT_EQ(m_ctagsRuns, std::vector<std::string>{m_home + "tmp/QR-SOURCE.tags <- /src/proj"});
    EXPECT_EQ(Title(), QStringLiteral("QR-SOURCE.tags - Quarrow"));
    EXPECT_EQ(TopRows(), 1);
}

// A -T run that fails or makes no tag leaves the default file as an earlier run wrote it, of
// another folder: the window starts empty with the run's message instead of showing that file.
TEST_F(AppTest, TagsOptionWhoseRunMakesNoNewFileShowsNoEarlierFile) {
    struct Case {
        const char* name;
        std::string_view tags;
        std::string_view after;
    };
    const Case cases[] = {
        {"tool fails", "x\tx.java\t1;\"\n", "exit 2"},
        {"no tags made", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::create_directories(m_home + "tmp");
        WriteFile("tmp/QR-SOURCE.tags", kTagsB);
        const std::string ctags = m_dir.WriteProgram(std::string("ctags-") + (c.after.empty() ? "empty" : "fails"),
                                                     test::FakeCtagsScript(c.tags, "", c.after));
        GetProfile().WriteString(keys::kTags, keys::kCtagsPath, ctags);
        m_realCtagsRun = true;
        m_messages.clear();
        ASSERT_TRUE(Start({"-T" + m_home + "start"}));
        EXPECT_EQ(TopRows(), 0);
        EXPECT_EQ(m_messages.size(), 1U);
        m_app->Shutdown(0);
        m_app.reset();
    }
}

TEST_F(AppTest, RelativeTagsOptionEndsTheProgramWithItsMessage) {
    EXPECT_FALSE(Start({"-Tsrc"}));
    EXPECT_EQ(m_app->MainWindow(), nullptr);
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0], QString::fromUtf8("-Tオプションにはフルパスを指定してください。"));
}

// A name on the command line is the file's name as it stands, quotes and all: that file is shown
// and remembered, never another one whose name is a part of it.
TEST_F(AppTest, CommandLinePathsAreUsedAsGiven) {
    WriteFile("a.tags", kTagsB);
    const std::string quoted = WriteFile("a.tags\"old", kTagsA);
    ASSERT_TRUE(Start({quoted}));
    EXPECT_EQ(m_app->Document()->GetPathName(), quoted);
    EXPECT_EQ(TopRows(), 2);
    ASSERT_TRUE(m_app->RecentFiles().has_value());
    EXPECT_EQ(m_app->RecentFiles()->Entries().front(), quoted);
    CloseWindow();
    EXPECT_EQ(GetProfile().ReadString(keys::kTags, keys::kLastTags, "unset"), quoted);
    m_app->Shutdown(0);
    m_app.reset();

    // A name that exists nowhere is not cut down to one that does.
    m_messages.clear();
    EXPECT_FALSE(Start({m_home + "a.tags\"gone"}));
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_TRUE(m_messages[0].startsWith(QString::fromStdString(m_home + "a.tags\"gone"))) << m_messages[0].toStdString();
}

TEST_F(AppTest, MissingFileAtStartUpEndsTheProgramAndForgetsTheLastFile) {
    GetProfile().WriteString(keys::kTags, keys::kLastTags, m_home + "gone.tags");
    GetProfile().WriteInt(keys::kSystem, keys::kRestartRead, 1);
    EXPECT_FALSE(Start());
    EXPECT_EQ(m_app->MainWindow(), nullptr);
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0], QString::fromStdString(m_home + "gone.tags") + QString::fromUtf8(" が見つかりませんでした。"));
    EXPECT_EQ(GetProfile().ReadString(keys::kTags, keys::kLastTags, "x"), "");
    // The next start shows an empty document.
    m_app->Shutdown(0);
    m_app.reset();
    m_messages.clear();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Title(), QStringLiteral("無題 - Quarrow"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(AppTest, MenuBarIsRemovedUnlessMainMenuIsOneButTheKeysStay) {
    for (const int value : {0, 2}) {
        SCOPED_TRACE(value);
        GetProfile().WriteInt(keys::kSystem, keys::kMainMenu, value);
        ASSERT_TRUE(Start());
        EXPECT_FALSE(m_app->MainWindow()->menuBar()->isVisible());
        m_chosenFile = QString::fromStdString(WriteFile("a.tags", kTagsA));
        ActivateMainWindow();
        QTest::keyClick(m_app->View(), Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(WaitForLoad());
        EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
        m_app->Shutdown(0);
        m_app.reset();
    }
}

// Ctrl+N, which the menu shows, opens the tags-creation dialog like the menu item.
TEST_F(AppTest, CtrlNOpensTheTagsCreationDialog) {
    ASSERT_TRUE(Start());
    ActivateMainWindow();
    QString shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, m_app.get(), [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    poll.start(20);
    QTest::keyClick(m_app->View(), Qt::Key_N, Qt::ControlModifier);
    poll.stop();
    EXPECT_EQ(shown, QStringLiteral("quarrow::ui::CCreateTagsDlg"));
    EXPECT_TRUE(m_ctagsRuns.empty());
}

TEST_F(AppTest, CommandsReachViewDocumentAndApplication) {
    const std::string a = WriteFile("a.tags", kTagsA);
    ASSERT_TRUE(Start({a}));
    // The About box.
    m_app->Commands()->about->trigger();
    EXPECT_EQ(m_aboutShown, 1);
    // Save as: the document writes its lines in store order after the save dialog.
    const std::string saved = m_home + "saved.tags";
    m_app->Document()->SetSaveFileChooser([this, &saved](QWidget*, const FileChooserRequest& request) {
        m_requests.push_back(request);
        return QString::fromStdString(saved);
    });
    m_app->Commands()->saveAs->trigger();
    // The save dialog starts in the shown file's folder and proposes its name.
    const QString home = QString::fromStdString(m_home).chopped(1);
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].kind, FileChooserRequest::Kind::Save);
    EXPECT_EQ(m_requests[0].directory, home);
    EXPECT_EQ(m_requests[0].fileName, QStringLiteral("a.tags"));
    std::ifstream in(saved, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kTagsA);
    EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));  // the document still names its file
    // Open: the open dialog, then the open.
    m_chosenFile = QString::fromStdString(WriteFile("b.tags", kTagsB));
    QAction* open = m_app->MainWindow()->findChild<QAction*>(QStringLiteral("open"));
    ASSERT_NE(open, nullptr);
    open->trigger();
    ASSERT_TRUE(WaitForLoad());
    EXPECT_EQ(Title(), QStringLiteral("b.tags - Quarrow"));
    // The open dialog starts in the shown file's folder and proposes no name.
    ASSERT_EQ(m_requests.size(), 2u);
    EXPECT_EQ(m_requests[1].kind, FileChooserRequest::Kind::Open);
    EXPECT_EQ(m_requests[1].directory, home);
    EXPECT_TRUE(m_requests[1].fileName.isEmpty());
    // Its first filter is the tags files, then all files.
    EXPECT_EQ(m_requests[1].filter, QStringLiteral("TAGSファイル (tags TAGS *.tags *.ctags);;すべてのﾌｧｲﾙ (*)"));
    // A cancelled dialog changes nothing.
    m_chosenFile.clear();
    open->trigger();
    EXPECT_EQ(Title(), QStringLiteral("b.tags - Quarrow"));
}

TEST_F(AppTest, RecentFilesFillTheMenuAndAFailedOneLeavesIt) {
    const std::string a = WriteFile("a.tags", kTagsA);
    const std::string b = WriteFile("b.tags", kTagsB);
    ASSERT_TRUE(Start({a}));
    ASSERT_NE(Open(b), nullptr);
    QMenu* file = FileMenu(*m_app->MainWindow());
    emit file->aboutToShow();
    const QStringList texts = Texts(file->actions());
    ASSERT_GE(texts.size(), 8);
    EXPECT_TRUE(texts[4].startsWith(QStringLiteral("&1 "))) << texts[4].toStdString();
    EXPECT_TRUE(texts[4].endsWith(QStringLiteral("b.tags")));
    EXPECT_TRUE(texts[5].startsWith(QStringLiteral("&2 ")));
    EXPECT_TRUE(texts[5].endsWith(QStringLiteral("a.tags")));
    EXPECT_FALSE(texts.contains(QStringLiteral("最近使ったﾌｧｲﾙ [grey]")));
    // The second entry opens a.tags.
    file->findChild<QAction*>(QStringLiteral("recent2"))->trigger();
    ASSERT_TRUE(WaitForLoad());
    EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
    // b.tags disappears: picking it fails, says so, and drops it from the list.
    std::filesystem::remove(b);
    emit file->aboutToShow();
    const QList<QAction*> entries = file->actions();
    const auto second = std::find_if(entries.begin(), entries.end(), [](const QAction* action) {
        return action->objectName() == QStringLiteral("recent2");
    });
    ASSERT_NE(second, entries.end());
    (*second)->trigger();
    EXPECT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
    EXPECT_EQ(m_app->RecentFiles()->Entries(), std::vector<std::string>{a});
}

TEST_F(AppTest, ZeroRecentSizeKeepsThePlaceHolderGreyAndWritesNothing) {
    GetProfile().WriteInt(keys::kTags, keys::kRecentSize, 0);
    ASSERT_TRUE(Start({WriteFile("a.tags", kTagsA)}));
    QMenu* file = FileMenu(*m_app->MainWindow());
    emit file->aboutToShow();
    EXPECT_TRUE(Texts(file->actions()).contains(QStringLiteral("最近使ったﾌｧｲﾙ [grey]")));
    m_app->Shutdown(0);
    EXPECT_TRUE(GetProfile().ReadSection(keys::kRecentFileList).empty());
}

// At exit the frame writes its rectangle, then the view its settings, then the document
// "LASTTAGS", and last the application the recent files. Each step is seen from the next.
TEST_F(AppTest, ExitWritesTheProfileInOrder) {
    Profile profile = GetProfile();
    profile.WriteInt(keys::kSystem, keys::kTipMessage, 7);
    const std::string a = WriteFile("a.tags", kTagsA);
    ASSERT_TRUE(Start({a}));
    m_app->MainWindow()->move(40, 50);
    m_app->View()->Settings().m_nTipMessage = 0;

    std::vector<std::string> seen;
    auto snapshot = [&profile, &seen](const char* moment) {
        seen.push_back(std::string(moment) + " X=" + profile.ReadString(keys::kSystem, keys::kX, "-") +
                       " TIP=" + profile.ReadString(keys::kSystem, keys::kTipMessage, "-") +
                       " LAST=" + (profile.ReadString(keys::kTags, keys::kLastTags, "").empty() ? "no" : "yes") +
                       " FILE1=" + (profile.ReadString(keys::kRecentFileList, "File1", "").empty() ? "no" : "yes"));
    };
    // The frame's object announces its end after writing its rectangle and before its child, the
    // view, writes the settings; the view's after that.
    QObject::connect(m_app->View(), &QObject::destroyed, m_app.get(), [&] { snapshot("view"); });
    QObject::connect(m_app->MainWindow(), &QObject::destroyed, m_app.get(), [&] { snapshot("frame"); });
    QObject::connect(m_app.get(), &CQuarrowApp::mainWindowClosed, m_app.get(), [&] { snapshot("closed"); });
    m_app->Commands()->exit->trigger();
    for (int i = 0; i < 100 && m_app->MainWindow(); ++i) {
        QTest::qWait(5);
    }
    ASSERT_EQ(m_app->MainWindow(), nullptr);
    m_app->Shutdown(0);
    snapshot("shutdown");
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "frame X=40 TIP=7 LAST=no FILE1=no",
                        "view X=40 TIP=0 LAST=no FILE1=no",
                        "closed X=40 TIP=0 LAST=yes FILE1=no",
                        "shutdown X=40 TIP=0 LAST=yes FILE1=yes",
                    }));
    EXPECT_EQ(profile.ReadString(keys::kTags, keys::kLastTags, ""), a);
}

}  // namespace
}  // namespace quarrow::ui::testing

namespace quarrow::ui::testing {
namespace {

// A close request that arrives while a ctags run waits in its progress window (another instance
// asking this one to close, say) cancels the run and closes the window only once the run has
// returned, so the command that started the run never finds its view gone.
TEST_F(AppTest, CloseDuringACtagsRunWaitsForTheRunToEnd) {
    ASSERT_TRUE(Start());
    auto run = std::make_unique<CtagsProgressDialog>(QStringLiteral("/nonexistent/x.tags"), m_app->MainWindow());
    m_app->MainWindow()->close();
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(run->KeepWaiting(std::chrono::milliseconds(10 * i)) || run->WasCancelled());
        QTest::qWait(5);
    }
    EXPECT_TRUE(run->WasCancelled());
    EXPECT_NE(m_app->MainWindow(), nullptr);
    run.reset();
    for (int i = 0; i < 100 && m_app->MainWindow(); ++i) {
        QTest::qWait(5);
    }
    EXPECT_EQ(m_app->MainWindow(), nullptr);
}

}  // namespace
}  // namespace quarrow::ui::testing

namespace quarrow::ui::testing {
namespace {

// A close request (another instance, a signal) that comes while a modal window runs its own event
// loop, the command that opened it still on the stack: the modal windows end as their Cancel
// would, innermost first, and the main window goes only once every one of them has returned.
TEST_F(AppTest, CloseRequestEndsTheOpenModalWindowsBeforeTheWindowGoes) {
    ASSERT_TRUE(Start({WriteFile("a.tags", kTagsA)}));
    QPointer<CMainFrame> frame(m_app->MainWindow());
    int outerResult = -1;
    int innerResult = -1;
    bool frameAliveAfterInner = false;
    bool frameAliveAfterOuter = false;
    QTimer::singleShot(0, frame, [&] {
        // A message box over a dialog over the window, as a dialog's check would show it.
        QMessageBox inner(QMessageBox::Warning, QStringLiteral("Quarrow"), QStringLiteral("x"), QMessageBox::Ok, frame);
        QTimer::singleShot(0, frame, [&] { frame->close(); });
        innerResult = inner.exec();
        frameAliveAfterInner = !frame.isNull();
    });
    {
        QDialog outer(frame);
        outerResult = outer.exec();
        frameAliveAfterOuter = !frame.isNull();
    }
    EXPECT_EQ(innerResult, QDialog::Rejected);
    EXPECT_EQ(outerResult, QDialog::Rejected);
    EXPECT_TRUE(frameAliveAfterInner);
    EXPECT_TRUE(frameAliveAfterOuter);
    for (int i = 0; i < 200 && m_app->MainWindow(); ++i) {
        QTest::qWait(5);
    }
    EXPECT_EQ(m_app->MainWindow(), nullptr);
    EXPECT_EQ(GetProfile().ReadString(setting_keys::kTags, setting_keys::kLastTags, "unset"), m_home + "a.tags");
}

// SIGTERM, SIGHUP and SIGINT (Ctrl+C in the terminal) close the window the normal way, with every
// write of the shutdown.
TEST_F(AppTest, TerminationSignalsCloseTheWindowNormally) {
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        std::signal(signalNumber, SIG_DFL);  // as a program started from a terminal has them
        ASSERT_TRUE(Start({WriteFile("a.tags", kTagsA)}));
        ASSERT_EQ(::raise(signalNumber), 0);
        for (int i = 0; i < 200 && m_app->MainWindow(); ++i) {
            QTest::qWait(5);
        }
        EXPECT_EQ(m_app->MainWindow(), nullptr) << signalNumber;
        EXPECT_EQ(GetProfile().ReadString(setting_keys::kTags, setting_keys::kLastTags, "unset"), m_home + "a.tags");
        EXPECT_TRUE(GetProfile().ReadString(setting_keys::kSystem, "X", "").size() > 0);
        m_app->Shutdown(0);
        m_app.reset();
        GetProfile().WriteString(setting_keys::kTags, setting_keys::kLastTags, "");
    }
}

// The names in `folder` that begin with a dot: the hidden files of ctags runs.
std::vector<std::string> HiddenFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (const std::string name = entry.path().filename().string(); name.starts_with('.')) {
            names.push_back(name);
        }
    }
    return names;
}

// A close request that comes while a run's message (ctags could not start, or failed) is open
// over the run's progress window: the run's window and its message wait for each other, so both
// are ended in one step; the hidden file of the run goes and the window closes the normal way.
TEST_F(AppTest, CloseRequestEndsARunsMessageOverItsProgressWindow) {
    const std::string failing = m_dir.WriteProgram("failing-ctags", test::FakeCtagsScript("partial\n", "", "exit 2"));
    const std::string missing = m_home + "no-such-ctags";
    struct Case {
        const char* what;
        std::string ctags;
        std::function<void()> request;
        bool hiddenWhileOpen;  // the run's new file must exist while its message is open
    };
    QLocalSocket peer;
    const std::vector<Case> cases = {
        {"SIGTERM, not started", missing, [] { ::raise(SIGTERM); }, false},
        {"SIGTERM, failed", failing, [] { ::raise(SIGTERM); }, true},
        {"SIGHUP, failed", failing, [] { ::raise(SIGHUP); }, true},
        {"SIGINT, failed", failing, [] { ::raise(SIGINT); }, true},
        {"another instance, failed", failing,
         [&] {
             peer.connectToServer(InstanceServer::SocketPath(QString::fromStdString(m_home + "run")));
             peer.write(kCloseRequest);
         },
         true},
    };
    const std::string out = m_home + "out";
    std::filesystem::create_directories(out);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
            std::signal(signalNumber, SIG_DFL);
        }
        ASSERT_TRUE(Start({WriteFile("a.tags", kTagsA)}));
        m_app->Sink().SetShowFunction({});  // the real message box, with its own event loop
        ViewSettings settings;
        settings.m_strCtagsPath = c.ctags;

        bool requested = false;
        bool hiddenWhileOpen = false;
        bool endedByTheTest = false;
        QElapsedTimer sinceRequest;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && !requested) {
                hiddenWhileOpen = !HiddenFiles(out).empty();
                requested = true;
                sinceRequest.start();
                c.request();
            } else if (box && sinceRequest.isValid() && sinceRequest.elapsed() > 10000) {
                endedByTheTest = true;  // the request did not end it: end it here, not hang
                box->done(QMessageBox::Ok);
            }
        });
        watch.start(10);
        {
            CtagsProgressDialog progress(QString::fromStdString(out + "/x.tags"), m_app->MainWindow(),
                                         std::chrono::milliseconds(0));
            RunCtags(settings, out + "/x.tags", m_home, m_app->Sink(), CodePage::Utf8, &progress);
        }
        watch.stop();
        EXPECT_TRUE(requested) << "no message was shown";
        EXPECT_FALSE(endedByTheTest) << "the close request left the message open";
        EXPECT_TRUE(hiddenWhileOpen || !c.hiddenWhileOpen);
        EXPECT_TRUE(HiddenFiles(out).empty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_app->MainWindow() == nullptr; }, 10000));
        EXPECT_EQ(GetProfile().ReadString(setting_keys::kTags, setting_keys::kLastTags, "unset"), m_home + "a.tags");
        m_app->Shutdown(0);
        m_app.reset();
        peer.abort();
    }
}

// A file whose records or tree do not fit in the memory to be had: the message names the file,
// and the window keeps its document, title and tree.
TEST_F(AppTest, OpenThatCannotGetItsMemoryKeepsTheShownDocument) {
    if (quarrow::test::kAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer's shadow memory does not live under an address-space limit";
    }
    ASSERT_TRUE(Start({WriteFile("a.tags", kTagsA)}));
    std::string lines;
    for (int i = 0; i < 2000000; ++i) {
        lines += "m\tsrc/A.java\t/^x$/;\"\tm\n";  // one file with two million members
    }
    const std::string big = WriteFile("big.tags", lines);
    const int rows = TopRows();
    const std::size_t records = m_app->Document()->Core().GetTags().size();
    bool failed = false;
    for (const std::size_t headroom : {std::size_t{16} << 20, std::size_t{100} << 20, std::size_t{180} << 20}) {
        m_messages.clear();
        bool opened = false;
        {
            const quarrow::test::AddressSpaceLimit limit(headroom);
            ASSERT_TRUE(limit.Set());
            // The open begins; the memory runs out while the file is read or its tree built.
            opened = Open(big) != nullptr && m_app->Document()->Core().GetTagsPath() == big;
        }
        if (opened) {
            ASSERT_NE(Open(m_home + "a.tags"), nullptr);
            continue;
        }
        failed = true;
        ASSERT_EQ(m_messages.size(), 1U) << headroom;
        EXPECT_EQ(m_messages[0], QString::fromStdString(big + " を読み込むためのメモリが足りません。"));
        EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
        EXPECT_EQ(TopRows(), rows);
        EXPECT_EQ(m_app->Document()->Core().GetTags().size(), records);
        EXPECT_EQ(m_app->Document()->Core().GetTagsPath(), m_home + "a.tags");
        // The window is still whole: its tree can be walked and the next open works.
        m_app->View()->expandAll();
        QTest::qWait(10);
    }
    EXPECT_TRUE(failed) << "no limit made the open fail";
    ASSERT_NE(Open(m_home + "a.tags"), nullptr);
    EXPECT_EQ(TopRows(), rows);
}

}  // namespace
}  // namespace quarrow::ui::testing
