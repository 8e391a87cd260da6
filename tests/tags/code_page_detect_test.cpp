#include "tags/code_page_detect.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/profile.h"
#include "tags/quarrow_doc.h"
#include "tags/tag_file_reader.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using test::ScratchFolder;

// A member whose pattern holds 0x83 before "access:private": read with the Shift-JIS rules the
// "a" is the second byte of a character and the real field is "access:public".
const std::string kShiftJisLine = "\x95\x5c\tA.java\t/^\x83" "access:private$/;\"\tm\tline:1\taccess:public\n";
const std::string kAsciiLine = "main\tmain.c\t/^int main()$/;\"\tf\tline:3\n";

struct DetectCase {
    const char* label;
    std::string bytes;
    CodePage expected;
};

std::string AsciiLines(std::size_t count) {
    std::string lines;
    for (std::size_t i = 0; i < count; ++i) {
        lines += kAsciiLine;
    }
    return lines;
}

const DetectCase kCases[] = {
    {"ASCII only", AsciiLines(3), CodePage::Utf8},
    {"empty", "", CodePage::Utf8},
    // U+8868 in UTF-8 is E8 A1 A8, which is also a Shift-JIS pair and a half-width katakana.
    {"UTF-8, valid in both", "\xE8\xA1\xA8\tA.java\t/^x$/;\"\tc\n", CodePage::Utf8},
    {"UTF-8 only", "\xE3\x81\x82\xE3\x81\x84\tA.java\t/^x$/;\"\tc\n", CodePage::Utf8},
    {"Shift-JIS only", kShiftJisLine, CodePage::ShiftJis},
    {"Shift-JIS after a long ASCII start", AsciiLines(5000) + "ab" + kShiftJisLine, CodePage::ShiftJis},
    // Past the first chunks a large file is read and scanned in, and with the CR LF rules.
    {"Shift-JIS after 5 MB of ASCII", AsciiLines(130000) + kShiftJisLine, CodePage::ShiftJis},
    {"UTF-8 after 5 MB of ASCII", AsciiLines(130000) + "\xE8\xA1\xA8\x80\n", CodePage::Utf8},
    {"Shift-JIS with CR LF", kAsciiLine + "\x95\x5c\r\n", CodePage::ShiftJis},
    {"Shift-JIS half-width katakana", "\xB1\xB2\tA.java\t/^x$/;\"\tc\n", CodePage::ShiftJis},
    {"invalid in both (0xFF)", "\xFF\tA.java\t/^x$/;\"\tc\n", CodePage::Utf8},
    {"invalid in both (0x80 alone)", kAsciiLine + "\x80" + kAsciiLine, CodePage::Utf8},
    {"Shift-JIS lead byte before a tab", "\x95\t\n", CodePage::Utf8},
    // Forms UTF-8 shuts out, that are Shift-JIS pairs: E0 80 | 81 40 and ED A0 | 81 40.
    {"overlong UTF-8 form", "\xE0\x80\x81\x40\n", CodePage::ShiftJis},
    {"UTF-8 surrogate", "\xED\xA0\x81\x40\n", CodePage::ShiftJis},
    // The end of a file still being written cuts a character: the rest decides.
    {"UTF-8 cut at the end", "x\t\xE3\x81\x82\xE3\x81", CodePage::Utf8},
    {"Shift-JIS cut at the end", kShiftJisLine + "\x95", CodePage::ShiftJis},
};

TEST(CodePageDetect, ChoosesShiftJisOnlyForFilesThatAreNotUtf8) {
    for (const DetectCase& c : kCases) {
        EXPECT_EQ(DetectCodePage(c.bytes), c.expected) << c.label;
    }
}

TEST(CodePageDetect, FindsTheFirstHighByteAtAnyOffset) {
    // The ASCII before it is stepped over a word at a time: every place in and after a word.
    for (std::size_t offset = 0; offset < 20; ++offset) {
        const std::string shiftJis = std::string(offset, 'a') + "\x95\x5c";
        const std::string utf8 = std::string(offset, 'a') + "\xE8\xA1\xA8\x80";  // E8 A1 | A8 | 80: not Shift-JIS
        EXPECT_EQ(DetectCodePage(shiftJis), CodePage::ShiftJis) << offset;
        EXPECT_EQ(DetectCodePage(utf8), CodePage::Utf8) << offset;
        EXPECT_FALSE(IsShiftJisText(utf8)) << offset;
        EXPECT_FALSE(IsUtf8Text(shiftJis)) << offset;
    }
}

TEST(CodePageDetect, TheReaderParsesWithTheCodePageItFinds) {
    ScratchFolder dir{"tags"};
    for (const DetectCase& c : kCases) {
        const std::string path = dir.Write("case.tags", c.bytes);
        for (const FileAccess access : {FileAccess::Read, FileAccess::Map}) {
            TagStore store;
            ASSERT_TRUE(ReadTagsFile(path, std::nullopt, store, nullptr, access)) << c.label;
            EXPECT_EQ(store.GetCodePage(), c.expected) << c.label;
        }
    }
    // The fields are read on the found code page's character boundaries.
    const std::string path = dir.Write("sjis.tags", kShiftJisLine);
    TagStore store;
    ASSERT_TRUE(ReadTagsFile(path, std::nullopt, store));
    ASSERT_EQ(store.size(), 1u);
    EXPECT_EQ(store[0].GetAccess(), "public");
    // A code page given is used as it is.
    ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, store));
    EXPECT_EQ(store.GetCodePage(), CodePage::Utf8);
    EXPECT_TRUE(store[0].GetAccess().starts_with("private")) << store[0].GetAccess();

    // The document tells the found code page once it holds the file, and the given one always.
    CQuarrowDoc found(nullptr, std::nullopt);
    ASSERT_EQ(found.OpenDocument(path), FileError::None);
    EXPECT_EQ(found.GetCodePage(), CodePage::ShiftJis);
    EXPECT_FALSE(found.GivenCodePage());
    CQuarrowDoc given(nullptr, CodePage::Utf8);
    ASSERT_EQ(given.OpenDocument(path), FileError::None);
    EXPECT_EQ(given.GetCodePage(), CodePage::Utf8);
}

TEST(CodePageDetect, TheProfileKeyGivesACodePageOrLeavesItToTheBytes) {
    ScratchFolder dir{"tags"};
    Profile profile(dir.File("Quarrow.INI"));
    EXPECT_EQ(ReadTagsCodePage(profile), std::nullopt) << "absent";
    const struct {
        const char* value;
        std::optional<CodePage> expected;
    } cases[] = {
        {"auto", std::nullopt},
        {"65001", CodePage::Utf8},
        {"932", CodePage::ShiftJis},
        {"garbage", std::nullopt},
        {"", std::nullopt},
        {"9320", std::nullopt},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(profile.WriteString("TAGS", "CODEPAGE", c.value));
        EXPECT_EQ(ReadTagsCodePage(profile), c.expected) << c.value;
    }
}

}  // namespace
}  // namespace quarrow
