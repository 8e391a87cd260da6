#pragma once
// Where a dialog opens: centred on the window it belongs to, at every showing.
//
// The toolkit's own placement guesses the size of the window manager's frame from whichever
// top-level window it finds first, and takes a fixed guess (10 by 40 pixels) when that window's
// frame is not known yet; it then puts the frame, not the dialog, at the guessed place. So a
// dialog opened several times lands 20 to 40 pixels above the centre, or on it, from one
// showing to the next, as the windows about it change.

class QDialog;

namespace quarrow::ui {

// Moves `dialog` (laid out at its own size first) so that its client area is centred on the
// client area of the window that holds its parent, keeping it on that window's screen. The frame
// the window manager adds is taken to be as thick as the main window's. Without a parent
// nothing is done.
void CentreOnOwnerWindow(QDialog& dialog);

}  // namespace quarrow::ui
