#pragma once
// How a program file is picked in a file dialog on this platform. On POSIX a program has no
// extension, so the first filter lists every file and no extension is added to a typed name;
// Windows lists "*.exe" first and adds ".exe".

#include <string_view>

namespace quarrow::program_files {

// The browse filters of the editor and the ctags program, in the "display|pattern|...||" notation.
#ifdef _WIN32
inline constexpr std::string_view kEditorFilter = "Editor (*.exe)|*.exe|All Files (*.*)|*.*||";
inline constexpr std::string_view kCtagsFilter = "CTAGS (*.exe)|*.exe|All Files (*.*)|*.*||";
inline constexpr std::string_view kDefaultSuffix = "exe";
inline constexpr bool kFirstStartFindsAnEditor = false;
#else
inline constexpr std::string_view kEditorFilter = "Editor (*)|*|All Files (*.*)|*.*||";
inline constexpr std::string_view kCtagsFilter = "CTAGS (*)|*|All Files (*.*)|*.*||";
inline constexpr std::string_view kDefaultSuffix = "";
// A first start takes the first installed editor of the known ones (settings/editor_presets.h):
// the fixed default names a program most desktops here lack. Windows keeps its fixed default.
inline constexpr bool kFirstStartFindsAnEditor = true;
#endif

}  // namespace quarrow::program_files
