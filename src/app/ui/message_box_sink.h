#pragma once
// The program's message box for the core's messages: OK button, exclamation icon, caption
// "Quarrow", over the main window when there is one.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

#include "platform/message_sink.h"

namespace quarrow::ui {

class MessageBoxSink final : public MessageSink {
public:
    // Shows the box; tests replace it to record the text instead of waiting for a click.
    using ShowFunction = std::function<void(QWidget* parent, const QString& text)>;

    void SetParent(QWidget* parent) { m_parent = parent; }
    void SetShowFunction(ShowFunction show) { m_show = std::move(show); }
    void ShowMessage(std::string_view text) override;

    // The text as the box shows it, in the window's language (platform/ui/message_translation.h): bytes that are not UTF-8 become replacement characters, a
    // very long text keeps its start and end, and long runs without blanks may wrap.
    static QString BoxText(std::string_view text);

private:
    QPointer<QWidget> m_parent;
    ShowFunction m_show;
};

}  // namespace quarrow::ui
