#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "exchange_sort_oracle.h"
#include "support/scratch_folder.h"
#include "tags/quarrow_doc.h"
#include "tags/tag_file_reader.h"

namespace quarrow {
namespace {

// Random files made of the bytes and words the reader and parser react to, with stretches long
// enough to cross the 2047-byte piece limit.
std::string RandomTagsBytes(std::mt19937& rng) {
    static const std::vector<std::string> kWords = {
        "\t", "\t", "\t", "\n", "\n", "\r\n", "\r", std::string(1, '\0'), "\x1A", "/^", "$/;\"", "line:", "class:",
        "access:", "\\", "\\/", "\\\\", "/", "!_", "-", "12", " ", "a", "b", "A.java", "B.java", "m", "f",
        "\x81", "\x95\x5C", "\xE0", "\xFC", "\xFF",
    };
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    std::string bytes;
    const std::size_t words = pick(1500);
    for (std::size_t i = 0; i < words; ++i) {
        const std::size_t what = pick(40);
        if (what == 0) {
            bytes.append(1900 + pick(300), 'x');
        } else if (what < 5) {
            bytes += static_cast<char>(pick(256));
        } else {
            const std::string& word = kWords[pick(kWords.size())];
            // 0x1A ends the file: keep it rare so that most files are read to their end.
            if (word == "\x1A" && pick(20) != 0) {
                continue;
            }
            bytes += word;
        }
    }
    return bytes;
}

TEST(LoadFuzz, RandomFilesLoadSortAndParseSafely) {
    test::ScratchFolder dir{"tags"};
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const std::string path = dir.Write("fuzz.tags", RandomTagsBytes(rng));
        const CodePage cp = round % 2 == 0 ? CodePage::Utf8 : CodePage::ShiftJis;

        TagStore unsorted;
        ASSERT_TRUE(ReadTagsFile(path, cp, unsorted));
        std::vector<CTagEntry> input(unsorted.begin(), unsorted.end());
        const std::vector<const char*> expected = test::Identities(test::ExchangeSort(input));

        CQuarrowDoc doc(nullptr, cp);
        ASSERT_EQ(doc.OpenDocument(path), FileError::None);
        const TagStore& store = doc.GetTags();
        ASSERT_EQ(store.size(), input.size());
        for (const CTagEntry& record : store) {
            ASSERT_LE(record.GetText().size(), CTagEntry::kMaxPiece);
            // Every field lies inside the text, and the derived ones stay within their bounds.
            for (std::string_view field : {record.GetName(), record.GetFile(), record.GetKind(), record.GetAccess(), record.GetClass()}) {
                ASSERT_GE(field.data(), record.GetText().data());
                ASSERT_LE(field.data() + field.size(), record.GetText().data() + record.GetText().size());
            }
            ASSERT_LE(record.GetPattern().size(), record.GetText().size());
            ASSERT_LE(record.GetLineNo().size(), 11u);
        }
        // The document's store is the oracle's order.
        const std::vector<std::ptrdiff_t> docOffsets = test::BlockOffsets(test::Identities(store));
        const std::vector<std::ptrdiff_t> oracleOffsets = test::BlockOffsets(expected);
        ASSERT_EQ(docOffsets, oracleOffsets) << "round " << round;
    }
}

}  // namespace
}  // namespace quarrow
