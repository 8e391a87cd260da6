#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "platform/file_descriptor.h"

extern char** environ;

namespace quarrow {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kPollInterval{25};
constexpr milliseconds kTermGrace{1000};

// Owns the spawn attributes and file actions for the duration of one start.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
};

// Ends the program and its whole session (it is the session leader), then reaps it. The
// leader is left unreaped while its group is signalled, so the group id cannot be reused.
int TerminateAndReap(pid_t pid) {
    if (::kill(-pid, SIGTERM) != 0) {
        ::kill(pid, SIGTERM);
    }
    const auto deadline = Clock::now() + kTermGrace;
    while (Clock::now() < deadline) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
            if (errno == EINTR) {
                continue;
            }
            break;  // not our child any more (SIGCHLD ignored): nothing left to reap
        }
        if (info.si_pid == pid) {
            break;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    ::kill(-pid, SIGKILL);  // also ends whatever the program started and left behind
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Reaps the child if the wait is left early (an exception from the observer).
class ChildGuard {
public:
    explicit ChildGuard(pid_t pid) noexcept : m_pid(pid) {}
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;
    ~ChildGuard() {
        if (m_pid > 0) {
            TerminateAndReap(m_pid);
        }
    }
    void Release() noexcept { m_pid = -1; }

private:
    pid_t m_pid;
};

void KeepTail(std::string& tail, const char* data, std::size_t size) {
    tail.append(data, size);
    if (tail.size() > kErrorTailBytes) {
        tail.erase(0, tail.size() - kErrorTailBytes);
    }
}

// Reads what is available without blocking; false once the pipe has reached its end.
bool DrainPipe(int fd, std::string& tail) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            KeepTail(tail, buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            return false;
        } else if (errno == EINTR) {
            continue;
        } else {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
    }
}

void Decode(int status, ChildOutcome& outcome) {
    if (WIFSIGNALED(status)) {
        outcome.state = ChildOutcome::State::Signalled;
        outcome.signal = WTERMSIG(status);
    } else {
        outcome.state = ChildOutcome::State::Exited;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    }
}

}  // namespace

ChildOutcome RunChildProcess(const CommandLine& command, const std::string& workingDirectory,
                             const KeepWaitingFn& keepWaiting) {
    ChildOutcome outcome;

    std::vector<char*> argv;
    std::string programName = command.program;
    if (command.arguments.empty()) {
        argv.push_back(programName.data());
    }
    std::vector<std::string> arguments = command.arguments;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        outcome.error = errno;
        return outcome;
    }
    FileDescriptor readEnd(pipeEnds[0]);
    FileDescriptor writeEnd(pipeEnds[1]);
    ::fcntl(readEnd.Get(), F_SETFL, ::fcntl(readEnd.Get(), F_GETFL) | O_NONBLOCK);

    SpawnSetup setup;
    // Own session: no terminal, and the whole tree can be ended on cancel. Signals start out
    // unblocked and at their defaults whatever the caller had set.
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t allSignals;
    sigfillset(&allSignals);
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setsigmask(&setup.attr, &noSignals);
    posix_spawnattr_setsigdefault(&setup.attr, &allSignals);

    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, writeEnd.Get(), 2);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    if (!workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&setup.actions, workingDirectory.c_str());
    }

    pid_t pid = -1;
    const int spawnError =
        ::posix_spawn(&pid, command.program.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
    writeEnd.Close();
    if (spawnError != 0) {
        outcome.error = spawnError;
        return outcome;
    }
    ChildGuard guard(pid);

    const auto start = Clock::now();
    bool pipeOpen = true;
    for (;;) {
        int status = 0;
        const pid_t waited = ::waitpid(pid, &status, WNOHANG);
        if (waited == pid) {
            guard.Release();
            Decode(status, outcome);
            break;
        }
        if (waited < 0 && errno != EINTR) {
            // Reaped behind our back (SIGCHLD ignored by the process): the outcome is unknown.
            guard.Release();
            outcome.state = ChildOutcome::State::Exited;
            break;
        }
        if (keepWaiting &&
            !keepWaiting(std::chrono::duration_cast<milliseconds>(Clock::now() - start))) {
            guard.Release();
            TerminateAndReap(pid);
            outcome.state = ChildOutcome::State::Cancelled;
            break;
        }
        pollfd watched{readEnd.Get(), POLLIN, 0};
        ::poll(&watched, pipeOpen ? 1 : 0, static_cast<int>(kPollInterval.count()));
        if (pipeOpen) {
            pipeOpen = DrainPipe(readEnd.Get(), outcome.errorTail);
        }
    }
    if (pipeOpen) {
        DrainPipe(readEnd.Get(), outcome.errorTail);
    }
    return outcome;
}

}  // namespace quarrow
