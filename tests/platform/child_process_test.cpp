#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/process_checks.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using namespace std::chrono_literals;
using State = ChildOutcome::State;
using test::ScratchFolder;

class ChildProcessTest : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(test::CurrentDir(), m_cwd) << "the caller's working directory must not change";
        EXPECT_TRUE(test::HasNoChildren()) << "a child was left unreaped";
    }
    ScratchFolder m_dir{"process"};
    std::string m_cwd = test::CurrentDir();
};

TEST_F(ChildProcessTest, RunsInTheFolderWithTheArgumentVectorAsGiven) {
    const std::string folder = m_dir / "run dir 日本";
    const std::string out = m_dir / "args.txt";
    const std::string tool = m_dir.WriteProgram(
        "tool", test::ArgumentWriterScript(out, "pwd > '" + out +
                                                    ".pwd'; i=$(readlink /proc/$$/fd/0); o=$(readlink /proc/$$/fd/1); "
                                                    "printf '%s\\n' \"$i\" \"$o\" > '" +
                                                    out + ".in'"));
    std::filesystem::create_directories(folder);

    // argv[0] is the caller's word: a script sees only what follows it.
    const ChildOutcome outcome = RunChildProcess({tool, {"first word", "-a", "b c", "", "$(x)"}}, folder);

    EXPECT_EQ(outcome.state, State::Exited);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(test::ReadLines(out), (std::vector<std::string>{"-a", "b c", "", "$(x)"}));
    EXPECT_EQ(test::ReadLines(out + ".pwd"), std::vector<std::string>{folder});
    EXPECT_EQ(test::ReadLines(out + ".in"), (std::vector<std::string>{"/dev/null", "/dev/null"}));
}

TEST_F(ChildProcessTest, DoesNotPassOnOpenDescriptors) {
    const int leaky = ::open("/dev/null", O_RDONLY);  // no O_CLOEXEC on purpose
    ASSERT_GE(leaky, 0);
    const std::string out = m_dir / "fd.txt";
    const std::string tool =
        m_dir.WriteProgram("tool", "#!/bin/sh\nif [ -e /proc/$$/fd/" + std::to_string(leaky) +
                                       " ]; then echo open; else echo closed; fi > '" + out + "'\n");
    EXPECT_TRUE(RunChildProcess({tool, {"tool"}}, m_dir.Path()).Succeeded());
    ::close(leaky);
    EXPECT_EQ(test::ReadLines(out), std::vector<std::string>{"closed"});
}

TEST_F(ChildProcessTest, GivesTheProgramItsInputOnStandardInput) {
    // Far more than a pipe holds, with every byte value.
    std::string input;
    for (int i = 0; i < (1 << 20); ++i) {
        input.push_back(static_cast<char>(i * 7));
    }
    const std::string out = m_dir / "in.bin";
    const std::string reader = m_dir.WriteProgram("reader", "#!/bin/sh\ncat > '" + out + "'\n");
    EXPECT_TRUE(RunChildProcess({reader, {"reader"}}, m_dir.Path(), {}, input).Succeeded());
    EXPECT_EQ(test::ReadFile(out), input);
}

// Waits up to `limit` for the process `pid` (any process, not only a child) to end.
bool EndsWithin(pid_t pid, std::chrono::milliseconds limit) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) {
        return errno == ESRCH;  // gone already
    }
    pollfd watched{fd, POLLIN, 0};
    const int ready = ::poll(&watched, 1, static_cast<int>(limit.count()));
    ::close(fd);
    return ready == 1;
}

