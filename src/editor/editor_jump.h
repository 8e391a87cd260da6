#pragma once
// The jump to the editor in two halves: a request made from a tag on the window's thread (a copy
// of all it needs, so the tags file may be read again meanwhile), and its resolution (where the
// source lies and on which line the definition is now), which reads the source and may run on
// another thread for a large file. Plain C++, no Qt.

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/editor_command.h"
#include "editor/source_path.h"
#include "editor/tag_address.h"
#include "editor/source_refind.h"

namespace quarrow {

class CTagEntry;
class MessageSink;

struct JumpRequest {
    EditorTemplate editor;
    CodePage cp = CodePage::Utf8;
    SourcePath source;
    std::string name;
    std::string lineText;  // the tag's "line:" as text, what "@l" got before any search
    std::int64_t recordedLine = 0;
    TagAddress address;
    bool refind = true;  // search the definition in the file as it is now
};

// `procCwd` is the folder ctags ran in (TagsProcCwd), `refind` the setting [EDITOR] REFIND.
JumpRequest MakeJumpRequest(const CTagEntry& tag, const EditorTemplate& editor, std::string_view tagsDir,
                            std::string_view procCwd, bool refind, CodePage cp);

// What the user hears besides the editor starting.
enum class JumpNote {
    None,
    SourceMissing,       // no file there: the editor is not started
    SourceUnreadable,    // the file could not be read: the recorded line is used
    DefinitionNotFound,  // the search found nothing: the recorded line is used
};

struct JumpPlace {
    std::string file;  // the full path "@f" gets
    std::string line;  // what "@l" gets
    JumpNote note = JumpNote::None;
    bool startEditor = true;
};

// Where the jump goes. With `refind` off, the tag's own line as the tags file has it. With it on,
// the line found in the file now (FindTagLine): when the file is unchanged, the same line. A file
// that is not there gives no jump at all.
JumpPlace ResolveJump(const JumpRequest& request);

// Starts the editor at `place` unless it says not to; an editor that cannot start is reported
// through `sink`.
void StartEditorAt(const JumpRequest& request, const JumpPlace& place, MessageSink& sink);

}  // namespace quarrow
