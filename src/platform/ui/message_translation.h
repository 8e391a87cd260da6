#pragma once
// The core's messages in the window's language. The core builds its messages as Japanese text
// with a file name or a number put into a fixed pattern; the message boxes pass every message
// through here, which finds the pattern it was made from and puts the same part into the
// pattern's translation. A text that matches no pattern (ctags' own output, a text already
// translated) is shown as it is.
//
// Adding a core message: add its pattern, with "%1" for the variable part, to the table in
// message_translation.cpp, then translate it (see translations/README.md).

#include <QString>

namespace quarrow::ui {

// The translation context of the patterns.
inline constexpr const char* kMessageContext = "Message";

QString TranslateMessage(const QString& text);

}  // namespace quarrow::ui
