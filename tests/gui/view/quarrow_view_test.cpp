// The tree view as the user drives it: clicks, double clicks, Enter and the selection setting,
// the pop-up menu, folder images, the tool tip, and loading a second file.

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QMenu>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string_view>
#include <vector>

#include "app/ui/command_actions.h"
#include "app/ui/command_menus.h"
#include "app/ui/dialog_commands.h"
#include "settings/setting_keys.h"
#include "tree/tree_images.h"
#include "view_fixture.h"

namespace quarrow::ui::testing {
namespace {

using ViewTest = ViewFixture;

// A double click as the window system delivers it: press, release, then a second press that
// comes with the double-click event, and its release.
void DoubleClick(QWidget* widget, const QPoint& point) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, point);
    QTest::mousePress(widget, Qt::LeftButton, {}, point);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, point);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, point);
}

// Click, double click and Enter, with the single-click setting on and off. The setting is the
// view's value at the moment of the event.
TEST_F(ViewTest, ClickJumpsOnlyWhenSingleSelectIsOneAndTheSelectionChanges) {
    Show(kTwoFiles);
    const QModelIndex file = Find(QStringLiteral("Strings.java"));
    m_view->expand(file.parent());
    m_view->expand(file);
    const QModelIndex join = Find(QStringLiteral("join"));
    const QModelIndex empty = Find(QStringLiteral("EMPTY"));

    m_view->Settings().m_nSingleSelect = 1;
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, LabelPoint(join));
    ASSERT_EQ(m_jumps.size(), 1U);
    EXPECT_EQ(m_jumps[0], "join@5 in " + m_dir.Path() + "/");
    // The same item again: no change, no jump.
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, LabelPoint(join));
    EXPECT_EQ(m_jumps.size(), 1U);

    // Turned off (as the settings dialog would): a click only selects.
    m_view->Settings().m_nSingleSelect = 0;
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, LabelPoint(empty));
    EXPECT_EQ(m_jumps.size(), 1U);
    EXPECT_EQ(m_view->selectionModel()->selectedIndexes().value(0), empty);
    // Any value but 1 is off.
    m_view->Settings().m_nSingleSelect = 2;
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, LabelPoint(join));
    EXPECT_EQ(m_jumps.size(), 1U);

    // A selection moved with the keyboard never jumps, even with the setting on.
    m_view->Settings().m_nSingleSelect = 1;
    QTest::keyClick(m_view.get(), Qt::Key_Up);
    const QModelIndex moved = m_view->selectionModel()->selectedIndexes().value(0);
    EXPECT_NE(moved, join);
    EXPECT_EQ(m_jumps.size(), 1U);

    // Enter jumps to the selected item, also the numeric keypad's.
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    QTest::keyClick(m_view.get(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(m_jumps.size(), 3U);
    EXPECT_EQ(m_jumps[1], m_jumps[2]);
    EXPECT_EQ(m_jumps[2].substr(0, static_cast<std::size_t>(m_view->Model().LabelOf(moved).size())),
              m_view->Model().LabelOf(moved).toStdString());
}

TEST_F(ViewTest, DoubleClickJumpsThenOpensOrClosesTheNode) {
    Show(kTwoFiles);
    m_view->Settings().m_nSingleSelect = 0;
    const QModelIndex folder = Find(QStringLiteral("src/util"));
    // A folder carries no tag: no jump, but it opens.
    DoubleClick(m_view->viewport(), LabelPoint(folder));
    EXPECT_TRUE(m_jumps.empty());
    EXPECT_TRUE(m_view->isExpanded(folder));
    // A file node jumps to its first tag and opens.
    const QModelIndex file = Find(QStringLiteral("Strings.java"));
    DoubleClick(m_view->viewport(), LabelPoint(file));
    ASSERT_EQ(m_jumps.size(), 1U);
    // The file's first tag in store order is also its first member.
    const std::string first = m_view->Model().LabelOf(m_view->Model().index(0, 0, file)).toStdString();
    EXPECT_EQ(m_jumps[0].substr(0, first.size() + 1), first + "@");
    EXPECT_TRUE(m_view->isExpanded(file));
    DoubleClick(m_view->viewport(), LabelPoint(file));
    EXPECT_FALSE(m_view->isExpanded(file));
    EXPECT_EQ(m_jumps.size(), 2U);

    // With single-click jumps on, a double click on a new item jumps twice: the selection, then
    // the double click.
    m_view->expand(file);
    m_jumps.clear();
    m_view->Settings().m_nSingleSelect = 1;
    DoubleClick(m_view->viewport(), LabelPoint(Find(QStringLiteral("Strings"))));
    EXPECT_EQ(m_jumps, (std::vector<std::string>(2, "Strings@3 in " + m_dir.Path() + "/")));
}

// A classic tree control: only a click on an item's icon or label selects it (and, with
// single-click jumps on, starts the editor); the indent, the button and the space right of the
// label do not. Double clicks follow the same rule.
TEST_F(ViewTest, OnlyTheIconAndTheLabelOfAnItemTakeClicks) {
    Show(kTwoFiles);
    const QModelIndex file = Find(QStringLiteral("Strings.java"));  // two levels deep, with members
    const int step = m_view->indentation();
    struct Case {
        const char* name;
        std::function<QPoint(const QRect& cell, const QRect& content)> point;
        bool selects;
        bool jumps;
    };
    const Case cases[] = {
        {"icon", [this, &file](const QRect&, const QRect&) { return IconPoint(file); }, true, true},
        {"label", [this, &file](const QRect&, const QRect&) { return LabelPoint(file); }, true, true},
        {"indent", [step](const QRect& cell, const QRect&) { return QPoint(cell.left() - step - step / 2, cell.center().y()); },
         false, false},
        {"expand button", [step](const QRect& cell, const QRect&) { return QPoint(cell.left() - step / 2, cell.center().y()); },
         false, false},
        {"right of the label", [](const QRect&, const QRect& content) { return QPoint(content.right() + 12, content.center().y()); },
         false, false},
    };
    m_view->Settings().m_nSingleSelect = 1;
    for (const Case& c : cases) {
        for (const bool twice : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (twice ? ", double click" : ", click"));
            m_view->collapseAll();
            m_view->expand(file.parent());
            m_view->selectionModel()->clear();
            m_jumps.clear();
            m_view->scrollTo(file);
            const QPoint point = c.point(m_view->visualRect(file), m_view->ItemContentRect(file));
            if (twice) {
                DoubleClick(m_view->viewport(), point);
            } else {
                QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, point);
            }
            EXPECT_EQ(m_view->selectionModel()->isSelected(file), c.selects);
            // A double click jumps once for the new selection and once for itself.
            EXPECT_EQ(m_jumps.size(), c.jumps ? (twice ? 2U : 1U) : 0U);
            if (std::string_view(c.name) == "expand button") {
                EXPECT_EQ(m_view->isExpanded(file), !twice);  // each click opens or closes
            }
            EXPECT_TRUE(m_view->hasFocus() || !m_view->isActiveWindow());
        }
    }
}

