// A stand-in for the program: applies the single-instance rule like start-up does, shows a fixed
// window title to later instances and ends through its close path when asked to.
//   single_instance_probe --title T --marker FILE [--no-rule] [--fallback DIR]
// Prints "outcome lock=<0|1> existed=<0|1> requested=<0|1> listening=<0|1>", then "ready".

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

#include "platform/ui/single_instance.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString title;
    QString marker;
    QString fallback = QStringLiteral("/tmp");
    bool applyRule = true;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--title") && i + 1 < args.size()) {
            title = args[++i];
        } else if (args[i] == QLatin1String("--marker") && i + 1 < args.size()) {
            marker = args[++i];
        } else if (args[i] == QLatin1String("--fallback") && i + 1 < args.size()) {
            fallback = args[++i];
        } else if (args[i] == QLatin1String("--no-rule")) {
            applyRule = false;
        }
    }

    auto instance = quarrow::SingleInstance::Apply(
        {applyRule, fallback.toStdString(), QStringLiteral("QR-SOURCE.tags - Quarrow")});
    const quarrow::SingleInstanceOutcome& outcome = instance->Outcome();
    std::printf("outcome lock=%d existed=%d requested=%d listening=%d\n", outcome.lockHeld,
                outcome.existedAlready, outcome.closeRequested, outcome.listening);

    instance->SetWindowHooks([title] { return title; },
                             [marker] {
                                 QFile file(marker);
                                 if (file.open(QIODevice::Append)) {
                                     file.write("closed\n");
                                 }
                                 QCoreApplication::quit();
                             });
    std::printf("ready\n");
    std::fflush(stdout);
    const int code = app.exec();
    instance.reset();
    return code;
}
