#include <gtest/gtest.h>

#include "ctags/run_ctags.h"

namespace quarrow {

// Failure output: each word in brackets, with "(literal)" when it may not be expanded.
void PrintTo(const ArgumentWord& word, std::ostream* out) {
    *out << '[' << word.text << ']' << (word.mayExpand ? "" : "(literal)");
}

namespace {

using Words = std::vector<ArgumentWord>;

constexpr const char* kDefaultTemplate =
    "--langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes --fields=+anmfk --sort=no "
    "-f@tags @target";

// A word that may be expanded, and one that is passed literally.
ArgumentWord W(std::string text) { return {std::move(text), true}; }
ArgumentWord L(std::string text) { return {std::move(text), false}; }

struct WordsCase {
    const char* name;
    std::string paramTemplate;
    std::string tagsPath;
    std::string target;
    bool literalTarget;
    Words expected;
    CodePage cp = CodePage::Utf8;
};

// Failure output names the row rather than dumping its bytes.
void PrintTo(const WordsCase& c, std::ostream* out) { *out << c.name; }

class CtagsArgumentsTest : public testing::TestWithParam<WordsCase> {};

TEST_P(CtagsArgumentsTest, SplitsTheTemplateThenFillsTheWords) {
    const WordsCase& c = GetParam();
    EXPECT_EQ(BuildCtagsArguments(c.paramTemplate, c.tagsPath, c.target, c.literalTarget, c.cp), c.expected);
}

const WordsCase kWordsCases[] = {
    {"DefaultTemplate", kDefaultTemplate, "/home/me/proj/.tags.x", "*", false,
     {W("--langmap=java:+.java"), W("--languages=java"), W("--java-types=+cfimp"), W("--recurse=yes"),
      W("--fields=+anmfk"), W("--sort=no"), L("-f/home/me/proj/.tags.x"), W("*")}},
    {"PathWithBlanksStaysOneWord", "x -f@tags @target", "/a b/x.tags", "src", false,
     {W("x"), L("-f/a b/x.tags"), W("src")}},
    {"EveryOccurrence", "x @tags @target @tags@target", "p", "t", false, {W("x"), L("p"), W("t"), L("pt")}},
    {"NoMarkers", "--version", "p", "t", false, {W("--version")}},
    {"EmptyTemplate", "", "p", "t", false, {}},
    {"CaseSensitive", "@Tags @TARGET @tag", "p", "t", false, {W("@Tags"), W("@TARGET"), W("@tag")}},
    {"MarkerGluedToText", "x @@tagsx @targets", "p", "t", false, {W("x"), L("@px"), W("ts")}},
    {"TargetHoldingTheTagsMarkerStays", "x -f@tags @target", "p", "x@tags", false,
     {W("x"), L("-fp"), W("x@tags")}},
    // A filled-in path is not searched again: the tool writes where the runner looks.
    {"PathHoldingTheTargetMarkerStays", "x -f@tags", "/d/@target", "t", false, {W("x"), L("-f/d/@target")}},
    {"QuotesInThePathStayInItsWord", "x @tags", "/a\" -f \"b", "t", false, {W("x"), L("/a\" -f \"b")}},
    // A target that names nothing is text as typed: its quotes make words, each may be a pattern.
    {"TargetSplitByItsQuotes", "x -f@tags @target", "p", "src\" \"lib", false, {W("x"), L("-fp"), W("src"), W("lib")}},
    {"SplitTargetGluedToText", "x x@targety", "p", "a\" \"b*", false, {W("x"), W("xa"), W("b*y")}},
    {"TargetWithBlanksIsOneWord", "x @target", "p", "my src", false, {W("x"), W("my src")}},
    {"EmptyTarget", "x @target", "p", "", false, {W("x"), W("")}},
    // A target that names a file or folder is one literal word, whatever it holds.
    {"LiteralTargetWithQuotesAndOptions", "x -f@tags @target", "p", "/x/tq\" -f \"/x/victim", true,
     {W("x"), L("-fp"), L("/x/tq\" -f \"/x/victim")}},
    {"LiteralTargetWithGlobCharacters", "x @target", "p", "proj[1]", true, {W("x"), L("proj[1]")}},
    {"TemplateQuotesGroupAroundTheMarker", "x \"--exclude=@target here\"", "p", "a b", true,
     {W("x"), L("--exclude=a b here")}},
    {"JapaneseText", "x -f@tags @target", "/作業/日本語.tags", "ソース", true,
     {W("x"), L("-f/作業/日本語.tags"), L("ソース")}},
    // 0x83 0x40 is one Shift-JIS character whose second byte has the code of '@'.
    {"ShiftJisTrailByteIsNoMarker", "x \x83@tags -f@tags", "p", "t", false, {W("x"), W("\x83@tags"), L("-fp")},
     CodePage::ShiftJis},
    {"ByteWiseInUtf8", "x \x83@tags", "p", "t", false, {W("x"), L("\x83p")}},
    {"ShiftJisAfterWholeCharacters", "x \x83\x40\x83\x40@target", "p", "t", false, {W("x"), W("\x83\x40\x83\x40t")},
     CodePage::ShiftJis},
};

INSTANTIATE_TEST_SUITE_P(Table, CtagsArgumentsTest, testing::ValuesIn(kWordsCases),
                         [](const testing::TestParamInfo<WordsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quarrow
