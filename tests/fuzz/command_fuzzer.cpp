// The commands built from settings and data: the editor command for a tag, the ctags command
// text, and the split of command text into words. The input gives the settings, a tag line, the
// paths and a code page (see FuzzedDataProvider).
//
// Checks: the split never leaves a quote in a word, and text without quotes splits exactly at its
// blanks; a template without markers passes through unchanged.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ctags/run_ctags.h"
#include "fuzz_check.h"
#include "platform/command_line.h"
#include "tags/code_page.h"
#include "tags/tag_entry.h"
#include "tree/editor_command.h"

namespace {

using namespace quarrow;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void CheckSplit(std::string_view text) {
    const std::vector<std::string> words = SplitCommandText(text);
    std::size_t letters = 0;
    for (const std::string& word : words) {
        FUZZ_CHECK(word.find('"') == std::string::npos);
        letters += word.size();
    }
    FUZZ_CHECK(letters <= text.size());
    if (text.find('"') != std::string_view::npos) {
        return;
    }
    // Without quotes the words are exactly the runs of non-blank bytes.
    std::vector<std::string> runs;
    for (std::size_t pos = 0; pos < text.size();) {
        while (pos < text.size() && IsBlank(text[pos])) {
            ++pos;
        }
        std::size_t end = pos;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        if (end > pos) {
            runs.emplace_back(text.substr(pos, end - pos));
        }
        pos = end;
    }
    FUZZ_CHECK(words == runs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CodePage cp = input.ConsumeBool() ? CodePage::ShiftJis : CodePage::Utf8;
    const std::string editorPath = input.ConsumeRandomLengthString(32);
    const std::string editorFormat = input.ConsumeRandomLengthString(64);
    const std::string tagsDir = input.ConsumeRandomLengthString(32);
    const std::string tagLine = input.ConsumeRandomLengthString(256);
    const std::string ctagsTemplate = input.ConsumeRandomLengthString(64);
    const std::string tagsPath = input.ConsumeRandomLengthString(32);
    const std::string target = input.ConsumeRemainingBytesAsString();

    CTagEntry tag;
    tag.Parse(tagLine, cp);
    const std::string editorCommand = BuildEditorCommand(editorPath, editorFormat, tag, tagsDir, cp);
    if (editorPath.find('@') == std::string::npos && editorFormat.find('@') == std::string::npos) {
        FUZZ_CHECK(editorCommand == editorPath + " " + editorFormat);
    }
    CheckSplit(editorCommand);

    const std::string ctagsCommand = BuildCtagsCommandText(ctagsTemplate, tagsPath, target, cp);
    if (ctagsTemplate.find('@') == std::string::npos) {
        FUZZ_CHECK(ctagsCommand == ctagsTemplate);
    }
    CheckSplit(ctagsCommand);
    CheckSplit(target);
    return 0;
}
