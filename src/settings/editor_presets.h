#pragma once
// The editors Quarrow knows how to start at a line: each one a program and the argument template
// that opens a file there ("@f" the file, "@l" the line). The settings dialog lists them, and a
// first start takes the first one installed. Plain C++.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

// One way to start an editor: the program (looked up along PATH) and its argument template.
// `alsoNeeds` is a program it starts in turn (the editor inside a terminal), empty when none.
struct EditorLaunch {
    std::string_view program;
    std::string_view format;
    std::string_view alsoNeeds;
};

struct EditorPreset {
    std::string_view name;  // the editor's own name
    bool inTerminal;        // runs inside a terminal window
    // The ways to start it, the preferred first (a client of a running editor before the editor
    // itself; the several launchers of one editor family).
    std::span<const EditorLaunch> launches;
};

// Every known editor, in the order of preference.
std::span<const EditorPreset> EditorPresets();

// Whether a program is installed; FindProgramOnPath by default.
using ProgramProbe = std::function<bool(std::string_view program)>;
bool IsProgramOnPath(std::string_view program);

// A known editor as this system has it: the launch to use (the first installed one, else the
// preferred one) and whether that launch can start.
struct AvailableEditor {
    const EditorPreset* preset;
    const EditorLaunch* launch;
    bool installed;
};

// The known editors, the installed ones first, each group in the order of preference.
std::vector<AvailableEditor> AvailableEditors(const ProgramProbe& isInstalled = IsProgramOnPath);

// The first installed known editor, or null when none is.
const EditorLaunch* FirstInstalledEditor(const ProgramProbe& isInstalled = IsProgramOnPath);

}  // namespace quarrow
