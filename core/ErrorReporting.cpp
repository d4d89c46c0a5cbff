#include "ErrorReporting.h"

#include "res/Strings.h"

#include <cstdio>
#include <limits>
#include <new>
#include <string>

namespace tonwerk::core {

namespace {

// Module name reported by the memory helpers' internal errors.
constexpr std::string_view kModule = "th_midi";

} // namespace

MessageAnswer defaultAnswer(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    }
    return MessageAnswer::Ok;
}

MessageRequest messageOf(MessageKind kind, std::string_view text, MessageButtons buttons) {
    MessageRequest request;
    request.text = std::string(text);
    request.buttons = buttons;
    switch (kind) {
    case MessageKind::Notice:
        request.caption = res::loadString(res::StringId::kCaptionNotice);
        request.icon = MessageIcon::Information;
        break;
    case MessageKind::Warning:
        request.caption = res::loadString(res::StringId::kCaptionWarning);
        request.icon = MessageIcon::Warning;
        break;
    case MessageKind::Error:
        request.caption = res::loadString(res::StringId::kCaptionError);
        request.icon = MessageIcon::Error;
        break;
    case MessageKind::FatalError:
        request.caption = res::loadString(res::StringId::kCaptionFatalError);
        request.icon = MessageIcon::Error;
        break;
    case MessageKind::Confirm:
        request.caption = res::loadString(res::StringId::kCaptionConfirm);
        request.icon = MessageIcon::Question;
        break;
    }
    return request;
}

MessageAnswer showMessage(Notifier& notifier, std::string_view text, MessageKind kind, MessageButtons buttons) {
    return notifier.notify(messageOf(kind, text, buttons));
}

MessageAnswer showMessage(Notifier& notifier, int stringId, MessageKind kind, MessageButtons buttons) {
    return showMessage(notifier, res::loadString(stringId), kind, buttons);
}

void internalError(Notifier& notifier, std::string_view message, std::string_view sourceFile, long line) {
    std::string text = "Sorry, Internal Error!\n ";
    text += message;
    text += "\nFile: ";
    text += sourceFile;
    text += "\nLine: ";
    text += std::to_string(line);
    text += "\n";
    notifier.notify(messageOf(MessageKind::Error, text));
}

GlobalBlock allocGlobal(Notifier& notifier, std::int64_t bytes) {
    if (bytes < 0) {
        internalError(notifier, "Negative memory allocation!", kModule, __LINE__);
        return nullptr;
    }
    GlobalBlock block;
    if (static_cast<std::uint64_t>(bytes) <= std::numeric_limits<std::size_t>::max()) {
        block.reset(new (std::nothrow) std::byte[static_cast<std::size_t>(bytes)]());
    }
    if (!block) {
        showMessage(notifier, "No global memory in MyAllocGlobalPtr");
    }
    return block;
}

void freeGlobal(Notifier& notifier, GlobalBlock& block, std::int64_t bytes) {
    if (bytes < 0) {
        internalError(notifier, "Negative memory allocation!", kModule, __LINE__);
        return;
    }
    if (!block) {
        internalError(notifier, "Negative memory deallocation!", kModule, __LINE__);
        return;
    }
    block.reset();
}

} // namespace tonwerk::core
