#pragma once
// A program to start and the argument vector it receives, as one comparable, printable value.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

// `program` is the file that is executed; `arguments` is the whole argument vector the program
// receives, its first element included (argv[0], the program-name position), which is usually
// the program's path itself.
struct CommandLine {
    std::string program;
    std::vector<std::string> arguments;

    bool operator==(const CommandLine&) const = default;
};

// Splits command text into words at blanks (space and TAB). Double quotes group blanks into a
// word and are removed, also in the middle of a word ("a"b c"" is the one word "ab c"); a pair of
// quotes with nothing between makes an empty word; an unclosed quote runs to the end. Nothing
// else is special: no escapes, no variables, no shell.
std::vector<std::string> SplitCommandText(std::string_view text);

// For test failure output: program and each argument in brackets.
std::ostream& operator<<(std::ostream& out, const CommandLine& command);
void PrintTo(const CommandLine& command, std::ostream* out);

}  // namespace quarrow
