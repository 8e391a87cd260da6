#include "tree/ui/tag_filter_worker.h"

#include <QMetaObject>

namespace quarrow::ui {

TagFilterWorker::TagFilterWorker(QObject* parent) : QObject(parent), m_thread([this] { Run(); }) {}

TagFilterWorker::~TagFilterWorker() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        ++m_generation;
        m_request.reset();
    }
    m_wake.notify_one();
    m_thread.join();
}

void TagFilterWorker::Start(const TagTree& tree, TagFilterText text, std::shared_ptr<const TagTreeFilter> previous,
                            Done done) {
    {
        const std::lock_guard lock(m_mutex);
        const std::uint64_t generation = ++m_generation;
        m_request = Request{&tree, std::move(text), std::move(previous), std::move(done), generation};
    }
    m_wake.notify_one();
}

void TagFilterWorker::Cancel() {
    std::unique_lock lock(m_mutex);
    ++m_generation;
    m_request.reset();
    m_idle.wait(lock, [this] { return !m_busy; });
}

void TagFilterWorker::Run() {
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stop || m_request.has_value(); });
        if (m_stop) {
            return;
        }
        Request request = std::move(*m_request);
        m_request.reset();
        m_busy = true;
        lock.unlock();

        auto result = std::make_shared<TagTreeFilter>();
        const TagFilterCancel cancel{&m_generation, request.generation};
        const bool finished = request.text.Empty()
                                  ? result->MakeSignatures(*request.tree, cancel)
                                  : result->Apply(*request.tree, request.text, request.previous.get(), cancel);
        request.previous.reset();
        if (finished) {
            // Checked again on arrival: a request made after this one was finished wins.
            QMetaObject::invokeMethod(
                this,
                [this, generation = request.generation, done = std::move(request.done), result = std::move(result)] {
                    if (generation == m_generation.load() && done) {
                        done(result);
                    }
                },
                Qt::QueuedConnection);
        }

        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}

}  // namespace quarrow::ui
