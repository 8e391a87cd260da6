#include "tree/kind_icons.h"

#include <array>
#include <cstdint>
#include <span>

#include "tree/tree_images.h"

namespace quarrow {

namespace {

using I = KindIcon;

// The kinds as `ctags --list-kinds-full=LANGUAGE` lists them.
constexpr KindInfo kJava[] = {
    {'a', "annotation", I::Interface}, {'c', "class", I::Class},     {'e', "enumConstant", I::Enumerator},
    {'f', "field", I::Field},          {'g', "enum", I::Enum},       {'i', "interface", I::Interface},
    {'l', "local", I::Variable},       {'m', "method", I::Method},   {'p', "package", I::Namespace},
};
constexpr KindInfo kC[] = {
    {'D', "macroparam", I::Variable}, {'L', "label", I::Neutral},      {'d', "macro", I::Macro},
    {'e', "enumerator", I::Enumerator}, {'f', "function", I::Function}, {'g', "enum", I::Enum},
    {'h', "header", I::Neutral},      {'l', "local", I::Variable},    {'m', "member", I::Field},
    {'p', "prototype", I::Prototype}, {'s', "struct", I::Struct},     {'t', "typedef", I::TypeAlias},
    {'u', "union", I::Struct},        {'v', "variable", I::Variable}, {'x', "externvar", I::Variable},
    {'z', "parameter", I::Variable},
};
constexpr KindInfo kCpp[] = {
    {'A', "alias", I::TypeAlias},     {'D', "macroparam", I::Variable}, {'L', "label", I::Neutral},
    {'N', "name", I::Neutral},        {'U', "using", I::Neutral},       {'Z', "tparam", I::TypeAlias},
    {'c', "class", I::Class},         {'d', "macro", I::Macro},         {'e', "enumerator", I::Enumerator},
    {'f', "function", I::Function},   {'g', "enum", I::Enum},           {'h', "header", I::Neutral},
    {'l', "local", I::Variable},      {'m', "member", I::Field},        {'n', "namespace", I::Namespace},
    {'p', "prototype", I::Prototype}, {'s', "struct", I::Struct},       {'t', "typedef", I::TypeAlias},
    {'u', "union", I::Struct},        {'v', "variable", I::Variable},   {'x', "externvar", I::Variable},
    {'z', "parameter", I::Variable},
};
constexpr KindInfo kCSharp[] = {
    {'E', "event", I::Property},      {'c', "class", I::Class},       {'d', "macro", I::Macro},
    {'e', "enumerator", I::Enumerator}, {'f', "field", I::Field},     {'g', "enum", I::Enum},
    {'i', "interface", I::Interface}, {'l', "local", I::Variable},    {'m', "method", I::Method},
    {'n', "namespace", I::Namespace}, {'p', "property", I::Property}, {'s', "struct", I::Struct},
    {'t', "typedef", I::TypeAlias},
};
constexpr KindInfo kPython[] = {
    {'I', "namespace", I::Namespace}, {'c', "class", I::Class},       {'f', "function", I::Function},
    {'i', "module", I::Namespace},    {'l', "local", I::Variable},    {'m', "member", I::Method},
    {'v', "variable", I::Variable},   {'x', "unknown", I::Neutral},   {'z', "parameter", I::Variable},
};
constexpr KindInfo kGo[] = {
    {'M', "anonMember", I::Field},    {'P', "packageName", I::Namespace}, {'R', "receiver", I::Variable},
    {'a', "talias", I::TypeAlias},    {'c', "const", I::Enumerator},      {'f', "func", I::Function},
    {'i', "interface", I::Interface}, {'m', "member", I::Field},          {'n', "methodSpec", I::Prototype},
    {'p', "package", I::Namespace},   {'s', "struct", I::Struct},         {'t', "type", I::TypeAlias},
    {'u', "unknown", I::Neutral},     {'v', "var", I::Variable},
};
constexpr KindInfo kRust[] = {
    {'M', "macro", I::Macro},         {'P', "method", I::Method},       {'c', "implementation", I::Class},
    {'e', "enumerator", I::Enumerator}, {'f', "function", I::Function}, {'g', "enum", I::Enum},
    {'i', "interface", I::Interface}, {'m', "field", I::Field},         {'n', "module", I::Namespace},
    {'s', "struct", I::Struct},       {'t', "typedef", I::TypeAlias},   {'v', "variable", I::Variable},
};
constexpr KindInfo kJavaScript[] = {
    {'C', "constant", I::Enumerator}, {'G', "getter", I::Property},   {'M', "field", I::Field},
    {'S', "setter", I::Property},     {'c', "class", I::Class},       {'f', "function", I::Function},
    {'g', "generator", I::Function},  {'m', "method", I::Method},     {'p', "property", I::Property},
    {'v', "variable", I::Variable},
};
constexpr KindInfo kTypeScript[] = {
    {'C', "constant", I::Enumerator}, {'G', "generator", I::Function}, {'a', "alias", I::TypeAlias},
    {'c', "class", I::Class},         {'e', "enumerator", I::Enumerator}, {'f', "function", I::Function},
    {'g', "enum", I::Enum},           {'i', "interface", I::Interface}, {'l', "local", I::Variable},
    {'m', "method", I::Method},       {'n', "namespace", I::Namespace}, {'p', "property", I::Property},
    {'v', "variable", I::Variable},   {'z', "parameter", I::Variable},
};
constexpr KindInfo kPhp[] = {
    {'a', "alias", I::TypeAlias},     {'c', "class", I::Class},         {'d', "define", I::Enumerator},
    {'f', "function", I::Function},   {'i', "interface", I::Interface}, {'l', "local", I::Variable},
    {'n', "namespace", I::Namespace}, {'t', "trait", I::Interface},     {'v', "variable", I::Variable},
};
constexpr KindInfo kRuby[] = {
    {'A', "accessor", I::Property},   {'C', "constant", I::Enumerator}, {'L', "library", I::Neutral},
    {'S', "singletonMethod", I::Method}, {'a', "alias", I::Neutral},    {'c', "class", I::Class},
    {'f', "method", I::Method},       {'m', "module", I::Namespace},
};
constexpr KindInfo kShell[] = {
    {'a', "alias", I::Neutral}, {'f', "function", I::Function}, {'h', "heredoc", I::Neutral},
    {'s', "script", I::Neutral},
};
constexpr KindInfo kMake[] = {
    {'I', "makefile", I::Neutral}, {'m', "macro", I::Macro}, {'t', "target", I::Function},
};

constexpr std::span<const KindInfo> KindsOf(TagLanguage language) noexcept {
    switch (language) {
    case TagLanguage::Java: return kJava;
    case TagLanguage::C: return kC;
    case TagLanguage::Cpp: return kCpp;
    case TagLanguage::CSharp: return kCSharp;
    case TagLanguage::Python: return kPython;
    case TagLanguage::Go: return kGo;
    case TagLanguage::Rust: return kRust;
    case TagLanguage::JavaScript: return kJavaScript;
    case TagLanguage::TypeScript: return kTypeScript;
    case TagLanguage::Php: return kPhp;
    case TagLanguage::Ruby: return kRuby;
    case TagLanguage::Shell: return kShell;
    case TagLanguage::Make: return kMake;
    case TagLanguage::Unknown: break;
    }
    return {};
}

std::string_view WithoutKindKey(std::string_view kind) noexcept {
    constexpr std::string_view kKey = "kind:";
    return kind.starts_with(kKey) ? kind.substr(kKey.size()) : kind;
}

// The images of each icon, in the order of KindIcon: a table rather than a switch, as the
// icon changes from tag to tag. `accessFirst` is the "default" one of a member-like kind's
// four access images, or -1 for a kind without access marks.
struct IconImages {
    int plain;
    int accessFirst;
};
constexpr std::array<IconImages, static_cast<std::size_t>(KindIcon::TypeAlias) + 1> kIconImages = {{
    {kImageNeutral, -1},
    {kImageNamespace, -1},
    {kImageClass, -1},
    {kImageStruct, -1},
    {kImageInterface, -1},
    {kImageEnum, -1},
    {kImageEnumerator, -1},
    {kImageFunctionPlain, kImageFunctionDefault},
    {kImageMethodPlain, kImageMethodDefault},
    {kImagePrototypePlain, kImagePrototypeDefault},
    {kImageFieldPlain, kImageFieldDefault},
    {kImageVariablePlain, kImageVariableDefault},
    {kImagePropertyPlain, kImagePropertyDefault},
    {kImageMacro, -1},
    {kImageTypeAlias, -1},
}};

// The image of an icon; `access` picks the access mark of a member-like kind when not empty.
int ImageOfIcon(KindIcon icon, std::string_view access) noexcept {
    const IconImages& images = kIconImages[static_cast<std::size_t>(icon)];
    return images.accessFirst < 0 || access.empty() ? images.plain : AccessImageOf(images.accessFirst, access);
}

}  // namespace

namespace {

constexpr std::size_t kLanguages = static_cast<std::size_t>(TagLanguage::Make) + 1;

// For each language, the place in its table of each kind letter plus one (0: not a kind). A
// lookup per tag, so a letter costs one load instead of a walk through the table.
using LetterTable = std::array<std::array<std::uint8_t, 128>, kLanguages>;
constexpr LetterTable MakeLetterTable() {
    LetterTable table{};
    for (std::size_t language = 0; language < kLanguages; ++language) {
        const std::span<const KindInfo> kinds = KindsOf(static_cast<TagLanguage>(language));
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            table[language][static_cast<unsigned char>(kinds[i].letter) & 127] = static_cast<std::uint8_t>(i + 1);
        }
    }
    return table;
}
constexpr LetterTable kLetters = MakeLetterTable();

}  // namespace

const KindInfo* FindKind(TagLanguage language, std::string_view kind) noexcept {
    kind = WithoutKindKey(kind);
    if (kind.size() == 1) {
        const auto letter = static_cast<unsigned char>(kind[0]);
        const std::uint8_t place = letter < 128 ? kLetters[static_cast<std::size_t>(language)][letter] : 0;
        return place == 0 ? nullptr : &KindsOf(language)[place - 1];
    }
    for (const KindInfo& info : KindsOf(language)) {
        if (info.name == kind) {
            return &info;
        }
    }
    return nullptr;
}

std::string_view KindLongName(TagLanguage language, std::string_view kind) noexcept {
    if (const KindInfo* info = FindKind(language, kind)) {
        return info->name;
    }
    kind = WithoutKindKey(kind);
    return kind.size() > 1 ? kind : std::string_view{};
}

int LanguageImageOf(TagLanguage language, std::string_view kind, std::string_view access) noexcept {
    if (language == TagLanguage::Java || language == TagLanguage::Unknown) {
        return MemberImageOf(kind, access);
    }
    const KindInfo* info = FindKind(language, kind);
    return ImageOfIcon(info != nullptr ? info->icon : KindIcon::Neutral, access);
}

}  // namespace quarrow
