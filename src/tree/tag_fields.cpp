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

// The first TAB in [p, end), or `end`. The line's bytes start at `low`: a rest shorter than
// sixteen bytes is read as the sixteen that end at `end` when the line holds them, so no read
// leaves the line.
const char* NextTab(const char* p, const char* end, const char* low) noexcept {
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t');
    for (; end - p >= 16; p += 16) {
        const auto tabs = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), tab)));
        if (tabs != 0) {
            return p + std::countr_zero(tabs);
        }
    }
    if (p < end && end - low >= 16) {
        const auto skip = static_cast<unsigned>(16 - (end - p));
        const auto tabs = static_cast<unsigned>(_mm_movemask_epi8(
                              _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16)), tab))) >>
                          skip;
        return tabs != 0 ? p + std::countr_zero(tabs) : end;
    }
#endif
    while (p < end && *p != '\t') {
        ++p;
    }
    return p;
}

// The first ':' in [p, end), or null. Keys are short: a loop finds it sooner than a library call.
const char* FirstColon(const char* p, const char* end) noexcept {
    for (; p < end; ++p) {
        if (*p == ':') {
            return p;
        }
    }
    return nullptr;
}

// The first ";\"" and TAB at or after `p` (before `end`), or null: where the ex-command ends when
// the line's kind was not found (ctags cuts a macro's pattern before its "$/").
const char* FindFieldsMarker(const char* p, const char* end, const char* low) noexcept {
    const char* const from = p;
#if defined(__SSE2__)
    // The quote, sixteen bytes at a time; the bytes around it decide.
    const __m128i quote = _mm_set1_epi8('"');
    for (; p < end; p += 16) {
        unsigned quotes = 0;
        unsigned shift = 0;
        if (end - p >= 16) {
            quotes = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), quote)));
        } else if (end - low >= 16) {
            shift = static_cast<unsigned>(16 - (end - p));
            quotes = static_cast<unsigned>(_mm_movemask_epi8(
                         _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16)), quote))) >>
                     shift;
        } else {
            break;
        }
        for (; quotes != 0; quotes &= quotes - 1) {
            const char* const at = p + std::countr_zero(quotes);
            if (at > from && at[-1] == ';' && end - at >= 2 && at[1] == '\t') {
                return at - 1;
            }
        }
        if (shift != 0) {
            return nullptr;
        }
    }
#endif
    // The ';' of a quote not yet seen may close the bytes already passed.
    p = p > from ? p - 1 : p;
    const std::string_view rest(p, static_cast<std::size_t>(end - p));
    const std::size_t at = rest.find(";\"\t");
    return at == std::string_view::npos ? nullptr : p + at;
}

