#pragma once
// When the window last worked for the user: a key or a mouse button or wheel in the tags tree, or
// a paint of its rows. A chore on another thread that contends with the window for the memory map
// and the caches (the copy-in of a large file's bytes) waits until the window has been quiet for
// a moment, so that the first clicks on a new tree do not meet it.

#include <QObject>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QAbstractScrollArea;

namespace quarrow::ui {

class WindowActivity final : public QObject {
    Q_OBJECT
public:
    // Watches `area` and its viewport; owned by `area`.
    explicit WindowActivity(QAbstractScrollArea& area);

    // A wait, callable on any thread, that returns once the watched widgets have been quiet for
    // `quiet`, or at once when they are gone.
    std::function<void()> QuietWait(std::chrono::milliseconds quiet) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The steady clock's time of the last work, in its ticks; shared with the waits.
    std::shared_ptr<std::atomic<std::int64_t>> m_last;
};

}  // namespace quarrow::ui
