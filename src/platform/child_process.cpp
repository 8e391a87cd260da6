#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
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

// A descriptor at 3 or above (close-on-exec), so that the child's moves onto 0, 1 and 2 never
// overwrite one another. -1 (errno kept) when none could be made.
int AboveStandardDescriptors(FileDescriptor& fd) {
    if (fd.Get() > 2) {
        return fd.Get();
    }
    FileDescriptor moved(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 3));
    if (!moved.IsOpen()) {
        return -1;
    }
    fd = std::move(moved);
    return fd.Get();
}

// What the program reads: an in-memory file holding `text`, read from its start.
FileDescriptor StandardInputHolding(std::string_view text) {
    if (text.empty()) {
        return FileDescriptor(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    }
    FileDescriptor fd(::memfd_create("quarrow-input", MFD_CLOEXEC));
    if (!fd.IsOpen()) {
        return fd;
    }
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t put = ::write(fd.Get(), text.data() + done, text.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileDescriptor();
        }
        done += static_cast<std::size_t>(put);
    }
    if (::lseek(fd.Get(), 0, SEEK_SET) != 0) {
        return FileDescriptor();
    }
    return fd;
}

// Everything the child needs, made before the fork: after it only system calls may run.
struct ChildStart {
    const char* program;
    char* const* argv;
    const char* workingDirectory;  // nullptr: stay where the parent is
    int input;
    int output;
    int error;
    int report;  // close-on-exec: tells the parent why the start failed
    pid_t parent;
};

[[noreturn]] void FailStart(int report, int error) {
    (void)!::write(report, &error, sizeof error);
    ::_exit(127);
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void StartInChild(const ChildStart& start) {
    // Dies with this process however it ends; a parent already gone before the request took
    // effect means the child was handed to another process and must not run.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != start.parent) {
        FailStart(start.report, ECHILD);
    }
    // Own session: no terminal, and the whole tree can be ended on cancel. Signals start out
    // unblocked and at their defaults whatever the caller had set.
    ::setsid();
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) {
            ::sigaction(signal, &defaultAction, nullptr);
        }
    }
    sigset_t noSignals;
    sigemptyset(&noSignals);
    ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);

    if (::dup2(start.input, 0) < 0 || ::dup2(start.output, 1) < 0 || ::dup2(start.error, 2) < 0) {
        FailStart(start.report, errno);
    }
    // No other descriptor reaches the program (the report pipe closes itself at exec).
    if (::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) != 0) {
        for (int fd = 3; fd < 65536; ++fd) {
            if (fd != start.report) {
                ::close(fd);
            }
        }
    }
    if (start.workingDirectory != nullptr && ::chdir(start.workingDirectory) != 0) {
        FailStart(start.report, errno);
    }
    ::execve(start.program, start.argv, environ);
    FailStart(start.report, errno);
}

// Starts the child; its process id, or -1 with `error` set to why it could not start.
pid_t StartChild(const ChildStart& start, FileDescriptor& reportRead, FileDescriptor& reportWrite, int& error) {
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = errno;
        return -1;
    }
    if (pid == 0) {
        StartInChild(start);
    }
    reportWrite.Close();
    int childError = 0;
    ssize_t got = 0;
    do {
        got = ::read(reportRead.Get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        // The start failed in the child: it has ended already.
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        error = childError;
        return -1;
    }
    return pid;
}

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
                             const KeepWaitingFn& keepWaiting, std::string_view standardInput) {
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
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        outcome.error = errno;
        return outcome;
    }
    FileDescriptor reportRead(pipeEnds[0]);
    FileDescriptor reportWrite(pipeEnds[1]);
    FileDescriptor input = StandardInputHolding(standardInput);
    FileDescriptor output(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (!input.IsOpen() || !output.IsOpen() || AboveStandardDescriptors(input) < 0 ||
        AboveStandardDescriptors(output) < 0 || AboveStandardDescriptors(writeEnd) < 0 ||
        AboveStandardDescriptors(reportWrite) < 0) {
        outcome.error = errno;
        return outcome;
    }

    const ChildStart childStart{command.program.c_str(),
                           argv.data(),
                           workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                           input.Get(),
                           output.Get(),
                           writeEnd.Get(),
                           reportWrite.Get(),
                           ::getpid()};
    int startError = 0;
    const pid_t pid = StartChild(childStart, reportRead, reportWrite, startError);
    writeEnd.Close();
    if (pid < 0) {
        outcome.error = startError;
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
