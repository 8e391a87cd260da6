#pragma once
// Frees large objects, and does other long chores the window must not wait for, on a thread of
// its own, one after the other. Giving back the pages of a store and tree of a few gigabytes takes
// a noticeable time; done on the window's thread it would pause the window just as a new tree
// appears. The thread starts at the first job and finishes what it was given before this object
// goes.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace quarrow::ui {

class BackgroundRelease final {
public:
    // Whether the thread runs only when a processor would otherwise be idle (RunThisThreadWhenIdle):
    // for chores that must not slow the window, and that no memory waits for.
    enum class Priority { Normal, WhenIdle };

    explicit BackgroundRelease(Priority priority = Priority::Normal) noexcept : m_priority(priority) {}
    ~BackgroundRelease();  // frees what is still queued and waits for the thread
    BackgroundRelease(const BackgroundRelease&) = delete;
    BackgroundRelease& operator=(const BackgroundRelease&) = delete;

    // Takes `object` and destroys it on the thread; destroys it here when no thread can be had.
    template <typename T>
    void Release(T&& object) {
        auto held = std::make_shared<std::decay_t<T>>(std::forward<T>(object));
        Post([held = std::move(held)]() mutable { held.reset(); });
    }

    // Runs `job` on the thread after what was given before; here when no thread can be had.
    void Run(std::function<void()> job) { Post(std::move(job)); }

    // Blocks until everything given so far has been done.
    void Drain();

private:
    void Post(std::function<void()> job);
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_jobs;
    bool m_bBusy = false;  // the thread runs a job
    bool m_bStop = false;
    Priority m_priority;
    std::thread m_thread;
};

}  // namespace quarrow::ui
