#pragma once

#include <cstdint>

namespace tonwerk::ui {

// The set-1 scan code of a key event: the key's position on the keyboard, whatever the layout
// prints on it. On X11 and Wayland the native scan code is the evdev key code + 8, and evdev key
// codes are the set-1 codes. Without a native code (offscreen, synthetic events) the position is
// taken from the key as a US keyboard has it. 0 when the key is not known.
[[nodiscard]] int scanCodeOf(std::uint32_t nativeScanCode, int qtKey, bool keypad);

} // namespace tonwerk::ui
