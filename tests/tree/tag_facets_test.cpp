#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tree/test_store.h"
#include "tree/tag_facets.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_filter.h"
#include "tree/tag_tree_printer.h"

namespace quarrow {
namespace {

// Two files; one member without an access field, one with ctags' "default" access, one whose kind
// is written as a name.
constexpr const char* kTags =
    "Widget\tsrc/ui/Widget.java\t/^x$/;\"\tc\tline:3\taccess:public\n"
    "getName\tsrc/ui/Widget.java\t/^x$/;\"\tm\tline:5\taccess:public\n"
    "size\tsrc/ui/Widget.java\t/^x$/;\"\tf\tline:4\taccess:private\n"
    "count\tsrc/ui/Widget.java\t/^x$/;\"\tf\tline:6\taccess:default\n"
    "Panel\tsrc/ui/Panel.java\t/^x$/;\"\tc\tline:2\n"
    "paint\tsrc/ui/Panel.java\t/^x$/;\"\tkind:method\tline:7\taccess:protected\n";

std::string Faceted(std::string_view text, const char* kinds, const char* access) {
    const TagStore store = test::MakeStore(kTags);
    TagTree tree;
    BuildTagTree(tree, store);
    TagFacets facets;
    if (kinds != nullptr) {
        facets.ShowKinds(kinds);
    }
    if (access != nullptr) {
        EXPECT_TRUE(facets.ShowAccess(access)) << access;
    }
    TagTreeFilter filter;
    filter.SetFacets(facets);
    EXPECT_TRUE(filter.Apply(tree, TagFilterText(text, CodePage::Utf8)));
    std::string out;
    PrintTagTree(tree, filter, out);
    return out;
}

struct FacetCase {
    const char* what;
    const char* text;
    const char* kinds;   // null: every kind
    const char* access;  // null: every access
    const char* tree;
};

TEST(TagFacets, HideMembersByKindAndAccessWithOrWithoutText) {
    const std::vector<FacetCase> cases = {
        {"kinds alone keep every file closed", "", "m", nullptr,
         "12 src/ui [expanded]\n  11 Widget.java\n    7 getName\n  11 Panel.java\n    0 paint\n"},
        {"a kind written as a name counts as its letter", "", "c", nullptr,
         "12 src/ui [expanded]\n  11 Widget.java\n    8 Widget\n  11 Panel.java\n    8 Panel\n"},
        {"no access field: always shown; default is package", "", nullptr, "package",
         "12 src/ui [expanded]\n  11 Widget.java\n    0 count\n  11 Panel.java\n    8 Panel\n"},
        {"both facets at once", "", "fm", "public,private",
         "12 src/ui [expanded]\n  11 Widget.java\n    7 getName\n    1 size\n  11 Panel.java\n"},
        {"with text: only the shown matches", "n", "c", nullptr,
         "12 src/ui [expanded]\n  11 Panel.java [expanded]\n    8 Panel\n"},
        {"a file kept by its name keeps its shown members only", "widget.j", "f", nullptr,
         "12 src/ui [expanded]\n  11 Widget.java\n    1 size\n    0 count\n"},
        {"a text whose matches are all hidden keeps nothing", "size", "m", nullptr, ""},
    };
    for (const FacetCase& c : cases) {
        EXPECT_EQ(Faceted(c.text, c.kinds, c.access), c.tree) << c.what;
    }
}

TEST(TagFacets, AccessWordsAreChecked) {
    TagFacets facets;
    EXPECT_FALSE(facets.ShowAccess("public,friend"));
    EXPECT_FALSE(facets.ShowAccess(""));
    EXPECT_FALSE(facets.Active());
    EXPECT_TRUE(facets.ShowAccess("private,default"));
    EXPECT_TRUE(facets.Active());
}

TEST(TagFacets, ATextAfterFacetsAloneIsReadInFull) {
    // The facets-only filter's matches are its files: a text typed after it must not be looked
    // for among them alone.
    const TagStore store = test::MakeStore(kTags);
    TagTree tree;
    BuildTagTree(tree, store);
    TagFacets facets;
    facets.ShowKinds("mf");
    TagTreeFilter first;
    first.SetFacets(facets);
    ASSERT_TRUE(first.Apply(tree, TagFilterText("", CodePage::Utf8)));
    TagTreeFilter second;
    second.SetFacets(facets);
    ASSERT_TRUE(second.Apply(tree, TagFilterText("ze", CodePage::Utf8), &first));
    std::string out;
    PrintTagTree(tree, second, out);
    EXPECT_EQ(out, "12 src/ui [expanded]\n  11 Widget.java [expanded]\n    1 size\n");
}

}  // namespace
}  // namespace quarrow
