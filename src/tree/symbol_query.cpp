#include "tree/symbol_query.h"

#include "tags/tag_entry.h"
#include "tree/kind_icons.h"
#include "tree/language_of.h"
#include "tree/tag_fields.h"

namespace quarrow {

namespace {

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view WithoutKindKey(std::string_view kind) noexcept {
    return kind.starts_with("kind:") ? kind.substr(5) : kind;
}

// The value of `word` after one of `keys`, or false when it has none of them.
bool ValueAfterKey(std::string_view word, std::string_view shortKey, std::string_view longKey,
                   std::string_view& value) noexcept {
    for (const std::string_view key : {shortKey, longKey}) {
        if (word.starts_with(key)) {
            value = word.substr(key.size());
            return true;
        }
    }
    return false;
}

std::vector<std::string> KindsOf(std::string_view value) {
    std::vector<std::string> kinds;
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        const std::string_view kind = value.substr(0, comma);
        if (!kind.empty()) {
            kinds.emplace_back(kind);
        }
        value = comma == std::string_view::npos ? std::string_view{} : value.substr(comma + 1);
    }
    return kinds;
}

// Where `word` splits into a scope and a name: at its last "::" or "." that has something before
// it. `nameAt` receives where the name begins.
std::size_t ScopeSplit(std::string_view word, std::size_t& nameAt) noexcept {
    const std::size_t colons = word.rfind("::");
    const std::size_t dot = word.rfind('.');
    std::size_t at = std::string_view::npos;
    if (colons != std::string_view::npos && colons > 0 && (dot == std::string_view::npos || colons + 1 > dot)) {
        at = colons;
        nameAt = colons + 2;
    } else if (dot != std::string_view::npos && dot > 0) {
        at = dot;
        nameAt = dot + 1;
    }
    return at;
}

}  // namespace

std::string_view TagKindText(const CTagEntry& tag) noexcept {
    const std::string_view kind = tag.GetKind();
    return WithoutKindKey(kind.empty() ? ReadScopeFields(tag).kind : kind);
}

std::string_view TagScopeText(const CTagEntry& tag) noexcept {
    const std::string_view scope = ReadScopeFields(tag).scope;
    return scope.empty() ? tag.GetClass() : scope;
}

SymbolQuery ParseSymbolQuery(std::string_view text, CodePage cp) {
    SymbolQuery query;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        std::size_t end = at;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        const std::string_view word = text.substr(at, end - at);
        at = end;
        if (word.empty()) {
            continue;
        }
        std::string_view value;
        if (ValueAfterKey(word, "k:", "kind:", value)) {
            if (std::vector<std::string> kinds = KindsOf(value); !kinds.empty()) {
                query.kinds.push_back(std::move(kinds));
            }
            continue;
        }
        if (ValueAfterKey(word, "f:", "file:", value)) {
            if (!value.empty()) {
                query.files.emplace_back(value, cp);
            }
            continue;
        }
        std::size_t nameAt = 0;
        const std::size_t split = ScopeSplit(word, nameAt);
        std::string_view name = word;
        if (split != std::string_view::npos) {
            query.scopes.emplace_back(word.substr(0, split), cp);
            name = word.substr(nameAt);
        }
        if (!name.empty()) {
            query.names.emplace_back(name, cp);
            query.nameSignature |= query.names.back().Signature();
        }
    }
    return query;
}

bool SymbolQuery::TagPasses(const CTagEntry& tag) const noexcept {
    for (const TagFilterText& file : files) {
        if (!file.IsIn(tag.GetFile())) {
            return false;
        }
    }
    // The other fields are read only when asked for, and once.
    bool read = false;
    TagScopeFields fields;
    auto readFields = [&] {
        if (!read) {
            fields = ReadScopeFields(tag);
            read = true;
        }
    };
    if (!kinds.empty()) {
        std::string_view kind = WithoutKindKey(tag.GetKind());
        if (kind.empty()) {
            readFields();
            kind = WithoutKindKey(fields.kind);
        }
        // The long name of the tag's kind by its language's table, looked up on first need. A
        // language the table does not know reads its kinds as Java's, as the tree's icons do.
        bool lookedUp = false;
        const KindInfo* info = nullptr;
        auto lookUp = [&] {
            if (!lookedUp) {
                readFields();
                TagLanguage language =
                    fields.language.empty() ? LanguageFromFile(tag.GetFile()) : LanguageFromName(fields.language);
                info = FindKind(language == TagLanguage::Unknown ? TagLanguage::Java : language, kind);
                lookedUp = true;
            }
        };
        for (const std::vector<std::string>& either : kinds) {
            bool any = false;
            for (const std::string& wanted : either) {
                if (wanted.size() == 1 && kind.size() == 1) {
                    // A letter is its own letter in every table.
                    any = any || kind == wanted;
                    continue;
                }
                lookUp();
                if (wanted.size() == 1) {
                    any = any || (info != nullptr && info->letter == wanted[0]);
                } else {
                    any = any || SameIgnoringCase(info != nullptr ? info->name : kind, wanted);
                }
            }
            if (!any) {
                return false;
            }
        }
    }
    if (!scopes.empty()) {
        readFields();
        const std::string_view scope = fields.scope.empty() ? tag.GetClass() : fields.scope;
        for (const FuzzyWord& word : scopes) {
            if (!word.IsIn(scope)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace quarrow
