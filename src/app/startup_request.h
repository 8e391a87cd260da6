#pragma once
// What the program does once its settings are found: open a tags file named on the command line,
// make a tags file of a source directory with ctags ("-T<directory>") and open it, re-open the
// tags file shown last, make an empty document, or end at once.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

class MessageSink;
class Profile;
struct AppPaths;
struct ViewSettings;

inline constexpr std::string_view kTagsOption = "-T";
inline constexpr std::string_view kFullPathMessage = "-Tオプションにはフルパスを指定してください。";
inline constexpr std::string_view kTargetNotRememberedMessage =
    "-Tオプションのフォルダを設定ファイルに記録できません。F5 ではこのTAGSファイルを作り直せません。";

enum class StartupCommand { NewDocument, OpenFile, EndProgram };

// The start-up request: the command and, for OpenFile, the file to open.
struct StartupRequest {
    StartupCommand command = StartupCommand::NewDocument;
    std::string fileName;

    bool operator==(const StartupRequest&) const = default;
};

// Runs ctags for "-T" and waits for it: 1 when the tool was started and has ended, 0 when the
// run did not take place (after showing its own message). The window passes a call of RunCtags
// with its sink, code page and progress observer:
//   [&](const ViewSettings& s, const std::string& tags, const std::string& target) {
//       return RunCtags(s, tags, target, sink, cp, &observer); }
using CtagsStarter = std::function<int(const ViewSettings& settings, const std::string& tagsPath,
                                       const std::string& target)>;

// The raw command line: the arguments after the program name joined by single blanks.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// The standard parser: only words that begin with '-' are switches, and none is acted on; the
// first other word becomes the file name (made absolute against `startDirectory`) and the
// command OpenFile. Without such a word the command is NewDocument.
StartupRequest ParseCommandLine(const std::vector<std::string>& arguments, std::string_view startDirectory);

// Removes from "CreateTagsParam" every target remembered for `tagsPath` (a key naming that file in
// other words too), so that nothing re-creates it from a target it was not made from.
void ForgetCreateTagsTarget(Profile& profile, const std::string& tagsPath);

// The whole decision. `arguments` are the words after the program name. When the raw command
// line begins with "-T", the rest of it verbatim is the source directory: it must be absolute
// (otherwise kFullPathMessage is shown and the result is EndProgram); the temporary directory is
// created, the directory is remembered as the target of the default tags path under
// "CreateTagsParam" (when the profile cannot hold it, kTargetNotRememberedMessage is shown and no
// earlier target stays remembered for that file), the view settings are loaded, ctags runs into the default tags path, the settings are
// saved back, and a successful run opens that file. Otherwise, when no file was named,
// "SYSTEM"/"RESTART_READ" exactly 1 with a non-empty "TAGS"/"LASTTAGS" re-opens that file.
StartupRequest MakeStartupRequest(const std::vector<std::string>& arguments, Profile& profile,
                                  const AppPaths& paths, const CtagsStarter& runCtags,
                                  MessageSink& sink);

}  // namespace quarrow
