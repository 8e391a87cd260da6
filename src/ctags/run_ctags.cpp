#include "ctags/run_ctags.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "ctags/pending_tags_file.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/message_sink.h"
#include "platform/path_rules.h"
#include "platform/wildcard_expansion.h"
#include "settings/view_settings.h"

namespace quarrow {

namespace {

constexpr std::string_view kTagsMarker = "@tags";
constexpr std::string_view kTargetMarker = "@target";

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            return buffer.data();
        }
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The last few lines of what the tool wrote to its standard error.
std::string LastLines(std::string tail) {
    constexpr int kLines = 8;
    if (tail.size() >= kErrorTailBytes) {
        // The first line was cut by the tail's limit: drop the fragment.
        const std::size_t newline = tail.find('\n');
        tail.erase(0, newline == std::string::npos ? 0 : newline + 1);
    }
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) {
        tail.pop_back();
    }
    tail.erase(0, tail.find_first_not_of("\r\n"));
    // Keep what follows the kLines-th line break from the end.
    std::size_t start = tail.size();
    for (int lines = 0; start > 0;) {
        const std::size_t newline = tail.rfind('\n', start - 1);
        if (newline == std::string::npos) {
            start = 0;
        } else if (++lines == kLines) {
            start = newline + 1;
            break;
        } else {
            start = newline;
        }
    }
    return tail.substr(start);
}

std::string FailureMessage(const ChildOutcome& outcome) {
    std::string message;
    if (outcome.state == ChildOutcome::State::Signalled) {
        message = "ctags がシグナル " + std::to_string(outcome.signal) + " で強制終了しました。";
    } else {
        message = "ctags が異常終了しました (終了コード " + std::to_string(outcome.exitCode) + ")。";
    }
    const std::string lines = LastLines(outcome.errorTail);
    if (!lines.empty()) {
        message += '\n';
        message += lines;
    }
    return message;
}

}  // namespace

