// The window while a large tags file loads: it starts quarrow on FILE and reports, on standard
// output:
//   window_realtime_ns   the wall clock at the main window's first paint
//   tree_realtime_ns     the wall clock at the first paint of the loaded tree
//   load_ms              the first window to the loaded tree
//   paint_gap_max_ms     the longest time between two paints of the tree's viewport while the
//                        file loads and its tree swaps in (a 10 ms timer asks for a paint)
//   timer_late_max_ms    how late that timer came at worst
//   key_to_paint_max_ms  the slowest answer to a key press posted every 50 ms from another thread
//   key_probes N
// then, on the loaded tree, clicks on the folder with the most children and on the file with the
// most members (each expand and collapse with its paint, ROUNDS times):
//   folder_children, folder_expand_ms, folder_collapse_ms, file_members, file_expand_ms,
//   file_collapse_ms  (the slowest of the rounds)
// With QUARROW_CLICK_TIMES set, every click as well, in its order: "click folder|file
// expand|collapse MS paints N cpu MS faults N waits N" (the paints of the rows it took, and while it
// ran: the thread's processor time, the process's minor page faults and the times the thread
// waited, e.g. for the painter's helper threads).
// Usage: quarrow_load_bench FILE.tags [ROUNDS]  (QT_QPA_PLATFORM=offscreen or a display)

#include <QApplication>
#include <QInputDevice>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <thread>

#include "app/ui/main_frame.h"
#include "app/ui/quarrow_app.h"
#include "bench_app.h"
#include "thread_cpu.h"
#include "tree/ui/quarrow_view.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The process's minor page faults and the thread's waits (voluntary context switches) so far.
long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}
long Waits() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

