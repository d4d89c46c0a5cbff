#pragma once

#include "screens/JoystickPlayer.h"

#include <functional>

namespace tonwerk::ui {

// The first connected joystick through SDL's joystick subsystem (no SDL window, no other SDL
// part): its x and y axes as 0-65535 with the centre at 32768 and buttons 1-3, read on each poll.
// A stick plugged in later is picked up on the next poll; one pulled out is reported once.
// UI thread only.
class JoystickInput {
public:
    JoystickInput();
    ~JoystickInput();
    JoystickInput(const JoystickInput&) = delete;
    JoystickInput& operator=(const JoystickInput&) = delete;

    // Whether SDL's joystick subsystem could start (false: no stick will ever be read).
    [[nodiscard]] bool available() const { return m_available; }
    [[nodiscard]] bool connected() const { return m_stick != nullptr; }

    // Reads the stick. `state` takes its position and buttons (Tab and Ctrl stay as given);
    // returns false when no stick is connected. `lost` is set when the stick went away since the
    // last poll.
    bool poll(StickState& state, bool& lost);

private:
    void openFirst();

    bool m_available = false;
    void* m_stick = nullptr; // SDL_Joystick
    int m_instance = -1;     // its instance id
};

// An SDL axis value (-32768 ... 32767) as the stick position the player takes (0 ... 65535).
[[nodiscard]] int stickPosition(int sdlAxis);

} // namespace tonwerk::ui
