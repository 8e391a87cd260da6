#include "tags/tag_file_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using test::ScratchFolder;

std::vector<std::string> TextsOf(const TagStore& store) {
    std::vector<std::string> texts;
    for (const CTagEntry& record : store) {
        texts.emplace_back(record.GetText());
    }
    return texts;
}

struct ReadCase {
    const char* label;
    std::string bytes;
    std::vector<std::string> texts;  // in file order
};

std::string Xs(std::size_t count) { return std::string(count, 'x'); }

TEST(TagFileReader, CutsLinesAsTheLineBufferDoes) {
    using namespace std::string_literals;
    const std::vector<ReadCase> cases = {
        {"empty file", "", {}},
        {"only pseudo-tags", "!_TAG_FILE_FORMAT\t2\n!_TAG_FILE_SORTED\t0\n", {"!_TAG_FILE_FORMAT\t2", "!_TAG_FILE_SORTED\t0"}},
        {"last line without LF", "a\tA.java\nb\tB.java", {"a\tA.java", "b\tB.java"}},
        {"empty lines", "\n\na\n", {"", "", "a"}},
        {"2046 bytes", Xs(2046) + "\n", {Xs(2046)}},
        {"2047 bytes", Xs(2047) + "\n", {Xs(2047), ""}},
        {"3000 bytes", Xs(3000) + "\n", {Xs(2047), Xs(953)}},
        {"4094 bytes", Xs(4094) + "\n", {Xs(2047), Xs(2047), ""}},
        {"4095 bytes", Xs(4095) + "\n", {Xs(2047), Xs(2047), "x"}},
        {"4095 bytes without LF", Xs(4095), {Xs(2047), Xs(2047), "x"}},
        {"CR LF read as LF", "a\tA.java\r\nb\r\n", {"a\tA.java", "b"}},
        {"CR LF counts as one byte of a piece", Xs(2046) + "\r\n" + "y\r\n", {Xs(2046), "y"}},
        {"lone CR stays", "a\rb\n\r\r\nc\r", {"a\rb", "\r", "c\r"}},
        {"NUL ends the piece's text", "ab\0cd\nef\n"s, {"ab", "ef"}},
        {"NUL in a long line cuts only its piece", "a\0"s + Xs(2045) + "yz\n", {"a", "yz"}},
        {"0x1A ends the file", "a\nb\x1A\nc\n", {"a", "b"}},
        {"0x1A first", "\x1A" "a\n", {}},
    };
    ScratchFolder dir{"tags"};
    for (const ReadCase& c : cases) {
        const std::string path = dir.Write("case.tags", c.bytes);
        TagStore store;
        ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, store)) << c.label;
        EXPECT_EQ(TextsOf(store), c.texts) << c.label;
    }
}

TEST(TagFileReader, CrLfFileLeavesNoCrInAnyField) {
    ScratchFolder dir{"tags"};
    const std::string path =
        dir.Write("crlf.tags", "run\tFoo.java\t/^void run() {$/;\"\tm\tline:4\tclass:Foo\taccess:public\r\n"
                               "Foo\tFoo.java\t/^class Foo {$/;\"\tc\tline:1\r\n");
    TagStore store;
    ASSERT_TRUE(ReadTagsFile(path, CodePage::Utf8, store));
    ASSERT_EQ(store.size(), 2u);
    EXPECT_EQ(store[0].GetAccess(), "public");
    EXPECT_EQ(store[1].GetLineNo(), "1");
    EXPECT_EQ(store[1].GetKind(), "c");
    for (const CTagEntry& record : store) {
        EXPECT_EQ(record.GetText().find('\r'), std::string_view::npos);
    }
}

