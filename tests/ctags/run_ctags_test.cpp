#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ctags/run_ctags.h"
#include "platform/message_sink.h"
#include "settings/view_settings.h"
#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/process_checks.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

using namespace std::chrono_literals;
using test::ScratchFolder;
using Lines = std::vector<std::string>;

constexpr const char* kDefaultTemplate =
    "--langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes --fields=+anmfk --sort=no "
    "-f@tags @target";
// The template the README gives for languages other than Java.
constexpr const char* kOtherLanguagesTemplate = "--recurse=yes --fields=+anmfklSZ --sort=no -f@tags @target";

// Script lines that find the file named by the tool's -f<file> argument (in $out).
constexpr const char* kFindOutput = "for a in \"$@\"; do case \"$a\" in -f*) out=\"${a#-f}\";; esac; done\n";

// The folder's entries, hidden ones included, sorted.
Lines Entries(const std::string& folder) {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RunCtagsTest : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(test::CurrentDir(), m_cwd) << "the working directory must be the one from before the run";
        EXPECT_TRUE(test::HasNoChildren()) << "the run left a child behind";
    }

    // A tool that records its working folder, arguments and standard input in out.txt* of the
    // scratch folder.
    void UseRecordingTool(const std::string& paramTemplate) {
        m_settings.m_strCtagsPath =
            m_dir.WriteProgram("bin/fake-ctags", test::ArgumentWriterScript(m_out, "pwd > '" + m_out + ".pwd'; cat > '" + m_out + ".in'"));
        m_settings.m_strCtagsParam = paramTemplate;
    }
    void UseScript(const std::string& body) {
        m_settings.m_strCtagsPath = m_dir.WriteProgram("bin/fake-ctags", "#!/bin/sh\n" + body);
        m_settings.m_strCtagsParam = "x -f@tags @target";
    }

    ScratchFolder m_dir{"process"};
    std::string m_cwd = test::CurrentDir();
    std::string m_out = m_dir / "out.txt";
    ViewSettings m_settings;
    RecordingMessageSink m_sink;
};

TEST_F(RunCtagsTest, GivesTheToolItsWordsInTheTagsFolderWithFoundNamesInItsFileList) {
    const std::string folder = m_dir / "my proj 日本";
    m_dir.Write("my proj 日本/b.java", "");
    m_dir.Write("my proj 日本/a.java", "");
    UseRecordingTool("first -f@tags @target --x \"quoted word\"");

    EXPECT_EQ(RunCtags(m_settings, folder + "/x.tags", "*.java", m_sink), 1);

    // Every word of the template reaches the tool, the first one too. It writes a hidden new
    // file beside the tags file and reads the names the pattern found from its standard input.
    Lines words = test::ReadLines(m_out);
    ASSERT_EQ(words.size(), 6u);
    EXPECT_TRUE(words[1].starts_with("-f" + folder + "/.x.tags.")) << words[1];
    words.erase(words.begin() + 1);
    EXPECT_EQ(words, (Lines{"first", "-L", "-", "--x", "quoted word"}));
    EXPECT_EQ(test::ReadLines(m_out + ".in"), (Lines{"a.java", "b.java"}));
    EXPECT_EQ(test::ReadLines(m_out + ".pwd"), Lines{folder});
}

TEST_F(RunCtagsTest, RunsATagsFileInTheRootFolderInTheRoot) {
    UseRecordingTool("x @target");  // no output file: the root folder is not ours to write
    EXPECT_EQ(RunCtags(m_settings, "/x.tags", "src", m_sink), 1);
    EXPECT_EQ(test::ReadLines(m_out), (Lines{"x", "src"}));
    EXPECT_EQ(test::ReadLines(m_out + ".pwd"), Lines{"/"});
}

TEST_F(RunCtagsTest, AnchorsARelativeTagsPathAtTheWorkingDirectory) {
    std::filesystem::create_directories(m_dir / "sub");
    UseRecordingTool("x -f@tags");
    std::filesystem::current_path(m_dir.Path());
    const int result = RunCtags(m_settings, "sub/x.tags", "*", m_sink);
    std::filesystem::current_path(m_cwd);
    EXPECT_EQ(result, 1);
    const Lines words = test::ReadLines(m_out);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_TRUE(words[1].starts_with("-f" + m_dir.Path() + "/sub/.x.tags.")) << words[1];
    EXPECT_EQ(test::ReadLines(m_out + ".pwd"), Lines{m_dir / "sub"});
}

