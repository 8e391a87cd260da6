#include "tags/tag_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace quarrow {
namespace {

// Every field of a record as plain text, so that a failing row prints whole.
struct Fields {
    std::string text;
    std::string name;
    std::string file;
    std::string pattern;
    std::string lineNo;
    std::string kind;
    std::string access;
    std::string cls;
    bool operator==(const Fields&) const = default;
};

void PrintTo(const Fields& f, std::ostream* os) {
    *os << "{text=" << testing::PrintToString(f.text) << " name=" << testing::PrintToString(f.name)
        << " file=" << testing::PrintToString(f.file) << " pattern=" << testing::PrintToString(f.pattern)
        << " line=" << testing::PrintToString(f.lineNo) << " kind=" << testing::PrintToString(f.kind)
        << " access=" << testing::PrintToString(f.access) << " class=" << testing::PrintToString(f.cls) << "}";
}

Fields FieldsOf(const CTagEntry& e) {
    return {std::string(e.GetText()), std::string(e.GetName()),   std::string(e.GetFile()),
            e.GetPattern(),           e.GetLineNo(),               std::string(e.GetKind()),
            std::string(e.GetAccess()), std::string(e.GetClass())};
}

struct ParseCase {
    const char* label;
    std::string piece;
    CodePage cp;
    Fields expected;
};

// "$/;\"" closes the pattern and opens the extension fields.
#define END "$/;\""

TEST(TagEntryParse, FieldsOfEveryKindOfLine) {
    const CodePage u = CodePage::Utf8;
    const CodePage sj = CodePage::ShiftJis;
    static constexpr char kWithNul[] = "a\tA.java\0\t/^x" END "\tm\n";
    const std::vector<ParseCase> cases = {
        {"method with class and access",
         "run\tFoo.java\t/^    public void run() {" END "\tm\tline:42\tclass:Foo\taccess:public\n", u,
         {"run\tFoo.java\t/^    public void run() {" END "\tm\tline:42\tclass:Foo\taccess:public", "run", "Foo.java",
          "    public void run() {", "42", "m", "public", "Foo"}},
        {"class without scope", "Foo\tFoo.java\t/^public class Foo {" END "\tc\tline:3\taccess:public\n", u,
         {"Foo\tFoo.java\t/^public class Foo {" END "\tc\tline:3\taccess:public", "Foo", "Foo.java", "public class Foo {",
          "3", "c", "public", ""}},
        {"spaces around file and values", "x\t A.java \t/^int x;" END "\tf\tline: 7 \taccess: private\n", u,
         {"x\t A.java \t/^int x;" END "\tf\tline: 7 \taccess: private", "x", "A.java", "int x;", "7", "f", "private", ""}},
        {"line without digits", "x\tA.java\t/^int x;" END "\tf\tline:abc", u,
         {"x\tA.java\t/^int x;" END "\tf\tline:abc", "x", "A.java", "int x;", "0", "f", "", ""}},
        {"line-number ex-command", "y\tB.java\t42;\"\tf\tline:42\n", u,
         {"y\tB.java\t42;\"\tf\tline:42", "y", "B.java", "", "42", "", "", ""}},
        {"pattern without end marker", "z\tC.java\t/^z() {$/\n", u,
         {"z\tC.java\t/^z() {$/", "z", "C.java", "", "", "", "", ""}},
        {"no TAB", "only-a-name\n", u, {"only-a-name", "only-a-name", "", "", "", "", "", ""}},
        {"pseudo-tag", "!_TAG_FILE_FORMAT\t2\t/extended format; --format=1 will not append ;\" to lines/\n", u,
         {"!_TAG_FILE_FORMAT\t2\t/extended format; --format=1 will not append ;\" to lines/", "", "", "", "", "", "", ""}},
        {"bare pseudo-tag marker", "!_\n", u, {"!_", "", "", "", "", "", "", ""}},
        {"exclamation without underscore", "!x\tA.java\n", u, {"!x\tA.java", "!x", "A.java", "", "", "", "", ""}},
        {"empty line", "\n", u, {}},
        {"piece without LF", "abc\tA.java\t/^abc", u, {"abc\tA.java\t/^abc", "abc", "A.java", "", "", "", "", ""}},
        {"one TAB only", " n m\t  F.java  \n", u, {" n m\t  F.java  ", " n m", "F.java", "", "", "", "", ""}},
        {"first line: is in the pattern", "m\tA.java\t/^// line: 7 x" END "\tm\tline:99\n", u,
         {"m\tA.java\t/^// line: 7 x" END "\tm\tline:99", "m", "A.java", "// line: 7 x", "7", "m", "", ""}},
        {"negative line", "m\tA.java\t/^m" END "\tm\tline:-5\n", u,
         {"m\tA.java\t/^m" END "\tm\tline:-5", "m", "A.java", "m", "-5", "m", "", ""}},
        {"empty line value", "m\tA.java\t/^m" END "\tm\tline:\tclass:C\n", u,
         {"m\tA.java\t/^m" END "\tm\tline:\tclass:C", "m", "A.java", "m", "0", "m", "", "C"}},
        {"line value out of range saturates", "m\tA.java\t/^m" END "\tm\tline:99999999999\n", u,
         {"m\tA.java\t/^m" END "\tm\tline:99999999999", "m", "A.java", "m", "2147483647", "m", "", ""}},
        {"escapes undone", "e\tE.java\t/^a\\/b\\\\c" END "\tm\n", u,
         {"e\tE.java\t/^a\\/b\\\\c" END "\tm", "e", "E.java", "a/b\\c", "", "m", "", ""}},
        {"Shift-JIS 0x5C second byte before a slash is no escape", "h\tH.java\t/^s = \"\x95\x5C/\";" END "\tf\n", sj,
         {"h\tH.java\t/^s = \"\x95\x5C/\";" END "\tf", "h", "H.java", "s = \"\x95\x5C/\";", "", "f", "", ""}},
        {"the same bytes byte-wise are an escape", "h\tH.java\t/^s = \"\x95\x5C/\";" END "\tf\n", u,
         {"h\tH.java\t/^s = \"\x95\x5C/\";" END "\tf", "h", "H.java", "s = \"\x95/\";", "", "f", "", ""}},
        {"Shift-JIS key never starts on a second byte", "\x83line:9\tA.java\t/^x" END "\tm\tline:3\n", sj,
         {"\x83line:9\tA.java\t/^x" END "\tm\tline:3", "\x83line:9", "A.java", "x", "3", "m", "", ""}},
        {"the same key byte-wise", "\x83line:9\tA.java\t/^x" END "\tm\tline:3\n", u,
         {"\x83line:9\tA.java\t/^x" END "\tm\tline:3", "\x83line:9", "A.java", "x", "9", "m", "", ""}},
        {"kind field missing", "k\tK.java\t/^k" END "\tline:12\n", u,
         {"k\tK.java\t/^k" END "\tline:12", "k", "K.java", "k", "12", "line:12", "", ""}},
        {"interface scope is no class", "m\tI.java\t/^void m();" END "\tm\tline:5\tinterface:I\n", u,
         {"m\tI.java\t/^void m();" END "\tm\tline:5\tinterface:I", "m", "I.java", "void m();", "5", "m", "", ""}},
        {"nothing after the end marker", "x\tA.java\t/^x" END, u, {"x\tA.java\t/^x" END, "x", "A.java", "x", "", "", "", ""}},
        {"end marker before the pattern start", "a\tb\t" END "\t/^x\n", u,
         {"a\tb\t" END "\t/^x", "a", "b", "", "", "/^x", "", ""}},
        {"NUL ends the text", std::string(kWithNul, sizeof(kWithNul) - 1), u, {"a\tA.java", "a", "A.java", "", "", "", "", ""}},
    };
    for (const ParseCase& c : cases) {
        CTagEntry entry;
        entry.Parse(c.piece, c.cp);
        EXPECT_EQ(FieldsOf(entry), c.expected) << c.label;
    }
}

#undef END

TEST(TagEntryParse, NewRecordIsEmptyAndLongPiecesAreCut) {
    const CTagEntry fresh;
    EXPECT_EQ(FieldsOf(fresh), Fields{});
    EXPECT_FALSE(fresh.HasLineNo());

    // Callers other than the reader may hand more; the record keeps the 2047-byte bound.
    const std::string longPiece(5000, 'x');
    CTagEntry entry;
    entry.Parse(longPiece, CodePage::Utf8);
    EXPECT_EQ(entry.GetText().size(), CTagEntry::kMaxPiece);
    EXPECT_EQ(entry.GetName().size(), CTagEntry::kMaxPiece);
}

// Byte-wise parsing finds every field in one scan, Shift-JIS parsing searches character by
// character. On bytes that hold no double-byte lead byte the two must agree field by field; the
// random lines are made of the bytes and words the scan reacts to, NULs and LFs included.
TEST(TagEntryParse, ByteScanAgreesWithCharacterSearch) {
    static const std::vector<std::string> kWords = {
        "\t", "\t", "\t", "/^", "$/;\"", "$/;", "$/", "\"", "^", "/", ":", "line:", "line", "class:", "class", "access:",
        "access", "ss:", "!_", "!", "_", " ", "  ", "-", "+", "7", "42", "a", "Foo", "A.java", "m", "\\", std::string(1, '\0'),
        "\n", "\x80", "\xA0", "\xDF",
    };
    std::mt19937 rng(31);
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    for (int round = 0; round < 20000; ++round) {
        std::string piece;
        const std::size_t words = pick(round % 100 == 0 ? 900 : 30);
        for (std::size_t i = 0; i < words; ++i) {
            piece += kWords[pick(kWords.size())];
        }
        if (pick(2) == 0) {
            piece += '\n';
        }
        CTagEntry bytes;
        CTagEntry chars;
        bytes.Parse(piece, CodePage::Utf8);
        chars.Parse(piece, CodePage::ShiftJis);
        ASSERT_EQ(FieldsOf(bytes), FieldsOf(chars)) << testing::PrintToString(piece);
        ASSERT_EQ(bytes.LineNumber(), chars.LineNumber()) << testing::PrintToString(piece);
        ASSERT_EQ(bytes.HasLineNo(), chars.HasLineNo()) << testing::PrintToString(piece);
        for (std::string_view field : {bytes.GetName(), bytes.GetFile(), bytes.GetKind(), bytes.GetAccess(), bytes.GetClass()}) {
            ASSERT_GE(field.data(), bytes.GetText().data());
            ASSERT_LE(field.data() + field.size(), bytes.GetText().data() + bytes.GetText().size());
        }
    }
}

TEST(TagEntryParse, FieldsStayInsideTheRecordWhenItsBytesChangeAfterTheParse) {
    // Each line fills a block of its own exactly, with no byte after it; after the parse the
    // value's bytes turn to blanks, as a mapped file rewritten in place would give them.
    const struct {
        const char* line;
        const char* blanked;  // the value to blank
        bool kind;            // GetKind, else GetFile
    } cases[] = {
        {"run\tMain.java\t/^x$/;\"\tm", "m", true},
        {"run\tMain.java\t/^x$/;\"\t  method", "method", true},
        {"run\tMain.java", "Main.java", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string line = c.line;
        const auto block = std::make_unique<char[]>(line.size());
        std::copy(line.begin(), line.end(), block.get());
        CTagEntry entry;
        entry.Parse({block.get(), line.size()}, CodePage::Utf8);
        const std::string_view before = c.kind ? entry.GetKind() : entry.GetFile();
        ASSERT_EQ(before, c.blanked);
        std::fill_n(block.get() + line.find(c.blanked), std::string_view(c.blanked).size(), ' ');
        const std::string_view after = c.kind ? entry.GetKind() : entry.GetFile();
        EXPECT_GE(after.data(), block.get());
        EXPECT_LE(after.data() + after.size(), block.get() + line.size());
    }
}

TEST(TagEntryParse, RecordPacksSmall) {
    EXPECT_LE(sizeof(CTagEntry), 24u);
}

}  // namespace
}  // namespace quarrow
