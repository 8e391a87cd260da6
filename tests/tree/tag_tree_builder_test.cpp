#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tags/tag_order.h"
#include "tests/tree/test_store.h"
#include "tree/member_placement.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_printer.h"

namespace quarrow {
namespace {

// One tags line as ctags writes it; an empty access leaves the field out.
std::string T(const std::string& name, const std::string& file, const std::string& kind, const std::string& access = {}) {
    std::string line = name + '\t' + file + "\t/^  x;$/;\"\t" + kind + "\tline:1";
    if (!access.empty()) {
        line += "\taccess:" + access;
    }
    return line + '\n';
}

std::string Print(const TagStore& store, CodePage cp = CodePage::Utf8) {
    TagTree tree;
    BuildTagTree(tree, store, cp);
    std::string out;
    PrintTagTree(tree, out);
    return out;
}

struct BuildCase {
    const char* name;
    std::string tags;  // in store order
    std::string tree;  // as printed
};

// A failing row is reported by its name, not by its bytes.
void PrintTo(const BuildCase& c, std::ostream* out) { *out << c.name; }

class BuildTagTreeTest : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildTagTreeTest, PrintsTheExpectedTree) {
    const BuildCase& c = GetParam();
    EXPECT_EQ(Print(test::MakeStore(c.tags)), c.tree);
}

const BuildCase kBuildCases[] = {
    {"EmptyStore", "", ""},
    {"OnlyPseudoTags",
     "!_TAG_FILE_FORMAT\t2\t/extended format/\n!_TAG_FILE_SORTED\t0\t//\n!_\n", ""},
    {"OneFileInADirectory_ExpandsDirectoryAndFile",
     "!_TAG_FILE_FORMAT\t2\t/x/\n" + T("shapes", "com/shapes/Shape.java", "p") +
         T("Shape", "com/shapes/Shape.java", "i", "public") + T("Circle", "com/shapes/Shape.java", "c") +
         T("radius", "com/shapes/Shape.java", "f", "private") + T("area", "com/shapes/Shape.java", "m", "public") +
         T("scale", "com/shapes/Shape.java", "m", "protected") + T("id", "com/shapes/Shape.java", "f"),
     "12 com/shapes [expanded]\n"
     "  11 Shape.java [expanded]\n"
     "    9 shapes\n"
     "    10 Shape\n"
     "    8 Circle\n"
     "    1 radius\n"
     "    7 area\n"
     "    6 scale\n"
     "    0 id\n"},
    {"TwoFiles_ExpandNothing",
     T("A", "src/A.java", "c") + T("a", "src/A.java", "m", "default") + T("B", "src/B.java", "c"),
     "12 src\n"
     "  11 A.java\n"
     "    8 A\n"
     "    4 a\n"
     "  11 B.java\n"
     "    8 B\n"},
    {"FileWithoutFolderFirst_GoesToTopLevelAndIsExpandedAlone",
     T("Foo", "Foo.java", "c") + T("x", "Foo.java", "f", "public"),
     "11 Foo.java [expanded]\n"
     "  8 Foo\n"
     "  3 x\n"},
    {"FileWithoutFolderAfterAFolder_GoesUnderThatFolder",
     T("A", "src/A.java", "c") + T("Foo", "Foo.java", "c"),
     "12 src\n"
     "  11 A.java\n"
     "    8 A\n"
     "  11 Foo.java\n"
     "    8 Foo\n"},
    {"RelativeAndAbsoluteFiles",
     T("Foo", "src/Foo.java", "c") + T("Bar", "/work/src/Bar.java", "c") + T("Baz", "/Baz.java", "c"),
     "12 src\n"
     "  11 Foo.java\n"
     "    8 Foo\n"
     "12 /work/src\n"
     "  11 Bar.java\n"
     "    8 Bar\n"
     "  11 Baz.java\n"
     "    8 Baz\n"},
    {"EmptyName_MakesFolderAndFileButNoMember",
     T("", "src/A.java", "c") + T("", "lib/B.java", "c") + T("b", "lib/B.java", "m"),
     "12 src\n"
     "  11 A.java\n"
     "12 lib\n"
     "  11 B.java\n"
     "    4 b\n"},
    {"EmptyFilesFirst_AreTopLevelMembers",
     "only-a-name\n" + T("lone", "", "c") + T("A", "src/A.java", "c"),
     "0 only-a-name\n"
     "8 lone\n"
     "12 src [expanded]\n"
     "  11 A.java [expanded]\n"
     "    8 A\n"},
    {"EmptyFileAfterAFile_IsAFileWithAnEmptyLabel",
     T("A", "src/A.java", "c") + T("lone", "", "m", "public") + T("B", "src/B.java", "c"),
     "12 src\n"
     "  11 A.java\n"
     "    8 A\n"
     "  11 \n"
     "    7 lone\n"
     "  11 B.java\n"
     "    8 B\n"},
    {"FolderAroundASubfolder_GetsTwoNodes",
     T("b", "A/b.java", "c") + T("c", "A/sub/c.java", "c") + T("z", "A/z.java", "c"),
     "12 A\n"
     "  11 b.java\n"
     "    8 b\n"
     "12 A/sub\n"
     "  11 c.java\n"
     "    8 c\n"
     "12 A\n"
     "  11 z.java\n"
     "    8 z\n"},
    {"FileComingBack_GetsASecondNode",
     T("a", "src/A.java", "m") + T("b", "src/B.java", "m") + T("c", "src/A.java", "m"),
     "12 src\n"
     "  11 A.java\n"
     "    4 a\n"
     "  11 B.java\n"
     "    4 b\n"
     "  11 A.java\n"
     "    4 c\n"},
    {"AccessWordsMatchExactly",
     T("a", "A.java", "m", "public") + T("b", "A.java", "m", "Public") + T("c", "A.java", "m") +
         T("d", "A.java", "f", "private") + T("e", "A.java", "x", "public") + T("f", "A.java", "", "public"),
     "11 A.java [expanded]\n"
     "  7 a\n"
     "  4 b\n"
     "  4 c\n"
     "  1 d\n"
     "  0 e\n"
     "  0 f\n"},
    {"PseudoTagsBetweenTags_AreSkipped",
     T("a", "src/A.java", "m") + "!_TAG_PROGRAM_NAME\tctags\t//\n" + T("b", "src/A.java", "m"),
     "12 src [expanded]\n"
     "  11 A.java [expanded]\n"
     "    4 a\n"
     "    4 b\n"},
    {"ExclamationWithoutUnderscore_IsATag",
     T("!x", "src/A.java", "m"),
     "12 src [expanded]\n"
     "  11 A.java [expanded]\n"
     "    4 !x\n"},
    {"NoFileAfterAFolderlessFile_KeepsTheFolderNode",
     T("a", "d/A.java", "m") + T("b", "B.java", "m") + T("c", "d/C.java", "m"),
     // "d" is still the current folder when d/C.java comes, so C.java joins the first node.
     "12 d\n"
     "  11 A.java\n"
     "    4 a\n"
     "  11 B.java\n"
     "    4 b\n"
     "  11 C.java\n"
     "    4 c\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, BuildTagTreeTest, testing::ValuesIn(kBuildCases),
                         [](const testing::TestParamInfo<BuildCase>& info) { return info.param.name; });

TEST(BuildTagTree, NodesCarryTheirRecords) {
    const TagStore store = test::MakeStore(T("A", "src/A.java", "c") + T("a", "src/A.java", "m") +
                                           T("B", "src/B.java", "c"));
    TagTree tree;
    BuildTagTree(tree, store);
    const TagTree::Id dir = tree.Child(TagTree::kRoot, 0);
    EXPECT_EQ(tree.Tag(dir), nullptr);
    const TagTree::Id fileA = tree.Child(dir, 0);
    const TagTree::Id fileB = tree.Child(dir, 1);
    // A file node carries the first tag of its run, a member its own.
    EXPECT_EQ(tree.Tag(fileA), &store[0]);
    EXPECT_EQ(tree.Tag(tree.Child(fileA, 0)), &store[0]);
    EXPECT_EQ(tree.Tag(tree.Child(fileA, 1)), &store[1]);
    EXPECT_EQ(tree.Tag(fileB), &store[2]);
    // Labels view the store's bytes.
    EXPECT_EQ(tree.Label(tree.Child(fileA, 1)).data(), store[1].GetName().data());
}

TEST(BuildTagTree, RebuildingReplacesTheWholeTree) {
    const TagStore first = test::MakeStore(T("a", "x/A.java", "m") + T("b", "y/B.java", "m"));
    const TagStore second = test::MakeStore(T("c", "z/C.java", "m"));
    TagTree tree;
    BuildTagTree(tree, first);
    BuildTagTree(tree, second);
    std::string out;
    PrintTagTree(tree, out);
    EXPECT_EQ(out, "12 z [expanded]\n  11 C.java [expanded]\n    4 c\n");
}

// A build with a progress object counts every record and stops where a file begins once it is
// asked to, leaving the tree empty.
TEST(BuildTagTree, ReportsProgressAndStopsWhenAsked) {
    const TagStore store = test::MakeStore(T("A", "src/A.java", "c") + T("a", "src/A.java", "m") +
                                           T("B", "src/B.java", "c"));
    TagTree tree;
    LoadProgress progress;
    EXPECT_TRUE(BuildTagTree(tree, store, CodePage::Utf8, {}, &progress));
    EXPECT_EQ(progress.Stage(), LoadStage::Building);
    EXPECT_EQ(progress.Total(), 3U);
    EXPECT_EQ(progress.Done(), 3U);
    EXPECT_GT(tree.NodeCount(), 0U);

    LoadProgress stopped;
    stopped.Cancel();
    EXPECT_FALSE(BuildTagTree(tree, store, CodePage::Utf8, {}, &stopped));
    EXPECT_EQ(tree.NodeCount(), 0U);
}

// An ordered store tells where its files begin, and the build then compares no files within one:
// the tree is the one a build that compares every record's file makes, with every option, also
// where a file begins with header lines, has a line without a name or there is a line without a
// file first.
TEST(BuildTagTree, TrustingTheStoresFileStartsChangesNoTree) {
    const std::string tags = std::string("lonely\n!_TAG_X\tsrc/B.java\t//\n") + T("b", "src/B.java", "m") +
                             T("a", "src/B.java", "f", "public") + "!_TAG_FILE_FORMAT\t2\t/x/\n" +
                             T("x", "2", "m") + "\tsrc/C.java\t/^x$/;\"\tm\n" + T("c", "lib/C.java", "c") +
                             T("A", "src/A.java", "c") + "\n" + T("d", "src/C.java", "m", "private") +
                             "!_TAG_PROGRAM_NAME\tctags\t//\n" + T("e", "src/C.java", "m");
    for (const bool nest : {false, true}) {
        for (const bool icons : {false, true}) {
            TreeOptions options;
            options.nestScopes = nest;
            options.languageIcons = icons;
            TagStore withStarts = test::MakeStore(tags);
            TagStore without = test::MakeStore(tags);
            std::vector<std::uint32_t> starts;
            const std::vector<std::uint32_t> order = TagRecordOrder(withStarts.Records(), nullptr, &starts);
            ASSERT_FALSE(starts.empty());
            withStarts.SetOrder(order, starts);
            without.SetOrder(order);
            std::string trusted;
            std::string compared;
            TagTree tree;
            BuildTagTree(tree, withStarts, CodePage::Utf8, options);
            PrintTagTree(tree, trusted);
            BuildTagTree(tree, without, CodePage::Utf8, options);
            PrintTagTree(tree, compared);
            EXPECT_EQ(trusted, compared) << "nest " << nest << ", icons " << icons;
            EXPECT_NE(compared.find("11 B.java"), std::string::npos);
        }
    }
}

// With an option on, the members' images and parents are worked out in ranges of the store,
// which two threads share. Cut wherever a file may begin, down to ranges of one record, the tree
// is the one of a single range: also where header lines, a line without a file or one without a
// name lie between files, and where a parent comes after its child. A stop asked for before the
// build ends it at the first range, with the tree empty.
TEST(BuildTagTree, CuttingTheOptionsWorkIntoRangesChangesNoTree) {
    auto scoped = [](const std::string& name, const std::string& file, const std::string& scope) {
        return name + '\t' + file + "\t/^x$/;\"\tm\tclass:" + scope + '\n';
    };
    // Files of one run each, and runs broken by a header line or a line without a file, with a
    // parent after its child across the break.
    const std::string oneFile = scoped("b", "a/x.py", "A") + T("A", "a/x.py", "c") + scoped("a", "a/x.py", "A");
    const std::string mixed = std::string("lonely\n!_TAG_X\tsrc/B.java\t//\n") + scoped("b", "src/B.java", "a") +
                              T("a", "src/B.java", "f", "public") + "!_TAG_FILE_FORMAT\t2\t/x/\n" + T("x", "2", "m") +
                              "\tsrc/C.java\t/^x$/;\"\tm\n" + T("c", "lib/C.java", "c") + scoped("n", "src/A.java", "A") +
                              T("A", "src/A.java", "c") + scoped("m", "src/A.java", "A") + "\n" +
                              T("d", "src/C.java", "m", "private") + "!_TAG_PROGRAM_NAME\tctags\t//\n" +
                              T("e", "src/C.java", "m") + scoped("p", "src/D.java", "D") + "!_TAG_Y\tctags\t//\n" +
                              T("D", "src/D.java", "c") + oneFile;
    constexpr std::size_t kOneRange = 1 << 20;
    for (const std::string& tags : {std::string(), oneFile, mixed}) {
        // As read (no file starts known), in store order, and as read with every position listed
        // as a place where a file may begin (which a store may say).
        for (const int ordered : {0, 1, 2}) {
            TagStore store = test::MakeStore(tags);
            if (ordered == 1) {
                ASSERT_TRUE(SortTagStore(store, nullptr));
            } else if (ordered == 2) {
                std::vector<std::uint32_t> everyPosition(store.size());
                for (std::uint32_t i = 0; i < store.size(); ++i) {
                    everyPosition[i] = i;
                }
                store.SetOrder(everyPosition, everyPosition);
            }
            if (ordered != 0 && tags == mixed) {
                EXPECT_GT(PlacementCuts(store, 1).size(), 4U);  // the cuts are not all skipped
            }
            for (const TreeOptions options : {TreeOptions{.languageIcons = true}, TreeOptions{.nestScopes = true},
                                              TreeOptions{.languageIcons = true, .nestScopes = true}}) {
                TagTree tree;
                BuildTagTreeInRanges(tree, store, CodePage::Utf8, options, nullptr, kOneRange);
                std::string whole;
                PrintTagTree(tree, whole);
                for (std::size_t range = 1; range <= store.size(); ++range) {
                    LoadProgress progress;
                    ASSERT_TRUE(BuildTagTreeInRanges(tree, store, CodePage::Utf8, options, &progress, range));
                    std::string cut;
                    PrintTagTree(tree, cut);
                    EXPECT_EQ(cut, whole) << "ranges of " << range << ", ordered " << ordered << ", nest "
                                          << options.nestScopes << ", icons " << options.languageIcons << "\n"
                                          << tags;
                    EXPECT_EQ(progress.Done(), store.size());

                    LoadProgress stopped;
                    stopped.Cancel();
                    EXPECT_FALSE(BuildTagTreeInRanges(tree, store, CodePage::Utf8, options, &stopped, range));
                    EXPECT_EQ(tree.NodeCount(), 0U);
                }
            }
        }
    }
}

TEST(BuildTagTree, ShiftJisFolderNamesKeepTheirDoubleByteCharacters) {
    // "表/A.java": the second byte of 表 is 0x5C; '/' is the only separator.
    const TagStore store = test::MakeStore(T("a", "\x95\x5C/A.java", "m") + T("b", "\x95\x5C/B.java", "m"),
                                           CodePage::ShiftJis);
    EXPECT_EQ(Print(store, CodePage::ShiftJis),
              "12 \x95\x5C\n  11 A.java\n    4 a\n  11 B.java\n    4 b\n");
}

}  // namespace
}  // namespace quarrow
