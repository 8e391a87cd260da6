#pragma once
// One line (or one piece of an over-long line) of a tags file. The record does not copy the
// line: it views bytes that the tag store keeps in one block, and holds the places of its fields
// as small offsets into them, so a million records cost little more than the file itself.

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

    std::string_view GetText() const noexcept { return {m_pText, m_strText}; }
    std::string_view GetName() const noexcept { return Field(m_strName); }
    std::string_view GetFile() const noexcept { return Field(m_strFile); }
    std::string GetPattern() const;  // the source line, escapes undone
    std::string GetLineNo() const;   // "%d" of the line number; empty when the line has none
    std::string_view GetKind() const noexcept { return Field(m_strKind); }
    std::string_view GetAccess() const noexcept { return Field(m_strAccess); }
    std::string_view GetClass() const noexcept { return Field(m_strClass); }

    std::int32_t LineNumber() const noexcept { return m_nLineNo; }
    bool HasLineNo() const noexcept { return m_bHasLineNo; }

private:
    // A field as a place inside the text (offset, length); text is at most 2047 bytes.
    struct Span {
        std::uint16_t offset = 0;
        std::uint16_t length = 0;
    };
    std::string_view Field(Span span) const noexcept { return {m_pText + span.offset, span.length}; }
    // Parse for a code page without double-byte characters: one scan over the piece finds every
    // field.
    void ParseBytes(std::string_view piece) noexcept;

    // Ordered so that a record packs into 40 bytes.
    const char* m_pText = "";
    std::int32_t m_nLineNo = 0;
    std::uint16_t m_strText = 0;  // length of the text
    Span m_strName;
    Span m_strFile;
    Span m_strPattern;  // raw pattern bytes, escapes still in
    Span m_strKind;
    Span m_strAccess;
    Span m_strClass;
    bool m_bHasLineNo = false;
    bool m_bShiftJis = false;  // the code page the pattern's escapes are undone in
};

}  // namespace quarrow
