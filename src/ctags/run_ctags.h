#pragma once
// Runs the ctags tool over a target into a tags file, in the tags file's folder, and waits for it.

#include <chrono>
#include <string>
#include <string_view>

#include "tags/code_page.h"

namespace quarrow {

class MessageSink;
struct ViewSettings;

// Lets the window stay painted while the tool runs and lets the user cancel it. Called often
// (every few tens of milliseconds) on the calling thread while the tool has not ended.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // Return false to cancel: the tool is ended and the run counts as not having taken place.
    virtual bool KeepWaiting(std::chrono::milliseconds elapsed) = 0;
};

// The tool's command text: the template with every "@tags" replaced by the quoted tags path,
// then every "@target" by the quoted target (markers found on character boundaries of `cp`).
std::string BuildCtagsCommandText(std::string_view paramTemplate, std::string_view tagsPath,
                                  std::string_view target, CodePage cp);

// 1 when the tool was started and has ended (whatever its outcome), 0 when the run did not take
// place (bad tags path, the tool could not be started, or the observer cancelled it). Shows its
// messages through `sink`, including a report of a tool that ran but failed.
int RunCtags(const ViewSettings& settings, const std::string& tagsPath, const std::string& target,
             MessageSink& sink, CodePage cp = CodePage::Utf8, RunObserver* observer = nullptr);

}  // namespace quarrow