// The highlight of the selected item covers its icon and label, not the rest of the row.
TEST_F(ViewTest, HighlightCoversTheIconAndTheLabelOnly) {
    Show(kTwoFiles);
    const QModelIndex app = Find(QStringLiteral("Main.java"));
    m_view->setFocus();
    m_view->selectionModel()->select(app, QItemSelectionModel::ClearAndSelect);
    // A long label widens the column, so the short one has empty space to its right; the item is
    // two levels deep, with an indent and a button left of it.
    m_view->expandAll();
    m_view->collapse(app);
    // The column widens once the rows on screen have been measured.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_view->visualRect(app).right() > m_view->ItemContentRect(app).right() + 20; }, 30000));
    const QRect content = m_view->ItemContentRect(app);
    const QImage image = m_view->viewport()->grab().toImage();
    const int y = content.top() + 1;
    const QColor base = image.pixelColor(m_view->viewport()->width() - 2, y);
    EXPECT_NE(image.pixelColor(content.right() - 1, y), base);
    EXPECT_NE(image.pixelColor(content.left() + 1, y), base);  // the icon's place too
    EXPECT_EQ(image.pixelColor(content.right() + 10, y), base);
    EXPECT_EQ(image.pixelColor(m_view->visualRect(app).left() - 2, y), base);  // nor the indent left of it
}

TEST_F(ViewTest, EnterWithoutSelectionDoesNothing) {
    Show(kTwoFiles);
    m_view->setFocus();
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    EXPECT_TRUE(m_jumps.empty());
}