TEST_F(RunCtagsTest, APathWithoutASeparatorStartsNothing) {
    UseRecordingTool("x -f@tags");
    EXPECT_EQ(RunCtags(m_settings, "x.tags", "*", m_sink), 0);
    EXPECT_EQ(m_sink.messages, Lines{"tags path error!["});
    EXPECT_FALSE(std::filesystem::exists(m_out));
}

// A target that names an existing file or folder reaches the tool as one literal word: quotes
// in its name add no option, glob characters match no sibling, and a leading '-' is no option.
// One that names nothing is still split at its quotes and expanded ("*", "src/*.java").
TEST_F(RunCtagsTest, AnExistingTargetIsOneLiteralWord) {
    const std::string hostile = m_dir / "tq\" -f \"" + m_dir.Path() + "/victim";
    std::filesystem::create_directories(hostile);
    std::filesystem::create_directories(m_dir / "proj[1]");
    m_dir.Write("proj1/A.java", "");
    m_dir.Write("src/B.java", "");
    m_dir.Write("--options=zz.ctags", "");
    UseRecordingTool("x @target");
    const struct {
        std::string target;
        Lines expected;
        Lines list;
    } cases[] = {
        {hostile, {"x", hostile}, {}},
        {"proj[1]", {"x", "proj[1]"}, {}},
        {m_dir / "proj[1]", {"x", m_dir / "proj[1]"}, {}},
        {"--options=zz.ctags", {"x", "./--options=zz.ctags"}, {}},
        {"src/*.java", {"x", "-L", "-"}, {"src/B.java"}},
        {"src\" \"proj1", {"x", "src", "proj1"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", c.target, m_sink), 1);
        EXPECT_EQ(test::ReadLines(m_out), c.expected);
        EXPECT_EQ(test::ReadLines(m_out + ".in"), c.list);
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "victim"));
    EXPECT_EQ(m_sink.messages, Lines{});
}

// A start that fails keeps its first line and says what could not be used, why, and (for the
// tool) where to change it; the caller learns that the tool never ran.
TEST_F(RunCtagsTest, AToolThatCannotStartIsReportedWithItsReason) {
    const std::string tags = m_dir / "x.tags";
    const std::string settingsHint = "ctags のパスはメニューの 設定(&S) で変更できます。";
    const struct {
        std::string tool;
        std::string tagsPath;
        std::string message;
    } cases[] = {
        {m_dir / "no-such-ctags", tags,
         "create process error!\n" + m_dir / "no-such-ctags" + ": " + std::strerror(ENOENT) + "\n" + settingsHint},
        {"", tags, std::string("create process error!\n\"\": ") + std::strerror(ENOENT) + "\n" + settingsHint},
        {m_dir.Path(), tags, "create process error!\n" + m_dir.Path() + ": " + std::strerror(EACCES) + "\n" + settingsHint},
        {"/bin/true", m_dir / "no such folder/x.tags",
         "create process error!\n" + m_dir / "no such folder" + ": " + std::strerror(ENOENT)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tool + " into " + c.tagsPath);
        m_sink.messages.clear();
        m_settings.m_strCtagsPath = c.tool;
        m_settings.m_strCtagsParam = kDefaultTemplate;
        EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, c.tagsPath, "*", m_sink), CtagsRunResult::NotStarted);
        EXPECT_EQ(RunCtags(m_settings, c.tagsPath, "*", m_sink), 0);
        EXPECT_EQ(m_sink.messages, (Lines{c.message, c.message}));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 0) << "no hidden file is left";
}

TEST_F(RunCtagsTest, AToolThatFailsIsReportedWithItsLastErrorLines) {
    UseScript("echo 'ctags: Unknown option: --bogus' >&2\necho 'ctags: cannot open x' >&2\nexit 3\n");
    EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", "*", m_sink), 1);
    EXPECT_EQ(m_sink.messages,
              Lines{"ctags が異常終了しました (終了コード 3)。\nctags: Unknown option: --bogus\nctags: cannot open x"});
}

TEST_F(RunCtagsTest, OnlyTheLastLinesOfALongErrorOutputAreShown) {
    UseScript("i=1\nwhile [ $i -le 20 ]; do echo \"warning $i\" >&2; i=$((i+1)); done\nexit 1\n");
    EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", "*", m_sink), 1);
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_EQ(m_sink.messages[0],
              "ctags が異常終了しました (終了コード 1)。\nwarning 13\nwarning 14\nwarning 15\nwarning 16\nwarning 17\n"
              "warning 18\nwarning 19\nwarning 20");
}

TEST_F(RunCtagsTest, AToolKilledByASignalIsReported) {
    UseScript("echo 'dying' >&2\nkill -KILL $$\n");
    EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", "*", m_sink), 1);
    EXPECT_EQ(m_sink.messages, Lines{"ctags がシグナル 9 で強制終了しました。\ndying"});
}

