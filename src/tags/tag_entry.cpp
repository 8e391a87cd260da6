#include "tags/tag_entry.h"

#include <cstring>
#include <bit>
#include <limits>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quarrow {

namespace {

constexpr std::string_view kPatternStart = "/^";
// The closing "$/" of the pattern and the ";\"" that opens the extension fields.
constexpr std::string_view kEndMarker = "$/;\"";
constexpr std::string_view kLineKey = "line:";
constexpr std::string_view kAccessKey = "access:";
constexpr std::string_view kClassKey = "class:";

// [begin, end) of `line` with blanks (the byte 0x20 only) removed from both ends.
void TrimSpaces(std::string_view line, std::size_t& begin, std::size_t& end) noexcept {
    while (begin < end && line[begin] == ' ') {
        ++begin;
    }
    while (end > begin && line[end - 1] == ' ') {
        --end;
    }
}

// The value that follows `at` up to the next TAB or the end of the line, blanks trimmed.
void ValueAfter(std::string_view line, std::size_t at, std::size_t& begin, std::size_t& end) noexcept {
    begin = at;
    end = line.find('\t', at);
    if (end == std::string_view::npos) {
        end = line.size();
    }
    TrimSpaces(line, begin, end);
}

bool IsCSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The C library's atoi, except that a value out of range saturates instead of being undefined.
std::int32_t ReadDecimal(std::string_view text) noexcept {
    std::size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-value);
    }
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

}  // namespace

static_assert(sizeof(CTagEntry) == 24, "the fields fill three 64-bit words exactly");

void CTagEntry::SetText(const char* text) {
    const auto address = reinterpret_cast<std::uintptr_t>(text);
    if (address >> kAddressBits != 0) {
        throw std::length_error("CTagEntry: text address beyond 48 bits");
    }
    Set<kAddress>(address);
}

void CTagEntry::Parse(std::string_view piece, CodePage cp) {
    *this = CTagEntry{};
    if (cp == CodePage::ShiftJis) {
        Set<kShiftJis>(1);
    }
    if (piece.size() > kMaxPiece) {
        piece = piece.substr(0, kMaxPiece);
    }
    if (piece.data() != nullptr) {
        SetText(piece.data());
    }
    if (cp == CodePage::Utf8) {
        ParseBytes(piece);
        return;
    }
    if (const std::size_t nul = piece.find('\0'); nul != std::string_view::npos) {
        piece = piece.substr(0, nul);
    }
    if (!piece.empty() && piece.back() == '\n') {
        piece.remove_suffix(1);
    }
    Set<kTextLength>(piece.size());
    const std::string_view line = piece;

    // Header lines of the tags file hold nothing but their text.
    if (line.size() >= 2 && line[0] == '!' && line[1] == '_') {
        return;
    }


    const std::size_t firstTab = line.find('\t');
    Set<kNameLength>(firstTab == std::string_view::npos ? line.size() : firstTab);
    if (firstTab != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, firstTab + 1, begin, end);
        Set<kFileLength>(end - begin);
    }

    const std::size_t patternAt = FindText(cp, line, kPatternStart);
    const std::size_t markerAt = FindText(cp, line, kEndMarker);
    if (markerAt != std::string_view::npos) {
        Set<kMarkerAt>(markerAt);
        if (patternAt != std::string_view::npos && markerAt >= patternAt + kPatternStart.size()) {
            Set<kPatternLength>(markerAt - patternAt - kPatternStart.size());
        }
    }

    if (const std::size_t at = FindText(cp, line, kLineKey); at != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, at + kLineKey.size(), begin, end);
        SetLineNo(ReadDecimal(line.substr(begin, end - begin)));
    }

    // The kind is whatever field comes first after the ex-command and the TAB behind it.
    if (markerAt != std::string_view::npos && markerAt + kEndMarker.size() + 1 <= line.size()) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, markerAt + kEndMarker.size() + 1, begin, end);
        Set<kKindLength>(end - begin);
    }

    if (const std::size_t at = FindText(cp, line, kAccessKey); at != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, at + kAccessKey.size(), begin, end);
        Set<kAccessOffset>(begin);
        Set<kAccessLength>(end - begin);
    }
    if (const std::size_t at = FindText(cp, line, kClassKey); at != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, at + kClassKey.size(), begin, end);
        Set<kClassOffset>(begin);
        Set<kClassLength>(end - begin);
    }
}

