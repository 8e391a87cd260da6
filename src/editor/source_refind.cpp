#include "editor/source_refind.h"

#include <algorithm>
#include <cstring>

#include "platform/regular_file_bytes.h"

namespace quarrow {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Letters, digits, '_' and every byte of a multibyte character make up words.
bool IsWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '_' || byte >= 0x80;
}

// One line of the source: where it starts, where its LF is (or the end), and its text without a
// CR before that LF.
struct SourceLine {
    std::size_t start;
    std::size_t end;
    std::string_view text;
};

SourceLine LineAround(std::string_view source, std::size_t at) {
    std::size_t start = 0;
    if (at > 0) {
        const void* lf = ::memrchr(source.data(), '\n', at);
        start = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - source.data()) + 1 : 0;
    }
    const void* next = std::memchr(source.data() + at, '\n', source.size() - at);
    const std::size_t end = next ? static_cast<std::size_t>(static_cast<const char*>(next) - source.data()) : source.size();
    std::string_view text = source.substr(start, end - start);
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    return {start, end, text};
}

std::size_t FindBytes(std::string_view source, std::string_view needle, std::size_t from) {
    if (from > source.size()) {
        return npos;
    }
    if (needle.empty()) {
        return from;
    }
    const void* hit = ::memmem(source.data() + from, source.size() - from, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - source.data()) : npos;
}

// Line numbers of places met in increasing order, counting the LFs between them once.
class LineCounter {
public:
    explicit LineCounter(std::string_view source) : m_source(source) {}
    std::int64_t LineOf(std::size_t at) {
        m_line += CountLineFeeds(m_source.data() + m_counted, m_source.data() + at);
        m_counted = at;
        return m_line;
    }

private:
    // Eight bytes at a time: a byte of `word ^ LFs` is zero where an LF was, and the sum below
    // sets the high bit of exactly the bytes that are not zero.
    static std::int64_t CountLineFeeds(const char* from, const char* to) {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
        constexpr std::uint64_t kLineFeeds = 0x0A0A0A0A0A0A0A0AULL;
        std::int64_t count = 0;
        for (; to - from >= 8; from += 8) {
            std::uint64_t word;
            std::memcpy(&word, from, sizeof word);
            const std::uint64_t x = word ^ kLineFeeds;
            const std::uint64_t nonZero = ((x & kLow7) + kLow7) | x;
            count += __builtin_popcountll(~nonZero & ~kLow7);
        }
        return count + std::count(from, to, '\n');
    }

    std::string_view m_source;
    std::size_t m_counted = 0;
    std::int64_t m_line = 1;
};

// The line that `matches` accepts nearest to `recorded` (the earlier on a tie; the first when
// `recorded` is 0), or 0. Only lines holding `needle` are looked at, so the search runs at the
// speed of a byte search through the lines that cannot match.
template <class Matches>
std::int64_t NearestLine(std::string_view source, std::string_view needle, std::int64_t recorded, Matches matches) {
    LineCounter counter(source);
    std::int64_t best = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t hit = FindBytes(source, needle, from);
        if (hit == npos || (hit == source.size() && (source.empty() || source.back() == '\n'))) {
            break;  // no line after the last LF
        }
        const SourceLine line = LineAround(source, hit);
        if (matches(line.text)) {
            const std::int64_t number = counter.LineOf(line.start);
            if (recorded <= 0) {
                return number;
            }
            if (number <= recorded) {
                best = number;  // a later one at or above is nearer
            } else {
                // Every later one lies further below.
                return best != 0 && recorded - best <= number - recorded ? best : number;
            }
        }
        if (line.end >= source.size()) {
            break;
        }
        from = line.end + 1;
    }
    return best;
}

// Whether `line` holds the bytes of `text` in order with blanks anywhere ignored: all of the line
// (blanks aside) when `whole`, else a start of it.
bool SameWithoutBlanks(std::string_view line, std::string_view text, bool whole) {
    std::size_t at = 0;
    for (const char c : text) {
        if (IsBlank(c)) {
            continue;
        }
        while (at < line.size() && IsBlank(line[at])) {
            ++at;
        }
        if (at == line.size() || line[at] != c) {
            return false;
        }
        ++at;
    }
    if (whole) {
        while (at < line.size() && IsBlank(line[at])) {
            ++at;
        }
        return at == line.size();
    }
    return true;
}