// The real jump with an editor that is not there: the user is told which program could not be
// started and why, instead of nothing happening.
TEST_F(ViewTest, EnterWithAMissingEditorSaysSo) {
    Show(kTwoFiles);
    m_view->SetJumpFunction(nullptr);
    std::filesystem::create_directories(Path("src/util"));
    WriteFile("src/util/Strings.java", "package com.example.util;\n\npublic final class Strings {\n");
    const std::string editor = Path("no-such-editor");
    m_view->Settings().m_strEditorPath = editor;
    m_view->Settings().m_strEditorFormat = "+@l @f";
    m_view->setFocus();
    m_view->setCurrentIndex(Find(QStringLiteral("Strings")));
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{"エディタ " + editor + " を起動できません。\nパス: " + editor +
                                                        "\n理由: " + std::strerror(ENOENT) +
                                                        "\nエディタは 設定(&S) で変更できます。"});
}

TEST_F(ViewTest, FolderImageFollowsExpansionByTheUser) {
    Show(kTwoFiles);
    const QModelIndex folder = Find(QStringLiteral("src/util"));
    const QModelIndex file = Find(QStringLiteral("Strings.java"));
    const TagTreeItemModel& model = m_view->Model();
    m_view->expand(folder);
    EXPECT_EQ(model.ImageOf(folder), kImageFolderOpen);
    m_view->expand(file);
    m_view->collapse(file);
    EXPECT_EQ(model.ImageOf(file), kImageFile);
    m_view->collapse(folder);
    EXPECT_EQ(model.ImageOf(folder), kImageFolderClosed);
    // The keyboard's right and left arrows open and close it too.
    m_view->setCurrentIndex(folder);
    QTest::keyClick(m_view.get(), Qt::Key_Right);
    EXPECT_EQ(model.ImageOf(folder), kImageFolderOpen);
    QTest::keyClick(m_view.get(), Qt::Key_Left);
    EXPECT_EQ(model.ImageOf(folder), kImageFolderClosed);
}

QStringList MenuTexts(const QMenu& menu) {
    QStringList texts;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            texts << QStringLiteral("-");
        } else if (action->isVisible()) {
            texts << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" [grey]")) +
                         (action->isCheckable() ? (action->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]"))
                                                : QString());
        }
    }
    return texts;
}

TEST_F(ViewTest, RightClickShowsTheCommandMenuUnlessShiftOrCtrlIsHeld) {
    Show(kTwoFiles);
    // The window's commands, each telling which it is.
    std::vector<std::string> routed;
    const auto record = [&routed](const char* name) { return [&routed, name] { routed.emplace_back(name); }; };
    CommandHandlers handlers;
    handlers.settings = record("settings");
    handlers.open = record("open");
    handlers.find = record("find");
    handlers.toggleNestScope = record("nestScope");
    CommandActions commands(std::move(handlers));
    CQuarrowView::Hooks hooks;
    hooks.fillPopup = [&commands](QMenu& popup) { FillMenu(popup, commands); };
    m_view->SetHooks(hooks);
    m_view->Settings().m_nSingleSelect = 1;
    const QPoint point = LabelPoint(Find(QStringLiteral("src/app")));

    for (const Qt::KeyboardModifier modifier : {Qt::ControlModifier, Qt::ShiftModifier}) {
        QTest::mousePress(m_view->viewport(), Qt::RightButton, modifier, point);
        QTest::mouseRelease(m_view->viewport(), Qt::RightButton, modifier, point);
        EXPECT_EQ(m_view->PopupMenu(), nullptr);
        EXPECT_TRUE(m_view->selectionModel()->selectedIndexes().isEmpty());
    }
    // A right click off every item opens the menu and leaves the selection alone.
    QTest::mousePress(m_view->viewport(), Qt::RightButton, {}, QPoint(m_view->viewport()->width() - 2, point.y()));
    ASSERT_NE(m_view->PopupMenu(), nullptr);
    EXPECT_TRUE(m_view->selectionModel()->selectedIndexes().isEmpty());
    m_view->PopupMenu()->close();
    QApplication::processEvents();
    // On an item it selects that item first, and never starts the editor.
    QTest::mousePress(m_view->viewport(), Qt::RightButton, {}, point);
    QMenu* popup = m_view->PopupMenu();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(m_view->selectionModel()->selectedIndexes(), QModelIndexList{Find(QStringLiteral("src/app"))});
    EXPECT_EQ(m_view->currentIndex(), Find(QStringLiteral("src/app")));
    EXPECT_TRUE(m_jumps.empty());

    ASSERT_EQ(popup->actions().size(), 4);
    EXPECT_EQ(MenuTexts(*popup), (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("設定(&S)"),
                                             QStringLiteral("表示(&V)"), QStringLiteral("ヘルプ(&H)")}));
    QMenu* file = popup->actions()[0]->menu();
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    EXPECT_EQ(MenuTexts(*file), (QStringList{
                                    QStringLiteral("新規（又は再）作成(&N)\tCtrl+N"),
                                    QStringLiteral("開く(&O)...\tCtrl+O"),
                                    QStringLiteral("名前を付けて保存(&A)..."),
                                    QStringLiteral("-"),
                                    QStringLiteral("最近使ったﾌｧｲﾙ [grey]"),
                                    QStringLiteral("-"),
                                    QStringLiteral("アプリケーションの終了(&X)"),
                                }));
    EXPECT_EQ(MenuTexts(*popup->actions()[3]->menu()), QStringList{QStringLiteral("Quarrow のバージョン情報(&A)...")});
    // The tree options show their state each time their menu opens.
    QMenu* view = popup->actions()[2]->menu();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(MenuTexts(*view), (QStringList{QStringLiteral("検索(&F)\tCtrl+F"), QStringLiteral("最新の情報に更新(&R)\tF5"),
                                             QStringLiteral("-"), QStringLiteral("言語別アイコン [ ]"),
                                             QStringLiteral("スコープで入れ子表示 [ ]")}));

    // Its commands are the window's.
    popup->actions()[1]->trigger();
    file->actions()[1]->trigger();
    view->actions()[0]->trigger();
    view->actions()[4]->trigger();
    EXPECT_EQ(routed, (std::vector<std::string>{"settings", "open", "find", "nestScope"}));
    popup->close();
    QApplication::processEvents();
    EXPECT_EQ(m_view->PopupMenu(), nullptr);  // the menu is gone once closed
}

