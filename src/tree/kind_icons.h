#pragma once
// The kinds of the languages the tree knows, as ctags names them (a letter and a long name), and
// the icon each shows when the tree draws kinds by language.

#include <cstdint>
#include <string_view>

#include "tree/language_of.h"

namespace quarrow {

// The pictures of the kind icons; a kind of a known language shows one of them.
enum class KindIcon : std::uint8_t {
    Neutral,
    Namespace,   // namespace, module, package
    Class,
    Struct,      // struct, union
    Interface,   // interface, trait
    Enum,
    Enumerator,  // enumerator, constant
    Function,
    Method,
    Prototype,
    Field,       // field, member
    Variable,
    Property,
    Macro,
    TypeAlias,
};

struct KindInfo {
    char letter;
    std::string_view name;  // ctags' long name of the kind
    KindIcon icon;
};

// The kind `kind` of `language`: a letter, a long name, either after "kind:". Null for a kind the
// table does not hold, and for every kind of an unknown language.
const KindInfo* FindKind(TagLanguage language, std::string_view kind) noexcept;

// The long name of `kind` (as FindKind takes it): the table's name, or the kind itself when it
// is longer than a letter; empty when unknown.
std::string_view KindLongName(TagLanguage language, std::string_view kind) noexcept;

// The image index of a member node by its language. Java and unknown languages keep the Java
// table (MemberImageOf); a kind of another known language shows its kind icon, with the access
// marks when the tag has an access field (`access` not empty), and an unlisted kind the neutral one.
int LanguageImageOf(TagLanguage language, std::string_view kind, std::string_view access) noexcept;

}  // namespace quarrow
