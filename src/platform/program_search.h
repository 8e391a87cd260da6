#pragma once
// Whether a program is installed: looked up along PATH the way the editor's start looks it up
// (detached_process.h), so that what is found here is what a jump would start.

#include <string>
#include <string_view>

namespace quarrow {

// The file that starting `program` would execute: the first executable regular file named so
// in a folder of PATH (an empty entry is the current folder; no PATH is "/bin:/usr/bin"), or
// `program` itself when it holds a '/'. Empty when there is none.
std::string FindProgramOnPath(std::string_view program);

}  // namespace quarrow
