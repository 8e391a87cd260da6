#include "tags/code_page.h"

#include <string.h>

namespace quarrow {

namespace {

// Byte-wise search; the library's memmem is much faster than a first-byte scan when that byte is
// common (the "l" of "line:").
std::size_t FindBytes(std::string_view text, std::string_view needle, std::size_t from) noexcept {
    if (from > text.size() || needle.size() > text.size() - from) {
        return std::string_view::npos;
    }
    const void* found = ::memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
    return found == nullptr ? std::string_view::npos : static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
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

}  // namespace quarrow
