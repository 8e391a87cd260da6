#pragma once
// Every section, key and default of the profile in one place. Start-up, the main frame, the
// document, the view and the dialogs all read and write the profile with these names, so a
// setting has exactly one spelling and one default.

#include <string>
#include <string_view>

namespace quarrow::setting_keys {

// Sections.
inline constexpr std::string_view kSystem = "SYSTEM";
inline constexpr std::string_view kEditor = "EDITOR";
inline constexpr std::string_view kTags = "TAGS";
inline constexpr std::string_view kCreateTagsParam = "CreateTagsParam";  // key: a tags file path
inline constexpr std::string_view kRecentFileList = "Recent File List";
inline constexpr std::string_view kView = "VIEW";

// Sections whose keys are file paths: their keys compare exactly, since on this system two
// names that differ only in case are two files.
inline constexpr std::string_view kPathKeyedSections[] = {kCreateTagsParam};

// "EDITOR"
inline constexpr std::string_view kEditorPath = "EDITORPATH";
inline constexpr std::string_view kEditorFormat = "EDITORFORMAT";
inline constexpr std::string_view kRefind = "REFIND";  // 1: a jump searches the definition's line now

// "TAGS"
inline constexpr std::string_view kCtagsPath = "CTAGSPATH";
inline constexpr std::string_view kParam = "PARAM";
inline constexpr std::string_view kRecentSize = "RECENTSIZE";
inline constexpr std::string_view kLastTags = "LASTTAGS";
inline constexpr std::string_view kCodePage = "CODEPAGE";  // "auto", "65001" or "932"

// "SYSTEM"
inline constexpr std::string_view kRestartRead = "RESTART_READ";
inline constexpr std::string_view kSingleSelect = "SINGLSELECT";  // spelled so in existing profiles
inline constexpr std::string_view kTipMessage = "TIPMESSAGE";
inline constexpr std::string_view kMainMenu = "MAINMENU";
inline constexpr std::string_view kMultiView = "MULTIVIEW";
inline constexpr std::string_view kX = "X";
inline constexpr std::string_view kY = "Y";
inline constexpr std::string_view kCx = "CX";
inline constexpr std::string_view kCy = "CY";
inline constexpr std::string_view kUiLanguage = "UILANGUAGE";  // "ja" or "en"; otherwise the locale decides

// "VIEW": the tree's optional ways of showing members.
inline constexpr std::string_view kLangIcons = "LANGICONS";
inline constexpr std::string_view kNestScope = "NESTSCOPE";

// The key of entry `number` (from 1) of "Recent File List": "File1", "File2", ...
inline std::string RecentFileKey(int number) { return "File" + std::to_string(number); }

}  // namespace quarrow::setting_keys

namespace quarrow::setting_defaults {

#ifdef _WIN32
inline constexpr std::string_view kEditorPath = "c:\\tools\\hidemaru\\hidemaru.exe";
inline constexpr std::string_view kEditorFormat = "/j@l @f";
inline constexpr std::string_view kCtagsPath = "C:\\tools\\ctags54j2\\ctags.exe";
#else
// Understood by gvim, gedit, emacs and nano alike.
inline constexpr std::string_view kEditorPath = "gvim";
inline constexpr std::string_view kEditorFormat = "+@l @f";
inline constexpr std::string_view kCtagsPath = "/usr/bin/ctags";
#endif

inline constexpr std::string_view kParam =
    "--langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes "
    "--fields=+anmfk --sort=no -f@tags @target";

inline constexpr int kRestartRead = 0;
inline constexpr int kSingleSelect = 1;
inline constexpr int kTipMessage = 1;
inline constexpr int kMainMenu = 1;
inline constexpr int kMultiView = 0;
inline constexpr int kLangIcons = 1;  // a profile without the key shows kinds by language
inline constexpr int kNestScope = 0;
inline constexpr int kRefind = 1;

inline constexpr int kRecentSize = 20;
inline constexpr std::string_view kLastTags = "";
inline constexpr std::string_view kCodePage = "auto";

inline constexpr int kX = 5;
inline constexpr int kY = 10;
inline constexpr int kCx = 300;
inline constexpr int kCy = 600;

// The target remembered for a tags file that was never created.
inline constexpr std::string_view kCreateTagsTarget = "*";

// The tags-creation dialog always offers this many recent files, whatever "RECENTSIZE" says.
inline constexpr int kCreateTagsRecentFiles = 20;

}  // namespace quarrow::setting_defaults
