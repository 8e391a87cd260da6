// The tree's filter field as the user drives it: typing narrows the tree, Enter jumps to the
// member looked for, Down goes into the tree, Esc brings the tree back as it was, an empty result
// says so, and reading the same file again keeps the filter.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <string>

#include "tree/ui/tag_filter_bar.h"
#include "view_fixture.h"

namespace quarrow::ui::testing {
namespace {

// kTwoFiles and enough one-member files in a third folder that the tree scrolls.
std::string ManyFiles() {
    std::string text = kTwoFiles;
    for (int i = 0; i < 80; ++i) {
        const std::string n = std::to_string(100 + i);
        text += "gen" + n + "\tsrc/gen/G" + n + ".java\t/^x$/;\"\tm\tline:" + std::to_string(i + 1) + "\taccess:public\n";
    }
    return text;
}

class FilterTest : public ViewFixture {
protected:
    QLineEdit& Field() { return m_view->Filtering().Bar().Field(); }
    // Types `text` into the field and waits until the tree shows it.
    void Type(const QString& text) {
        QTest::keyClicks(&Field(), text);
        QTRY_COMPARE(m_view->Filtering().AppliedText(), Field().text());
    }
    std::string Labels(const QModelIndex& parent = {}) {
        std::string out;
        const TagTreeItemModel& model = m_view->Model();
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            out += model.LabelOf(index).toStdString() + (m_view->isExpanded(index) ? "+" : "") + " ";
            out += Labels(index);
        }
        return out;
    }
};

TEST_F(FilterTest, TypingNarrowsEnterJumpsAndEscRestoresTheTree) {
    Show(ManyFiles());
    // The user's tree: one folder open, a node selected, scrolled down.
    const QModelIndex gen = Find(QStringLiteral("src/gen"));
    m_view->expand(gen);
    const QModelIndex chosen = Find(QStringLiteral("G150.java"));
    m_view->selectionModel()->setCurrentIndex(chosen, QItemSelectionModel::ClearAndSelect);
    m_view->scrollTo(chosen, QAbstractItemView::PositionAtTop);
    const QPoint scroll = m_view->ScrollPosition();
    ASSERT_GT(scroll.y(), 0);
    const std::string before = Labels();

    m_view->ShowFilter();
    EXPECT_TRUE(m_view->Filtering().Bar().isVisible());
    EXPECT_FALSE(Field().placeholderText().isEmpty());
    // The field sits above the rows, not over them.
    EXPECT_LE(m_view->Filtering().Bar().mapTo(m_view.get(), QPoint(0, m_view->Filtering().Bar().height())).y(),
              m_view->viewport()->geometry().top());

    Type(QStringLiteral("RU"));
    EXPECT_EQ(Labels(), "src/app+ Main.java+ run ");
    QTest::keyClick(&Field(), Qt::Key_Return);
    ASSERT_EQ(m_jumps.size(), 1U);
    EXPECT_EQ(m_jumps[0], "run@9 in " + m_dir.Path() + "/");

    // A file kept by its name keeps all its members, closed.
    QTest::keyClick(&Field(), Qt::Key_A, Qt::ControlModifier);
    Type(QStringLiteral("g17"));
    EXPECT_EQ(Labels(), "src/gen+ G170.java gen170 G171.java gen171 G172.java gen172 G173.java gen173 "
                        "G174.java gen174 G175.java gen175 G176.java gen176 G177.java gen177 G178.java gen178 "
                        "G179.java gen179 ");

    // Nothing kept: the tree area says so; one character less and the rows are back.
    Type(QStringLiteral("x"));
    EXPECT_EQ(Labels(), "");
    EXPECT_TRUE(m_view->Filtering().EmptyNote().isVisible());
    QTest::keyClick(&Field(), Qt::Key_Backspace);
    QTRY_COMPARE(m_view->Filtering().AppliedText(), QStringLiteral("g17"));
    EXPECT_FALSE(m_view->Filtering().EmptyNote().isVisible());

    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_FALSE(m_view->Filtering().Bar().isVisible());
    EXPECT_TRUE(Field().text().isEmpty());
    EXPECT_EQ(m_view->Model().Filter(), nullptr);
    EXPECT_EQ(Labels(), before);
    EXPECT_EQ(m_view->selectionModel()->selectedIndexes().value(0), Find(QStringLiteral("G150.java")));
    EXPECT_EQ(m_view->ScrollPosition(), scroll);
    EXPECT_EQ(m_jumps.size(), 1U);
}

TEST_F(FilterTest, DownGoesIntoTheTreeAtItsFirstRow) {
    Show(kTwoFiles);
    m_view->activateWindow();
    m_view->ShowFilter();
    QTRY_VERIFY(Field().hasFocus());
    Type(QStringLiteral("join"));
    QTest::keyClick(&Field(), Qt::Key_Down);
    QTRY_VERIFY(m_view->hasFocus());
    EXPECT_EQ(m_view->currentIndex(), m_view->Model().index(0, 0));
    // From there the tree's own keys: Down twice reaches the member, Enter jumps there.
    QTest::keyClick(m_view.get(), Qt::Key_Down);
    QTest::keyClick(m_view.get(), Qt::Key_Down);
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    ASSERT_EQ(m_jumps.size(), 1U);
    EXPECT_EQ(m_jumps[0].substr(0, 7), "join@5 ");
}

TEST_F(FilterTest, EnterRightAfterTypingUsesTheWholeText) {
    Show(kTwoFiles);
    m_view->ShowFilter();
    // No waiting between the keys: each one supersedes the narrowing under way.
    QTest::keyClicks(&Field(), QStringLiteral("lone"));
    QTest::keyClick(&Field(), Qt::Key_Return);
    ASSERT_EQ(m_jumps.size(), 1U);
    EXPECT_EQ(m_jumps[0].substr(0, 7), "Lone@2 ");
    EXPECT_EQ(m_view->Filtering().AppliedText(), QStringLiteral("lone"));
    QApplication::processEvents();  // a late result of an earlier key changes nothing
    EXPECT_EQ(m_view->Filtering().AppliedText(), QStringLiteral("lone"));
}

TEST_F(FilterTest, EnterOpensTheMemberLookedForNotTheScopeAboveIt) {
    // Nested, the class stays above the matched method; the field addCount comes before the
    // method add in the tree.
    Show("ArrayDeque\tsrc/ArrayDeque.java\t/^x$/;\"\tc\tline:89\n"
         "addCount\tsrc/ArrayDeque.java\t/^x$/;\"\tf\tline:95\tclass:ArrayDeque\n"
         "add\tsrc/ArrayDeque.java\t/^x$/;\"\tm\tline:190\tclass:ArrayDeque\n"
         "checkInvariants\tsrc/ArrayDeque.java\t/^x$/;\"\tm\tline:900\tclass:ArrayDeque\n");
    m_view->ToggleNestScope();
    m_view->ShowFilter();
    Type(QStringLiteral("checkInvariants"));
    EXPECT_EQ(Labels(), "src+ ArrayDeque.java+ ArrayDeque+ checkInvariants ");
    QTest::keyClick(&Field(), Qt::Key_Return);
    // The name as a whole wins over an earlier member that only contains it.
    QTest::keyClick(&Field(), Qt::Key_A, Qt::ControlModifier);
    Type(QStringLiteral("ADD"));
    QTest::keyClick(&Field(), Qt::Key_Return);
    ASSERT_EQ(m_jumps.size(), 2U);
    EXPECT_EQ(m_jumps[0].substr(0, 20), "checkInvariants@900 ");
    EXPECT_EQ(m_jumps[1].substr(0, 8), "add@190 ");
}

TEST_F(FilterTest, EscBeforeTheResultLeavesTheTreeAndALaterEscRestoresItsNewerState) {
    // The tree is saved when the first key is typed; Esc before the narrowing is shown must not
    // keep that copy for the next filter, which starts from the tree as the user left it then.
    Show(ManyFiles());
    const std::string closed = Labels();
    m_view->ShowFilter();
    QTest::keyClicks(&Field(), QStringLiteral("ru"));
    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_EQ(m_view->Model().Filter(), nullptr);
    EXPECT_EQ(Labels(), closed);

    m_view->expand(Find(QStringLiteral("src/gen")));
    const std::string opened = Labels();
    ASSERT_NE(opened, closed);
    m_view->ShowFilter();
    Type(QStringLiteral("g17"));
    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_EQ(Labels(), opened);
}

TEST_F(FilterTest, ALargeResultOpensTheRestAfterThePaintAndEscStillRestores) {
    // Far more rows than are laid out before the first paint: the first screen is open at once,
    // every other kept file opens between events, and a new key or Esc drops what is left.
    std::string text = kTwoFiles;
    for (int i = 0; i < 1500; ++i) {
        const std::string n = std::to_string(1000 + i);
        text += "pick" + n + "\tsrc/many/M" + n + ".java\t/^x$/;\"\tm\tline:1\taccess:public\n";
        text += "skip" + n + "\tsrc/many/M" + n + ".java\t/^x$/;\"\tm\tline:2\taccess:public\n";
    }
    Show(text);
    const std::string whole = Labels();
    m_view->ShowFilter();
    Type(QStringLiteral("pick"));
    const TagTreeItemModel& model = m_view->Model();
    const QModelIndex many = model.index(0, 0);
    ASSERT_EQ(model.LabelOf(many), QStringLiteral("src/many"));
    ASSERT_EQ(model.rowCount(many), 1500);
    EXPECT_TRUE(m_view->isExpanded(model.index(0, 0, many)));
    QTRY_VERIFY(m_view->isExpanded(model.index(1499, 0, many)));
    for (int row = 0; row < 1500; ++row) {
        ASSERT_TRUE(m_view->isExpanded(model.index(row, 0, many))) << row;
    }

    // A new key before the rest is open: its own tree replaces the half-open one.
    QTest::keyClick(&Field(), Qt::Key_Backspace);
    QTest::keyClick(&Field(), Qt::Key_K);
    QTRY_COMPARE(m_view->Filtering().AppliedText(), QStringLiteral("pick"));
    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_EQ(Labels(), whole);
    QApplication::processEvents();  // nothing left over opens a node of the whole tree
    EXPECT_EQ(Labels(), whole);
}

TEST_F(FilterTest, ReadingTheSameFileAgainKeepsTheFilter) {
    Show(kTwoFiles);
    const std::string whole = Labels();
    m_view->ShowFilter();
    Type(QStringLiteral("main"));
    EXPECT_EQ(Labels(), "src/app+ Main.java+ run Main ");
    Show(kTwoFiles);  // the same path, read again
    EXPECT_EQ(m_view->Filtering().AppliedText(), QStringLiteral("main"));
    EXPECT_EQ(Labels(), "src/app+ Main.java+ run Main ");
    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_EQ(Labels(), whole);

    // A tree option rebuilds the tree: the filter is put back on the new tree, and Esc still
    // brings back the whole tree.
    m_view->ShowFilter();
    Type(QStringLiteral("main"));
    m_view->ToggleLangIcons();
    EXPECT_EQ(m_view->Filtering().AppliedText(), QStringLiteral("main"));
    EXPECT_NE(Labels().find("Main.java+"), std::string::npos);
    EXPECT_EQ(Labels().find("Strings"), std::string::npos);
    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_EQ(Labels().find("+"), std::string::npos);
    m_view->ToggleLangIcons();

    // Another file starts without the filter.
    m_view->ShowFilter();
    Type(QStringLiteral("main"));
    Show(kOneFile, "other.tags");
    EXPECT_FALSE(m_view->Filtering().Bar().isVisible());
    EXPECT_EQ(m_view->Model().Filter(), nullptr);
    EXPECT_EQ(Labels(), "pkg+ Solo.java+ Solo go ");
}

}  // namespace
}  // namespace quarrow::ui::testing
