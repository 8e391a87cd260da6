#pragma once
// Runs the ctags tool over a target into a tags file, in the tags file's folder, and waits for it.
// The tool writes a new file beside the tags file, which replaces it only when the tool succeeds.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wildcard_expansion.h"
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
    // Told once before the tool starts which file it writes (the hidden new tags file), for a
    // window that shows how far the tool has come.
    virtual void WritingTo(const std::string& path) { (void)path; }
};

// How a run ended, for callers that do more than open the file afterwards.
enum class CtagsRunResult {
    NotRun,     // bad tags path, no new file could be made, or the tool could not be started
    Cancelled,  // the observer cancelled: the tool was ended, no message
    Failed,     // the tool ran and failed (reported); the tags file is as it was
    Succeeded,  // the tool exited 0 and its output is now the tags file
};

// The tool's words, argv[0] first. The template is split into words first (blanks separate,
// double quotes group and are removed); then every "@tags" and "@target" in a word is filled,
// left to right in one pass, so a filled-in path is never searched for a marker again. The tags
// path stays inside its word and is never expanded. A literal target (one that names an
// existing file or folder) stays inside its word too, never expanded; any other target is taken
// as typed text: double quotes in it split it into several words, which may be expanded as
// wildcard patterns ("*", "src/*.java"). Markers are found on character boundaries of `cp`.
std::vector<ArgumentWord> BuildCtagsArguments(std::string_view paramTemplate, std::string_view tagsPath,
                                              std::string_view target, bool literalTarget, CodePage cp);

// Whether `target` names an existing file or folder, relative to `runDirectory` unless it is
// absolute (a symbolic link counts, even a broken one). An empty target names nothing.
bool TargetNamesSomething(const std::string& target, const std::string& runDirectory);

// Runs the tool in the tags file's folder, with the words of BuildCtagsArguments (the target
// literal when it names something) and "@tags" naming a hidden new file beside the tags
// file (a copy of the old one, so that appending still works); the new file replaces the tags
// file by a rename only when the tool exits 0, keeping the old file's permission bits. A
// cancelled or failed run leaves the old file as it was and no new file behind. A template
// without "@tags" writes where the template says and nothing is replaced. Messages go to `sink`.
CtagsRunResult RunCtagsIntoTagsFile(const ViewSettings& settings, const std::string& tagsPath,
                                    const std::string& target, MessageSink& sink, CodePage cp = CodePage::Utf8,
                                    RunObserver* observer = nullptr);

// 1 when the tool was started and has ended (whatever its outcome), 0 when the run did not take
// place (bad tags path, the tool could not be started, or the observer cancelled it). Shows its
// messages through `sink`, including a report of a tool that ran but failed.
int RunCtags(const ViewSettings& settings, const std::string& tagsPath, const std::string& target,
             MessageSink& sink, CodePage cp = CodePage::Utf8, RunObserver* observer = nullptr);

}  // namespace quarrow
