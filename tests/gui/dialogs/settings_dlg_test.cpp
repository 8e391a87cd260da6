// The settings dialog driven through its controls: copy in and out, the check box exchange, the
// length cap and its message, the browse buttons, and the layout's texts and tab order.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "dialog_test_support.h"
#include "platform/message_sink.h"
#include "widgets/dialog_text_limit.h"
#include "settings/ui/settings_dlg.h"
#include "settings/view_settings.h"
#include "support/scoped_env.h"
#include "support/scratch_folder.h"

namespace quarrow::ui {
namespace {

using test::Edit;
using test::Qs;
using test::Str;
using test::WhenModal;
namespace id = settings_dlg_id;

ViewSettings SampleSettings() {
    ViewSettings settings;
    settings.m_strEditorPath = "/usr/bin/gedit";
    settings.m_strEditorFormat = "+@l @f";
    settings.m_strCtagsPath = "/usr/bin/ctags";
    settings.m_nRestartRead = 1;
    settings.m_nSingleSelect = 0;
    settings.m_nTipMessage = 1;
    settings.m_nMainMenu = 0;
    settings.m_nMultiView = 1;
    settings.m_strCtagsParam = "-f@tags @target";
    return settings;
}

class SettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.SetMessageSink(&sink);
        dlg.SetFileChooser([this](QWidget*, const FileChooserRequest& request) {
            requests.push_back(request);
            return chosen;
        });
    }
    QCheckBox* Check(int control) { return qobject_cast<QCheckBox*>(dlg.Control(control)); }
    QPushButton* Button(int control) { return qobject_cast<QPushButton*>(dlg.Control(control)); }

    CSettingsDlg dlg;
    RecordingMessageSink sink;
    std::vector<FileChooserRequest> requests;
    QString chosen;
};

