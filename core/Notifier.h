#pragma once

#include <string>

namespace tonwerk::core {

// How the program tells the performer something: every failure the engines report ends up here.
// The program shows a message box, the command-line host prints to stderr, tests record.

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

// The five kinds of box the program uses; each has its caption (strings 3004–3008) and icon.
enum class MessageKind { Notice, Warning, Error, FatalError, Confirm };

struct MessageRequest {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

class Notifier {
public:
    virtual ~Notifier() = default;

    // Shows the message and returns the performer's answer. On the thread that owns the user
    // interface this may block until the box is answered. From any other thread the message is
    // queued to that thread and the call returns at once with the default answer (the first
    // button: Ok, Yes or Retry), since a timer or worker thread must never wait for a person.
    // Any thread except the audio callback; blocks only on the user-interface thread.
    virtual MessageAnswer notify(const MessageRequest& request) = 0;
};

// The answer a box gives when nobody can be asked: its first button.
[[nodiscard]] MessageAnswer defaultAnswer(MessageButtons buttons);

} // namespace tonwerk::core
