// Opens a tags file in the quarrow window and reports, on standard output:
//   first_paint_realtime_ns  the wall clock when the built tree had been painted the first time
//   expand_ms                opening the folder with the most children and painting it
//   scroll_max_ms            the slowest page of scrolling through that folder, painted
//   scroll_pages             how many pages that was
// then ends. Usage: quarrow_gui_bench FILE.tags (run with QT_QPA_PLATFORM=offscreen or a display)

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "app/ui/main_frame.h"
#include "bench_app.h"
#include "app/ui/quarrow_app.h"
#include "tree/ui/quarrow_view.h"

namespace {

long long RealtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Reports the first paint of the viewport once the tree has rows, then measures the folder.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(quarrow::ui::CQuarrowView& view) : m_view(view) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_done && watched == m_view.viewport() && event->type() == QEvent::Paint && m_view.Model().rowCount() > 0) {
            m_done = true;
            // After this paint has finished.
            QTimer::singleShot(0, this, [this] {
                std::printf("first_paint_realtime_ns %lld\n", RealtimeNs());
                MeasureFolder();
                QApplication::quit();
            });
        }
        return false;
    }

private:
    void MeasureFolder() {
        quarrow::ui::TagTreeItemModel& model = m_view.Model();
        QModelIndex widest;
        int most = -1;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row, 0);
            if (static_cast<int>(model.ChildrenOf(index)) > most) {
                most = static_cast<int>(model.ChildrenOf(index));
                widest = index;
            }
        }
        using Clock = std::chrono::steady_clock;
        auto start = Clock::now();
        m_view.expand(widest);
        m_view.scrollTo(widest, QAbstractItemView::PositionAtTop);
        m_view.viewport()->repaint();
        std::printf("folder_children %d\nexpand_ms %.2f\n", most, Ms(Clock::now() - start));
        QScrollBar* bar = m_view.verticalScrollBar();
        const int end = std::min(bar->maximum(), bar->value() + most);
        double worst = 0;
        int pages = 0;
        while (bar->value() < end) {
            start = Clock::now();
            bar->setValue(bar->value() + bar->pageStep());
            m_view.viewport()->repaint();
            worst = std::max(worst, Ms(Clock::now() - start));
            ++pages;
        }
        std::printf("scroll_pages %d\nscroll_max_ms %.2f\n", pages, worst);
    }

    quarrow::ui::CQuarrowView& m_view;
    bool m_done = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quarrow_gui_bench FILE.tags\n");
        return 2;
    }
    QTemporaryDir home;
    const std::string dir = home.path().toStdString() + "/";
    quarrow::ui::CQuarrowApp::Options options = BenchAppOptions(dir);
    std::unique_ptr<PaintWatch> watch;
    options.viewCreated = [&watch](quarrow::ui::CQuarrowView& view) {
        watch = std::make_unique<PaintWatch>(view);
        view.viewport()->installEventFilter(watch.get());
    };
    quarrow::ui::CQuarrowApp app(options);
    int code = 1;
    if (app.Startup({argv[1]})) {
        app.MainWindow()->resize(400, 800);
        code = QApplication::exec();
    }
    std::fflush(stdout);
    // The measurement is done: leave without freeing the store piece by piece.
    std::_Exit(app.Shutdown(code));
}
