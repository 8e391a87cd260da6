// The create-tags command with a stand-in ctags (a script that logs its arguments and writes a
// tags file): the target remembered before the run, the run in the tags file's folder, the new
// file opened, the progress window's Cancel, and every refusal on bad input.
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

#include "ctags/ui/create_tags_command.h"
#include "ctags/ui/create_tags_dlg.h"
#include "ctags/ui/ctags_progress_dialog.h"
#include "dialog_test_support.h"
#include "platform/message_sink.h"
#include "settings/profile.h"
#include "settings/view_settings.h"
#include "support/fake_tools.h"
#include "support/scratch_folder.h"

namespace quarrow::ui {
namespace {

using test::Qs;
using test::Str;
namespace id = create_tags_dlg_id;

class CreateTagsCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile.SetPath(root + "/quarrow.INI");
        log = root + "/tool.log";
        settings.m_strCtagsPath = root + "/fake-ctags";
        settings.m_strCtagsParam = "-f@tags @target";
        WriteTool("");
        dlg.SetMessageSink(&sink);
    }

    // A stand-in tool: logs its arguments, working folder and the file list on its standard
    // input, then writes a one-line tags file
    // to its -f argument; `extra` runs before it exits.
    void WriteTool(const std::string& extra) {
        const std::string logged = test::ShellQuoted(log);
        test::WriteFile(settings.m_strCtagsPath,
                        test::FakeCtagsScript("Foo\tFoo.java\t/^class Foo$/;\"\tc\n",
                                              ": > " + logged + "\n"
                                              // The output file is logged as the tags file it
                                              // stands for, with " (new)": the tool writes a
                                              // hidden new file beside the tags file.
                                              "for a in \"$@\"; do case \"$a\" in\n"
                                              "  -f*) o=\"${a#-f}\"; b=\"${o##*/}\"; n=\"${b#.}\"; n=\"${n%.*}\";\n"
                                              "       printf '%s\\n' \"-f${o%/*}/$n (new)\" >> " + logged + ";;\n"
                                              "  *) printf '%s\\n' \"$a\" >> " + logged + ";;\n"
                                              "esac; done\n"
                                              "printf 'cwd=%s\\n' \"$PWD\" >> " + logged + "\n"
                                              "cat >> " + logged + "\n",
                                              extra + "exit 0\n"));
        ::chmod(settings.m_strCtagsPath.c_str(), 0755);
    }

    // What the dialog showed when it was there again after OK (then cancelled).
    struct Again {
        bool shown = false;
        QString tagsFile;
        QString target;
        bool tagsFileFocused = false;  // ready to be mended
    };

    // Shows the command's dialog, types the tags file and target, and presses OK. With `again`,
    // the dialog is expected to be there again after OK (kept open or shown anew): its fields
    // are recorded there and it is cancelled.
    bool Run(const QString& tagsFile, const QString& target, bool pressOk = true, const MayRunFunction& mayRun = {},
             Again* again = nullptr) {
        test::WhenModal<CCreateTagsDlg>([=](CCreateTagsDlg* shown) {
            auto* combo = qobject_cast<QComboBox*>(shown->Control(id::kTagsFile));
            combo->lineEdit()->selectAll();
            QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
            QTest::keyClicks(combo->lineEdit(), tagsFile);
            auto* edit = test::Edit(shown->Control(id::kTarget));
            edit->setText(target);
            if (again != nullptr) {
                test::WhenModal<CCreateTagsDlg>([again](CCreateTagsDlg* next) {
                    again->shown = true;
                    again->tagsFile = qobject_cast<QComboBox*>(next->Control(id::kTagsFile))->currentText();
                    again->target = test::Edit(next->Control(id::kTarget))->text();
                    QWidget* tagsFile = next->Control(id::kTagsFile);
                    again->tagsFileFocused = next->focusWidget() == tagsFile ||
                                             (next->focusWidget() != nullptr && next->focusWidget()->parentWidget() == tagsFile);
                    QTest::mouseClick(next->Control(id::kCancel), Qt::LeftButton);
                });
            }
            QTest::mouseClick(shown->Control(pressOk ? id::kOk : id::kCancel), Qt::LeftButton);
        });
        return RunCreateTagsCommand(nullptr, dlg, settings, profile, sink, CodePage::Utf8,
                                    [this](const std::string& path) {
                                        opened.push_back(path);
                                        return true;
                                    },
                                    mayRun);
    }
    std::string Remembered(const std::string& tagsFile) {
        return profile.ReadString("CreateTagsParam", tagsFile, "(none)");
    }
    bool ToolRan() const { return std::filesystem::exists(log); }

