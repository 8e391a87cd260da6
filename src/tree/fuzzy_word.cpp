#include "tree/fuzzy_word.h"

#include <algorithm>

namespace quarrow {

namespace {

// The points of a match (see the README's "Go to symbol").
constexpr std::int32_t kMatchPoints = 16;      // each character matched
constexpr std::int32_t kWordStartPoints = 10;  // ... at the start of a word
constexpr std::int32_t kFollowPoints = 10;     // ... right after the character matched before it
constexpr std::int32_t kGapOpen = 3;           // each gap between two matched characters
constexpr std::int32_t kGapExtend = 1;         // each byte of a gap after its first
constexpr std::int32_t kLeadPerByte = 1;       // each byte before the first matched character
// Below any reachable score: no match ends there.
constexpr std::int32_t kNone = -(1 << 29);

// Per byte of a name: a character starts there, a word starts there.
constexpr std::uint8_t kCharStart = 1;
constexpr std::uint8_t kWordStart = 2;

bool IsLower(unsigned char c) noexcept { return c >= 'a' && c <= 'z'; }
bool IsUpper(unsigned char c) noexcept { return c >= 'A' && c <= 'Z'; }
bool IsDigit(unsigned char c) noexcept { return c >= '0' && c <= '9'; }
bool IsAlnum(unsigned char c) noexcept { return IsLower(c) || IsUpper(c) || IsDigit(c); }
bool IsSeparator(unsigned char c) noexcept {
    return c == '_' || c == '.' || c == ':' || c == '/' || c == '$' || c == '-';
}

// Scratch space of one thread: the flags of the name and two rows of the scoring.
struct Scratch {
    std::vector<std::uint8_t> flags;
    std::vector<std::int32_t> previous;
    std::vector<std::int32_t> current;
    std::vector<std::uint16_t> firsts;
};

Scratch& ThreadScratch() {
    thread_local Scratch scratch;
    return scratch;
}

// Marks where characters and words start in `name`. A word starts at the name's start, after one
// of _ . : / $ -, where letters and digits meet, at a lower-case letter followed by an upper-case
// one, and at the last capital of a run of capitals followed by a lower-case letter (the "P" of
// "XMLParser").
void MarkStarts(CodePage cp, std::string_view name, std::uint8_t* flags) noexcept {
    const std::size_t size = name.size();
    std::size_t previous = 0;
    bool previousSingle = false;
    for (std::size_t at = 0; at < size;) {
        const std::size_t width = CharWidthAt(cp, name, at);
        const auto c = static_cast<unsigned char>(name[at]);
        bool word = at == 0;
        if (!word && previousSingle && width == 1) {
            const auto p = static_cast<unsigned char>(name[previous]);
            const bool nextLower = at + 1 < size && IsLower(static_cast<unsigned char>(name[at + 1]));
            word = IsSeparator(p) || (IsLower(p) && IsUpper(c)) ||
                   (IsAlnum(p) && IsAlnum(c) && IsDigit(p) != IsDigit(c)) || (IsUpper(p) && IsUpper(c) && nextLower);
        }
        flags[at] = static_cast<std::uint8_t>(kCharStart | (word ? kWordStart : 0));
        if (width == 2) {
            flags[at + 1] = 0;
        }
        previous = at;
        previousSingle = width == 1;
        at += width;
    }
}

}  // namespace

std::uint32_t TextSignature(std::string_view text) noexcept {
    std::uint32_t bits = 0;
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (IsLower(c)) {
            bits |= 1u << (c - 'a');
        } else if (IsUpper(c)) {
            bits |= 1u << (c - 'A');
        } else if (IsDigit(c)) {
            bits |= 1u << 26;
        } else if (c == '_') {
            bits |= 1u << 27;
        } else if (c >= 0x80) {
            bits |= 1u << 28;
        } else {
            bits |= 1u << 29;
        }
    }
    return bits;
}

FuzzyWord::FuzzyWord(std::string_view word, CodePage cp) : m_bytes(word), m_signature(TextSignature(word)), m_cp(cp) {
    for (std::size_t at = 0; at < word.size();) {
        std::size_t width = CharWidthAt(cp, word, at);
        const auto c = static_cast<unsigned char>(word[at]);
        if (cp == CodePage::Utf8 && c >= 0xC0) {
            // A UTF-8 sequence matches whole: its continuation bytes follow its first byte.
            while (at + width < word.size() && (static_cast<unsigned char>(word[at + width]) & 0xC0) == 0x80) {
                ++width;
            }
        }
        m_units.push_back(
            {static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(width), width == 1 && IsLower(c)});
        at += width;
    }
}

