#pragma once
// The extension fields of a tag line that the language icons and the nested outline read: the
// language and the scope. Views into the tag's text.

#include <string_view>

namespace quarrow {

class CTagEntry;

struct TagScopeFields {
    std::string_view kind;       // the first field: a kind letter or name, maybe after "kind:"
    std::string_view language;   // the value of "language:", empty without one
    std::string_view scopeKind;  // the kind of the enclosing member ("class", "namespace", ...)
    std::string_view scope;      // its name, maybe qualified ("Outer.Inner", "ns::Klass")
};

// Reads the fields after the ex-command. The kind is found here too where the tag's own parser
// gives none: ctags cuts a long pattern (a macro's, say) before its "$/", and the tag line then
// lacks the end marker the parser looks for. The scope is the "scope:KIND:NAME" field when there is
// one, else the first field whose key is not one of ctags' other field names ("class:Outer",
// "struct:node", ...).
TagScopeFields ReadScopeFields(const CTagEntry& tag) noexcept;

}  // namespace quarrow