TEST_F(RunCtagsTest, AToolThatSucceedsWithWarningsIsNotReported) {
    UseScript("for a in \"$@\"; do case \"$a\" in -f*) out=\"${a#-f}\";; esac; done\n"
              "printf 'A\\tA.java\\t1;\"\\tc\\n' > \"$out\"\necho 'ctags: Warning: something' >&2\nexit 0\n");
    EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", "*", m_sink), 1);
    EXPECT_EQ(m_sink.messages, Lines{});
}

// A folder of more files than an argument list can name (a system's limit is a few megabytes:
// here names of 200 bytes, more of them than fit): the names reach the tool on its standard
// input, so that it starts.
TEST_F(RunCtagsTest, AFolderOfManyFilesStartsTheTool) {
    const std::string longTail(180, 'x');
    const long files = ::sysconf(_SC_ARG_MAX) / 200 + 1000;
    std::filesystem::create_directories(m_dir / "many");
    for (long i = 0; i < files; ++i) {
        const std::string name = m_dir / ("many/" + std::to_string(100000 + i) + longTail + ".c");
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }
    UseScript(std::string(kFindOutput) + "wc -l > '" + m_out + "'\nprintf 'A\\tA.c\\t1;\"\\tf\\n' > \"$out\"\n");
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, m_dir / "many/x.tags", "*", m_sink), CtagsRunResult::Succeeded);
    EXPECT_EQ(m_sink.messages, Lines{});
    EXPECT_EQ(test::ReadLines(m_out), Lines{std::to_string(files)});
}

// Names found by a pattern that could read as options, comments or blanks reach the tool as
// "./name"; a name its file list cannot carry (a line break, a blank at its end) is an argument,
// and so is every name when the template gives its own file list.
TEST_F(RunCtagsTest, FoundNamesNeverReadAsOptions) {
    for (const char* name : {"-R", "--options=zz.ctags", "#x.c", " lead.c", "trail.c ", "line\nbreak.c", "plain.c",
                             "\"quoted\".c"}) {
        m_dir.Write(std::string("proj/") + name, "");
    }
    m_settings.m_strCtagsPath = m_dir.WriteProgram("bin/fake-ctags", test::NulArgumentWriterScript(m_out));
    const struct {
        const char* paramTemplate;
        Lines arguments;
        std::string list;
    } cases[] = {
        {"-f@tags @target",
         {"-L", "-", "line\nbreak.c", "trail.c "},
         "./ lead.c\n./\"quoted\".c\n./#x.c\n./--options=zz.ctags\n./-R\nplain.c\n"},
        {"-f@tags -L list.txt @target",
         {"-L", "list.txt", "./ lead.c", "./\"quoted\".c", "./#x.c", "./--options=zz.ctags", "./-R", "line\nbreak.c",
          "plain.c", "trail.c "},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paramTemplate);
        const CtagsCommand start =
            BuildCtagsCommand(m_settings.m_strCtagsPath, c.paramTemplate, "T", "*", m_dir / "proj", CodePage::Utf8);
        Lines expected{m_settings.m_strCtagsPath, "-fT"};
        expected.insert(expected.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(start.command.program, m_settings.m_strCtagsPath);
        EXPECT_EQ(start.command.arguments, expected);
        EXPECT_EQ(start.fileList, c.list);
    }
    // And so the tool gets them, through its own run.
    m_settings.m_strCtagsParam = "@target";
    EXPECT_EQ(RunCtags(m_settings, m_dir / "proj/x.tags", "*", m_sink), 1);
    EXPECT_EQ(test::SplitAtNul(test::ReadFile(m_out)), (Lines{"-L", "-", "line\nbreak.c", "trail.c "}));
}

// The old tags file seeds the new one in full only for a template that appends; otherwise the
// new file holds the old first line alone, enough for the tool to refuse a file that is no tags
// file, and a large old file costs nothing.
TEST_F(RunCtagsTest, TheOldFileIsCopiedOnlyForATemplateThatAppends) {
    const std::string oldText = "!_TAG_FILE_FORMAT\t2\t//\nOld\tOld.java\t1;\"\tc\n";
    const std::string firstLine = "!_TAG_FILE_FORMAT\t2\t//\n";
    UseScript(std::string(kFindOutput) + "cat \"$out\" > '" + m_out + "'\necho 'New\tNew.java\t1;\"\tc' >> \"$out\"\n");
    const struct {
        const char* paramTemplate;
        bool whole;
    } cases[] = {
        {"-f@tags", false},
        {"-a -f@tags", true},
        {"--append -f@tags", true},
        {"--append=yes -f@tags", true},
        {"-a --append=no -f@tags", false},
        {"--append=no -f@tags --append", true},
        {"-Ra -f@tags", true},
        {"-f@tags -Rfa", false},  // a file named "a"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paramTemplate);
        const std::string tags = m_dir.Write("proj/x.tags", oldText);
        m_settings.m_strCtagsParam = c.paramTemplate;
        EXPECT_EQ(TemplateAppends(c.paramTemplate), c.whole);
        EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, tags, "*", m_sink), CtagsRunResult::Succeeded);
        EXPECT_EQ(test::ReadFile(m_out), c.whole ? oldText : firstLine);
    }
    EXPECT_EQ(m_sink.messages, Lines{});
}

