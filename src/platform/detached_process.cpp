#include "platform/detached_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace quarrow {

namespace {

// The files to try, in order. Built before forking: the forked process may only call
// async-signal-safe functions, so it must not allocate.
std::vector<std::string> Candidates(const std::string& program) {
    if (program.empty()) {
        return {};
    }
    if (program.find('/') != std::string::npos) {
        return {program};
    }
    const char* path = std::getenv("PATH");
    const std::string searchPath = path ? path : "/bin:/usr/bin";
    std::vector<std::string> candidates;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = searchPath.find(':', begin);
        std::string_view folder = std::string_view(searchPath).substr(begin, end == std::string::npos ? end : end - begin);
        if (folder.empty()) {
            folder = ".";  // an empty entry means the current folder
        }
        std::string candidate;
        candidate.reserve(folder.size() + 1 + program.size());
        candidate.append(folder).append(1, '/').append(program);
        candidates.push_back(std::move(candidate));
        if (end == std::string::npos) {
            break;
        }
        begin = end + 1;
    }
    return candidates;
}

void WriteError(int fd, int error) {
    const ssize_t ignored = ::write(fd, &error, sizeof error);
    static_cast<void>(ignored);
}

// Runs in the grandchild: only async-signal-safe calls from here on.
[[noreturn]] void ExecEditor(const std::vector<char*>& files, char* const* argv, int reportFd) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        sigaction(sig, &defaults, nullptr);  // ignored signals would stay ignored across exec
    }
    const int nul = ::open("/dev/null", O_RDONLY);
    if (nul > 0) {
        ::dup2(nul, 0);
        ::close(nul);
    }
#ifdef CLOSE_RANGE_CLOEXEC
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);  // nothing of Quarrow's leaks into the editor
#endif
    int error = ENOENT;
    for (char* file : files) {
        ::execve(file, argv, environ);
        if (errno == EACCES) {
            error = EACCES;  // remembered, the search goes on as execvp's does
        } else if (errno != ENOENT && errno != ENOTDIR) {
            error = errno;
            break;
        }
    }
    WriteError(reportFd, error);
    ::_exit(127);
}

}  // namespace

int StartDetached(const CommandLine& command) {
    std::vector<std::string> candidates = Candidates(command.program);
    std::vector<char*> files;
    for (std::string& candidate : candidates) {
        files.push_back(candidate.data());
    }
    std::vector<std::string> arguments = command.arguments;
    if (arguments.empty()) {
        arguments.push_back(command.program);
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return errno;
    }
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    if (middle == 0) {
        // The middle process only starts the editor and ends, so the editor is adopted by init
        // (or the nearest subreaper) and never becomes Quarrow's zombie.
        ::close(report[0]);
        ::setsid();
        const pid_t editor = ::fork();
        if (editor == 0) {
            ExecEditor(files, argv.data(), report[1]);
        }
        if (editor < 0) {
            WriteError(report[1], errno);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace quarrow
