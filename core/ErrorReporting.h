#pragma once

#include "Notifier.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tonwerk::core {

// Caption and icon of a message kind: Notice (information), Warning, Error, FATAL ERROR (error icon),
// Please Confirm (question).
[[nodiscard]] MessageRequest messageOf(MessageKind kind, std::string_view text,
                                       MessageButtons buttons = MessageButtons::Ok);

// The program's message box for plain messages, with a text or a string-table identifier.
// Any thread except the audio callback (see Notifier::notify).
MessageAnswer showMessage(Notifier& notifier, std::string_view text, MessageKind kind = MessageKind::Notice,
                          MessageButtons buttons = MessageButtons::Ok);
MessageAnswer showMessage(Notifier& notifier, int stringId, MessageKind kind = MessageKind::Notice,
                          MessageButtons buttons = MessageButtons::Ok);

// "Sorry, Internal Error!" with the message, the source module and the line, as an error box.
void internalError(Notifier& notifier, std::string_view message, std::string_view sourceFile, long line);

// A large data block (song buffers, bitmap data). Freed by freeGlobal or when it goes out of scope.
using GlobalBlock = std::unique_ptr<std::byte[]>;

// Allocates `bytes` (zero-filled). A negative size is an internal error; a failed allocation shows
// "No global memory in MyAllocGlobalPtr". Both return an empty block; 0 bytes is a valid request.
// Any thread except the audio callback (it allocates).
[[nodiscard]] GlobalBlock allocGlobal(Notifier& notifier, std::int64_t bytes);

// Frees `block` (which was allocated with `bytes`). A negative size or an empty block is an internal
// error and leaves the block as it is.
void freeGlobal(Notifier& notifier, GlobalBlock& block, std::int64_t bytes);

} // namespace tonwerk::core
