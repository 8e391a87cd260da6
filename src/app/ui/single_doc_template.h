#pragma once
// The one kind of document: a tags document shown in the main frame by the tree view. The
// template makes the three together the first time a document is made or opened, and after that
// re-uses them for every open. A file is read, ordered and built on a loading thread while the
// window goes on showing what it showed; the new tree swaps in when it is ready.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/ui/background_release.h"
#include "app/ui/background_tags_load.h"
#include "platform/file_stamp.h"
#include "tags/code_page.h"
#include "tags/quarrow_doc.h"
#include "tree/ui/tree_place_keeper.h"

namespace quarrow {
class MessageSink;
class Profile;
}  // namespace quarrow

namespace quarrow::ui {

class CMainFrame;
class CWindowDoc;
class CQuarrowView;

class CSingleDocTemplate final {
public:
    // How the template matches a path: it takes any path, and knows the one it shows.
    enum class Confidence { YesForeign, YesAlreadyOpen };

    // Hooks up a frame, view and document just made (menus, commands, close handling).
    using FrameSetup = std::function<void(CMainFrame& frame, CQuarrowView& view, CWindowDoc& document)>;
    // Told of every path opened successfully (the recent-file list, the watch), with the file as
    // it stood when its read began.
    using OpenedHook = std::function<void(const std::string& path, const FileStamp& stamp)>;
    // Told when an open by path has ended: FileError::None when the file is shown, else why not
    // (Cancelled when the user stopped it). Not told for an open that a newer one replaced.
    using OpenDone = std::function<void(FileError error)>;

    CSingleDocTemplate(Profile& profile, MessageSink& sink, CodePage cp, FrameSetup setup, OpenedHook opened);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    // Any path can be a tags file; the one already shown is "already open".
    Confidence MatchDocType(const std::string& fullPath) const;

    // Begins to load `fullPath` into the one document; the view shows its tree once it is read
    // (reading the shown file again keeps the user's place), and `done` is told. A load under
    // way gives way to this one. Null when the file cannot be opened at all: its message has been
    // shown, a document that was shown stays as it was, and a frame made for this call is
    // destroyed again. A load that fails later shows the same messages when it ends; when it was
    // the first of a frame made for it, the frame is closed.
    CWindowDoc* OpenDocumentFile(const std::string& fullPath, OpenDone done = {});
    // Makes the document empty and untitled (the new-document command); stops a load.
    CWindowDoc* NewDocument();

    // Destroys the frame (it writes its rectangle), with it the view (its settings), then the
    // document ("LASTTAGS"), in that order.
    void CloseAllDocuments();

    CWindowDoc* Document() const noexcept { return m_pDocument.get(); }
    CMainFrame* Frame() const noexcept { return m_pFrame.get(); }
    BackgroundTagsLoad& Loader() noexcept { return m_load; }

private:
    // Makes the document, the frame and the view when they are not there; true when it did.
    bool MakeFrame();
    // Swaps the loaded tree in; why not (after the message) when the load failed or its tree
    // does not fit.
    FileError ShowLoaded(BackgroundTagsLoad::Result& result);
    // After the document has changed: the view's new tree, the place kept, the title.
    void ShowDocument(const std::optional<ViewPlace>& place);

    struct FrameDeleter {
        void operator()(CMainFrame* frame) const;
    };

    // First: what the view and the document give up is freed on its thread until all else has gone.
    BackgroundRelease m_release;
    // Copies the shown file's bytes in when a processor is free (see ShowLoaded); it stops as
    // soon as the document that holds them goes.
    BackgroundRelease m_copyIn{BackgroundRelease::Priority::WhenIdle};
    Profile& m_profile;
    MessageSink& m_sink;
    CodePage m_codePage;
    FrameSetup m_setup;
    OpenedHook m_opened;
    std::unique_ptr<CWindowDoc> m_pDocument;
    std::unique_ptr<CMainFrame, FrameDeleter> m_pFrame;
    BackgroundTagsLoad m_load;  // last: its thread is stopped before the rest goes
};

}  // namespace quarrow::ui
