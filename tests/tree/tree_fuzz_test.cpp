#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "support/file_bytes.h"
#include "support/scratch_folder.h"
#include "tags/quarrow_doc.h"
#include "tests/tree/tree_consistency.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_printer.h"
#include "tree/tree_images.h"

namespace quarrow {
namespace {

// Random bytes, biased towards what the reader, parser and builder react to: separators, TABs,
// line ends, the pattern's markers, Shift-JIS lead bytes and long stretches.
std::string RandomBytes(std::mt19937& rng) {
    static const char* const kWords[] = {"\t", "\n", "\r\n", "/", "//", "/^", "$/;\"", "line:", "access:public",
                                         "class:", "!_", "\x81", "\x95/", "\xE0", "\0", "m", "f", "c",
                                         "p", "i", "a/b/", "A.java", " ", "scope:class:", "struct:",
                                         "::", ".", "\\", "language:C++", "language:Go", "a.c", "b.py", "kind:"};
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    std::string bytes;
    const std::size_t words = pick(2000);
    for (std::size_t i = 0; i < words; ++i) {
        switch (pick(30)) {
        case 0: bytes.append(1500 + pick(1200), static_cast<char>(pick(256))); break;
        case 1: case 2: case 3: bytes += static_cast<char>(pick(256)); break;
        case 4:  // 0x1A ends the file: keep it rare so that most files are read to their end
            if (pick(20) == 0) {
                bytes += '\x1A';
            }
            break;
        default: {
            const char* word = kWords[pick(std::size(kWords))];
            if (word[0] == '\0') {
                bytes.push_back('\0');
            } else {
                bytes.append(word);
            }
        }
        }
    }
    return bytes;
}

TEST(TreeFuzz, RandomFilesLoadSortAndBuildSafely) {
    const test::ScratchFolder dir{"tree-fuzz"};
    const std::string path = dir / "fuzz.tags";
    std::mt19937 rng(20261210);
    std::size_t nodes = 0;
    for (int round = 0; round < 150; ++round) {
        test::WriteFile(path, RandomBytes(rng));
        const CodePage cp = round % 3 == 0 ? CodePage::ShiftJis : CodePage::Utf8;
        CQuarrowDoc doc(nullptr, cp);
        ASSERT_EQ(doc.OpenDocument(path), FileError::None) << "round " << round;

        TagTree tree;
        BuildTagTree(tree, doc.GetTags(), cp);
        test::ExpectConsistent(tree);
        for (TagTree::Id id = 0; id < tree.NodeCount(); ++id) {
            ASSERT_LT(tree.Image(id), 14);
        }
        nodes += tree.NodeCount();
        std::string printed;
        PrintTagTree(tree, printed);

        // The options move member nodes and change images, never add or lose a node.
        for (const TreeOptions options : {TreeOptions{true, false}, TreeOptions{false, true}, TreeOptions{true, true}}) {
            TagTree shown;
            BuildTagTree(shown, doc.GetTags(), cp, options);
            test::ExpectConsistent(shown);
            ASSERT_EQ(shown.NodeCount(), tree.NodeCount()) << "round " << round;
            for (TagTree::Id id = 0; id < shown.NodeCount(); ++id) {
                ASSERT_LT(shown.Image(id), kImageCount);
            }
        }

        // Building again from the same store gives the same tree.
        TagTree again;
        BuildTagTree(again, doc.GetTags(), cp);
        std::string printedAgain;
        PrintTagTree(again, printedAgain);
        EXPECT_EQ(printed, printedAgain) << "round " << round;
    }
    EXPECT_GT(nodes, 2000u);  // the files are not all trivially small
}

}  // namespace
}  // namespace quarrow