// Reports a thread's calls and cancels the run at the first one, after handing the copy the
// bytes it waits for.
class CopyWatchingObserver final : public RunObserver {
public:
    explicit CopyWatchingObserver(int fifoWriter) : m_fifoWriter(fifoWriter) {}
    bool KeepWaiting(std::chrono::milliseconds /*elapsed*/) override {
        calledWhileCopying = true;
        (void)!::write(m_fifoWriter, "tail\n", 5);
        return false;
    }
    bool calledWhileCopying = false;

private:
    int m_fifoWriter;
};

// The full copy of an appending run happens off the calling thread, which keeps asking the
// observer and can cancel it: the old "tags file" here is a pipe whose bytes come only when the
// observer is asked, so a copy on the calling thread would wait for them forever (a guard ends
// that wait after a while, so that the old behaviour fails instead of hanging).
TEST_F(RunCtagsTest, TheCopyForAnAppendingTemplateRunsOffTheCallingThreadAndCanBeCancelled) {
    const std::string tags = m_dir / "proj/x.tags";
    std::filesystem::create_directories(m_dir / "proj");
    ASSERT_EQ(::mkfifo(tags.c_str(), 0600), 0);
    int writer = ::open(tags.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "Old\n", 4), 4);
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, 20s, [&] { return finished; })) {
            ::close(std::exchange(writer, -1));  // the copy reaches the end of the pipe
        }
    });
    UseScript(std::string(kFindOutput) + "echo 'New\tNew.java\t1;\"\tc' >> \"$out\"\n");
    m_settings.m_strCtagsParam = "-a -f@tags @target";
    CopyWatchingObserver observer(writer);
    const CtagsRunResult result = RunCtagsIntoTagsFile(m_settings, tags, "*", m_sink, CodePage::Utf8, &observer);
    {
        const std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_all();
    guard.join();
    if (writer >= 0) {
        ::close(writer);
    }
    EXPECT_TRUE(observer.calledWhileCopying);
    EXPECT_EQ(result, CtagsRunResult::Cancelled);
    EXPECT_EQ(m_sink.messages, Lines{});
    EXPECT_EQ(Entries(m_dir / "proj"), Lines{"x.tags"}) << "the new file goes with a cancelled copy";
}

// A process that runs ctags into `tags` with a stand-in tool that tells its process id through
// the pipe `fifo` once it runs and then runs for ten minutes. Returns the starter's process id
// and the tool's.
std::pair<pid_t, pid_t> StartRunInAnotherProcess(const ViewSettings& settings, const std::string& tags,
                                                 const std::string& fifo) {
    const int started = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (started < 0) {
        return {-1, -1};
    }
    const pid_t starter = ::fork();
    if (starter == 0) {
        RecordingMessageSink sink;
        RunCtagsIntoTagsFile(settings, tags, "*", sink);
        ::_exit(0);
    }
    pollfd watched{started, POLLIN, 0};
    char buffer[32] = {};
    const bool told = starter > 0 && ::poll(&watched, 1, 20000) == 1 && ::read(started, buffer, sizeof buffer - 1) > 0;
    ::close(started);
    return {starter, told ? static_cast<pid_t>(std::atoi(buffer)) : -1};
}

// Ends the process with SIGKILL and reaps it when the object goes, however the test leaves.
class KilledAtEnd {
public:
    explicit KilledAtEnd(pid_t pid) : m_pid(pid) {}
    KilledAtEnd(const KilledAtEnd&) = delete;
    KilledAtEnd& operator=(const KilledAtEnd&) = delete;
    ~KilledAtEnd() { KillNow(); }
    void KillNow() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            ::waitpid(std::exchange(m_pid, -1), &status, 0);
        }
    }

private:
    pid_t m_pid;
};

