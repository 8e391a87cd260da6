#pragma once
// Stand-in programs for the tests that start editors and ctags: small shell scripts that record
// what they were given, so that a test reads back the exact words a real tool would have seen.
// Write one with ScratchFolder::WriteProgram.

#include <string>
#include <string_view>
#include <vector>

namespace quarrow::test {

// `text` as one shell word, whatever bytes it holds.
std::string ShellQuoted(std::string_view text);

// A script that writes its arguments, one a line, to `outFile`: the file appears complete or not
// at all. The shell lines `before` run first.
std::string ArgumentWriterScript(const std::string& outFile, std::string_view before = "");

// A script that writes its arguments, each ended by a NUL byte, to `outFile`, so that any byte a
// word holds (a newline too) comes back exactly; the file appears complete or not at all.
std::string NulArgumentWriterScript(const std::string& outFile);

// The words written by NulArgumentWriterScript.
std::vector<std::string> SplitAtNul(const std::string& text);

// A stand-in ctags: runs the shell lines `before`, writes exactly `tags` to the file named by
// its -f<file> argument (in $out), then runs the shell lines `after` (an exit status, a sleep).
std::string FakeCtagsScript(std::string_view tags, std::string_view before = "", std::string_view after = "");

}  // namespace quarrow::test
