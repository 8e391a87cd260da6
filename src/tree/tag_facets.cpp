#include "tree/tag_facets.h"

#include <array>

#include "tags/tag_entry.h"
#include "tree/kind_icons.h"
#include "tree/language_of.h"
#include "tree/tag_fields.h"

namespace quarrow {

namespace {

constexpr std::array<std::string_view, 4> kAccessWords = {"public", "protected", "private", "package"};

// The bit of an access field's value, or 0 for a value the facets do not name.
std::uint8_t AccessBit(std::string_view access) noexcept {
    if (access == "default") {
        access = "package";
    }
    for (std::size_t i = 0; i < kAccessWords.size(); ++i) {
        if (access == kAccessWords[i]) {
            return static_cast<std::uint8_t>(1u << i);
        }
    }
    return 0;
}

std::string_view WithoutKindKey(std::string_view kind) noexcept {
    return kind.starts_with("kind:") ? kind.substr(5) : kind;
}

// The kind letter of `tag`, or 0 when it has none the tables know.
char KindLetter(const CTagEntry& tag) noexcept {
    std::string_view kind = WithoutKindKey(tag.GetKind());
    TagScopeFields fields;
    if (kind.size() == 1) {
        return kind[0];
    }
    fields = ReadScopeFields(tag);
    if (kind.empty()) {
        kind = WithoutKindKey(fields.kind);
        if (kind.size() == 1) {
            return kind[0];
        }
    }
    const TagLanguage language =
        fields.language.empty() ? LanguageFromFile(tag.GetFile()) : LanguageFromName(fields.language);
    // A language the table does not know reads its kinds as Java's, as the tree's icons do.
    const KindInfo* info = FindKind(language == TagLanguage::Unknown ? TagLanguage::Java : language, kind);
    return info == nullptr ? '\0' : info->letter;
}

}  // namespace

void TagFacets::ShowKinds(std::string_view letters) noexcept {
    m_kinds.reset();
    for (const char letter : letters) {
        const auto byte = static_cast<unsigned char>(letter);
        if (byte > 0 && byte < m_kinds.size()) {
            m_kinds.set(byte);
        }
    }
    m_byKind = true;
}

bool TagFacets::ShowAccess(std::string_view words) noexcept {
    std::uint8_t bits = 0;
    while (true) {
        const std::size_t comma = words.find(',');
        const std::string_view word = words.substr(0, comma);
        const std::uint8_t bit = AccessBit(word);
        if (bit == 0) {
            return false;
        }
        bits |= bit;
        if (comma == std::string_view::npos) {
            break;
        }
        words.remove_prefix(comma + 1);
    }
    m_access = bits;
    m_byAccess = true;
    return true;
}

bool TagFacets::Shows(const CTagEntry& member) const noexcept {
    if (m_byAccess) {
        const std::uint8_t bit = AccessBit(member.GetAccess());
        if (bit != 0 && (m_access & bit) == 0) {
            return false;
        }
    }
    if (m_byKind) {
        const auto letter = static_cast<unsigned char>(KindLetter(member));
        return letter > 0 && letter < m_kinds.size() && m_kinds.test(letter);
    }
    return true;
}

}  // namespace quarrow
