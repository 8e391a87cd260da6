#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/startup_paths.h"
#include "support/scratch_folder.h"

namespace quarrow {
namespace {

// "{t}" in a case stands for the test's temporary directory.
std::string Expand(std::string text, const std::string& temp) {
    for (std::size_t at = text.find("{t}"); at != std::string::npos; at = text.find("{t}", at)) {
        text.replace(at, 3, temp);
        at += temp.size();
    }
    return text;
}

struct PathsCase {
    const char* name;
    const char* executable;
    bool executableDirWritable;
    const char* configHome;
    const char* home;
    const char* expectedHome;
    const char* expectedProfile;
};

// A failing row is reported by its name, not by its bytes.
void PrintTo(const PathsCase& c, std::ostream* out) { *out << c.name; }

const PathsCase kPathsCases[] = {
    {"portableInstall_profileBesideExecutable", "/opt/q/Quarrow", true, "", "", "/opt/q/", "/opt/q/Quarrow.INI"},
    {"lowerCaseName_keepsItsCase", "/opt/q/quarrow", true, "", "", "/opt/q/", "/opt/q/quarrow.INI"},
    {"dottedName_cutAtLastDot", "/opt/q/quarrow.tree.bin", true, "", "", "/opt/q/", "/opt/q/quarrow.tree.INI"},
    {"dotInFolderOnly_nameKept", "/opt/q.d/Quarrow", true, "", "", "/opt/q.d/", "/opt/q.d/Quarrow.INI"},
    {"executableAtRoot", "/Quarrow", true, "", "", "/", "/Quarrow.INI"},
    {"relativeExecutable_resolvedAgainstStart", "bin/Quarrow", true, "", "", "/start/bin/", "/start/bin/Quarrow.INI"},
    {"unwritable_xdgConfigHome", "/usr/bin/quarrow", false, "{t}/cfg", "{t}/home", "{t}/cfg/quarrow/",
     "{t}/cfg/quarrow/quarrow.INI"},
    {"unwritable_xdgTrailingSlash", "/usr/bin/quarrow", false, "{t}/cfg//", "{t}/home", "{t}/cfg/quarrow/",
     "{t}/cfg/quarrow/quarrow.INI"},
    {"unwritable_noXdg_homeConfig", "/usr/bin/quarrow", false, "", "{t}/home", "{t}/home/.config/quarrow/",
     "{t}/home/.config/quarrow/quarrow.INI"},
    {"unwritable_relativeXdgIgnored", "/usr/bin/quarrow", false, "cfg", "{t}/home", "{t}/home/.config/quarrow/",
     "{t}/home/.config/quarrow/quarrow.INI"},
};

class LocateProfileTest : public testing::TestWithParam<PathsCase> {};

TEST_P(LocateProfileTest, derivesEveryPath) {
    const PathsCase& c = GetParam();
    test::ScratchFolder temp{"app"};
    StartupEnvironment environment;
    environment.configHome = Expand(c.configHome, temp.Path());
    environment.home = Expand(c.home, temp.Path());
    environment.startDirectory = "/start";
    environment.isWritable = [&](const std::string&) { return c.executableDirWritable; };

    const AppPaths paths = LocateProfile(c.executable, environment);

    const std::string home = Expand(c.expectedHome, temp.Path());
    EXPECT_EQ(paths.homeDirectory, home);
    EXPECT_EQ(paths.profilePath, Expand(c.expectedProfile, temp.Path()));
    EXPECT_EQ(paths.temporaryDirectory, home + "tmp");
    EXPECT_EQ(paths.defaultTagsPath, home + "tmp/QR-SOURCE.tags");
    EXPECT_EQ(paths.startDirectory, "/start");
    if (!c.executableDirWritable) {
        EXPECT_TRUE(std::filesystem::is_directory(home)) << "the fallback home is created on demand";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LocateProfileTest, testing::ValuesIn(kPathsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LocateProfile, veryLongExecutablePath_nothingCut) {
    std::string directory;
    while (directory.size() < 5000) {
        directory += "/a-rather-long-folder-name";
    }
    StartupEnvironment environment;
    environment.startDirectory = "/";
    environment.isWritable = [](const std::string&) { return true; };

    const AppPaths paths = LocateProfile(directory + "/Quarrow", environment);

    EXPECT_EQ(paths.profilePath, directory + "/Quarrow.INI");
    EXPECT_EQ(paths.defaultTagsPath, directory + "/tmp/QR-SOURCE.tags");
}

TEST(LocateProfile, realProcess_profileBesideTestExecutable_currentDirectoryKept) {
    const std::string before = CurrentDirectory();
    const std::string executable = ExecutablePath();
    ASSERT_FALSE(executable.empty());
    ASSERT_EQ(executable.front(), '/');

    const AppPaths paths = LocateProfile(executable);

    EXPECT_EQ(CurrentDirectory(), before);
    EXPECT_EQ(paths.startDirectory, before);
    EXPECT_EQ(paths.executableDirectory, executable.substr(0, executable.rfind('/') + 1));
}

TEST(AbsolutePath, resolvesAgainstBase) {
    EXPECT_EQ(AbsolutePath("/s", "a.tags"), "/s/a.tags");
    EXPECT_EQ(AbsolutePath("/s/", "./a.tags"), "/s/a.tags");
    EXPECT_EQ(AbsolutePath("/", "a.tags"), "/a.tags");
    EXPECT_EQ(AbsolutePath("/s", "/x/a.tags"), "/x/a.tags");
    EXPECT_EQ(AbsolutePath("/s", "../a.tags"), "/s/../a.tags");
}

}  // namespace
}  // namespace quarrow
