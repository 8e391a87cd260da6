// The tags-creation dialog driven through its controls: the recent files in the list, the target
// remembered per tags file coming back on typing and picking, browsing with the save dialog, the
// fields kept from one showing to the next, and the length cap of the target and the template.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ctags/ui/create_tags_dlg.h"
#include "dialog_test_support.h"
#include "platform/message_sink.h"
#include "settings/profile.h"
#include "support/scratch_folder.h"

namespace quarrow::ui {
namespace {

using test::Edit;
using test::Qs;
using test::Str;
namespace id = create_tags_dlg_id;

class CreateTagsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile.SetPath(dir / "quarrow.INI");
        dlg.SetProfile(&profile);
        dlg.SetMessageSink(&sink);
        dlg.SetFileChooser([this](QWidget*, const FileChooserRequest& request) {
            requests.push_back(request);
            return chosen;
        });
    }
    void WriteProfile(const std::string& text) { test::WriteFile(profile.Path(), text); }
    QComboBox* Combo() { return qobject_cast<QComboBox*>(dlg.Control(id::kTagsFile)); }
    QLineEdit* Target() { return Edit(dlg.Control(id::kTarget)); }
    QPushButton* Button(int control) { return qobject_cast<QPushButton*>(dlg.Control(control)); }
    QStringList Items() {
        QStringList items;
        for (int i = 0; i < Combo()->count(); ++i) {
            items << Combo()->itemText(i);
        }
        return items;
    }
    void Open() {
        dlg.InitDialog();
        dlg.show();
    }

    test::ScratchFolder dir{"dialogs"};
    Profile profile;
    CCreateTagsDlg dlg;
    RecordingMessageSink sink;
    std::vector<FileChooserRequest> requests;
    QString chosen;
};

TEST_F(CreateTagsDlgTest, noRecentFiles_emptyListAndTextAndTheDefaultTarget) {
    dlg.m_strParam = "-f@tags @target";
    Open();
    EXPECT_EQ(Combo()->count(), 0);
    EXPECT_EQ(Combo()->currentText(), QString());
    EXPECT_EQ(Target()->text(), QStringLiteral("*"));
    EXPECT_EQ(Edit(dlg.Control(id::kParam))->text(), QStringLiteral("-f@tags @target"));
    EXPECT_TRUE(Edit(dlg.Control(id::kParam))->isReadOnly());
}

