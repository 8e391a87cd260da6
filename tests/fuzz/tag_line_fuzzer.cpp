// One line of a tags file (the whole input, LF and NULs included) through the record parser, in
// both code pages.
//
// Checks: every field lies inside the record's text, the text is at most one piece long, the
// pattern and line number texts stay within their bounds, and a line without any Shift-JIS lead
// byte parses the same in both code pages (the byte-wise parser and the character-wise one must
// agree where the characters are bytes).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "tags/code_page.h"
#include "tags/tag_entry.h"

namespace {

using quarrow::CodePage;
using quarrow::CTagEntry;

void CheckFieldsInside(const CTagEntry& record, std::string_view piece) {
    const std::string_view text = record.GetText();
    FUZZ_CHECK(text.size() <= CTagEntry::kMaxPiece);
    FUZZ_CHECK(text.size() <= piece.size());
    if (!text.empty()) {
        FUZZ_CHECK(text.data() == piece.data());
    }
    for (const std::string_view field :
         {record.GetName(), record.GetFile(), record.GetKind(), record.GetAccess(), record.GetClass()}) {
        if (field.empty()) {
            continue;
        }
        FUZZ_CHECK(field.data() >= text.data());
        FUZZ_CHECK(field.data() + field.size() <= text.data() + text.size());
    }
    FUZZ_CHECK(record.GetPattern().size() <= text.size());
    const std::string lineNo = record.GetLineNo();
    FUZZ_CHECK(lineNo.size() <= 11);
    FUZZ_CHECK(lineNo.empty() != record.HasLineNo());
}

bool HasLeadByte(std::string_view piece) {
    for (const char c : piece) {
        if (quarrow::IsLeadByte(CodePage::ShiftJis, static_cast<unsigned char>(c))) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader hands pieces of up to kMaxPiece bytes; a longer input checks the parser's own
    // cut. The text is the fuzzer's buffer itself, so a read past its end is caught.
    const std::string_view piece(reinterpret_cast<const char*>(data), size);
    const std::string_view view = piece;

    CTagEntry bytes;
    bytes.Parse(view, CodePage::Utf8);
    CheckFieldsInside(bytes, view);
    CTagEntry chars;
    chars.Parse(view, CodePage::ShiftJis);
    CheckFieldsInside(chars, view);

    if (!HasLeadByte(view.substr(0, CTagEntry::kMaxPiece))) {
        FUZZ_CHECK(bytes.GetText() == chars.GetText());
        FUZZ_CHECK(bytes.GetName() == chars.GetName());
        FUZZ_CHECK(bytes.GetFile() == chars.GetFile());
        FUZZ_CHECK(bytes.GetPattern() == chars.GetPattern());
        FUZZ_CHECK(bytes.GetKind() == chars.GetKind());
        FUZZ_CHECK(bytes.GetAccess() == chars.GetAccess());
        FUZZ_CHECK(bytes.GetClass() == chars.GetClass());
        FUZZ_CHECK(bytes.HasLineNo() == chars.HasLineNo());
        FUZZ_CHECK(bytes.LineNumber() == chars.LineNumber());
    }
    return 0;
}
