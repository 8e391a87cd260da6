#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "editor/editor_command.h"
#include "platform/message_sink.h"
#include "settings/profile.h"
#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/process_checks.h"
#include "support/scratch_folder.h"
#include "tags/tag_entry.h"

namespace quarrow {
namespace {

using namespace std::chrono_literals;
using test::ScratchFolder;
using Lines = std::vector<std::string>;

// A tag record over its own copy of a tags line.
class Tag {
public:
    Tag(std::string_view file, std::string_view lineField, CodePage cp = CodePage::Utf8)
        : m_line("run\t" + std::string(file) + "\t/^    void run() {$/;\"\tm" +
                 (lineField.empty() ? "" : "\t" + std::string(lineField)) + "\n") {
        m_entry.Parse(m_line, cp);
    }
    Tag(const Tag&) = delete;
    Tag& operator=(const Tag&) = delete;
    const CTagEntry& Entry() const { return m_entry; }

private:
    std::string m_line;
    CTagEntry m_entry;
};

struct CommandCase {
    const char* name;
    std::string editorPath;
    std::string format;
    std::string file;
    std::string lineField;
    std::string tagsDir;
    Lines expected;
    CodePage cp = CodePage::Utf8;
};

// Failure output names the row rather than dumping its bytes.
void PrintTo(const CommandCase& c, std::ostream* out) { *out << c.name; }

class BuildEditorArgumentsTest : public testing::TestWithParam<CommandCase> {};

TEST_P(BuildEditorArgumentsTest, SplitsTheTemplateThenFillsTheWords) {
    const CommandCase& c = GetParam();
    const Tag tag(c.file, c.lineField, c.cp);
    EXPECT_EQ(BuildEditorArguments(c.editorPath, c.format, tag.Entry(), c.tagsDir, c.cp), c.expected);
}

const CommandCase kCommandCases[] = {
    {"AbsoluteFile", "/ed/ed", "/j@l @f", "/src/A.java", "line:120", "/proj/", {"/ed/ed", "/j120", "/src/A.java"}},
    {"RelativeFileJoinsTheTagsFolder", "/ed/ed", "/j@l @f", "src/A.java", "line:120", "/proj/",
     {"/ed/ed", "/j120", "/proj/src/A.java"}},
    {"PosixDefaultTemplate", "gvim", "+@l @f", "src/A.java", "line:7", "/proj/", {"gvim", "+7", "/proj/src/A.java"}},
    {"DriveLetterIsRelativeHere", "ed", "@f", "C:\\src\\A.java", "line:1", "/proj/", {"ed", "/proj/C:\\src\\A.java"}},
    {"EmptyFileGivesTheTagsFolder", "ed", "+@l @f", "", "line:3", "/proj/", {"ed", "+3", "/proj/"}},
    {"OneCharacterFiles", "ed", "@f @f", "/", "line:3", "/proj/", {"ed", "/", "/"}},
    {"OneCharacterRelative", "ed", "@f", "a", "line:3", "/proj/", {"ed", "/proj/a"}},
    {"NoLineNumber", "/ed/ed", "/j@l @f", "src/A.java", "", "/proj/", {"/ed/ed", "/j", "/proj/src/A.java"}},
    {"LineZeroIsText", "ed", "+@l", "a", "line:0", "/p/", {"ed", "+0"}},
    {"NoFileMarker", "ed", "+@l", "src/A.java", "line:9", "/proj/", {"ed", "+9"}},
    {"FileTwice", "ed", "@f:@l @f", "A.java", "line:9", "/p/", {"ed", "/p/A.java:9", "/p/A.java"}},
    {"LineMarkerInTheEditorPath", "/opt/ed@l/ed", "@l", "A.java", "line:5", "/p/", {"/opt/ed5/ed", "5"}},
    {"LineMarkerInTheFileStays", "ed", "@f", "x@ly.java", "line:5", "/p/", {"ed", "/p/x@ly.java"}},
    {"MarkersAreCaseSensitive", "ed", "@L @F @l@f", "A.java", "line:5", "/p/", {"ed", "@L", "@F", "5/p/A.java"}},
    {"EmptySettingsGiveNoWords", "", "", "A.java", "line:5", "/p/", {}},
    {"QuotedEditorPathAndAnEmptyWord", "\"/opt/my ed/ed\"", "\"\" +@l", "A.java", "line:2", "/p/",
     {"/opt/my ed/ed", "", "+2"}},
    // A file with blanks stays one word with or without quotes in the template.
    {"BlanksStayInTheirWord", "ed", "+@l @f \"@f\"", "my src/A.java", "line:2", "/p q/",
     {"ed", "+2", "/p q/my src/A.java", "/p q/my src/A.java"}},
    // 0x83 0x40 is one Shift-JIS character whose second byte has the code of '@'.
    {"ShiftJisTrailByteIsNoMarker", "ed", "\x83@l @l", "A.java", "line:5", "/p/", {"ed", "\x83@l", "5"},
     CodePage::ShiftJis},
    {"ByteWiseInUtf8", "ed", "\x83@l", "A.java", "line:5", "/p/", {"ed", "\x83" "5"}},
};

INSTANTIATE_TEST_SUITE_P(Table, BuildEditorArgumentsTest, testing::ValuesIn(kCommandCases),
                         [](const testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

// The jump itself, with a fake editor that writes its arguments to a file.
class JumpToEditorTest : public testing::Test {
protected:
    void SetUp() override {
        m_editor.path = m_dir.WriteProgram("bin/fake editor", test::NulArgumentWriterScript(m_out));
        m_editor.path = "\"" + m_editor.path + "\"";
        m_editor.format = "+@l \"@f\"";
    }
    void TearDown() override { EXPECT_TRUE(test::HasNoChildren()) << "the jump left a child behind"; }

    Lines JumpAndRead(const Tag& tag) {
        JumpToEditor(&tag.Entry(), m_editor, m_tagsDir, m_sink);
        EXPECT_TRUE(test::WaitForFile(m_out)) << "the editor did not start";
        Lines args = test::SplitAtNul(test::ReadFile(m_out));
        std::filesystem::remove(m_out);
        return args;
    }

    ScratchFolder m_dir{"process"};
    std::string m_out = m_dir / "args.txt";
    std::string m_tagsDir = m_dir.Path() + "/proj/";
    EditorTemplate m_editor;
    RecordingMessageSink m_sink;
};

// Whatever a file name holds, it reaches the editor inside the one word that held "@f": it can
// add no option (an editor's "-c" runs commands) and nothing in it is run by a shell.
TEST_F(JumpToEditorTest, AFileNameIsAlwaysExactlyOneWord) {
    const std::string marker = m_dir / "PWN";
    const std::string names[] = {
        "my file.java",
        "x -c !touch${IFS}" + marker + " .java",
        "d\" -c \"!touch${IFS}" + marker + ".java",
        "it's \"quoted\" \\\".java",
        "$(touch " + marker + ").java `touch " + marker + "`; touch " + marker,
        "two\nlines.java",
        "-c.java",
        "--cmd=!touch " + marker,
    };
    const struct {
        const char* format;
        std::function<Lines(const std::string& path)> expected;
    } templates[] = {
        {"+@l @f", [](const std::string& path) { return Lines{"+12", path}; }},
        {"+@l \"@f\"", [](const std::string& path) { return Lines{"+12", path}; }},
        {"@f:@l", [](const std::string& path) { return Lines{path + ":12"}; }},
    };
    for (const auto& t : templates) {
        m_editor.format = t.format;
        for (const std::string& name : names) {
            SCOPED_TRACE(std::string(t.format) + " with " + name);
            const Tag tag(name, "line:12");
            EXPECT_EQ(JumpAndRead(tag), t.expected(m_tagsDir + name));
        }
    }
    EXPECT_EQ(m_sink.messages, Lines{});
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(JumpToEditorTest, FindsTheEditorAlongPath) {
    m_dir.WriteProgram("path/quarrow-test-editor", test::NulArgumentWriterScript(m_out));
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (m_dir / "path" + ":" + oldPath).c_str(), 1);
    m_editor.path = "quarrow-test-editor";
    m_editor.format = "+@l @f";
    const Tag tag("/abs/日本語/Foo.java", "line:42");
    const Lines args = JumpAndRead(tag);
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(args, (Lines{"+42", "/abs/日本語/Foo.java"}));
}

// The settings dialog's browse button gives a program in a folder with a blank unquoted, and the
// profile gives a quoted one back without its quotes: a path that names a program file as a
// whole is that program, used as it stands ("@l" in its name included). Any other path is split
// as before, so that a path with words of its own ("xterm -e vim") keeps working.
TEST_F(JumpToEditorTest, AnEditorPathNamingAFileIsOneWord) {
    const std::string program = m_dir / "bin/fake editor";
    const std::string profilePath = m_dir.Write("q.INI", "[EDITOR]\nEDITORPATH=\"" + program + "\"\n");
    const Tag tag("src/A.java", "line:12");
    for (const std::string& path : {program, Profile(profilePath).ReadString("EDITOR", "EDITORPATH", "")}) {
        SCOPED_TRACE(path);
        m_editor.path = path;
        m_editor.format = "+@l @f";
        EXPECT_EQ(JumpAndRead(tag), (Lines{"+12", m_tagsDir + "src/A.java"}));
    }
    EXPECT_EQ(m_sink.messages, Lines{});

    const std::string markerInName = m_dir.WriteProgram("bin/ed@l x", "#!/bin/sh\n");
    m_dir.Write("a folder/ed", "");
    const struct {
        std::string editorPath;
        Lines expected;
    } cases[] = {
        {markerInName, {markerInName, "+12"}},
        {m_dir / "no such/ed", {m_dir / "no", "such/ed", "+12"}},
        {m_dir / "a folder", {m_dir / "a", "folder", "+12"}},  // a folder is no program
        {"xterm -e vim", {"xterm", "-e", "vim", "+12"}},
        // A zero byte ends the path for the system, so that text names no file: it is split.
        {program + std::string(1, '\0') + " x", {m_dir / "bin/fake", std::string("editor") + '\0', "x", "+12"}},
        {"\"" + program + "\"", {program, "+12"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.editorPath);
        EXPECT_EQ(BuildEditorArguments(c.editorPath, "+@l", tag.Entry(), m_tagsDir), c.expected);
    }
}

// An editor that cannot be started is named in a message with its path setting, the reason and
// where to change it; no tag, or settings that give no words, start nothing and say nothing.
TEST_F(JumpToEditorTest, AnEditorThatCannotStartIsReported) {
    JumpToEditor(nullptr, m_editor, m_tagsDir, m_sink);
    const Tag tag("A.java", "line:1");
    EditorTemplate missing = m_editor;
    missing.path = "";
    missing.format = "";
    JumpToEditor(&tag.Entry(), missing, m_tagsDir, m_sink);
    EXPECT_EQ(m_sink.messages, Lines{});

    const std::string notAProgram = m_dir.Write("bin/not-a-program", "text\n");
    const struct {
        std::string editorPath;
        int error;
    } cases[] = {
        {m_dir / "no-such-editor", ENOENT},
        {"quarrow-no-such-editor-anywhere", ENOENT},
        {notAProgram, EACCES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.editorPath);
        m_sink.messages.clear();
        missing.path = c.editorPath;
        missing.format = "+@l @f";
        JumpToEditor(&tag.Entry(), missing, m_tagsDir, m_sink);
        EXPECT_EQ(m_sink.messages, Lines{"エディタ " + c.editorPath + " を起動できません。\nパス: " + c.editorPath +
                                         "\n理由: " + std::strerror(c.error) +
                                         "\nエディタは 設定(&S) で変更できます。"});
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(std::filesystem::exists(m_out));
}

}  // namespace
}  // namespace quarrow
