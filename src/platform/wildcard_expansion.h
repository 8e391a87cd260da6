#pragma once
// Wildcard expansion of a tool's arguments. On Windows a console tool expands its own wildcard
// arguments; on POSIX that is the shell's job, and Quarrow uses no shell, so it expands them.

#include <string>
#include <vector>

namespace quarrow {

// Returns `arguments` with each word after the first that does not begin with '-' and holds
// '*', '?' or '[' replaced by the names it matches (glob(3) rules, sorted), relative words
// matched inside `directory` and given back relative to it. A word that matches nothing stays
// as it is. The first word (the program-name position) is never expanded.
std::vector<std::string> ExpandWildcards(const std::vector<std::string>& arguments,
                                         const std::string& directory);

// An argument with whether it may be taken as a pattern: a word that holds a file name from
// data (a path that exists, the tags file) is passed literally, whatever characters it holds.
struct ArgumentWord {
    std::string text;
    bool mayExpand = true;

    bool operator==(const ArgumentWord&) const = default;
};

// As above, leaving alone the words that may not be expanded.
std::vector<std::string> ExpandWildcards(const std::vector<ArgumentWord>& arguments, const std::string& directory);

// A word of an expanded argument vector, and whether it is a name found in the file system by
// a pattern: such a name is data, never to be handed on where a program could read an option.
struct ExpandedWord {
    std::string text;
    bool foundName = false;

    bool operator==(const ExpandedWord&) const = default;
};

// As above, telling the found names apart from the words given.
std::vector<ExpandedWord> ExpandWildcardsMarked(const std::vector<ArgumentWord>& arguments,
                                                const std::string& directory);

}  // namespace quarrow