void CTagEntry::ParseBytes(std::string_view piece) noexcept {
    const char* const text = piece.data();
    std::size_t size = piece.size();
    if (size >= 2 && text[0] == '!' && text[1] == '_') {
        // Header lines of the tags file hold nothing but their text.
        if (const void* nul = std::memchr(text, '\0', size); nul != nullptr) {
            size = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
        }
        if (text[size - 1] == '\n') {
            --size;
        }
        Set<kTextLength>(size);
        return;
    }
    // The bytes that matter are TAB, NUL and the last byte of each searched text ("/^", the end
    // marker, the keys). Every match is told by the bytes before it, so one scan left to right
    // finds the first of each; a value that runs to the next TAB is open until a TAB at or after
    // its start closes it, or the line ends.
    constexpr std::size_t npos = std::string_view::npos;
    enum Value { kFile, kKind, kLine, kAccess, kClass, kValues };
    std::size_t begin[kValues];
    std::size_t end[kValues];
    unsigned open = 0;
    unsigned found = 0;  // bit per value whose start is known
    std::size_t firstTab = npos;
    std::size_t patternAt = npos;
    std::size_t markerAt = npos;
    std::size_t lineEnd = size > 0 && text[size - 1] == '\n' ? size - 1 : size;
    auto start = [&](Value value, std::size_t at) {
        begin[value] = at;
        found |= 1u << value;
        open |= 1u << value;
    };
    // False at a NUL: the line ends there.
    auto event = [&](std::size_t at) {
        switch (text[at]) {
        case '\t':
            for (unsigned rest = open; rest != 0; rest &= rest - 1) {
                const int value = std::countr_zero(rest);
                if (begin[value] <= at) {
                    end[value] = at;
                    open &= ~(1u << value);
                }
            }
            if (firstTab == npos) {
                firstTab = at;
                start(kFile, at + 1);
            }
            break;
        case '^':
            if (patternAt == npos && at >= 1 && text[at - 1] == '/') {
                patternAt = at - 1;
            }
            break;
        case '"':
            if (markerAt == npos && at >= 3 && std::memcmp(text + at - 3, "$/;", 3) == 0) {
                markerAt = at - 3;
                start(kKind, markerAt + kEndMarker.size() + 1);  // past the TAB behind the marker
            }
            break;
        case ':':
            if (!(found & 1u << kLine) && at >= 4 && std::memcmp(text + at - 4, "line", 4) == 0) {
                start(kLine, at + 1);
            } else if (!(found & 1u << kAccess) && at >= 6 && std::memcmp(text + at - 6, "access", 6) == 0) {
                start(kAccess, at + 1);
            } else if (!(found & 1u << kClass) && at >= 5 && std::memcmp(text + at - 5, "class", 5) == 0) {
                start(kClass, at + 1);
            }
            break;
        default:  // NUL
            lineEnd = at > 0 && text[at - 1] == '\n' ? at - 1 : at;
            return false;
        }
        return true;
    };

    const std::size_t scanEnd = lineEnd;
    std::size_t base = 0;
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i caret = _mm_set1_epi8('^');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i colon = _mm_set1_epi8(':');
    const __m128i zero = _mm_setzero_si128();
    for (; base < scanEnd; base += 16) {
        __m128i chunk;
        if (base + 16 <= scanEnd) {
            chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + base));
        } else {
            char tail[16];
            std::memset(tail, 'x', sizeof tail);
            std::memcpy(tail, text + base, scanEnd - base);
            chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tail));
        }
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, tab), _mm_cmpeq_epi8(chunk, colon)),
                                          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, caret)),
                                                       _mm_cmpeq_epi8(chunk, zero)));
        bool more = true;
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits)); mask != 0 && more; mask &= mask - 1) {
            more = event(base + static_cast<std::size_t>(std::countr_zero(mask)));
        }
        if (!more) {
            break;
        }
    }
#else
    for (; base < scanEnd; ++base) {
        const char c = text[base];
        if ((c == '\t' || c == ':' || c == '"' || c == '^' || c == '\0') && !event(base)) {
            break;
        }
    }
#endif
    Set<kTextLength>(lineEnd);
    const std::string_view line(text, lineEnd);

    // The value of `value`, blanks trimmed; false when its start lies past the end of the line.
    auto valueOf = [&](Value value, std::size_t& from, std::size_t& to) {
        if (!(found & 1u << value) || begin[value] > lineEnd) {
            return false;
        }
        from = begin[value];
        to = open & 1u << value ? lineEnd : end[value];
        TrimSpaces(line, from, to);
        return true;
    };
    Set<kNameLength>(firstTab == npos || firstTab > lineEnd ? lineEnd : firstTab);
    std::size_t from = 0;
    std::size_t to = 0;
    if (valueOf(kFile, from, to)) {
        Set<kFileLength>(to - from);
    }
    if (markerAt != npos) {
        Set<kMarkerAt>(markerAt);
        if (patternAt != npos && markerAt >= patternAt + kPatternStart.size()) {
            Set<kPatternLength>(markerAt - patternAt - kPatternStart.size());
        }
    }
    if (valueOf(kLine, from, to)) {
        SetLineNo(ReadDecimal(line.substr(from, to - from)));
    }
    if (valueOf(kKind, from, to)) {
        Set<kKindLength>(to - from);
    }
    if (valueOf(kAccess, from, to)) {
        Set<kAccessOffset>(from);
        Set<kAccessLength>(to - from);
    }
    if (valueOf(kClass, from, to)) {
        Set<kClassOffset>(from);
        Set<kClassLength>(to - from);
    }
}

std::string CTagEntry::GetPattern() const {
    const std::size_t length = Get<kPatternLength>();
    const std::string_view raw(Text() + Get<kMarkerAt>() - length, length);
    if (raw.find('\\') == std::string_view::npos) {
        return std::string(raw);
    }
    const CodePage cp = Get<kShiftJis>() != 0 ? CodePage::ShiftJis : CodePage::Utf8;
    // Two passes, each left to right over whole characters: "\/" becomes "/", then "\\" becomes
    // "\". The second byte of a double-byte character is never the start of an escape.
    auto undo = [cp](std::string_view from, char second) {
        std::string out;
        out.reserve(from.size());
        std::size_t pos = 0;
        while (pos < from.size()) {
            if (from[pos] == '\\' && pos + 1 < from.size() && from[pos + 1] == second) {
                out += second;
                pos += 2;
                continue;
            }
            const std::size_t width = CharWidthAt(cp, from, pos);
            out.append(from.substr(pos, width));
            pos += width;
        }
        return out;
    };
    return undo(undo(raw, '/'), '\\');
}

std::string CTagEntry::GetLineNo() const {
    return HasLineNo() ? std::to_string(LineNumber()) : std::string();
}

}  // namespace quarrow
