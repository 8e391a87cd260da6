#include "platform/wildcard_expansion.h"

#include <glob.h>

#include "platform/path_rules.h"

namespace quarrow {

namespace {

// A word with a NUL byte is no pattern: glob(3) would see only its part before the NUL.
bool WantsExpansion(const std::string& word) {
    return !word.empty() && word.front() != '-' && word.find_first_of("*?[") != std::string::npos &&
           word.find('\0') == std::string::npos;
}

// The folder as a glob pattern that matches only itself.
std::string EscapeForGlob(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '*' || c == '?' || c == '[' || c == '\\') {
            escaped.push_back('\\');
        }
        escaped.push_back(c);
    }
    return escaped;
}

void Expand(const std::string& word, const std::string& directory, std::vector<ExpandedWord>& out) {
    std::string prefix;
    if (!path_rules::IsAbsolute(word) && !directory.empty()) {
        prefix = directory;
        if (prefix.back() != path_rules::kSeparator) {
            prefix.push_back(path_rules::kSeparator);
        }
    }
    const std::string pattern = EscapeForGlob(prefix) + word;
    glob_t found{};
    if (::glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            std::string_view name = found.gl_pathv[i];
            if (name.starts_with(prefix)) {
                name.remove_prefix(prefix.size());
            }
            out.push_back({std::string(name), true});
        }
    } else {
        out.push_back({word, false});
    }
    ::globfree(&found);
}

}  // namespace

std::vector<ExpandedWord> ExpandWildcardsMarked(const std::vector<ArgumentWord>& arguments,
                                                const std::string& directory) {
    std::vector<ExpandedWord> expanded;
    expanded.reserve(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0 && arguments[i].mayExpand && WantsExpansion(arguments[i].text)) {
            Expand(arguments[i].text, directory, expanded);
        } else {
            expanded.push_back({arguments[i].text, false});
        }
    }
    return expanded;
}

std::vector<std::string> ExpandWildcards(const std::vector<ArgumentWord>& arguments, const std::string& directory) {
    std::vector<std::string> words;
    for (ExpandedWord& word : ExpandWildcardsMarked(arguments, directory)) {
        words.push_back(std::move(word.text));
    }
    return words;
}

std::vector<std::string> ExpandWildcards(const std::vector<std::string>& arguments,
                                         const std::string& directory) {
    std::vector<ArgumentWord> words;
    words.reserve(arguments.size());
    for (const std::string& argument : arguments) {
        words.push_back({argument, true});
    }
    return ExpandWildcards(words, directory);
}

}  // namespace quarrow
