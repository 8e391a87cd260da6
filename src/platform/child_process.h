#pragma once
// Runs a program to its end in a given folder and tells how it ended. Used for the ctags run,
// the one place where Quarrow waits for another program.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "platform/command_line.h"

namespace quarrow {

// How a run ended.
struct ChildOutcome {
    enum class State {
        NotStarted,  // the program (or the folder) could not be used; `error` holds errno
        Exited,      // ended by itself; `exitCode` holds its status
        Signalled,   // ended by a signal it did not catch; `signal` holds its number
        Cancelled,   // the caller stopped waiting and the program was ended
    };
    State state = State::NotStarted;
    int error = 0;
    int exitCode = 0;
    int signal = 0;
    std::string errorTail;  // the last bytes the program wrote to its standard error

    bool Succeeded() const noexcept { return state == State::Exited && exitCode == 0; }
};

// Called every few tens of milliseconds while the program runs; return false to end it.
using KeepWaitingFn = std::function<bool(std::chrono::milliseconds elapsed)>;

// Starts `command.program` exactly as given (no search along PATH) with `command.arguments` as
// its whole argument vector, in `workingDirectory` (the caller's own working directory is never
// changed), with standard input reading `standardInput` (/dev/null when it is empty), standard
// output on /dev/null, standard error captured (the last kErrorTailBytes kept), no terminal and
// no inherited descriptors, and waits for it to end.
// A cancelled program gets SIGTERM, then SIGKILL after a short grace, together with any
// processes it started; it is always reaped. The program never outlives this process: it is
// killed when this process ends, however it ends (also by SIGKILL), or when the thread that
// started it ends.
ChildOutcome RunChildProcess(const CommandLine& command, const std::string& workingDirectory,
                             const KeepWaitingFn& keepWaiting = {}, std::string_view standardInput = {});

inline constexpr std::size_t kErrorTailBytes = 4096;

}  // namespace quarrow
