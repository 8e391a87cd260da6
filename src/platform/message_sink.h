#pragma once
// The one way the core shows a message to the user. The window installs a sink that shows a
// message box (OK button, exclamation icon, caption "Quarrow"); tests install one that records.

#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // `text` is UTF-8 for the fixed texts of the program; bytes from files pass through as they are.
    virtual void ShowMessage(std::string_view text) = 0;
};

// Keeps every message, for tests and for command-line tools that print them.
class RecordingMessageSink final : public MessageSink {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

}  // namespace quarrow
