#pragma once

#include "midi/EngineHooks.h"
#include "midi/Split.h"

#include <cstdint>

namespace tonwerk::ui {

// The joystick as a second instrument on the Rock and DJ screens, as plain bookkeeping: the stick's
// direction selects a pad zone, its deflection the velocity, button 1 plays the zone's note,
// button 2 turns the stick into an x/y controller for the velocity slider and the cross-fader,
// button 3 and Tab switch the DJ screen between the lower and the upper eight pads.

// A stick position: x and y 0-65535 with the centre at 32768 (y grows downwards).
inline constexpr int kStickCentre = 32768;
inline constexpr int kDeadZone = 32;

// The deflection in steps of 160 (0-160); 32 or less is the dead zone.
[[nodiscard]] int stickRadius(int x, int y);
// The velocity of a deflection outside the dead zone (0-127).
[[nodiscard]] int stickVelocity(int radius);
// The pad zone (1-16) of a direction: sectors counterclockwise from the right, 8 on the DJ screen
// (the upper bank adds 8, mirrored) and 16 on the Rock screen; zone 1 just left of straight down.
[[nodiscard]] int stickZone(midi::ScreenKind screen, int x, int y, bool upperBank);
// The note a zone plays, as the pads: 36-43, 84-91, 60 for zone 16 on the Rock screen.
[[nodiscard]] int zoneNote(midi::ScreenKind screen, int zone);
// Button 2's controller values: x 0-127 left to right, y 127 at the top.
[[nodiscard]] int stickControllerX(int x);
[[nodiscard]] int stickControllerY(int y);

// One poll of the stick.
struct StickState {
    int x = kStickCentre;
    int y = kStickCentre;
    bool button1 = false;
    bool button2 = false;
    bool button3 = false;
    bool tab = false;  // the Tab key is down
    bool ctrl = false; // the Ctrl key is down
};

// What the player does, for the screen to carry out.
class JoystickHost {
public:
    virtual ~JoystickHost() = default;
    // Through the MIDI input path with its own velocity (button 1's controllers and note-on).
    virtual void inject(midi::ShortMessage message) = 0;
    // Through the input path as user input (the note-offs).
    virtual void injectUser(midi::ShortMessage message) = 0;
    virtual void lightZone(int /*zone*/, bool /*lit*/) {}
    virtual void showVelocity(int /*velocity*/) {}
    virtual void setVelocitySlider(int /*value*/) {}
    virtual void setCrossfader(int /*value*/) {}
};

// UI thread (it polls).
class JoystickPlayer {
public:
    explicit JoystickPlayer(JoystickHost& host) : m_host(host) {}

    // The screen now shown; other screens than Rock and DJ ignore the stick. A change releases
    // what the stick held.
    void setScreen(midi::ScreenKind screen);
    // One poll.
    void update(const StickState& state);
    // The stick is gone (unplugged): its note ends, its pad darkens.
    void disconnected();

    [[nodiscard]] int zone() const { return m_zone; }
    [[nodiscard]] bool upperBank() const { return m_upperBank; }
    [[nodiscard]] int velocity() const { return m_velocity; }

private:
    void releaseZone();

    JoystickHost& m_host;
    midi::ScreenKind m_screen = midi::ScreenKind::Dj;
    StickState m_last;
    int m_zone = 0;
    int m_velocity = 0;
    int m_sliderValue = -1;
    bool m_upperBank = false;
    bool m_playing = false; // button 1 started the current zone's note
    int m_playingNote = -1; // and this is the note it started
};

} // namespace tonwerk::ui