    test::ScratchFolder dir{"dialogs"};
    std::string root = dir.Path();
    std::string log;
    Profile profile;
    ViewSettings settings;
    CCreateTagsDlg dlg;
    RecordingMessageSink sink;
    std::vector<std::string> opened;
};

TEST_F(CreateTagsCommandTest, ok_remembersTheTargetRunsInTheFolderAndOpensTheFile) {
    test::WriteFile(profile.Path(), "[SYSTEM]\nX=1\n; a comment\n");
    const std::string tags = root + "/out.tags";
    EXPECT_TRUE(Run(Qs(tags), QStringLiteral("src")));
    EXPECT_EQ(Remembered(tags), "src");
    EXPECT_EQ(test::ReadFile(log), "-f" + tags + " (new)\nsrc\ncwd=" + root + "\n");
    EXPECT_EQ(opened, std::vector<std::string>{tags});
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the wait cursor has ended
    // Nothing else of the profile is lost.
    EXPECT_EQ(profile.ReadInt("SYSTEM", "X", 0), 1);
    EXPECT_NE(test::ReadFile(profile.Path()).find("; a comment"), std::string::npos);
}

// A file another run is making (F5's) is not written a second time at once: the command stops
// before the tool, and the caller has told the user why.
TEST_F(CreateTagsCommandTest, fileBusyWithAnotherRun_runsNothing) {
    const std::string tags = root + "/out.tags";
    std::vector<std::string> asked;
    EXPECT_FALSE(Run(Qs(tags), QStringLiteral("src"), true, [&asked](const std::string& path) {
        asked.push_back(path);
        return false;
    }));
    EXPECT_EQ(asked, std::vector<std::string>{tags});
    EXPECT_FALSE(ToolRan());
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(Remembered(tags), "src");  // kept for the next run, as for a failed one
}

// A section full of junk and over-long entries: the entry for the tags file is read (cut at the
// profile's limit, so OK asks for a shorter target), and the run adds its key without losing any
// other line.
TEST_F(CreateTagsCommandTest, junkAndOverlongRememberedTargets_loseNothing) {
    const std::string tags = root + "/out.tags";
    const std::string junk = "[CreateTagsParam]\n"
                             "no equals sign here\n"
                             "=empty key\n"
                             "/other.tags=" + std::string(5000, 'o') + "\n"
                             "; comment\n"
                             "[Recent File List]\n"
                             "File1=" + tags + "\n"
                             "File2=" + std::string(3000, 'f') + "\n";
    test::WriteFile(profile.Path(), junk + "[CreateTagsParam]\n" + tags + "=" + std::string(5000, 't') + "\n");
    test::WhenModal<CCreateTagsDlg>([this](CCreateTagsDlg* shown) {
        auto* target = test::Edit(shown->Control(id::kTarget));
        EXPECT_EQ(target->text().size(), static_cast<qsizetype>(Profile::kMaxValueLength));
        QTest::mouseClick(shown->Control(id::kOk), Qt::LeftButton);
        EXPECT_TRUE(shown->isVisible());  // refused: over the cap
        target->setText(QStringLiteral("src"));
        QTest::mouseClick(shown->Control(id::kOk), Qt::LeftButton);
    });
    EXPECT_TRUE(RunCreateTagsCommand(nullptr, dlg, settings, profile, sink, CodePage::Utf8,
                                     [this](const std::string& path) {
                                         opened.push_back(path);
                                         return true;
                                     }));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"256 文字以内で入力してください。"});
    EXPECT_EQ(Remembered(tags), "src");
    const std::string after = test::ReadFile(profile.Path());
    EXPECT_EQ(after.substr(0, junk.size()), junk);
    EXPECT_EQ(opened, std::vector<std::string>{tags});
}

TEST_F(CreateTagsCommandTest, cancelled_doesNothing) {
    EXPECT_FALSE(Run(Qs(root + "/out.tags"), QStringLiteral("src"), false));
    EXPECT_FALSE(std::filesystem::exists(profile.Path()));
    EXPECT_FALSE(ToolRan());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(sink.messages.empty());
}

