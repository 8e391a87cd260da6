// The quarrow program: the tags browser's window.

#include <QApplication>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/about/program_icon.h"
#include "app/ui/quarrow_app.h"
#include "app/version_info.h"

namespace {

constexpr const char* kUsage =
    "Usage: quarrow [TAGSFILE | -T/ABSOLUTE/SOURCE/FOLDER]\n"
    "Shows the tags of a source tree as a tree; choosing a tag opens your editor at it.\n"
    "\n"
    "  TAGSFILE         show this tags file\n"
    "  -T/FOLDER        run ctags over the folder (an absolute path, directly after -T) and\n"
    "                   show its tags\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "With no argument the window opens empty, or with the tags file shown last when the\n"
    "profile says so. The profile is quarrow.INI beside the program when that folder is\n"
    "writable, else in ${XDG_CONFIG_HOME:-~/.config}/quarrow/.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before any window system is needed, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::fputs(quarrow::CommandLineVersionText("quarrow").c_str(), stdout);
            return 0;
        }
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrow"));
    QApplication::setDesktopFileName(QStringLiteral("org.quarrow.Quarrow"));
    QApplication::setWindowIcon(quarrow::ui::ProgramIcon());
    // Qt has taken its own options out of argv; the rest is the program's command line.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    int exitCode = 0;
    {
        quarrow::ui::CQuarrowApp app;
        if (app.Startup(arguments)) {
            exitCode = QApplication::exec();
        }
        exitCode = app.Shutdown(exitCode);
    }
    return exitCode;
}
