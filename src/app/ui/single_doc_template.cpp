#include "app/ui/single_doc_template.h"

#include "app/ui/code_page_note.h"
#include "app/ui/main_frame.h"
#include "app/ui/window_activity.h"
#include "app/ui/window_doc.h"
#include "tree/ui/quarrow_view.h"
#include "tree/ui/tree_place_keeper.h"

#include <QScrollBar>

#include <chrono>
#include <functional>
#include <optional>

#include "platform/message_sink.h"
#include "tags/load_times.h"
#include "tags/quarrow_doc.h"

namespace quarrow::ui {
namespace {

// How long the tree must have been left alone before the copy-in goes on: longer than the time
// between the keys of a user paging through it.
constexpr std::chrono::milliseconds kQuietBeforeCopy{250};

// The wait of the copy-in before each of its steps: until `view` has been quiet a moment.
std::function<void()> QuietWaitOf(CQuarrowView& view) {
    auto* activity = view.findChild<WindowActivity*>(QString(), Qt::FindDirectChildrenOnly);
    if (activity == nullptr) {
        activity = new WindowActivity(view);
    }
    return activity->QuietWait(kQuietBeforeCopy);
}

}  // namespace

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

bool CSingleDocTemplate::MakeFrame() {
    bool created = false;
    if (!m_pDocument) {
        m_pDocument = std::make_unique<CWindowDoc>(m_profile, m_sink, m_codePage);
        created = true;
    }
    if (!m_pFrame) {
        m_pFrame.reset(new CMainFrame(m_profile));
        auto* view = new CQuarrowView(m_profile, m_sink);
        view->SetDocument(&m_pDocument->Core());
        // The tree a new one replaces is freed beside the window, not in its thread.
        view->SetTreeRelease([this](TagTree&& replaced) {
            if (replaced.NodeCount() != 0) {
                m_release.Release(std::move(replaced));
            }
        });
        m_pFrame->SetView(view);
        if (m_setup) {
            m_setup(*m_pFrame, *view, *m_pDocument);
        }
        // Shown at once while its first file loads: named as the document is until then.
        m_pFrame->OnUpdateFrameTitle(m_pDocument->GetTitle());
        created = true;
    }
    return created;
}

CWindowDoc* CSingleDocTemplate::OpenDocumentFile(const std::string& fullPath, OpenDone done) {
    const bool created = MakeFrame();
    // What needs no reading is answered at once, with the message it has always had.
    if (const FileError error = CheckReadable(fullPath); error != FileError::None) {
        m_sink.ShowMessage(FileErrorMessage(error, fullPath));
        if (created) {
            CloseAllDocuments();
        }
        return nullptr;
    }
    BackgroundTagsLoad::Request request{fullPath, m_pDocument->Core().GivenCodePage(), m_pFrame->View()->Options()};
    m_load.Start(std::move(request), [this, created, done = std::move(done)](BackgroundTagsLoad::Result& result) {
        if (!m_pFrame || !m_pDocument) {
            return;  // closed meanwhile
        }
        const FileError error = ShowLoaded(result);
        if (error != FileError::None && error != FileError::Cancelled && created &&
            m_pDocument->GetPathName().empty()) {
            // The file the frame was made for could not be shown: as at start-up, the window goes.
            m_pFrame->close();
        }
        if (done) {
            done(error);
        }
    });
    return m_pDocument.get();
}

CWindowDoc* CSingleDocTemplate::NewDocument() {
    m_load.Cancel();
    MakeFrame();
    m_pDocument->OnNewDocument();
    ShowDocument(std::nullopt);
    return m_pDocument.get();
}

FileError CSingleDocTemplate::ShowLoaded(BackgroundTagsLoad::Result& result) {
    CQuarrowView* view = m_pFrame->View();
    // Reading the shown file again keeps the user's place in the tree, as it is now.
    std::optional<ViewPlace> place;
    if (result.error == FileError::None && !m_pDocument->GetPathName().empty() &&
        m_pDocument->GetPathName() == result.path) {
        place = CaptureViewPlace(*view);
    }
    // The new tree is ready before the document lets its records go, so that a file too large
    // for the memory leaves the shown one as it was.
    const bool ok = m_pDocument->OnDocumentRead(result.path, result.error, std::move(result.store),
                                                [view, &result](const TagStore& store) {
                                                    view->PrepareUpdate(std::move(result.tree), store, result.options);
                                                });
    if (!ok) {
        return result.error == FileError::None ? FileError::OutOfMemory : result.error;  // the tree did not fit
    }
    MarkLoadStage("adopted");
    if (m_opened) {
        m_opened(result.path, result.stamp);
    }
    ShowCodePageNote(*m_pFrame, m_pDocument->Core());
    ShowDocument(place);
    MarkLoadStage("shown");
    // A large file was mapped by the load (a smaller one was read, and has no copy job): once the
    // tree is up, the bytes become the window's own, so that a tool rewriting the file in place no
    // longer blanks the shown labels. On an idle processor, and while the tree is quiet: the
    // clicks on the new tree come first.
    if (std::function<void()> copy = m_pDocument->Core().GetTags().TextCopyJob(QuietWaitOf(*view))) {
        m_copyIn.Run(std::move(copy));
    }
    return FileError::None;
}

void CSingleDocTemplate::ShowDocument(const std::optional<ViewPlace>& place) {
    CQuarrowView* view = m_pFrame->View();
    view->OnInitialUpdate();
    // No tree views them any more; the replaced tree goes first on the same thread.
    if (TagStore previous = m_pDocument->TakePreviousTags(); !previous.empty()) {
        m_release.Release(std::move(previous));
    }
    if (place) {
        RestoreViewPlace(*view, *place);
    } else {
        // Another file starts at its top, as a tree emptied and filled again does.
        view->scrollToTop();
        view->horizontalScrollBar()->setValue(0);
    }
    m_pFrame->OnUpdateFrameTitle(m_pDocument->GetTitle());
}

void CSingleDocTemplate::CloseAllDocuments() {
    // A load stops before the window and the document it reports to go.
    m_load.Cancel();
    m_load.Wait();
    m_pFrame.reset();     // the rectangle, then the view's settings
    m_pDocument.reset();  // "LASTTAGS"
}

}  // namespace quarrow::ui
