#include "app/ui/window_activity.h"

#include <QAbstractScrollArea>
#include <QEvent>

#include <algorithm>
#include <thread>

namespace quarrow::ui {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kNap{50};

std::int64_t Now() noexcept { return Clock::now().time_since_epoch().count(); }

}  // namespace

WindowActivity::WindowActivity(QAbstractScrollArea& area)
    : QObject(&area), m_last(std::make_shared<std::atomic<std::int64_t>>(Now())) {
    area.installEventFilter(this);
    area.viewport()->installEventFilter(this);
}

bool WindowActivity::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        m_last->store(Now(), std::memory_order_relaxed);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

std::function<void()> WindowActivity::QuietWait(std::chrono::milliseconds quiet) const {
    return [weak = std::weak_ptr<std::atomic<std::int64_t>>(m_last), quiet] {
        for (;;) {
            const std::shared_ptr<std::atomic<std::int64_t>> last = weak.lock();
            if (!last) {
                return;
            }
            const Clock::duration since{Now() - last->load(std::memory_order_relaxed)};
            if (since >= quiet) {
                return;
            }
            // In short naps: the widgets may go meanwhile.
            std::this_thread::sleep_for(std::min<Clock::duration>(quiet - since, kNap));
        }
    };
}

}  // namespace quarrow::ui
