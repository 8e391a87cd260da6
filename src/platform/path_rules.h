#pragma once
// The path conventions of the platform Quarrow runs on. Every rule that splits or joins a path
// goes through here, so a Windows build only swaps this file.

#include <string_view>

namespace quarrow::path_rules {

// The byte that separates folders: '/' on POSIX (the backslash on Windows).
inline constexpr char kSeparator = '/';

// A path is absolute when it begins with the separator.
constexpr bool IsAbsolute(std::string_view path) noexcept {
    return !path.empty() && path.front() == kSeparator;
}

}  // namespace quarrow::path_rules
