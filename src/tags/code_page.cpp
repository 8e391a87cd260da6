#include "tags/code_page.h"

namespace quarrow {

std::size_t FindText(CodePage cp, std::string_view text, std::string_view needle, std::size_t from) noexcept {
    if (needle.empty()) {
        return from <= text.size() ? from : std::string_view::npos;
    }
    if (cp == CodePage::Utf8) {
        return text.find(needle, from);
    }
    // Walk from the start of the text so that `from` is judged on the same character grid.
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (pos >= from && text.compare(pos, needle.size(), needle) == 0) {
            return pos;
        }
        pos += CharWidthAt(cp, text, pos);
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
