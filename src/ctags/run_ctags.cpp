#include "ctags/run_ctags.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <optional>
#include <span>
#include <vector>

#include "ctags/pending_tags_file.h"
#include "platform/child_process.h"
#include "platform/file_descriptor.h"
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

// The first few lines of what the tool wrote to its standard error: its warnings come first.
std::string FirstLines(std::string tail) {
    constexpr int kLines = 8;
    if (tail.size() >= kErrorTailBytes) {
        // The first line was cut by the tail's limit: drop the fragment.
        const std::size_t newline = tail.find('\n');
        tail.erase(0, newline == std::string::npos ? 0 : newline + 1);
    }
    tail.erase(0, tail.find_first_not_of("\r\n"));
    std::size_t end = 0;
    for (int lines = 0; lines < kLines && end < tail.size(); ++lines) {
        const std::size_t newline = tail.find('\n', end);
        end = newline == std::string::npos ? tail.size() : newline + 1;
    }
    tail.erase(end);
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) {
        tail.pop_back();
    }
    return tail;
}

// The value of the template's last "--languages=" word, or "" when it has none.
std::string LanguagesOf(std::string_view paramTemplate) {
    constexpr std::string_view kOption = "--languages=";
    std::string languages;
    for (const std::string& word : SplitCommandText(paramTemplate)) {
        if (word.starts_with(kOption)) {
            languages = word.substr(kOption.size());
        }
    }
    return languages;
}

std::string NoTagsMessage(std::string_view paramTemplate, const ChildOutcome& outcome) {
    std::string message = "ctags はタグを1つも作りませんでした。TAGSファイルは元のままです。";
    if (const std::string languages = LanguagesOf(paramTemplate); !languages.empty()) {
        message += "\n対象の言語: " + languages;
    }
    if (const std::string lines = FirstLines(outcome.errorTail); !lines.empty()) {
        message += '\n';
        message += lines;
    }
    return message;
}

// "create process error!" with what could not be used, why, and where to change it.
std::string NotStartedMessage(const std::string& what, int error, bool isTool) {
    std::string message = "create process error!\n";
    message += what.empty() ? std::string("\"\"") : what;
    message += ": ";
    message += std::strerror(error);
    if (isTool) {
        message += "\nctags のパスはメニューの 設定(&S) で変更できます。";
    }
    return message;
}

// Whether the file holds a tag: a line that is neither empty nor a header line ("!_").
bool HoldsTags(const std::string& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        return false;
    }
    std::vector<char> buffer(1 << 16);
    int column = 0;  // of the current line, counted up to 2
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        for (const char c : std::span(buffer.data(), static_cast<std::size_t>(got))) {
            if (c == '\n' || c == '\r') {
                column = 0;
            } else if (column == 0) {
                if (c != '!') {
                    return true;
                }
                column = 1;
            } else if (column == 1) {
                if (c != '_') {
                    return true;
                }
                column = 2;
            }
        }
    }
}

// Whether a template word hands the tool a file list of its own.
bool GivesAFileList(const std::string& word) { return word.starts_with("-L") || word.starts_with("--filter"); }

