#pragma once
// The dialogs' own message box: OK button, exclamation icon, caption "Quarrow", over the dialog.

#include <QPointer>
#include <QWidget>

#include "platform/message_sink.h"

namespace quarrow::ui {

class DialogMessageSink final : public MessageSink {
public:
    explicit DialogMessageSink(QWidget* parent) : m_parent(parent) {}
    void ShowMessage(std::string_view text) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace quarrow::ui
