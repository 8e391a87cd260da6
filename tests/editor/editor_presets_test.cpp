// Every known editor's command line through the real jump, with a stand-in program of that name
// on a PATH of the test's own: the exact words each editor gets, and which launch of an editor is
// taken when only some of its programs are installed.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/editor_command.h"
#include "platform/message_sink.h"
#include "settings/editor_presets.h"
#include "support/fake_tools.h"
#include "support/file_bytes.h"
#include "support/process_checks.h"
#include "support/scoped_env.h"
#include "support/scratch_folder.h"
#include "tags/tag_entry.h"

namespace quarrow {
namespace {

using Lines = std::vector<std::string>;

// A file with a blank, so that a template that split it would show.
constexpr const char* kFile = "/abs/my src/Foo.java";

struct PresetCase {
    const char* name;
    std::string_view preset;  // EditorPreset::name
    Lines installed;          // the programs on PATH
    std::string program;      // the one that starts
    Lines arguments;          // what it gets after its own name
};

void PrintTo(const PresetCase& c, std::ostream* out) { *out << c.name; }

const std::string kAt = std::string(kFile) + ":42";

const PresetCase kCases[] = {
    {"VimInATerminal", "Vim", {"x-terminal-emulator", "vim"}, "x-terminal-emulator", {"-e", "vim", "+42", kFile}},
    {"Gvim", "gvim", {"gvim"}, "gvim", {"+42", kFile}},
    {"NeovimQt", "Neovim (nvim-qt)", {"nvim-qt"}, "nvim-qt", {kFile, "--", "+42"}},
    {"EmacsClient", "Emacs", {"emacsclient", "emacs"}, "emacsclient", {"-n", "-a", "emacs", "+42", kFile}},
    {"EmacsWithoutItsClient", "Emacs", {"emacs"}, "emacs", {"+42", kFile}},
    {"VsCode", "VS Code", {"code"}, "code", {"-g", kAt}},
    {"VsCodium", "VSCodium", {"codium"}, "codium", {"-g", kAt}},
    {"Kate", "Kate", {"kate"}, "kate", {"-l", "42", kFile}},
    {"KWrite", "KWrite", {"kwrite"}, "kwrite", {"--line", "42", kFile}},
    {"Geany", "Geany", {"geany"}, "geany", {"+42", kFile}},
    {"Gedit", "gedit", {"gedit"}, "gedit", {"+42", kFile}},
    {"Mousepad", "Mousepad", {"mousepad"}, "mousepad", {"--line", "42", kFile}},
    {"QtCreator", "Qt Creator", {"qtcreator"}, "qtcreator", {"-client", kAt}},
    {"SublimeText", "Sublime Text", {"subl"}, "subl", {kAt}},
    {"IntelliJIdea", "JetBrains IDE", {"idea", "pycharm"}, "idea", {"--line", "42", kFile}},
    {"PyCharmAlone", "JetBrains IDE", {"pycharm"}, "pycharm", {"--line", "42", kFile}},
    {"ClionAlone", "JetBrains IDE", {"clion"}, "clion", {"--line", "42", kFile}},
};

class EditorPresetJumpTest : public testing::TestWithParam<PresetCase> {
protected:
    void TearDown() override { EXPECT_TRUE(test::HasNoChildren()) << "the jump left a child behind"; }
};

TEST_P(EditorPresetJumpTest, TheEditorGetsTheFileAndLineItsManualAsksFor) {
    const PresetCase& c = GetParam();
    test::ScratchFolder dir{"presets"};
    for (const std::string& program : c.installed) {
        dir.WriteProgram("bin/" + program, test::NulArgumentWriterScript(dir / (program + ".args")));
    }
    // Only the stand-ins are installed while the launch is chosen.
    AvailableEditor chosen{};
    {
        const test::ScopedEnv path("PATH", dir / "bin");
        for (const AvailableEditor& editor : AvailableEditors()) {
            if (editor.preset->name == c.preset) {
                chosen = editor;
            }
        }
    }
    ASSERT_NE(chosen.preset, nullptr);
    EXPECT_TRUE(chosen.installed);
    ASSERT_EQ(chosen.launch->program, c.program);

    // The stand-ins need the system's own tools.
    const test::ScopedEnv path("PATH", dir / "bin" + ":/usr/bin:/bin");
    const std::string tagLine = "run\t" + std::string(kFile) + "\t/^    void run() {$/;\"\tm\tline:42\n";
    CTagEntry tag;
    tag.Parse(tagLine, CodePage::Utf8);
    RecordingMessageSink sink;
    const EditorTemplate editor{std::string(chosen.launch->program), std::string(chosen.launch->format)};
    JumpToEditor(&tag, editor, dir.Path() + "/", sink);

    const std::string out = dir / (c.program + ".args");
    ASSERT_TRUE(test::WaitForFile(out)) << c.program << " did not start";
    EXPECT_EQ(test::SplitAtNul(test::ReadFile(out)), c.arguments);
    EXPECT_EQ(sink.messages, Lines{});
    for (const std::string& program : c.installed) {
        EXPECT_TRUE(program == c.program || !std::filesystem::exists(dir / (program + ".args")))
            << program << " started too";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EditorPresetJumpTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PresetCase>& info) { return info.param.name; });

// Every known editor has a row above: a new one cannot go untested.
TEST(EditorPresets, everyPresetHasACase) {
    for (const EditorPreset& preset : EditorPresets()) {
        bool covered = false;
        for (const PresetCase& c : kCases) {
            covered = covered || c.preset == preset.name;
        }
        EXPECT_TRUE(covered) << preset.name;
    }
}

// The installed editors come first, each group in the table's order; an editor that needs a
// second program (vim inside the terminal) is installed only with both.
TEST(EditorPresets, installedFirstInTheTablesOrder) {
    const std::vector<std::string_view> onPath = {"x-terminal-emulator", "kate", "subl", "emacs", "pycharm"};
    const auto probe = [&onPath](std::string_view program) {
        return std::find(onPath.begin(), onPath.end(), program) != onPath.end();
    };
    std::vector<std::string> order;
    for (const AvailableEditor& editor : AvailableEditors(probe)) {
        order.push_back(std::string(editor.preset->name) + (editor.installed ? "+" : "-") + "/" +
                        std::string(editor.launch->program));
    }
    EXPECT_EQ(order, (Lines{"Emacs+/emacs", "Kate+/kate", "Sublime Text+/subl", "JetBrains IDE+/pycharm",
                            "Vim-/x-terminal-emulator", "gvim-/gvim", "Neovim (nvim-qt)-/nvim-qt", "VS Code-/code",
                            "VSCodium-/codium", "KWrite-/kwrite", "Geany-/geany", "gedit-/gedit", "Mousepad-/mousepad",
                            "Qt Creator-/qtcreator"}));
    EXPECT_EQ(FirstInstalledEditor(probe)->program, "emacs");
    EXPECT_EQ(FirstInstalledEditor([](std::string_view) { return false; }), nullptr);
}

}  // namespace
}  // namespace quarrow
