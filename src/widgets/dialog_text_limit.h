#pragma once
// The length cap of a dialog's edit fields: typing and pasting stop at the cap, but a longer text
// set by the program (a hand-edited profile value) is shown in full and can only be shortened.
// Validation on OK refuses a text over the cap with the length message.

#include <QString>

class QLineEdit;

namespace quarrow::ui {

// The cap of every capped edit field of the dialogs.
inline constexpr int kDialogTextLimit = 256;

// The length message, "%1 文字以内で入力してください。" with the cap for %1.
QString TextLimitMessage(int limit = kDialogTextLimit);

// Caps what the user can add to `edit` (the text the program sets is not cut).
void CapTyping(QLineEdit* edit, int limit = kDialogTextLimit);

// The length of a text as the cap counts it: characters (code points), not bytes.
int DialogTextLength(const QString& text);

}  // namespace quarrow::ui