// The longest stretch of `text` without blanks: every line the blank-free comparison accepts
// holds it.
std::string_view LongestStretch(std::string_view text) {
    std::string_view longest;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsBlank(text[at])) {
            ++at;
        }
        if (at - start > longest.size()) {
            longest = text.substr(start, at - start);
        }
    }
    return longest;
}

bool IsWordAt(std::string_view text, std::size_t at, std::string_view word) {
    const bool startsClear = at == 0 || !IsWordByte(word.front()) || !IsWordByte(text[at - 1]);
    const std::size_t end = at + word.size();
    const bool endsClear = end == text.size() || !IsWordByte(word.back()) || !IsWordByte(text[end]);
    return startsClear && endsClear;
}

// Where `word` first stands as a whole word in `text`, or npos.
std::size_t FindWord(std::string_view text, std::string_view word) {
    for (std::size_t at = text.find(word); at != npos; at = text.find(word, at + 1)) {
        if (IsWordAt(text, at, word)) {
            return at;
        }
    }
    return npos;
}

std::int64_t FindExact(std::string_view source, const SearchPattern& pattern, std::int64_t recorded) {
    const std::string_view text = pattern.text;
    return NearestLine(source, text, recorded, [&pattern, text](std::string_view line) {
        if (pattern.atLineStart) {
            return line.starts_with(text) && (!pattern.atLineEnd || line.size() == text.size());
        }
        return pattern.atLineEnd ? line.ends_with(text) : line.find(text) != npos;
    });
}

std::int64_t FindWithoutBlanks(std::string_view source, std::string_view text, bool whole, std::int64_t recorded) {
    return NearestLine(source, LongestStretch(text), recorded,
                       [text, whole](std::string_view line) { return SameWithoutBlanks(line, text, whole); });
}

std::int64_t FindUpToName(std::string_view source, const SearchPattern& pattern, std::string_view name,
                          std::int64_t recorded) {
    std::size_t at = FindWord(pattern.text, name);
    if (at == npos) {
        at = std::string_view(pattern.text).find(name);
    }
    if (at == npos) {
        return 0;
    }
    return FindWithoutBlanks(source, std::string_view(pattern.text).substr(0, at + name.size()), false, recorded);
}

std::int64_t FindNameAsWord(std::string_view source, std::string_view name, std::int64_t recorded) {
    return NearestLine(source, name, recorded,
                       [name](std::string_view line) { return FindWord(line, name) != npos; });
}

}  // namespace

RefindResult FindTagLine(std::string_view source, const TagAddress& address, std::int64_t recordedLine,
                         std::string_view name) {
    if (address.patterns.empty()) {
        return {recordedLine, RefindStep::NoPattern};
    }
    for (const SearchPattern& pattern : address.patterns) {
        if (const std::int64_t line = FindExact(source, pattern, recordedLine); line != 0) {
            return {line, RefindStep::Exact};
        }
    }
    for (const SearchPattern& pattern : address.patterns) {
        if (const std::int64_t line = FindWithoutBlanks(source, pattern.text, pattern.atLineEnd, recordedLine);
            line != 0) {
            return {line, RefindStep::Blanks};
        }
    }
    if (!name.empty()) {
        for (const SearchPattern& pattern : address.patterns) {
            if (const std::int64_t line = FindUpToName(source, pattern, name, recordedLine); line != 0) {
                return {line, RefindStep::UpToName};
            }
        }
        if (const std::int64_t line = FindNameAsWord(source, name, recordedLine); line != 0) {
            return {line, RefindStep::NameAsWord};
        }
    }
    return {recordedLine, RefindStep::NotFound};
}

RefindResult FindTagLineInFile(const std::string& path, const TagAddress& address, std::int64_t recordedLine,
                               std::string_view name) {
    if (address.patterns.empty()) {
        return {recordedLine, RefindStep::NoPattern};
    }
    FileBytes bytes;
    if (const int error = ReadRegularFile(path, bytes); error != 0) {
        return {recordedLine, RefindStep::Unreadable, error};
    }
    return FindTagLine(bytes.View(), address, recordedLine, name);
}

}  // namespace quarrow
