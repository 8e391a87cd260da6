#include "widgets/exchange_dialog.h"

#include <QLineEdit>

#include "widgets/dialog_message_sink.h"
#include "widgets/dialog_text_limit.h"

namespace quarrow::ui {

ExchangeDialog::ExchangeDialog(QWidget* parent) : QDialog(parent) {}

ExchangeDialog::~ExchangeDialog() = default;

QWidget* ExchangeDialog::Control(int id) const {
    for (const auto& [controlId, control] : m_controls) {
        if (controlId == id) {
            return control;
        }
    }
    return nullptr;
}

void ExchangeDialog::SetControls(std::initializer_list<std::pair<int, QWidget*>> controls) {
    m_controls.assign(controls.begin(), controls.end());
}

void ExchangeDialog::accept() {
    if (UpdateData(true)) {
        QDialog::accept();
    }
}

bool ExchangeDialog::CheckTextLimit(QLineEdit* edit) {
    if (DialogTextLength(edit->text()) <= kDialogTextLimit) {
        return true;
    }
    RefuseField(edit, TextLimitMessage());
    return false;
}

void ExchangeDialog::ShowValidationMessage(const QString& text) {
    DialogMessageSink fallback(this);
    (m_pSink ? *m_pSink : static_cast<MessageSink&>(fallback)).ShowMessage(text.toStdString());
}

void ExchangeDialog::RefuseField(QLineEdit* edit, const QString& message) {
    ShowValidationMessage(message);
    edit->setFocus();
    edit->selectAll();
}

}  // namespace quarrow::ui