// A run killed with SIGKILL leaves its hidden file; the next run in the folder removes it, but
// never the file of a run that is still going (it holds a lock on it), nor other hidden files.
TEST_F(RunCtagsTest, ARunRemovesTheHiddenFilesOfKilledRuns) {
    const std::string fifo = m_dir / "started";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string tags = m_dir.Write("proj/x.tags", "Old\tOld.java\t1;\"\tc\n");
    m_dir.Write("proj/.x.tags.backup", "mine");
    m_dir.Write("proj/.x.tags.1-short", "mine too");
    UseScript(std::string(kFindOutput) + "echo $$ > '" + fifo + "'\nexec sleep 600\n");

    const auto [live, liveTool] = StartRunInAnotherProcess(m_settings, tags, fifo);
    KilledAtEnd liveAtEnd(live);
    ASSERT_GT(liveTool, 0);
    const Lines withLiveRun = Entries(m_dir / "proj");
    const auto [killed, killedTool] = StartRunInAnotherProcess(m_settings, tags, fifo);
    KilledAtEnd killedAtEnd(killed);
    ASSERT_GT(killedTool, 0);
    killedAtEnd.KillNow();
    ASSERT_EQ(withLiveRun.size(), 4u);
    ASSERT_EQ(Entries(m_dir / "proj").size(), 5u) << "the killed run left its file";

    UseScript(std::string(kFindOutput) + "echo 'New\tNew.java\t1;\"\tc' > \"$out\"\n");
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, tags, "*", m_sink), CtagsRunResult::Succeeded);
    EXPECT_EQ(Entries(m_dir / "proj"), withLiveRun);
}

// A tool that exits 0 but writes no tag: its file is empty or holds header lines only. The
// message shows the first lines of its warnings (the tool names the first problem first).
TEST_F(RunCtagsTest, AToolThatWritesNoTagIsReportedWithItsFirstWarnings) {
    const std::string noTags = "ctags はタグを1つも作りませんでした。TAGSファイルは元のままです。";
    const struct {
        const char* output;  // printf format written to the -f file
        const char* errors;  // shell lines writing to standard error
        const char* paramTemplate;
        std::string message;
    } cases[] = {
        {"", "", "-f@tags @target", noTags},
        {"!_TAG_FILE_FORMAT\\t2\\r\\n!_TAG_FILE_SORTED\\t0\\n\\n",
         "i=1; while [ $i -le 10 ]; do echo \"warning $i\" >&2; i=$((i+1)); done",
         "--languages=c,c++ -f@tags @target --languages=java",
         noTags + "\n対象の言語: java\nwarning 1\nwarning 2\nwarning 3\nwarning 4\nwarning 5\nwarning 6\nwarning 7\n"
                  "warning 8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paramTemplate);
        m_sink.messages.clear();
        const std::string tags = m_dir.Write("proj/x.tags", "Old\tOld.java\t1;\"\tc\n");
        UseScript(std::string(kFindOutput) + "printf '" + c.output + "' > \"$out\"\n" + c.errors + "\n");
        m_settings.m_strCtagsParam = c.paramTemplate;
        EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, tags, "*", m_sink), CtagsRunResult::MadeNoTags);
        EXPECT_EQ(m_sink.messages, Lines{c.message});
        EXPECT_EQ(test::ReadFile(tags), "Old\tOld.java\t1;\"\tc\n");
        EXPECT_EQ(Entries(m_dir / "proj"), Lines{"x.tags"});
    }
}

class CancellingObserver final : public RunObserver {
public:
    bool KeepWaiting(std::chrono::milliseconds elapsed) override {
        ++calls;
        return elapsed < 200ms;
    }
    int calls = 0;
};

TEST_F(RunCtagsTest, CancellingEndsALongRunQuicklyWithoutAMessage) {
    UseScript("sleep 30\n");
    CancellingObserver observer;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", "*", m_sink, CodePage::Utf8, &observer), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_GT(observer.calls, 1);
    EXPECT_EQ(m_sink.messages, Lines{});
}

// A stand-in tool that writes some tags lines into its -f file, then ends as the case asks:
// sleeps until cancelled, fails, or succeeds. The tags file is replaced only by a success; a
// cancelled or failed run leaves the old file byte for byte (or no file) and nothing else.
enum class Ending { Cancel, Fail, Succeed };

struct ReplaceCase {
    const char* name;
    bool fileExisted;
    Ending ending;
};

void PrintTo(const ReplaceCase& c, std::ostream* out) { *out << c.name; }

class TagsFileReplacementTest : public RunCtagsTest, public testing::WithParamInterface<ReplaceCase> {};

