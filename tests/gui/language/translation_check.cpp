// Reads a translation source (.ts) and lists every text without a finished English translation:
// one line per text, "missing English: [context] source". Exits 1 when there is any.
//   translation_check FILE.ts

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

#include <cstdio>

#include "japanese_text.h"

namespace {

struct Message {
    QString context;
    QString source;
    QString translation;
    QString type;  // "unfinished", "vanished", "obsolete" or empty
};

void Report(const char* problem, const Message& message) {
    std::printf("%s: [%s] %s\n", problem, qUtf8Printable(message.context), qUtf8Printable(message.source));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: translation_check FILE.ts\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    int texts = 0;
    int problems = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                message = Message{context, {}, {}, {}};
            } else if (name == QLatin1String("source")) {
                message.source = xml.readElementText();
            } else if (name == QLatin1String("translation")) {
                message.type = xml.attributes().value(QLatin1String("type")).toString();
                message.translation = xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            if (message.type == QLatin1String("vanished") || message.type == QLatin1String("obsolete")) {
                continue;
            }
            ++texts;
            if (message.translation.isEmpty() || message.type == QLatin1String("unfinished")) {
                Report("missing English", message);
                ++problems;
            } else if (quarrow::testing::HasJapanese(message.translation)) {
                Report("English still holds Japanese", message);
                ++problems;
            } else if (message.source.contains(QLatin1String("%1")) != message.translation.contains(QLatin1String("%1"))) {
                Report("English loses or adds the %1 of", message);
                ++problems;
            }
        }
    }
    if (xml.hasError()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qUtf8Printable(xml.errorString()));
        return 2;
    }
    if (texts == 0) {
        std::fprintf(stderr, "%s holds no texts\n", argv[1]);
        return 1;
    }
    std::printf("%d texts, %d without a good English translation\n", texts, problems);
    return problems == 0 ? 0 : 1;
}
