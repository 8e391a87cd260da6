#include "tree/tag_fields.h"

#include <algorithm>
#include <array>

#include "tags/tag_entry.h"

namespace quarrow {

namespace {

// The names of ctags' fields that are not scopes. "implementation" and "package" are missing on
// purpose: they are also kinds (a Rust impl block, a Go package) that name a member's scope.
// The most frequent come first.
constexpr std::array<std::string_view, 44> kOtherFields = {
    "line",      "access",       "file",       "signature",    "typeref",    "language",
    "kind",      "inherits",     "end",        "roles",        "extras",     "properties",
    "template",  "macrodef",     "captures",   "name",         "nth",        "specialization",
    "architecture", "assignment", "assignmentop", "category",  "compact",    "constructor",
    "decorators", "epoch",       "home",       "howImported",  "implements", "input",
    "langid",    "mixin",        "nameref",    "packageName",  "parameter",  "pattern",
    "protocols", "scopeKind",    "sectionMarker", "shell",     "uri",        "version",
    "wrapping",  "xpath",
};

bool IsOtherField(std::string_view key) noexcept {
    return std::find(kOtherFields.begin(), kOtherFields.end(), key) != kOtherFields.end();
}

// Where the extension fields begin: at the kind, the first of them, or after the ";\"" and TAB
// that end the ex-command when the line's kind was not found.
std::string_view FieldsOf(const CTagEntry& tag) noexcept {
    const std::string_view text = tag.GetText();
    const std::string_view kind = tag.GetKind();
    if (!kind.empty()) {
        return text.substr(static_cast<std::size_t>(kind.data() - text.data()));
    }
    const std::string_view file = tag.GetFile();
    const std::size_t from = file.empty() ? 0 : static_cast<std::size_t>(file.data() - text.data()) + file.size();
    const std::size_t marker = text.find(";\"\t", from);
    return marker == std::string_view::npos ? std::string_view{} : text.substr(marker + 3);
}

}  // namespace

TagScopeFields ReadScopeFields(const CTagEntry& tag) noexcept {
    TagScopeFields fields;
    std::string_view rest = FieldsOf(tag);
    bool haveScope = false;
    bool first = true;
    while (!rest.empty()) {
        const std::size_t tab = rest.find('\t');
        const std::string_view field = rest.substr(0, tab);
        rest = tab == std::string_view::npos ? std::string_view{} : rest.substr(tab + 1);
        const std::size_t colon = field.find(':');
        if (first) {
            first = false;
            if (colon == std::string_view::npos || field.starts_with("kind:")) {
                fields.kind = field;
                continue;
            }
        }
        if (colon == std::string_view::npos || colon == 0) {
            continue;  // no key
        }
        const std::string_view key = field.substr(0, colon);
        const std::string_view value = field.substr(colon + 1);
        if (key == "language") {
            fields.language = value;
        } else if (key == "scope") {
            // "scope:KIND:NAME" wins over an earlier guess; NAME may hold colons itself.
            const std::size_t split = value.find(':');
            if (split != std::string_view::npos) {
                fields.scopeKind = value.substr(0, split);
                fields.scope = value.substr(split + 1);
                haveScope = true;
            }
        } else if (!haveScope && fields.scope.empty() && !value.empty() && !IsOtherField(key)) {
            fields.scopeKind = key;
            fields.scope = value;
        }
    }
    return fields;
}

}  // namespace quarrow
