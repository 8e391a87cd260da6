// The window's language: the English translation covers every text a window shows, the
// Japanese texts stay the program's own, Qt's dialogs follow, and the profile and the locale
// choose between them.

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "../app/app_fixture.h"
#include "app/about/version_info_dlg.h"
#include "app/startup_request.h"
#include "app/ui/message_box_sink.h"
#include "app/ui/quarrow_doc_mgr.h"
#include "ctags/ui/create_tags_dlg.h"
#include "ctags/ui/ctags_progress_dialog.h"
#include "japanese_text.h"
#include "platform/ui/program_translation.h"
#include "settings/ui/settings_dlg.h"
#include "tags/quarrow_doc.h"
#include "editor/editor_command.h"

namespace quarrow::ui {
namespace {

using quarrow::testing::HasJapanese;

// The texts of an action and of its submenu's actions, each prefixed with where it is.
void CollectActionTexts(const QList<QAction*>& actions, const QString& where, QStringList& texts) {
    for (QAction* action : actions) {
        texts << where + QStringLiteral(" action: ") + action->text();
        if (QMenu* menu = action->menu()) {
            CollectActionTexts(menu->actions(), where + QStringLiteral(" > ") + action->text(), texts);
        }
    }
}

// Every text a user can read in `root`: its title, labels, buttons, group boxes and actions.
QStringList ShownTexts(QWidget& root) {
    QStringList texts{QStringLiteral("title: ") + root.windowTitle()};
    for (QLabel* label : root.findChildren<QLabel*>()) {
        texts << QStringLiteral("label: ") + label->text();
    }
    for (QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        texts << QStringLiteral("button: ") + button->text();
    }
    for (QGroupBox* group : root.findChildren<QGroupBox*>()) {
        texts << QStringLiteral("group: ") + group->title();
    }
    CollectActionTexts(root.actions(), root.objectName(), texts);
    for (QMenuBar* bar : root.findChildren<QMenuBar*>()) {
        CollectActionTexts(bar->actions(), QStringLiteral("menu bar"), texts);
    }
    return texts;
}

QStringList JapaneseTexts(QWidget& root) {
    QStringList found;
    for (const QString& text : ShownTexts(root)) {
        if (HasJapanese(text)) {
            found << text;
        }
    }
    return found;
}

TEST(LanguageTest, EnglishDialogsHoldNoJapaneseText) {
    const ProgramTranslation english(UiLanguage::English);
    CSettingsDlg settings;
    CCreateTagsDlg createTags;
    CVersionInfoDlg about;
    CtagsProgressDialog progress(QStringLiteral("/work/tmp/QR-SOURCE.tags"));
    progress.KeepWaiting(std::chrono::milliseconds(0));
    progress.reject();  // shows the "cancelling" text
    for (QDialog* dialog : std::initializer_list<QDialog*>{&settings, &createTags, &about, &progress}) {
        EXPECT_EQ(JapaneseTexts(*dialog), QStringList{}) << qPrintable(dialog->windowTitle());
    }
    EXPECT_EQ(settings.windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(createTags.windowTitle(), QStringLiteral("Create Tags File"));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quarrow"));
    EXPECT_EQ(CtagsProgressDialog::FormatElapsed(std::chrono::seconds(75)), QStringLiteral("Elapsed: 1:15"));
    EXPECT_EQ(CtagsProgressDialog::FormatSize(1234567), QStringLiteral("Written: 1,234,567 bytes"));
    EXPECT_EQ(CtagsProgressDialog::FormatSize(-1), QStringLiteral("Written: nothing"));
}

TEST(LanguageTest, JapaneseKeepsTheProgramsOwnTexts) {
    const ProgramTranslation japanese(UiLanguage::Japanese);
    EXPECT_EQ(CVersionInfoDlg().windowTitle(), QStringLiteral("Quarrowのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(CCreateTagsDlg().windowTitle(), QStringLiteral("TAGSファイルの作成画面"));
    EXPECT_EQ(CSettingsDlg().windowTitle(), QStringLiteral("設定"));
    EXPECT_EQ(MessageBoxSink::BoxText(FileErrorMessage(FileError::NotFound, "/a/b.tags")),
              QStringLiteral("/a/b.tags が見つかりませんでした。"));
}

// Qt's own file dialog (the one used without a desktop's native dialog) and button texts.
TEST(LanguageTest, QtsOwnDialogsFollowTheLanguage) {
    struct Case {
        UiLanguage language;
        bool japanese;
    };
    for (const Case c : {Case{UiLanguage::Japanese, true}, Case{UiLanguage::English, false}}) {
        const ProgramTranslation translation(c.language);
        EXPECT_EQ(translation.HasQtTranslation(), c.japanese);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        ASSERT_NE(lookIn, nullptr);
        EXPECT_EQ(HasJapanese(lookIn->text()), c.japanese) << qPrintable(lookIn->text());
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        EXPECT_EQ(HasJapanese(buttons.button(QDialogButtonBox::Cancel)->text()), c.japanese);
    }
}

// The core's messages under English: the pattern's translation with the same part put in.
TEST(LanguageTest, CoreMessagesAreTranslatedKeepingTheirPart) {
    const std::string path = "/src/日本/a%1.tags";
    struct Case {
        std::string japanese;
        QString english;
    };
    const Case cases[] = {
        {FileErrorMessage(FileError::NotFound, path), QStringLiteral("/src/日本/a%1.tags was not found.")},
        {FileErrorMessage(FileError::BadPath, path), QStringLiteral("/src/日本/a%1.tags contains an invalid path.")},
        {FileErrorMessage(FileError::AccessDenied, path), QStringLiteral("/src/日本/a%1.tags cannot be accessed.")},
        {FileErrorMessage(FileError::NotAFile, path), QStringLiteral("/src/日本/a%1.tags is not a file.")},
        {std::string(kOpenFailedMessage), QStringLiteral("Failed to open the document.")},
        {std::string(kFullPathMessage), QStringLiteral("Give the -T option a full path.")},
        {"/x/y.tags に保存できませんでした。", QStringLiteral("Could not save to /x/y.tags.")},
        {"ctags がシグナル 9 で強制終了しました。", QStringLiteral("ctags was killed by signal 9.")},
        // A tool's own lines after the first stay as they are.
        {"ctags が異常終了しました (終了コード 1)。\nctags: 日本 not found",
         QStringLiteral("ctags failed (exit code 1).\nctags: 日本 not found")},
        {"フォルダ /ro がありません。", QStringLiteral("The folder /ro does not exist.")},
        // Also made by "%1 に書き込めません。": the pattern with more fixed text is the one.
        {"フォルダ /ro に書き込めません。", QStringLiteral("Cannot write to the folder /ro.")},
        {"/ro/t.tags はフォルダです。", QStringLiteral("/ro/t.tags is a folder.")},
        {"/ro/t.tags を作成できません。\nPermission denied", QStringLiteral("Cannot create /ro/t.tags.\nPermission denied")},
        {"/ro/t.tags を置き換えられません。\nRead-only file system",
         QStringLiteral("Cannot replace /ro/t.tags.\nRead-only file system")},
        // The editor's lines of its own are translated, the system's reason is as the system gives it.
        {EditorStartMessage("/home/me/my", "/home/me/my editor", ENOENT),
         QStringLiteral("Cannot start the editor /home/me/my.\nPath: /home/me/my editor\nReason: ") +
             QString::fromLocal8Bit(std::strerror(ENOENT)) + QStringLiteral("\nChange the editor under Settings.")},
        // Texts made from no pattern pass as they are.
        {"tags path error![", QStringLiteral("tags path error![")},
        {"何か別のこと", QStringLiteral("何か別のこと")},
    };
    const ProgramTranslation english(UiLanguage::English);
    for (const Case& c : cases) {
        EXPECT_EQ(MessageBoxSink::BoxText(c.japanese), c.english) << c.japanese;
    }
}

using AppLanguageTest = testing::AppFixture;

TEST_F(AppLanguageTest, EnglishLocaleGivesTheEnglishWindow) {
    m_messagesLocale = "en_US.UTF-8";
    ASSERT_TRUE(Start());
    EXPECT_EQ(Title(), QStringLiteral("Untitled - Quarrow"));
    QStringList topLevel;
    for (QAction* action : m_app->MainWindow()->menuBar()->actions()) {
        topLevel << action->text();
    }
    for (const char* menu : {"&File", "&Settings", "&Help"}) {
        EXPECT_TRUE(topLevel.contains(QLatin1String(menu))) << menu << " in " << qPrintable(topLevel.join(u' '));
    }
    EXPECT_EQ(JapaneseTexts(*m_app->MainWindow()), QStringList{});
    // A message from the core under English.
    EXPECT_FALSE(Open(m_home + "missing.tags"));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_FALSE(HasJapanese(m_messages[0])) << qPrintable(m_messages[0]);
}

TEST_F(AppLanguageTest, ProfileOverridesTheLocale) {
    struct Case {
        const char* locale;
        const char* profileValue;
        const char* title;
    };
    for (const Case c : {Case{"en_US.UTF-8", "ja", "無題 - Quarrow"}, Case{"ja_JP.UTF-8", "en", "Untitled - Quarrow"},
                         Case{"ja_JP.UTF-8", "", "無題 - Quarrow"}, Case{"C", "", "無題 - Quarrow"}}) {
        GetProfile().WriteString(setting_keys::kSystem, setting_keys::kUiLanguage, c.profileValue);
        m_messagesLocale = c.locale;
        ASSERT_TRUE(Start());
        EXPECT_EQ(Title(), QString::fromUtf8(c.title)) << c.locale << " / " << c.profileValue;
        m_app->Shutdown(0);
        m_app.reset();
    }
}

}  // namespace
}  // namespace quarrow::ui
