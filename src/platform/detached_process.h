#pragma once
// Starts a program that lives on its own: not waited for, not a child of Quarrow once started,
// so it outlives the window and never lingers as a zombie. Used for the user's editor.

#include "platform/command_line.h"

namespace quarrow {

// Looks `command.program` up along PATH when it holds no '/' (as execvp does, but never handing
// a file to a shell), and executes it with `command.arguments` as its argument vector (argv[0]
// included), in a session of its own, with standard input on /dev/null. Returns 0 once the
// program is executing, else the errno of the failed start (ENOENT when it was found nowhere).
int StartDetached(const CommandLine& command);

}  // namespace quarrow
