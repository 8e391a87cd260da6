#include "widgets/code_page_text.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace quarrow::ui {
namespace {

// The private-use block that carries raw bytes 0x80-0xFF.
constexpr char16_t kRawByteBase = 0xF780;

bool IsRawByteChar(char16_t c) noexcept { return c >= kRawByteBase && c <= kRawByteBase + 0x7F; }

const char* CodecName(CodePage cp) noexcept { return cp == CodePage::ShiftJis ? "Shift_JIS" : "UTF-8"; }

// Bytes of the one character that starts at `pos`, by the code page's lead-byte rules.
std::size_t CharacterLength(std::string_view bytes, std::size_t pos, CodePage cp) noexcept {
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    if (cp == CodePage::ShiftJis) {
        return CharWidthAt(cp, bytes, pos);
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return pos + length <= bytes.size() ? length : 1;
}

}  // namespace

QString EditTextFromBytes(std::string_view bytes, CodePage cp) {
    QStringDecoder decoder(CodecName(cp), QStringDecoder::Flag::Stateless);
    QStringEncoder encoder(CodecName(cp), QStringEncoder::Flag::Stateless);
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        if (byte < 0x80) {
            text.append(QChar(byte));
            ++pos;
            continue;
        }
        // A character is taken only when it decodes cleanly and encodes back to the same bytes.
        const std::size_t length = CharacterLength(bytes, pos, cp);
        if (decoder.isValid() && encoder.isValid()) {
            const QByteArrayView piece(bytes.data() + pos, static_cast<qsizetype>(length));
            decoder.resetState();
            const QString decoded = decoder.decode(piece);
            encoder.resetState();
            const QByteArray back = encoder.encode(decoded);
            if (!decoder.hasError() && !encoder.hasError() && !decoded.contains(QChar::ReplacementCharacter) &&
                back == piece) {
                text.append(decoded);
                pos += length;
                continue;
            }
        }
        text.append(QChar(static_cast<char16_t>(kRawByteBase + (byte - 0x80))));
        ++pos;
    }
    return text;
}

std::string BytesFromEditText(const QString& text, CodePage cp) {
    QStringEncoder encoder(CodecName(cp), QStringEncoder::Flag::Stateless);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        if (end <= runStart) {
            return;
        }
        const QStringView run = QStringView(text).mid(runStart, end - runStart);
        const QByteArray encoded = encoder.isValid() ? encoder.encode(run) : run.toUtf8();
        bytes.append(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        // ASCII is the same byte in both code pages (some converters move the control codes).
        const char16_t c = text[i].unicode();
        if (c < 0x80 || IsRawByteChar(c)) {
            flush(i);
            bytes.push_back(static_cast<char>(c < 0x80 ? c : 0x80 + (c - kRawByteBase)));
            runStart = i + 1;
        }
    }
    flush(text.size());
    return bytes;
}

std::string BytesOfChosenPath(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString PathFromBytes(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

}  // namespace quarrow::ui