constexpr const char* kNewLines = "New\tNew.java\t1;\"\tc\nMore\tNew.java\t2;\"\tc\n";

TEST_P(TagsFileReplacementTest, ReplacesTheTagsFileOnlyWhenTheToolSucceeds) {
    const ReplaceCase& c = GetParam();
    const std::string folder = m_dir / "proj";
    const std::string tags = folder + "/x.tags";
    const std::string oldText = "Old\tOld.java\t/^class Old$/;\"\tc\n";
    m_dir.Write("proj/A.java", "class A {}\n");
    if (c.fileExisted) {
        m_dir.Write("proj/x.tags", oldText);
        ::chmod(tags.c_str(), 0640);
    }
    const char* ending = c.ending == Ending::Cancel ? "sleep 30\n" : c.ending == Ending::Fail ? "exit 2\n" : "exit 0\n";
    UseScript(std::string("for a in \"$@\"; do case \"$a\" in -f*) out=\"${a#-f}\";; esac; done\n"
                          "printf '") + kNewLines + "' > \"$out\"\n" + ending);
    CancellingObserver observer;
    const CtagsRunResult result = RunCtagsIntoTagsFile(m_settings, tags, "*", m_sink, CodePage::Utf8, &observer);

    switch (c.ending) {
    case Ending::Cancel:
        EXPECT_EQ(result, CtagsRunResult::Cancelled);
        EXPECT_EQ(m_sink.messages, Lines{});
        break;
    case Ending::Fail:
        EXPECT_EQ(result, CtagsRunResult::Failed);
        EXPECT_EQ(m_sink.messages, Lines{"ctags が異常終了しました (終了コード 2)。"});
        break;
    case Ending::Succeed:
        EXPECT_EQ(result, CtagsRunResult::Succeeded);
        EXPECT_EQ(m_sink.messages, Lines{});
        break;
    }
    const bool replaced = c.ending == Ending::Succeed;
    EXPECT_EQ(Entries(folder), (replaced || c.fileExisted ? Lines{"A.java", "x.tags"} : Lines{"A.java"}));
    if (replaced) {
        EXPECT_EQ(test::ReadFile(tags), "New\tNew.java\t1;\"\tc\nMore\tNew.java\t2;\"\tc\n");
    } else if (c.fileExisted) {
        EXPECT_EQ(test::ReadFile(tags), oldText);
    }
    if (c.fileExisted) {
        struct stat status {};
        ASSERT_EQ(::stat(tags.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0640u) << "the permissions of the tags file are kept";
    }
}

const ReplaceCase kReplaceCases[] = {
    {"ExistedCancel", true, Ending::Cancel}, {"ExistedFail", true, Ending::Fail},
    {"ExistedSucceed", true, Ending::Succeed}, {"NoFileCancel", false, Ending::Cancel},
    {"NoFileFail", false, Ending::Fail}, {"NoFileSucceed", false, Ending::Succeed},
};

INSTANTIATE_TEST_SUITE_P(Table, TagsFileReplacementTest, testing::ValuesIn(kReplaceCases),
                         [](const testing::TestParamInfo<ReplaceCase>& info) { return info.param.name; });

// The new file starts as a copy of the old one, so a template that appends keeps the old tags;
// a tags path that is a symbolic link keeps the link and replaces the file it points at.
TEST_F(RunCtagsTest, AnAppendingToolKeepsTheOldLinesAndALinkStaysALink) {
    m_dir.Write("real/x.tags", "Old\nOlder\n");
    std::filesystem::create_directories(m_dir / "proj");
    std::filesystem::create_symlink(m_dir / "real/x.tags", m_dir / "proj/x.tags");
    UseScript(std::string(kFindOutput) + "echo New >> \"$out\"\n");
    m_settings.m_strCtagsParam = "-a -f@tags @target";
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, m_dir / "proj/x.tags", "*", m_sink), CtagsRunResult::Succeeded);
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "proj/x.tags"));
    EXPECT_EQ(test::ReadFile(m_dir / "real/x.tags"), "Old\nOlder\nNew\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "real"), {}), 1);
}

// A read-only tags file is not replaced behind its owner's back, though its folder is writable.
TEST_F(RunCtagsTest, AReadOnlyTagsFileIsLeftAlone) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write any file";
    }
    const std::string tags = m_dir.Write("proj/x.tags", "Old\n");
    ::chmod(tags.c_str(), 0444);
    UseScript("for a in \"$@\"; do case \"$a\" in -f*) echo New > \"${a#-f}\";; esac; done\n");
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, tags, "*", m_sink), CtagsRunResult::NotRun);
    EXPECT_EQ(m_sink.messages, Lines{tags + " を作成できません。\n" + std::strerror(EACCES)});
    EXPECT_EQ(test::ReadFile(tags), "Old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "proj"), {}), 1);
}

