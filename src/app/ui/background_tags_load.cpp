#include "app/ui/background_tags_load.h"

#include <QMetaObject>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "tags/load_times.h"
#include "widgets/code_page_text.h"

namespace quarrow::ui {
namespace {

constexpr std::uint64_t kMapFilesFrom = std::uint64_t{256} << 20;

// The whole load of one file, on the worker thread.
void Load(const BackgroundTagsLoad::Request& request, LoadProgress& progress, BackgroundTagsLoad::Result& result) {
    result.path = request.path;
    result.options = request.options;
    result.stamp = StampOf(request.path);
    quarrow::CQuarrowDoc reader(nullptr, request.codePage);
    // A file of hundreds of megabytes is mapped as quarrow-tree maps it: a read would copy all of
    // it into fresh memory before the tree can be shown, and the window copies the bytes in once
    // it shows the tree instead. Until then a tool rewriting the file in place reaches the shown
    // labels, so a smaller file, whose read costs little, is read: its tree is the window's own
    // from the start.
    if (result.stamp.size >= kMapFilesFrom) {
        reader.SetFileAccess(FileAccess::Map);
    }
    result.error = reader.ReadDocument(request.path, result.store, &progress);
    if (result.error != FileError::None) {
        return;
    }
    try {
        if (!BuildTagTree(result.tree, result.store, result.store.GetCodePage(), request.options, &progress)) {
            result.error = FileError::Cancelled;
        }
    } catch (const std::bad_alloc&) {
        result.error = FileError::OutOfMemory;
    } catch (const std::length_error&) {
        result.error = FileError::OutOfMemory;
    }
    if (result.error != FileError::None) {
        result.tree.Clear();
        result.store.Clear();
    }
}

}  // namespace

BackgroundTagsLoad::BackgroundTagsLoad(QObject* parent) : QObject(parent) {}

BackgroundTagsLoad::~BackgroundTagsLoad() {
    m_pending.reset();
    if (m_progress) {
        m_progress->Cancel();
    }
    Wait();
}

void BackgroundTagsLoad::Start(Request request, Done done) {
    m_bLoading = true;
    m_strPath = request.path;
    if (m_bWorking) {
        // The load under way gives way; it checks often enough that the wait is short.
        m_progress->Cancel();
        m_done = {};
        m_pending.emplace(std::move(request), std::move(done));
        emit started(PathFromBytes(m_strPath));
        return;
    }
    Begin(std::move(request), std::move(done));
}

void BackgroundTagsLoad::Begin(Request request, Done done) {
    Wait();  // a worker that has returned but whose report came before this start
    m_done = std::move(done);
    m_progress = std::make_shared<LoadProgress>();
    m_bWorking = true;
    const QString path = PathFromBytes(request.path);
    try {
        m_worker = std::thread([this, request, progress = m_progress] {
            auto result = std::make_shared<Result>();
            try {
                Load(request, *progress, *result);
            } catch (const std::bad_alloc&) {  // the result itself could not be had
                result->error = FileError::OutOfMemory;
            }
            QMetaObject::invokeMethod(this, [this, result] { OnWorkerReturned(result); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread (its stack is memory too): the load ends as one that ran out of memory.
        auto result = std::make_shared<Result>();
        result->path = request.path;
        result->error = FileError::OutOfMemory;
        QMetaObject::invokeMethod(this, [this, result] { OnWorkerReturned(result); }, Qt::QueuedConnection);
    }
    emit started(path);
}

void BackgroundTagsLoad::Cancel() {
    if (!m_bWorking) {
        return;
    }
    if (m_pending) {
        // The load the user sees is the waiting one: its `done` hears of the stop.
        m_done = std::move(m_pending->second);
        m_pending.reset();
    }
    m_progress->Cancel();
}

void BackgroundTagsLoad::Wait() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void BackgroundTagsLoad::OnWorkerReturned(const std::shared_ptr<Result>& result) {
    MarkLoadStage("handed");
    Wait();
    m_bWorking = false;
    if (m_pending) {
        auto [request, done] = std::move(*m_pending);
        m_pending.reset();
        result->store.Clear();  // before the next load asks for its memory
        result->tree.Clear();
        Begin(std::move(request), std::move(done));
        return;
    }
    // A stop asked for after the work was done still counts: the user saw the load as going.
    if (m_progress->Cancelled() && result->error == FileError::None) {
        result->error = FileError::Cancelled;
        result->tree.Clear();
        result->store.Clear();
    }
    m_bLoading = false;
    const std::string path = std::exchange(m_strPath, std::string());
    Done done = std::move(m_done);
    m_done = {};
    if (done) {
        done(*result);
    }
    emit ended(PathFromBytes(path), static_cast<int>(result->error));
}

}  // namespace quarrow::ui
