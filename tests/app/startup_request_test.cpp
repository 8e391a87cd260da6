#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/startup_paths.h"
#include "app/startup_request.h"
#include "platform/message_sink.h"
#include "settings/profile.h"
#include "settings/view_settings.h"
#include "temp_dir.h"

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

    test::TempDir m_temp;
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

TEST(JoinCommandLine, singleBlanksBetweenArguments) {
    EXPECT_EQ(JoinCommandLine({}), "");
    EXPECT_EQ(JoinCommandLine({"-T/a", "b c", ""}), "-T/a b c ");
}

TEST(FullPathMessage, namesTheOptionAsWritten) {
    EXPECT_EQ(kFullPathMessage, "-Tオプションにはフルパスを指定してください。");
}

}  // namespace
}  // namespace quarrow