// The tip the view shows when the mouse rests at `point`, or nothing when it hides the tip.
std::optional<QString> ShownTip(QWidget* viewport, const QPoint& point) {
    QToolTip::hideText();
    for (int i = 0; i < 200 && QToolTip::isVisible(); ++i) {
        QTest::qWait(10);
    }
    QHelpEvent event(QEvent::ToolTip, point, viewport->mapToGlobal(point));
    QApplication::sendEvent(viewport, &event);
    if (!QToolTip::isVisible()) {
        return std::nullopt;
    }
    return QToolTip::text();
}

TEST_F(ViewTest, ToolTipShowsTheSourceLineOfALeafUnderItsIconOrLabel) {
    Show(kTwoFiles);
    const QModelIndex folder = Find(QStringLiteral("src/util"));
    const QModelIndex file = Find(QStringLiteral("Strings.java"));
    m_view->expand(folder);
    m_view->expand(file);
    m_view->expand(Find(QStringLiteral("src/app")));
    const QModelIndex join = Find(QStringLiteral("join"));

    // TABs become blanks, blanks at both ends go.
    const QString joinLine = QStringLiteral("public static String join(String a) {");
    EXPECT_EQ(ShownTip(m_view->viewport(), LabelPoint(join)), joinLine);
    EXPECT_EQ(m_view->ToolTipTextAt(IconPoint(join)), joinLine);
    // Not over the indentation, nor right of the label.
    const QRect rect = m_view->visualRect(join);
    EXPECT_EQ(m_view->ToolTipTextAt(QPoint(rect.left() - 4, rect.center().y())), std::nullopt);
    EXPECT_EQ(m_view->ToolTipTextAt(QPoint(rect.left() + 200, rect.center().y())), std::nullopt);
    EXPECT_EQ(ShownTip(m_view->viewport(), QPoint(rect.left() + 200, rect.center().y())), std::nullopt);
    // Not for a folder, nor for a file that has members.
    EXPECT_EQ(m_view->ToolTipTextAt(LabelPoint(folder)), std::nullopt);
    EXPECT_EQ(m_view->ToolTipTextAt(LabelPoint(file)), std::nullopt);
    // A file node without members is a leaf: its first tag's line.
    EXPECT_EQ(m_view->ToolTipTextAt(LabelPoint(Find(QStringLiteral("Lone")))),
              QStringLiteral("interface Lone {}"));

    // Off unless "TIPMESSAGE" is exactly 1, read at the moment of the event.
    m_view->Settings().m_nTipMessage = 0;
    EXPECT_EQ(ShownTip(m_view->viewport(), LabelPoint(join)), std::nullopt);
    m_view->Settings().m_nTipMessage = 1;
    EXPECT_TRUE(ShownTip(m_view->viewport(), LabelPoint(join)).has_value());
}

