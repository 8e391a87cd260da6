// The two tree options in the window: switching one rebuilds the tree at once and keeps the
// place (the chosen tag, the open nodes), the menu shows their state, and the profile keeps them.

#include <QItemSelectionModel>

#include <gtest/gtest.h>

#include "settings/setting_keys.h"
#include "tree/tree_images.h"
#include "view_fixture.h"

namespace quarrow::ui::testing {
namespace {

// A C++ header and source: a class in a namespace, with a method defined outside it.
const char* const kCpp =
    "geo\tsrc/shapes.cpp\t/^namespace geo {$/;\"\tn\tline:1\tlanguage:C++\n"
    "Shape\tsrc/shapes.cpp\t/^class Shape {$/;\"\tc\tline:2\tlanguage:C++\tscope:namespace:geo\n"
    "id\tsrc/shapes.cpp\t/^    int id;$/;\"\tm\tline:4\tlanguage:C++\tscope:class:geo::Shape\taccess:public\n"
    "touch\tsrc/shapes.cpp\t/^void geo::Shape::touch() {}$/;\"\tf\tline:9\tlanguage:C++\tscope:class:geo::Shape\n"
    "Widget\tsrc/widget.h\t/^class Widget {$/;\"\tc\tline:1\tlanguage:C++\n";

using ViewOptionsTest = ViewFixture;

QModelIndex Selected(CQuarrowView& view) {
    const QModelIndexList selected = view.selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

TEST_F(ViewOptionsTest, SwitchingAnOptionRebuildsAtOnceAndKeepsTheChosenTag) {
    Show(kCpp);
    CQuarrowView& view = *m_view;
    view.expand(Find(QStringLiteral("src")));
    view.expand(Find(QStringLiteral("shapes.cpp")));
    view.selectionModel()->setCurrentIndex(Find(QStringLiteral("touch")), QItemSelectionModel::ClearAndSelect);
    EXPECT_FALSE(view.NestScopeOn());
    EXPECT_TRUE(view.LangIconsOn());  // on without the key

    view.ToggleNestScope();
    EXPECT_TRUE(view.NestScopeOn());
    EXPECT_EQ(view.Settings().m_nNestScope, 1);
    const QModelIndex touch = Find(QStringLiteral("touch"));
    EXPECT_EQ(view.Model().LabelOf(touch.parent()), QStringLiteral("Shape"));
    EXPECT_EQ(view.Model().LabelOf(touch.parent().parent()), QStringLiteral("geo"));
    // Still chosen and in sight: its new parents were opened, and the folder shows it is open.
    EXPECT_EQ(Selected(view), touch);
    EXPECT_TRUE(view.isExpanded(touch.parent()) && view.isExpanded(touch.parent().parent()));
    EXPECT_TRUE(view.isExpanded(Find(QStringLiteral("src"))));
    EXPECT_EQ(view.Model().ImageOf(Find(QStringLiteral("src"))), kImageFolderOpen);
    EXPECT_FALSE(view.isExpanded(Find(QStringLiteral("widget.h"))));

    EXPECT_EQ(view.Model().ImageOf(Find(QStringLiteral("touch"))), kImageFunctionPlain);
    EXPECT_EQ(view.Model().ImageOf(Find(QStringLiteral("geo"))), kImageNamespace);
    view.ToggleLangIcons();
    EXPECT_FALSE(view.LangIconsOn());
    // Off: every tag and file as in a Java tree.
    EXPECT_EQ(view.Model().ImageOf(Find(QStringLiteral("touch"))), kImageFieldDefault);
    EXPECT_EQ(view.Model().ImageOf(Find(QStringLiteral("geo"))), kImageFieldDefault);
    EXPECT_EQ(view.Model().ImageOf(Find(QStringLiteral("shapes.cpp"))), kImageFile);
    EXPECT_EQ(Selected(view), Find(QStringLiteral("touch")));

    view.ToggleNestScope();
    EXPECT_EQ(view.Model().LabelOf(Find(QStringLiteral("touch")).parent()), QStringLiteral("shapes.cpp"));
    EXPECT_EQ(Selected(view), Find(QStringLiteral("touch")));
    // Rebuilding chose the tag again without starting the editor.
    EXPECT_TRUE(m_jumps.empty());
}

// Two members of one file with the same label, whose order under nesting differs from their order
// in the file: each switch keeps the very tag that was chosen, in either direction.
TEST_F(ViewOptionsTest, SwitchingKeepsTheChosenOneOfEqualLabels) {
    Show("A\tsrc/two.cpp\t/^class A {$/;\"\tc\tline:1\tlanguage:C++\n"
         "B\tsrc/two.cpp\t/^class B {$/;\"\tc\tline:2\tlanguage:C++\n"
         "f\tsrc/two.cpp\t/^    void f();$/;\"\tp\tline:3\tlanguage:C++\tscope:class:B\n"
         "f\tsrc/two.cpp\t/^void A::f() {}$/;\"\tf\tline:9\tlanguage:C++\tscope:class:A\n");
    CQuarrowView& view = *m_view;
    const auto selectedLine = [&view] {
        const CTagEntry* tag = view.Model().TagOf(Selected(view));
        return tag ? std::string(tag->GetLineNo()) : std::string();
    };
    const struct {
        const char* line;
        const char* nestedIn;
    } cases[] = {{"9", "A"}, {"3", "B"}};
    for (const auto& [line, nestedIn] : cases) {
        SCOPED_TRACE(line);
        const QModelIndex file = Find(QStringLiteral("two.cpp"));
        for (int row = 0; row < view.Model().rowCount(file); ++row) {
            const QModelIndex member = view.Model().index(row, 0, file);
            const CTagEntry* tag = view.Model().TagOf(member);
            if (tag->GetName() == "f" && tag->GetLineNo() == line) {
                view.selectionModel()->setCurrentIndex(member, QItemSelectionModel::ClearAndSelect);
            }
        }
        ASSERT_EQ(selectedLine(), line);
        view.ToggleNestScope();  // on
        EXPECT_EQ(selectedLine(), line);
        EXPECT_EQ(view.Model().LabelOf(Selected(view).parent()), QString::fromLatin1(nestedIn));
        view.ToggleNestScope();  // off
        EXPECT_EQ(selectedLine(), line);
    }
    EXPECT_TRUE(m_jumps.empty());
}

// The row at the top of the viewport, found inside the column in either direction.
QString TopLabel(CQuarrowView& view) {
    return view.Model().LabelOf(view.indexAt(QPoint(view.columnViewportPosition(0) + view.columnWidth(0) / 2, 1)));
}

// An open file above the first row shown loses its rows to nesting and gets them back: the same
// row stays at the top, in either direction.
TEST_F(ViewOptionsTest, SwitchingKeepsTheFirstRowShownInEitherDirection) {
    std::string text = "C\tsrc/a.h\t/^class C {$/;\"\tc\tline:1\tlanguage:C++\n";
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(100 + i);
        text += "m" + n + "\tsrc/a.h\t/^  int m" + n + ";$/;\"\tm\tline:" + std::to_string(i + 2) +
                "\tlanguage:C++\tscope:class:C\n";
    }
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(100 + i);
        text += "B" + n + "\tsrc/b" + n + ".h\t/^class B" + n + " {$/;\"\tc\tline:1\tlanguage:C++\n";
    }
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(direction == Qt::RightToLeft ? "right to left" : "left to right");
        Show(text);
        CQuarrowView& view = *m_view;
        view.setLayoutDirection(direction);
        view.expand(Find(QStringLiteral("src")));
        view.expand(Find(QStringLiteral("a.h")));
        view.scrollTo(Find(QStringLiteral("b130.h")), QAbstractItemView::PositionAtTop);
        ASSERT_EQ(TopLabel(view), QStringLiteral("b130.h"));
        for (int i = 0; i < 2; ++i) {
            view.ToggleNestScope();
            EXPECT_EQ(TopLabel(view), QStringLiteral("b130.h"));
        }
        m_view.reset();
    }
}

