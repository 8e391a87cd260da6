#pragma once
// Narrows the tag tree on a thread of its own, so that typing never waits for it. A new request
// supersedes the one under way, which stops at its next look at the cancel flag; only the result
// of the latest request is handed back, on the thread that owns this object.

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "tree/tag_tree.h"
#include "tree/tag_tree_filter.h"

namespace quarrow::ui {

class TagFilterWorker final : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(std::shared_ptr<const TagTreeFilter> result)>;

    explicit TagFilterWorker(QObject* parent = nullptr);
    ~TagFilterWorker() override;
    TagFilterWorker(const TagFilterWorker&) = delete;
    TagFilterWorker& operator=(const TagFilterWorker&) = delete;

    // Narrows `tree` to `text`, reusing `previous` (made from the same tree) when the text narrows
    // its text. `done` runs later on this object's thread unless a newer request or Cancel came
    // first. The tree must stay as it is until Cancel or `done`. An empty text makes only the
    // labels' signatures (TagTreeFilter::MakeSignatures).
    void Start(const TagTree& tree, TagFilterText text, std::shared_ptr<const TagTreeFilter> previous, Done done);
    // Drops the request under way and waits until the thread no longer reads the tree.
    void Cancel();

private:
    struct Request {
        const TagTree* tree;
        TagFilterText text;
        std::shared_ptr<const TagTreeFilter> previous;
        Done done;
        std::uint64_t generation;
    };

    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Request> m_request;  // the latest request not yet taken
    bool m_busy = false;
    bool m_stop = false;
    std::atomic<std::uint64_t> m_generation{0};
    std::thread m_thread;
};

}  // namespace quarrow::ui
