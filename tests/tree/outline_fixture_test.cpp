// The printed tree of real ctags output over small source trees in five languages, with the
// language icons, the nested outline, both, and neither, each checked as a whole against the
// expected tree in tests/data/outline/expected/.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = QUARROW_OUTLINE_DATA;
constexpr const char* kCtags = "/usr/bin/ctags-universal";

std::string ReadFile(const fs::path& path) { return quarrow::test::ReadFile(path.string()); }

// Runs a shell command; true when it exits with 0.
bool RunShell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) && WEXITSTATUS(raw) == 0;
}

class OutlineFixture : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!fs::exists(kCtags)) {
            GTEST_SKIP() << kCtags << " is not installed";
        }
    }

    // Makes the fixture's tags file with `fields`, run in the fixture's folder as the program
    // runs ctags; returns its path.
    fs::path MakeTags(const std::string& fields, const std::string& name) {
        const fs::path tags = m_dir / name;
        const std::string command = "cd '" + kData + "/" + GetParam() + "' && " + kCtags +
                                    " --recurse=yes --fields=" + fields + " --sort=no -f '" + tags.string() + "' .";
        EXPECT_TRUE(RunShell(command)) << command;
        return tags;
    }

    std::string Tree(const fs::path& tags, const std::string& options) {
        const fs::path out = m_dir / "out";
        const std::string command =
            std::string("'") + QUARROW_TREE_EXE + "' " + options + " '" + tags.string() + "' >'" + out.string() + "'";
        EXPECT_TRUE(RunShell(command)) << command;
        return ReadFile(out);
    }

    std::string Expected(const std::string& mode) {
        return ReadFile(fs::path(kData) / "expected" / (std::string(GetParam()) + "." + mode + ".txt"));
    }

    const quarrow::test::ScratchFolder m_folder{"outline"};
    const fs::path m_dir = m_folder.Path();
};

struct Mode {
    const char* name;
    const char* options;
};
constexpr Mode kModes[] = {
    {"plain", ""},
    {"icons", "--lang-icons"},
    {"nest", "--nest"},
    {"both", "--lang-icons --nest"},
};

TEST_P(OutlineFixture, PrintsTheExpectedTreeInEachMode) {
    const fs::path tags = MakeTags("+anmfklSZ", "tags");
    for (const Mode& mode : kModes) {
        EXPECT_EQ(Tree(tags, mode.options), Expected(mode.name)) << GetParam() << " " << mode.name;
    }
}

// Without "language:" the language comes from the file's extension; without "scope:" the scope
// is read from its kind's own key ("class:Outer"). Both give the same trees.
TEST_P(OutlineFixture, ExtensionsAndPlainScopeKeysGiveTheSameTree) {
    const fs::path noLanguage = MakeTags("+anmfkSZ", "tags-no-language");
    const fs::path noScopeKey = MakeTags("+anmfklS", "tags-no-scope-key");
    for (const Mode& mode : kModes) {
        const std::string expected = Expected(mode.name);
        EXPECT_EQ(Tree(noLanguage, mode.options), expected) << GetParam() << " " << mode.name;
        EXPECT_EQ(Tree(noScopeKey, mode.options), expected) << GetParam() << " " << mode.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, OutlineFixture, testing::Values("c", "cpp", "python", "go", "java"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
