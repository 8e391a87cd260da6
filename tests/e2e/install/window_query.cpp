// Waits until a running quarrow in a runtime folder shows a main window with the given title,
// through the socket every instance answers on, and then asks it to close. For runs where no
// window system can be asked (the offscreen platform).
//   window_query RUNTIME_DIR TITLE [SECONDS]
// Exits 0 once the window was found and the close request taken; 1 otherwise, printing the
// titles it saw.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <cstdio>

#include "platform/ui/instance_client.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: window_query RUNTIME_DIR TITLE [SECONDS]\n");
        return 2;
    }
    const QString runtimeDir = args[1];
    const QString title = args[2];
    const int seconds = args.size() > 3 ? args[3].toInt() : 30;
    QStringList seen;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000LL) {
        for (const QString& socket : quarrow::LiveInstanceSockets(runtimeDir)) {
            const std::optional<QString> shown = quarrow::QueryInstanceTitle(socket);
            if (!shown) {
                continue;
            }
            if (*shown == title) {
                std::printf("found \"%s\"\n", qUtf8Printable(title));
                return quarrow::RequestInstanceClose(socket) ? 0 : 1;
            }
            if (!seen.contains(*shown)) {
                seen << *shown;
            }
        }
        QThread::msleep(50);  // the instance is still starting: its socket is not there yet
    }
    std::printf("no window titled \"%s\"; seen: %s\n", qUtf8Printable(title), qUtf8Printable(seen.join(QStringLiteral(", "))));
    return 1;
}
