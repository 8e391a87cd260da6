#include "app/ui/window_doc.h"

#include <QFileDialog>

#include <new>

#include "platform/message_sink.h"
#include "widgets/code_page_text.h"
#include "widgets/file_chooser.h"
#include "tree/tag_tree_builder.h"
#include "tree/ui/display_text.h"

namespace quarrow::ui {

CWindowDoc::CWindowDoc(Profile& profile, MessageSink& sink, CodePage cp)
    : m_sink(sink), m_doc(&profile, ReadTagsCodePage(profile)), m_systemCodePage(cp), m_strTitle(tr(kUntitled)) {}

CWindowDoc::~CWindowDoc() = default;

bool CWindowDoc::OnNewDocument() {
    m_strPathName.clear();
    m_strTitle = tr(kUntitled);
    return true;
}

bool CWindowDoc::OnDocumentRead(const std::string& fullPath, FileError error, TagStore loaded,
                                 const PrepareViews& prepareViews) {
    if (error == FileError::None && prepareViews) {
        try {
            prepareViews(loaded);
        } catch (const std::bad_alloc&) {
            error = FileError::OutOfMemory;
        }
    }
    if (error != FileError::None) {
        loaded.Clear();  // the message box needs memory too
        if (error != FileError::Cancelled) {
            m_sink.ShowMessage(FileErrorMessage(error, fullPath));
        }
        return false;
    }
    m_previousTags = m_doc.AdoptDocument(fullPath, std::move(loaded));
    m_strPathName = fullPath;
    // The title is the file's name without its folder, as the file system spells it.
    m_strTitle = DisplayText(FileNameOf(fullPath), m_systemCodePage);
    return true;
}

void CWindowDoc::OnFileSaveAs(QWidget* parent) {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Save;
    request.title = tr("名前を付けて保存");
    request.filter = tr("すべてのﾌｧｲﾙ (*)");
    StartAtFile(request, m_strPathName, true);
    const QString path = m_chooseSaveFile ? m_chooseSaveFile(parent, request) : ShowFileDialog(parent, request);
    if (path.isEmpty()) {
        return;
    }
    const std::string target = BytesOfChosenPath(path);
    if (!m_doc.SaveDocumentAs(target)) {
        m_sink.ShowMessage(target + " に保存できませんでした。");
    }
}

}  // namespace quarrow::ui
