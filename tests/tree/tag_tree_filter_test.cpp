#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "tests/tree/test_store.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_filter.h"
#include "tree/tag_tree_printer.h"

namespace quarrow {
namespace {

// Two folders, three files; file and member names overlap on purpose ("Widget", "name").
constexpr const char* kTags =
    "Widget\tsrc/ui/Widget.java\t/^x$/;\"\tc\tline:3\taccess:public\n"
    "getName\tsrc/ui/Widget.java\t/^x$/;\"\tm\tline:5\taccess:public\n"
    "size\tsrc/ui/Widget.java\t/^x$/;\"\tf\tline:4\taccess:private\n"
    "Panel\tsrc/ui/Panel.java\t/^x$/;\"\tc\tline:2\taccess:public\n"
    "addWidget\tsrc/ui/Panel.java\t/^x$/;\"\tm\tline:7\taccess:public\n"
    "Main\tsrc/app/Main.java\t/^x$/;\"\tc\tline:1\taccess:public\n"
    "main\tsrc/app/Main.java\t/^x$/;\"\tm\tline:2\taccess:public\n";

std::string Filtered(const char* tags, std::string_view text, CodePage cp = CodePage::Utf8) {
    const TagStore store = test::MakeStore(tags, cp);
    TagTree tree;
    BuildTagTree(tree, store, cp);
    std::string out;
    const TagFilterText filterText(text, cp);
    if (filterText.Empty()) {
        PrintTagTree(tree, out);
        return out;
    }
    TagTreeFilter filter;
    EXPECT_TRUE(filter.Apply(tree, filterText));
    PrintTagTree(tree, filter, out);
    EXPECT_EQ(filter.Empty(), out.empty());
    return out;
}

// The fixture's tree, built once per test.
struct BuiltTree {
    TagStore store = test::MakeStore(kTags);
    TagTree tree;
    BuiltTree() { BuildTagTree(tree, store); }
};

struct FilterCase {
    const char* name;
    const char* text;
    const char* tree;
};

const FilterCase kCases[] = {
    {"MemberKeepsItsFileAndFolderOpen", "getname",
     "12 src/ui [expanded]\n"
     "  11 Widget.java [expanded]\n"
     "    7 getName\n"},
    {"CaseOfAsciiLettersIsIgnored", "GETNAME",
     "12 src/ui [expanded]\n"
     "  11 Widget.java [expanded]\n"
     "    7 getName\n"},
    {"FileByNameKeepsAllMembersClosed", "panel.j",
     "12 src/ui [expanded]\n"
     "  11 Panel.java\n"
     "    8 Panel\n"
     "    7 addWidget\n"},
    {"FileByNameAndMemberKeepsAllMembersOpen", "widget",
     "12 src/ui [expanded]\n"
     "  11 Widget.java [expanded]\n"
     "    8 Widget\n"
     "    7 getName\n"
     "    1 size\n"
     "  11 Panel.java [expanded]\n"
     "    7 addWidget\n"},
    {"MembersKeepTheirOrderAcrossFolders", "MAIN",
     "12 src/app [expanded]\n"
     "  11 Main.java [expanded]\n"
     "    8 Main\n"
     "    7 main\n"},
    {"AdjacentLettersOfMixedCase", "tN",
     "12 src/ui [expanded]\n"
     "  11 Widget.java [expanded]\n"
     "    7 getName\n"},
    {"AdjacentLettersTypedInUpperCase", "DW",
     "12 src/ui [expanded]\n"
     "  11 Panel.java [expanded]\n"
     "    7 addWidget\n"},
    {"FolderLabelsAreNotMatched", "src/ui", ""},
    {"NoMatchKeepsNothing", "zzz", ""},
    {"EmptyTextIsTheBuiltTree", "",
     "12 src/ui\n"
     "  11 Widget.java\n"
     "    8 Widget\n"
     "    7 getName\n"
     "    1 size\n"
     "  11 Panel.java\n"
     "    8 Panel\n"
     "    7 addWidget\n"
     "12 src/app\n"
     "  11 Main.java\n"
     "    8 Main\n"
     "    7 main\n"},
};

class TagTreeFilterTest : public testing::TestWithParam<FilterCase> {};

TEST_P(TagTreeFilterTest, KeepsTheExpectedNodes) {
    const FilterCase& c = GetParam();
    EXPECT_EQ(Filtered(kTags, c.text), c.tree);
}

INSTANTIATE_TEST_SUITE_P(Cases, TagTreeFilterTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FilterCase>& info) { return info.param.name; });

TEST(TagTreeFilter, EmptyTextKeepsTheBuildersExpansion) {
    // One file: the builder opens its folder and file; an empty filter shows exactly that.
    EXPECT_EQ(Filtered("a\tsrc/A.java\t/^x$/;\"\tm\tline:1\taccess:public\n", ""),
              "12 src [expanded]\n  11 A.java [expanded]\n    7 a\n");
}

TEST(TagTreeFilter, ShiftJisTrailBytesAreNeverFolded) {
    // "\x83\x41" and "\x83\x61" are two katakana whose second bytes are 'A' and 'a'. Under 932
    // neither is found by "a" or "A", and neither is found by the other; byte-wise both contain
    // the letter.
    constexpr const char* kSjis =
        "x\x83\x41y\tQ.c\t/^x$/;\"\tm\tline:1\taccess:public\n"
        "x\x83\x61y\tQ.c\t/^x$/;\"\tm\tline:2\taccess:public\n"
        "Bay\tQ.c\t/^x$/;\"\tm\tline:3\taccess:public\n";
    const struct {
        const char* text;
        CodePage cp;
        const char* tree;
    } cases[] = {
        {"a", CodePage::ShiftJis, "11 Q.c [expanded]\n  7 Bay\n"},
        {"AY", CodePage::ShiftJis, "11 Q.c [expanded]\n  7 Bay\n"},
        {"\x83\x41", CodePage::ShiftJis, "11 Q.c [expanded]\n  7 x\x83\x41y\n"},
        {"\x83\x61", CodePage::ShiftJis, "11 Q.c [expanded]\n  7 x\x83\x61y\n"},
        {"X\x83\x41Y", CodePage::ShiftJis, "11 Q.c [expanded]\n  7 x\x83\x41y\n"},
        {"ay", CodePage::Utf8, "11 Q.c [expanded]\n  7 x\x83\x41y\n  7 x\x83\x61y\n  7 Bay\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Filtered(kSjis, c.text, c.cp), c.tree) << c.text;
    }
}

TEST(TagTreeFilter, ReusingThePreviousFilterGivesTheSameTree) {
    // From a wider text only its matches are read again; from any earlier filter (or the
    // signatures it leaves) the labels its signatures rule out are skipped.
    const BuiltTree built;
    const TagTree& tree = built.tree;
    TagTreeFilter wide;
    ASSERT_TRUE(wide.Apply(tree, TagFilterText("a", CodePage::Utf8)));
    TagTreeFilter narrow;
    ASSERT_TRUE(narrow.Apply(tree, TagFilterText("widget", CodePage::Utf8)));
    const std::shared_ptr<TagTreeFilter> carrier = narrow.Signatures();
    for (const char* text : {"an", "name", "widget", "Panel", "zzz", "a", "E", "main"}) {
        TagTreeFilter fresh;
        ASSERT_TRUE(fresh.Apply(tree, TagFilterText(text, CodePage::Utf8)));
        std::string expected;
        PrintTagTree(tree, fresh, expected);
        const TagTreeFilter* const previousOnes[] = {&wide, &narrow, carrier.get()};
        for (const TagTreeFilter* previous : previousOnes) {
            TagTreeFilter reused;
            ASSERT_TRUE(reused.Apply(tree, TagFilterText(text, CodePage::Utf8), previous));
            std::string actual;
            PrintTagTree(tree, reused, actual);
            EXPECT_EQ(actual, expected) << text;
        }
    }
}

TEST(TagTreeFilter, TypingEachTextFromTheLastGivesTheSameTree) {
    // The window narrows each text from the one shown before: extended, shortened, changed in the
    // middle, on a tree large enough to be read in two halves, with nested files whose names
    // match, and under code page 932, where a wider text's matches must not let a letter be found
    // inside a double-byte character.
    std::string big;
    for (int file = 0; file < 700; ++file) {
        for (int member = 0; member < 100; ++member) {
            big += (member % 7 == 0 ? "getMain" : member % 3 == 0 ? "setName" : "value") + std::to_string(member) +
                   "\tsrc/p" + std::to_string(file % 9) + "/F" + std::to_string(file) + (file % 5 == 0 ? "Main" : "") +
                   ".java\t/^x$/;\"\tm\tline:" + std::to_string(member + 1) + "\taccess:public\n";
        }
    }
    constexpr const char* kSjis =
        "x\x83\x41y\tQ.c\t/^x$/;\"\tm\tline:1\taccess:public\n"
        "ax\x83\x61y\tQ.c\t/^x$/;\"\tm\tline:2\taccess:public\n"
        "Bay\tQ.c\t/^x$/;\"\tm\tline:3\taccess:public\n";
    const struct {
        std::string tags;
        CodePage cp;
        std::vector<std::string> texts;
    } cases[] = {
        {kTags, CodePage::Utf8, {"a", "an", "ane", "an", "a", "ai", "mai", "main", "maXn", "n", "", "W", "Wi"}},
        {big, CodePage::Utf8, {"m", "ma", "mai", "main", "main1", "mai", "getm", "e", "et", "etN", "zz", "5", "59"}},
        {kSjis, CodePage::ShiftJis, {"x", "x\x83", "x\x83\x41", "x\x83", "a", "ay", "\x83\x61", "\x83\x61y"}},
    };
    for (const auto& c : cases) {
        const TagStore store = test::MakeStore(c.tags.c_str(), c.cp);
        TagTree tree;
        BuildTagTree(tree, store, c.cp);
        std::shared_ptr<const TagTreeFilter> shown;
        for (const std::string& text : c.texts) {
            const TagFilterText filterText(text, c.cp);
            TagTreeFilter fresh;
            ASSERT_TRUE(fresh.Apply(tree, filterText));
            std::string expected;
            PrintTagTree(tree, fresh, expected);
            auto next = std::make_shared<TagTreeFilter>();
            ASSERT_TRUE(next->Apply(tree, filterText, shown.get()));
            std::string actual;
            PrintTagTree(tree, *next, actual);
            EXPECT_EQ(actual, expected) << text;
            // An empty text shows the tree itself; the next text starts from the signatures.
            shown = filterText.Empty() ? next->Signatures() : next;
        }
    }
}

TEST(TagTreeFilter, NestedScopesKeepTheirShape) {
    // Outer's children (x, Inner, z) are not consecutive nodes, as Inner's own member comes
    // between them; a file kept by its name keeps the members of its members too, closed.
    constexpr const char* kNested =
        "Outer\tsrc/Outer.java\t/^x$/;\"\tc\tline:1\n"
        "x\tsrc/Outer.java\t/^x$/;\"\tf\tline:2\tclass:Outer\n"
        "Inner\tsrc/Outer.java\t/^x$/;\"\tc\tline:3\tclass:Outer\n"
        "y\tsrc/Outer.java\t/^x$/;\"\tf\tline:4\tclass:Outer.Inner\n"
        "z\tsrc/Outer.java\t/^x$/;\"\tf\tline:5\tclass:Outer\n"
        "w\tsrc/W.java\t/^x$/;\"\tf\tline:1\n";
    const TagStore store = test::MakeStore(kNested);
    TagTree tree;
    BuildTagTree(tree, store, CodePage::Utf8, {.nestScopes = true});
    const struct {
        const char* text;
        const char* tree;
    } cases[] = {
        {"y", "12 src [expanded]\n  11 Outer.java [expanded]\n    8 Outer [expanded]\n      8 Inner [expanded]\n        0 y\n"},
        {"z", "12 src [expanded]\n  11 Outer.java [expanded]\n    8 Outer [expanded]\n      0 z\n"},
        {"outer.j",
         "12 src [expanded]\n  11 Outer.java\n    8 Outer\n      0 x\n      8 Inner\n        0 y\n      0 z\n"},
        {"inner", "12 src [expanded]\n  11 Outer.java [expanded]\n    8 Outer [expanded]\n      8 Inner\n"},
    };
    for (const auto& c : cases) {
        TagTreeFilter filter;
        ASSERT_TRUE(filter.Apply(tree, TagFilterText(c.text, CodePage::Utf8)));
        std::string out;
        PrintTagTree(tree, filter, out);
        EXPECT_EQ(out, c.tree) << c.text;
    }
}

TEST(TagTreeFilter, NavigationAndMemberToOpen) {
    const BuiltTree built;
    const TagTree& tree = built.tree;
    TagTreeFilter filter;
    ASSERT_TRUE(filter.Apply(tree, TagFilterText("widget", CodePage::Utf8)));
    const TagTree::Id folder = filter.Child(TagTree::kRoot, 0);
    const TagTree::Id panel = filter.Child(folder, 1);
    EXPECT_EQ(tree.Label(panel), "Panel.java");
    EXPECT_EQ(filter.Row(tree, panel), 1u);
    EXPECT_EQ(filter.Row(tree, filter.Child(panel, 0)), 0u);
    EXPECT_EQ(filter.ExpandedNodes().size(), 3u);
    // The member named as the text, here also kept with its file's name.
    EXPECT_EQ(tree.Label(filter.MemberToOpen(tree)), "Widget");

    TagTreeFilter none;
    ASSERT_TRUE(none.Apply(tree, TagFilterText("zzz", CodePage::Utf8)));
    EXPECT_TRUE(none.Empty());
    EXPECT_EQ(none.MemberToOpen(tree), TagTree::kRoot);
}

TEST(TagTreeFilter, MemberToOpenIsTheOneLookedFor) {
    // Nested, the class stays above its matched methods; the field addCount comes before the
    // method add (groups keep their input order).
    constexpr const char* kDeque =
        "ArrayDeque\tsrc/ArrayDeque.java\t/^x$/;\"\tc\tline:89\n"
        "addCount\tsrc/ArrayDeque.java\t/^x$/;\"\tf\tline:95\tclass:ArrayDeque\n"
        "add\tsrc/ArrayDeque.java\t/^x$/;\"\tm\tline:190\tclass:ArrayDeque\n"
        "checkInvariants\tsrc/ArrayDeque.java\t/^x$/;\"\tm\tline:900\tclass:ArrayDeque\n"
        "Deques\tsrc/Deques.java\t/^x$/;\"\tc\tline:3\n";
    const TagStore store = test::MakeStore(kDeque);
    const struct {
        const char* text;
        const char* opened;  // name@line, or "" when Enter opens nothing
    } cases[] = {
        {"checkInvariants", "checkInvariants@900"},  // not the class kept above it
        {"INVARIANT", "checkInvariants@900"},        // no whole name: the first own match
        {"ADD", "add@190"},                          // the whole name before an earlier match
        {"deques", "Deques@3"},
        {"arraydeque.j", "ArrayDeque@89"},           // the file by its name: its first member
        {"zzz", ""},
    };
    for (const bool nested : {true, false}) {
        TagTree tree;
        BuildTagTree(tree, store, CodePage::Utf8, {.nestScopes = nested});
        for (const auto& c : cases) {
            TagTreeFilter filter;
            ASSERT_TRUE(filter.Apply(tree, TagFilterText(c.text, CodePage::Utf8)));
            const TagTree::Id id = filter.MemberToOpen(tree);
            const std::string opened =
                id == TagTree::kRoot ? "" : std::string(tree.Tag(id)->GetName()) + "@" + tree.Tag(id)->GetLineNo();
            EXPECT_EQ(opened, c.opened) << c.text << (nested ? " nested" : " flat");
        }
    }
}

TEST(TagTreeFilter, CancelledWorkKeepsNothing) {
    const BuiltTree built;
    const TagTree& tree = built.tree;
    const std::atomic<std::uint64_t> current{2};
    TagTreeFilter filter;
    EXPECT_FALSE(filter.Apply(tree, TagFilterText("a", CodePage::Utf8), nullptr, {&current, 1}));
    EXPECT_TRUE(filter.Empty());
}

}  // namespace
}  // namespace quarrow
