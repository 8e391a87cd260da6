#include <thread>

#include <gtest/gtest.h>

#include "scratch_dir.h"
#include "settings/view_settings.h"
#include "tags/tag_entry.h"
#include "tree/editor_command.h"

namespace quarrow {
namespace {

using namespace std::chrono_literals;
using test::ScratchDir;
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
    std::string expected;
    CodePage cp = CodePage::Utf8;
};

// Failure output names the row rather than dumping its bytes.
void PrintTo(const CommandCase& c, std::ostream* out) { *out << c.name; }

class BuildEditorCommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(BuildEditorCommandTest, FillsTheTemplate) {
    const CommandCase& c = GetParam();
    const Tag tag(c.file, c.lineField, c.cp);
    EXPECT_EQ(BuildEditorCommand(c.editorPath, c.format, tag.Entry(), c.tagsDir, c.cp), c.expected);
}

const CommandCase kCommandCases[] = {
    {"AbsoluteFile", "/ed/ed", "/j@l @f", "/src/A.java", "line:120", "/proj/", "/ed/ed /j120 /src/A.java"},
    {"RelativeFileJoinsTheTagsFolder", "/ed/ed", "/j@l @f", "src/A.java", "line:120", "/proj/",
     "/ed/ed /j120 /proj/src/A.java"},
    {"PosixDefaultTemplate", "gvim", "+@l @f", "src/A.java", "line:7", "/proj/", "gvim +7 /proj/src/A.java"},
    {"DriveLetterIsRelativeHere", "ed", "@f", "C:\\src\\A.java", "line:1", "/proj/", "ed /proj/C:\\src\\A.java"},
    {"EmptyFileGivesTheTagsFolder", "ed", "+@l @f", "", "line:3", "/proj/", "ed +3 /proj/"},
    {"OneCharacterFiles", "ed", "@f @f", "/", "line:3", "/proj/", "ed / /"},
    {"OneCharacterRelative", "ed", "@f", "a", "line:3", "/proj/", "ed /proj/a"},
    {"NoLineNumber", "/ed/ed", "/j@l @f", "src/A.java", "", "/proj/", "/ed/ed /j /proj/src/A.java"},
    {"LineZeroIsText", "ed", "+@l", "a", "line:0", "/p/", "ed +0"},
    {"NoFileMarker", "ed", "+@l", "src/A.java", "line:9", "/proj/", "ed +9"},
    {"FileTwice", "ed", "@f:@l @f", "A.java", "line:9", "/p/", "ed /p/A.java:9 /p/A.java"},
    {"LineMarkerInTheEditorPath", "/opt/ed@l/ed", "@l", "A.java", "line:5", "/p/", "/opt/ed5/ed 5"},
    {"LineMarkerInTheFileStays", "ed", "@f", "x@ly.java", "line:5", "/p/", "ed /p/x@ly.java"},
    {"MarkersAreCaseSensitive", "ed", "@L @F @l@f", "A.java", "line:5", "/p/", "ed @L @F 5/p/A.java"},
    {"EmptySettingsKeepTheBlank", "", "", "A.java", "line:5", "/p/", " "},
    {"BlanksAreNotQuoted", "\"/opt/my ed/ed\"", "+@l @f \"@f\"", "my src/A.java", "line:2", "/p q/",
     "\"/opt/my ed/ed\" +2 /p q/my src/A.java \"/p q/my src/A.java\""},
    // 0x83 0x40 is one Shift-JIS character whose second byte has the code of '@'.
    {"ShiftJisTrailByteIsNoMarker", "ed", "\x83@l @l", "A.java", "line:5", "/p/", "ed \x83@l 5", CodePage::ShiftJis},
    {"ByteWiseInUtf8", "ed", "\x83@l", "A.java", "line:5", "/p/", "ed \x83" "5"},
};

INSTANTIATE_TEST_SUITE_P(Table, BuildEditorCommandTest, testing::ValuesIn(kCommandCases),
                         [](const testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

// The jump itself, with a fake editor that writes its arguments to a file.
class JumpToEditorTest : public testing::Test {
protected:
    void SetUp() override {
        m_settings.m_strEditorPath = m_dir.Write("bin/fake editor", test::ArgumentWriterScript(m_out), true);
        m_settings.m_strEditorPath = "\"" + m_settings.m_strEditorPath + "\"";
        m_settings.m_strEditorFormat = "+@l \"@f\"";
    }
    void TearDown() override { EXPECT_TRUE(test::HasNoChildren()) << "the jump left a child behind"; }

    Lines JumpAndRead(const Tag& tag) {
        JumpToEditor(&tag.Entry(), m_settings, m_tagsDir);
        EXPECT_TRUE(test::WaitForFile(m_out)) << "the editor did not start";
        Lines args = test::ReadLines(m_out);
        std::filesystem::remove(m_out);
        return args;
    }

    ScratchDir m_dir;
    std::string m_out = m_dir / "args.txt";
    std::string m_tagsDir = m_dir.Path().string() + "/proj/";
    ViewSettings m_settings;
};

TEST_F(JumpToEditorTest, NothingThatLooksLikeShellSyntaxRunsACommand) {
    const std::string marker = m_dir / "MARKER";
    const std::string names[] = {
        "$(touch " + marker + ").java",
        "`touch " + marker + "`.java",
        "a.java; touch " + marker,
        "a.java | touch " + marker,
        "a.java && touch " + marker,
        "${IFS}'a'.java > " + marker,
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const Tag tag(name, "line:12");
        EXPECT_EQ(JumpAndRead(tag), (Lines{"+12", m_tagsDir + name}));
    }
    // A double quote in the file closes the template's quotes: the words split there, and the
    // pieces still reach the editor as plain words.
    const Tag quoting("a.java\\\"; touch " + marker + " #", "line:12");
    EXPECT_EQ(JumpAndRead(quoting), (Lines{"+12", m_tagsDir + "a.java\\;", "touch", marker, "#"}));
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(JumpToEditorTest, AnUnquotedFileIsSplitAtBlanksButStillRunsNothing) {
    const std::string marker = m_dir / "MARKER";
    m_settings.m_strEditorFormat = "+@l @f";
    const Tag tag("x; touch " + marker, "line:3");
    EXPECT_EQ(JumpAndRead(tag), (Lines{"+3", m_tagsDir + "x;", "touch", marker}));
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(JumpToEditorTest, FindsTheEditorAlongPath) {
    m_dir.Write("path/quarrow-test-editor", test::ArgumentWriterScript(m_out), true);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (m_dir / "path" + ":" + oldPath).c_str(), 1);
    m_settings.m_strEditorPath = "quarrow-test-editor";
    m_settings.m_strEditorFormat = "+@l @f";
    const Tag tag("/abs/日本語/Foo.java", "line:42");
    const Lines args = JumpAndRead(tag);
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(args, (Lines{"+42", "/abs/日本語/Foo.java"}));
}

TEST_F(JumpToEditorTest, NoTagOrNoEditorStartsNothingAndReportsNothing) {
    JumpToEditor(nullptr, m_settings, m_tagsDir);
    const Tag tag("A.java", "line:1");
    ViewSettings missing = m_settings;
    missing.m_strEditorPath = m_dir / "no-such-editor";
    JumpToEditor(&tag.Entry(), missing, m_tagsDir);
    missing.m_strEditorPath = "";
    missing.m_strEditorFormat = "";
    JumpToEditor(&tag.Entry(), missing, m_tagsDir);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(std::filesystem::exists(m_out));
}

}  // namespace
}  // namespace quarrow
