#pragma once
// Modal messages: the desktop program shows a dialog, the command line prints
// "caption: text" to standard error, tests record what was shown.

#include <string>
#include <string_view>
#include <vector>

#include "common/TuneProblem.h"

namespace skirlo {

enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// Caption used by a message that has none of its own.
inline constexpr std::string_view kApplicationTitle = "Skirlo";

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual MessageAnswer show(std::string_view text, std::string_view caption,
                               MessageButtons buttons = MessageButtons::Ok) = 0;
    // A problem of the tune text met while building. Shown as its message
    // box by default; a sink that knows the text's places may say where.
    virtual void report(const TuneProblem& problem);
};

// Prints "caption: text" on standard error and answers Ok / Yes.
class StderrMessageSink final : public MessageSink {
public:
    MessageAnswer show(std::string_view text, std::string_view caption, MessageButtons buttons) override;
};

// Keeps every message; answers with a preset answer (Ok for an Ok box).
class RecordingMessageSink final : public MessageSink {
public:
    struct Message {
        std::string text;
        std::string caption;
        MessageButtons buttons;
    };
    MessageAnswer show(std::string_view text, std::string_view caption, MessageButtons buttons) override;
    void setAnswer(MessageAnswer answer) { answer_ = answer; }
    const std::vector<Message>& messages() const { return messages_; }
    void clear() { messages_.clear(); }

private:
    std::vector<Message> messages_;
    MessageAnswer answer_ = MessageAnswer::Yes;
};

}  // namespace skirlo