// A template without "@tags" leaves the output to the template: nothing of ours is made.
TEST_F(RunCtagsTest, ATemplateWithoutTheTagsMarkerMakesNoNewFile) {
    UseRecordingTool("x @target");
    std::filesystem::create_directories(m_dir / "proj");
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, m_dir / "proj/x.tags", "src", m_sink), CtagsRunResult::Succeeded);
    EXPECT_EQ(test::ReadLines(m_out), (Lines{"x", "src"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir / "proj"), {}), 0);
}

// The real tools over a small Java tree, with the program's default template and target.
class RealCtagsTest : public RunCtagsTest, public testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(GetParam())) {
            GTEST_SKIP() << GetParam() << " is not installed";
        }
        std::filesystem::copy(QUARROW_TEST_DATA "/java-tree", m_dir / "java-tree", std::filesystem::copy_options::recursive);
        m_settings.m_strCtagsPath = GetParam();
        m_settings.m_strCtagsParam = kDefaultTemplate;
    }

    // Name, file, kind and line of every tag, sorted: the tools walk folders in their own order.
    static Lines TagsOf(const std::string& tagsFile) {
        Lines tags;
        for (const std::string& line : test::ReadLines(tagsFile)) {
            if (line.starts_with("!_")) {
                continue;
            }
            std::vector<std::string> fields;
            std::size_t begin = 0;
            for (std::size_t tab; (tab = line.find('\t', begin)) != std::string::npos; begin = tab + 1) {
                fields.push_back(line.substr(begin, tab - begin));
            }
            fields.push_back(line.substr(begin));
            EXPECT_GE(fields.size(), 5u) << line;
            if (fields.size() >= 5) {
                tags.push_back(fields[0] + ' ' + fields[1] + ' ' + fields[3] + ' ' + fields[4]);
            }
        }
        std::sort(tags.begin(), tags.end());
        return tags;
    }

    const Lines m_expected{
        "App src/com/example/App.java c line:3",
        "App src/com/example/App.java m line:6",
        "Circle src/com/example/Circle.java c line:3",
        "Circle src/com/example/Circle.java m line:6",
        "Foo my src/日本語/Foo.java c line:4",
        "Shape src/com/example/Shape.java i line:3",
        "area src/com/example/Circle.java m line:11",
        "area src/com/example/Shape.java m line:4",
        "com.example src/com/example/App.java p line:1",
        "com.example src/com/example/Circle.java p line:1",
        "com.example src/com/example/Shape.java p line:1",
        "count my src/日本語/Foo.java f line:5",
        "describe src/com/example/App.java m line:14",
        "jp.example my src/日本語/Foo.java p line:1",
        "main src/com/example/App.java m line:10",
        "radius src/com/example/Circle.java f line:4",
        "run my src/日本語/Foo.java m line:7",
        "shape src/com/example/App.java f line:4",
    };
};

// The second run starts from a copy of the first one's file, which the tool overwrites.
TEST_P(RealCtagsTest, IndexesTheTagsFolderWithTheDefaultTarget) {
    const std::string tags = m_dir / "java-tree/QR-SOURCE.tags";
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(RunCtags(m_settings, tags, "*", m_sink), 1);
        EXPECT_EQ(m_sink.messages, Lines{});
        EXPECT_EQ(TagsOf(tags), m_expected);
    }
}

TEST_P(RealCtagsTest, WritesARelativeTagsPathWhereTheCallerLooks) {
    std::filesystem::current_path(m_dir.Path());
    const int result = RunCtags(m_settings, "java-tree/rel.tags", "*", m_sink);
    std::filesystem::current_path(m_cwd);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(m_sink.messages, Lines{});
    EXPECT_EQ(TagsOf(m_dir / "java-tree/rel.tags"), m_expected);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "java-tree/java-tree"));
}

TEST_P(RealCtagsTest, ReportsABadOptionButCountsTheRun) {
    m_settings.m_strCtagsParam = "x --no-such-option-at-all -f@tags @target";
    EXPECT_EQ(RunCtags(m_settings, m_dir / "java-tree/x.tags", "*", m_sink), 1);
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_TRUE(m_sink.messages[0].starts_with("ctags が異常終了しました (終了コード 1)。\n")) << m_sink.messages[0];
    EXPECT_NE(m_sink.messages[0].find("no-such-option-at-all"), std::string::npos) << m_sink.messages[0];
}