// Where the extension fields begin: at the kind, the first of them, or after the ";\"" and TAB
// that end the ex-command when the line's kind (`kind`, the parser's) was not found. Null when the
// line has none.
const char* FieldsOf(const CTagEntry& tag, std::string_view kind, const char* low, const char* end) noexcept {
    if (!kind.empty()) {
        return kind.data();
    }
    const std::string_view file = tag.GetFile();
    const char* const from = file.empty() ? low : file.data() + file.size();
    const char* const marker = FindFieldsMarker(from, end, low);
    return marker == nullptr ? nullptr : marker + 3;
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
        // "scope:KIND:NAME" wins over an earlier guess; NAME may hold colons itself.
        if (const char* const split = FirstColon(value.data(), end); split != nullptr) {
            fields.scopeKind = std::string_view(value.data(), static_cast<std::size_t>(split - value.data()));
            fields.scope = std::string_view(split + 1, static_cast<std::size_t>(end - (split + 1)));
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

// Eight bytes from `p` as one number, and the same of a text of up to eight bytes.
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
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = kOnes * 0x80;
// The bytes of `word` that equal `c`, flagged by their high bits. The lowest flag is exact; higher
// ones may be false after it (a borrow crosses into the next byte), so only the first is read.
constexpr std::uint64_t FirstBytesEqual(std::uint64_t word, char c) noexcept {
    const std::uint64_t zeroed = word ^ (kOnes * static_cast<unsigned char>(c));
    return (zeroed - kOnes) & ~zeroed & kHighs;
}
// The first ':' in [p, fieldEnd), or null, where the line holds eight bytes from `p` (it ends at
// `end`): a scope's kind ("struct", "class", "namespace") mostly ends within them.
const char* FirstColonAhead(const char* p, const char* fieldEnd, const char* end) noexcept {
    if (end - p < 8) {
        return FirstColon(p, fieldEnd);
    }
    const std::uint64_t zeros = FirstBytesEqual(Load8(p), ':');
    if (zeros == 0) {
        return FirstColon(p + 8, fieldEnd);
    }
    const char* const colon = p + std::countr_zero(zeros) / 8;
    return colon < fieldEnd ? colon : nullptr;
}

// The first `n` bytes of a word loaded by Load8, in either byte order.
constexpr std::uint64_t Head(std::size_t n) noexcept {
    std::array<unsigned char, 8> bytes{};
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = 0xFF;
    }
    return std::bit_cast<std::uint64_t>(bytes);
}

// What the common keys tell of the field [p, fieldEnd), whose first eight bytes are `word`.
enum class Common { kOther, kPassed, kStop };

// The fields ctags writes on most lines, told by their first eight bytes instead of by testing the
// key against every field's name: the line number, the language, the scope in either form, and the
// fields written after the scope.
Common TakeCommonField(TagScopeFields& fields, std::uint64_t word, const char* p, const char* fieldEnd,
                       const char* end) noexcept {
    const auto size = static_cast<std::size_t>(fieldEnd - p);
    // A key's ':' lies inside the field when the word matches it: the byte after the field is its
    // TAB, never a ':'. The first byte picks the keys worth testing.
    std::size_t keyLength = 0;  // of a scope key with its ':' ("class:Outer", "struct:node")
    switch (p[0]) {
    case 'l':
        if ((word & Head(5)) == Word("line:")) {
            return Common::kPassed;
        }
        if (word == Word("language") && size >= 9 && p[8] == ':') {
            fields.language = std::string_view(p + 9, size - 9);
            return Common::kPassed;
        }
        return Common::kOther;
    case 's':
        if ((word & Head(6)) == Word("scope:")) {
            const char* const split = FirstColonAhead(p + 6, fieldEnd, end);
            if (split == nullptr) {
                return Common::kPassed;
            }
            fields.scopeKind = std::string_view(p + 6, static_cast<std::size_t>(split - (p + 6)));
            fields.scope = std::string_view(split + 1, static_cast<std::size_t>(fieldEnd - (split + 1)));
            return Common::kStop;
        }
        if (word == Word("signatur") && size >= 10 && p[8] == 'e' && p[9] == ':') {
            return Common::kStop;  // ctags writes it after the scope: this tag has none
        }
        keyLength = (word & Head(7)) == Word("struct:") ? 7 : 0;
        break;
    case 'f':
        return (word & Head(5)) == Word("file:") ? Common::kStop : Common::kOther;
    case 't':
        return word == Word("typeref:") ? Common::kStop : Common::kOther;
    case 'a':
        return (word & Head(7)) == Word("access:") ? Common::kStop : Common::kOther;
    case 'i':
        if (word == Word("inherits") && size >= 9 && p[8] == ':') {
            return Common::kStop;
        }
        keyLength = word == Word("interfac") && size >= 10 && p[8] == 'e' && p[9] == ':' ? 10 : 0;
        break;
    case 'c':
        keyLength = (word & Head(6)) == Word("class:") ? 6 : 0;
        break;
    case 'e':
        keyLength = (word & Head(5)) == Word("enum:") ? 5 : 0;
        break;
    case 'u':
        keyLength = (word & Head(6)) == Word("union:") ? 6 : 0;
        break;
    case 'n':
        keyLength = word == Word("namespac") && size >= 10 && p[8] == 'e' && p[9] == ':' ? 10 : 0;
        break;
    default:
        break;
    }
    if (keyLength == 0) {
        return Common::kOther;
    }
    if (size == keyLength) {
        return Common::kPassed;  // an empty value is passed over
    }
    fields.scopeKind = std::string_view(p, keyLength - 1);
    fields.scope = std::string_view(p + keyLength, size - keyLength);
    return Common::kStop;
}

// Past the "line:" and "language:" fields that follow `fieldEnd` (a TAB, or the line's end `end`),
// taking the language: ctags writes these two first, and their short values end within eight
// bytes, found there at once instead of by a search per field. Returns the end of the last field
// passed, `fieldEnd` when none was.
const char* PassLineAndLanguage(TagScopeFields& fields, const char* fieldEnd, const char* end) noexcept {
    const char* p = fieldEnd + 1;
    if (end - p >= 13 && (Load8(p) & Head(5)) == Word("line:")) {
        // The lowest byte flagged is the first that is not a digit: below it nothing borrows or
        // carries.
        const std::uint64_t digits = Load8(p + 5);
        const std::uint64_t others = ((digits - kOnes * '0') | (digits + kOnes * 0x46)) & kHighs;
        if (others == 0) {
            return fieldEnd;
        }
        const char* const after = p + 5 + std::countr_zero(others) / 8;
        if (*after != '\t') {
            return fieldEnd;
        }
        fieldEnd = after;
        p = after + 1;
    }
    if (end - p >= 9 && Load8(p) == Word("language") && p[8] == ':') {
        const char* after = p + 9;
        if (end - after >= 8) {
            const std::uint64_t tabs = FirstBytesEqual(Load8(after), '\t');
            if (tabs == 0) {
                return fieldEnd;
            }
            after += std::countr_zero(tabs) / 8;
        } else if (after < end) {
            // The line ends within eight bytes, which may end the field too: the eight that end
            // the line are read, those before the value left out. The test is exact per byte (no
            // carry crosses bytes), as a TAB may lie among those left out.
            const std::uint64_t value = Load8(end - 8) ^ (kOnes * '\t');
            const std::uint64_t tabs = ~(((value & (kOnes * 0x7F)) + kOnes * 0x7F) | value) & kHighs;
            const auto before = static_cast<unsigned>(8 - (end - after));
            const std::uint64_t ahead = tabs >> (8 * before);
            after = ahead == 0 ? end : after + std::countr_zero(ahead) / 8;
        }
        fields.language = std::string_view(p + 9, static_cast<std::size_t>(after - (p + 9)));
        fieldEnd = after;
    }
    return fieldEnd;
}

}  // namespace

