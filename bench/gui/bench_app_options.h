#pragma once
// The quarrow application's options for a benchmark run: every path (profile, tmp folder, start
// folder) inside `dir`, a scratch folder the run owns, and a profile with MULTIVIEW=1 so that no
// other instance is looked for.

#include <string>

#include "app/ui/quarrow_app.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"

namespace quarrow::bench {

inline ui::CQuarrowApp::Options BenchAppOptions(const std::string& dir) {
    Profile(dir + "quarrow.INI").WriteInt(setting_keys::kSystem, setting_keys::kMultiView, 1);
    ui::CQuarrowApp::Options options;
    AppPaths paths;
    paths.executableDirectory = paths.homeDirectory = dir;
    paths.profilePath = dir + "quarrow.INI";
    paths.temporaryDirectory = dir + "tmp";
    paths.defaultTagsPath = dir + "tmp/QR-SOURCE.tags";
    paths.startDirectory = dir;
    options.paths = paths;
    options.runtimeDirectory = dir;
    return options;
}

}  // namespace quarrow::bench
