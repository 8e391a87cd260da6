#include "tree/tag_fields.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "tags/tag_entry.h"

namespace quarrow {

namespace {

// The names of ctags' fields that are not scopes, by length. "implementation" and "package" are
// missing on purpose: they are also kinds (a Rust impl block, a Go package) that name a member's
// scope.
bool IsOtherField(std::string_view key) noexcept {
    switch (key.size()) {
    case 3:
        return key == "end" || key == "nth" || key == "uri";
    case 4:
        return key == "line" || key == "file" || key == "kind" || key == "name" || key == "home";
    case 5:
        return key == "roles" || key == "epoch" || key == "input" || key == "mixin" || key == "shell" ||
               key == "xpath";
    case 6:
        return key == "access" || key == "extras" || key == "langid";
    case 7:
        return key == "typeref" || key == "compact" || key == "nameref" || key == "pattern" || key == "version";
    case 8:
        return key == "language" || key == "inherits" || key == "template" || key == "macrodef" ||
               key == "captures" || key == "category" || key == "wrapping";
    case 9:
        return key == "signature" || key == "parameter" || key == "protocols" || key == "scopeKind";
    case 10:
        return key == "properties" || key == "assignment" || key == "decorators" || key == "implements";
    case 11:
        return key == "constructor" || key == "howImported" || key == "packageName";
    case 12:
        return key == "architecture" || key == "assignmentop";
    case 13:
        return key == "sectionMarker";
    case 14:
        return key == "specialization";
    default:
        return false;
    }
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

// The end of the field at `p` (its TAB, or `end`), and in `colon` its first ':' (or null).
const char* FieldEnd(const char* p, const char* end, const char*& colon) noexcept {
    colon = nullptr;
#if defined(__SSE2__)
    // Sixteen bytes at a time: a field's key and short value take one or two steps.
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i mark = _mm_set1_epi8(':');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto tabs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, tab)));
        auto colons = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, mark)));
        if (tabs != 0) {
            colons &= (tabs & (0u - tabs)) - 1;  // only those before the TAB
        }
        if (colon == nullptr && colons != 0) {
            colon = p + std::countr_zero(colons);
        }
        if (tabs != 0) {
            return p + std::countr_zero(tabs);
        }
    }
#endif
    for (; p < end && *p != '\t'; ++p) {
        if (*p == ':' && colon == nullptr) {
            colon = p;
        }
    }
    return p;
}

// Takes one field, [start, end) with its first ':' at `colon` (or null); true once the reading
// may stop.
bool TakeField(TagScopeFields& fields, const char* start, const char* end, const char* colon, bool first) noexcept {
    const std::string_view field(start, static_cast<std::size_t>(end - start));
    if (first && (colon == nullptr || field.starts_with("kind:"))) {
        fields.kind = field;
        return false;
    }
    if (colon == nullptr || colon == start) {
        return false;  // no key
    }
    const std::string_view key(start, static_cast<std::size_t>(colon - start));
    const std::string_view value(colon + 1, static_cast<std::size_t>(end - (colon + 1)));
    if (key == "language") {
        fields.language = value;
    } else if (key == "scope") {
        // "scope:KIND:NAME" wins over an earlier guess; NAME may hold colons itself.
        const std::size_t split = value.find(':');
        if (split != std::string_view::npos) {
            fields.scopeKind = value.substr(0, split);
            fields.scope = value.substr(split + 1);
            return true;
        }
    } else if (key == "typeref" || key == "file" || key == "access" || key == "signature" || key == "inherits") {
        return true;  // ctags writes these after the scope: this tag has none
    } else if (!value.empty() && !IsOtherField(key)) {
        fields.scopeKind = key;
        fields.scope = value;
        return true;
    }
    return false;
}

#if defined(__SSE2__)
// Bit i of `tabs` and `colons`: byte i of the 64 at `p` is a TAB or a ':'. Only `size` bytes
// (at most 64) are read.
void MarkBlock(const char* p, std::size_t size, std::uint64_t& tabs, std::uint64_t& colons) noexcept {
    alignas(16) char padded[64];
    if (size < 64) {
        std::memset(padded, 0, sizeof padded);
        std::memcpy(padded, p, size);
        p = padded;
    }
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i mark = _mm_set1_epi8(':');
    tabs = 0;
    colons = 0;
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        tabs |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, tab)))) << (16 * i);
        colons |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, mark)))) << (16 * i);
    }
}
#endif

}  // namespace

TagScopeFields ReadScopeFields(const CTagEntry& tag) noexcept {
    TagScopeFields fields;
    const std::string_view rest = FieldsOf(tag);
    const char* p = rest.data();
    const char* const end = p + rest.size();
    bool first = true;
#if defined(__SSE2__)
    // Sixty-four bytes at a time: the fields up to the scope mostly fit in one block, whose TABs
    // and colons then split them without a branch per byte.
    while (end - p >= 1) {
        const auto size = static_cast<std::size_t>(std::min<std::ptrdiff_t>(end - p, 64));
        std::uint64_t tabs = 0;
        std::uint64_t colons = 0;
        MarkBlock(p, size, tabs, colons);
        if (size < 64) {
            tabs |= std::uint64_t{1} << size;  // the end of the text closes the last field
        }
        if (tabs == 0) {
            break;  // a field longer than the block: the byte-wise reading below takes it
        }
        const char* const block = p;
        do {
            const auto tabAt = static_cast<unsigned>(std::countr_zero(tabs));
            const std::uint64_t fieldColons = colons & ((std::uint64_t{1} << tabAt) - 1);
            const char* const colon = fieldColons != 0 ? block + std::countr_zero(fieldColons) : nullptr;
            if (TakeField(fields, p, block + tabAt, colon, first)) {
                return fields;
            }
            first = false;
            p = block + tabAt + 1;
            colons &= ~((std::uint64_t{2} << tabAt) - 1);
            tabs &= tabs - 1;
        } while (tabs != 0 && p < end);
    }
#endif
    while (p < end) {
        const char* colon = nullptr;
        const char* const fieldEnd = FieldEnd(p, end, colon);
        if (TakeField(fields, p, fieldEnd, colon, first)) {
            break;
        }
        first = false;
        p = fieldEnd + 1;  // past the TAB
    }
    return fields;
}

}  // namespace quarrow
