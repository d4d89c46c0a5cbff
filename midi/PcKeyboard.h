#pragma once

#include "EngineHooks.h"
#include "Split.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tonwerk::midi {

// The PC keyboard as a second instrument: its two lowest letter rows are a keyboard of one and a
// half octaves, the digit row, the top letter row and the keypad trigger the pads, the space bar is
// the sustain pedal, Insert and Delete work the transport and Ctrl+C / Ctrl+V copy splits. Keys are
// known by their position (set-1 scan codes, the same on every layout), so a German, US or French
// keyboard plays the same notes from the same places.
//
// Everything a key does goes to a host; this class only decides what. Dispatcher's thread.

// What a key is.
enum class PcKeyKind { None, Note, Pad, Sustain, ClipToggle, Copy, Paste, Stop, Record };

struct PcKey {
    PcKeyKind kind = PcKeyKind::None;
    int value = 0; // the semitone offset of a note key, the pad (0-15), the clip split (17 or 18)
};

// The key at scan code `scanCode` (the Ctrl state decides C and V).
[[nodiscard]] PcKey pcKeyAt(int scanCode, bool ctrl);

// The note pad `pad` (0-15) plays on the screen shown: 36-43 and 84-91; on the Rock screen (and
// the easy layout) 91 becomes 60.
[[nodiscard]] int pcPadNote(ScreenKind screen, int pad, bool rockReplacement = true);

// The key names under the on-screen keyboard (strings 3150 / 3151): US English has its own, every
// other language the German one.
[[nodiscard]] int keyboardLabelString(std::uint32_t keyboardLayout);

class PcKeyboardHost {
public:
    virtual ~PcKeyboardHost() = default;
    // A note through the MIDI input path as user input (note-ons take the keyboard velocity).
    virtual void injectNote(ShortMessage message) = 0;
    // Any other message through the input path as it is (the sustain pedal, controller 103).
    virtual void injectMessage(ShortMessage message) = 0;
    virtual void copySplit() {}
    virtual void pasteSplit() {}
    virtual void showStopPressed() {}
    virtual void stop() {}
    virtual void toggleRecord() {}
    // Shift with a pad key: the loop hold of a synchronised sample split.
    virtual void toggleLoopHold(int /*split*/) {}
    // Whether the clip of split 17 or 18 runs (its run flag 0x1).
    [[nodiscard]] virtual bool clipRunning(int /*split*/) const { return false; }
};

class PcKeyboard {
public:
    struct Settings {
        bool active = true; // "PC-Keyboard": without it only copy, paste and Stop work
        int channel = 0;    // 0-15
        int octave = 2;     // of the lowest key, on the Master screen
        ScreenKind screen = ScreenKind::Dj;
    };
    static constexpr std::size_t kHeldKeys = 64;

    explicit PcKeyboard(PcKeyboardHost& host) : m_host(host) {}

    [[nodiscard]] Settings& settings() { return m_settings; }

    // A key went down or up. The host filters auto-repeats (both the repeated presses and their
    // releases): a held key gives one down and one up.
    void keyDown(int scanCode, bool ctrl, bool shift);
    void keyUp(int scanCode);
    // Every held key released (the window lost the keyboard): each gets its note-off.
    void releaseAll();

    [[nodiscard]] bool held(int scanCode) const;
    [[nodiscard]] int heldCount() const;

private:
    // What a key that is down injected, released exactly so at key-up: a change of octave or
    // screen while it is held cannot strand its note.
    struct Held {
        int scanCode = -1;
        ShortMessage release = 0; // the message its release injects (0: none)
        bool note = false;        // injected as a user note (else as a plain message)
    };
    void remember(int scanCode, ShortMessage release, bool note);
    void release(Held& slot);

    PcKeyboardHost& m_host;
    Settings m_settings;
    std::array<Held, kHeldKeys> m_held{};
    std::size_t m_nextSlot = 0;
};

} // namespace tonwerk::midi
