#include "app/ui/single_doc_template.h"

#include "app/ui/main_frame.h"
#include "app/ui/quarrow_doc.h"
#include "tree/ui/quarrow_view.h"
#include "tree/ui/tree_place_keeper.h"

#include <QScrollBar>

#include <optional>

namespace quarrow::ui {

void CSingleDocTemplate::FrameDeleter::operator()(CMainFrame* frame) const { delete frame; }

CSingleDocTemplate::CSingleDocTemplate(Profile& profile, MessageSink& sink, CodePage cp, FrameSetup setup,
                                       OpenedHook opened)
    : m_profile(profile), m_sink(sink), m_codePage(cp), m_setup(std::move(setup)), m_opened(std::move(opened)) {}

CSingleDocTemplate::~CSingleDocTemplate() { CloseAllDocuments(); }

CSingleDocTemplate::Confidence CSingleDocTemplate::MatchDocType(const std::string& fullPath) const {
    if (m_pDocument && !m_pDocument->GetPathName().empty() && m_pDocument->GetPathName() == fullPath) {
        return Confidence::YesAlreadyOpen;
    }
    return Confidence::YesForeign;
}

CQuarrowDoc* CSingleDocTemplate::OpenDocumentFile(const std::string& fullPath) { return Open(&fullPath); }

CQuarrowDoc* CSingleDocTemplate::NewDocument() { return Open(nullptr); }

CQuarrowDoc* CSingleDocTemplate::Open(const std::string* fullPath) {
    bool created = false;
    if (!m_pDocument) {
        m_pDocument = std::make_unique<CQuarrowDoc>(m_profile, m_sink, m_codePage);
        created = true;
    }
    if (!m_pFrame) {
        m_pFrame.reset(new CMainFrame(m_profile));
        auto* view = new CQuarrowView(m_profile, m_sink);
        view->SetDocument(&m_pDocument->Core());
        m_pFrame->SetView(view);
        if (m_setup) {
            m_setup(*m_pFrame, *view, *m_pDocument);
        }
        created = true;
    }
    // Reading the shown file again keeps the user's place in the tree.
    std::optional<ViewPlace> place;
    if (!created && fullPath && !m_pDocument->GetPathName().empty() && m_pDocument->GetPathName() == *fullPath) {
        place = CaptureViewPlace(*m_pFrame->View());
    }
    const bool ok = fullPath ? m_pDocument->OnOpenDocument(*fullPath) : m_pDocument->OnNewDocument();
    if (!ok) {
        if (created) {
            CloseAllDocuments();
        }
        return nullptr;
    }
    if (fullPath && m_opened) {
        m_opened(*fullPath);
    }
    m_pFrame->View()->OnInitialUpdate();
    if (place) {
        RestoreViewPlace(*m_pFrame->View(), *place);
    } else {
        // Another file starts at its top, as a tree emptied and filled again does.
        m_pFrame->View()->scrollToTop();
        m_pFrame->View()->horizontalScrollBar()->setValue(0);
    }
    m_pFrame->OnUpdateFrameTitle(m_pDocument->GetTitle());
    return m_pDocument.get();
}

void CSingleDocTemplate::CloseAllDocuments() {
    m_pFrame.reset();     // the rectangle, then the view's settings
    m_pDocument.reset();  // "LASTTAGS"
}

}  // namespace quarrow::ui
