// The quarrow program: the tags browser's window.

#include <QApplication>

#include <string>
#include <vector>

#include "app/ui/quarrow_app.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarrow"));
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
