#pragma once
// The jump to the user's editor: the command line made from the editor settings and a tag, and
// its start as a program of its own.

#include <string>
#include <string_view>

#include "tags/code_page.h"

namespace quarrow {

class CTagEntry;
struct ViewSettings;

// The editor path, one blank and the template, with every "@l" replaced by the tag's line
// number text (empty when it has none), then every "@f" by the tag's file: unchanged when it
// is absolute, else appended to `tagsDir` (which ends in the separator) as it stands. Markers
// are found on character boundaries of `cp`; inserted text is never searched again.
std::string BuildEditorCommand(std::string_view editorPath, std::string_view format, const CTagEntry& tag,
                               std::string_view tagsDir, CodePage cp = CodePage::Utf8);

// Starts the editor at `tag` and does not wait for it; nothing happens for a null tag. The
// command text is split into words (double quotes group, no shell), the first word is looked up
// along PATH. A failed start is not reported: the user sees that no editor came up.
void JumpToEditor(const CTagEntry* tag, const ViewSettings& settings, std::string_view tagsDir,
                  CodePage cp = CodePage::Utf8);

}  // namespace quarrow
