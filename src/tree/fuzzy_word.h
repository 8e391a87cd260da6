#pragma once
// One word of a symbol query and how well it matches a name. The word's characters must appear
// in the name in order; the score rewards what makes a match look intended: the whole name, a
// prefix, characters that follow each other, characters at the starts of words; it charges gaps
// and a late start. The README's "Go to symbol" section lists the points with examples.
//
// Characters compare as follows: an ASCII letter typed in lower case matches either case, one typed
// in upper case only itself (smart case); every other byte matches only itself. A character of
// several bytes (a Shift-JIS double-byte character under code page 932, a UTF-8 sequence) matches
// as a whole, so a match never starts on the second byte of a Shift-JIS character and an ASCII
// letter never matches inside one.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/code_page.h"

namespace quarrow {

// A byte-wise summary of the bytes a text holds: a bit per ASCII letter (either case), one for the
// digits, '_', bytes above 0x7F and the other bytes. A name can match a word only when its
// signature holds all of the word's bits.
std::uint32_t TextSignature(std::string_view text) noexcept;

class FuzzyWord {
public:
    // Returned by Score when the word does not match.
    static constexpr std::int64_t kNoMatch = INT64_MIN;
    // Points added when the word is a prefix of the name, and more when it is the whole name: more
    // than any other match can score, so these always rank first.
    static constexpr std::int64_t kPrefixBonus = std::int64_t{1} << 20;
    static constexpr std::int64_t kWholeNameBonus = std::int64_t{1} << 21;

    FuzzyWord() = default;
    FuzzyWord(std::string_view word, CodePage cp);

    bool Empty() const noexcept { return m_bytes.empty(); }
    std::string_view Text() const noexcept { return m_bytes; }
    std::uint32_t Signature() const noexcept { return m_signature; }
    // False when a name that begins with `byte` cannot have the word as its prefix.
    bool MayBeginWith(char byte) const noexcept {
        if (m_units.empty()) {
            return true;
        }
        const char typed = m_bytes[0];
        return byte == typed || (m_units[0].eitherCase && byte == typed - ('a' - 'A'));
    }
    // The best score of the word in `name`, or kNoMatch.
    std::int64_t Score(std::string_view name) const noexcept;
    // True when the word's characters appear in `name` in order (Score without the scoring).
    bool IsIn(std::string_view name) const noexcept;

private:
    // One character of the word: where its bytes start in m_bytes and how many there are.
    struct Unit {
        std::uint32_t at;
        std::uint32_t size;
        bool eitherCase;  // an ASCII lower-case letter: matches its upper case too
    };
    bool UnitAt(const Unit& unit, std::string_view name, std::size_t at) const noexcept {
        if (at + unit.size > name.size()) {
            return false;
        }
        const char typed = m_bytes[unit.at];
        if (unit.size == 1) {
            return name[at] == typed || (unit.eitherCase && name[at] == typed - ('a' - 'A'));
        }
        return name.compare(at, unit.size, std::string_view(m_bytes).substr(unit.at, unit.size)) == 0;
    }
    // Where each unit matches first when each takes the first place after the one before, into
    // `firsts`; false when the word does not match. Null `flags`: every byte starts a character.
    bool FirstPlaces(std::string_view name, const std::uint8_t* flags, std::uint16_t* firsts) const noexcept;
    bool IsPrefixOf(std::string_view name) const noexcept;

    std::string m_bytes;
    std::vector<Unit> m_units;
    std::uint32_t m_signature = 0;
    CodePage m_cp = CodePage::Utf8;
};

}  // namespace quarrow
