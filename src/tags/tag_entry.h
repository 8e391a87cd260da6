#pragma once
// One line (or one piece of an over-long line) of a tags file. The record does not copy the
// line: it views bytes that the tag store keeps in one block, and holds the places of its fields
// as 11-bit offsets into them, so a million records cost little more than the file itself.

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

    std::string_view GetText() const noexcept { return {m_pText, Bits(kTextLength)}; }
    std::string_view GetName() const noexcept { return {m_pText, Bits(kNameLength)}; }
    std::string_view GetFile() const noexcept { return Field(kFileOffset); }
    std::string GetPattern() const;  // the source line, escapes undone
    std::string GetLineNo() const;   // "%d" of the line number; empty when the line has none
    std::string_view GetKind() const noexcept { return Field(kKindOffset); }
    std::string_view GetAccess() const noexcept { return Field(kAccessOffset); }
    std::string_view GetClass() const noexcept { return Field(kClassOffset); }

    std::int32_t LineNumber() const noexcept { return m_nLineNo; }
    bool HasLineNo() const noexcept { return (m_flags & kHasLineNo) != 0; }

private:
    // Every place inside the text (at most 2047 bytes) takes 11 bits. The name always starts the
    // text; each other field is an offset and a length, in this order.
    enum Slot : unsigned {
        kTextLength,
        kNameLength,
        kFileOffset,
        kFileLength,
        kPatternOffset,
        kPatternLength,
        kKindOffset,
        kKindLength,
        kAccessOffset,
        kAccessLength,
        kClassOffset,
        kClassLength,
    };
    static constexpr unsigned kSlotBits = 11;
    static constexpr std::uint64_t kSlotMask = (1u << kSlotBits) - 1;
    static constexpr unsigned kSlotsPerWord = 5;  // 55 of a word's 64 bits
    static constexpr std::uint32_t kHasLineNo = 1u << 30;
    static constexpr std::uint32_t kShiftJis = 1u << 31;  // the code page the pattern's escapes are undone in

    std::size_t Bits(Slot slot) const noexcept {
        const unsigned shift = (slot % kSlotsPerWord) * kSlotBits;
        const std::uint64_t word = slot < kSlotsPerWord ? m_slots0 : slot < 2 * kSlotsPerWord ? m_slots1 : m_flags;
        return static_cast<std::size_t>((word >> shift) & kSlotMask);
    }
    void SetBits(Slot slot, std::size_t value) noexcept {
        const unsigned shift = (slot % kSlotsPerWord) * kSlotBits;
        const std::uint64_t bits = (static_cast<std::uint64_t>(value) & kSlotMask) << shift;
        if (slot < kSlotsPerWord) {
            m_slots0 = (m_slots0 & ~(kSlotMask << shift)) | bits;
        } else if (slot < 2 * kSlotsPerWord) {
            m_slots1 = (m_slots1 & ~(kSlotMask << shift)) | bits;
        } else {
            m_flags = static_cast<std::uint32_t>((m_flags & ~(kSlotMask << shift)) | bits);
        }
    }
    // The field whose offset is in `offset` and whose length follows it.
    std::string_view Field(Slot offset) const noexcept {
        return {m_pText + Bits(offset), Bits(static_cast<Slot>(offset + 1))};
    }
    void SetField(Slot offset, std::size_t begin, std::size_t end) noexcept {
        SetBits(offset, begin);
        SetBits(static_cast<Slot>(offset + 1), end - begin);
    }
    // Parse for a code page without double-byte characters: one scan over the piece finds every
    // field.
    void ParseBytes(std::string_view piece) noexcept;

    // 32 bytes a record: a file of short lines costs little more than its text.
    const char* m_pText = "";
    std::uint64_t m_slots0 = 0;  // slots 0 to 4
    std::uint64_t m_slots1 = 0;  // slots 5 to 9
    std::int32_t m_nLineNo = 0;
    std::uint32_t m_flags = 0;   // slots 10 and 11, kHasLineNo, kShiftJis
};

}  // namespace quarrow
