#include "editor/editor_command.h"

#include <cstring>
#include <filesystem>
#include <span>
#include <system_error>

#include "editor/editor_jump.h"
#include "platform/command_line.h"
#include "platform/path_rules.h"
#include "tags/tag_entry.h"

namespace quarrow {

bool IsEditorProgramFile(std::string_view editorPath) {
    // A bare name is looked up along PATH when started, so it says nothing about this folder.
    if (editorPath.find(path_rules::kSeparator) == std::string_view::npos) {
        return false;
    }
    // The system reads a path up to its first zero byte: "/usr/bin/vi", a zero and more would
    // name /usr/bin/vi, which is not the text the setting holds.
    if (editorPath.find('\0') != std::string_view::npos) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(editorPath), error);
}

namespace {

// The words before any marker is filled. Any editor path but a program file is split together
// with the template, so that a path such as "xterm -e vim" brings words of its own.
std::vector<std::string> SplitEditorCommand(std::string_view editorPath, std::string_view format, bool programFile) {
    if (programFile) {
        std::vector<std::string> words{std::string(editorPath)};
        std::vector<std::string> arguments = SplitCommandText(format);
        words.insert(words.end(), std::make_move_iterator(arguments.begin()), std::make_move_iterator(arguments.end()));
        return words;
    }
    std::string text;
    text.reserve(editorPath.size() + 1 + format.size());
    text.append(editorPath);
    text.push_back(' ');
    text.append(format);
    return SplitCommandText(text);
}

}  // namespace

std::vector<std::string> BuildEditorArguments(std::string_view editorPath, std::string_view format,
                                              const CTagEntry& tag, std::string_view tagsDir, CodePage cp) {
    const std::string_view file = tag.GetFile();
    std::string fullPath;
    if (path_rules::IsAbsolute(file)) {
        fullPath = file;
    } else {
        fullPath.reserve(tagsDir.size() + file.size());
        fullPath.append(tagsDir);
        fullPath.append(file);
    }
    return BuildEditorArguments(editorPath, format, fullPath, tag.GetLineNo(), cp);
}

std::vector<std::string> BuildEditorArguments(std::string_view editorPath, std::string_view format,
                                              std::string_view fullPath, std::string_view lineText, CodePage cp) {
    // Split before filling: nothing the tag brings can add, join or quote words. A program file
    // named as a whole is used as it stands.
    const bool programFile = IsEditorProgramFile(editorPath);
    std::vector<std::string> words = SplitEditorCommand(editorPath, format, programFile);
    for (std::string& word : std::span(words).subspan(programFile ? 1 : 0)) {
        // "@l" first, over the editor path too; the file is inserted afterwards, so an "@l"
        // inside a file name reaches the editor unchanged.
        word = ReplaceText(cp, ReplaceText(cp, word, "@l", lineText), "@f", fullPath);
    }
    return words;
}

std::string EditorStartMessage(std::string_view program, std::string_view editorPath, int error) {
    std::string message = "エディタ ";
    message.append(program);
    message.append(" を起動できません。\nパス: ");
    message.append(editorPath);
    message.append("\n理由: ");
    message.append(std::strerror(error));
    message.append("\nエディタは 設定(&S) で変更できます。");
    return message;
}

void JumpToEditor(const CTagEntry* tag, const EditorTemplate& editor, std::string_view tagsDir, MessageSink& sink,
                  CodePage cp) {
    if (tag == nullptr) {
        return;
    }
    const JumpRequest request = MakeJumpRequest(*tag, editor, tagsDir, {}, false, cp);
    StartEditorAt(request, JumpPlace{request.source.path, request.lineText}, sink);
}

}  // namespace quarrow
