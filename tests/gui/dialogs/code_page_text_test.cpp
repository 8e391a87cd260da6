// The code page's text in edit fields: characters where the code page has them, and every byte
// back out unchanged, whatever the bytes are.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "widgets/code_page_text.h"

namespace quarrow::ui {
namespace {

TEST(CodePageText, decodesTheCodePagesCharacters) {
    EXPECT_EQ(EditTextFromBytes("/src/\x93\xfa\x96\x7b\x8c\xea.java \xb1", CodePage::ShiftJis),
              QStringLiteral("/src/日本語.java ｱ"));
    EXPECT_EQ(EditTextFromBytes("/src/\xe6\x97\xa5\xe6\x9c\xac.java", CodePage::Utf8), QStringLiteral("/src/日本.java"));
    EXPECT_EQ(BytesFromEditText(QStringLiteral("/src/日本語.java ｱ"), CodePage::ShiftJis),
              "/src/\x93\xfa\x96\x7b\x8c\xea.java \xb1");
}

TEST(CodePageText, everyByteStringComesBackUnchanged) {
    // Every pair of bytes, one after the other, so that each byte meets every neighbour and both
    // alignments; then random strings.
    std::string pairs;
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            pairs += static_cast<char>(first);
            pairs += static_cast<char>(second);
        }
    }
    std::mt19937 random(9);
    std::vector<std::string> samples{pairs, pairs.substr(1), "\x81", "\xe6\x97", "\xf0\x9f\x98\x80", "\xed\xa0\x80"};
    for (int i = 0; i < 200; ++i) {
        std::string sample(random() % 40, '\0');
        for (char& c : sample) {
            c = static_cast<char>(random() % 256);
        }
        samples.push_back(sample);
    }
    for (const CodePage cp : {CodePage::ShiftJis, CodePage::Utf8}) {
        for (const std::string& bytes : samples) {
            const std::string back = BytesFromEditText(EditTextFromBytes(bytes, cp), cp);
            const auto differ = std::mismatch(back.begin(), back.end(), bytes.begin(), bytes.end());
            ASSERT_EQ(back.size(), bytes.size()) << "code page " << static_cast<int>(cp);
            ASSERT_TRUE(differ.first == back.end())
                << "code page " << static_cast<int>(cp) << ", byte " << (differ.first - back.begin());
        }
    }
}

TEST(CodePageText, undecodableBytesStayVisibleAndEditsKeepThem) {
    // A byte the code page cannot decode takes one character of its own; text typed next to it
    // leaves it as it was.
    const QString shown = EditTextFromBytes("ab\xff", CodePage::ShiftJis);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(BytesFromEditText(shown + QStringLiteral("語"), CodePage::ShiftJis), "ab\xff\x8c\xea");
    EXPECT_EQ(BytesFromEditText(QStringLiteral("x") + shown, CodePage::Utf8), "xab\xff");
}

}  // namespace
}  // namespace quarrow::ui
