#include "settings/editor_presets.h"

#include <array>

#include "platform/program_search.h"

namespace quarrow {

namespace {

// Each template opens the file at the line as the editor's own manual describes it. "@f" is
// always an absolute path, so it never reads as an option.
constexpr EditorLaunch kVimInTerminal[] = {{"x-terminal-emulator", "-e vim +@l @f", "vim"}};
constexpr EditorLaunch kGvim[] = {{"gvim", "+@l @f", ""}};
// nvim-qt opens the files before "--" and hands what follows to nvim.
constexpr EditorLaunch kNvimQt[] = {{"nvim-qt", "@f -- +@l", ""}};
// A running Emacs takes the file; without one, emacsclient starts Emacs itself with the rest.
constexpr EditorLaunch kEmacs[] = {{"emacsclient", "-n -a emacs +@l @f", ""}, {"emacs", "+@l @f", ""}};
constexpr EditorLaunch kVsCode[] = {{"code", "-g @f:@l", ""}};
constexpr EditorLaunch kVsCodium[] = {{"codium", "-g @f:@l", ""}};
constexpr EditorLaunch kKate[] = {{"kate", "-l @l @f", ""}};
constexpr EditorLaunch kKWrite[] = {{"kwrite", "--line @l @f", ""}};
constexpr EditorLaunch kGeany[] = {{"geany", "+@l @f", ""}};
constexpr EditorLaunch kGedit[] = {{"gedit", "+@l @f", ""}};
constexpr EditorLaunch kMousepad[] = {{"mousepad", "--line @l @f", ""}};
constexpr EditorLaunch kQtCreator[] = {{"qtcreator", "-client @f:@l", ""}};
constexpr EditorLaunch kSublime[] = {{"subl", "@f:@l", ""}};
// The launchers of the JetBrains family, as their installers and the snap packages name them.
constexpr EditorLaunch kJetBrains[] = {
    {"idea", "--line @l @f", ""},
    {"pycharm", "--line @l @f", ""},
    {"clion", "--line @l @f", ""},
    {"goland", "--line @l @f", ""},
    {"webstorm", "--line @l @f", ""},
    {"phpstorm", "--line @l @f", ""},
    {"rubymine", "--line @l @f", ""},
    {"rider", "--line @l @f", ""},
    {"intellij-idea-community", "--line @l @f", ""},
    {"intellij-idea-ultimate", "--line @l @f", ""},
    {"pycharm-community", "--line @l @f", ""},
    {"pycharm-professional", "--line @l @f", ""},
};

constexpr std::array kPresets{
    EditorPreset{"Vim", true, kVimInTerminal},
    EditorPreset{"gvim", false, kGvim},
    EditorPreset{"Neovim (nvim-qt)", false, kNvimQt},
    EditorPreset{"Emacs", false, kEmacs},
    EditorPreset{"VS Code", false, kVsCode},
    EditorPreset{"VSCodium", false, kVsCodium},
    EditorPreset{"Kate", false, kKate},
    EditorPreset{"KWrite", false, kKWrite},
    EditorPreset{"Geany", false, kGeany},
    EditorPreset{"gedit", false, kGedit},
    EditorPreset{"Mousepad", false, kMousepad},
    EditorPreset{"Qt Creator", false, kQtCreator},
    EditorPreset{"Sublime Text", false, kSublime},
    EditorPreset{"JetBrains IDE", false, kJetBrains},
};

bool CanStart(const EditorLaunch& launch, const ProgramProbe& isInstalled) {
    return isInstalled(launch.program) && (launch.alsoNeeds.empty() || isInstalled(launch.alsoNeeds));
}

AvailableEditor Resolve(const EditorPreset& preset, const ProgramProbe& isInstalled) {
    for (const EditorLaunch& launch : preset.launches) {
        if (CanStart(launch, isInstalled)) {
            return {&preset, &launch, true};
        }
    }
    return {&preset, &preset.launches.front(), false};
}

}  // namespace

std::span<const EditorPreset> EditorPresets() { return kPresets; }

bool IsProgramOnPath(std::string_view program) { return !FindProgramOnPath(program).empty(); }

std::vector<AvailableEditor> AvailableEditors(const ProgramProbe& isInstalled) {
    std::vector<AvailableEditor> installed;
    std::vector<AvailableEditor> missing;
    for (const EditorPreset& preset : kPresets) {
        const AvailableEditor editor = Resolve(preset, isInstalled);
        (editor.installed ? installed : missing).push_back(editor);
    }
    installed.insert(installed.end(), missing.begin(), missing.end());
    return installed;
}

const EditorLaunch* FirstInstalledEditor(const ProgramProbe& isInstalled) {
    for (const EditorPreset& preset : kPresets) {
        const AvailableEditor editor = Resolve(preset, isInstalled);
        if (editor.installed) {
            return editor.launch;
        }
    }
    return nullptr;
}

}  // namespace quarrow