TEST_F(CreateTagsDlgTest, recentList_stopsAtTheFirstEmptyEntryAndOffersAtMostTwenty) {
    struct Case {
        const char* name;
        std::string section;
        QStringList expected;
    };
    std::string twentyFive;
    QStringList firstTwenty;
    for (int i = 1; i <= 25; ++i) {
        twentyFive += "File" + std::to_string(i) + "=/w/t" + std::to_string(i) + ".tags\n";
        if (i <= 20) {
            firstTwenty << QStringLiteral("/w/t%1.tags").arg(i);
        }
    }
    const Case cases[] = {
        {"gap", "File1=/w/a.tags\nFile2=\nFile3=/w/b.tags\n", {QStringLiteral("/w/a.tags")}},
        {"blank value", "File1=/w/a.tags\nFile2=   \nFile3=/w/b.tags\n", {QStringLiteral("/w/a.tags")}},
        {"missing File1", "File2=/w/b.tags\n", {}},
        {"more than twenty", twentyFive, firstTwenty},
        {"junk keys and lines", "garbage line\nFileX=/w/x\nfile1=/w/lower.tags\n=nothing\n", {QStringLiteral("/w/lower.tags")}},
        {"quoted", "File1=\"/w/with blank.tags\"\n", {QStringLiteral("/w/with blank.tags")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteProfile("[Recent File List]\n" + c.section);
        const std::string before = test::ReadFile(profile.Path());
        Open();
        EXPECT_EQ(Items(), c.expected);
        EXPECT_EQ(Combo()->currentText(), c.expected.isEmpty() ? QString() : c.expected.front());
        dlg.reject();
        EXPECT_EQ(test::ReadFile(profile.Path()), before);  // the dialog only reads
    }
}

TEST_F(CreateTagsDlgTest, overlongRecentEntry_isListedInFullUpToTheProfileLimit) {
    const std::string longPath = "/" + std::string(5000, 'd') + "/x.tags";
    WriteProfile("[Recent File List]\nFile1=" + longPath + "\nFile2=/w/b.tags\n");
    Open();
    ASSERT_EQ(Combo()->count(), 2);
    EXPECT_EQ(Combo()->itemText(0), Qs(longPath.substr(0, Profile::kMaxValueLength)));
    EXPECT_EQ(Combo()->itemText(1), QStringLiteral("/w/b.tags"));
}

// A recent tags file named in Shift-JIS, with a byte the code page does not define: its target is
// found under the same bytes, and OK gives back the very bytes of the entry and the target. A
// file picked in the save dialog comes out as the bytes that name it.
TEST_F(CreateTagsDlgTest, shiftJisRecentEntry_comesBackAsTheSameBytes) {
    const std::string tagsFile = "/w/\x93\xfa\x96\x7b\xa0/a.tags";  // 日本 and an undefined byte
    const std::string target = "\x83\x5c\x81";                     // ソ (its second byte is a backslash) and a cut byte
    WriteProfile("[Recent File List]\nFile1=" + tagsFile + "\n[CreateTagsParam]\n" + tagsFile + "=" + target + "\n");
    dlg.SetCodePage(CodePage::ShiftJis);
    Open();
    EXPECT_TRUE(Combo()->currentText().startsWith(QStringLiteral("/w/日本")));
    EXPECT_TRUE(Target()->text().startsWith(QStringLiteral("ソ")));
    QTest::keyClick(Button(id::kOk), Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strTagsFile, tagsFile);
    EXPECT_EQ(dlg.m_strTarget, target);

    chosen = QStringLiteral("/w/日本語.tags");
    Open();
    QTest::mouseClick(Button(id::kBrowse), Qt::LeftButton);
    QTest::keyClick(Button(id::kOk), Qt::Key_Return);
    EXPECT_EQ(dlg.m_strTagsFile, "/w/\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.tags");  // as the file system names it
}

TEST_F(CreateTagsDlgTest, opening_showsTheMostRecentFileWithItsTargetAndFocusesOk) {
    WriteProfile("[Recent File List]\nFile1=/w/a.tags\nFile2=/w/b.tags\n"
                 "[CreateTagsParam]\n/w/a.tags=src\n/w/b.tags=lib\n");
    Open();
    EXPECT_EQ(Items(), (QStringList{QStringLiteral("/w/a.tags"), QStringLiteral("/w/b.tags")}));
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("/w/a.tags"));
    EXPECT_EQ(Target()->text(), QStringLiteral("src"));
    EXPECT_EQ(dlg.focusWidget(), Button(id::kOk));
    QTest::keyClick(Button(id::kOk), Qt::Key_Return);  // Enter at once: OK
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strTagsFile, "/w/a.tags");
    EXPECT_EQ(dlg.m_strTarget, "src");
}