TEST_F(ViewTest, SecondFileReplacesTheTreeAndTipsStillWork) {
    Show(kTwoFiles);
    Show(kOneFile, "second.tags");
    EXPECT_FALSE(Find(QStringLiteral("src/util")).isValid());
    EXPECT_EQ(m_view->Model().rowCount(), 1);
    EXPECT_EQ(m_view->ToolTipTextAt(LabelPoint(Find(QStringLiteral("go")))), QStringLiteral("void go() {"));
    DoubleClick(m_view->viewport(), LabelPoint(Find(QStringLiteral("go"))));
    ASSERT_FALSE(m_jumps.empty());
    EXPECT_EQ(m_jumps.back().substr(0, 4), "go@2");
}

// In a Shift-JIS document the settings dialog shows the profile's texts in that code page; OK
// with nothing changed leaves the profile as it was, byte for byte.
TEST_F(ViewTest, SettingsDialogOkLeavesAShiftJisProfileByteForByte) {
    m_profile->WriteString(setting_keys::kEditor, setting_keys::kEditorPath, "/opt/\x93\xfa\x96\x7b/edit\xa0");
    m_profile->WriteString(setting_keys::kTags, setting_keys::kCtagsPath, "/usr/\x83\x5c/ctags\x81");
    m_doc = std::make_unique<CQuarrowDoc>(nullptr, CodePage::ShiftJis);
    Show(kOneFile);
    m_view.reset();  // every setting written once
    std::ifstream before(Path("quarrow.INI"), std::ios::binary);
    const std::string stored((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());

    Show(kOneFile);
    QTimer ok;
    QObject::connect(&ok, &QTimer::timeout, &ok, [] {
        if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog->isActiveWindow()) {
            QTest::keyClick(dialog, Qt::Key_Return);  // the default button: OK
        }
    });
    ok.start(10);
    DialogCommands* commands = new DialogCommands(*m_view, *m_profile, m_sink, nullptr);  // the view's child
    commands->OnSettings();
    ok.stop();
    m_view.reset();
    std::ifstream after(Path("quarrow.INI"), std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), stored);
}

TEST_F(ViewTest, SettingsAreReadWhenMadeAndWrittenWhenGone) {
    m_profile->WriteInt(setting_keys::kSystem, setting_keys::kSingleSelect, 0);
    m_profile->WriteString(setting_keys::kEditor, setting_keys::kEditorPath, "myedit");
    Show(kOneFile);
    EXPECT_EQ(m_view->Settings().m_nSingleSelect, 0);
    EXPECT_EQ(m_view->Settings().m_strEditorPath, "myedit");
    m_view->Settings().m_nTipMessage = 0;
    m_view.reset();
    EXPECT_EQ(m_profile->ReadInt(setting_keys::kSystem, setting_keys::kTipMessage, 1), 0);
}

// Counts the rows whose size the view asks for.
class CountingDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        ++asked;
        return QStyledItemDelegate::sizeHint(option, index);
    }
    mutable int asked = 0;
};

