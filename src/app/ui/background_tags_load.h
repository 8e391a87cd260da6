#pragma once
// Reads a tags file, orders it and builds its tree on a thread of its own, so that the window
// keeps answering and keeps showing the tree it has until the new one is ready. One load at a
// time: a new one asks the load under way to stop and begins as soon as that one has returned,
// so two large files are never held at once besides the shown one. The end is reported on the
// window's thread with all the window needs to swap the new tree in; the worker touches no
// window object.

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/file_stamp.h"
#include "tags/code_page.h"
#include "tags/load_progress.h"
#include "tags/quarrow_doc.h"
#include "tags/tag_store.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"

namespace quarrow::ui {

class BackgroundTagsLoad final : public QObject {
    Q_OBJECT
public:
    struct Request {
        std::string path;
        std::optional<CodePage> codePage;  // empty: the one the file's bytes tell
        TreeOptions options;  // those of the view when the load began
    };
    // What a load gives. The tree views the store's records and bytes: they move together.
    struct Result {
        std::string path;
        FileError error = FileError::None;
        TagStore store;
        TagTree tree;
        TreeOptions options;
        FileStamp stamp;  // the file as it stood when its read began
    };
    // Called on the window's thread when the load ends, also when it was cancelled
    // (FileError::Cancelled); not called for a load a newer one replaced.
    using Done = std::function<void(Result& result)>;

    explicit BackgroundTagsLoad(QObject* parent = nullptr);
    ~BackgroundTagsLoad() override;  // stops a load and waits for its thread

    // Loads `request` and calls `done` with the outcome. A load under way is asked to stop and
    // reports nothing; this one begins once it has returned.
    void Start(Request request, Done done);
    // Asks the load under way to stop (its `done` hears Cancelled) and drops one still waiting.
    void Cancel();
    // Blocks until the thread has returned (after Cancel a short wait); the report then comes
    // from the event loop as usual, or not at all when this object goes first.
    void Wait();

    // A load is going or waiting for the one before to stop.
    bool IsLoading() const noexcept { return m_bLoading; }
    // The path of that load, "" when none.
    const std::string& Path() const noexcept { return m_strPath; }
    // How far it has come; null while none goes (or the one going will give way to another).
    const LoadProgress* Progress() const noexcept { return m_pending ? nullptr : m_progress.get(); }

signals:
    // A load has begun for `path` (also one that waits for the one before to stop).
    void started(const QString& path);
    // The load of `path` has ended; `done` has been called.
    void ended(const QString& path, int error);

private:
    void Begin(Request request, Done done);
    void OnWorkerReturned(const std::shared_ptr<Result>& result);

    std::thread m_worker;
    std::shared_ptr<LoadProgress> m_progress;  // the worker's
    Done m_done;                               // of the worker's load; empty once another replaced it
    std::optional<std::pair<Request, Done>> m_pending;
    std::string m_strPath;
    bool m_bWorking = false;  // the worker has not reported yet
    bool m_bLoading = false;
};

}  // namespace quarrow::ui
