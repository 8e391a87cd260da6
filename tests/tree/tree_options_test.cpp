// The two tree options over hand-made tags lines, in the store order given: what the fixture
// trees of real ctags output do not show (orders, clashes of names, hostile scopes), and the
// tables the language icons read.

#include <gtest/gtest.h>

#include <string>

#include "tests/tree/test_store.h"
#include "tree/kind_icons.h"
#include "tree/kind_image_table.h"
#include "tree/language_of.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_printer.h"
#include "tree/tree_images.h"

namespace quarrow {
namespace {

// One tags line; `fields` are the extension fields after the kind, TAB-separated.
std::string T(const std::string& name, const std::string& file, const std::string& kind, const std::string& fields = {}) {
    return name + '\t' + file + "\t/^x$/;\"\t" + kind + (fields.empty() ? "" : "\t" + fields) + '\n';
}

std::string Print(const std::string& tags, TreeOptions options) {
    const TagStore store = test::MakeStore(tags);
    TagTree tree;
    BuildTagTree(tree, store, CodePage::Utf8, options);
    std::string out;
    PrintTagTree(tree, out);
    return out;
}

struct NestCase {
    const char* name;
    std::string tags;
    std::string tree;  // printed with --nest
};

class NestScopeTest : public testing::TestWithParam<NestCase> {};

TEST_P(NestScopeTest, PrintsTheExpectedTree) {
    EXPECT_EQ(Print(GetParam().tags, {.nestScopes = true}), GetParam().tree);
}

const NestCase kNestCases[] = {
    {"ParentAfterItsChildrenWhoKeepStoreOrder",
     T("b", "a.py", "m", "class:A") + T("A", "a.py", "c") + T("a", "a.py", "m", "class:A"),
     "11 a.py [expanded]\n  8 A\n    4 b\n    4 a\n"},
    {"UnknownOuterPartsStillFindTheInnermostMember",
     T("X", "a.cpp", "c") + T("m", "a.cpp", "f", "class:lib::detail::X"),
     "11 a.cpp [expanded]\n  8 X\n    0 m\n"},
    {"AnUnknownInnerPartFallsBackToTheOuterMember",
     T("Outer", "a.py", "c") + T("m", "a.py", "m", "class:Outer.Gone"),
     "11 a.py [expanded]\n  8 Outer\n    4 m\n"},
    {"TheMemberOfTheScopesKindWinsOverAnEarlierOneOfTheName",
     T("X", "a.c", "t", "language:C") + T("X", "a.c", "s", "language:C") +
         T("v", "a.c", "m", "language:C\tscope:struct:X"),
     "11 a.c [expanded]\n  0 X\n  0 X\n    4 v\n"},
    {"TheMemberWhoseScopeAgreesWithMoreOfTheTextWins",
     T("X", "a.cpp", "c", "class:one") + T("X", "a.cpp", "c", "class:two") + T("m", "a.cpp", "f", "class:two::X"),
     "11 a.cpp [expanded]\n  8 X\n  8 X\n    0 m\n"},
    {"AScopeNamingNothingInTheFileStaysAtFileLevel",
     T("Widget", "w.h", "c") + T("draw", "w.cpp", "f", "class:Widget"),
     "11 w.h\n  8 Widget\n11 w.cpp\n  0 draw\n"},
    {"AMemberScopedByItsOwnNameOrInACircleStaysAtFileLevel",
     T("A", "a.cpp", "c", "class:A") + T("B", "a.cpp", "c", "class:C") + T("C", "a.cpp", "c", "class:B"),
     "11 a.cpp [expanded]\n  8 A\n  8 B\n  8 C\n"},
    {"SeparatorsOfEveryLanguage",
     T("App", "a.php", "n") + T("Kernel", "a.php", "c", "namespace:App") +
         T("boot", "a.php", "f", "class:App\\Kernel") + T("sep", "a.php", "f", "class:App::Kernel.sep"),
     "11 a.php [expanded]\n  0 App\n    8 Kernel\n      0 boot\n      0 sep\n"},
    {"NamesAfterTheirFileRunAreNotParents",
     T("A", "a.py", "c") + T("m", "b.py", "m", "class:A") + T("A", "b.py", "v", "class:B"),
     "11 a.py\n  8 A\n11 b.py\n  4 m\n  0 A\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, NestScopeTest, testing::ValuesIn(kNestCases),
                         [](const testing::TestParamInfo<NestCase>& info) { return std::string(info.param.name); });

TEST(NestScope, NestsThirtyTwoLevelsAndLeavesDeeperOnesAtFileLevel) {
    std::string deep;
    std::string tags = T("p0", "a.go", "s");
    for (int i = 1; i < 40; ++i) {
        deep += (i > 1 ? "." : "") + std::string("p") + std::to_string(i - 1);
        tags += T("p" + std::to_string(i), "a.go", "s", "struct:" + deep);
    }
    // Every member is printed once: p0 to p31 each one level below the one before, and the
    // members whose scope names a member deeper than 32 parts at the file level.
    std::string expected = "11 a.go [expanded]\n";
    for (int i = 0; i < 40; ++i) {
        expected += std::string(2 * (i < 32 ? i + 1 : 1), ' ') + "0 p" + std::to_string(i) + "\n";
    }
    EXPECT_EQ(Print(tags, {.nestScopes = true}), expected);
}

TEST(LanguageIcons, TheLanguageFieldWinsOverTheExtension) {
    // "m" is a Python member (a method) but a C member (a field); Java keeps its table.
    const std::string tags = T("a", "x.c", "m", "language:Python") + T("b", "x.c", "m") + T("c", "x.c", "m", "access:private") +
                             T("d", "x.txt", "m") + T("e", "X.java", "d");
    EXPECT_EQ(Print(tags, {.languageIcons = true}),
              "43 x.c\n  " + std::to_string(kImageMethodPlain) + " a\n  " + std::to_string(kImageFieldPlain) +
                  " b\n  1 c\n11 x.txt\n  4 d\n11 X.java\n  0 e\n");
}

TEST(LanguageIcons, AFileOfAnotherLanguageThanJavaShowsAPlainPage) {
    struct Case {
        const char* label;
        std::string tags;
        int icons;  // the file node's image with the language icons (without them it is always 11)
    };
    const Case cases[] = {
        {"Java by its name", T("m", "A.java", "m"), kImageFile},
        {"C by its name", T("m", "a.c", "f"), kImagePlainFile},
        {"C by its name, the field says Java", T("m", "a.c", "f", "language:Java"), kImagePlainFile},
        {"unknown name, the first member says C", T("m", "a.x", "f", "language:C") + T("n", "a.x", "f", "language:Java"),
         kImagePlainFile},
        {"unknown name, the first member says Java", T("m", "a.x", "m", "language:Java") + T("n", "a.x", "f", "language:C"),
         kImageFile},
        {"unknown name and no field: as Java", T("m", "a.x", "m"), kImageFile},
        {"a file of pseudo-tags and nameless lines only", T("", "a.c", "f"), kImagePlainFile},
    };
    for (const Case& c : cases) {
        for (const bool nest : {false, true}) {
            const std::string icons = Print(c.tags, {.languageIcons = true, .nestScopes = nest});
            EXPECT_EQ(icons.substr(0, icons.find(' ')), std::to_string(c.icons)) << c.label << ", nest " << nest;
            EXPECT_EQ(Print(c.tags, {.nestScopes = nest}).substr(0, 3), "11 ") << c.label << ", nest " << nest;
        }
    }
}

TEST(LanguageOf, NamesAndFileNames) {
    EXPECT_EQ(LanguageFromName("C++"), TagLanguage::Cpp);
    EXPECT_EQ(LanguageFromName("sh"), TagLanguage::Shell);
    EXPECT_EQ(LanguageFromName("Cobol"), TagLanguage::Unknown);
    const std::pair<const char*, TagLanguage> files[] = {
        {"src/a.c", TagLanguage::C},        {"a.C", TagLanguage::Cpp},      {"inc/a.h", TagLanguage::Cpp},
        {"a.cs", TagLanguage::CSharp},      {"a.pyx", TagLanguage::Python}, {"a.go", TagLanguage::Go},
        {"a.rs", TagLanguage::Rust},        {"a.mjs", TagLanguage::JavaScript}, {"a.ts", TagLanguage::TypeScript},
        {"a.php7", TagLanguage::Php},       {"a.rb", TagLanguage::Ruby},    {"a.bash", TagLanguage::Shell},
        {"sub/GNUmakefile", TagLanguage::Make}, {"a.mk", TagLanguage::Make}, {"A.java", TagLanguage::Java},
        {".c", TagLanguage::Unknown},       {"c", TagLanguage::Unknown},    {"a.c/b", TagLanguage::Unknown},
    };
    for (const auto& [file, language] : files) {
        EXPECT_EQ(LanguageFromFile(file), language) << file;
    }
}

TEST(LanguageImageOf, KindsByLetterOrNameWithAccessMarks) {
    struct Case {
        TagLanguage language;
        const char* kind;
        const char* access;
        int image;
    };
    const Case cases[] = {
        {TagLanguage::C, "d", "", kImageMacro},
        {TagLanguage::C, "kind:macro", "", kImageMacro},
        {TagLanguage::Cpp, "p", "protected", kImagePrototypeDefault + 2},
        {TagLanguage::Cpp, "function", "public", kImageFunctionDefault + 3},
        {TagLanguage::Cpp, "m", "friend", kImageFieldDefault},
        {TagLanguage::CSharp, "p", "private", kImagePropertyDefault + 1},
        {TagLanguage::Go, "v", "", kImageVariablePlain},
        {TagLanguage::Rust, "i", "", kImageInterface},
        {TagLanguage::Rust, "c", "", kImageClass},
        {TagLanguage::Ruby, "m", "", kImageNamespace},
        {TagLanguage::Make, "t", "", kImageFunctionPlain},
        {TagLanguage::C, "Q", "", kImageNeutral},
        {TagLanguage::C, "", "", kImageNeutral},
        // Java and unknown languages keep the Java table whatever the kind says.
        {TagLanguage::Java, "p", "", kImagePackage},
        {TagLanguage::Unknown, "d", "", kImageFieldDefault},
        {TagLanguage::Unknown, "m", "public", kImageMethodPublic},
        // Words as long as an access word but not one show the "default" marks.
        {TagLanguage::Cpp, "m", "publik", kImageFieldDefault},
        {TagLanguage::Java, "m", "privata", kImageMethodDefault},
        {TagLanguage::C, "\xc3", "", kImageNeutral},
    };
    // The builder takes images from a table made of LanguageImageOf: both give the same.
    const KindImageTable& table = KindImageTable::Get();
    for (const Case& c : cases) {
        EXPECT_EQ(LanguageImageOf(c.language, c.kind, c.access), c.image) << c.kind << " " << c.access;
        EXPECT_EQ(table.ImageOf(c.language, c.kind, c.access), c.image) << c.kind << " " << c.access;
    }
}

}  // namespace
}  // namespace quarrow
