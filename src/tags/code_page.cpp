#include "tags/code_page.h"

#include <cstring>

namespace quarrow {

namespace {

// Byte-wise search. The keys searched for in tags lines end in, or hold, a punctuation byte that
// is rare in a line (":", "^"), so the scan jumps from one such byte to the next with memchr and
// only there compares the whole key; a first-byte scan would stop at every "l" of a line.
std::size_t FindBytes(std::string_view text, std::string_view needle, std::size_t from) noexcept {
    if (from > text.size() || needle.size() > text.size() - from) {
        return std::string_view::npos;
    }
    std::size_t anchor = 0;
    for (std::size_t i = needle.size(); i-- > 0;) {
        const char c = needle[i];
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!alnum && c > ' ' && c < 0x7F) {
            anchor = i;
            break;
        }
    }
    const char* const begin = text.data();
    const char* const last = begin + (text.size() - needle.size());  // the last possible start
    const char* scan = begin + from + anchor;
    while (scan <= last + anchor) {
        const void* hit = std::memchr(scan, needle[anchor], static_cast<std::size_t>(last + anchor - scan) + 1);
        if (hit == nullptr) {
            break;
        }
        const char* start = static_cast<const char*>(hit) - anchor;
        if (std::memcmp(start, needle.data(), needle.size()) == 0) {
            return static_cast<std::size_t>(start - begin);
        }
        scan = static_cast<const char*>(hit) + 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::size_t FindText(CodePage cp, std::string_view text, std::string_view needle, std::size_t from) noexcept {
    if (needle.empty()) {
        return from <= text.size() ? from : std::string_view::npos;
    }
    if (cp == CodePage::Utf8) {
        return FindBytes(text, needle, from);
    }
    // Byte-wise candidates, each kept only when the character grid, walked from the start of the
    // text, lands on it; the walk never goes back, so the whole search stays linear.
    std::size_t pos = 0;
    std::size_t candidate = FindBytes(text, needle, from);
    while (candidate != std::string_view::npos) {
        while (pos < candidate) {
            pos += CharWidthAt(cp, text, pos);
        }
        if (pos == candidate) {
            return candidate;
        }
        candidate = FindBytes(text, needle, candidate + 1);
    }
    return std::string_view::npos;
}

std::size_t FindLastByte(CodePage cp, std::string_view text, char byte) noexcept {
    if (cp == CodePage::Utf8) {
        return text.rfind(byte);
    }
    std::size_t found = std::string_view::npos;
    for (std::size_t pos = 0; pos < text.size(); pos += CharWidthAt(cp, text, pos)) {
        if (text[pos] == byte) {
            found = pos;
        }
    }
    return found;
}

std::vector<MarkerPiece> CutAtMarkers(CodePage cp, std::string_view text, std::initializer_list<std::string_view> markers) {
    std::vector<MarkerPiece> pieces;
    std::size_t pos = 0;
    for (;;) {
        std::size_t found = std::string_view::npos;
        int which = -1;
        int index = 0;
        for (const std::string_view marker : markers) {
            if (!marker.empty()) {
                const std::size_t at = FindText(cp, text, marker, pos);
                if (at < found) {
                    found = at;
                    which = index;
                }
            }
            ++index;
        }
        if (found == std::string_view::npos) {
            break;
        }
        if (found > pos) {
            pieces.push_back({text.substr(pos, found - pos), -1});
        }
        const std::string_view marker = *(markers.begin() + which);
        pieces.push_back({text.substr(found, marker.size()), which});
        pos = found + marker.size();
    }
    if (pos < text.size()) {
        pieces.push_back({text.substr(pos), -1});
    }
    return pieces;
}

std::string ReplaceText(CodePage cp, std::string_view text, std::string_view marker, std::string_view replacement) {
    std::string result;
    result.reserve(text.size());
    for (const MarkerPiece& piece : CutAtMarkers(cp, text, {marker})) {
        result.append(piece.marker < 0 ? piece.text : replacement);
    }
    return result;
}

}  // namespace quarrow