TEST_F(ViewOptionsTest, TheProfileKeepsTheOptionsOnceUsed) {
    Show(kCpp);
    m_view.reset();
    EXPECT_TRUE(m_profile->ReadSection(setting_keys::kView).empty());  // never used: not written

    // A profile that turned the language icons off keeps them off, the files' pages too.
    m_profile->WriteInt(setting_keys::kView, setting_keys::kLangIcons, 0);
    Show(kCpp);
    EXPECT_EQ(m_view->Model().ImageOf(Find(QStringLiteral("geo"))), kImageFieldDefault);
    EXPECT_EQ(m_view->Model().ImageOf(Find(QStringLiteral("shapes.cpp"))), kImageFile);
    m_view.reset();
    EXPECT_EQ(m_profile->ReadInt(setting_keys::kView, setting_keys::kLangIcons, -1), 0);

    m_profile->WriteInt(setting_keys::kView, setting_keys::kLangIcons, 1);
    Show(kCpp);
    EXPECT_EQ(m_view->Model().ImageOf(Find(QStringLiteral("geo"))), kImageNamespace);  // read at start
    EXPECT_EQ(m_view->Model().ImageOf(Find(QStringLiteral("shapes.cpp"))), kImagePlainFile);
    m_view->ToggleLangIcons();
    m_view->ToggleNestScope();
    m_view.reset();
    EXPECT_EQ(m_profile->ReadInt(setting_keys::kView, setting_keys::kLangIcons, -1), 0);
    EXPECT_EQ(m_profile->ReadInt(setting_keys::kView, setting_keys::kNestScope, -1), 1);
}

}  // namespace
}  // namespace quarrow::ui::testing
