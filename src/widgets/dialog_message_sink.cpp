#include "widgets/dialog_message_sink.h"

#include <QMessageBox>

#include "platform/ui/message_translation.h"

namespace quarrow::ui {

void DialogMessageSink::ShowMessage(std::string_view text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quarrow"),
                    TranslateMessage(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))), QMessageBox::Ok,
                    m_parent.data());
    box.exec();
}

}  // namespace quarrow::ui