long long RealtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Watches the paints of the main window and of the tree, and answers key probes.
class Watch final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        const auto now = Clock::now();
        if (m_windowNs == 0) {
            m_windowNs = RealtimeNs();
            m_window = now;
            m_lastPaint = now;
        }
        if (m_view != nullptr && watched == m_view->viewport()) {
            if (m_treeNs == 0) {
                m_gapMax = std::max(m_gapMax, Ms(now - m_lastPaint));
            }
            m_lastPaint = now;
            if (m_treeNs == 0 && m_view->Model().rowCount() > 0) {
                m_treeNs = RealtimeNs();
                m_tree = now;
            }
            if (m_pending.load()) {
                m_keyMax = std::max(m_keyMax, Ms(now - Clock::time_point(Clock::duration(m_posted.load()))));
                ++m_probes;
                m_pending = false;
            }
        }
        return false;
    }

    void StartProbes() {
        m_thread = std::thread([this] {
            bool down = true;
            while (!m_stop.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (m_pending.load() || m_view == nullptr) {
                    continue;
                }
                m_posted = Clock::now().time_since_epoch().count();
                m_pending = true;
                const Qt::Key key = down ? Qt::Key_Down : Qt::Key_Up;
                down = !down;
                QCoreApplication::postEvent(m_view, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
                QCoreApplication::postEvent(m_view, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
            }
        });
    }
    void StopProbes() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    quarrow::ui::CQuarrowView* m_view = nullptr;
    long long m_windowNs = 0;
    long long m_treeNs = 0;
    Clock::time_point m_window;
    Clock::time_point m_tree;
    Clock::time_point m_lastPaint;
    double m_gapMax = 0;
    double m_keyMax = 0;
    int m_probes = 0;
    std::atomic<bool> m_pending{false};
    std::atomic<Clock::rep> m_posted{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Counts the paints of the view's rows.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// What a click costs after the view changed: the events it posted (the update, the coalesced
// width of the shown rows and the slices' look-ahead, which may post another update), with the
// one paint a user sees. The rows are painted here only if no posted update painted them.
void Settle(quarrow::ui::CQuarrowView& view, const PaintCounter& counter) {
    const int before = counter.paints;
    QApplication::processEvents();
    QApplication::processEvents();
    if (counter.paints == before) {
        view.viewport()->repaint();
    }
}

// The slowest of `rounds` expands and collapses of `index` (the node of `what`), each with its
// paint.
std::pair<double, double> Click(quarrow::ui::CQuarrowView& view, const QModelIndex& index, int rounds,
                                const char* what) {
    const bool each = std::getenv("QUARROW_CLICK_TIMES") != nullptr;
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    double expand = 0;
    double collapse = 0;
    for (int i = 0; i < rounds; ++i) {
        view.scrollTo(index, QAbstractItemView::PositionAtTop);
        Settle(view, counter);
        int paints = counter.paints;
        double cpu = ThreadCpuMs();
        long faults = MinorFaults();
        long waits = Waits();
        auto start = Clock::now();
        view.expand(index);
        Settle(view, counter);
        const double expandMs = Ms(Clock::now() - start);
        const int expandPaints = counter.paints - paints;
        const double expandCpu = ThreadCpuMs() - cpu;
        const long expandFaults = MinorFaults() - faults;
        const long expandWaits = Waits() - waits;
        paints = counter.paints;
        cpu = ThreadCpuMs();
        faults = MinorFaults();
        waits = Waits();
        start = Clock::now();
        view.collapse(index);
        Settle(view, counter);
        const double collapseMs = Ms(Clock::now() - start);
        const int collapsePaints = counter.paints - paints;
        const double collapseCpu = ThreadCpuMs() - cpu;
        const long collapseFaults = MinorFaults() - faults;
        const long collapseWaits = Waits() - waits;
        expand = std::max(expand, expandMs);
        collapse = std::max(collapse, collapseMs);
        if (each) {
            std::printf("click %s expand %.2f paints %d cpu %.2f faults %ld waits %ld\n", what, expandMs, expandPaints,
                        expandCpu, expandFaults, expandWaits);
            std::printf("click %s collapse %.2f paints %d cpu %.2f faults %ld waits %ld\n", what, collapseMs,
                        collapsePaints, collapseCpu, collapseFaults, collapseWaits);
        }
    }
    view.viewport()->removeEventFilter(&counter);
    return {expand, collapse};
}

void MeasureClicks(quarrow::ui::CQuarrowView& view, int rounds) {
    quarrow::ui::TagTreeItemModel& model = view.Model();
    // Looked for in the tree itself: a large node's rows are fetched as the view needs them.
    const quarrow::TagTree& tree = model.Tree();
    using Id = quarrow::TagTree::Id;
    Id folderId = quarrow::TagTree::kRoot;
    Id fileId = quarrow::TagTree::kRoot;
    int folderChildren = -1;
    int fileMembers = -1;
    for (std::size_t row = 0; row < tree.ChildCount(quarrow::TagTree::kRoot); ++row) {
        const Id top = tree.Child(quarrow::TagTree::kRoot, row);
        const int children = static_cast<int>(tree.ChildCount(top));
        if (children > folderChildren) {
            folderChildren = children;
            folderId = top;
        }
        for (int child = 0; child < children; ++child) {
            const Id candidate = tree.Child(top, static_cast<std::size_t>(child));
            if (const int members = static_cast<int>(tree.ChildCount(candidate)); members > fileMembers) {
                fileMembers = members;
                fileId = candidate;
            }
        }
    }
    const QModelIndex folder = model.Reach(folderId);
    const QModelIndex file = model.Reach(fileId);
    const auto [folderExpand, folderCollapse] = Click(view, folder, rounds, "folder");
    view.expand(file.parent());
    const auto [fileExpand, fileCollapse] = Click(view, file, rounds, "file");
    std::printf("folder_children %d\nfolder_expand_ms %.2f\nfolder_collapse_ms %.2f\n", folderChildren, folderExpand,
                folderCollapse);
    std::printf("file_members %d\nfile_expand_ms %.2f\nfile_collapse_ms %.2f\n", fileMembers, fileExpand,
                fileCollapse);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quarrow_load_bench FILE.tags [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QTemporaryDir home;
    const std::string dir = home.path().toStdString() + "/";
    quarrow::ui::CQuarrowApp::Options options = BenchAppOptions(dir);
    Watch watch;
    application.installEventFilter(&watch);
    options.viewCreated = [&watch](quarrow::ui::CQuarrowView& view) { watch.m_view = &view; };
    quarrow::ui::CQuarrowApp app(options);
    if (!app.Startup({argv[1]})) {
        return 1;
    }
    app.MainWindow()->resize(500, 800);
    double timerLate = 0;
    auto lastTick = Clock::now();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &watch, [&] {
        const auto now = Clock::now();
        timerLate = std::max(timerLate, Ms(now - lastTick) - 10);
        lastTick = now;
        if (watch.m_view != nullptr) {
            watch.m_view->viewport()->update();
        }
    });
    ticker.start(10);
    (void)QInputDevice::primaryKeyboard();  // made here: the probes' key events ask for it
    watch.StartProbes();
    WaitForLoad(app);
    // The paint of the swapped-in tree, and a little after it; the ticker's 10 ms events wake
    // each turn.
    while (watch.m_treeNs == 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const auto settle = Clock::now();
    while (Clock::now() - settle < std::chrono::milliseconds(200)) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ticker.stop();
    watch.StopProbes();
    application.removeEventFilter(&watch);
    std::printf("window_realtime_ns %lld\ntree_realtime_ns %lld\nload_ms %.1f\npaint_gap_max_ms %.1f\n"
                "timer_late_max_ms %.1f\nkey_to_paint_max_ms %.1f\nkey_probes %d\n",
                watch.m_windowNs, watch.m_treeNs, Ms(watch.m_tree - watch.m_window), watch.m_gapMax, timerLate,
                watch.m_keyMax, watch.m_probes);
    std::fflush(stdout);
    MeasureClicks(*app.View(), rounds);
    std::fflush(stdout);
    std::_Exit(app.Shutdown(0));
}
