// A whole tags file through what opening it in the window does: the reader, the store order and
// the tree builder. The first input byte picks the code page (its lowest bit: 0 UTF-8, 1
// Shift-JIS); the rest is the file.
//
// Checks: the document opens every regular file; every record's fields lie inside its text; the
// order is the plain exchange sort's (for stores small enough for the quadratic reference); the
// tree hangs together, uses only known images, and builds the same a second time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "scratch_folder.h"
#include "tags/quarrow_doc.h"
#include "tags/tag_file_reader.h"
#include "tests/tags/exchange_sort_oracle.h"
#include "tests/tree/tree_consistency_check.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_printer.h"
#include "tree/tree_images.h"

namespace {

using namespace quarrow;

// The reference sort is quadratic: beyond this many records it would slow the fuzzer down.
constexpr std::size_t kOracleRecords = 400;

void CheckRecords(const TagStore& store) {
    for (const CTagEntry& record : store) {
        const std::string_view text = record.GetText();
        FUZZ_CHECK(text.size() <= CTagEntry::kMaxPiece);
        for (const std::string_view field :
             {record.GetName(), record.GetFile(), record.GetKind(), record.GetAccess(), record.GetClass()}) {
            if (!field.empty()) {
                FUZZ_CHECK(field.data() >= text.data() && field.data() + field.size() <= text.data() + text.size());
            }
        }
        FUZZ_CHECK(record.GetPattern().size() <= text.size());
    }
}

// The order the document gives must be the exchange sort's order of the same file.
void CheckOrder(const std::string& path, CodePage cp, const TagStore& sorted) {
    TagStore unsorted;
    FUZZ_CHECK(ReadTagsFile(path, cp, unsorted));
    FUZZ_CHECK(unsorted.size() == sorted.size());
    if (unsorted.size() > kOracleRecords) {
        return;
    }
    const std::vector<CTagEntry> input(unsorted.begin(), unsorted.end());
    FUZZ_CHECK(test::BlockOffsets(test::Identities(sorted)) ==
               test::BlockOffsets(test::Identities(test::ExchangeSort(input))));
}

void CheckTree(const TagStore& store, CodePage cp) {
    TagTree tree;
    BuildTagTree(tree, store, cp);
    const std::string problem = test::FirstInconsistency(tree);
    if (!problem.empty()) {
        std::fprintf(stderr, "inconsistent tree: %s\n", problem.c_str());
    }
    FUZZ_CHECK(problem.empty());
    for (TagTree::Id id = 0; id < tree.NodeCount(); ++id) {
        FUZZ_CHECK(tree.Image(id) >= 0 && static_cast<std::size_t>(tree.Image(id)) < kTreeImageIds.size());
    }
    std::string printed;
    PrintTagTree(tree, printed);

    TagTree again;
    BuildTagTree(again, store, cp);
    std::string printedAgain;
    PrintTagTree(again, printedAgain);
    FUZZ_CHECK(printed == printedAgain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const CodePage cp = (data[0] & 1) != 0 ? CodePage::ShiftJis : CodePage::Utf8;
    const std::string path =
        fuzz::Scratch().Write("fuzz.tags", std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

    CQuarrowDoc doc(nullptr, cp);
    FUZZ_CHECK(doc.OpenDocument(path) == FileError::None);
    CheckRecords(doc.GetTags());
    CheckOrder(path, cp, doc.GetTags());
    CheckTree(doc.GetTags(), cp);
    return 0;
}
