// The delegate draws its rows itself, keeping each label's layout; the picture must be the one the
// style draws, pixel for pixel: selected, current with the focus frame, long, CJK, right-to-left,
// folder and file rows, an inactive window, a disabled view, and a column too narrow for a label.
// The rows' sizes and highlighted rectangles, which it takes from the kept layouts, must be the
// style's too.

#include <QHeaderView>
#include <QImage>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTest>

#include <string>

#include "tree/ui/tree_item_delegate.h"
#include "view_fixture.h"

namespace quarrow::ui::testing {
namespace {

// Paints through the style alone, measuring with the view's delegate.
class StylePaint final : public QStyledItemDelegate {
public:
    explicit StylePaint(const TreeItemDelegate& own) : m_own(own) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        m_own.PaintThroughStyle(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return m_own.SizeHintThroughStyle(option, index);
    }

private:
    const TreeItemDelegate& m_own;
};

const char* const kLabels =
    "Strings\tsrc/util/Strings.java\t/^public final class Strings {$/;\"\tc\tline:3\n"
    "join\tsrc/util/Strings.java\t/^  String join() {$/;\"\tm\tline:5\tclass:Strings\n"
    "DCN_REGISTER_MASK_WITH_A_RATHER_LONG_NAME_THAT_RUNS_PAST_THE_WINDOW__SHIFT_AND_MORE\tsrc/util/Strings.java\t"
    "/^#define X$/;\"\td\tline:7\n"
    "\xE8\xA1\xA8\xE7\xA4\xBA\xE5\x90\x8D\xE5\x89\x8D_\xE6\xBC\xA2\xE5\xAD\x97\tsrc/util/Strings.java\t/^int "
    "x;$/;\"\tv\tline:9\n"
    "fiffl_WAVy\tsrc/util/Strings.java\t/^int y;$/;\"\tv\tline:10\n"
    "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D_x1\tsrc/util/Strings.java\t/^int z;$/;\"\tv\tline:11\n"
    "Main\tsrc/app/Main.java\t/^public class Main {$/;\"\tc\tline:3\n";

int Colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seen.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(seen.size());
}

class ItemPaintTest : public ViewFixture {
protected:
    TreeItemDelegate& Own() { return *static_cast<TreeItemDelegate*>(m_view->itemDelegate()); }

    // The rows drawn with the view's own delegate and with the style's, after the same layout.
    std::pair<QImage, QImage> Both() {
        TreeItemDelegate& own = Own();
        StylePaint style(own);
        const QImage ownImage = m_view->viewport()->grab().toImage();
        m_view->setItemDelegate(&style);
        const QImage styleImage = m_view->viewport()->grab().toImage();
        m_view->setItemDelegate(&own);
        return {ownImage, styleImage};
    }

    // Every row's size and highlighted rectangle as the style measures them, in the view's cells.
    void ExpectStyleMeasures(const char* what) {
        SCOPED_TRACE(what);
        TreeItemDelegate& own = Own();
        own.Forget();
        int rows = 0;
        for (QModelIndex index = m_view->Model().index(0, 0); index.isValid(); index = m_view->indexBelow(index)) {
            SCOPED_TRACE(index.data().toString().toStdString());
            // As the view makes it.
            QStyleOptionViewItem option;
            option.initFrom(m_view.get());
            option.widget = m_view.get();
            option.rect = m_view->visualRect(index);
            option.font = m_view->font();
            option.fontMetrics = QFontMetrics(option.font);
            const int icon = m_view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_view.get());
            option.decorationSize = m_view->iconSize().isValid() ? m_view->iconSize() : QSize(icon, icon);
            option.decorationPosition = QStyleOptionViewItem::Left;
            option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
            option.textElideMode = m_view->textElideMode();
            option.showDecorationSelected =
                m_view->style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, m_view.get()) != 0;
            EXPECT_EQ(own.sizeHint(option, index), own.SizeHintThroughStyle(option, index));
            EXPECT_EQ(own.ContentRect(option, index), own.ContentRectThroughStyle(option, index));
            ++rows;
        }
        EXPECT_GT(rows, 6);
    }

    void ExpectSamePicture(const char* what) {
        SCOPED_TRACE(what);
        const auto [own, style] = Both();
        ASSERT_EQ(own.size(), style.size());
        EXPECT_TRUE(own == style);
        // Two blank pictures would compare equal too: the rows must be drawn.
        EXPECT_GT(Colours(own), 4);
    }
};

TEST_F(ItemPaintTest, RowsAreDrawnAsTheStyleDrawsThem) {
    Show(kLabels);
    m_view->expandAll();
    m_view->activateWindow();
    m_view->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
    ASSERT_TRUE(m_view->hasFocus());

    const QModelIndex join = Find("join");
    const QModelIndex main = Find("Main.java");
    ASSERT_TRUE(join.isValid() && main.isValid());
    // The selection on one row, the current row with its focus frame on another.
    m_view->selectionModel()->select(join, QItemSelectionModel::ClearAndSelect);
    m_view->selectionModel()->setCurrentIndex(main, QItemSelectionModel::NoUpdate);
    ExpectSamePicture("selected and current apart");

    ExpectStyleMeasures("wide column");
    for (const char* label :
         {"Strings.java", "DCN_REGISTER_MASK_WITH_A_RATHER_LONG_NAME_THAT_RUNS_PAST_THE_WINDOW__SHIFT_AND_MORE",
          "\xE8\xA1\xA8\xE7\xA4\xBA\xE5\x90\x8D\xE5\x89\x8D_\xE6\xBC\xA2\xE5\xAD\x97", "fiffl_WAVy",
          "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D_x1"}) {
        const QModelIndex index = Find(QString::fromUtf8(label));
        ASSERT_TRUE(index.isValid()) << label;
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        ExpectSamePicture(label);
    }

    m_view->clearFocus();
    ExpectSamePicture("without focus");

    m_view->setEnabled(false);
    ExpectSamePicture("disabled");
    m_view->setEnabled(true);

    // A column narrower than the long label: the style elides it.
    m_view->header()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_view->setColumnWidth(0, 120);
    ExpectSamePicture("narrow column");
    ExpectStyleMeasures("narrow column");
}

}  // namespace
}  // namespace quarrow::ui::testing
