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
    std::string_view parserKind;  // the record's own kind (CTagEntry::GetKind), read on the way
};

// Reads the fields after the ex-command up to the scope: the first field that is "scope:KIND:NAME"
// or whose key is not one of ctags' other field names ("class:Outer", "struct:node", ...).
// ctags writes the language before the scope, a tag's scope once, and its type, file, access,
// signature and inheritance after the scope, so the reading stops at the scope or at those. The kind is found here too where the tag's own parser gives none: ctags cuts a long
// pattern (a macro's, say) before its "$/", and the line then lacks the marker the parser seeks.
TagScopeFields ReadScopeFields(const CTagEntry& tag) noexcept;

}  // namespace quarrow
