#pragma once

#include "midi/Split.h"

#include <string>

// The state of the SFX settings dialog and its bookkeeping, without a display: what the dialog
// shows for a split, what OK makes of it, and Reset.
namespace tonwerk::ui {

// One effect group: switched on or off ("active "), and its choice of two (-1 none). A group that
// is off keeps its choice but contributes no bit.
struct SfxGroup {
    bool active = false;
    int choice = -1; // -1, 0 or 1
};

struct SfxSettings {
    SfxGroup monophony;       // 0 "lowest note only", 1 "highest note only"
    SfxGroup sustainPedal;    // 0 "only without pedal", 1 "only with pedal"
    SfxGroup noteNumber;      // 0 "x-th note only", 1 "x-th note not"
    SfxGroup mannerOfPlaying; // 0 "staccato", 1 "legato"
    bool constantPitch = false;
    bool noteToController = false;
    bool velocityToController = false;
    bool controllerThru = false;
    bool pitchwheelThru = false;
    bool aftertouchThru = false;
    bool showComment = false;
    int noteInterval = 2;   // x, 2-16
    int playingLimit = 1;   // 1-8
    int noteTarget = 1;     // 1-127
    int velocityTarget = 0; // 0-127
    std::string comment;    // at most 19 bytes
};

// The field ranges of the dialog.
inline constexpr int kVelocityOffsetTop = 123; // slider position 0; the bottom (245) is -122
inline constexpr int kMaxCommentBytes = 19;

// The dialog's state for a split, every number within its field's range.
[[nodiscard]] SfxSettings sfxSettingsOf(const midi::Split& split);

// OK: the split's effect bits, their parameters, the four active words, the comment and its
// display from `settings`. The controller, aftertouch and pitch-bend conversions (0x10000,
// 0x40000, 0x100000) are switched off, as the dialog always does.
void applySfxSettings(const SfxSettings& settings, midi::Split& split);

// "Reset": every group off with no choice, every box clear, the comment back to `comment` (the
// one the dialog opened with); the numbers stay.
void resetSfxSettings(SfxSettings& settings, const std::string& comment);

// The comment as stored: its first 19 bytes, cut before a character that would be split.
[[nodiscard]] std::string storedComment(const std::string& comment);

} // namespace tonwerk::ui
