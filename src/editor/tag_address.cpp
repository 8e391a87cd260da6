#include "editor/tag_address.h"

#include "tags/tag_entry.h"

namespace quarrow {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The pattern that starts after its delimiter at `field[0]`; `cp` steps over double-byte
// characters (Utf8 reads byte by byte, as ctags writes). Without a closing delimiter the line
// was cut short and the pattern is what there is. `wellEnded` tells whether what follows the
// closing delimiter is what ctags writes there: ";\"", a TAB or nothing.
SearchPattern ReadPattern(std::string_view field, CodePage cp, bool& wellEnded) {
    const char delimiter = field.front();
    SearchPattern pattern;
    std::string& text = pattern.text;
    std::size_t at = 1;
    bool closed = false;
    wellEnded = true;  // a line cut short
    while (at < field.size()) {
        const char c = field[at];
        if (CharWidthAt(cp, field, at) == 2) {
            text.append(field.substr(at, 2));
            at += 2;
        } else if (c == '\\' && at + 1 < field.size() && (field[at + 1] == '\\' || field[at + 1] == delimiter)) {
            text.push_back(field[at + 1]);
            at += 2;
        } else if (c == delimiter) {
            closed = true;
            const std::string_view rest = field.substr(at + 1);
            wellEnded = rest.empty() || rest.starts_with(";\"") || rest.front() == '\t';
            break;
        } else {
            text.push_back(c);
            ++at;
        }
    }
    pattern.atLineStart = !text.empty() && text.front() == '^';
    if (pattern.atLineStart) {
        text.erase(0, 1);
    }
    // ctags never escapes a "$": a last one is the anchor.
    pattern.atLineEnd = closed && !text.empty() && text.back() == '$';
    if (pattern.atLineEnd) {
        text.pop_back();
    }
    return pattern;
}

}  // namespace

TagAddress ParseExCommand(std::string_view field, CodePage cp) {
    TagAddress address;
    std::size_t at = 0;
    while (at < field.size() && IsDigit(field[at])) {
        if (address.number < (std::int64_t{1} << 40)) {
            address.number = address.number * 10 + (field[at] - '0');
        }
        ++at;
    }
    if (at > 0) {
        if (at + 1 >= field.size() || field[at] != ';') {
            return address;  // a bare number
        }
        ++at;
    }
    field.remove_prefix(at);
    if (field.empty() || (field.front() != '/' && field.front() != '?')) {
        return address;
    }
    bool bytesWellEnded = true;
    address.patterns.push_back(ReadPattern(field, CodePage::Utf8, bytesWellEnded));
    if (cp == CodePage::ShiftJis) {
        bool wellEnded = true;
        SearchPattern other = ReadPattern(field, cp, wellEnded);
        if (other != address.patterns.front()) {
            // The reading that ends where ctags ends a pattern comes first.
            const bool otherFirst = wellEnded && !bytesWellEnded;
            address.patterns.insert(otherFirst ? address.patterns.begin() : address.patterns.end(), std::move(other));
        }
    }
    return address;
}

TagAddress AddressOf(const CTagEntry& tag, CodePage cp) {
    const std::string_view text = tag.GetText();
    const std::size_t first = text.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : text.find('\t', first + 1);
    if (second == std::string_view::npos || tag.IsPseudoTag()) {
        return {};
    }
    return ParseExCommand(text.substr(second + 1), cp);
}

std::int64_t RecordedLine(const CTagEntry& tag, const TagAddress& address) {
    if (tag.HasLineNo() && tag.LineNumber() > 0) {
        return tag.LineNumber();
    }
    return address.number;
}

}  // namespace quarrow
