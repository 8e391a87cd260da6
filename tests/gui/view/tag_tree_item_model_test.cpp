// The item model over the compact tag tree: Qt's own model checks, labels and icons per node,
// and decoding of the document's code page.

#include <QAbstractItemModelTester>
#include <QImage>

#include "tree/tree_images.h"
#include "tree/ui/display_text.h"
#include "view_fixture.h"

namespace quarrow::ui::testing {
namespace {

using ModelTest = ViewFixture;

TEST_F(ModelTest, PassesQtModelChecksAcrossRebuilds) {
    Show(kTwoFiles);
    QAbstractItemModelTester tester(&m_view->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    Show(kOneFile, "second.tags");
    Show("", "empty.tags");
    Show(kTwoFiles, "third.tags");
    EXPECT_EQ(m_view->Model().rowCount(), 2);
}

// A file of more members than a view is handed at once: its rows come in slices, each announced
// as rows inserted, and a node beyond them is reached by fetching up to it.
TEST_F(ModelTest, PassesQtModelChecksWhileALargeFileHandsOverItsRows) {
    std::string text;
    for (int i = 0; i < 3 * static_cast<int>(TagTreeItemModel::kSliceAbove); ++i) {
        text += "m" + std::to_string(100000 + i) + "\tpkg/Big.java\t/^x$/;\"\tm\tline:" + std::to_string(i + 1) + "\n";
    }
    text += "Other\tpkg/Other.java\t/^class Other {$/;\"\tc\tline:1\n";
    Show(text);
    TagTreeItemModel& model = m_view->Model();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QModelIndex first = Find(QStringLiteral("Big.java"));  // its own rows are not looked at
    ASSERT_TRUE(first.isValid());
    const TagTree::Id last = model.Tree().Child(model.IdOf(first), model.ChildrenOf(first) - 1);
    EXPECT_LT(model.rowCount(first), static_cast<int>(model.ChildrenOf(first)));
    EXPECT_FALSE(model.IndexOf(last).isValid());  // not a row yet
    const QModelIndex reached = model.Reach(last);
    ASSERT_TRUE(reached.isValid());
    EXPECT_EQ(model.LabelOf(reached), QStringLiteral("m%1").arg(100000 + 3 * TagTreeItemModel::kSliceAbove - 1));
    EXPECT_EQ(model.rowCount(first), static_cast<int>(model.ChildrenOf(first)));
    EXPECT_FALSE(model.HasUnfetchedRows(first));
}

// Each node's label and image index, and the tree's shape, as the builder made them.
TEST_F(ModelTest, ShowsFoldersFilesAndMembersWithTheirImages) {
    Show(kTwoFiles);
    const TagTreeItemModel& model = m_view->Model();
    struct Row {
        const char* label;
        const char* parent;
        int image;
    };
    const Row rows[] = {
        {"src/util", "", kImageFolderClosed},     {"Strings.java", "src/util", kImageFile},
        {"com.example.util", "Strings.java", kImagePackage}, {"Strings", "Strings.java", kImageClass},
        {"join", "Strings.java", kImageMethodPublic},        {"EMPTY", "Strings.java", kImageFieldDefault},
        {"src/app", "", kImageFolderClosed},      {"Main.java", "src/app", kImageFile},
        {"run", "Main.java", kImageMethodPrivate}, {"Lone", "Lone.java", kImageInterface},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const QModelIndex index = Find(QString::fromUtf8(row.label));
        ASSERT_TRUE(index.isValid());
        EXPECT_EQ(model.LabelOf(index.parent()), QString::fromUtf8(row.parent));
        EXPECT_EQ(model.data(index, TagTreeItemModel::kImageIndexRole).toInt(), row.image);
        EXPECT_FALSE(model.data(index, Qt::DecorationRole).value<QIcon>().isNull());
    }
    // Two files: nothing is opened.
    EXPECT_FALSE(m_view->isExpanded(Find(QStringLiteral("src/util"))));
    EXPECT_EQ(model.data(Find(QStringLiteral("src/util")), Qt::DisplayRole).toString(), QStringLiteral("src/util"));
    EXPECT_EQ(model.parent(Find(QStringLiteral("src/util"))), QModelIndex());
}

TEST_F(ModelTest, OneFileTreeIsOpenedAndItsFolderKeepsTheClosedImage) {
    Show(kOneFile);
    const QModelIndex folder = Find(QStringLiteral("pkg"));
    const QModelIndex file = Find(QStringLiteral("Solo.java"));
    EXPECT_TRUE(m_view->isExpanded(folder));
    EXPECT_TRUE(m_view->isExpanded(file));
    EXPECT_EQ(m_view->Model().ImageOf(folder), kImageFolderClosed);
}

TEST(TreeImageListTest, HoldsEveryImageWithMagentaTransparent) {
    const TreeImageList images;
    ASSERT_EQ(images.Count(), kImageCount);
    for (int i = 0; i < images.Count(); ++i) {
        const QImage image = images.Pixmap(i).toImage().convertToFormat(QImage::Format_ARGB32);
        SCOPED_TRACE(i);
        EXPECT_EQ(image.size(), QSize(16, 15));
        int transparent = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                EXPECT_FALSE(qAlpha(pixel) != 0 && qRed(pixel) == 255 && qGreen(pixel) == 0 && qBlue(pixel) == 255);
                transparent += qAlpha(pixel) == 0;
            }
        }
        EXPECT_GT(transparent, 0);       // a ground shows through
        EXPECT_LT(transparent, 16 * 15);  // and there is a picture
    }
    EXPECT_TRUE(images.Icon(kImageCount).isNull());
    EXPECT_TRUE(images.Icon(-1).isNull());
}

// A picture that cannot be loaded leaves a blank in its place; the later images keep their index.
TEST(TreeImageListTest, AnImageThatFailsToLoadKeepsItsPlace) {
    const TreeImageList complete;  // also registers the resources read below
    const int missing = kTreeImageIds[kImageClass];
    const TreeImageList images([missing](int id) {
        return id == missing ? QImage() : QImage(QStringLiteral(":/tree/%1.png").arg(id));
    });
    ASSERT_EQ(images.Count(), kImageCount);
    const QImage blank = images.Pixmap(kImageClass).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(blank.size(), QSize(16, 15));
    for (int y = 0; y < blank.height(); ++y) {
        for (int x = 0; x < blank.width(); ++x) {
            EXPECT_EQ(qAlpha(blank.pixel(x, y)), 0);
        }
    }
    for (const int index : {kImageMethodPublic, kImagePackage, kImageFolderOpen, kImageCount - 1}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(images.Pixmap(index).toImage(), complete.Pixmap(index).toImage());
    }
}

TEST(DisplayTextTest, DecodesUtf8AndShiftJis) {
    EXPECT_EQ(DisplayText("\xE8\xA1\xA8", CodePage::Utf8), QString::fromUtf8("表"));
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash.
    EXPECT_EQ(DisplayText("\x95\x5C", CodePage::ShiftJis), QString::fromUtf8("表"));
    // Bytes that are not text in the code page still show, as replacement characters.
    EXPECT_FALSE(DisplayText("a\xFF" "b", CodePage::Utf8).isEmpty());
}

}  // namespace
}  // namespace quarrow::ui::testing
