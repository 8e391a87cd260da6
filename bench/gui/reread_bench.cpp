// Reading the shown tags file again with the user's place kept, against a plain first open of the
// same file, in one run of the window. Each round: open a small other file, then open FILE (a
// plain open, timed to the painted tree); open a few hundred folders and files, select a member
// and scroll to it; then open FILE again (timed the same way, place captured and restored).
// Prints, on standard output:
//   open_ms R       the plain open of round R
//   reread_ms R     the reading again with the place kept of round R
//   expanded N / restored_expanded N / selection_kept 0|1
//   best_open_ms, best_reread_ms, ratio (best reread / best open)
// Usage: quarrow_reread_bench FILE.tags [ROUNDS] [EXPAND]   (QT_QPA_PLATFORM=offscreen or a display)

#include <QApplication>
#include <QItemSelectionModel>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "app/ui/main_frame.h"
#include "bench_app.h"
#include "app/ui/quarrow_app.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "tree/ui/quarrow_view.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int CountExpanded(const quarrow::ui::CQuarrowView& view) {
    const quarrow::TagTree& tree = view.Model().Tree();
    int count = 0;
    for (quarrow::TagTree::Id id = 0; id < tree.NodeCount(); ++id) {
        if (tree.ChildCount(id) > 0 && view.isExpanded(view.Model().IndexOf(id))) {
            ++count;
        }
    }
    return count;
}

// Opens `wanted` nodes spread over the tree: every k-th folder and its first files.
void OpenSome(quarrow::ui::CQuarrowView& view, int wanted) {
    auto& model = view.Model();
    const int folders = model.rowCount();
    const int step = std::max(1, folders / std::max(1, wanted / 3));
    int opened = 0;
    for (int row = 0; row < folders && opened < wanted; row += step) {
        const QModelIndex folder = model.index(row, 0);
        view.expand(folder);
        ++opened;
        for (int file = 0; file < std::min(2, model.rowCount(folder)) && opened < wanted; ++file) {
            view.expand(model.index(file, 0, folder));
            ++opened;
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quarrow_reread_bench FILE.tags [ROUNDS] [EXPAND]\n");
        return 2;
    }
    const std::string tags = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int expand = argc > 3 ? std::atoi(argv[3]) : 300;
    QTemporaryDir home;
    const std::string dir = home.path().toStdString() + "/";
    const std::string other = dir + "other.tags";
    std::ofstream(other) << "x\tsrc/X.java\t/^class X {$/;\"\tc\tline:1\n";
    quarrow::ui::CQuarrowApp::Options options = BenchAppOptions(dir);
    quarrow::ui::CQuarrowApp app(options);
    if (!app.Startup({other})) {
        return 1;
    }
    WaitForLoad(app);
    app.MainWindow()->resize(400, 800);
    QApplication::processEvents();
    quarrow::ui::CQuarrowView& view = *app.View();

    double bestOpen = 1e300;
    double bestReread = 1e300;
    for (int round = 0; round < rounds; ++round) {
        app.OpenDocumentFile(other);
        WaitForLoad(app);
        QApplication::processEvents();
        auto start = Clock::now();
        app.OpenDocumentFile(tags);
        WaitForLoad(app);
        view.viewport()->repaint();
        const double open = Ms(Clock::now() - start);
        bestOpen = std::min(bestOpen, open);
        std::printf("open_ms %d %.1f\n", round, open);

        OpenSome(view, expand);
        // A member of the last opened file, selected and scrolled to the top.
        const QModelIndex last = view.Model().index(view.Model().rowCount() - 1, 0);
        QModelIndex member;
        for (int row = view.Model().rowCount() - 1; row >= 0 && !member.isValid(); --row) {
            const QModelIndex folder = view.Model().index(row, 0);
            if (view.isExpanded(folder) && view.Model().rowCount(folder) > 0) {
                const QModelIndex file = view.Model().index(0, 0, folder);
                if (view.Model().rowCount(file) > 0) {
                    member = view.Model().index(view.Model().rowCount(file) / 2, 0, file);
                }
            }
        }
        (void)last;
        view.selectionModel()->setCurrentIndex(member, QItemSelectionModel::ClearAndSelect);
        view.scrollTo(member, QAbstractItemView::PositionAtTop);
        view.viewport()->repaint();
        const int expanded = CountExpanded(view);
        const QString selected = view.Model().LabelOf(member);
        const QString parentLabel = view.Model().LabelOf(member.parent());

        start = Clock::now();
        app.OpenDocumentFile(tags);
        WaitForLoad(app);
        view.viewport()->repaint();
        const double reread = Ms(Clock::now() - start);
        bestReread = std::min(bestReread, reread);
        std::printf("reread_ms %d %.1f\n", round, reread);

        const QModelIndexList now = view.selectionModel()->selectedIndexes();
        const bool kept = !now.isEmpty() && view.Model().LabelOf(now.first()) == selected &&
                          view.Model().LabelOf(now.first().parent()) == parentLabel;
        std::printf("expanded %d\nrestored_expanded %d\nselection_kept %d\n", expanded, CountExpanded(view),
                    kept ? 1 : 0);
        view.collapseAll();
    }
    std::printf("best_open_ms %.1f\nbest_reread_ms %.1f\nratio %.3f\n", bestOpen, bestReread, bestReread / bestOpen);
    std::fflush(stdout);
    std::_Exit(app.Shutdown(0));
}