// OK with no tags file asks for one and keeps the dialog open with what was typed.
TEST_F(CreateTagsCommandTest, emptyTagsFile_keepsTheDialogOpenWithTheMessage) {
    for (const QString& tagsFile : {QString(), QStringLiteral("   ")}) {
        SCOPED_TRACE(Str(tagsFile));
        sink.messages.clear();
        Again again;
        EXPECT_FALSE(Run(tagsFile, QStringLiteral("src"), true, {}, &again));
        EXPECT_EQ(sink.messages, std::vector<std::string>{"作成するTAGSファイルを指定してください。"});
        EXPECT_TRUE(again.shown);
        EXPECT_EQ(again.tagsFile, tagsFile);
        EXPECT_EQ(again.target, QStringLiteral("src"));
        EXPECT_FALSE(std::filesystem::exists(profile.Path()));
        EXPECT_FALSE(ToolRan());
        EXPECT_TRUE(opened.empty());
    }
}

// Refusals: each says why, nothing is opened, and the target is still remembered (it is written
// before the run).
TEST_F(CreateTagsCommandTest, badTagsPath_givesAClearMessageAndOpensNothing) {
    ASSERT_EQ(::mkdir((root + "/ro").c_str(), 0555), 0);
    ASSERT_EQ(::mkdir((root + "/adir.tags").c_str(), 0755), 0);
    struct Case {
        std::string tagsFile;
        std::string message;
        bool needsNonRoot;
    };
    const Case cases[] = {
        {"bare.tags", "tags path error![", false},
        {root + "/missing/x.tags", "フォルダ " + root + "/missing がありません。", false},
        {root + "/adir.tags", root + "/adir.tags はフォルダです。", false},
        {root + "/ro/x.tags", "フォルダ " + root + "/ro に書き込めません。", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tagsFile);
        if (c.needsNonRoot && ::geteuid() == 0) {
            continue;  // root may write anywhere
        }
        sink.messages.clear();
        Again again;
        EXPECT_FALSE(Run(Qs(c.tagsFile), QStringLiteral("t"), true, {}, &again));
        EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(Remembered(c.tagsFile), "t");
        EXPECT_FALSE(ToolRan());
        EXPECT_TRUE(opened.empty());
        // The dialog comes back with the path and the target, to be mended.
        EXPECT_TRUE(again.shown);
        EXPECT_EQ(again.tagsFile, Qs(c.tagsFile));
        EXPECT_EQ(again.target, QStringLiteral("t"));
    }
}

TEST_F(CreateTagsCommandTest, toolThatCannotStart_opensNothingAndShowsTheDialogAgain) {
    settings.m_strCtagsPath = root + "/no-such-ctags";
    Again again;
    EXPECT_FALSE(Run(Qs(root + "/out.tags"), QStringLiteral("src"), true, {}, &again));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].starts_with("create process error!\n" + root + "/no-such-ctags: ")) << sink.messages[0];
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(Remembered(root + "/out.tags"), "src");
    EXPECT_TRUE(again.shown);
    EXPECT_EQ(again.tagsFile, Qs(root + "/out.tags"));
    EXPECT_EQ(again.target, QStringLiteral("src"));
    EXPECT_TRUE(again.tagsFileFocused);
}

TEST_F(CreateTagsCommandTest, relativeTagsPath_isWrittenAndOpenedWhereItNames) {
    ASSERT_EQ(::mkdir((root + "/sub").c_str(), 0755), 0);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Qs(root)));
    const bool ran = Run(QStringLiteral("sub/out.tags"), QStringLiteral("src"));
    QDir::setCurrent(previous);
    EXPECT_TRUE(ran);
    EXPECT_EQ(Remembered("sub/out.tags"), "src");  // the key is the text as typed
    EXPECT_TRUE(std::filesystem::exists(root + "/sub/out.tags"));
    EXPECT_EQ(opened, std::vector<std::string>{root + "/sub/out.tags"});
}

// The target goes to the tool as typed: quotes group words (two targets), wildcards are
// expanded in the tags file's folder, and the remembered text is exactly what was typed.
TEST_F(CreateTagsCommandTest, targetWithQuotesOrWildcards_passesAsTyped) {
    test::WriteFile(root + "/A.java", "class A {}\n");
    test::WriteFile(root + "/B.java", "class B {}\n");
    const std::string tags = root + "/out.tags";
    EXPECT_TRUE(Run(Qs(tags), QStringLiteral("src\" \"lib")));
    EXPECT_EQ(Remembered(tags), "src\" \"lib");
    EXPECT_EQ(test::ReadFile(log), "-f" + tags + " (new)\nsrc\nlib\ncwd=" + root + "\n");

    EXPECT_TRUE(Run(Qs(tags), QStringLiteral("*.java")));
    EXPECT_EQ(Remembered(tags), "*.java");
    // The names found reach the tool through its file list.
    EXPECT_EQ(test::ReadFile(log), "-f" + tags + " (new)\n-L\n-\ncwd=" + root + "\nA.java\nB.java\n");
    EXPECT_EQ(opened.size(), 2u);
}

