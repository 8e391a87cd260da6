// Hostile file names through the wildcard expansion and the ctags command builder. The input gives
// a code page, the parameter template, the target and up to eight names, each made a file or a
// folder in a fresh folder where the command is built (see FuzzedDataProvider). Patterns that
// would reach outside that folder (absolute, or through "..") are left out: they would walk the
// machine's whole file system.
//
// Checks: the tool's path is argv[0]; every argument that begins with '-' is one of the
// template's own words (filled in) or the "-L -" that makes the tool read its file list, so no
// name found in the folder becomes an option; a target that names something begins no argument;
// every line of the file list names an entry of the folder exactly and begins with nothing the
// list's reader takes for an option, a comment or a blank.

#include <fuzzer/FuzzedDataProvider.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ctags/run_ctags.h"
#include "fuzz_check.h"
#include "platform/command_line.h"
#include "support/scratch_folder.h"
#include "tags/code_page.h"

namespace {

using namespace quarrow;

constexpr const char* kTool = "/usr/bin/ctags";
constexpr const char* kTagsPath = "TAGS";

bool Exists(const std::string& folder, const std::string& name) {
    struct stat status {};
    const std::string path = folder + "/" + name;
    return ::lstat(path.c_str(), &status) == 0;
}

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n'; }

void CheckFileList(const std::string& folder, const std::string& list) {
    FUZZ_CHECK(list.empty() || list.back() == '\n');
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = list.find('\n', start);
        const std::string line = list.substr(start, end - start);
        start = end + 1;
        FUZZ_CHECK(!line.empty());
        FUZZ_CHECK(line.front() != '-' && line.front() != '#' && !IsBlankByte(line.front()));
        FUZZ_CHECK(!IsBlankByte(line.back()));
        FUZZ_CHECK(Exists(folder, line));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CodePage cp = input.ConsumeBool() ? CodePage::ShiftJis : CodePage::Utf8;
    const std::string paramTemplate = input.ConsumeRandomLengthString(64);
    const std::string target = input.ConsumeRandomLengthString(32);

    // Patterns that reach outside the folder would walk the whole file system. A target is split
    // as the command builder splits it, inside a pair of quotes that its own quotes close.
    for (const std::string& text : {paramTemplate, target, "\"" + target + "\""}) {
        if (text.find("..") != std::string::npos) {
            return -1;
        }
        for (const std::string& word : SplitCommandText(text)) {
            if (word.starts_with('/')) {
                return -1;
            }
        }
    }

    const std::string folder = test::ProcessScratchFolder() / "names";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directory(folder);
    for (int i = 0; i < 8 && input.remaining_bytes() > 0; ++i) {
        const bool isFolder = input.ConsumeBool();
        std::string name = input.ConsumeRandomLengthString(40);
        std::erase(name, '/');
        std::erase(name, '\0');
        if (name.empty() || name == "." || name == "..") {
            continue;
        }
        // A name given twice stays what it was made first.
        const std::string path = folder + "/" + name;
        if (isFolder) {
            ::mkdir(path.c_str(), 0700);
        } else {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    const CtagsCommand start = BuildCtagsCommand(kTool, paramTemplate, kTagsPath, target, folder, cp);
    FUZZ_CHECK(start.command.program == kTool);
    FUZZ_CHECK(!start.command.arguments.empty() && start.command.arguments.front() == kTool);

    // The words that may begin with '-': the template's, as filled in (a pattern beginning with
    // '-' is never expanded), and the file list's option once.
    const bool literalTarget = TargetNamesSomething(target, folder);
    std::vector<std::string> allowed;
    for (const ArgumentWord& word : BuildCtagsArguments(paramTemplate, kTagsPath, target, literalTarget, cp)) {
        allowed.push_back(word.text);
    }
    if (!start.fileList.empty()) {
        allowed.push_back("-L");
        allowed.push_back("-");
    }
    for (std::size_t i = 1; i < start.command.arguments.size(); ++i) {
        const std::string& argument = start.command.arguments[i];
        if (!argument.starts_with('-')) {
            continue;
        }
        const auto found = std::find(allowed.begin(), allowed.end(), argument);
        FUZZ_CHECK(found != allowed.end());
        allowed.erase(found);
    }
    // A target that names something begins no argument: only the template's own words may begin
    // with its text.
    if (literalTarget && target.starts_with('-')) {
        const auto beginsWithTarget = [&target](const std::string& word) { return word.starts_with(target); };
        const std::vector<std::string> templateWords = SplitCommandText(paramTemplate);
        const std::vector<std::string> listOption = start.fileList.empty() ? std::vector<std::string>{}
                                                                           : std::vector<std::string>{"-L", "-"};
        FUZZ_CHECK(std::count_if(start.command.arguments.begin() + 1, start.command.arguments.end(), beginsWithTarget) <=
                   std::count_if(templateWords.begin(), templateWords.end(), beginsWithTarget) +
                       std::count_if(listOption.begin(), listOption.end(), beginsWithTarget));
    }
    CheckFileList(folder, start.fileList);
    return 0;
}
