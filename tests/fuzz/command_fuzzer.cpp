// The commands built from settings and data: the editor's words for a tag, the ctags tool's
// words, and the split of command text into words. The input gives the settings, a tag line, the
// paths, whether the target names something, and a code page (see FuzzedDataProvider).
//
// Checks: the split never leaves a quote in a word, and text without quotes splits exactly at its
// blanks; data filled into a template never adds or removes a word (a target typed as text
// aside); a template without markers passes through as it is split.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ctags/run_ctags.h"
#include "fuzz_check.h"
#include "platform/command_line.h"
#include "platform/wildcard_expansion.h"
#include "tags/code_page.h"
#include "tags/tag_entry.h"
#include "editor/editor_command.h"

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
    const bool literalTarget = input.ConsumeBool();
    const std::string editorPath = input.ConsumeRandomLengthString(32);
    const std::string editorFormat = input.ConsumeRandomLengthString(64);
    const std::string tagsDir = input.ConsumeRandomLengthString(32);
    const std::string tagLine = input.ConsumeRandomLengthString(256);
    const std::string ctagsTemplate = input.ConsumeRandomLengthString(64);
    const std::string tagsPath = input.ConsumeRandomLengthString(32);
    const std::string target = input.ConsumeRemainingBytesAsString();

    // The template is split first and then filled: whatever the tag's file holds, the editor gets
    // as many words as the template has, and a template without markers passes as it is split.
    CTagEntry tag;
    tag.Parse(tagLine, cp);
    const std::string editorTemplate = editorPath + " " + editorFormat;
    CheckSplit(editorTemplate);
    // An editor path that names a program file is that one word, the template's words after it.
    std::vector<std::string> templateWords;
    if (IsEditorProgramFile(editorPath)) {
        templateWords.push_back(editorPath);
        for (std::string& word : SplitCommandText(editorFormat)) {
            templateWords.push_back(std::move(word));
        }
    } else {
        templateWords = SplitCommandText(editorTemplate);
    }
    const std::vector<std::string> editorWords = BuildEditorArguments(editorPath, editorFormat, tag, tagsDir, cp);
    FUZZ_CHECK(editorWords.size() == templateWords.size());
    if (editorTemplate.find('@') == std::string::npos) {
        FUZZ_CHECK(editorWords == templateWords);
    }

    // The same for the tool: the tags path and a literal target stay inside their words, and a
    // target typed as text is split like command text (before any wildcard expansion).
    CheckSplit(ctagsTemplate);
    CheckSplit(target);
    const std::vector<std::string> ctagsTemplateWords = SplitCommandText(ctagsTemplate);
    const std::vector<ArgumentWord> ctagsWords =
        BuildCtagsArguments(ctagsTemplate, tagsPath, target, literalTarget, cp);
    if (literalTarget) {
        FUZZ_CHECK(ctagsWords.size() == ctagsTemplateWords.size());
    }
    if (ctagsTemplate.find('@') == std::string::npos) {
        FUZZ_CHECK(ctagsWords.size() == ctagsTemplateWords.size());
        for (std::size_t i = 0; i < ctagsWords.size(); ++i) {
            FUZZ_CHECK(ctagsWords[i].text == ctagsTemplateWords[i]);
        }
    }
    return 0;
}
