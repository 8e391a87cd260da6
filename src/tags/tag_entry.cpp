#include "tags/tag_entry.h"

#include <limits>

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

void CTagEntry::Parse(std::string_view piece, CodePage cp) {
    *this = CTagEntry{};
    m_bShiftJis = cp == CodePage::ShiftJis;
    if (piece.size() > kMaxPiece) {
        piece = piece.substr(0, kMaxPiece);
    }
    if (const std::size_t nul = piece.find('\0'); nul != std::string_view::npos) {
        piece = piece.substr(0, nul);
    }
    if (piece.data() != nullptr) {
        m_pText = piece.data();
    }
    if (!piece.empty() && piece.back() == '\n') {
        piece.remove_suffix(1);
    }
    m_strText = static_cast<std::uint16_t>(piece.size());
    const std::string_view line = piece;

    // Header lines of the tags file hold nothing but their text.
    if (line.size() >= 2 && line[0] == '!' && line[1] == '_') {
        return;
    }

    auto span = [](std::size_t begin, std::size_t end) {
        return Span{static_cast<std::uint16_t>(begin), static_cast<std::uint16_t>(end - begin)};
    };

    const std::size_t firstTab = line.find('\t');
    m_strName = span(0, firstTab == std::string_view::npos ? line.size() : firstTab);
    if (firstTab != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, firstTab + 1, begin, end);
        m_strFile = span(begin, end);
    }

    const std::size_t patternAt = FindText(cp, line, kPatternStart);
    const std::size_t markerAt = FindText(cp, line, kEndMarker);
    if (patternAt != std::string_view::npos && markerAt != std::string_view::npos &&
        markerAt >= patternAt + kPatternStart.size()) {
        m_strPattern = span(patternAt + kPatternStart.size(), markerAt);
    }

    if (const std::size_t at = FindText(cp, line, kLineKey); at != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, at + kLineKey.size(), begin, end);
        m_nLineNo = ReadDecimal(line.substr(begin, end - begin));
        m_bHasLineNo = true;
    }

    // The kind is whatever field comes first after the ex-command and the TAB behind it.
    if (markerAt != std::string_view::npos && markerAt + kEndMarker.size() + 1 <= line.size()) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, markerAt + kEndMarker.size() + 1, begin, end);
        m_strKind = span(begin, end);
    }

    if (const std::size_t at = FindText(cp, line, kAccessKey); at != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, at + kAccessKey.size(), begin, end);
        m_strAccess = span(begin, end);
    }
    if (const std::size_t at = FindText(cp, line, kClassKey); at != std::string_view::npos) {
        std::size_t begin = 0;
        std::size_t end = 0;
        ValueAfter(line, at + kClassKey.size(), begin, end);
        m_strClass = span(begin, end);
    }
}

std::string CTagEntry::GetPattern() const {
    const std::string_view raw = Field(m_strPattern);
    if (raw.find('\\') == std::string_view::npos) {
        return std::string(raw);
    }
    const CodePage cp = m_bShiftJis ? CodePage::ShiftJis : CodePage::Utf8;
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
    return m_bHasLineNo ? std::to_string(m_nLineNo) : std::string();
}

}  // namespace quarrow
