#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "app/startup_paths.h"
#include "app/startup_request.h"
#include "ctags/run_ctags.h"
#include "platform/message_sink.h"
#include "settings/profile.h"
#include "settings/view_settings.h"
#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace quarrow {

void PrintTo(const StartupRequest& request, std::ostream* out) {
    static const char* const kCommands[] = {"NewDocument", "OpenFile", "EndProgram"};
    *out << kCommands[static_cast<int>(request.command)] << "(\"" << request.fileName << "\")";
}

namespace {

constexpr const char* kStart = "/home/me/work";

struct RequestCase {
    const char* name;
    std::vector<std::string> arguments;
    int restartRead;        // -1: key missing
    const char* lastTags;   // nullptr: key missing
    int ctagsResult;        // what the fake ctags run returns
    // Expected; "{tags}" stands for the default tags path.
    StartupCommand command;
    const char* fileName;
    const char* ctagsTarget;  // nullptr: ctags must not run
    bool fullPathMessage;
};

// A failing row is reported by its name, not by its bytes.
void PrintTo(const RequestCase& c, std::ostream* out) { *out << c.name; }

const RequestCase kRequestCases[] = {
    {"tOption_runsCtagsAndOpensDefaultTags", {"-T/src/proj"}, -1, nullptr, 1,
     StartupCommand::OpenFile, "{tags}", "/src/proj", false},
    {"tOption_blankBeforeDirectory_endsProgram", {"-T", "/src"}, -1, nullptr, 1,
     StartupCommand::EndProgram, "", nullptr, true},
    {"tOption_empty_endsProgram", {"-T"}, -1, nullptr, 1, StartupCommand::EndProgram, "", nullptr, true},
    {"tOption_relativeDirectory_endsProgram", {"-Tsrc/proj"}, 1, "/x/last.tags", 1,
     StartupCommand::EndProgram, "", nullptr, true},
    {"tOption_directoryWithBlank_wholeRestIsTarget", {"-T/My", "Src"}, -1, nullptr, 1,
     StartupCommand::OpenFile, "{tags}", "/My Src", false},
    {"tOption_oneArgumentWithBlank_wholeArgumentIsTarget", {"-T/My Src"}, -1, nullptr, 1,
     StartupCommand::OpenFile, "{tags}", "/My Src", false},
    {"tOption_quotesAndTrailingBlankKeptVerbatim", {"-T/a \"b\" "}, -1, nullptr, 1,
     StartupCommand::OpenFile, "{tags}", "/a \"b\" ", false},
    {"tOption_ctagsFails_parserFileNameStands", {"-T/My", "Src"}, -1, nullptr, 0,
     StartupCommand::OpenFile, "/home/me/work/Src", "/My Src", false},
    {"tOption_ctagsFails_noRestartRule", {"-T/src"}, 1, "/x/last.tags", 0,
     StartupCommand::NewDocument, "", "/src", false},
    {"tOption_notFirst_isOnlyASwitch", {"a.tags", "-T/src"}, -1, nullptr, 1,
     StartupCommand::OpenFile, "/home/me/work/a.tags", nullptr, false},
    {"smallT_notTheOption_restartRuleApplies", {"-t/src"}, 1, "/x/last.tags", 1,
     StartupCommand::OpenFile, "/x/last.tags", nullptr, false},
    {"fileName_opensIt_restartRuleNotApplied", {"my.tags"}, 1, "/x/last.tags", 1,
     StartupCommand::OpenFile, "/home/me/work/my.tags", nullptr, false},
    {"fileName_firstNonSwitchWordWins", {"-x", "/abs/a.tags", "b.tags"}, -1, nullptr, 1,
     StartupCommand::OpenFile, "/abs/a.tags", nullptr, false},
    {"fileName_fileWithBlankInOneArgument", {"./my dir/a.tags"}, -1, nullptr, 1,
     StartupCommand::OpenFile, "/home/me/work/my dir/a.tags", nullptr, false},
    {"fileName_quotesInTheNameKeptAsGiven", {"/x/a.tags\"old", "b\"c"}, -1, nullptr, 1,
     StartupCommand::OpenFile, "/x/a.tags\"old", nullptr, false},
    {"noArguments_restartRead1_opensLastTags", {}, 1, "/x/last.tags", 1,
     StartupCommand::OpenFile, "/x/last.tags", nullptr, false},
    {"noArguments_restartRead1_emptyLastTags_newDocument", {}, 1, "", 1,
     StartupCommand::NewDocument, "", nullptr, false},
    {"noArguments_restartRead2_isOff", {}, 2, "/x/last.tags", 1, StartupCommand::NewDocument, "", nullptr, false},
    {"noArguments_defaults_newDocument", {}, -1, nullptr, 1, StartupCommand::NewDocument, "", nullptr, false},
    {"onlySwitches_restartRuleApplies", {"-x", "--y"}, 1, "/x/last.tags", 1,
     StartupCommand::OpenFile, "/x/last.tags", nullptr, false},
};

class MakeStartupRequestTest : public testing::TestWithParam<RequestCase> {
protected:
    void SetUp() override {
        m_paths.startDirectory = kStart;
        m_paths.homeDirectory = m_temp.Path() + "/";
        m_paths.profilePath = m_temp / "Quarrow.INI";
        m_paths.temporaryDirectory = m_temp / "tmp";
        m_paths.defaultTagsPath = m_temp / "tmp/QR-SOURCE.tags";
        m_profile.SetPath(m_paths.profilePath);
    }

