// The search of a tag's definition in its source as the source is now: one table over real
// tags lines (their ex command and "line:" field) and source files written to a scratch folder.

#include <gtest/gtest.h>

#include <string>

#include "editor/source_refind.h"
#include "editor/tag_address.h"
#include "support/scratch_folder.h"
#include "tags/tag_entry.h"

namespace quarrow {
namespace {

struct RefindCase {
    const char* name;
    std::string tagName;
    std::string exAndFields;  // the tags line from its third field on
    std::string source;       // the file's bytes; "<none>" for no file at all
    std::int64_t line;
    RefindStep step;
    CodePage cp = CodePage::Utf8;
};

void PrintTo(const RefindCase& c, std::ostream* out) { *out << c.name; }

// Ten lines, the definition of run on line 5.
const std::string kRunPattern = "/^    void run() {$/;\"\tm\tline:5";
std::string Lines(int count, const std::string& text = "x") {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += text + std::to_string(i) + "\n";
    }
    return lines;
}
const std::string kRunLine = "    void run() {\n";
const std::string kRunSource = Lines(4) + kRunLine + Lines(5, "y");

const RefindCase kCases[] = {
    {"Unchanged", "run", kRunPattern, kRunSource, 5, RefindStep::Exact},
    {"LineInsertedAbove", "run", kRunPattern, Lines(6) + kRunLine + Lines(5, "y"), 7, RefindStep::Exact},
    {"LinesRemovedAbove", "run", kRunPattern, Lines(2) + kRunLine + Lines(5, "y"), 3, RefindStep::Exact},
    {"IndentationChanged", "run", kRunPattern, Lines(4) + "\t\tvoid  run() {  \n" + Lines(5, "y"), 5,
     RefindStep::Blanks},
    {"TextAfterTheNameChanged", "run", kRunPattern, Lines(5) + "    void run(int times) throws E {\n", 6,
     RefindStep::UpToName},
    {"TextBeforeTheNameChanged", "run", kRunPattern, Lines(5) + "    public synchronized void run() {\n", 6,
     RefindStep::NameAsWord},
    // "runner" holds the name, but not as a word.
    {"DefinitionRemoved", "run", kRunPattern, Lines(4) + "    runner();\n" + Lines(5, "y"), 5, RefindStep::NotFound},
    // Matches on lines 3 and 8: nearest the recorded line wins, the earlier on a tie.
    {"SamePatternTwiceNearestWins", "run", kRunPattern, Lines(2) + kRunLine + Lines(4) + kRunLine, 3,
     RefindStep::Exact},
    {"SamePatternTwiceBelowIsNearer", "run", "/^    void run() {$/;\"\tm\tline:7",
     Lines(2) + kRunLine + Lines(4) + kRunLine, 8, RefindStep::Exact},
    {"SamePatternTwiceTieTakesTheEarlier", "run", "/^    void run() {$/;\"\tm\tline:6",
     Lines(3) + kRunLine + Lines(3) + kRunLine, 4, RefindStep::Exact},
    // A pattern cut short by ctags has no "$" and matches the start of a longer line.
    {"CutPattern", "xx", "/^int xx = 1/;\"\tv\tline:1", "int a;\nint xx = 1; // and a long comment\n", 2,
     RefindStep::Exact},
    {"CutPatternIsNoWholeLine", "xx", "/^int xx = 1$/;\"\tv\tline:1",
     "int xx = 1; // more\nint a;\nint xx = 1\n", 3, RefindStep::Exact},
    // In the file: x = "a/b\\c" $y
    {"EscapedSlashAndBackslashAndDollar", "x", "/^x = \"a\\/b\\\\\\\\c\" $y$/;\"\tv\tline:1",
     "z\nx = \"a/b\\\\c\" $y\n", 2, RefindStep::Exact},
    {"BackwardSearchDelimiter", "x", "?^x = a\\?b/c$?;\"\tv\tline:1", "z\nx = a?b/c\n", 2, RefindStep::Exact},
    {"CrLfSource", "aa", "/^int aa = 1;$/;\"\tv\tline:1", "int z;\r\nint aa = 1;\r\n", 2, RefindStep::Exact},
    // 0x95 0x5C is one Shift-JIS character whose second byte is a backslash; ctags doubles it.
    {"ShiftJisEscapedAsBytes", "xx", "/^int xx; \\/\\/ \x95\\\\$/;\"\tv\tline:1", "int a;\nint xx; // \x95\\\n", 2,
     RefindStep::Exact, CodePage::ShiftJis},
    // A tool that knows the code page leaves the character whole: "\x95\\\\/" there is the
    // character and an escaped slash. Read byte by byte the pattern would end early, at a "/" not
    // followed by ";\"", and match line 2 as a start.
    {"ShiftJisLeftWhole", "xx", "/^int xx; \x95\\\\/$/;\"\tv\tline:1",
     "int a;\nint xx; \x95\\x\nint xx; \x95\\/\n", 3, RefindStep::Exact, CodePage::ShiftJis},
    {"NoLineFieldTakesTheFirst", "run", "/^    void run() {$/;\"\tm", Lines(2) + kRunLine + Lines(4) + kRunLine, 3,
     RefindStep::Exact},
    {"NumberAndPattern", "run", "8;/^    void run() {$/;\"\tm", Lines(2) + kRunLine + Lines(4) + kRunLine, 8,
     RefindStep::Exact},
    {"NumberOnly", "run", "7;\"\tm", kRunSource, 7, RefindStep::NoPattern},
    {"MissingFile", "run", kRunPattern, "<none>", 5, RefindStep::Unreadable},
    {"LastLineWithoutLf", "run", kRunPattern, Lines(5) + "    void run() {", 6, RefindStep::Exact},
};

class TagRefindTest : public testing::TestWithParam<RefindCase> {};

TEST_P(TagRefindTest, FindsTheDefinitionNearestTheRecordedLine) {
    const RefindCase& c = GetParam();
    const test::ScratchFolder dir("refind");
    const std::string path = c.source == "<none>" ? dir / "missing.java" : dir.Write("A.java", c.source);
    const std::string tagsLine = c.tagName + "\tA.java\t" + c.exAndFields + "\n";
    CTagEntry tag;
    tag.Parse(tagsLine, c.cp);
    const TagAddress address = AddressOf(tag, c.cp);
    const RefindResult found = FindTagLineInFile(path, address, RecordedLine(tag, address), tag.GetName());
    EXPECT_EQ(found.line, c.line);
    EXPECT_EQ(found.step, c.step);
}

INSTANTIATE_TEST_SUITE_P(Table, TagRefindTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<RefindCase>& info) { return info.param.name; });

TEST(TagAddressTest, ReadsEveryFormOfTheExCommand) {
    const struct {
        const char* field;
        TagAddress expected;
    } cases[] = {
        {"/^a$/;\"\tf", {0, {{"a", true, true}}}},
        {"/^a b/;\"\tf", {0, {{"a b", true, false}}}},
        {"?^a/b$?;\"\tf", {0, {{"a/b", true, true}}}},
        {"12;\"\tf", {12, {}}},
        {"12;/^a$/;\"", {12, {{"a", true, true}}}},
        {"/^a\\\\\\/$$/;\"", {0, {{"a\\/$", true, true}}}},
        // A line cut before its closing delimiter keeps what there is, as a start of the line.
        {"/^int a", {0, {{"int a", true, false}}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseExCommand(c.field, CodePage::Utf8), c.expected) << c.field;
    }
}

}  // namespace
}  // namespace quarrow
