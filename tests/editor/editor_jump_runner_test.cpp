// The window's jump: a large source file is searched on a worker thread and the editor starts
// back on the window's thread at the line found; a later jump replaces one still searching; a
// missing file gives a note and no editor.

#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <memory>

#include "editor/ui/editor_jump_runner.h"
#include "platform/message_sink.h"
#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"
#include "tags/tag_entry.h"

namespace quarrow::ui {
namespace {

using Lines = std::vector<std::string>;

class EditorJumpRunnerTest : public testing::Test {
protected:
    // A request for "run" recorded on line 2 of `file`, started with a fake editor writing to `out`.
    JumpRequest Request(const std::string& file, const std::string& out) {
        const std::string line = "run\t" + file + "\t/^void run() {$/;\"\tm\tline:2\n";
        CTagEntry tag;
        tag.Parse(line, CodePage::Utf8);
        const std::string editor = m_dir.WriteProgram("bin/ed-" + std::to_string(++m_editors),
                                                      test::NulArgumentWriterScript(out));
        return MakeJumpRequest(tag, {editor, "+@l @f"}, m_dir.Path() + "/", {}, true, CodePage::Utf8);
    }
    Lines EditorWords(const std::string& out) {
        EXPECT_TRUE(test::WaitForFile(out)) << "the editor did not start";
        return test::SplitAtNul(test::ReadFile(out));
    }

    test::ScratchFolder m_dir{"jump-runner"};
    RecordingMessageSink m_sink;
    int m_editors = 0;
};

TEST_F(EditorJumpRunnerTest, ALargeFileIsSearchedOffTheWindowsThread) {
    const std::string source = m_dir.Write("A.java", "// one\n// more\nclass A {\nvoid run() {\n}\n");
    EditorJumpRunner runner(m_sink);
    runner.SetBackgroundBytes(1);
    QSignalSpy done(&runner, &EditorJumpRunner::jumpDone);
    runner.Jump(Request("A.java", m_dir / "out"));
    EXPECT_TRUE(runner.IsSearching());
    ASSERT_TRUE(done.wait(10000));
    EXPECT_FALSE(runner.IsSearching());
    EXPECT_EQ(done.takeFirst().at(0).toBool(), true);
    EXPECT_EQ(EditorWords(m_dir / "out"), (Lines{"+4", source}));
    EXPECT_EQ(m_sink.messages, Lines{});
}

TEST_F(EditorJumpRunnerTest, ALaterJumpReplacesOneStillSearching) {
    m_dir.Write("Large.java", "// a file above the threshold\nvoid run() {\n");
    const std::string small = m_dir.Write("Small.java", "\nvoid run() {\n");
    EditorJumpRunner runner(m_sink);
    runner.SetBackgroundBytes(20);
    QSignalSpy done(&runner, &EditorJumpRunner::jumpDone);
    runner.Jump(Request("Large.java", m_dir / "large-out"));
    runner.Jump(Request("Small.java", m_dir / "small-out"));
    ASSERT_EQ(done.size(), 1);  // the small file's jump, at once
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(done.at(0).at(0).toBool(), true);
    EXPECT_EQ(done.at(1).at(0).toBool(), false) << "the replaced jump started an editor";
    EXPECT_EQ(EditorWords(m_dir / "small-out"), (Lines{"+2", small}));
}

TEST_F(EditorJumpRunnerTest, AMissingFileGivesANoteAndNoEditor) {
    EditorJumpRunner runner(m_sink);
    QStringList notes;
    runner.SetNoteHandler([&notes](const QString& note) { notes << note; });
    QSignalSpy done(&runner, &EditorJumpRunner::jumpDone);
    runner.Jump(Request("gone/A.java", m_dir / "out"));
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done.at(0).at(0).toBool(), false);
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes.front().contains(QString::fromStdString(m_dir / "gone/A.java"))) << notes.front().toStdString();
}

// The window may close while a search goes: its end finds no runner and posts nothing.
TEST_F(EditorJumpRunnerTest, ARunnerGoneBeforeTheSearchEndsIsLeftAlone) {
    m_dir.Write("A.java", "void run() {\n");
    auto runner = std::make_unique<EditorJumpRunner>(m_sink);
    runner->SetBackgroundBytes(1);
    runner->Jump(Request("A.java", m_dir / "out"));
    runner.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_sink.messages, Lines{});
}

}  // namespace
}  // namespace quarrow::ui