// Whether a name may begin an argument or a line of the file list as it is: anything else could
// be an option ("-"), a comment ("#") or a blank the list's reader drops.
bool BeginsSafely(std::string_view name) {
    if (name.empty()) {
        return true;
    }
    const unsigned char first = static_cast<unsigned char>(name.front());
    return (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') || (first >= '0' && first <= '9') ||
           first == '_' || first == '.' || first == '/' || first >= 0x80;
}

std::string SafeName(std::string_view name) {
    return BeginsSafely(name) ? std::string(name) : "./" + std::string(name);
}

// Whether one line of the file list carries the name exactly: the reader ends a line at a line
// break and drops blanks at its end.
bool FitsOnALine(std::string_view name) {
    if (name.find_first_of("\n\r") != std::string_view::npos) {
        return false;
    }
    const char last = name.empty() ? 'x' : name.back();
    return last != ' ' && last != '\t' && last != '\v' && last != '\f';
}

// Copies the whole old file into the new one on a thread of its own while the observer is
// asked, as during the run, whether to go on. 0, errno, or ECANCELED when it said stop.
int SeedWholeCopy(PendingTagsFile& pending, RunObserver* observer) {
    std::atomic<bool> stop{false};
    std::future<int> copy =
        std::async(std::launch::async, [&pending, &stop] { return pending.SeedFromOld(PendingTagsFile::Seed::Whole, stop); });
    // The copy ends (quickly, when told to stop) before this function is left, however it is left.
    struct StopOnExit {
        std::atomic<bool>& stop;
        std::future<int>& copy;
        ~StopOnExit() {
            stop = true;
            if (copy.valid()) {
                copy.wait();
            }
        }
    } stopOnExit{stop, copy};
    const auto start = std::chrono::steady_clock::now();
    while (copy.wait_for(std::chrono::milliseconds(25)) != std::future_status::ready) {
        if (observer != nullptr &&
            !observer->KeepWaiting(std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start))) {
            stop = true;
            break;
        }
    }
    return copy.get();
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
                // The target names a file: at the start of a word it must not read as an option.
                if (word.text.empty() && !path_rules::IsAbsolute(target) && !BeginsSafely(target)) {
                    word.text.append("./");
                }
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

CtagsCommand BuildCtagsCommand(const std::string& ctagsPath, std::string_view paramTemplate,
                               std::string_view tagsPath, const std::string& target,
                               const std::string& runDirectory, CodePage cp) {
    const bool literalTarget = TargetNamesSomething(target, runDirectory);
    bool ownFileList = false;
    for (const std::string& word : SplitCommandText(paramTemplate)) {
        ownFileList = ownFileList || GivesAFileList(word);
    }

    CtagsCommand result;
    result.command.program = ctagsPath;
    std::vector<std::string>& arguments = result.command.arguments;
    arguments.push_back(ctagsPath);  // every template word follows: the tool sees them all
    bool listPlaced = false;
    std::vector<ArgumentWord> words{{ctagsPath, false}};
    for (ArgumentWord& word : BuildCtagsArguments(paramTemplate, tagsPath, target, literalTarget, cp)) {
        words.push_back(std::move(word));
    }
    std::vector<ExpandedWord> expanded = ExpandWildcardsMarked(words, runDirectory);
    for (ExpandedWord& word : std::span(expanded).subspan(1)) {
        if (!word.foundName) {
            arguments.push_back(word.text);
        } else if (ownFileList || !FitsOnALine(word.text)) {
            arguments.push_back(SafeName(word.text));
        } else {
            if (!listPlaced) {
                arguments.push_back("-L");
                arguments.push_back("-");
                listPlaced = true;
            }
            result.fileList += SafeName(word.text);
            result.fileList += '\n';
        }
    }
    return result;
}

bool TemplateAppends(std::string_view paramTemplate) {
    // The short options that take a value: what follows them in a word is that value.
    constexpr std::string_view kWithValue = "fohIL";
    bool appends = false;
    for (const std::string& word : SplitCommandText(paramTemplate)) {
        if (word == "--append" || word == "--append=yes") {
            appends = true;
        } else if (word == "--append=no") {
            appends = false;
        } else if (word.size() > 1 && word[0] == '-' && word[1] != '-') {
            // Short options may be grouped ("-Ra").
            for (const char c : std::string_view(word).substr(1)) {
                if (c == 'a') {
                    appends = true;
                    break;
                }
                if (kWithValue.find(c) != std::string_view::npos) {
                    break;
                }
            }
        }
    }
    return appends;
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
        if (createError == ENOENT || createError == ENOTDIR) {
            sink.ShowMessage(NotStartedMessage(runDirectory, createError, false));
            return CtagsRunResult::NotStarted;
        }
        sink.ShowMessage(fullPath + " を作成できません。\n" + std::strerror(createError));
        return CtagsRunResult::NotRun;
    }
    const std::string& outputPath = pending ? pending->Path() : fullPath;

    if (observer != nullptr) {
        observer->WritingTo(outputPath);
    }
    if (pending) {
        // An appending tool needs every old line, a copy that may take long; any other needs
        // the first line only, to refuse a file that is no tags file.
        const std::atomic<bool> never{false};
        const int seedError = TemplateAppends(settings.m_strCtagsParam)
                                  ? SeedWholeCopy(*pending, observer)
                                  : pending->SeedFromOld(PendingTagsFile::Seed::FirstLine, never);
        if (seedError == ECANCELED) {
            return CtagsRunResult::Cancelled;
        }
        if (seedError != 0) {
            sink.ShowMessage(fullPath + " を作成できません。\n" + std::strerror(seedError));
            return CtagsRunResult::NotRun;
        }
    }

    const CtagsCommand start =
        BuildCtagsCommand(settings.m_strCtagsPath, settings.m_strCtagsParam, outputPath, target, runDirectory, cp);
    KeepWaitingFn keepWaiting;
    if (observer != nullptr) {
        keepWaiting = [observer](std::chrono::milliseconds elapsed) { return observer->KeepWaiting(elapsed); };
    }
    const ChildOutcome outcome = RunChildProcess(start.command, runDirectory, keepWaiting, start.fileList);
    switch (outcome.state) {
    case ChildOutcome::State::NotStarted:
        sink.ShowMessage(NotStartedMessage(settings.m_strCtagsPath, outcome.error, true));
        return CtagsRunResult::NotStarted;
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
        if (!HoldsTags(pending->Path())) {
            sink.ShowMessage(NoTagsMessage(settings.m_strCtagsParam, outcome));
            return CtagsRunResult::MadeNoTags;
        }
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
    case CtagsRunResult::NotStarted:
    case CtagsRunResult::Cancelled:
        return 0;
    case CtagsRunResult::Failed:
    case CtagsRunResult::MadeNoTags:
    case CtagsRunResult::Succeeded:
        break;
    }
    return 1;
}

}  // namespace quarrow
