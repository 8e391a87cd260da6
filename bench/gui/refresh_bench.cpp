// The window during F5 on a large source tree: while ctags runs in the background, a key press
// (Down or Up in the tree) is posted every 50 ms from another thread and the time until the tree
// repaints is taken;
// a 10 ms timer measures how late the event loop answers. After the run the new file is read
// with the place kept. Prints on standard output:
//   run_s            F5 to the end of the run
//   reload_s         the end of the run to the new file's tree shown
//   probes N, key_to_paint_max_ms, key_to_paint_p99_ms, key_to_paint_median_ms (during the run)
//   timer_late_max_ms                                                             (during the run)
//   reload_stall_ms  the longest the window did not answer from the end of the run until 300 ms
//                    after the new file's tree was shown
//   outcome          Succeeded / Failed / Cancelled
// It writes DIR/running when F5 is given, for a screenshot of the running window, and ends 300 ms
// after the run.
// Usage: quarrow_refresh_bench TAGS SOURCE_DIR DIR   (TAGS is replaced by the run)

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/ui/command_actions.h"
#include "app/ui/main_frame.h"
#include "bench_app.h"
#include "app/ui/quarrow_app.h"
#include "app/ui/tags_refresher.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "tree/ui/quarrow_view.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

// Posts a key press to the tree every 50 ms from a thread of its own, so that a window that is
// busy cannot delay the posting, and takes the time from the posting to the tree's next paint.
class Probe final : public QObject {
public:
    explicit Probe(quarrow::ui::CQuarrowView& view) : m_view(view) {}
    ~Probe() override { Stop(); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_view.viewport() && event->type() == QEvent::Paint && m_pending.load()) {
            const double latency = Ms(Clock::now() - Clock::time_point(Clock::duration(m_posted.load())));
            m_pending = false;
            (m_running ? m_during : m_after).push_back(latency);
        }
        return false;
    }

    void Start() {
        m_thread = std::thread([this] {
            bool down = true;
            while (!m_stop.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (m_pending.load()) {
                    continue;  // the last one has not been answered yet: it is still being timed
                }
                m_posted = Clock::now().time_since_epoch().count();
                m_pending = true;
                const Qt::Key key = down ? Qt::Key_Down : Qt::Key_Up;
                down = !down;
                QCoreApplication::postEvent(&m_view, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
                QCoreApplication::postEvent(&m_view, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
            }
        });
    }

    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    quarrow::ui::CQuarrowView& m_view;
    std::atomic<bool> m_pending{false};
    std::atomic<Clock::rep> m_posted{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    bool m_running = true;
    std::vector<double> m_during;
    std::vector<double> m_after;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: quarrow_refresh_bench TAGS SOURCE_DIR OUTPUT_DIR\n");
        return 2;
    }
    const std::string tags = argv[1];
    const std::string sources = argv[2];
    const QString out = QString::fromLocal8Bit(argv[3]);
    QTemporaryDir home;
    const std::string dir = home.path().toStdString() + "/";
    quarrow::ui::CQuarrowApp::Options options = BenchAppOptions(dir);
    quarrow::Profile(dir + "quarrow.INI").WriteString(quarrow::setting_keys::kCreateTagsParam, tags, sources);
    quarrow::ui::CQuarrowApp app(options);
    if (!app.Startup({tags})) {
        return 1;
    }
    WaitForLoad(app);
    app.MainWindow()->resize(500, 700);
    quarrow::ui::CQuarrowView& view = *app.View();
    view.expand(view.Model().index(0, 0));
    view.selectionModel()->setCurrentIndex(view.Model().index(0, 0), QItemSelectionModel::ClearAndSelect);
    view.setFocus();

    Probe probe(view);
    view.viewport()->installEventFilter(&probe);
    double timerLateMax = 0;
    double reloadStall = 0;
    Clock::time_point lastTick = Clock::now();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &probe, [&] {
        const auto now = Clock::now();
        const double late = Ms(now - lastTick) - 10;
        if (probe.m_running) {
            timerLateMax = std::max(timerLateMax, late);
        } else {
            reloadStall = std::max(reloadStall, late);
        }
        lastTick = now;
    });

    Clock::time_point started;
    quarrow::ui::TagsRefresher* refresher = app.Refresher();
    QObject::connect(refresher, &quarrow::ui::TagsRefresher::runEnded, &probe,
                     [&](quarrow::ui::BackgroundCtagsRun::Outcome outcome) {
                         const auto ended = Clock::now();
                         const double run = Ms(ended - started);
                         probe.m_running = false;
                         // The new file is read in the background; its tree swaps in at the end.
                         WaitForLoad(app);
                         const double reload = Ms(Clock::now() - ended);
                         QTimer::singleShot(300, &probe, [&, outcome, run, reload] {
                             std::printf("reload_s %.2f\n", reload / 1000);
                             probe.Stop();
                             const auto& d = probe.m_during;
                             std::printf("run_s %.1f\nprobes %zu\nkey_to_paint_max_ms %.1f\nkey_to_paint_p99_ms %.1f\n"
                                         "key_to_paint_median_ms %.1f\ntimer_late_max_ms %.1f\nreload_stall_ms %.1f\n"
                                         "outcome %s\n",
                                         run / 1000, d.size(), d.empty() ? 0.0 : *std::max_element(d.begin(), d.end()),
                                         Percentile(d, 0.99), Percentile(d, 0.5), timerLateMax, reloadStall,
                                         outcome == quarrow::ui::BackgroundCtagsRun::Outcome::Succeeded ? "Succeeded"
                                         : outcome == quarrow::ui::BackgroundCtagsRun::Outcome::Failed ? "Failed"
                                                                                                         : "Cancelled");
                             std::fflush(stdout);
                             QApplication::quit();
                         });
                     });
    QTimer::singleShot(500, &probe, [&] {
        started = Clock::now();
        app.Commands()->refresh->trigger();
        lastTick = Clock::now();
        ticker.start(10);
        probe.Start();
        // The script takes its screenshot of the running window now.
        std::ofstream((out + QStringLiteral("/running")).toStdString()) << "F5\n";
    });
    const int code = QApplication::exec();
    std::_Exit(app.Shutdown(code));
}
