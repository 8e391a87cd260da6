#include "platform/wildcard_expansion.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using test::ScratchFolder;
using Words = std::vector<std::string>;

class WildcardExpansionTest : public testing::Test {
protected:
    void SetUp() override {
        // A folder name holding glob characters itself: only the word is a pattern.
        for (const char* name : {"b.java", "a.java", "sub/c.java", ".hidden", "x[1].txt"}) {
            m_dir.Write(m_folder + "/" + name, "");
        }
    }
    std::string Folder() const { return m_dir / m_folder; }

    ScratchFolder m_dir{"process"};
    std::string m_folder = "my [src]* 日本";
};

TEST_F(WildcardExpansionTest, ExpandsRelativeWordsInTheFolderSorted) {
    EXPECT_EQ(ExpandWildcards({"ctags*", "-R", "*"}, Folder()),
              (Words{"ctags*", "-R", "a.java", "b.java", "sub", "x[1].txt"}));
    EXPECT_EQ(ExpandWildcards({"t", "sub/*.java", "?.java"}, Folder()),
              (Words{"t", "sub/c.java", "a.java", "b.java"}));
}

TEST_F(WildcardExpansionTest, LeavesOptionsUnmatchedAndPlainWordsAlone) {
    EXPECT_EQ(ExpandWildcards({"t", "-f*", "--x=?", "*.cpp", "plain", "x[1].txt"}, Folder()),
              (Words{"t", "-f*", "--x=?", "*.cpp", "plain", "x[1].txt"}));
    EXPECT_EQ(ExpandWildcards(Words{}, Folder()), Words{});
    // Only the part before a NUL byte would reach glob(3), matching the folder itself.
    const std::string withNul("\0?", 2);
    EXPECT_EQ(ExpandWildcards({"t", withNul}, Folder()), (Words{"t", withNul}));
}

// The names a pattern found are told apart from the words given.
TEST_F(WildcardExpansionTest, MarksTheNamesFound) {
    EXPECT_EQ(ExpandWildcardsMarked({{"t", true}, {"?.java", true}, {"-R", true}, {"*.none", true}}, Folder()),
              (std::vector<ExpandedWord>{{"t", false}, {"a.java", true}, {"b.java", true}, {"-R", false}, {"*.none", false}}));
}

// A word that holds a name from data is never a pattern, whatever characters it holds.
TEST_F(WildcardExpansionTest, LiteralWordsStayAsTheyAre) {
    EXPECT_EQ(ExpandWildcards(std::vector<ArgumentWord>{{"t", true}, {"x[1].txt", false}, {"*", false}, {"?.java", true}},
                              Folder()),
              (Words{"t", "x[1].txt", "*", "a.java", "b.java"}));
}

TEST_F(WildcardExpansionTest, AbsolutePatternsGiveAbsoluteNames) {
    const std::string sub = m_dir / "plain";
    m_dir.Write("plain/one.java", "");
    EXPECT_EQ(ExpandWildcards({"t", sub + "/*.java"}, Folder()), (Words{"t", sub + "/one.java"}));
}

}  // namespace
}  // namespace quarrow
