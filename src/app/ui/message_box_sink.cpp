#include "app/ui/message_box_sink.h"

#include <QMessageBox>

#include "platform/ui/message_translation.h"

namespace quarrow::ui {
namespace {

constexpr qsizetype kMaxShown = 1200;  // characters; a longer text loses its middle
constexpr qsizetype kWrapRun = 60;     // a run of this many characters without a blank may wrap

}  // namespace

QString MessageBoxSink::BoxText(std::string_view text) {
    QString shown = TranslateMessage(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    if (shown.size() > kMaxShown) {
        shown = shown.left(kMaxShown / 2) + QStringLiteral(" … ") + shown.right(kMaxShown / 2);
    }
    // A path of thousands of characters has no blank to wrap at: offer a break every so often.
    QString result;
    result.reserve(shown.size() + shown.size() / kWrapRun);
    qsizetype run = 0;
    for (const QChar c : shown) {
        result.append(c);
        run = c.isSpace() ? 0 : run + 1;
        if (run >= kWrapRun && !c.isHighSurrogate()) {
            result.append(QChar(0x200B));  // zero-width space
            run = 0;
        }
    }
    return result;
}

void MessageBoxSink::ShowMessage(std::string_view text) {
    const QString boxText = BoxText(text);
    if (m_show) {
        m_show(m_parent.data(), boxText);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quarrow"), boxText, QMessageBox::Ok, m_parent.data());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace quarrow::ui
