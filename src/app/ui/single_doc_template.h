#pragma once
// The one kind of document: a tags document shown in the main frame by the tree view. The
// template makes the three together the first time a document is made or opened, and after that
// re-uses them for every open.

#include <functional>
#include <memory>
#include <string>

#include "tags/code_page.h"

namespace quarrow {
class MessageSink;
class Profile;
}  // namespace quarrow

namespace quarrow::ui {

class CMainFrame;
class CQuarrowDoc;
class CQuarrowView;

class CSingleDocTemplate final {
public:
    // How the template matches a path: it takes any path, and knows the one it shows.
    enum class Confidence { YesForeign, YesAlreadyOpen };

    // Hooks up a frame, view and document just made (menus, commands, close handling).
    using FrameSetup = std::function<void(CMainFrame& frame, CQuarrowView& view, CQuarrowDoc& document)>;
    // Told of every path opened successfully (the recent-file list).
    using OpenedHook = std::function<void(const std::string& path)>;

    CSingleDocTemplate(Profile& profile, MessageSink& sink, CodePage cp, FrameSetup setup, OpenedHook opened);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    // Any path can be a tags file; the one already shown is "already open".
    Confidence MatchDocType(const std::string& fullPath) const;

    // Opens `fullPath` into the one document and lets the view rebuild its tree. Null when the
    // file could not be opened: its message has been shown, and a document that was shown stays
    // as it was. A frame made for this call is destroyed again.
    CQuarrowDoc* OpenDocumentFile(const std::string& fullPath);
    // Makes the document empty and untitled (the new-document command).
    CQuarrowDoc* NewDocument();

    // Destroys the frame (it writes its rectangle), with it the view (its settings), then the
    // document ("LASTTAGS"), in that order.
    void CloseAllDocuments();

    CQuarrowDoc* Document() const noexcept { return m_pDocument.get(); }
    CMainFrame* Frame() const noexcept { return m_pFrame.get(); }

private:
    CQuarrowDoc* Open(const std::string* fullPath);

    struct FrameDeleter {
        void operator()(CMainFrame* frame) const;
    };

    Profile& m_profile;
    MessageSink& m_sink;
    CodePage m_codePage;
    FrameSetup m_setup;
    OpenedHook m_opened;
    std::unique_ptr<CQuarrowDoc> m_pDocument;
    std::unique_ptr<CMainFrame, FrameDeleter> m_pFrame;
};

}  // namespace quarrow::ui
