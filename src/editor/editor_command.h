#pragma once
// The jump to the user's editor: the argument vector made from the editor's path, its argument
// template and a tag, and its start as a program of its own. Plain C++, no Qt.

#include <string>
#include <string_view>
#include <vector>

#include "tags/code_page.h"

namespace quarrow {

class CTagEntry;
class MessageSink;

// The user's editor: its program and the template of its arguments ("@f" the file, "@l" the line).
struct EditorTemplate {
    std::string path;
    std::string format;
};

// Whether the editor path names an existing file as a whole (it holds a separator; blanks and
// quotes are part of the name), as the settings dialog's browse button gives a program in a
// folder with a blank.
bool IsEditorProgramFile(std::string_view editorPath);

// The editor's words. An editor path that is a program file (see above) is the first word as it
// stands, followed by the template's words; any other editor path, one blank and the template
// are split into words together, so that a path such as "xterm -e vim" brings words of its own
// (blanks separate, double quotes group and are removed). Then in each word but such a program
// file every "@l" is replaced by the tag's line number text (empty when it has none), then every
// "@f" by the tag's file: unchanged when it is absolute, else appended to `tagsDir` (which ends
// in the separator) as it stands. A file name thus stays inside the one word that held the
// marker, whatever it holds. Markers are found on character boundaries of `cp`; inserted text
// is never searched again for the same marker.
std::vector<std::string> BuildEditorArguments(std::string_view editorPath, std::string_view format,
                                              const CTagEntry& tag, std::string_view tagsDir,
                                              CodePage cp = CodePage::Utf8);
// The same with the full path of the file and the line text already decided (editor_jump.h).
std::vector<std::string> BuildEditorArguments(std::string_view editorPath, std::string_view format,
                                              std::string_view fullPath, std::string_view lineText,
                                              CodePage cp = CodePage::Utf8);

// "エディタ %1 を起動できません。", then the lines "パス: " with the editor path setting,
// "理由: " with the system's text for `error`, and where the setting is changed.
std::string EditorStartMessage(std::string_view program, std::string_view editorPath, int error);

// Starts `editor` at `tag` as the tags file has it (its line, its file under `tagsDir`) and does
// not wait for it; nothing happens for a null tag or when the words are empty. The first word
// names the program, looked up along PATH; no shell is involved. A program that cannot be
// started is reported through `sink`. The window's jump also finds the file elsewhere and the
// definition's line now (editor_jump.h).
void JumpToEditor(const CTagEntry* tag, const EditorTemplate& editor, std::string_view tagsDir, MessageSink& sink,
                  CodePage cp = CodePage::Utf8);

}  // namespace quarrow
