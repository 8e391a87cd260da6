#include <gtest/gtest.h>

#include <string>

#include "tree/tag_tree_builder.h"

namespace quarrow {
namespace {

struct PathCase {
    std::string path;
    CodePage cp;
    std::string directory;
    std::string fileName;
};

TEST(DirectoryOfAndFileNameOf, SplitAtTheLastSeparator) {
    const PathCase cases[] = {
        {"Foo.java", CodePage::Utf8, "", "Foo.java"},
        {"", CodePage::Utf8, "", ""},
        {"src/Foo.java", CodePage::Utf8, "src", "Foo.java"},
        {"/work/src/Foo.java", CodePage::Utf8, "/work/src", "Foo.java"},
        {"/Foo.java", CodePage::Utf8, "", "Foo.java"},
        {"src/", CodePage::Utf8, "src", ""},
        {"a//b", CodePage::Utf8, "a/", "b"},
        {"dir name/My Foo.java", CodePage::Utf8, "dir name", "My Foo.java"},
        // UTF-8 names split byte-wise: "日本/語.java".
        {"\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E.java", CodePage::Utf8, "\xE6\x97\xA5\xE6\x9C\xAC",
         "\xE8\xAA\x9E.java"},
        // Shift-JIS: "表" is 0x95 0x5C, its second byte the backslash's; it is no separator here.
        {"\x95\x5C/\x95\x5C.java", CodePage::ShiftJis, "\x95\x5C", "\x95\x5C.java"},
        {"src/\x83\x5C\x83\x74\x83\x67.java", CodePage::ShiftJis, "src", "\x83\x5C\x83\x74\x83\x67.java"},
        // '/' is never the second byte of a valid Shift-JIS character, so a stray lead byte before
        // it does not hide it: the file system splits there too, and both functions agree.
        {"dir\x81/Foo.java", CodePage::ShiftJis, "dir\x81", "Foo.java"},
        // "あ" in UTF-8 (E3 81 82) read as Shift-JIS ends in a lead byte.
        {"\xE3\x81\x82/Foo.java", CodePage::ShiftJis, "\xE3\x81\x82", "Foo.java"},
        {"a/\x81", CodePage::ShiftJis, "a", "\x81"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryOf(c.path, c.cp), c.directory) << c.path;
        EXPECT_EQ(FileNameOf(c.path), c.fileName) << c.path;
    }
}

TEST(DirectoryOf, ReturnsAViewIntoThePath) {
    const std::string_view path = "src/Foo.java";
    EXPECT_EQ(DirectoryOf(path, CodePage::Utf8).data(), path.data());
    EXPECT_EQ(FileNameOf(path).data(), path.data() + 4);
}

TEST(FindLastSeparator, StepsOverDoubleByteCharactersForASeparatorThatCanBeASecondByte) {
    // A backslash separator (0x5C) can be the second byte of a Shift-JIS character.
    EXPECT_EQ(FindLastSeparator("a\\\x95\x5C", CodePage::ShiftJis, '\\'), 1u);
    EXPECT_EQ(FindLastSeparator("a\\\x95\x5C", CodePage::Utf8, '\\'), 3u);
    EXPECT_EQ(FindLastSeparator("\x95\x5C", CodePage::ShiftJis, '\\'), std::string_view::npos);
    EXPECT_EQ(FindLastSeparator("\x95\x5C\\x", CodePage::ShiftJis, '\\'), 2u);
    EXPECT_EQ(FindLastSeparator("\x81/x", CodePage::ShiftJis, '/'), 1u);
}

}  // namespace
}  // namespace quarrow
