#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
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

class RunCtagsTest : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(test::CurrentDir(), m_cwd) << "the working directory must be the one from before the run";
        EXPECT_TRUE(test::HasNoChildren()) << "the run left a child behind";
    }

    // A tool that records its working folder and arguments in out.txt of the scratch folder.
    void UseRecordingTool(const std::string& paramTemplate) {
        m_settings.m_strCtagsPath =
            m_dir.WriteProgram("bin/fake-ctags", test::ArgumentWriterScript(m_out, "pwd > '" + m_out + ".pwd'"));
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

TEST_F(RunCtagsTest, GivesTheToolItsWordsInTheTagsFolderWithWildcardsExpanded) {
    const std::string folder = m_dir / "my proj 日本";
    m_dir.Write("my proj 日本/b.java", "");
    m_dir.Write("my proj 日本/a.java", "");
    UseRecordingTool("first -f@tags @target --x \"quoted word\"");

    EXPECT_EQ(RunCtags(m_settings, folder + "/x.tags", "*.java", m_sink), 1);

    EXPECT_EQ(m_sink.messages, Lines{});
    // The template's first word sits in the program-name position: the tool never sees it. It
    // writes a hidden new file beside the tags file.
    Lines words = test::ReadLines(m_out);
    ASSERT_EQ(words.size(), 5u);
    EXPECT_TRUE(words[0].starts_with("-f" + folder + "/.x.tags.")) << words[0];
    words.erase(words.begin());
    EXPECT_EQ(words, (Lines{"a.java", "b.java", "--x", "quoted word"}));
    EXPECT_EQ(test::ReadLines(m_out + ".pwd"), Lines{folder});
}

TEST_F(RunCtagsTest, RunsATagsFileInTheRootFolderInTheRoot) {
    UseRecordingTool("x @target");  // no output file: the root folder is not ours to write
    EXPECT_EQ(RunCtags(m_settings, "/x.tags", "src", m_sink), 1);
    EXPECT_EQ(test::ReadLines(m_out), Lines{"src"});
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
    ASSERT_EQ(words.size(), 1u);
    EXPECT_TRUE(words[0].starts_with("-f" + m_dir.Path() + "/sub/.x.tags.")) << words[0];
    EXPECT_EQ(test::ReadLines(m_out + ".pwd"), Lines{m_dir / "sub"});
}

TEST_F(RunCtagsTest, APathWithoutASeparatorStartsNothing) {
    UseRecordingTool("x -f@tags");
    EXPECT_EQ(RunCtags(m_settings, "x.tags", "*", m_sink), 0);
    EXPECT_EQ(m_sink.messages, Lines{"tags path error!["});
    EXPECT_FALSE(std::filesystem::exists(m_out));
}

// A target that names an existing folder reaches the tool as one literal word: quotes in its
// name add no option, and glob characters match no sibling. One that names nothing is still
// split at its quotes and expanded ("*", "src/*.java").
TEST_F(RunCtagsTest, AnExistingTargetIsOneLiteralWord) {
    const std::string hostile = m_dir / "tq\" -f \"" + m_dir.Path() + "/victim";
    std::filesystem::create_directories(hostile);
    std::filesystem::create_directories(m_dir / "proj[1]");
    m_dir.Write("proj1/A.java", "");
    m_dir.Write("src/B.java", "");
    UseRecordingTool("x @target");
    const struct {
        std::string target;
        Lines expected;
    } cases[] = {
        {hostile, {hostile}},
        {"proj[1]", {"proj[1]"}},
        {m_dir / "proj[1]", {m_dir / "proj[1]"}},
        {"src/*.java", {"src/B.java"}},
        {"src\" \"proj1", {"src", "proj1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", c.target, m_sink), 1);
        EXPECT_EQ(test::ReadLines(m_out), c.expected);
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "victim"));
    EXPECT_EQ(m_sink.messages, Lines{});
}

TEST_F(RunCtagsTest, AToolThatCannotStartIsReported) {
    const std::string tags = m_dir / "x.tags";
    const struct {
        std::string tool;
        std::string tagsPath;
    } cases[] = {
        {m_dir / "no-such-ctags", tags},
        {"", tags},
        {"/bin/true", m_dir / "no such folder/x.tags"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tool + " into " + c.tagsPath);
        m_sink.messages.clear();
        m_settings.m_strCtagsPath = c.tool;
        m_settings.m_strCtagsParam = kDefaultTemplate;
        EXPECT_EQ(RunCtags(m_settings, c.tagsPath, "*", m_sink), 0);
        EXPECT_EQ(m_sink.messages, Lines{"create process error!"});
    }
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
    UseScript("echo 'ctags: Warning: something' >&2\nexit 0\n");
    EXPECT_EQ(RunCtags(m_settings, m_dir / "x.tags", "*", m_sink), 1);
    EXPECT_EQ(m_sink.messages, Lines{});
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

class TagsFileReplacementTest : public RunCtagsTest, public testing::WithParamInterface<ReplaceCase> {
protected:
    // The folder's entries, hidden ones included.
    Lines Entries(const std::string& folder) {
        Lines names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

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
    m_dir.Write("real/x.tags", "Old\n");
    std::filesystem::create_directories(m_dir / "proj");
    std::filesystem::create_symlink(m_dir / "real/x.tags", m_dir / "proj/x.tags");
    UseScript("for a in \"$@\"; do case \"$a\" in -f*) out=\"${a#-f}\";; esac; done\necho New >> \"$out\"\n");
    EXPECT_EQ(RunCtagsIntoTagsFile(m_settings, m_dir / "proj/x.tags", "*", m_sink), CtagsRunResult::Succeeded);
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir / "proj/x.tags"));
    EXPECT_EQ(test::ReadFile(m_dir / "real/x.tags"), "Old\nNew\n");
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
    EXPECT_EQ(test::ReadLines(m_out), Lines{"src"});
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

INSTANTIATE_TEST_SUITE_P(Tools, RealCtagsTest, testing::Values("/usr/bin/ctags-universal", "/usr/bin/ctags-exuberant"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).ends_with("universal") ? "Universal" : "Exuberant";
                         });

}  // namespace
}  // namespace quarrow
