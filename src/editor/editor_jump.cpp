#include "editor/editor_jump.h"

#include "platform/command_line.h"
#include "platform/detached_process.h"
#include "platform/message_sink.h"
#include "tags/tag_entry.h"

namespace quarrow {

JumpRequest MakeJumpRequest(const CTagEntry& tag, const EditorTemplate& editor, std::string_view tagsDir,
                            std::string_view procCwd, bool refind, CodePage cp) {
    JumpRequest request;
    request.editor = editor;
    request.cp = cp;
    request.source = LocateSourceFile(tag.GetFile(), tagsDir, procCwd);
    request.name = tag.GetName();
    request.lineText = tag.GetLineNo();
    request.refind = refind;
    if (refind) {
        request.address = AddressOf(tag, cp);
        request.recordedLine = RecordedLine(tag, request.address);
    }
    return request;
}

JumpPlace ResolveJump(const JumpRequest& request) {
    JumpPlace place{request.source.path, request.lineText};
    if (!request.source.exists) {
        place.note = JumpNote::SourceMissing;
        place.startEditor = false;
        return place;
    }
    if (!request.refind) {
        return place;
    }
    const RefindResult found =
        FindTagLineInFile(request.source.path, request.address, request.recordedLine, request.name);
    switch (found.step) {
    case RefindStep::Unreadable:
        place.note = JumpNote::SourceUnreadable;
        break;
    case RefindStep::NotFound:
        place.note = JumpNote::DefinitionNotFound;
        break;
    default:
        break;
    }
    // The line the tags file gives stays as it is written ("line:" text) whenever the search
    // lands there, so an unchanged file gives the command line it always gave.
    if (found.line > 0 && !(request.recordedLine == found.line && !request.lineText.empty())) {
        place.line = std::to_string(found.line);
    }
    return place;
}

void StartEditorAt(const JumpRequest& request, const JumpPlace& place, MessageSink& sink) {
    if (!place.startEditor) {
        return;
    }
    std::vector<std::string> words =
        BuildEditorArguments(request.editor.path, request.editor.format, place.file, place.line, request.cp);
    if (words.empty()) {
        return;
    }
    CommandLine command{words.front(), std::move(words)};
    if (const int error = StartDetached(command); error != 0) {
        sink.ShowMessage(EditorStartMessage(command.program, request.editor.path, error));
    }
}

}  // namespace quarrow