// Every typed change reloads the target for the text so far; the remembered target appears as
// soon as the text is a remembered key. Keys are paths, so a path in other letter case names
// another file, with a target of its own.
TEST_F(CreateTagsDlgTest, typingATagsPath_reloadsTheTargetAfterEachChange) {
    WriteProfile("[CreateTagsParam]\n/w/a.tags=src\n/w/a.tags2=other\n");
    Open();
    QLineEdit* edit = Combo()->lineEdit();
    QTest::keyClicks(edit, QStringLiteral("/w/a.tag"));
    EXPECT_EQ(Target()->text(), QStringLiteral("*"));
    QTest::keyClick(edit, Qt::Key_S);
    EXPECT_EQ(Target()->text(), QStringLiteral("src"));
    Target()->setText(QStringLiteral("typed"));
    QTest::keyClick(edit, Qt::Key_2);
    EXPECT_EQ(Target()->text(), QStringLiteral("other"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(Target()->text(), QStringLiteral("src"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("/W/A.TAGS"));
    EXPECT_EQ(Target()->text(), QStringLiteral("*"));
    QTest::keyClick(edit, Qt::Key_X);
    EXPECT_EQ(Target()->text(), QStringLiteral("*"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(Target()->text(), QStringLiteral("*"));
    QTest::keyClicks(edit, QStringLiteral("/w/a.tags"));
    QTest::keyClick(edit, Qt::Key_Return);  // Enter in the field presses the default button
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strTagsFile, "/w/a.tags");
    EXPECT_EQ(dlg.m_strTarget, "src");
}

TEST_F(CreateTagsDlgTest, pickingAListedFile_showsItsRememberedTarget) {
    WriteProfile("[Recent File List]\nFile1=/w/a.tags\nFile2=/w/b.tags\nFile3=/w/c.tags\n"
                 "[CreateTagsParam]\n/w/b.tags=src\n");
    Open();
    Target()->setText(QStringLiteral("typed"));
    QTest::keyClick(Combo(), Qt::Key_Down);  // the next entry, as picking it in the list does
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("/w/b.tags"));
    EXPECT_EQ(Target()->text(), QStringLiteral("src"));
    QTest::keyClick(Combo(), Qt::Key_Down);
    EXPECT_EQ(Target()->text(), QStringLiteral("*"));
}

TEST_F(CreateTagsDlgTest, browse_insertsTheChosenFileOnTopAndKeepsTheTarget) {
    WriteProfile("[Recent File List]\nFile1=/w/a.tags\n[CreateTagsParam]\n/w/a.tags=src\n/w/new.tags=lib\n");
    Open();
    Target()->setText(QStringLiteral("mine"));
    chosen = QStringLiteral("/w/new.tags");
    QTest::mouseClick(Button(id::kBrowse), Qt::LeftButton);
    EXPECT_EQ(Items(), (QStringList{QStringLiteral("/w/new.tags"), QStringLiteral("/w/a.tags")}));
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("/w/new.tags"));
    EXPECT_EQ(Target()->text(), QStringLiteral("mine"));

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, FileChooserRequest::Kind::Save);
    EXPECT_EQ(requests[0].title, QStringLiteral("Tagsを作成します。ファイル名を指定してください。"));
    EXPECT_EQ(requests[0].filter, QStringLiteral("tags (*.tags);;tags (*.txt);;All Files (*)"));
    EXPECT_EQ(requests[0].defaultSuffix, QStringLiteral("tags"));
    EXPECT_TRUE(requests[0].confirmOverwrite);

    chosen.clear();  // cancelled: nothing changes
    QTest::mouseClick(Button(id::kBrowse), Qt::LeftButton);
    EXPECT_EQ(Combo()->count(), 2);
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("/w/new.tags"));

    dlg.reject();
    Open();  // entries added by browsing last for one showing only
    EXPECT_EQ(Items(), QStringList{QStringLiteral("/w/a.tags")});
}

// The chosen file is the one written: a listed file whose name merely begins with the chosen
// path, or differs from it in case, is another file and is not put in its place.
TEST_F(CreateTagsDlgTest, browse_neverSwapsTheChosenFileForAnotherListedOne) {
    WriteProfile("[Recent File List]\nFile1=/w/x.tags.bak\nFile2=/W/X.TAGS\nFile3=/w/x.tags\n");
    Open();
    chosen = QStringLiteral("/w/x.tags");
    QTest::mouseClick(Button(id::kBrowse), Qt::LeftButton);
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("/w/x.tags"));
    QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    EXPECT_EQ(dlg.m_strTagsFile, "/w/x.tags");
}

TEST(ComboSelectByText, searchesAfterTheStartWrapsAndIgnoresCase) {
    const std::vector<QString> entries{QStringLiteral("/w/x.tags"), QStringLiteral("/a/b"), QStringLiteral("/W/X.TAGS.bak"),
                                       QStringLiteral("/w/x.tags")};
    EXPECT_EQ(FindEntryByPrefix(entries, QStringLiteral("/w/x.tags"), 0), 2);
    EXPECT_EQ(FindEntryByPrefix(entries, QStringLiteral("/w/x.tags"), 2), 3);
    EXPECT_EQ(FindEntryByPrefix(entries, QStringLiteral("/w/x.tags"), 3), 0);
    EXPECT_EQ(FindEntryByPrefix(entries, QStringLiteral("/a"), 1), 1);  // wraps round to the start itself
    EXPECT_EQ(FindEntryByPrefix(entries, QStringLiteral("/none"), 0), -1);
    EXPECT_EQ(FindEntryByPrefix({}, QStringLiteral("/w"), 0), -1);
}