// Name and file of every tag, sorted.
Lines NamesAndFiles(const std::string& tagsFile) {
    Lines tags;
    for (const std::string& line : test::ReadLines(tagsFile)) {
        if (!line.starts_with("!_")) {
            const std::size_t name = line.find('\t');
            const std::size_t file = line.find('\t', name + 1);
            tags.push_back(line.substr(0, name) + ' ' + line.substr(name + 1, file - name - 1));
        }
    }
    std::sort(tags.begin(), tags.end());
    return tags;
}

// Every word of the README's template for other languages reaches the tool, its first one too
// (--recurse=yes: without it the tool does not enter "src" and makes no tags).
TEST_P(RealCtagsTest, EveryWordOfTheTemplateReachesTheTool) {
    std::filesystem::copy(QUARROW_TEST_DATA "/cpp-tree", m_dir / "cpp-tree", std::filesystem::copy_options::recursive);
    m_settings.m_strCtagsParam = kOtherLanguagesTemplate;
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, m_dir / "cpp-tree/tags", "*", m_sink), CtagsRunResult::Succeeded);
    EXPECT_EQ(m_sink.messages, Lines{});
    const Lines tags = NamesAndFiles(m_dir / "cpp-tree/tags");
    for (const char* tag : {"Circle src/geometry/circle.h", "Shape src/geometry/shape.h", "main src/main.cpp"}) {
        EXPECT_NE(std::find(tags.begin(), tags.end(), tag), tags.end()) << tag;
    }
}

// A project whose file names would steer the tool if a name reached it as an option: the empty
// file "--options=zz.ctags" names zz.ctags, whose options redefine C and write tags outside the
// project; the folder "-R" would be an option too. The tags come from the project's files only.
TEST_P(RealCtagsTest, TheProjectsFileNamesNeverReachTheToolAsOptions) {
    std::filesystem::copy(QUARROW_TEST_DATA "/hostile-project", m_dir / "proj", std::filesystem::copy_options::recursive);
    m_settings.m_strCtagsParam = kOtherLanguagesTemplate;
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, m_dir / "proj/tags", "*", m_sink), CtagsRunResult::Succeeded);
    EXPECT_EQ(Entries(m_dir.Path()), (Lines{"java-tree", "proj"})) << "nothing may be written outside the project";
    // Universal Ctags also indexes the option file itself, as one of the project's files.
    Lines tags = NamesAndFiles(m_dir / "proj/tags");
    std::erase(tags, "zz zz.ctags");
    EXPECT_EQ(tags, (Lines{"nested_function ./-R/inner.c", "plain_function main.c"}));
}

// A run that makes no tags says so, with the languages the template names and the tool's own
// warnings, and leaves the tags file as it was.
TEST_P(RealCtagsTest, ARunThatMakesNoTagsSaysWhy) {
    std::filesystem::copy(QUARROW_TEST_DATA "/cpp-tree", m_dir / "cpp-tree", std::filesystem::copy_options::recursive);
    const std::string oldText = "Old\tOld.java\t1;\"\tc\n";
    const std::string tags = m_dir.Write("cpp-tree/x.tags", oldText);
    const std::string noTags = "ctags はタグを1つも作りませんでした。TAGSファイルは元のままです。";
    // The default template indexes Java only.
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, tags, "*", m_sink), CtagsRunResult::MadeNoTags);
    EXPECT_EQ(m_sink.messages, Lines{noTags + "\n対象の言語: java"});
    // A target that does not exist: the tool warns and exits 0.
    m_sink.messages.clear();
    m_settings.m_strCtagsParam = kOtherLanguagesTemplate;
    EXPECT_EQ(RunCtags(m_settings, tags, "no-such-folder", m_sink), 1);
    ASSERT_EQ(m_sink.messages.size(), 1u);
    EXPECT_TRUE(m_sink.messages[0].starts_with(noTags + "\n")) << m_sink.messages[0];
    EXPECT_NE(m_sink.messages[0].find("cannot open"), std::string::npos) << m_sink.messages[0];
    EXPECT_NE(m_sink.messages[0].find("no-such-folder"), std::string::npos) << m_sink.messages[0];
    EXPECT_EQ(test::ReadFile(tags), oldText);
    EXPECT_EQ(Entries(m_dir / "cpp-tree"), (Lines{"src", "x.tags"}));
}

INSTANTIATE_TEST_SUITE_P(Tools, RealCtagsTest, testing::Values("/usr/bin/ctags-universal", "/usr/bin/ctags-exuberant"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).ends_with("universal") ? "Universal" : "Exuberant";
                         });

}  // namespace
}  // namespace quarrow