// However the process that started it ends, also by SIGKILL, the program ends with it: a
// stand-in tool that would run for ten minutes is gone as soon as its starter is.
TEST_F(ChildProcessTest, TheProgramNeverOutlivesTheProcessThatStartedIt) {
    const std::string fifo = m_dir / "started";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int started = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(started, 0);
    const std::string tool = m_dir.WriteProgram("long-ctags", "#!/bin/sh\necho $$ > '" + fifo + "'\nexec sleep 600\n");

    const pid_t starter = ::fork();
    ASSERT_GE(starter, 0);
    if (starter == 0) {
        RunChildProcess({tool, {"long-ctags"}}, m_dir.Path());
        ::_exit(0);
    }
    // The tool tells its process id once it runs.
    pollfd watched{started, POLLIN, 0};
    ASSERT_EQ(::poll(&watched, 1, 20000), 1) << "the tool did not start";
    char buffer[32] = {};
    ASSERT_GT(::read(started, buffer, sizeof buffer - 1), 0);
    ::close(started);
    const pid_t toolPid = static_cast<pid_t>(std::stoi(buffer));

    ASSERT_EQ(::kill(starter, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(starter, &status, 0), starter);
    const bool ended = EndsWithin(toolPid, 20s);
    if (!ended) {
        ::kill(toolPid, SIGKILL);
    }
    EXPECT_TRUE(ended) << "the tool outlived the process that started it";
}

TEST_F(ChildProcessTest, ReportsWhatCannotStart) {
    m_dir.Write("not-a-program", "text");
    const std::string folder = m_dir.Path();
    struct Case {
        std::string program;
        std::string folder;
        int error;
    };
    const Case cases[] = {
        {m_dir / "missing", folder, ENOENT},
        {m_dir / "not-a-program", folder, EACCES},
        {"sh", folder, ENOENT},  // no search along PATH
        {"/bin/sh", m_dir / "no such folder", ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " in " + c.folder);
        const ChildOutcome outcome = RunChildProcess({c.program, {"x"}}, c.folder);
        EXPECT_EQ(outcome.state, State::NotStarted);
        EXPECT_EQ(outcome.error, c.error);
    }
}

TEST_F(ChildProcessTest, ReportsExitStatusSignalAndTheTailOfStandardError) {
    const std::string failing =
        m_dir.WriteProgram("failing", "#!/bin/sh\necho first >&2\necho 'last line' >&2\nexit 3\n");
    ChildOutcome outcome = RunChildProcess({failing, {"failing"}}, m_dir.Path());
    EXPECT_EQ(outcome.state, State::Exited);
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.errorTail, "first\nlast line\n");

    const std::string killed = m_dir.WriteProgram("killed", "#!/bin/sh\nkill -KILL $$\n");
    outcome = RunChildProcess({killed, {"killed"}}, m_dir.Path());
    EXPECT_EQ(outcome.state, State::Signalled);
    EXPECT_EQ(outcome.signal, SIGKILL);
}

TEST_F(ChildProcessTest, KeepsOnlyTheEndOfALongErrorOutputWithoutBlocking) {
    // Far more than a pipe holds: the run must keep reading while it waits.
    const std::string noisy = m_dir.WriteProgram(
        "noisy",
        "#!/bin/sh\ni=0\nwhile [ $i -lt 5000 ]; do echo \"line $i of the error output\" >&2; i=$((i+1)); done\n");
    const ChildOutcome outcome = RunChildProcess({noisy, {"noisy"}}, m_dir.Path());
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.errorTail.size(), kErrorTailBytes);
    EXPECT_TRUE(outcome.errorTail.ends_with("line 4999 of the error output\n"));
}

TEST_F(ChildProcessTest, CancelEndsTheProgramAndWhatItStartedQuickly) {
    // The script ignores SIGTERM, so the run has to fall back to SIGKILL; its sleep is a
    // process of its own in the same session.
    const std::string stubborn =
        m_dir.WriteProgram("stubborn", "#!/bin/sh\ntrap '' TERM\nsleep 30\necho done > done.txt\n");
    std::vector<std::chrono::milliseconds> seen;
    const auto start = std::chrono::steady_clock::now();
    const ChildOutcome outcome =
        RunChildProcess({stubborn, {"stubborn"}}, m_dir.Path(), [&seen](std::chrono::milliseconds elapsed) {
            seen.push_back(elapsed);
            return elapsed < 150ms;
        });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(outcome.state, State::Cancelled);
    EXPECT_LT(took, 5s);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "done.txt"));
}

TEST_F(ChildProcessTest, AnObserverThatKeepsWaitingSeesTheRunToItsEnd) {
    const std::string slow = m_dir.WriteProgram("slow", "#!/bin/sh\nsleep 0.3\nexit 4\n");
    int calls = 0;
    const ChildOutcome outcome =
        RunChildProcess({slow, {"slow"}}, m_dir.Path(), [&calls](std::chrono::milliseconds) { return ++calls > 0; });
    EXPECT_EQ(outcome.state, State::Exited);
    EXPECT_EQ(outcome.exitCode, 4);
    EXPECT_GT(calls, 3);
}

TEST_F(ChildProcessTest, AnObserverThatThrowsLeavesNoChildBehind) {
    const std::string slow = m_dir.WriteProgram("slow", "#!/bin/sh\nsleep 30\n");
    EXPECT_THROW(RunChildProcess({slow, {"slow"}}, m_dir.Path(),
                                 [](std::chrono::milliseconds) -> bool { throw std::runtime_error("stop"); }),
                 std::runtime_error);
}

}  // namespace
}  // namespace quarrow