bool FuzzyWord::FirstPlaces(std::string_view name, const std::uint8_t* flags, std::uint16_t* firsts) const noexcept {
    std::size_t at = 0;
    for (std::size_t u = 0; u < m_units.size(); ++u) {
        const Unit& unit = m_units[u];
        while (at < name.size() && !((flags == nullptr || (flags[at] & kCharStart)) && UnitAt(unit, name, at))) {
            ++at;
        }
        if (at >= name.size()) {
            return false;
        }
        firsts[u] = static_cast<std::uint16_t>(at);
        at += unit.size;
    }
    return true;
}

bool FuzzyWord::IsPrefixOf(std::string_view name) const noexcept {
    std::size_t at = 0;
    for (const Unit& unit : m_units) {
        if (!UnitAt(unit, name, at)) {
            return false;
        }
        at += unit.size;
    }
    return true;
}

bool FuzzyWord::IsIn(std::string_view name) const noexcept {
    if (m_units.empty()) {
        return true;
    }
    if (m_bytes.size() > name.size() || m_bytes.size() > 0xFFFF || name.size() > 0xFFFF) {
        return false;
    }
    Scratch& scratch = ThreadScratch();
    scratch.firsts.resize(m_units.size());
    if (m_cp == CodePage::Utf8) {
        return FirstPlaces(name, nullptr, scratch.firsts.data());
    }
    scratch.flags.resize(name.size());
    MarkStarts(m_cp, name, scratch.flags.data());
    return FirstPlaces(name, scratch.flags.data(), scratch.firsts.data());
}

std::int64_t FuzzyWord::Score(std::string_view name) const noexcept {
    if (m_units.empty()) {
        return 0;
    }
    // Names are at most a tags line long; the rows below index bytes with 16 bits.
    if (m_bytes.size() > name.size() || m_bytes.size() > 0xFFFF || name.size() > 0xFFFF) {
        return kNoMatch;
    }
    Scratch& scratch = ThreadScratch();
    const std::size_t size = name.size();
    scratch.flags.resize(size);
    scratch.firsts.resize(m_units.size());
    scratch.previous.resize(size);
    scratch.current.resize(size);
    std::uint8_t* const flags = scratch.flags.data();
    // Byte-wise every byte starts a character: most names that fail do so before the marking.
    const bool byteWise = m_cp == CodePage::Utf8;
    if (byteWise && !FirstPlaces(name, nullptr, scratch.firsts.data())) {
        return kNoMatch;
    }
    MarkStarts(m_cp, name, flags);
    if (!byteWise && !FirstPlaces(name, flags, scratch.firsts.data())) {
        return kNoMatch;
    }
    // previous[j]: the best score of the units so far with the last of them matched at j.
    std::int32_t* previous = scratch.previous.data();
    std::int32_t* current = scratch.current.data();
    std::fill(previous, previous + size, kNone);
    for (std::size_t j = scratch.firsts[0]; j < size; ++j) {
        if ((flags[j] & kCharStart) && UnitAt(m_units[0], name, j)) {
            previous[j] = kMatchPoints + ((flags[j] & kWordStart) ? kWordStartPoints : 0) -
                          kLeadPerByte * static_cast<std::int32_t>(j);
        }
    }
    for (std::size_t u = 1; u < m_units.size(); ++u) {
        const Unit& unit = m_units[u];
        const std::size_t before = m_units[u - 1].size;  // the width of the unit before
        std::fill(current, current + size, kNone);
        // gap: the best score ending before j, less the gap up to j.
        std::int32_t gap = kNone;
        for (std::size_t j = scratch.firsts[u]; j < size; ++j) {
            if (j == scratch.firsts[u]) {
                // Catch up with every end before the first place.
                for (std::size_t e = scratch.firsts[u - 1] + before; e < j; ++e) {
                    gap = std::max(gap - kGapExtend, previous[e - before] - kGapOpen);
                }
            } else {
                const std::size_t e = j - 1;
                gap = std::max(gap - kGapExtend, e >= before ? previous[e - before] - kGapOpen : kNone);
            }
            if (!((flags[j] & kCharStart) && UnitAt(unit, name, j))) {
                continue;
            }
            const std::int32_t follow = j >= before ? previous[j - before] + kFollowPoints : kNone;
            const std::int32_t best = std::max(follow, gap);
            if (best > kNone / 2) {
                current[j] = best + kMatchPoints + ((flags[j] & kWordStart) ? kWordStartPoints : 0);
            }
        }
        std::swap(previous, current);
    }
    const std::int32_t best = *std::max_element(previous + scratch.firsts.back(), previous + size);
    std::int64_t score = best;
    if (IsPrefixOf(name)) {
        score += m_bytes.size() == size ? kWholeNameBonus : kPrefixBonus;
    }
    return score;
}

}  // namespace quarrow
