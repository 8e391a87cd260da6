#pragma once
// The command numbers the menus, the accelerators and the handlers share. A command goes first to
// the view, then to the document, the frame and the application, the first that handles it wins.

namespace quarrow::ui::command {

inline constexpr int kFileNew = 57600;       // create or re-create a tags file (the application's dialog commands)
inline constexpr int kFileOpen = 57601;      // open a tags file (the application)
inline constexpr int kFileSaveAs = 57604;    // save the document under a new name (the document)
inline constexpr int kFileMruFirst = 57616;  // the recent files, one command each (the application)
inline constexpr int kFileMruLast = 57631;
inline constexpr int kAppAbout = 57664;      // the About box (the application)
inline constexpr int kAppExit = 57665;       // end the program (the application)
inline constexpr int kSettings = 32771;      // the settings dialog (the application's dialog commands)
// The "表示(&V)" menu, in its order: find, refresh, then the two checkable tree options.
inline constexpr int kViewFind = 32772;        // show and focus the filter field (the view)
inline constexpr int kViewRefresh = 32773;     // re-run ctags for the shown tags file in the background
inline constexpr int kViewLangIcons = 32774;   // kind icons by language (checkable)
inline constexpr int kViewNestScope = 32775;   // members nested under their scope (checkable)

constexpr bool IsRecentFile(int id) noexcept { return id >= kFileMruFirst && id <= kFileMruLast; }

}  // namespace quarrow::ui::command
