#pragma once
// The document manager: keeps the document templates and opens documents by path. Opening a
// path always reads the file again, also when it is the document already shown, so re-created or
// changed tags files show their current content.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/ui/single_doc_template.h"

namespace quarrow {
class MessageSink;
}

namespace quarrow::ui {

class CWindowDoc;

// How a path handed to OpenByPath is read. A path the program itself keeps (one named on the
// command line, the last or a recent file) is the name of the file as it is; text a user typed may
// carry quotes around the path.
enum class PathForm { AsGiven, MayBeQuoted };

class CQuarrowDocMgr final {
public:
    // Relative paths are taken against `startDirectory`, the directory the program started in.
    CQuarrowDocMgr(std::string startDirectory, MessageSink& sink);

    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    CSingleDocTemplate* FirstTemplate() const noexcept;

    // Opens `path`. With MayBeQuoted, a path that names no existing file as it stands has a
    // leading double quote dropped and is cut at its last double quote (a name with quotes in it
    // that does exist is used as it is). The path is made absolute and tidied; a symbolic link is replaced by its target; the
    // best template opens it (reading it again when it is the one shown). Null on failure, after
    // the message; the document shown stays as it was. The file is read in the background;
    // `done` hears when it is shown or could not be.
    CWindowDoc* OpenByPath(std::string_view path, CSingleDocTemplate::OpenDone done = {},
                           PathForm form = PathForm::MayBeQuoted);

    // The full path OpenByPath would open for `path`.
    std::string FullPathOf(std::string_view path, PathForm form = PathForm::MayBeQuoted) const;

    void CloseAllDocuments();

private:
    std::string m_strStartDirectory;
    MessageSink& m_sink;
    std::vector<std::unique_ptr<CSingleDocTemplate>> m_templates;
};

inline constexpr std::string_view kOpenFailedMessage = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";

}  // namespace quarrow::ui
