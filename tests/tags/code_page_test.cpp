#include "tags/code_page.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quarrow {
namespace {

// The search as the rule states it: walk the characters from the first byte and try each one.
std::size_t FindByWalking(CodePage cp, std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t pos = 0; pos < text.size(); pos += CharWidthAt(cp, text, pos)) {
        if (pos >= from && text.substr(pos, needle.size()) == needle) {
            return pos;
        }
    }
    return std::string_view::npos;
}

TEST(CodePage, SearchNeverStartsOnASecondByte) {
    // 0x83 0x6C is one Shift-JIS character, so "line:" starts only at the second "l".
    const std::string text = "\x83line:1 line:2";
    EXPECT_EQ(FindText(CodePage::ShiftJis, text, "line:"), 8u);
    EXPECT_EQ(FindText(CodePage::Utf8, text, "line:"), 1u);
    EXPECT_EQ(FindLastByte(CodePage::ShiftJis, "a/\x95/", '/'), 1u);
    EXPECT_EQ(FindLastByte(CodePage::Utf8, "a/\x95/", '/'), 3u);

    std::mt19937 rng(3);
    const std::string alphabet = "l:ine\x81\x95\xE0\xFC/^";
    for (int round = 0; round < 20000; ++round) {
        std::string hay;
        for (std::size_t n = rng() % 24; n > 0; --n) {
            hay += alphabet[rng() % alphabet.size()];
        }
        std::string needle;
        for (std::size_t n = 1 + rng() % 3; n > 0; --n) {
            needle += alphabet[rng() % alphabet.size()];
        }
        const std::size_t from = rng() % 6;
        for (CodePage cp : {CodePage::ShiftJis, CodePage::Utf8}) {
            ASSERT_EQ(FindText(cp, hay, needle, from), FindByWalking(cp, hay, needle, from))
                << testing::PrintToString(hay) << " " << testing::PrintToString(needle) << " from " << from;
        }
    }
}

}  // namespace
}  // namespace quarrow
