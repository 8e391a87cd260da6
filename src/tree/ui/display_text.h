#pragma once
// Bytes of the document's code page turned into text for the screen. This is the only place
// where tag bytes are decoded; everything behind it keeps the bytes as they are.

#include <QString>

#include <string>
#include <string_view>

#include "tags/code_page.h"

namespace quarrow::ui {

// Decodes `bytes` (UTF-8, or Shift-JIS for code page 932). Bytes that are not valid in the code
// page show as replacement characters; the text is never cut.
QString DisplayText(std::string_view bytes, CodePage cp);

// The other way: text the user typed as bytes of the code page, to compare with tag bytes.
// Characters the code page lacks become what its encoder makes of them.
std::string CodePageBytes(const QString& text, CodePage cp);

}  // namespace quarrow::ui
