#include "tree/tag_fields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "tags/tag_entry.h"
#include "tree/short_text.h"

namespace quarrow {

namespace {

// Whether a field's key is `name`: inline, as most keys differ in length or in their last bytes
// and a library call would cost more than the comparison.
template <std::size_t N>
bool Is(std::string_view key, const char (&name)[N]) noexcept {
    return SameShortText(key, std::string_view(name, N - 1));
}

// The names of ctags' fields that are not scopes, by length. "implementation" and "package" are
// missing on purpose: they are also kinds (a Rust impl block, a Go package) that name a member's
// scope.
bool IsOtherField(std::string_view key) noexcept {
    switch (key.size()) {
    case 3:
        return Is(key, "end") || Is(key, "nth") || Is(key, "uri");
    case 4:
        return Is(key, "line") || Is(key, "file") || Is(key, "kind") || Is(key, "name") || Is(key, "home");
    case 5:
        return Is(key, "roles") || Is(key, "epoch") || Is(key, "input") || Is(key, "mixin") || Is(key, "shell") ||
               Is(key, "xpath");
    case 6:
        return Is(key, "access") || Is(key, "extras") || Is(key, "langid");
    case 7:
        return Is(key, "typeref") || Is(key, "compact") || Is(key, "nameref") || Is(key, "pattern") || Is(key, "version");
    case 8:
        return Is(key, "language") || Is(key, "inherits") || Is(key, "template") || Is(key, "macrodef") ||
               Is(key, "captures") || Is(key, "category") || Is(key, "wrapping");
    case 9:
        return Is(key, "signature") || Is(key, "parameter") || Is(key, "protocols") || Is(key, "scopeKind");
    case 10:
        return Is(key, "properties") || Is(key, "assignment") || Is(key, "decorators") || Is(key, "implements");
    case 11:
        return Is(key, "constructor") || Is(key, "howImported") || Is(key, "packageName");
    case 12:
        return Is(key, "architecture") || Is(key, "assignmentop");
    case 13:
        return Is(key, "sectionMarker");
    case 14:
        return Is(key, "specialization");
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

// Whether the text at `p` (ending at `end`) starts with `text`.
template <std::size_t N>
bool StartsWith(const char* p, const char* end, const char (&text)[N]) noexcept {
    return end - p >= static_cast<std::ptrdiff_t>(N - 1) && std::memcmp(p, text, N - 1) == 0;
}

// Takes one field, [start, end) with its first ':' at `colon` (or null); true once the reading
// may stop.
bool TakeField(TagScopeFields& fields, const char* start, const char* end, const char* colon, bool first) noexcept {
    if (first && (colon == nullptr || (end - start >= 5 && std::memcmp(start, "kind:", 5) == 0))) {
        fields.kind = std::string_view(start, static_cast<std::size_t>(end - start));
        return false;
    }
    if (colon == nullptr || colon == start) {
        return false;  // no key
    }
    const std::string_view key(start, static_cast<std::size_t>(colon - start));
    const std::string_view value(colon + 1, static_cast<std::size_t>(end - (colon + 1)));
    if (Is(key, "language")) {
        fields.language = value;
    } else if (Is(key, "scope")) {
        // "scope:KIND:NAME" wins over an earlier guess; NAME may hold colons itself. The kind is
        // a short word: a loop finds its end sooner than a library call.
        std::size_t split = 0;
        while (split < value.size() && value[split] != ':') {
            ++split;
        }
        if (split != value.size()) {
            fields.scopeKind = value.substr(0, split);
            fields.scope = value.substr(split + 1);
            return true;
        }
    } else if (Is(key, "typeref") || Is(key, "file") || Is(key, "access") || Is(key, "signature") || Is(key, "inherits")) {
        return true;  // ctags writes these after the scope: this tag has none
    } else if (!value.empty() && !IsOtherField(key)) {
        fields.scopeKind = key;
        fields.scope = value;
        return true;
    }
    return false;
}

#if defined(__SSE2__)
// Eight bytes from `p` as one number, and the same of a text of eight bytes.
std::uint64_t Load8(const char* p) noexcept {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return word;
}
template <std::size_t N>
constexpr std::uint64_t Word(const char (&text)[N]) noexcept {
    static_assert(N <= 9);
    std::array<char, 8> bytes{};
    for (std::size_t i = 0; i + 1 < N; ++i) {
        bytes[i] = text[i];
    }
    return std::bit_cast<std::uint64_t>(bytes);
}
// The first `n` bytes of a word loaded by Load8, in either byte order.
constexpr std::uint64_t Head(std::size_t n) noexcept {
    std::array<unsigned char, 8> bytes{};
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = 0xFF;
    }
    return std::bit_cast<std::uint64_t>(bytes);
}

// Bit i of the two masks: byte i of sixteen is a TAB, a ':'.
void MarkChunk(__m128i bytes, std::uint64_t& tabs, std::uint64_t& colons) noexcept {
    tabs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t'))));
    colons = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(':'))));
}

