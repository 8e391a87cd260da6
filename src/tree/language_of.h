#pragma once
// The source language of a tag: from the "language:" field that ctags writes with --fields=+l,
// else from the file's extension (or, for makefiles, its name).

#include <cstdint>
#include <string_view>

namespace quarrow {

// The languages whose kinds the tree knows. Unknown covers every other language.
enum class TagLanguage : std::uint8_t {
    Unknown,
    Java,
    C,
    Cpp,
    CSharp,
    Python,
    Go,
    Rust,
    JavaScript,
    TypeScript,
    Php,
    Ruby,
    Shell,
    Make,
};

// The language ctags names `name` ("C++", "Sh", "JavaScript", ...); letter case does not matter.
TagLanguage LanguageFromName(std::string_view name) noexcept;

// The language of a file by its extension, or by its name for makefiles; `path` may carry
// folders. The table follows the file patterns ctags maps to each language.
TagLanguage LanguageFromFile(std::string_view path) noexcept;

}  // namespace quarrow