// A long run shows the progress window with the elapsed time and the size written so far;
// Cancel ends the tool, the run counts as not having taken place, and the tags file that was
// there is left byte for byte, with no new file beside it.
TEST_F(CreateTagsCommandTest, cancelDuringALongRun_endsTheToolAndKeepsTheOldFile) {
    WriteTool("while :; do printf 'Bar\\tBar.java\\t1;\"\\tc\\n' >> \"$out\"; sleep 0.05; done\n");
    ASSERT_EQ(::mkdir((root + "/out").c_str(), 0755), 0);
    const std::string tags = root + "/out/slow.tags";
    const std::string oldText = "Old\tOld.java\t/^class Old$/;\"\tc\n";
    test::WriteFile(tags, oldText);
    QString elapsedText;
    QString sizeText;
    bool waitCursor = false;
    const auto started = std::chrono::steady_clock::now();
    test::WhenModal<CCreateTagsDlg>([&](CCreateTagsDlg*) {
        test::WhenModal<CtagsProgressDialog>([&](CtagsProgressDialog* progress) {
            QTest::qWait(300);  // a few updates
            elapsedText = progress->ElapsedText();
            sizeText = progress->SizeText();
            waitCursor = QGuiApplication::overrideCursor() != nullptr;
            QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
        });
    });
    const bool ran = Run(Qs(tags), QStringLiteral("src"));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(ran);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(Remembered(tags), "src");
    EXPECT_TRUE(elapsedText.startsWith(QStringLiteral("経過時間： 0:0"))) << Str(elapsedText);
    // The size of the new file as it grows, not that of the old one.
    EXPECT_TRUE(sizeText.endsWith(QStringLiteral(" バイト"))) << Str(sizeText);
    EXPECT_NE(sizeText, CtagsProgressDialog::FormatSize(static_cast<qint64>(oldText.size()))) << Str(sizeText);
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_EQ(test::ReadFile(tags), oldText);
    QTest::qWait(200);  // the tool is gone: nothing reappears
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root + "/out"), {}), 1);
}

// A failed run is reported once, leaves the old file as it was and opens nothing (a file it did
// not write would only give a second message); the dialog comes back with what was typed. A
// successful run replaces the file and opens it.
TEST_F(CreateTagsCommandTest, failedRun_keepsTheOldFileShowsTheDialogAgainAndSuccessReplacesIt) {
    ASSERT_EQ(::mkdir((root + "/out").c_str(), 0755), 0);
    for (const bool oldFile : {true, false}) {
        SCOPED_TRACE(oldFile);
        const std::string tags = root + (oldFile ? "/out/x.tags" : "/out/new.tags");
        if (oldFile) {
            test::WriteFile(tags, "Old\n");
        }
        WriteTool("exit 4\n");
        sink.messages.clear();
        Again again;
        EXPECT_FALSE(Run(Qs(tags), QStringLiteral("src"), true, {}, &again));
        EXPECT_EQ(sink.messages, std::vector<std::string>{"ctags が異常終了しました (終了コード 4)。"});
        EXPECT_TRUE(opened.empty());
        EXPECT_TRUE(again.shown);
        EXPECT_EQ(again.tagsFile, Qs(tags));
        EXPECT_EQ(again.target, QStringLiteral("src"));
        EXPECT_EQ(std::filesystem::exists(tags), oldFile);
        if (oldFile) {
            EXPECT_EQ(test::ReadFile(tags), "Old\n");
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root + "/out"), {}), 1);
    }

    const std::string tags = root + "/out/x.tags";
    WriteTool("");
    sink.messages.clear();
    EXPECT_TRUE(Run(Qs(tags), QStringLiteral("src")));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(test::ReadFile(tags), "Foo\tFoo.java\t/^class Foo$/;\"\tc\n");
    EXPECT_EQ(opened, (std::vector<std::string>{tags}));
}

}  // namespace
}  // namespace quarrow::ui
