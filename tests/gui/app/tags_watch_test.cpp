// The watch of the shown tags file, with the real file system: a file replaced by a rename is read
// again with the user's place kept, and the watch follows the new file; a file written in place
// slowly is read only once its writer has stopped, never half written; a deleted file leaves the
// tree as it was and says so, and is read when it comes back.

#include <QItemSelectionModel>
#include <QSignalSpy>

#include <cstdio>
#include <filesystem>

#include "app/ui/run_status_bar.h"
#include "app/ui/tags_refresher.h"
#include "app_fixture.h"
#include "tags/tag_store.h"

namespace quarrow::ui::testing {
namespace {

std::string Line(const std::string& name, const std::string& file) {
    return name + '\t' + file + "\t/^class " + name + " {$/;\"\tc\tline:1\taccess:public\n";
}

class TagsWatchTest : public AppFixture {
protected:
    // Replaces `path` by a new file written beside it, as ctags and editors do.
    void ReplaceByRename(const std::string& path, const std::string& text) {
        const std::string temporary = path + ".new";
        std::ofstream(temporary, std::ios::binary) << text;
        std::filesystem::rename(temporary, path);
    }

    std::size_t StoreSize() const { return m_app->Document()->Core().GetTags().size(); }
    QString Label(const QModelIndex& index) const { return m_app->View()->Model().LabelOf(index); }
    QModelIndex Top(int row) const { return m_app->View()->Model().index(row, 0); }
    QString SelectedLabel() const {
        const QModelIndexList selected = m_app->View()->selectionModel()->selectedIndexes();
        return selected.isEmpty() ? QString() : Label(selected.first());
    }
};

TEST_F(TagsWatchTest, FileReplacedByRenameIsReadAgainKeepingThePlaceAndStaysWatched) {
    const std::string path = WriteFile("w.tags", Line("Alpha", "src/a/Alpha.java") + Line("Beta", "src/b/Beta.java"));
    ASSERT_TRUE(Start({path}));
    CQuarrowView* view = m_app->View();
    ASSERT_EQ(view->Model().rowCount(), 2);
    view->expand(Top(1));  // src/b
    view->expand(view->Model().index(0, 0, Top(1)));
    view->selectionModel()->setCurrentIndex(view->Model().index(0, 0, view->Model().index(0, 0, Top(1))),
                                            QItemSelectionModel::ClearAndSelect);
    ASSERT_EQ(SelectedLabel(), QStringLiteral("Beta"));
    QSignalSpy resets(&view->Model(), &QAbstractItemModel::modelReset);

    ReplaceByRename(path, Line("Alpha", "src/a/Alpha.java") + Line("Aleph", "src/aa/Aleph.java") +
                              Line("Beta", "src/b/Beta.java"));
    QTRY_COMPARE_WITH_TIMEOUT(view->Model().rowCount(), 3, 10000);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_FALSE(view->isExpanded(Top(0)));
    EXPECT_FALSE(view->isExpanded(Top(1)));  // the new folder is folded
    EXPECT_TRUE(view->isExpanded(Top(2)));
    EXPECT_EQ(SelectedLabel(), QStringLiteral("Beta"));

    // The watch now holds the new file: a second replace is seen too.
    ReplaceByRename(path, Line("Beta", "src/b/Beta.java"));
    QTRY_COMPARE_WITH_TIMEOUT(view->Model().rowCount(), 1, 10000);
    EXPECT_EQ(SelectedLabel(), QStringLiteral("Beta"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(TagsWatchTest, FileWrittenInPlaceSlowlyIsReadOnlyWhenItStandsStill) {
    const std::string path = WriteFile("slow.tags", Line("Alpha", "src/a/Alpha.java"));
    ASSERT_TRUE(Start({path}));
    std::vector<std::size_t> sizesRead;
    QObject::connect(&m_app->View()->Model(), &QAbstractItemModel::modelReset, m_app.get(),
                     [this, &sizesRead] { sizesRead.push_back(StoreSize()); });

    // Twenty lines, one every 100 ms, into the same file (truncated first, as an in-place writer does).
    constexpr int kLines = 20;
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        for (int i = 0; i < kLines; ++i) {
            const std::string line = Line("C" + std::to_string(i), "src/c/C" + std::to_string(i) + ".java");
            std::fwrite(line.data(), 1, line.size(), file);
            std::fflush(file);
            QTest::qWait(100);
        }
        std::fclose(file);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!sizesRead.empty(), 10000);
    QTest::qWait(1200);  // a later, second reading would show here
    EXPECT_EQ(sizesRead, std::vector<std::size_t>{kLines});
    EXPECT_EQ(m_app->View()->Model().rowCount(), 1);  // src/c
}

TEST_F(TagsWatchTest, DeletedFileKeepsTheTreeAndSaysSoThenIsReadWhenBack) {
    const std::string path = WriteFile("gone.tags", Line("Alpha", "src/a/Alpha.java") + Line("Beta", "src/b/Beta.java"));
    ASSERT_TRUE(Start({path}));
    RunStatusBar* bar = m_app->Refresher()->StatusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());

    std::filesystem::remove(path);
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 10000);
    EXPECT_TRUE(bar->NoteText().contains(QString::fromStdString(path)));
    EXPECT_EQ(m_app->View()->Model().rowCount(), 2);
    EXPECT_EQ(Title(), QStringLiteral("gone.tags - Quarrow"));

    ReplaceByRename(path, Line("Gamma", "src/g/Gamma.java"));
    QTRY_COMPARE_WITH_TIMEOUT(m_app->View()->Model().rowCount(), 1, 10000);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(m_messages.empty());
}

}  // namespace
}  // namespace quarrow::ui::testing