// A file of many members: opening it measures the rows on screen, not all of them, and the column
// still widens for a long label once it is scrolled into view.
TEST_F(ViewTest, ExpandingMeasuresOnlyTheRowsOnScreenAndLongLabelsWidenTheColumn) {
    std::string text;
    const std::string longName(300, 'w');
    for (int i = 0; i < 20000; ++i) {
        const std::string name = i == 19990 ? longName : "m" + std::to_string(100000 + i);
        text += name + "\tpkg/Big.java\t/^  void " + name + "() {$/;\"\tm\tline:" + std::to_string(i + 2) +
                "\tclass:Big\taccess:public\n";
    }
    text += "Other\tpkg/Other.java\t/^class Other {$/;\"\tc\tline:1\taccess:public\n";
    Show(text);
    auto* counter = new CountingDelegate(m_view.get());
    m_view->setItemDelegate(counter);
    const QModelIndex big = Find(QStringLiteral("Big.java"));
    m_view->expand(big.parent());
    QCoreApplication::processEvents();
    counter->asked = 0;
    m_view->expand(big);
    QCoreApplication::processEvents();
    EXPECT_GT(counter->asked, 0);
    EXPECT_LT(counter->asked, 200);
    const int narrow = m_view->header()->sectionSize(0);
    EXPECT_LT(narrow, 300);

    m_view->scrollTo(Find(QString::fromStdString(longName), big));
    QCoreApplication::processEvents();
    EXPECT_GT(m_view->header()->sectionSize(0), m_view->fontMetrics().horizontalAdvance(QString::fromStdString(longName)));
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_view->horizontalScrollBar()->maximum() > 0; }));
}

// Records each paint of a tree's rows: the region painted and the column's width at that moment.
class PaintRecorder final : public QObject {
public:
    // The view may go first: a filter that is gone is no longer asked.
    explicit PaintRecorder(QTreeView& view) : m_view(view) { view.viewport()->installEventFilter(this); }

    struct Paint {
        QRegion region;
        int width;
    };
    std::vector<Paint> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            paints.push_back({static_cast<QPaintEvent*>(event)->region(), m_view.header()->sectionSize(0)});
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTreeView& m_view;
};

// A change that brings a label wider than the column into view, in either direction: the rows
// are painted once, at the new width, over the whole viewport; not first cut short and then
// again.
TEST_F(ViewTest, RowsThatWidenTheColumnArePaintedOnceAtTheNewWidth) {
    const std::string longName = "m140" + std::string(200, 'w');  // the 42nd member by name
    std::string text;
    for (int i = 0; i < 100; ++i) {
        const std::string name = i == 40 ? longName : "m" + std::to_string(100 + i);
        text += name + "\tpkg/Big.java\t/^  void " + name + "() {$/;\"\tm\tline:" + std::to_string(i + 2) +
                "\tclass:Big\taccess:public\n";
    }
    text += longName + "1\tpkg/Wide.java\t/^class W {$/;\"\tc\tline:1\taccess:public\n";
    text += longName + "2\tpkg/Wide.java\t/^class W {$/;\"\tc\tline:2\taccess:public\n";
    const auto drain = [] {
        for (int i = 0; i < 4; ++i) {
            QCoreApplication::processEvents();
        }
    };
    struct Case {
        Qt::LayoutDirection direction;
        bool scroll;  // scroll the long member into view, else open the file of long names
    };
    for (const Case c : {Case{Qt::LeftToRight, false}, Case{Qt::RightToLeft, false}, Case{Qt::LeftToRight, true},
                         Case{Qt::RightToLeft, true}}) {
        SCOPED_TRACE(::testing::Message() << "right to left " << (c.direction == Qt::RightToLeft) << ", scroll "
                                          << c.scroll);
        Show(text);
        m_view->setLayoutDirection(c.direction);
        const QModelIndex big = Find(QStringLiteral("Big.java"));
        m_view->expand(big.parent());
        if (c.scroll) {
            m_view->expand(big);
            m_view->scrollTo(big, QAbstractItemView::PositionAtTop);
        }
        drain();
        ASSERT_LT(m_view->header()->sectionSize(0), 300);

        PaintRecorder recorder(*m_view);
        if (c.scroll) {
            // Step by step until the long member shows.
            const QModelIndex member = Find(QString::fromStdString(longName), big);
            for (int step = 0; m_view->visualRect(member).top() >= m_view->viewport()->height(); ++step) {
                ASSERT_LT(step, 60);
                recorder.paints.clear();
                m_view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                drain();
            }
        } else {
            m_view->expand(Find(QStringLiteral("Wide.java")));
            drain();
        }
        const int wide = m_view->header()->sectionSize(0);
        EXPECT_GT(wide, m_view->fontMetrics().horizontalAdvance(QString::fromStdString(longName)));
        ASSERT_EQ(recorder.paints.size(), 1u);
        EXPECT_EQ(recorder.paints[0].width, wide);
        EXPECT_TRUE(recorder.paints[0].region.contains(m_view->viewport()->rect()));
        m_view.reset();
    }
}

}  // namespace
}  // namespace quarrow::ui::testing
