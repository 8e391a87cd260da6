#pragma once
// The window program as the benchmarks start it: a profile, temporary and runtime folders of its
// own under `dir` (which ends with a slash), several instances allowed.

#include <string>

#include "app/ui/quarrow_app.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"

inline quarrow::ui::CQuarrowApp::Options BenchAppOptions(const std::string& dir) {
    quarrow::Profile(dir + "quarrow.INI").WriteInt(quarrow::setting_keys::kSystem, quarrow::setting_keys::kMultiView, 1);
    quarrow::ui::CQuarrowApp::Options options;
    quarrow::AppPaths paths;
    paths.executableDirectory = paths.homeDirectory = dir;
    paths.profilePath = dir + "quarrow.INI";
    paths.temporaryDirectory = dir + "tmp";
    paths.defaultTagsPath = dir + "tmp/QR-SOURCE.tags";
    paths.startDirectory = dir;
    options.paths = paths;
    options.runtimeDirectory = dir;
    return options;
}

#include <QCoreApplication>
#include <QEventLoop>

#include "app/ui/single_doc_template.h"

// Lets the window run until no tags file is being read and the last one read is shown. Each turn
// sleeps until an event comes (the end of a load is one), as the window's own event loop does: the
// form with a time limit never sleeps, and its polling would take a processor from the load.
inline void WaitForLoad(quarrow::ui::CQuarrowApp& app) {
    quarrow::ui::CSingleDocTemplate* docTemplate = app.Template();
    while (docTemplate != nullptr && docTemplate->Loader().IsLoading()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
