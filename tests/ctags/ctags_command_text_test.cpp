#include <gtest/gtest.h>

#include "ctags/run_ctags.h"

namespace quarrow {
namespace {

constexpr const char* kDefaultTemplate =
    "--langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes --fields=+anmfk --sort=no "
    "-f@tags @target";

struct TextCase {
    const char* name;
    std::string paramTemplate;
    std::string tagsPath;
    std::string target;
    CodePage cp;
    std::string expected;
};

// Failure output names the row rather than dumping its bytes.
void PrintTo(const TextCase& c, std::ostream* out) { *out << c.name; }

class CtagsCommandTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(CtagsCommandTextTest, ReplacesTheMarkers) {
    const TextCase& c = GetParam();
    EXPECT_EQ(BuildCtagsCommandText(c.paramTemplate, c.tagsPath, c.target, c.cp), c.expected);
}

const TextCase kTextCases[] = {
    {"DefaultTemplate", kDefaultTemplate, "/home/me/proj/tags", "*", CodePage::Utf8,
     "--langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes --fields=+anmfk --sort=no "
     "-f\"/home/me/proj/tags\" \"*\""},
    {"PathWithBlanks", "-f@tags @target", "/a b/x.tags", "src", CodePage::Utf8, "-f\"/a b/x.tags\" \"src\""},
    {"EveryOccurrence", "@tags @target @tags@target", "p", "t", CodePage::Utf8, "\"p\" \"t\" \"p\"\"t\""},
    {"NoMarkers", "--version", "p", "t", CodePage::Utf8, "--version"},
    {"EmptyTemplate", "", "p", "t", CodePage::Utf8, ""},
    {"CaseSensitive", "@Tags @TARGET @tag", "p", "t", CodePage::Utf8, "@Tags @TARGET @tag"},
    {"MarkerGluedToText", "@@tagsx @targets", "p", "t", CodePage::Utf8, "@\"p\"x \"t\"s"},
    {"TargetHoldingTheTagsMarkerStays", "-f@tags @target", "p", "x@tags", CodePage::Utf8, "-f\"p\" \"x@tags\""},
    {"PathHoldingTheTargetMarkerGetsTheTarget", "-f@tags", "/d/@target", "t", CodePage::Utf8, "-f\"/d/\"t\"\""},
    {"QuotesAreNotEscaped", "@tags @target", "/a\"b", "c\" d", CodePage::Utf8, "\"/a\"b\" \"c\" d\""},
    {"JapaneseText", "-f@tags @target", "/作業/日本語.tags", "ソース", CodePage::Utf8,
     "-f\"/作業/日本語.tags\" \"ソース\""},
    // 0x83 0x40 is one Shift-JIS character whose second byte has the code of '@'.
    {"ShiftJisTrailByteIsNoMarker", "\x83@tags -f@tags", "p", "t", CodePage::ShiftJis, "\x83@tags -f\"p\""},
    {"ByteWiseInUtf8", "\x83@tags", "p", "t", CodePage::Utf8, "\x83\"p\""},
    {"ShiftJisAfterWholeCharacters", "\x83\x40\x83\x40@target", "p", "t", CodePage::ShiftJis,
     "\x83\x40\x83\x40\"t\""},
};

INSTANTIATE_TEST_SUITE_P(Table, CtagsCommandTextTest, testing::ValuesIn(kTextCases),
                         [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quarrow