// The fields stay in the object: the target of the last OK (or the last one loaded, after
// Cancel) comes back when the list is empty, and the tags file is the combo text at closing.
TEST_F(CreateTagsDlgTest, fieldsStayFromOneShowingToTheNext) {
    Open();
    QTest::keyClicks(Combo()->lineEdit(), QStringLiteral("/typed/only.tags"));
    Target()->setText(QStringLiteral("src/main"));
    QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    EXPECT_EQ(dlg.m_strTagsFile, "/typed/only.tags");
    EXPECT_EQ(dlg.m_strTarget, "src/main");

    Open();
    EXPECT_EQ(Target()->text(), QStringLiteral("src/main"));
    EXPECT_EQ(Combo()->currentText(), QString());
    QTest::keyClicks(Combo()->lineEdit(), QStringLiteral("/c.tags"));
    Target()->setText(QStringLiteral("typed but cancelled"));
    QTest::mouseClick(Button(id::kCancel), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(dlg.m_strTagsFile, "/c.tags");  // set after Cancel too
    EXPECT_EQ(dlg.m_strTarget, "*");           // the last loaded one, not the typed one

    Open();
    EXPECT_EQ(Target()->text(), QStringLiteral("*"));
}

TEST_F(CreateTagsDlgTest, overlongTargetOrTemplate_refusesOkWithTheLengthMessage) {
    WriteProfile("[Recent File List]\nFile1=/w/a.tags\n[CreateTagsParam]\n/w/a.tags=" + std::string(300, 't') + "\n");
    dlg.m_strParam = std::string(257, 'p');
    Open();
    EXPECT_EQ(Target()->text().size(), 300);  // shown in full
    QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(sink.messages, std::vector<std::string>{"256 文字以内で入力してください。"});
    EXPECT_EQ(dlg.focusWidget(), Target());

    Target()->setText(QStringLiteral("src"));
    QTest::mouseClick(Button(id::kOk), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());  // the template is over the cap too
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(dlg.m_strTarget, "src");

    QTest::keyClicks(Target(), QString(300, u'q'));
    EXPECT_EQ(Target()->text().size(), 256);  // typing stops at the cap
    QTest::mouseClick(Button(id::kCancel), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(CreateTagsDlgTest, layout_hasTheTextsAndTabOrderOfTheTemplate) {
    Open();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("TAGSファイルの作成画面"));
    EXPECT_EQ(Button(id::kOk)->text(), QStringLiteral("(再)作成開始"));
    EXPECT_TRUE(Button(id::kOk)->isDefault());
    EXPECT_EQ(Button(id::kCancel)->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_EQ(Button(id::kBrowse)->text(), QStringLiteral("..."));
    EXPECT_TRUE(Combo()->isEditable());
    QStringList labels;
    for (const QLabel* label : dlg.findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains(QStringLiteral("Tagsファイル：")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Tags作成対象：")));
    EXPECT_TRUE(labels.contains(QStringLiteral("※TAGSファイル作成時のパラメータのうち、以下の文字列の置き換え\n"
                                               "   を実施します。\n"
                                               "   「-f@tags」 -> 「-f（TAGSファイル）」\n"
                                               "   「@target」 -> 「（Tags作成対象）」")));
    const auto groups = dlg.findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->title(), QStringLiteral("TAGS作成時の現在のオプション（変更はINIファイルへ直接行う。）"));
    EXPECT_TRUE(groups[0]->isAncestorOf(dlg.Control(id::kParam)));

    std::vector<QWidget*> expected;
    for (const int control : {id::kOk, id::kCancel, id::kBrowse, id::kTagsFile, id::kTarget, id::kParam}) {
        expected.push_back(dlg.Control(control));
    }
    std::vector<QWidget*> chain = test::TabChain(dlg.Control(id::kOk));
    // The combo box takes the focus through its own edit field.
    for (QWidget*& widget : chain) {
        if (widget == Combo()->lineEdit()) {
            widget = Combo();
        }
    }
    chain.erase(std::unique(chain.begin(), chain.end()), chain.end());
    EXPECT_EQ(chain, expected);
}

}  // namespace
}  // namespace quarrow::ui