// Bit i of `tabs` and `colons`: byte i of the `size` (1 to 64) at `p` is a TAB or a ':'. Reads
// the 64 bytes that end at p + size when they start at `low` or after (the line's text before
// the fields), so that the loads are always the same four; a copy would be slower, as its
// loads wait for its stores.
void MarkBlock(const char* p, std::size_t size, const char* low, std::uint64_t& tabs, std::uint64_t& colons) noexcept {
    alignas(16) char padded[64];
    const char* base = padded;
    if (static_cast<std::size_t>(p - low) + size >= 64) {
        base = p + size - 64;
    } else {
        std::memset(padded, 0, sizeof padded);
        std::memcpy(padded + 64 - size, p, size);
    }
    tabs = 0;
    colons = 0;
    for (unsigned i = 0; i < 4; ++i) {
        std::uint64_t t = 0;
        std::uint64_t c = 0;
        MarkChunk(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + 16 * i)), t, c);
        tabs |= t << (16 * i);
        colons |= c << (16 * i);
    }
    tabs >>= 64 - size;
    colons >>= 64 - size;
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
        MarkBlock(p, size, tag.GetText().data(), tabs, colons);
        if (size < 64) {
            tabs |= std::uint64_t{1} << size;  // the end of the text closes the last field
        }
        if (tabs == 0) {
            break;  // a field longer than the block: the byte-wise reading below takes it
        }
        const char* const block = p;
        // Steps past the field at p, which ends at the block's next TAB.
        auto pass = [&]() {
            const auto tabAt = static_cast<unsigned>(std::countr_zero(tabs));
            p = block + tabAt + 1;
            colons &= ~((std::uint64_t{2} << tabAt) - 1);
            tabs &= tabs - 1;
        };
        if (first && (colons & ((tabs & (0 - tabs)) - 1)) == 0) {
            // What ctags writes first: the kind, then "line:N" and "language:NAME", which
            // TakeField would pass over and take as well.
            fields.kind = std::string_view(p, static_cast<std::size_t>(std::countr_zero(tabs)));
            first = false;
            pass();
            if (tabs != 0 && StartsWith(p, end, "line:")) {
                pass();
            }
            if (tabs != 0 && StartsWith(p, end, "language:")) {
                const char* const value = p + 9;
                pass();
                fields.language = std::string_view(value, static_cast<std::size_t>(p - 1 - value));
            }
            if (tabs == 0 || p >= end) {
                continue;
            }
            // The next field is mostly the scope or a field ctags writes after it: decide both
            // without a branch on which, as the field varies from tag to tag.
            if (end - p >= 10) {
                const std::uint64_t word = Load8(p);
                const bool scope = (word & Head(6)) == Word("scope:");
                const bool after = word == Word("typeref:") || (word & Head(5)) == Word("file:") ||
                                   (word & Head(7)) == Word("access:") ||
                                   (word == Word("signatur") && p[8] == 'e' && p[9] == ':') ||
                                   (word == Word("inherits") && p[8] == ':');
                const auto tabAt = static_cast<unsigned>(std::countr_zero(tabs));
                // The colon that ends the scope's kind: the first after "scope:", before the TAB.
                const auto keyColon = static_cast<unsigned>(p + 5 - block) & 63u;
                const std::uint64_t valueColons =
                    colons & ~((std::uint64_t{2} << keyColon) - 1) & ((std::uint64_t{1} << tabAt) - 1);
                const bool hasScope = scope && valueColons != 0;
                if (hasScope || after) {
                    if (hasScope) {
                        const char* const split = block + std::countr_zero(valueColons);
                        fields.scopeKind = std::string_view(p + 6, static_cast<std::size_t>(split - (p + 6)));
                        fields.scope = std::string_view(split + 1, static_cast<std::size_t>(block + tabAt - (split + 1)));
                    }
                    return fields;
                }
                // The scope keys of the languages most tags come from ("class:Outer" in Java,
                // "struct:node" in C): taken here, without testing the key against every other
                // field's name.
                const std::size_t keyLength = (word & Head(6)) == Word("class:")   ? 6
                                              : (word & Head(7)) == Word("struct:") ? 7
                                              : (word & Head(5)) == Word("enum:")   ? 5
                                              : (word & Head(6)) == Word("union:")  ? 6
                                              : word == Word("interfac") && p[8] == 'e' && p[9] == ':' ? 10
                                              : word == Word("namespac") && p[8] == 'e' && p[9] == ':' ? 10
                                                                                                        : 0;
                if (keyLength != 0 && block + tabAt > p + keyLength) {
                    fields.scopeKind = std::string_view(p, keyLength - 1);
                    fields.scope = std::string_view(p + keyLength, static_cast<std::size_t>(block + tabAt - (p + keyLength)));
                    return fields;
                }
            }
        }
        do {
            const auto tabAt = static_cast<unsigned>(std::countr_zero(tabs));
            const std::uint64_t fieldColons = colons & ((std::uint64_t{1} << tabAt) - 1);
            const char* const colon = fieldColons != 0 ? block + std::countr_zero(fieldColons) : nullptr;
            if (TakeField(fields, p, block + tabAt, colon, first)) {
                return fields;
            }
            first = false;
            pass();
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
