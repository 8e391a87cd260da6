#pragma once
// Ending what runs a nested event loop over the program's windows (modal dialogs, message boxes,
// file dialogs, pop-up menus) before the main window is destroyed: the command that opened one is
// still on the stack, and destroying the window under it would free what it is about to use.

namespace quarrow::ui {

// Ends the open pop-up menu and modal windows as their Cancel (Esc) would. Returns true while
// anything is still open or a nested event loop is still on the stack: the caller must try again
// from the event loop later, once those loops have returned.
bool EndModalWindows();

}  // namespace quarrow::ui
