// Opening tags files by path: quotes, relative paths, links, the file shown read again, and every
// kind of bad path, each of which leaves the shown document as it was.

#include <unistd.h>

#include <QItemSelectionModel>

#include <filesystem>

#include "app/ui/quarrow_doc_mgr.h"
#include "app_fixture.h"

namespace quarrow::ui::testing {
namespace {

using OpenByPathTest = AppFixture;
namespace fs = std::filesystem;

TEST_F(OpenByPathTest, QuotesRelativePathsAndLinksLeadToTheFile) {
    const std::string a = WriteFile("a.tags", kTagsA);
    fs::create_directories(m_home + "start");
    WriteFile("start/rel.tags", kTagsB);
    fs::create_symlink(a, m_home + "link.tags");
    ASSERT_TRUE(Start());

    ASSERT_NE(Open("\"" + a + "\""), nullptr);
    EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
    // A file whose name holds quotes is the file named, not a shorter name inside it.
    const std::string quoted = WriteFile("a.tags\"old", kTagsB);
    ASSERT_NE(Open(quoted), nullptr);
    EXPECT_EQ(m_app->Document()->GetPathName(), quoted);
    // Relative to the directory the program started in.
    ASSERT_NE(Open("rel.tags"), nullptr);
    EXPECT_EQ(m_app->Document()->GetPathName(), m_home + "start/rel.tags");
    ASSERT_NE(Open("../start/./rel.tags"), nullptr);
    EXPECT_EQ(m_app->Document()->GetPathName(), m_home + "start/rel.tags");
    // A link stands for its target.
    ASSERT_NE(Open(m_home + "link.tags"), nullptr);
    EXPECT_EQ(m_app->Document()->GetPathName(), fs::canonical(a).string());
    EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(OpenByPathTest, FileShownIsReadAgain) {
    const std::string a = WriteFile("a.tags", kTagsA);
    ASSERT_TRUE(Start({a}));
    EXPECT_EQ(TopRows(), 2);
    WriteFile("a.tags", kTagsB);
    ASSERT_NE(Open(a), nullptr);
    EXPECT_EQ(TopRows(), 1);
    EXPECT_EQ(m_app->View()->Model().LabelOf(m_app->View()->Model().index(0, 0)), QStringLiteral("src/g"));
}

// Reading the shown file again keeps the open folders, the selection and the first row shown;
// opening another file shows it as a fresh tree.
TEST_F(OpenByPathTest, FileShownReadAgainKeepsThePlaceAnotherFileDoesNot) {
    std::string many;
    for (int i = 0; i < 200; ++i) {
        const std::string n = std::to_string(1000 + i);
        many += "C" + n + "\tsrc/p" + n + "/C" + n + ".java\t/^class C {$/;\"\tc\tline:1\n";
    }
    const std::string a = WriteFile("many.tags", many);
    const std::string b = WriteFile("other.tags", many);
    ASSERT_TRUE(Start({a}));
    CQuarrowView* view = m_app->View();
    m_app->MainWindow()->resize(300, 400);
    QApplication::processEvents();
    const QModelIndex folder = view->Model().index(120, 0);
    view->expand(folder);
    view->selectionModel()->setCurrentIndex(view->Model().index(0, 0, folder), QItemSelectionModel::ClearAndSelect);
    view->scrollTo(view->Model().index(100, 0), QAbstractItemView::PositionAtTop);
    const QString top = view->Model().LabelOf(view->indexAt(QPoint(1, 1)));
    ASSERT_EQ(top, QStringLiteral("src/p1100"));

    // A folder before them appears: the rows move down, the place stays on the same nodes.
    WriteFile("many.tags", "A\tsrc/a/A.java\t/^class A {$/;\"\tc\tline:1\n" + many);
    ASSERT_NE(Open(a), nullptr);
    EXPECT_EQ(TopRows(), 201);
    EXPECT_EQ(view->Model().LabelOf(view->indexAt(QPoint(1, 1))), top);
    EXPECT_TRUE(view->isExpanded(view->Model().index(121, 0)));
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(view->Model().LabelOf(selected.first()), QStringLiteral("C1120.java"));

    ASSERT_NE(Open(b), nullptr);
    EXPECT_TRUE(view->selectionModel()->selectedIndexes().isEmpty());
    EXPECT_FALSE(view->isExpanded(view->Model().index(120, 0)));
    EXPECT_EQ(view->Model().LabelOf(view->indexAt(QPoint(1, 1))), QStringLiteral("src/p1000"));
}

// Every bad path gives a message and leaves the document, its paths, title and tree alone.
TEST_F(OpenByPathTest, BadPathsLeaveTheShownDocumentIntact) {
    const std::string a = WriteFile("a.tags", kTagsA);
    const std::string unreadable = WriteFile("unreadable.tags", kTagsB);
    fs::permissions(unreadable, fs::perms::none);
    fs::create_symlink(m_home + "loop1", m_home + "loop2");
    fs::create_symlink(m_home + "loop2", m_home + "loop1");
    fs::create_symlink(m_home + "nowhere", m_home + "dangling.tags");
    fs::create_directory(m_home + "folder.tags");
    ASSERT_TRUE(Start({a}));
    const std::string tagsDir = m_app->Document()->Core().GetTagsDir();

    struct Case {
        const char* name;
        std::string path;
        QString message;  // the end of the message
    };
    const QString notFound = QString::fromUtf8(" が見つかりませんでした。");
    const QString badPath = QString::fromUtf8(" には無効なﾊﾟｽが含まれています。");
    std::vector<Case> cases = {
        {"missing", m_home + "missing.tags", notFound},
        {"missing folder", m_home + "no/such/dir/x.tags", badPath},
        {"a directory", m_home + "folder.tags", QString()},
        {"a link loop", m_home + "loop1", badPath},
        {"a dangling link", m_home + "dangling.tags", notFound},
        {"non-UTF-8 bytes", m_home + "caf\xE9\xFF.tags", notFound},
        {"thousands of characters", m_home + std::string(5000, 'x') + ".tags", badPath},
        {"only quotes", "\"\"", QString()},
    };
    if (::geteuid() != 0) {  // root reads any file
        cases.push_back({"unreadable", unreadable, QString()});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        EXPECT_EQ(Open(c.path), nullptr);
        ASSERT_EQ(m_messages.size(), 1U);
        EXPECT_FALSE(m_messages[0].isEmpty());
        if (!c.message.isEmpty()) {
            EXPECT_TRUE(m_messages[0].endsWith(c.message)) << m_messages[0].toStdString();
        }
        EXPECT_LE(m_messages[0].size(), 1400);  // a long path is shortened for the box
        EXPECT_EQ(Title(), QStringLiteral("a.tags - Quarrow"));
        EXPECT_EQ(m_app->Document()->GetPathName(), a);
        EXPECT_EQ(m_app->Document()->Core().GetTagsDir(), tagsDir);
        EXPECT_EQ(TopRows(), 2);
    }
    fs::permissions(unreadable, fs::perms::owner_all);
}

TEST(MessageBoxSinkTest, LongTextsKeepTheirEndsAndCanWrap) {
    const std::string path = "/" + std::string(3000, 'p') + "/end.tags";
    const QString text = MessageBoxSink::BoxText(path + " が見つかりませんでした。");
    EXPECT_TRUE(text.startsWith(QStringLiteral("/ppp")));
    EXPECT_TRUE(text.endsWith(QString::fromUtf8("end.tags が見つかりませんでした。")));
    EXPECT_TRUE(text.contains(QChar(0x200B)));
    EXPECT_LT(text.size(), 1400);
    EXPECT_EQ(MessageBoxSink::BoxText("short"), QStringLiteral("short"));
}

}  // namespace
}  // namespace quarrow::ui::testing
