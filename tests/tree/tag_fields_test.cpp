// The fields the tree options read from a tag line, wherever they fall: the reader takes the
// line sixteen bytes at a time, so each case is shifted across those steps' edges, and each
// line is a store of its own so that a read past its end would leave its buffer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tree/test_store.h"
#include "tree/tag_fields.h"

namespace quarrow {
namespace {

struct FieldsCase {
    const char* name;
    std::vector<std::string> fields;  // after the kind and the line field, which shifts them
    const char* language;
    const char* scopeKind;
    const char* scope;
};

const std::string kLongName(90, 'n');

const FieldsCase kCases[] = {
    {"ScopeThenAccess", {"language:C++", "scope:struct:node", "access:public"}, "C++", "struct", "node"},
    {"ScopeAtTheEnd", {"language:C", "scope:enum:flags"}, "C", "enum", "flags"},
    {"TyperefBeforeAScopeEndsTheReading", {"language:C", "typeref:typename:int", "scope:struct:x"}, "C", "", ""},
    {"FileEndsTheReading", {"language:C", "file:"}, "C", "", ""},
    {"SignatureEndsTheReading", {"language:C", "signature:(int a)", "scope:x:y"}, "C", "", ""},
    {"PlainScopeKey", {"language:Java", "class:Outer.Inner", "access:public"}, "Java", "class", "Outer.Inner"},
    {"ScopeKeyRightAfterTheLine", {"interface:Transform", "access:public"}, "", "interface", "Transform"},
    {"NamespaceKey", {"language:C++", "namespace:ns::inner"}, "C++", "namespace", "ns::inner"},
    {"EmptyScopeValueIsPassed", {"class:", "struct:s"}, "", "struct", "s"},
    {"ShortScopeAtTheEnd", {"enum:e"}, "", "enum", "e"},
    {"ScopeWithoutKindIsPassed", {"language:C", "scope:nocolon", "struct:s"}, "C", "struct", "s"},
    {"EmptyScopeKind", {"language:C", "scope::name"}, "C", "", "name"},
    {"NameWithColons", {"scope:namespace:a::b::c"}, "", "namespace", "a::b::c"},
    {"OtherFieldsBeforeTheLanguage", {"roles:def", "language:Go", "scope:package:main"}, "Go", "package", "main"},
    {"LongScope", {"language:Python", "scope:class:" + kLongName, "access:public"}, "Python", "class", kLongName.c_str()},
    {"LongFieldBeforeTheScope", {"language:C", "roles:" + kLongName, "scope:union:u"}, "C", "union", "u"},
    {"OnlyOtherFields", {"language:C", "end:12"}, "C", "", ""},
    {"LanguageEndsTheLine", {"language:C"}, "C", "", ""},
    {"LongLanguageEndsTheLine", {"language:TypeScript"}, "TypeScript", "", ""},
    {"ShortScopeWithoutKindIsPassed", {"language:C", "scope:ab", "c:d"}, "C", "c", "d"},
    {"NoFields", {}, "", "", ""},
};

class ReadScopeFieldsTest : public testing::TestWithParam<FieldsCase> {};

// The line before the fields of each case: the pattern, which `pad` bytes lengthen in some, and
// the first field.
struct LineHead {
    const char* name;
    std::string (*text)(std::size_t pad);
    const char* kind;
};

const LineHead kHeads[] = {
    {"kind found by the parser", [](std::size_t) { return std::string("a\tf.c\t/^x$/;\"\te"); }, "e"},
    // ctags cuts a macro's pattern before its "$/": the reader finds where the fields begin.
    {"pattern cut short",
     [](std::size_t pad) { return "a\tf.c\t/^#define a" + std::string(pad, 'm') + " /;\"\td"; }, "d"},
    {"cut pattern holding a quote after a semicolon",
     [](std::size_t pad) { return "a\tf.c\t/^x = \";\" " + std::string(pad, 'm') + ";\"x/;\"\td"; }, "d"},
    {"kind with its key", [](std::size_t) { return std::string("a\tf.c\t/^x$/;\"\tkind:e"); }, "kind:e"},
};

TEST_P(ReadScopeFieldsTest, FindsTheFieldsAtEveryPlaceInTheBlocks) {
    const FieldsCase& c = GetParam();
    for (const LineHead& head : kHeads) {
        for (std::size_t pad = 0; pad <= 70; ++pad) {
            std::string line = head.text(pad) + "\tline:1" + std::string(pad, '0');
            for (const std::string& field : c.fields) {
                line += '\t' + field;
            }
            for (const std::string& text : {line, line + '\n'}) {
                const TagStore store = test::MakeStore(text);
                const TagScopeFields fields = ReadScopeFields(store[0]);
                SCOPED_TRACE(testing::Message() << head.name << ", pad " << pad << (text.back() == '\n' ? " with LF" : ""));
                EXPECT_EQ(fields.kind, head.kind);
                EXPECT_EQ(fields.language, c.language);
                EXPECT_EQ(fields.scopeKind, c.scopeKind);
                EXPECT_EQ(fields.scope, c.scope);
            }
        }
    }
}

// Lines whose first field after the pattern is no kind, or that have no fields at all.
TEST(ReadScopeFields, LinesWithoutAKind) {
    struct Case {
        const char* line;
        const char* kind;
        const char* scopeKind;
        const char* scope;
    };
    const Case cases[] = {
        {"a\tf.c\t/^x$/;\"\tclass:Outer", "", "class", "Outer"},
        {"a\tf.c\t/^x$/;\"\tline:3\tstruct:s", "", "struct", "s"},
        {"a\tf.c\t/^x$/;\"\tf \tclass:Outer", "f ", "class", "Outer"},  // blanks are part of the field
        {"a\tf.c\t/^x/;\"\t\t\tclass:Outer", "", "class", "Outer"},     // cut pattern, empty kind, empty field
        {"a\tf.c\t/^x$/;\"", "", "", ""},
        {"a\tf.c\t/^x/;\"", "", "", ""},
        {"a\tf.c\t12", "", "", ""},
    };
    for (const Case& c : cases) {
        const TagStore store = test::MakeStore(c.line);
        const TagScopeFields fields = ReadScopeFields(store[0]);
        EXPECT_EQ(fields.kind, c.kind) << c.line;
        EXPECT_EQ(fields.scopeKind, c.scopeKind) << c.line;
        EXPECT_EQ(fields.scope, c.scope) << c.line;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadScopeFieldsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FieldsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quarrow
