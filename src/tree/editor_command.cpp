#include "tree/editor_command.h"

#include "platform/command_line.h"
#include "platform/detached_process.h"
#include "platform/path_rules.h"
#include "settings/view_settings.h"
#include "tags/tag_entry.h"

namespace quarrow {

std::string BuildEditorCommand(std::string_view editorPath, std::string_view format, const CTagEntry& tag,
                               std::string_view tagsDir, CodePage cp) {
    std::string text;
    text.reserve(editorPath.size() + 1 + format.size());
    text.append(editorPath);
    text.push_back(' ');
    text.append(format);

    // "@l" first, over the editor path too; the file is inserted afterwards, so an "@l" inside
    // a file name reaches the editor unchanged.
    text = ReplaceText(cp, text, "@l", tag.GetLineNo());

    const std::string_view file = tag.GetFile();
    std::string fullPath;
    if (path_rules::IsAbsolute(file)) {
        fullPath = file;
    } else {
        fullPath.reserve(tagsDir.size() + file.size());
        fullPath.append(tagsDir);
        fullPath.append(file);
    }
    return ReplaceText(cp, text, "@f", fullPath);
}

void JumpToEditor(const CTagEntry* tag, const ViewSettings& settings, std::string_view tagsDir, CodePage cp) {
    if (tag == nullptr) {
        return;
    }
    std::vector<std::string> words =
        SplitCommandText(BuildEditorCommand(settings.m_strEditorPath, settings.m_strEditorFormat, *tag, tagsDir, cp));
    if (words.empty()) {
        return;
    }
    CommandLine command{words.front(), std::move(words)};
    StartDetached(command);
}

}  // namespace quarrow