std::vector<ArgumentWord> BuildCtagsArguments(std::string_view paramTemplate, std::string_view tagsPath,
                                              std::string_view target, bool literalTarget, CodePage cp) {
    // A target that names nothing is split as the text "\"target\"" always was: quotes typed
    // in it close the group and make further words.
    std::vector<std::string> targetWords;
    if (!literalTarget) {
        std::string quoted;
        quoted.reserve(target.size() + 2);
        quoted.push_back('"');
        quoted.append(target);
        quoted.push_back('"');
        targetWords = SplitCommandText(quoted);
    }

    std::vector<ArgumentWord> words;
    for (const std::string& templateWord : SplitCommandText(paramTemplate)) {
        ArgumentWord word;
        for (const MarkerPiece& piece : CutAtMarkers(cp, templateWord, {kTagsMarker, kTargetMarker})) {
            if (piece.marker < 0) {
                word.text.append(piece.text);
            } else if (piece.marker == 0) {
                word.text.append(tagsPath);
                word.mayExpand = false;
            } else if (literalTarget) {
                word.text.append(target);
                word.mayExpand = false;
            } else {
                for (std::size_t i = 0; i < targetWords.size(); ++i) {
                    if (i > 0) {
                        words.push_back(std::move(word));
                        word = ArgumentWord{};
                    }
                    word.text.append(targetWords[i]);
                }
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool TargetNamesSomething(const std::string& target, const std::string& runDirectory) {
    if (target.empty()) {
        return false;
    }
    std::string path = target;
    if (!path_rules::IsAbsolute(target)) {
        path = runDirectory;
        if (path.empty() || path.back() != path_rules::kSeparator) {
            path.push_back(path_rules::kSeparator);
        }
        path += target;
    }
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

CtagsRunResult RunCtagsIntoTagsFile(const ViewSettings& settings, const std::string& tagsPath,
                                    const std::string& target, MessageSink& sink, CodePage cp, RunObserver* observer) {
    const std::size_t lastSeparator = FindLastByte(cp, tagsPath, path_rules::kSeparator);
    if (lastSeparator == std::string::npos) {
        sink.ShowMessage("tags path error![");
        return CtagsRunResult::NotRun;
    }

    // The tool runs inside the tags file's folder, so a relative tags path handed to it as it
    // stands would name a file below that folder again. Anchor it at our own working directory
    // first: the file is then written where the caller will look for it.
    std::string fullPath = tagsPath;
    std::size_t separator = lastSeparator;
    if (!path_rules::IsAbsolute(tagsPath)) {
        std::string base = CurrentDirectory();
        if (!base.empty()) {
            if (base.back() != path_rules::kSeparator) {
                base.push_back(path_rules::kSeparator);
            }
            fullPath = base + tagsPath;
            separator += base.size();
        }
    }
    std::string runDirectory = fullPath.substr(0, separator);
    if (runDirectory.empty()) {
        runDirectory.push_back(path_rules::kSeparator);  // a file in the root folder
    }

    // The tool writes a new file; the tags file stays untouched until the tool has succeeded.
    const bool writesTagsFile = FindText(cp, settings.m_strCtagsParam, kTagsMarker) != std::string::npos;
    int createError = 0;
    std::optional<PendingTagsFile> pending =
        writesTagsFile ? PendingTagsFile::Create(fullPath, createError) : std::nullopt;
    if (writesTagsFile && !pending) {
        // A folder that does not exist is the tool's start failing, as it always was.
        sink.ShowMessage(createError == ENOENT || createError == ENOTDIR
                             ? std::string("create process error!")
                             : fullPath + " を作成できません。\n" + std::strerror(createError));
        return CtagsRunResult::NotRun;
    }
    const std::string& outputPath = pending ? pending->Path() : fullPath;

    // The template's first word takes the program-name position, as the tool's own start-up
    // convention on Windows has it: the tool never sees that word as an option.
    const bool literalTarget = TargetNamesSomething(target, runDirectory);
    const CommandLine command{
        settings.m_strCtagsPath,
        ExpandWildcards(BuildCtagsArguments(settings.m_strCtagsParam, outputPath, target, literalTarget, cp),
                        runDirectory)};

    KeepWaitingFn keepWaiting;
    if (observer != nullptr) {
        observer->WritingTo(outputPath);
        keepWaiting = [observer](std::chrono::milliseconds elapsed) { return observer->KeepWaiting(elapsed); };
    }
    const ChildOutcome outcome = RunChildProcess(command, runDirectory, keepWaiting);
    switch (outcome.state) {
    case ChildOutcome::State::NotStarted:
        sink.ShowMessage("create process error!");
        return CtagsRunResult::NotRun;
    case ChildOutcome::State::Cancelled:
        return CtagsRunResult::Cancelled;
    case ChildOutcome::State::Exited:
    case ChildOutcome::State::Signalled:
        break;
    }
    if (!outcome.Succeeded()) {
        sink.ShowMessage(FailureMessage(outcome));
        return CtagsRunResult::Failed;
    }
    if (pending) {
        if (const int error = pending->Commit(); error != 0) {
            sink.ShowMessage(pending->TargetPath() + " を置き換えられません。\n" + std::strerror(error));
            return CtagsRunResult::Failed;
        }
    }
    return CtagsRunResult::Succeeded;
}

int RunCtags(const ViewSettings& settings, const std::string& tagsPath, const std::string& target,
             MessageSink& sink, CodePage cp, RunObserver* observer) {
    switch (RunCtagsIntoTagsFile(settings, tagsPath, target, sink, cp, observer)) {
    case CtagsRunResult::NotRun:
    case CtagsRunResult::Cancelled:
        return 0;
    case CtagsRunResult::Failed:
    case CtagsRunResult::Succeeded:
        break;
    }
    return 1;
}

}  // namespace quarrow