// Large files are counted in one pass and parsed in two halves; whatever their shape, the records
// must be those of the pieces cut one by one after the text-mode rules.
TEST(TagFileReader, LargeFilesGiveThePiecesOneByOne) {
    std::mt19937 rng(5);
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    auto lines = [&](std::size_t bytes, const std::string& end) {
        std::string text;
        while (text.size() < bytes) {
            const std::size_t n = pick(5000);
            char line[96];
            std::snprintf(line, sizeof line, "m%zu\tF%zu.java\t/^", n, n % 97);
            text += line;
            text += Xs(pick(120));
            std::snprintf(line, sizeof line, "$/;\"\tm\tline:%zu\tclass:C%zu", n, n % 7);
            text += line;
            text += end;
        }
        return text;
    };
    struct LargeCase {
        const char* label;
        std::string bytes;
    };
    const std::string plain = lines(3 << 20, "\n");
    // Reads of large files come in chunks of 4 MiB, each scanned for its lines on its own; these
    // put an LF or a line's start where one chunk meets the next.
    constexpr std::size_t kChunk = std::size_t{4} << 20;
    auto lfAt = [&](std::size_t at) {  // lines, then one line of x's whose LF is byte `at`
        std::string text = lines(at - 1500, "\n");
        text += Xs(at - text.size());
        return text + "\n";
    };
    const std::vector<LargeCase> cases = {
        {"LF lines", plain},
        {"last line without LF", plain + "tail\tT.java"},
        {"a long line in the second half", plain + Xs(5000) + "\n" + lines(1 << 20, "\n")},
        {"a long last line", plain + Xs(2048)},
        {"last line of 2047 bytes", plain + Xs(2047)},
        {"CR LF lines", lines(2 << 20, "\r\n")},
        {"0x1A in the middle", plain.substr(0, plain.size() / 2) + "\x1A" + plain},
        {"one LF at the very middle", Xs(1 << 20) + "\n" + Xs(1 << 20)},
        {"a file of exactly one chunk", lfAt(kChunk - 1)},
        {"LF as the last byte of a chunk", lfAt(kChunk - 1) + lines(kChunk, "\n")},
        {"LF as the first byte of a chunk", lfAt(kChunk) + lines(kChunk, "\n")},
        {"a line of 2046 bytes across two chunks", lfAt(kChunk - 1000) + Xs(2046) + "\n" + plain},
        {"a line of 2047 bytes across two chunks", lfAt(kChunk - 1000) + Xs(2047) + "\n" + plain},
        {"a chunk without LF", plain + Xs(5 << 20) + "\n" + plain},
        {"CR LF only in a later chunk", lines(kChunk + 1000, "\n") + lines(1000, "\r\n")},
    };
    ScratchFolder dir{"tags"};
    for (const LargeCase& c : cases) {
        std::string translated = c.bytes;
        translated.resize(TranslateTextMode(translated.data(), translated.size()));
        std::vector<std::string> expected;
        std::vector<std::string> names;
        std::vector<std::string> classes;
        for (std::size_t pos = 0; pos < translated.size();) {
            const std::size_t length = NextPieceLength(std::string_view(translated).substr(pos));
            CTagEntry entry;
            entry.Parse(std::string_view(translated).substr(pos, length), CodePage::Utf8);
            expected.emplace_back(entry.GetText());
            names.emplace_back(entry.GetName());
            classes.emplace_back(entry.GetClass());
            pos += length;
        }
        TagStore store;
        ASSERT_TRUE(ReadTagsFile(dir.Write("large.tags", c.bytes), CodePage::Utf8, store)) << c.label;
        ASSERT_EQ(TextsOf(store), expected) << c.label;
        for (std::size_t i = 0; i < store.size(); ++i) {
            ASSERT_EQ(store[i].GetName(), names[i]) << c.label << " record " << i;
            ASSERT_EQ(store[i].GetClass(), classes[i]) << c.label << " record " << i;
        }
    }
}

TEST(TagFileReader, RefusesWhatIsNoReadableRegularFile) {
    ScratchFolder dir{"tags"};
    TagStore store;
    // A store that held records is emptied by a failed read.
    ASSERT_TRUE(ReadTagsFile(dir.Write("one.tags", "a\n"), CodePage::Utf8, store));
    ASSERT_EQ(store.size(), 1u);

    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path :
         {dir.File("missing.tags"), dir.Path(), fifo, std::string("/dev/null"), std::string()}) {
        EXPECT_FALSE(ReadTagsFile(path, CodePage::Utf8, store)) << path;
        EXPECT_TRUE(store.empty()) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    if (::geteuid() != 0) {  // root reads every file
        const std::string locked = dir.Write("locked.tags", "a\n");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        EXPECT_FALSE(ReadTagsFile(locked, CodePage::Utf8, store));
        EXPECT_TRUE(store.empty());
    }
}

TEST(TagFileReader, AFileThatReportsNoSizeIsReadWhole) {
    // A kernel file says it holds nothing and has lines all the same.
    struct stat info {};
    if (::stat("/proc/self/status", &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != 0) {
        GTEST_SKIP() << "no kernel file without a size here";
    }
    TagStore store;
    for (const FileAccess access : {FileAccess::Read, FileAccess::Map}) {
        ASSERT_TRUE(ReadTagsFile("/proc/self/status", CodePage::Utf8, store, nullptr, access));
        ASSERT_FALSE(store.empty());
        EXPECT_EQ(store.Records().front().GetName(), "Name:");
    }
}

}  // namespace
}  // namespace quarrow
