#pragma once
// One line (or one piece of an over-long line) of a tags file. The record does not copy the
// line: it views bytes that the tag store keeps in one block, and holds the places of its fields
// as 11-bit numbers packed with the text's address into 24 bytes, so a million records cost
// little more than the file itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "tags/code_page.h"

namespace quarrow {

class CTagEntry final {
public:
    // The longest piece the reader hands to Parse, in bytes.
    static constexpr std::size_t kMaxPiece = 2047;

    CTagEntry() = default;

    // Fills every field from `piece` (with its LF when it had one). The text ends at the first
    // NUL byte, and at kMaxPiece bytes when a caller hands more. The record keeps a view of
    // `piece`: its bytes must outlive the record.
    void Parse(std::string_view piece, CodePage cp);

    std::string_view GetText() const noexcept { return {Text(), Get<kTextLength>()}; }
    // A line of the ctags header ("!_TAG_FILE_FORMAT" and the like), not a tag of the sources.
    bool IsPseudoTag() const noexcept { return GetText().starts_with("!_"); }
    std::string_view GetName() const noexcept { return {Text(), Get<kNameLength>()}; }
    // The file begins past the TAB behind the name, the kind past the TAB behind the end marker;
    // either may start with blanks, which are not part of it.
    std::string_view GetFile() const noexcept { return ValueAt(Get<kNameLength>() + 1, Get<kFileLength>()); }
    std::string GetPattern() const;  // the source line, escapes undone
    std::string GetLineNo() const;   // "%d" of the line number; empty when the line has none
    std::string_view GetKind() const noexcept { return ValueAt(Get<kMarkerAt>() + 5, Get<kKindLength>()); }
    // Where the kind's bytes lie, without reading them: for a prefetch.
    const char* KindPlace() const noexcept { return Text() + Get<kMarkerAt>() + 5; }
    std::string_view GetAccess() const noexcept { return {Text() + Get<kAccessOffset>(), Get<kAccessLength>()}; }
    std::string_view GetClass() const noexcept { return {Text() + Get<kClassOffset>(), Get<kClassLength>()}; }

    std::int32_t LineNumber() const noexcept { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Get<kLineNo>())); }
    bool HasLineNo() const noexcept { return Get<kHasLineNo>() != 0; }

private:
    // 24 bytes a record, packed as bits: the text's address (48 bits, all a process's addresses
    // take), two flags, ten places of 11 bits inside the text (at most 2047 bytes), and the line
    // number. The name always starts the text; the file's, the pattern's and the kind's starts
    // follow from the name's length and the end marker's place, so only their lengths are kept.
    // A field absent from the line has length 0.
    // Each field's first bit in the record; the places inside the text take 11 bits each.
    static constexpr unsigned kPlaceBits = 11;
    enum Field : unsigned {
        kAddress = 0,  // 48 bits
        kHasLineNo = 48,
        kShiftJis = 49,  // the code page the pattern's escapes are undone in
        // The fields read while ordering and building lie inside one 64-bit word each; the
        // two that cross from one word to the next are rarely read.
        kTextLength = 50,
        kAccessOffset = 61,
        kNameLength = 72,
        kFileLength = 83,
        kKindLength = 94,
        kClassOffset = 105,
        kClassLength = 116,
        kAccessLength = 127,
        kMarkerAt = 138,  // where "$/;\"" starts; the pattern ends there
        kPatternLength = 149,
        kLineNo = 160,  // 32 bits, to the record's end
    };
    static constexpr unsigned kAddressBits = 48;
    static constexpr unsigned Width(Field field) {
        return field == kAddress ? kAddressBits : field == kLineNo ? 32 : field < kTextLength ? 1 : kPlaceBits;
    }

    template <Field F>
    std::size_t Get() const noexcept {
        constexpr unsigned bits = Width(F);
        constexpr unsigned word = F / 64;
        constexpr unsigned shift = F % 64;
        std::uint64_t value = m_bits[word] >> shift;
        if constexpr (shift + bits > 64) {
            value |= m_bits[word + 1] << (64 - shift);
        }
        value &= (std::uint64_t{1} << bits) - 1;
        return static_cast<std::size_t>(value);
    }
    template <Field F>
    void Set(std::uint64_t value) noexcept {
        constexpr unsigned word = F / 64;
        constexpr unsigned shift = F % 64;
        constexpr std::uint64_t mask = (std::uint64_t{1} << Width(F)) - 1;
        value &= mask;
        m_bits[word] = (m_bits[word] & ~(mask << shift)) | (value << shift);
        if constexpr (shift + Width(F) > 64) {
            m_bits[word + 1] = (m_bits[word + 1] & ~(mask >> (64 - shift))) | (value >> (64 - shift));
        }
    }
    const char* Text() const noexcept { return reinterpret_cast<const char*>(Get<kAddress>()); }
    // Keeps `text` as the record's text; throws when its address takes more than 48 bits.
    void SetText(const char* text);
    // The value of `length` bytes that starts at `at` once blanks are passed; an absent one
    // (length 0) is empty. The parse saw to it that the value ends inside the record's text, and
    // the blanks passed never take it further: the bytes may be a mapped file's, rewritten since.
    std::string_view ValueAt(std::size_t at, std::size_t length) const noexcept {
        const char* const text = Text();
        if (length == 0) {
            return {text, 0};
        }
        while (text[at] == ' ' && at + length < Get<kTextLength>()) {
            ++at;
        }
        return {text + at, length};
    }
    void SetLineNo(std::int32_t line) noexcept {
        Set<kLineNo>(static_cast<std::uint32_t>(line));
        Set<kHasLineNo>(1);
    }
    // Parse for a code page without double-byte characters: one scan over the piece finds every
    // field.
    void ParseBytes(std::string_view piece) noexcept;

    std::uint64_t m_bits[3] = {reinterpret_cast<std::uintptr_t>(""), 0, 0};
};

// Asks for all of a record's bytes ahead of their use: a 24-byte record may end in the next cache
// line.
inline void PrefetchRecord(const CTagEntry& record) noexcept {
    const auto* bytes = reinterpret_cast<const char*>(&record);
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + sizeof(CTagEntry) - 1);
}

}  // namespace quarrow