    test::ScratchFolder m_temp{"app"};
    AppPaths m_paths;
    Profile m_profile;
    RecordingMessageSink m_sink;
};

TEST_P(MakeStartupRequestTest, decides) {
    const RequestCase& c = GetParam();
    if (c.restartRead >= 0) {
        m_profile.WriteInt("SYSTEM", "RESTART_READ", c.restartRead);
    }
    if (c.lastTags != nullptr) {
        m_profile.WriteString("TAGS", "LASTTAGS", c.lastTags);
    }
    m_profile.WriteString("TAGS", "CTAGSPATH", "/opt/fake-ctags");

    std::vector<std::string> targets;
    std::string ctagsPathSeen;
    std::string tagsPathSeen;
    bool temporaryDirectoryExisted = false;
    const CtagsStarter runCtags = [&](const ViewSettings& settings, const std::string& tagsPath,
                                      const std::string& target) {
        targets.push_back(target);
        ctagsPathSeen = settings.m_strCtagsPath;
        tagsPathSeen = tagsPath;
        temporaryDirectoryExisted = std::filesystem::is_directory(m_paths.temporaryDirectory);
        return c.ctagsResult;
    };

    const StartupRequest request = MakeStartupRequest(c.arguments, m_profile, m_paths, runCtags, m_sink);

    std::string expectedFile = c.fileName;
    if (expectedFile == "{tags}") {
        expectedFile = m_paths.defaultTagsPath;
    }
    EXPECT_EQ(request, (StartupRequest{c.command, expectedFile}));
    if (c.ctagsTarget == nullptr) {
        EXPECT_TRUE(targets.empty());
    } else {
        EXPECT_EQ(targets, std::vector<std::string>{c.ctagsTarget});
        EXPECT_EQ(tagsPathSeen, m_paths.defaultTagsPath);
        EXPECT_EQ(ctagsPathSeen, "/opt/fake-ctags") << "the run uses the settings from the profile";
        EXPECT_TRUE(temporaryDirectoryExisted) << "the temporary directory exists before the run";
        // Remembered for the dialog, so that re-creating the tags file indexes the same folder.
        EXPECT_EQ(m_profile.ReadString("CreateTagsParam", m_paths.defaultTagsPath, "<missing>"), c.ctagsTarget);
        // The transient settings are written back: keys missing before are in the file now.
        EXPECT_EQ(m_profile.ReadString("TAGS", "PARAM", "<missing>").find("@tags") != std::string::npos, true);
    }
    if (c.fullPathMessage) {
        EXPECT_EQ(m_sink.messages, std::vector<std::string>{std::string(kFullPathMessage)});
    } else {
        EXPECT_TRUE(m_sink.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MakeStartupRequestTest, testing::ValuesIn(kRequestCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The earlier window a "-T" start asks to close writes its settings while ctags runs; the start's
// own settings, read before, were not changed and must not be written over that window's.
TEST_F(MakeStartupRequestTest, tOption_keepsSettingsAnEarlierWindowWroteDuringTheRun) {
    m_profile.WriteString("EDITOR", "EDITORFORMAT", "+@l @f");
    const CtagsStarter runCtags = [this](const ViewSettings&, const std::string&, const std::string&) {
        m_profile.WriteString("EDITOR", "EDITORFORMAT", "-l @l @f");
        m_profile.WriteInt("SYSTEM", "MAINMENU", 0);
        return 1;
    };
    MakeStartupRequest({"-T/src/proj"}, m_profile, m_paths, runCtags, m_sink);
    EXPECT_EQ(m_profile.ReadString("EDITOR", "EDITORFORMAT", ""), "-l @l @f");
    EXPECT_EQ(m_profile.ReadInt("SYSTEM", "MAINMENU", 1), 0);
    EXPECT_EQ(m_profile.ReadString("TAGS", "CTAGSPATH", ""), "/usr/bin/ctags");  // still written when missing
}

// "-T" with the real runner and a stand-in tool that writes a few lines and then sleeps (until
// cancelled), fails or succeeds: only a success replaces QR-SOURCE.tags and opens it; the
// file from an earlier start is otherwise left byte for byte, with nothing beside it.
enum class Ending { Cancel, Fail, Succeed };

struct EndingCase {
    const char* name;
    Ending ending;
    const char* lastLines;  // the stand-in tool's last shell lines
};

class TOptionRunTest : public MakeStartupRequestTest {};

class CancelSoon final : public RunObserver {
public:
    bool KeepWaiting(std::chrono::milliseconds elapsed) override { return elapsed < std::chrono::milliseconds(300); }
};

TEST_F(TOptionRunTest, onlyASuccessfulRunReplacesTheDefaultTagsFile) {
    const std::string tool = m_temp / "fake-ctags";
    const EndingCase cases[] = {
        {"cancelled", Ending::Cancel, "sleep 30"},
        {"failed", Ending::Fail, "exit 1"},
        {"succeeded", Ending::Succeed, "exit 0"},
    };
    for (const EndingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ending ending = c.ending;
        std::filesystem::create_directories(m_paths.temporaryDirectory);
        test::WriteFile(m_paths.defaultTagsPath, "Old\n");
        m_temp.WriteProgram("fake-ctags", test::FakeCtagsScript("New\n", "", c.lastLines));
        m_profile.WriteString("TAGS", "CTAGSPATH", tool);
        m_sink.messages.clear();
        CancelSoon observer;
        const CtagsStarter runCtags = [&](const ViewSettings& settings, const std::string& tagsPath,
                                          const std::string& target) {
            return RunCtags(settings, tagsPath, target, m_sink, CodePage::Utf8, &observer);
        };

        const StartupRequest request = MakeStartupRequest({"-T" + m_temp.Path()}, m_profile, m_paths, runCtags, m_sink);

        EXPECT_EQ(test::ReadFile(m_paths.defaultTagsPath), ending == Ending::Succeed ? "New\n" : "Old\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_paths.temporaryDirectory), {}), 1);
        if (ending == Ending::Cancel) {
            EXPECT_EQ(request, StartupRequest{});
        } else {
            // A failed run is reported and still opens the file, as it always did.
            EXPECT_EQ(request, (StartupRequest{StartupCommand::OpenFile, m_paths.defaultTagsPath}));
        }
        EXPECT_EQ(m_sink.messages.size(), ending == Ending::Fail ? 1u : 0u);
    }
    // A first start: no file before, none after a cancelled run.
    std::filesystem::remove(m_paths.defaultTagsPath);
    CancelSoon observer;
    m_temp.WriteProgram("fake-ctags", "#!/bin/sh\nsleep 30\n");
    MakeStartupRequest({"-T" + m_temp.Path()}, m_profile, m_paths,
                       [&](const ViewSettings& settings, const std::string& tagsPath, const std::string& target) {
                           return RunCtags(settings, tagsPath, target, m_sink, CodePage::Utf8, &observer);
                       },
                       m_sink);
    EXPECT_TRUE(std::filesystem::is_empty(m_paths.temporaryDirectory));
}

// A "-T" folder the profile cannot hold (a line break in it): the run still takes place, the user
// is told that F5 cannot re-create the file, and no target remembered for that file before (under
// its own name or another one for it) is left for F5 or the dialog to use instead.
TEST_F(MakeStartupRequestTest, tOptionTargetTheProfileCannotHold_isReportedAndLeavesNoEarlierTarget) {
    const std::string otherWords = m_temp / "tmp/../tmp/QR-SOURCE.tags";
    std::filesystem::create_directories(m_paths.temporaryDirectory);
    m_profile.WriteString("CreateTagsParam", m_paths.defaultTagsPath, "/earlier/src");
    m_profile.WriteString("CreateTagsParam", otherWords, "/older/src");
    m_profile.WriteString("CreateTagsParam", "/y/other.tags", "/y/src");
    std::vector<std::string> targets;
    const CtagsStarter runCtags = [&](const ViewSettings&, const std::string&, const std::string& target) {
        targets.push_back(target);
        return 1;
    };

    const StartupRequest request = MakeStartupRequest({"-T/new\nline"}, m_profile, m_paths, runCtags, m_sink);

    EXPECT_EQ(request, (StartupRequest{StartupCommand::OpenFile, m_paths.defaultTagsPath}));
    EXPECT_EQ(targets, std::vector<std::string>{"/new\nline"});
    EXPECT_EQ(m_sink.messages, std::vector<std::string>{std::string(kTargetNotRememberedMessage)});
    EXPECT_EQ(m_profile.ReadSection("CreateTagsParam"),
              (std::vector<std::pair<std::string, std::string>>{{"/y/other.tags", "/y/src"}}));
}

TEST(JoinCommandLine, singleBlanksBetweenArguments) {
    EXPECT_EQ(JoinCommandLine({}), "");
    EXPECT_EQ(JoinCommandLine({"-T/a", "b c", ""}), "-T/a b c ");
}

TEST(FullPathMessage, namesTheOptionAsWritten) {
    EXPECT_EQ(kFullPathMessage, "-Tオプションにはフルパスを指定してください。");
}

}  // namespace
}  // namespace quarrow
