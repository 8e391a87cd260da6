// The window's jump to a tag whose source file is nowhere: the status bar says so and no editor
// starts.

#include <QSignalSpy>

#include "app/ui/run_status_bar.h"
#include "app/ui/tags_refresher.h"
#include "app_fixture.h"
#include "editor/ui/editor_jump_runner.h"

namespace quarrow::ui::testing {
namespace {

using EditorJumpNoteTest = AppFixture;

// The first index below `parent` that carries a tag, depth first.
QModelIndex FirstTagIndex(const TagTreeItemModel& model, const QModelIndex& parent = {}) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        if (model.TagOf(index) != nullptr) {
            return index;
        }
        if (const QModelIndex inner = FirstTagIndex(model, index); inner.isValid()) {
            return inner;
        }
    }
    return {};
}

TEST_F(EditorJumpNoteTest, AMissingSourceFileIsNotedInTheStatusBar) {
    ASSERT_TRUE(Start({WriteFile("gone.tags", "run\tsrc/Gone.java\t/^void run() {$/;\"\tm\tline:2\n")}));
    CQuarrowView& view = *m_app->View();
    view.SetJumpFunction(nullptr);
    view.Settings().m_strEditorPath = m_home + "no-editor-needed";
    const QModelIndex tag = FirstTagIndex(view.Model());
    ASSERT_TRUE(tag.isValid());
    QSignalSpy done(&view.JumpRunner(), &EditorJumpRunner::jumpDone);
    view.JumpToEditor(tag);
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done.at(0).at(0).toBool(), false);
    const QString note = m_app->Refresher()->StatusBar()->NoteText();
    EXPECT_TRUE(note.contains(QString::fromStdString(m_home + "src/Gone.java"))) << note.toStdString();
    EXPECT_EQ(m_messages, std::vector<QString>{}) << "no editor was to be started";
}

}  // namespace
}  // namespace quarrow::ui::testing
