// The filter field's benchmark: opens a tags file in the quarrow window, then types texts into
// the filter field one key at a time and reports, on standard output, the time from each key to
// the repainted tree ("key_ms TEXT MS" lines), Esc's restore of the whole tree ("esc_ms MS"), a
// burst of keys 15 ms apart ("burst_ms": the last key to the painted result), the tree's size
// ("nodes N") and the filter's largest index ("filter_bytes_per_node B"), then ends.
// Usage: quarrow_filter_bench FILE.tags (run with QT_QPA_PLATFORM=offscreen or a display)

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "app/ui/main_frame.h"
#include "app/ui/quarrow_app.h"
#include "bench_app.h"
#include "thread_cpu.h"
#include "tree/ui/quarrow_view.h"
#include "tree/ui/staged_expansion.h"
#include "tree/ui/tag_filter_bar.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The processor time of the whole process (every thread), in ms: on a busy machine the wall time
// of a key includes the time other programs had the processors; this is what the key itself cost.
double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Remembers which filter text the tree showed at its last paint.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(quarrow::ui::CQuarrowView& view) : m_view(view) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_view.viewport() && event->type() == QEvent::Paint) {
            m_painted = m_view.Filtering().AppliedText();
            ++m_paints;
        }
        return false;
    }
    quarrow::ui::CQuarrowView& m_view;
    QString m_painted = QStringLiteral("\n");
    int m_paints = 0;
};

void Key(QWidget& target, int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(&target, &press);
    QCoreApplication::sendEvent(&target, &release);
}

