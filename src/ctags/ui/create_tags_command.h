#pragma once
// The create-tags command: asks for the tags file and target in the dialog, remembers the target
// for that file under "CreateTagsParam", runs ctags in the tags file's folder with a progress
// window, and shows the new tags file through the open-by-path function. A run that could not
// take place or failed shows its message and brings the dialog back with the typed fields.

#include <functional>
#include <string>

#include "tags/code_page.h"

class QWidget;

namespace quarrow {
class MessageSink;
class Profile;
struct ViewSettings;
}  // namespace quarrow

namespace quarrow::ui {

class CCreateTagsDlg;

// Opens a tags file as the document (the document manager's open by path); true when it did.
using OpenByPathFunction = std::function<bool(const std::string& path)>;

// Whether ctags may write the tags file `runPath` now; false when another run is making it (the
// function has told the user why).
using MayRunFunction = std::function<bool(const std::string& runPath)>;

// Returns true when ctags succeeded and the file was handed to `openByPath`; false when the user
// cancelled the dialog or the run, or another run is making the file. `parent` owns the progress
// window (and the wait cursor covers the whole program).
bool RunCreateTagsCommand(QWidget* parent, CCreateTagsDlg& dlg, const ViewSettings& settings, Profile& profile,
                          MessageSink& sink, CodePage cp, const OpenByPathFunction& openByPath,
                          const MayRunFunction& mayRun = {});

}  // namespace quarrow::ui
