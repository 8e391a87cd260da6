#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace quarrow {
namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<std::string> words;
};

// Failure output names the row rather than dumping its bytes.
void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.name; }

class SplitCommandTextTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandTextTest, GivesTheWords) {
    EXPECT_EQ(SplitCommandText(GetParam().text), GetParam().words);
}

const SplitCase kSplitCases[] = {
    {"Empty", "", {}},
    {"OnlyBlanks", " \t  ", {}},
    {"BlanksAndTabsSeparate", "\ta  b\tc ", {"a", "b", "c"}},
    {"QuotesGroupBlanks", "\"/opt/my editor/ed\" +12 x", {"/opt/my editor/ed", "+12", "x"}},
    {"QuotesInsideAWordAreRemoved", "-f\"/a b/x.tags\" \"*\"", {"-f/a b/x.tags", "*"}},
    {"QuotedPiecesJoinTheirNeighbours", "a\"b c\"d", {"ab cd"}},
    {"EmptyQuotesMakeAnEmptyWord", "a \"\" b", {"a", "", "b"}},
    {"UnclosedQuoteRunsToTheEnd", "ed \"my file  x", {"ed", "my file  x"}},
    {"ShellSyntaxIsPlainText", "ed $(touch x);|&&`id`", {"ed", "$(touch", "x);|&&`id`"}},
    {"BackslashIsPlain", "ed a\\ b \\\"c", {"ed", "a\\", "b", "\\c"}},
    {"MultibyteBytesPassThrough", "\"my src/日本語\" \x83\x5c", {"my src/日本語", "\x83\x5c"}},
};

INSTANTIATE_TEST_SUITE_P(Table, SplitCommandTextTest, testing::ValuesIn(kSplitCases),
                         [](const testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(CommandLineTest, PrintsProgramAndEachArgument) {
    const CommandLine command{"/usr/bin/ed", {"ed", "a b"}};
    EXPECT_EQ(testing::PrintToString(command), "{program [/usr/bin/ed], arguments [ed] [a b]}");
    EXPECT_EQ(command, (CommandLine{"/usr/bin/ed", {"ed", "a b"}}));
    EXPECT_NE(command, (CommandLine{"/usr/bin/ed", {"a b"}}));
}

}  // namespace
}  // namespace quarrow
