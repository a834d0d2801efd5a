#pragma once

#include <string>
#include <vector>

namespace ornyx {

// The program's name: the caption of every message box that names no other.
inline constexpr const char* kProgramName = "Ornyx Mouse";

// Where user-facing messages go: the CLI prints them, the GUI shows a message
// box with an OK button. An empty caption means the program's name.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption = {}) = 0;
};

// Keeps the messages, for tests and for callers that decide later.
class RecordingMessageSink final : public MessageSink {
public:
    struct Message {
        std::string text;
        std::string caption;
    };
    void ShowMessage(const std::string& text, const std::string& caption = {}) override {
        messages.push_back({text, caption.empty() ? kProgramName : caption});
    }
    // Shows the kept messages through `sink`, in order, and forgets them.
    void ReplayTo(MessageSink& sink) {
        std::vector<Message> kept;
        kept.swap(messages);
        for (const Message& m : kept) sink.ShowMessage(m.text, m.caption);
    }
    std::vector<Message> messages;
};

}  // namespace ornyx