// Runs the event loop until `done` holds; the time since `start` when it did.
double WaitFor(Clock::time_point start, const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return Ms(Clock::now() - start);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quarrow_filter_bench FILE.tags\n");
        return 2;
    }
    QTemporaryDir home;
    const std::string dir = home.path().toStdString() + "/";
    quarrow::ui::CQuarrowApp::Options options = BenchAppOptions(dir);
    quarrow::ui::CQuarrowView* view = nullptr;
    std::unique_ptr<PaintWatch> watch;
    options.viewCreated = [&](quarrow::ui::CQuarrowView& created) {
        view = &created;
        watch = std::make_unique<PaintWatch>(created);
        created.viewport()->installEventFilter(watch.get());
    };
    quarrow::ui::CQuarrowApp app(options);
    if (!app.Startup({argv[1]}) || view == nullptr) {
        return 1;
    }
    app.MainWindow()->resize(400, 800);
    WaitFor(Clock::now(), [&] { return watch->m_paints > 0 && view->Model().rowCount() > 0; });
    std::printf("nodes %zu\n", view->Model().Tree().NodeCount());

    // The core filter alone, on this thread, for the split between narrowing and showing.
    for (const char* text : {"e", "get", "hashCode", "qzx"}) {
        const quarrow::TagTree& tree = view->Model().Tree();
        quarrow::TagTreeFilter filter;
        const auto start = Clock::now();
        const double cpu = CpuMs();
        filter.Apply(tree, quarrow::TagFilterText(text, quarrow::CodePage::Utf8));
        const double full = Ms(Clock::now() - start);
        const double fullCpu = CpuMs() - cpu;
        std::size_t kept = 0;
        for (const auto id : filter.ExpandedNodes()) {
            kept += filter.ChildCount(id);
        }
        std::printf("core_ms %s %.2f %.2f %zu\n", text, full, fullCpu, kept);
    }

    // The stages of one key, each timed alone on this thread: the narrowing from the labels'
    // signatures (a first key) and from the previous text (a key that extends it), the model's
    // reset, the opening of the first screens of kept folders and files, the view's layout of
    // their rows, the paint of the first screen, and the opening of the rest (done between
    // events, after the paint).
    {
        std::shared_ptr<const quarrow::TagTreeFilter> previous;
        for (const char* text : {"e", "t", "to", "g", "ge", "get", "hashCode"}) {
            const quarrow::TagTree& tree = view->Model().Tree();
            const quarrow::TagFilterText filterText(text, quarrow::CodePage::Utf8);
            auto timed = [](auto&& step) {
                const double cpu = CpuMs();
                step();
                return CpuMs() - cpu;
            };
            if (!previous || !filterText.Narrows(previous->Text())) {
                // A first key: the signatures are there (a filter of the whole tree was made above).
                quarrow::TagTreeFilter whole;
                whole.Apply(tree, quarrow::TagFilterText("qzx", quarrow::CodePage::Utf8));
                previous = whole.Signatures();
            }
            auto result = std::make_shared<quarrow::TagTreeFilter>();
            const double core = timed([&] { result->Apply(tree, filterText, previous.get()); });
            std::vector<quarrow::TagTree::Id> open;
            const double expandedNodes = timed([&] { open = result->ExpandedNodes(); });
            previous = result;
            const double reset = timed([&] { view->Model().SetFilter(result); });
            quarrow::ui::StagedExpansion staged(*view);
            const double expand = timed([&] { staged.Start(result); });
            const double layout = timed([&] { view->doItemsLayout(); });
            const double paint = timed([&] { view->viewport()->repaint(); });
            const double rest = timed([&] { staged.Finish(); });
            std::size_t kept = 0;
            for (const auto id : open) {
                kept += result->ChildCount(id);
            }
            std::printf("stage_ms %s %.2f %.2f %.2f %.2f %.2f %.2f %.2f %zu %zu\n", text, core, expandedNodes, reset,
                        expand, layout, paint, rest, open.size(), kept + result->ChildCount(quarrow::TagTree::kRoot));
        }
        // The opening of the rest between events: the longest the event loop waited for a slice
        // (a 1 ms timer's largest gap) while the million rows of "e" were opened.
        QCoreApplication::processEvents();  // what the stages above left for the event loop
        auto result = std::make_shared<quarrow::TagTreeFilter>();
        result->Apply(view->Model().Tree(), quarrow::TagFilterText("e", quarrow::CodePage::Utf8));
        view->Model().SetFilter(result);
        quarrow::ui::StagedExpansion staged(*view);
        staged.Start(result);
        view->viewport()->repaint();
        // The processor time of this (the window's) thread between two ticks: on a busy machine
        // the clock's gaps also hold the time other programs had the processors.
        QTimer ping;
        ping.setInterval(1);
        double lastTick = ThreadCpuMs();
        double stall = 0;
        QObject::connect(&ping, &QTimer::timeout, [&] {
            stall = std::max(stall, ThreadCpuMs() - lastTick);
            lastTick = ThreadCpuMs();
        });
        ping.start();
        const auto start = Clock::now();
        WaitFor(start, [&] { return !staged.Pending(); });
        std::printf("stall_ms %.2f %.2f\n", stall, Ms(Clock::now() - start));
        view->Model().SetFilter(nullptr);
        QCoreApplication::processEvents();
    }

    auto& filtering = view->Filtering();
    QLineEdit& field = filtering.Bar().Field();
    double worstBytes = 0;
    auto typed = [&](Clock::time_point start) {
        const double ms = WaitFor(start, [&] { return watch->m_painted == field.text(); });
        if (const auto& filter = view->Model().Filter()) {
            worstBytes = std::max(worstBytes, static_cast<double>(filter->MemoryBytes()) /
                                                  static_cast<double>(view->Model().Tree().NodeCount()));
        }
        return ms;
    };
    // Common and rare names of the JDK, 1 to 8 keys; a few erased keys widen the text again.
    const char* const words[] = {"get", "String", "hashCode", "qzx", "Map", "lock", "equals", "run",
                                 "Zip", "toString", "Concurre", "readLine", "jdk", "xyzzy", "value", "e"};
    bool first = true;
    for (const char* word : words) {
        view->ShowFilter();
        if (first) {
            // A person's pause between Ctrl+F and the first key, in which the labels' signatures
            // are made.
            first = false;
            bool paused = false;
            QTimer::singleShot(500, [&] { paused = true; });
            WaitFor(Clock::now(), [&] { return paused; });
        }
        for (const char* c = word; *c != '\0'; ++c) {
            watch->m_painted = QStringLiteral("\n");
            const double cpu = CpuMs();
            const auto start = Clock::now();
            Key(field, 0, QString(QLatin1Char(*c)));
            const double ms = typed(start);
            std::printf("key_ms %s %.2f %.2f\n", field.text().toUtf8().constData(), ms, CpuMs() - cpu);
        }
        for (int erase = 0; erase < 2 && field.text().size() > 1; ++erase) {
            watch->m_painted = QStringLiteral("\n");
            const double cpu = CpuMs();
            const auto start = Clock::now();
            Key(field, Qt::Key_Backspace);
            const double ms = typed(start);
            std::printf("key_ms %s %.2f %.2f\n", field.text().toUtf8().constData(), ms, CpuMs() - cpu);
        }
        watch->m_painted = QStringLiteral("\n");
        const double cpu = CpuMs();
        const auto start = Clock::now();
        Key(field, Qt::Key_Escape);
        const double ms = WaitFor(start, [&] { return watch->m_painted.isEmpty(); });
        std::printf("esc_ms %.2f %.2f\n", ms, CpuMs() - cpu);
    }

    // A burst: keys 15 ms apart, faster than some narrowings take.
    view->ShowFilter();
    const QString burst = QStringLiteral("getClass");
    Clock::time_point last;
    for (int i = 0; i < burst.size(); ++i) {
        QTimer::singleShot(15 * i, [&, i] {
            last = Clock::now();
            Key(field, 0, burst.mid(i, 1));
        });
    }
    WaitFor(Clock::now(), [&] { return field.text() == burst && watch->m_painted == burst; });
    std::printf("burst_ms %.2f\n", Ms(Clock::now() - last));
    std::printf("filter_bytes_per_node %.2f\n", worstBytes);
    std::fflush(stdout);
    std::_Exit(0);
}
