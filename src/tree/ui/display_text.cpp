#include "tree/ui/display_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace quarrow::ui {

QString DisplayText(std::string_view bytes, CodePage cp) {
    const auto size = static_cast<qsizetype>(bytes.size());
    if (cp == CodePage::ShiftJis) {
        // One decoder per thread; each call starts from a clean state so a cut character of one
        // label never runs into the next.
        thread_local QStringDecoder decoder("Shift_JIS", QStringDecoder::Flag::Stateless);
        if (decoder.isValid()) {
            decoder.resetState();
            return decoder.decode(QByteArrayView(bytes.data(), size));
        }
    }
    return QString::fromUtf8(bytes.data(), size);
}

std::string CodePageBytes(const QString& text, CodePage cp) {
    if (cp == CodePage::ShiftJis) {
        QStringEncoder encoder("Shift_JIS", QStringEncoder::Flag::Stateless);
        if (encoder.isValid()) {
            const QByteArray bytes = encoder.encode(text);
            return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
        }
    }
    return text.toStdString();
}

}  // namespace quarrow::ui
