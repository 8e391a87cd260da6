#include "tags/code_page_detect.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace quarrow {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The position of the first byte above 0x7F at or after `pos`, or the size: tags files are
// mostly ASCII, so whole words of it are stepped over at once.
std::size_t SkipAscii(std::string_view bytes, std::size_t pos) noexcept {
    const std::size_t size = bytes.size();
    for (; pos + 8 <= size; pos += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + pos, 8);
        if (const std::uint64_t high = word & kHighBits; high != 0) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(high) : std::countl_zero(high);
            return pos + static_cast<std::size_t>(bit) / 8;
        }
    }
    while (pos < size && static_cast<unsigned char>(bytes[pos]) < 0x80) {
        ++pos;
    }
    return pos;
}

// Whether the byte at `pos` lies in [low, high]; a byte past the end does: the end of a file
// still being written may cut a character.
bool InRangeOrCut(std::string_view bytes, std::size_t pos, unsigned low, unsigned high) noexcept {
    if (pos >= bytes.size()) {
        return true;
    }
    const auto byte = static_cast<unsigned char>(bytes[pos]);
    return byte >= low && byte <= high;
}

}  // namespace

bool IsUtf8Text(std::string_view bytes) noexcept {
    for (std::size_t pos = SkipAscii(bytes, 0); pos < bytes.size(); pos = SkipAscii(bytes, pos)) {
        const auto lead = static_cast<unsigned char>(bytes[pos]);
        // The first continuation byte's range shuts out overlong forms, surrogates and values
        // past U+10FFFF; the others take any continuation byte.
        std::size_t length = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (!InRangeOrCut(bytes, pos + 1, low, high)) {
            return false;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if (!InRangeOrCut(bytes, pos + k, 0x80, 0xBF)) {
                return false;
            }
        }
        pos = std::min(pos + length, bytes.size());
    }
    return true;
}

bool IsShiftJisText(std::string_view bytes) noexcept {
    for (std::size_t pos = SkipAscii(bytes, 0); pos < bytes.size(); pos = SkipAscii(bytes, pos)) {
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        if (byte >= 0xA1 && byte <= 0xDF) {
            ++pos;  // half-width katakana
        } else if (IsLeadByte(CodePage::ShiftJis, byte) &&
                   (InRangeOrCut(bytes, pos + 1, 0x40, 0x7E) || InRangeOrCut(bytes, pos + 1, 0x80, 0xFC))) {
            pos = std::min(pos + 2, bytes.size());
        } else {
            return false;  // 0x80, 0xA0, 0xFD-0xFF, or a lead byte without its trail byte
        }
    }
    return true;
}

CodePage DetectCodePage(std::string_view bytes) noexcept {
    // Everything before the first high byte is ASCII, the same in both code pages and a
    // character boundary in both: the checks start there.
    const std::string_view rest = bytes.substr(SkipAscii(bytes, 0));
    if (rest.empty() || IsUtf8Text(rest)) {
        return CodePage::Utf8;
    }
    return IsShiftJisText(rest) ? CodePage::ShiftJis : CodePage::Utf8;
}

std::optional<CodePage> CodePageFromSetting(std::string_view value) noexcept {
    if (value == "932") {
        return CodePage::ShiftJis;
    }
    if (value == "65001") {
        return CodePage::Utf8;
    }
    return std::nullopt;
}

}  // namespace quarrow