TEST_F(SettingsDlgTest, okAfterEdits_copiesAllEightBackAndLeavesTheTemplate) {
    ViewSettings settings = SampleSettings();
    WhenModal<CSettingsDlg>([this](CSettingsDlg* shown) {
        EXPECT_EQ(Edit(shown->Control(id::kEditorPath))->text(), QStringLiteral("/usr/bin/gedit"));
        EXPECT_TRUE(Button(id::kOk)->hasFocus());
        Edit(dlg.Control(id::kEditorFormat))->clear();
        QTest::keyClicks(dlg.Control(id::kEditorFormat), QStringLiteral("-l @l @f"));
        QTest::mouseClick(Check(id::kSingleSelect), Qt::LeftButton);
        QTest::mouseClick(Check(id::kMultiView), Qt::LeftButton);
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);

    ViewSettings expected = SampleSettings();
    expected.m_strEditorFormat = "-l @l @f";
    expected.m_nSingleSelect = 1;
    expected.m_nMultiView = 0;
    EXPECT_EQ(settings, expected);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SettingsDlgTest, okWithNothingChanged_copiesTheSameValuesBack) {
    ViewSettings settings = SampleSettings();
    WhenModal<CSettingsDlg>([this](CSettingsDlg*) { QTest::keyClick(Button(id::kOk), Qt::Key_Return); });
    RunSettingsCommand(dlg, settings);
    EXPECT_EQ(settings, SampleSettings());
}

TEST_F(SettingsDlgTest, cancelAfterEditingAndBrowsing_leavesTheViewUnchanged) {
    ViewSettings settings = SampleSettings();
    chosen = QStringLiteral("/opt/editor/bin/edit");
    WhenModal<CSettingsDlg>([this](CSettingsDlg*) {
        QTest::keyClicks(dlg.Control(id::kCtagsPath), QStringLiteral("-x"));
        QTest::mouseClick(Check(id::kRestartRead), Qt::LeftButton);
        QTest::mouseClick(Button(id::kBrowseEditor), Qt::LeftButton);
        QTest::mouseClick(Button(id::kCancel), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    EXPECT_EQ(settings, SampleSettings());
}

// A flag outside 0..2 (a hand-edited profile) opens unchecked; 2 opens greyed and stays 2 when
// untouched. OK stores what the box shows; Cancel keeps the view's own value.
TEST_F(SettingsDlgTest, flagExchange_followsTheStoredValue) {
    struct Case {
        int stored;
        Qt::CheckState shown;
        int afterOk;
    };
    const Case cases[] = {{-1, Qt::Unchecked, 0}, {0, Qt::Unchecked, 0}, {1, Qt::Checked, 1},
                          {2, Qt::PartiallyChecked, 2}, {3, Qt::Unchecked, 0}, {-2147483647 - 1, Qt::Unchecked, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        for (const bool ok : {true, false}) {
            ViewSettings settings = SampleSettings();
            settings.m_nTipMessage = c.stored;
            WhenModal<CSettingsDlg>([&, this](CSettingsDlg*) {
                EXPECT_EQ(Check(id::kTipMessage)->checkState(), c.shown);
                QTest::mouseClick(Button(ok ? id::kOk : id::kCancel), Qt::LeftButton);
            });
            RunSettingsCommand(dlg, settings);
            EXPECT_EQ(settings.m_nTipMessage, ok ? c.afterOk : c.stored);
        }
    }
}

TEST_F(SettingsDlgTest, clickingAGreyedBox_makesItAPlainCheckBox) {
    ViewSettings settings = SampleSettings();
    settings.m_nMainMenu = 2;
    WhenModal<CSettingsDlg>([this](CSettingsDlg*) {
        QTest::mouseClick(Check(id::kMainMenu), Qt::LeftButton);
        EXPECT_EQ(Check(id::kMainMenu)->checkState(), Qt::Checked);
        QTest::mouseClick(Check(id::kMainMenu), Qt::LeftButton);
        QTest::mouseClick(Check(id::kMainMenu), Qt::LeftButton);
        EXPECT_EQ(Check(id::kMainMenu)->checkState(), Qt::Checked);  // never greyed again
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    EXPECT_EQ(settings.m_nMainMenu, 1);
}

// Each of the three texts: a stored value over 256 characters is shown in full, OK refuses it
// with the length message and the dialog stays open; once shortened, OK passes.
TEST_F(SettingsDlgTest, storedTextOverTheCap_isShownAndRefusedUntilShortened) {
    const std::string longText(300, 'x');
    for (const int control : {id::kEditorPath, id::kEditorFormat, id::kCtagsPath}) {
        SCOPED_TRACE(control);
        sink.messages.clear();
        ViewSettings settings = SampleSettings();
        std::string* field = control == id::kEditorPath     ? &settings.m_strEditorPath
                             : control == id::kEditorFormat ? &settings.m_strEditorFormat
                                                            : &settings.m_strCtagsPath;
        *field = longText;
        settings.m_nMultiView = 0;
        WhenModal<CSettingsDlg>([&, this](CSettingsDlg* shown) {
            QLineEdit* edit = Edit(shown->Control(control));
            EXPECT_EQ(edit->text().size(), 300);
            QTest::mouseClick(Check(id::kMultiView), Qt::LeftButton);
            QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
            EXPECT_TRUE(shown->isVisible());
            ASSERT_EQ(sink.messages, std::vector<std::string>{"256 文字以内で入力してください。"});
            EXPECT_TRUE(edit->hasFocus());
            edit->setCursorPosition(300);
            for (int i = 0; i < 44; ++i) {
                QTest::keyClick(edit, Qt::Key_Backspace);  // shrinking is always allowed
            }
            QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
        });
        RunSettingsCommand(dlg, settings);
        EXPECT_EQ(*field, std::string(256, 'x'));
        EXPECT_EQ(settings.m_nMultiView, 1);
        EXPECT_EQ(sink.messages.size(), 1u);
    }
}

// Without an editor program the jump would start the template's first word ("@f" is the tag's
// own file): OK refuses an empty or blank editor field and the dialog stays open until one is
// given. An empty template is accepted (the editor is started without arguments).
TEST_F(SettingsDlgTest, emptyEditorPath_isRefusedUntilOneIsGiven) {
    for (const QString& typed : {QString(), QStringLiteral("   "), QStringLiteral("\t ")}) {
        SCOPED_TRACE(typed.toStdString());
        sink.messages.clear();
        ViewSettings settings = SampleSettings();
        WhenModal<CSettingsDlg>([&, this](CSettingsDlg* shown) {
            QLineEdit* edit = Edit(shown->Control(id::kEditorPath));
            edit->setText(typed);
            Edit(shown->Control(id::kEditorFormat))->clear();
            QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
            EXPECT_TRUE(shown->isVisible());
            ASSERT_EQ(sink.messages, std::vector<std::string>{"起動エディタを入力してください。"});
            EXPECT_TRUE(edit->hasFocus());
            QTest::keyClicks(edit, QStringLiteral("/usr/bin/vi"));  // over the selected text
            QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
        });
        RunSettingsCommand(dlg, settings);
        EXPECT_EQ(settings.m_strEditorPath, "/usr/bin/vi");
        EXPECT_EQ(settings.m_strEditorFormat, "");
        EXPECT_EQ(sink.messages.size(), 1u);
    }
}

TEST_F(SettingsDlgTest, typingAndPasting_stopAtTheCap) {
    dlg.InitDialog();
    QLineEdit* edit = Edit(dlg.Control(id::kEditorFormat));
    edit->clear();
    QTest::keyClicks(edit, QString(250, u'a'));
    for (const QChar ch : QStringLiteral("あいうえおかきくけこ")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(edit->text(), QString(250, u'a') + QStringLiteral("あいうえおか"));
    edit->setCursorPosition(10);
    QApplication::clipboard()->setText(QStringLiteral("zzz"));
    edit->paste();
    EXPECT_EQ(DialogTextLength(edit->text()), 256);
    EXPECT_EQ(edit->text().left(10), QString(10, u'a'));
}

// Browsing puts the chosen program into its field; what was typed or ticked elsewhere since the
// opening stays.
TEST_F(SettingsDlgTest, browseForEditor_showsTheFileAndKeepsWhatWasTyped) {
    ViewSettings settings = SampleSettings();
    chosen = QStringLiteral("/opt/my editor/bin/edit");
    WhenModal<CSettingsDlg>([this](CSettingsDlg*) {
        QTest::keyClicks(dlg.Control(id::kEditorFormat), QStringLiteral(" --new"));
        QTest::keyClicks(dlg.Control(id::kCtagsPath), QStringLiteral("-x"));
        QTest::mouseClick(Check(id::kRestartRead), Qt::LeftButton);
        QTest::mouseClick(Button(id::kBrowseEditor), Qt::LeftButton);
        EXPECT_EQ(Edit(dlg.Control(id::kEditorPath))->text(), chosen);
        EXPECT_EQ(Edit(dlg.Control(id::kEditorFormat))->text(), QStringLiteral("+@l @f --new"));
        EXPECT_EQ(Check(id::kRestartRead)->checkState(), Qt::Unchecked);
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    ViewSettings expected = SampleSettings();
    expected.m_strEditorPath = "/opt/my editor/bin/edit";
    expected.m_strEditorFormat = "+@l @f --new";
    expected.m_strCtagsPath = "/usr/bin/ctags-x";
    expected.m_nRestartRead = 0;
    EXPECT_EQ(settings, expected);

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, FileChooserRequest::Kind::Open);
    // Programs have no extension here: the first filter lists every file, and none is added.
    EXPECT_EQ(requests[0].filter, QStringLiteral("Editor (*);;All Files (*)"));
    EXPECT_TRUE(requests[0].defaultSuffix.isEmpty());
    EXPECT_TRUE(requests[0].title.isEmpty());
}

TEST_F(SettingsDlgTest, browseForCtags_usesItsFilterAndCancelChangesNothing) {
    ViewSettings settings = SampleSettings();
    WhenModal<CSettingsDlg>([this](CSettingsDlg*) {
        QTest::keyClicks(dlg.Control(id::kEditorFormat), QStringLiteral("X"));
        chosen.clear();
        QTest::mouseClick(Button(id::kBrowseCtags), Qt::LeftButton);  // cancelled
        EXPECT_EQ(Edit(dlg.Control(id::kEditorFormat))->text(), QStringLiteral("+@l @fX"));
        chosen = QStringLiteral("/usr/local/bin/uctags");
        QTest::mouseClick(Button(id::kBrowseCtags), Qt::LeftButton);
        EXPECT_EQ(Edit(dlg.Control(id::kCtagsPath))->text(), chosen);
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    EXPECT_EQ(settings.m_strCtagsPath, "/usr/local/bin/uctags");
    EXPECT_EQ(settings.m_strEditorFormat, "+@l @fX");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].filter, QStringLiteral("CTAGS (*);;All Files (*)"));
}

// Shift-JIS texts (valid characters, half-width katakana, and bytes the code page does not
// define) show as their characters and come back as the same bytes: OK with nothing changed, and
// OK after an edit elsewhere. A browsed path keeps the bytes that name the file.
TEST_F(SettingsDlgTest, shiftJisTexts_comeBackByteForByte) {
    const std::string nihongo = "\x93\xfa\x96\x7b\x8c\xea";  // 日本語
    ViewSettings stored = SampleSettings();
    stored.m_strEditorPath = "/opt/" + nihongo + "/\xb4\xc3\xde\xa8\xc0/edit\x81";  // ｴﾃﾞｨﾀ, a cut character
    stored.m_strEditorFormat = "+@l \x85\x40\xa0 @f";                                // undefined bytes
    stored.m_strCtagsPath = "/usr/\xff\x80/\x81 ctags\xed\x40";  // invalid pairs
    dlg.SetCodePage(CodePage::ShiftJis);

    ViewSettings settings = stored;
    WhenModal<CSettingsDlg>([this](CSettingsDlg* shown) {
        EXPECT_TRUE(Edit(shown->Control(id::kEditorPath))->text().startsWith(QStringLiteral("/opt/日本語/ｴﾃﾞｨﾀ/edit")));
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    EXPECT_EQ(settings, stored);

    WhenModal<CSettingsDlg>([this](CSettingsDlg*) {
        QLineEdit* format = Edit(dlg.Control(id::kEditorFormat));
        format->end(false);
        format->insert(QStringLiteral(" 語"));
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    ViewSettings edited = stored;
    edited.m_strEditorFormat += " \x8c\xea";
    EXPECT_EQ(settings, edited);

    chosen = QStringLiteral("/opt/日本語/ctags");
    WhenModal<CSettingsDlg>([this](CSettingsDlg*) {
        QTest::mouseClick(Button(id::kBrowseCtags), Qt::LeftButton);
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    EXPECT_EQ(settings.m_strCtagsPath, QFile::encodeName(chosen).toStdString());
    EXPECT_EQ(settings.m_strEditorPath, stored.m_strEditorPath);
}

TEST_F(SettingsDlgTest, layout_hasTheTextsAndTabOrderOfTheTemplate) {
    dlg.InitDialog();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("設定"));
    EXPECT_EQ(Button(id::kOk)->text(), QStringLiteral("OK"));
    EXPECT_TRUE(Button(id::kOk)->isDefault());
    EXPECT_EQ(Button(id::kCancel)->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_EQ(Button(id::kBrowseEditor)->text(), QStringLiteral("..."));
    EXPECT_EQ(Button(id::kBrowseCtags)->text(), QStringLiteral("..."));
    const std::pair<int, const char*> checks[] = {
        {id::kRestartRead, "起動時に前回表示していたtagsを読み込む。"},
        {id::kSingleSelect, "シングルクリックでエディタへジャンプ。"},
        {id::kTipMessage, "チップメッセージの表示を行う。"},
        {id::kMainMenu, "メインメニューを表示する。(次回起動時より有効)"},
        {id::kMultiView, "多重起動を許す。(次回起動時より有効)"}};
    for (const auto& [control, text] : checks) {
        EXPECT_EQ(Check(control)->text(), QString::fromUtf8(text));
    }
    QStringList labels;
    for (const QLabel* label : dlg.findChildren<QLabel*>()) {
        labels << label->text();
    }
    labels.sort();
    EXPECT_EQ(labels, (QStringList{QStringLiteral("パス："), QStringLiteral("既知のエディタ："),
                                   QStringLiteral("起動エディタ："), QStringLiteral("起動文字列：")}));
    QStringList groups;
    for (const QGroupBox* group : dlg.findChildren<QGroupBox*>()) {
        groups << group->title();
    }
    EXPECT_EQ(groups, (QStringList{QStringLiteral("「エディター」"), QStringLiteral("「ctags」"),
                                   QStringLiteral("「その他」")}));

    std::vector<QWidget*> expected;
    for (const int control : {id::kOk, id::kCancel, id::kEditorPath, id::kEditorFormat, id::kBrowseEditor,
                              id::kEditorPresets, id::kCtagsPath, id::kBrowseCtags, id::kRestartRead, id::kSingleSelect,
                              id::kTipMessage, id::kMainMenu, id::kMultiView}) {
        expected.push_back(dlg.Control(control));
    }
    EXPECT_EQ(test::TabChain(dlg.Control(id::kOk)), expected);
}

// The known editors as a user meets them: the ones installed here first, the others marked;
// choosing one fills the editor and its template, which stay editable.
TEST_F(SettingsDlgTest, knownEditors_installedFirstAndChoosingFillsBothFields) {
    test::ScratchFolder bin{"presets"};
    for (const char* program : {"gedit", "kate", "x-terminal-emulator"}) {
        bin.WriteProgram(program, "#!/bin/sh\n");
    }
    const test::ScopedEnv onlyTheseInstalled("PATH", bin.Path());
    ViewSettings settings = SampleSettings();
    settings.m_strEditorPath = "gedit";
    settings.m_strEditorFormat = "+@l @f";
    WhenModal<CSettingsDlg>([this](CSettingsDlg*) {
        auto* presets = qobject_cast<QComboBox*>(dlg.Control(id::kEditorPresets));
        QStringList texts;
        for (int i = 0; i < presets->count(); ++i) {
            texts << presets->itemText(i);
        }
        EXPECT_EQ(
            texts,
            (QStringList{QStringLiteral("（選択してください）"), QStringLiteral("Kate"), QStringLiteral("gedit"),
                         QStringLiteral("Vim（端末内） - 未インストール"), QStringLiteral("gvim - 未インストール"),
                         QStringLiteral("Neovim (nvim-qt) - 未インストール"), QStringLiteral("Emacs - 未インストール"),
                         QStringLiteral("VS Code - 未インストール"), QStringLiteral("VSCodium - 未インストール"),
                         QStringLiteral("KWrite - 未インストール"), QStringLiteral("Geany - 未インストール"),
                         QStringLiteral("Mousepad - 未インストール"), QStringLiteral("Qt Creator - 未インストール"),
                         QStringLiteral("Sublime Text - 未インストール"),
                         QStringLiteral("JetBrains IDE - 未インストール")}));
        EXPECT_EQ(presets->currentText(), QStringLiteral("gedit")) << "the editor the fields hold";
        EXPECT_EQ(presets->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("kate -l @l @f"));

        presets->setFocus();
        QTest::keyClick(presets, Qt::Key_Up);  // gedit to Kate
        EXPECT_EQ(Edit(dlg.Control(id::kEditorPath))->text(), QStringLiteral("kate"));
        EXPECT_EQ(Edit(dlg.Control(id::kEditorFormat))->text(), QStringLiteral("-l @l @f"));
        QTest::keyClick(presets, Qt::Key_Up);  // the hint changes nothing
        EXPECT_EQ(Edit(dlg.Control(id::kEditorPath))->text(), QStringLiteral("kate"));
        QTest::keyClick(presets, Qt::Key_End);  // an editor not installed is offered all the same
        EXPECT_EQ(Edit(dlg.Control(id::kEditorPath))->text(), QStringLiteral("idea"));
        EXPECT_EQ(Edit(dlg.Control(id::kEditorFormat))->text(), QStringLiteral("--line @l @f"));
        QTest::keyClick(dlg.Control(id::kEditorFormat), Qt::Key_Z, Qt::ControlModifier);  // undo the fill
        EXPECT_EQ(Edit(dlg.Control(id::kEditorFormat))->text(), QStringLiteral("-l @l @f"));
        QTest::keyClick(dlg.Control(id::kEditorFormat), Qt::Key_End);
        QTest::keyClicks(dlg.Control(id::kEditorFormat), QStringLiteral(" -n"));
        QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    });
    RunSettingsCommand(dlg, settings);
    EXPECT_EQ(settings.m_strEditorPath, "idea");
    EXPECT_EQ(settings.m_strEditorFormat, "-l @l @f -n");
}

TEST(FilterNotation, pairsBecomeQtFilters) {
    EXPECT_EQ(QtFilterFromPairs("tags (*.tags)|*.tags|tags (*.txt)|*.txt|All Files (*.*)|*.*||"),
              QStringLiteral("tags (*.tags);;tags (*.txt);;All Files (*)"));
    EXPECT_EQ(QtFilterFromPairs("Sources|*.c;*.h||"), QStringLiteral("Sources (*.c *.h)"));
    EXPECT_EQ(QtFilterFromPairs(""), QString());
}

}  // namespace
}  // namespace quarrow::ui
