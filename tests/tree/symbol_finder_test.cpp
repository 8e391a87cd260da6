#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tree/test_store.h"
#include "tree/symbol_finder.h"

namespace quarrow {
namespace {

// A tags file with one Java method a name, in the order given.
std::string TagsOf(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += name + "\tA.java\t/^x$/;\"\tm\tline:1\n";
    }
    return text;
}

// The names of the found tags, best first.
std::vector<std::string> Found(const std::string& tags, std::string_view query, CodePage cp = CodePage::Utf8,
                               std::size_t limit = 1000) {
    const TagStore store = test::MakeStore(tags, cp);
    const SymbolIndex index(store);
    std::vector<std::string> names;
    for (const FoundSymbol& found : FindSymbols(index, ParseSymbolQuery(query, cp), limit)) {
        names.emplace_back(store[found.position].GetName());
    }
    return names;
}

struct RankCase {
    const char* what;
    const char* query;
    std::vector<std::string> names;     // in store order
    std::vector<std::string> expected;  // best first
};

TEST(SymbolFinder, RanksNamesByTheTableOfScores) {
    const std::vector<RankCase> cases = {
        {"the whole name, then a prefix, then the rest",
         "get",
         {"target", "getter", "get", "budget"},
         {"get", "getter", "target", "budget"}},
        {"word starts beat scattered letters", "ghf", {"gxhxxf", "getHandlerFor"}, {"getHandlerFor", "gxhxxf"}},
        {"a run beats scattered letters", "han", {"hxaxn", "xhan"}, {"xhan", "hxaxn"}},
        {"every kind of word start",
         "fb",
         {"fxxb", "foo_bar", "foo.bar", "foo2bar", "fooBar", "foo-bar"},
         {"fooBar", "foo_bar", "foo.bar", "foo2bar", "foo-bar", "fxxb"}},
        {"the last capital before lower case starts a word",
         "xp",
         {"Xmlparser", "XMLParser"},
         {"XMLParser", "Xmlparser"}},
        {"an earlier start wins", "ab", {"xxxab", "xab"}, {"xab", "xxxab"}},
        {"fewer gaps win", "abc", {"axbxc", "axxbc"}, {"axxbc", "axbxc"}},
        {"equal scores: the shorter name", "ab", {"abcd", "abc"}, {"abc", "abcd"}},
        {"equal scores and lengths: store order", "ab", {"aby", "abx"}, {"aby", "abx"}},
        {"lower case matches either case", "gh", {"gethandler", "getHandler"}, {"getHandler", "gethandler"}},
        {"upper case matches only itself", "gH", {"gethandler", "getHandler"}, {"getHandler"}},
        {"other bytes as they are", "a_b", {"ab", "a_b", "a-b"}, {"a_b"}},
        {"the letters in order only", "ba", {"ab", "bxa"}, {"bxa"}},
        {"nothing matches", "zz", {"ab", "bxa"}, {}},
        {"an empty query finds nothing", "", {"ab"}, {}},
        {"blanks alone find nothing", " \t ", {"ab"}, {}},
        {"all words must match, in any order", "bar foo", {"foo", "fooBar", "barFoo", "bar"}, {"fooBar", "barFoo"}},
        {"a UTF-8 character matches whole", "\xC3\xA9", {"e\xC3\xA9", "\xC3x\xA9"}, {"e\xC3\xA9"}},
    };
    for (const RankCase& c : cases) {
        EXPECT_EQ(Found(TagsOf(c.names), c.query), c.expected) << c.what;
    }
}

TEST(SymbolFinder, NamesThatBeginOtherwiseAreReadWhenThePrefixesDoNotFillTheList) {
    const std::string tags = TagsOf({"xab", "Abc", "ab", "aXb"});
    EXPECT_EQ(Found(tags, "ab", CodePage::Utf8, 2), (std::vector<std::string>{"ab", "Abc"}));
    EXPECT_EQ(Found(tags, "ab", CodePage::Utf8, 3), (std::vector<std::string>{"ab", "Abc", "xab"}));
    EXPECT_EQ(Found(tags, "ab", CodePage::Utf8, 4), (std::vector<std::string>{"ab", "Abc", "xab", "aXb"}));
    // A capital begins only names that begin with it.
    EXPECT_EQ(Found(tags, "Ab", CodePage::Utf8, 4), (std::vector<std::string>{"Abc"}));
}

TEST(SymbolFinder, LongQueriesAndNamesMatchOnlyWhenTheNameHoldsThem) {
    const std::string name(1500, 'a');
    const std::string tags = TagsOf({name, "ab"});
    EXPECT_EQ(Found(tags, name), std::vector<std::string>{name});
    EXPECT_EQ(Found(tags, name + "a"), std::vector<std::string>{});
    EXPECT_EQ(Found(tags, std::string(5000, 'b')), std::vector<std::string>{});
}

TEST(SymbolFinder, UnderCodePage932NoMatchStartsOnASecondByte) {
    // 0x83 0x61 is one character in Shift-JIS; byte-wise its 0x61 is an 'a'.
    const std::string tags =
        TagsOf({"x\x83"
                "ab",
                "\x83"
                "a"});
    EXPECT_EQ(Found(tags, "ab", CodePage::ShiftJis), std::vector<std::string>{});
    EXPECT_EQ(Found(tags, "a", CodePage::ShiftJis), std::vector<std::string>{});
    EXPECT_EQ(Found(tags, "ab", CodePage::Utf8), std::vector<std::string>{"x\x83"
                                                                          "ab"});
    EXPECT_EQ(Found(tags,
                    "\x83"
                    "a",
                    CodePage::ShiftJis),
              (std::vector<std::string>{"\x83"
                                        "a",
                                        "x\x83"
                                        "ab"}));
    EXPECT_EQ(Found(tags, "xb", CodePage::ShiftJis), std::vector<std::string>{"x\x83"
                                                                              "ab"});
}

// Two classes of two files, with "run" in both.
constexpr const char* kClasses =
    "Main\tsrc/app/Main.java\t/^x$/;\"\tc\tline:1\n"
    "run\tsrc/app/Main.java\t/^x$/;\"\tm\tline:5\tclass:Main\n"
    "runAll\tsrc/app/Main.java\t/^x$/;\"\tm\tline:9\tclass:Main\n"
    "Worker\tsrc/util/Worker.java\t/^x$/;\"\tc\tline:1\n"
    "run\tsrc/util/Worker.java\t/^x$/;\"\tf\tline:3\tclass:Worker\n"
    "Runner\tsrc/util/Worker.java\t/^x$/;\"\ti\tline:7\tclass:Worker\n";

// "name file" of each found tag.
std::vector<std::string> FoundTags(std::string_view query, std::size_t limit = 1000) {
    const TagStore store = test::MakeStore(kClasses);
    const SymbolIndex index(store);
    std::vector<std::string> out;
    for (const FoundSymbol& found : FindSymbols(index, ParseSymbolQuery(query, CodePage::Utf8), limit)) {
        out.push_back(std::string(store[found.position].GetName()) + " " +
                      std::string(store[found.position].GetFile()));
    }
    return out;
}

TEST(SymbolFinder, EachNameIsFollowedByItsTagsInStoreOrder) {
    // runAll and Runner score alike and are as long: runAll's first tag comes first in the store.
    EXPECT_EQ(FoundTags("run"), (std::vector<std::string>{"run src/app/Main.java", "run src/util/Worker.java",
                                                          "runAll src/app/Main.java", "Runner src/util/Worker.java"}));
    // The limit counts tags, also within one name's.
    EXPECT_EQ(FoundTags("run", 1), (std::vector<std::string>{"run src/app/Main.java"}));
    EXPECT_EQ(FoundTags("run", 3).size(), 3u);
}

TEST(SymbolFinder, TokensNarrowByKindFileAndScope) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
        {"run k:m", {"run src/app/Main.java", "runAll src/app/Main.java"}},
        {"k:f run", {"run src/util/Worker.java"}},
        {"run kind:field", {"run src/util/Worker.java"}},
        {"run kind:FIELD", {"run src/util/Worker.java"}},
        {"run k:f,i", {"run src/util/Worker.java", "Runner src/util/Worker.java"}},
        {"run k:m k:f", {}},
        {"run k:",
         {"run src/app/Main.java", "run src/util/Worker.java", "runAll src/app/Main.java",
          "Runner src/util/Worker.java"}},
        {"k:c", {"Main src/app/Main.java", "Worker src/util/Worker.java"}},
        {"run f:UTIL", {"run src/util/Worker.java", "Runner src/util/Worker.java"}},
        {"file:app/main r", {"run src/app/Main.java", "runAll src/app/Main.java"}},
        {"Worker.run", {"run src/util/Worker.java", "Runner src/util/Worker.java"}},
        {"Wkr::run", {"run src/util/Worker.java", "Runner src/util/Worker.java"}},
        {"Main.", {"run src/app/Main.java", "runAll src/app/Main.java"}},
        {"Nowhere.run", {}},
    };
    for (const auto& [query, expected] : cases) {
        EXPECT_EQ(FoundTags(query), expected) << query;
    }
}

TEST(SymbolFinder, ScoresFollowTheDocumentedPoints) {
    // The README's examples.
    const std::vector<std::pair<const char*, std::int64_t>> cases = {
        {"getHandlerFor", 66},  // g at the start, H and F at word starts, gaps of 2 and 6
        {"xxghf", 66},          // a late start, then a run
        {"gxhxxf", 51},
    };
    for (const auto& [name, score] : cases) {
        EXPECT_EQ(FuzzyWord("ghf", CodePage::Utf8).Score(name), score) << name;
    }
    EXPECT_EQ(FuzzyWord("get", CodePage::Utf8).Score("getter"), 78 + FuzzyWord::kPrefixBonus);
    EXPECT_EQ(FuzzyWord("get", CodePage::Utf8).Score("Get"), 78 + FuzzyWord::kWholeNameBonus);
    EXPECT_EQ(FuzzyWord("ghf", CodePage::Utf8).Score("gh"), FuzzyWord::kNoMatch);
}

}  // namespace
}  // namespace quarrow
