#include "app/ui/quarrow_doc_mgr.h"

#include <filesystem>
#include <system_error>

#include "app/startup_paths.h"
#include "platform/message_sink.h"

namespace quarrow::ui {

CQuarrowDocMgr::CQuarrowDocMgr(std::string startDirectory, MessageSink& sink)
    : m_strStartDirectory(std::move(startDirectory)), m_sink(sink) {}

void CQuarrowDocMgr::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) {
    m_templates.push_back(std::move(docTemplate));
}

CSingleDocTemplate* CQuarrowDocMgr::FirstTemplate() const noexcept {
    return m_templates.empty() ? nullptr : m_templates.front().get();
}

std::string CQuarrowDocMgr::FullPathOf(std::string_view path, PathForm form) const {
    namespace fs = std::filesystem;
    // Quotes a caller left around the path; a file whose name holds quotes is taken as named.
    std::error_code existsError;
    if (form == PathForm::MayBeQuoted && path.find('"') != std::string_view::npos &&
        !fs::exists(fs::symlink_status(AbsolutePath(m_strStartDirectory, path), existsError))) {
        if (!path.empty() && path.front() == '"') {
            path.remove_prefix(1);
        }
        if (const std::size_t quote = path.rfind('"'); quote != std::string_view::npos) {
            path = path.substr(0, quote);
        }
    }
    if (path.empty()) {
        return {};
    }
    fs::path full = fs::path(AbsolutePath(m_strStartDirectory, path)).lexically_normal();
    // A link stands for the file it points to, as a shortcut does. A link that leads nowhere or
    // round in a loop is kept, and opening it reports why.
    std::error_code error;
    if (fs::is_symlink(full, error)) {
        fs::path target = fs::canonical(full, error);
        if (!error) {
            full = std::move(target);
        }
    }
    std::string text = full.native();
    // A trailing separator of a folder is part of the name the user gave; keep it out of titles.
    if (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

CWindowDoc* CQuarrowDocMgr::OpenByPath(std::string_view path, CSingleDocTemplate::OpenDone done, PathForm form) {
    const std::string full = FullPathOf(path, form);
    // The first template takes it, unless another one already shows it.
    CSingleDocTemplate* best = nullptr;
    for (const auto& docTemplate : m_templates) {
        if (best == nullptr) {
            best = docTemplate.get();
        }
        if (docTemplate->MatchDocType(full) == CSingleDocTemplate::Confidence::YesAlreadyOpen) {
            best = docTemplate.get();
            break;
        }
    }
    if (best == nullptr) {
        m_sink.ShowMessage(kOpenFailedMessage);
        return nullptr;
    }
    // Already open or not, the file is read again.
    return best->OpenDocumentFile(full, std::move(done));
}

void CQuarrowDocMgr::CloseAllDocuments() {
    for (const auto& docTemplate : m_templates) {
        docTemplate->CloseAllDocuments();
    }
}

}  // namespace quarrow::ui
