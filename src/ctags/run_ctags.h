#pragma once
// Runs the ctags tool over a target into a tags file, in the tags file's folder, and waits for it.
// The tool writes a new file beside the tags file, which replaces it only when the tool succeeds.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
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

// How a run ended, for callers that do more than open the file afterwards. Every outcome but
// Succeeded and Cancelled has shown its message through the sink; all but Succeeded leave the
// tags file as it was.
enum class CtagsRunResult {
    NotRun,      // bad tags path, or the new file could not be made beside the tags file
    NotStarted,  // the tool (or the tags file's folder) could not be used: the message names it,
                 // the system's reason and where to change it ("create process error!" first)
    Cancelled,   // the observer cancelled: the tool was ended, no message
    Failed,      // the tool ran and failed, or its file could not replace the tags file
    MadeNoTags,  // the tool exited 0 but wrote no tags (an empty file, or header lines only)
    Succeeded,   // the tool exited 0 and its output is now the tags file
};

// The tool's words, argv[0] not included. The template is split into words first (blanks
// separate, double quotes group and are removed); then every "@tags" and "@target" in a word is
// filled, left to right in one pass, so a filled-in path is never searched for a marker again.
// The tags path stays inside its word and is never expanded. A literal target (one that names
// an existing file or folder) stays inside its word too, never expanded, and gets "./" before it
// when it begins a word and could be taken for an option; any other target is taken as typed
// text: double quotes in it split it into several words, which may be expanded as wildcard
// patterns ("*", "src/*.java"). Markers are found on character boundaries of `cp`.
std::vector<ArgumentWord> BuildCtagsArguments(std::string_view paramTemplate, std::string_view tagsPath,
                                              std::string_view target, bool literalTarget, CodePage cp);

// How the tool is started: its argument vector and the file list it reads on its standard input
// ("" when it reads none).
struct CtagsCommand {
    CommandLine command;
    std::string fileList;
};

// The whole start of the tool: its path in the program-name position (argv[0]), then every word
// of BuildCtagsArguments (the target literal when it names something in `runDirectory`), with
// the wildcard patterns expanded in `runDirectory`. A name found by a pattern comes from the file
// system and is never put where the tool reads an option: the names go, one a line, into the
// file list that "-L -" (in the place of the first pattern) makes the tool read, with "./" before
// a name that does not begin with a letter, a digit, '_', '.' or '/'. A name a line cannot carry
// (a line break in it, a blank at its end), and every name when the template gives a file list
// of its own ("-L", "--filter"), is an argument instead, with "./" before it in the same way.
CtagsCommand BuildCtagsCommand(const std::string& ctagsPath, std::string_view paramTemplate,
                               std::string_view tagsPath, const std::string& target,
                               const std::string& runDirectory, CodePage cp);

// Whether the template tells the tool to append to the tags file ("-a", also grouped with other
// short options as in "-Ra", "--append", "--append=yes"; the last of them counts).
bool TemplateAppends(std::string_view paramTemplate);

// Whether `target` names an existing file or folder, relative to `runDirectory` unless it is
// absolute (a symbolic link counts, even a broken one). An empty target names nothing.
bool TargetNamesSomething(const std::string& target, const std::string& runDirectory);

// Runs the tool (BuildCtagsCommand) in the tags file's folder with "@tags" naming a hidden new
// file beside the tags file; the new file replaces the tags file by a rename only when the tool
// exits 0 having written tags, keeping the old file's permission bits. The new file starts with
// a copy of the old one when the template appends (made off the calling thread while the
// observer is asked as during the run, so that it can be cancelled), else with the old file's
// first line only. A run that does not succeed leaves the old file as it was and no new file
// behind. A template without "@tags" writes where the template says and nothing is replaced.
// Messages go to `sink`.
CtagsRunResult RunCtagsIntoTagsFile(const ViewSettings& settings, const std::string& tagsPath,
                                    const std::string& target, MessageSink& sink, CodePage cp = CodePage::Utf8,
                                    RunObserver* observer = nullptr);

// 1 when the tool was started and has ended (whatever its outcome), 0 when the run did not take
// place (bad tags path, the tool could not be started, or the observer cancelled it). Shows its
// messages through `sink`, including a report of a tool that ran but failed or made no tags.
int RunCtags(const ViewSettings& settings, const std::string& tagsPath, const std::string& target,
             MessageSink& sink, CodePage cp = CodePage::Utf8, RunObserver* observer = nullptr);

}  // namespace quarrow
