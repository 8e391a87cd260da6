#include "app/ui/background_release.h"

#include <system_error>

#include "platform/thread_priority.h"

namespace quarrow::ui {

BackgroundRelease::~BackgroundRelease() {
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void BackgroundRelease::Post(std::function<void()> job) {
    {
        std::unique_lock lock(m_mutex);
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                lock.unlock();
                job();  // no thread to be had: freed here, as before
                return;
            }
        }
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void BackgroundRelease::Drain() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_bBusy; });
}

void BackgroundRelease::Run() {
    if (m_priority == Priority::WhenIdle) {
        RunThisThreadWhenIdle();  // a hint: without it the chores only compete more
    }
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStop || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            return;  // asked to stop, nothing left
        }
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bBusy = true;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        m_bBusy = false;
        if (m_jobs.empty()) {
            m_idle.notify_all();
        }
    }
}

}  // namespace quarrow::ui