TagScopeFields ReadScopeFields(const CTagEntry& tag) noexcept {
    TagScopeFields fields;
    const std::string_view text = tag.GetText();
    const char* const low = text.data();
    const char* const end = low + text.size();
    const char* fieldEnd = nullptr;
    const std::string_view kind = tag.GetKind();
    fields.parserKind = kind;
    if (!kind.empty()) {
        // The parser found the kind, a field of its own when a TAB or the line's end follows it
        // and it has no key.
        const char* const kindEnd = kind.data() + kind.size();
        const bool keyless = kind.size() == 1 ? kind[0] != ':' : FirstColon(kind.data(), kindEnd) == nullptr;
        if ((kindEnd == end || *kindEnd == '\t') && keyless) {
            fields.kind = kind;
            fieldEnd = kindEnd;
        }
    }
    if (fieldEnd == nullptr) {
        const char* const p = FieldsOf(tag, kind, low, end);
        if (p == nullptr || p >= end) {
            return fields;
        }
        // The first field is the kind unless it has a key of its own; mostly it is one letter.
        fieldEnd = end - p >= 2 && p[0] != '\t' && p[1] == '\t' ? p + 1 : NextTab(p, end, low);
        if (const char* const colon = FirstColon(p, fieldEnd); colon == nullptr) {
            fields.kind = std::string_view(p, static_cast<std::size_t>(fieldEnd - p));
        } else if (TakeField(fields, p, fieldEnd, colon, true)) {
            return fields;
        }
    }
    fieldEnd = PassLineAndLanguage(fields, fieldEnd, end);
    while (fieldEnd < end) {
        const char* const p = fieldEnd + 1;  // past the TAB
        fieldEnd = NextTab(p, end, low);
        if (end - p >= 8) {
            const Common common = TakeCommonField(fields, Load8(p), p, fieldEnd, end);
            if (common == Common::kStop) {
                return fields;
            }
            if (common == Common::kPassed) {
                continue;
            }
        }
        if (TakeField(fields, p, fieldEnd, FirstColon(p, fieldEnd), false)) {
            return fields;
        }
    }
    return fields;
}

}  // namespace quarrow
