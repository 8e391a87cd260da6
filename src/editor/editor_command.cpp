#include "editor/editor_command.h"

#include <cstring>

#include "platform/command_line.h"
#include "platform/detached_process.h"
#include "platform/message_sink.h"
#include "platform/path_rules.h"
#include "tags/tag_entry.h"

namespace quarrow {

std::vector<std::string> BuildEditorArguments(std::string_view editorPath, std::string_view format,
                                              const CTagEntry& tag, std::string_view tagsDir, CodePage cp) {
    std::string text;
    text.reserve(editorPath.size() + 1 + format.size());
    text.append(editorPath);
    text.push_back(' ');
    text.append(format);

    const std::string_view file = tag.GetFile();
    std::string fullPath;
    if (path_rules::IsAbsolute(file)) {
        fullPath = file;
    } else {
        fullPath.reserve(tagsDir.size() + file.size());
        fullPath.append(tagsDir);
        fullPath.append(file);
    }

    // Split before filling: nothing the tag brings can add, join or quote words.
    std::vector<std::string> words = SplitCommandText(text);
    for (std::string& word : words) {
        // "@l" first, over the editor path too; the file is inserted afterwards, so an "@l"
        // inside a file name reaches the editor unchanged.
        word = ReplaceText(cp, ReplaceText(cp, word, "@l", tag.GetLineNo()), "@f", fullPath);
    }
    return words;
}

std::string EditorStartMessage(std::string_view program, int error) {
    std::string message = "エディタ ";
    message.append(program);
    message.append(" を起動できません。\n");
    message.append(std::strerror(error));
    return message;
}

void JumpToEditor(const CTagEntry* tag, const EditorTemplate& editor, std::string_view tagsDir, MessageSink& sink,
                  CodePage cp) {
    if (tag == nullptr) {
        return;
    }
    std::vector<std::string> words =
        BuildEditorArguments(editor.path, editor.format, *tag, tagsDir, cp);
    if (words.empty()) {
        return;
    }
    CommandLine command{words.front(), std::move(words)};
    if (const int error = StartDetached(command); error != 0) {
        sink.ShowMessage(EditorStartMessage(command.program, error));
    }
}

}  // namespace quarrow
