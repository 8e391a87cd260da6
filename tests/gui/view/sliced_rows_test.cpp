// A file with more members than the model hands a view at once: its members come a slice at a
// time, yet every key, scrolling, the filter and a restored place reach all of them, and the rows
// of the next file never show before its last member.

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <string>

#include "tree/ui/tag_filter_bar.h"
#include "view_fixture.h"

namespace quarrow::ui::testing {
namespace {

constexpr int kMembers = 10000;
const std::string kLastMember = "m109999";

// pkg/Big.java with kMembers members m100000..m109999, and `otherFile` after it in the same folder.
std::string BigFile(bool otherFile) {
    std::string text;
    for (int i = 0; i < kMembers; ++i) {
        const std::string name = "m" + std::to_string(100000 + i);
        text += name + "\tpkg/Big.java\t/^  void " + name + "() {$/;\"\tm\tline:" + std::to_string(i + 2) + "\n";
    }
    if (otherFile) {
        text += "Other\tpkg/Other.java\t/^class Other {$/;\"\tc\tline:1\n";
    }
    return text;
}

class SlicedRowsTest : public ViewFixture {
protected:
    TagTreeItemModel& Model() { return m_view->Model(); }
    QModelIndex Pkg() { return Model().index(0, 0); }
    QModelIndex Big() { return Model().index(0, 0, Pkg()); }
    // The large file with another after it, its folder and itself opened.
    void ShowBigFileOpened() {
        Show(BigFile(true));
        m_view->expand(Pkg());
        m_view->expand(Big());
    }
    std::string Label(const QModelIndex& index) { return Model().LabelOf(index).toStdString(); }
    // The node with `label`, found in the tree itself: walking the rows would fetch them all.
    TagTree::Id NodeOf(const std::string& label) {
        const TagTree& tree = Model().Tree();
        for (TagTree::Id id = 0; id < tree.NodeCount(); ++id) {
            if (tree.Label(id) == label) {
                return id;
            }
        }
        return TagTree::kRoot;
    }
    bool InSight(const QModelIndex& index) {
        return index.isValid() && m_view->viewport()->rect().intersects(m_view->visualRect(index));
    }
    void Select(const QModelIndex& index) {
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
};

TEST_F(SlicedRowsTest, PageDownAndScrollingShowTheLastMemberRightBeforeTheNextFile) {
    struct Case {
        bool byKey;  // else the scroll bar
        bool rightToLeft;
    };
    for (const auto [byKey, rightToLeft] :
         {Case{true, false}, Case{false, false}, Case{true, true}, Case{false, true}}) {
        SCOPED_TRACE(std::string(byKey ? "Page Down" : "scroll bar") + (rightToLeft ? ", right to left" : ""));
        Show(BigFile(true), std::string(byKey ? "keys" : "scroll") + (rightToLeft ? "-rtl" : "") + ".tags");
        m_view->setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        m_view->expand(Pkg());
        m_view->expand(Big());
        // Opening lays out a slice of the rows, not all of them.
        ASSERT_LT(Model().rowCount(Big()), kMembers);
        ASSERT_EQ(Model().ChildrenOf(Big()), static_cast<std::size_t>(kMembers));
        const QModelIndex other = Model().index(1, 0, Pkg());
        ASSERT_EQ(Label(other), "Other.java");
        Select(Model().index(0, 0, Big()));
        m_view->setFocus();
        for (int step = 0; step < 2 * kMembers && !InSight(other); ++step) {
            if (byKey) {
                QTest::keyClick(m_view.get(), Qt::Key_PageDown);
            } else {
                QScrollBar& bar = *m_view->verticalScrollBar();
                bar.setValue(bar.value() + bar.pageStep());
            }
            QCoreApplication::processEvents();
        }
        ASSERT_TRUE(InSight(other));
        EXPECT_EQ(Label(m_view->indexAbove(other)), kLastMember);
        EXPECT_EQ(Model().rowCount(Big()), kMembers);
    }
}

TEST_F(SlicedRowsTest, EndAndCtrlEndGoToTheLastMember) {
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        Show(BigFile(false), modifiers ? "ctrl.tags" : "plain.tags");  // one file: opened by the builder
        ASSERT_TRUE(m_view->isExpanded(Big()));
        ASSERT_LT(Model().rowCount(Big()), kMembers);
        Select(Model().index(0, 0, Big()));
        m_view->setFocus();
        QTest::keyClick(m_view.get(), Qt::Key_End, modifiers);
        EXPECT_EQ(Label(m_view->currentIndex()), kLastMember);
        EXPECT_TRUE(InSight(m_view->currentIndex()));
    }
}

// With a file after the large one, End goes to that file, and the large file's rows are all
// there above it: nothing fetched afterwards pushes it out of sight, and Up reaches the last member.
TEST_F(SlicedRowsTest, EndWithAFileAfterTheLargeOneStaysThereAndUpReachesTheLastMember) {
    ShowBigFileOpened();
    Select(Model().index(0, 0, Big()));
    m_view->setFocus();
    QTest::keyClick(m_view.get(), Qt::Key_End);
    QCoreApplication::processEvents();
    EXPECT_EQ(Label(m_view->currentIndex()), "Other.java");
    EXPECT_TRUE(InSight(m_view->currentIndex()));
    QTest::keyClick(m_view.get(), Qt::Key_Up);
    EXPECT_EQ(Label(m_view->currentIndex()), kLastMember);
    EXPECT_TRUE(InSight(m_view->currentIndex()));
}

TEST_F(SlicedRowsTest, FilterAndRestoredPlacesReachMembersBeyondTheFirstSlice) {
    ShowBigFileOpened();
    const std::string chosen = "m108000";
    const QModelIndex index = Model().Reach(NodeOf(chosen));
    ASSERT_TRUE(index.isValid());
    Select(index);
    m_view->scrollTo(index, QAbstractItemView::PositionAtCenter);

    // A filter that keeps every member slices them too; End still reaches the last one.
    m_view->ShowFilter();
    QLineEdit& field = m_view->Filtering().Bar().Field();
    QTest::keyClicks(&field, QStringLiteral("m10"));
    QTRY_COMPARE(m_view->Filtering().AppliedText(), field.text());
    const QModelIndex keptBig = Model().index(0, 0, Model().index(0, 0));
    ASSERT_EQ(Label(keptBig), "Big.java");
    EXPECT_LT(Model().rowCount(keptBig), kMembers);
    m_view->setFocus();
    QTest::keyClick(m_view.get(), Qt::Key_End);
    EXPECT_EQ(Label(m_view->currentIndex()), kLastMember);

    // Esc brings back the tree with the member chosen before, in sight.
    QTest::keyClick(&field, Qt::Key_Escape);
    EXPECT_EQ(Label(m_view->currentIndex()), chosen);
    EXPECT_TRUE(InSight(m_view->currentIndex()));

    // So does a rebuild of the tree with another option.
    m_view->ToggleLangIcons();
    EXPECT_EQ(Label(m_view->currentIndex()), chosen);
    EXPECT_TRUE(InSight(m_view->currentIndex()));
}

}  // namespace
}  // namespace quarrow::ui::testing
