#pragma once

#include "midi/Split.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tonwerk::ui {

// The performance screens' command controls as data: which exist on which screen, where they sit
// (client pixels of the 801 × 584 screen), which face bitmaps they wear and how they behave. The
// screen builds its bitmap buttons from these tables; nothing here knows Qt.

// A rectangle in the screen's logical pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    [[nodiscard]] bool intersects(const PixelRect& o) const {
        return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
    }
    bool operator==(const PixelRect&) const = default;
};

// How a bitmap button behaves.
namespace ButtonKind {
inline constexpr std::uint32_t kPush = 0x1;   // sends its command when released inside
inline constexpr std::uint32_t kToggle = 0x2; // flips between pressed and released on every click
inline constexpr std::uint32_t kRepeat = 0x4; // while held down, the command repeats every 160 ms
} // namespace ButtonKind

// The placeholder every screen control is given as its normal bitmap.
inline constexpr int kPlaceholderBitmap = 434;

// One command control of a screen.
struct ScreenControl {
    int id = 0;                   // the id its commands carry
    const char* name = "";        // what it is, for people and tests
    PixelRect rect;               // where it sits
    int face = 0;                 // its face bitmap
    std::array<int, 2> further{}; // up to two more faces (0: none)
    std::uint32_t kind = ButtonKind::kPush;
};

// The controls of one screen in the order the screen builds them: Master (table 1 and the split
// list's on/off and solo buttons), DJ and Rock (table 2 with their faces, then the pads); the easy
// layout is built like the Rock screen.
[[nodiscard]] std::vector<ScreenControl> screenControls(midi::ScreenKind screen);

// The pads: ids 1313-1328, pad n (1-16) standing for split n - 1.
inline constexpr int kFirstPadId = 1313;
inline constexpr int kPadCount = 16;
// The note pad `pad` (1-16) plays on channel 1: pads 1-8 notes 36-43, pads 9-16 notes 84-91; on
// the Rock screen (and the easy layout) pad 16 plays note 60.
[[nodiscard]] int padNote(midi::ScreenKind screen, int pad);

// The Master screen's split list shows 9 rows; each has an on/off and a solo button.
inline constexpr int kVisibleSplitRows = 9;
[[nodiscard]] int onOffButtonId(int row);
[[nodiscard]] int soloButtonId(int row);

// The screen's other parts: displays, meters, sliders, the split list, the keyboard, and the places
// kept for the parts the file browser, key-range bar and video monitor bring. Where each sits is
// this program's choice; their ids are the controls' ids of the screen dialog.
enum class PanelKind {
    LevelMeter,       // controls 1285-1300, one per split 1-16 (`index` 0-15)
    VelocityDisplay,  // the keyboard velocity beside its arrows
    TempoDisplay,     // the setup tempo
    PitchDisplay,     // the setup pitch in semitones
    BarDisplay,       // 1515: the bar of the song position or the synchronised loop
    BeatDisplay,      // 1516: the beat
    LengthDisplay,    // 1517: the song's length
    KeyboardVelocity, // 1195: vertical slider 0-127
    JoystickVelocity, // 1197: vertical slider, hidden until the joystick plays
    Crossfader,       // 1334: horizontal slider 0-127 (DJ screen)
    SplitList,        // 1015: the 24 splits (shown on the Master screen)
    Keyboard,         // 1052: the on-screen keyboard
    NoteColourBar,    // 1240
    KeyRangeBar,      // 1000: kept free for the key-range bar
    VideoMonitor,     // kept free for the embedded video monitor
    FolderList,       // 1374-1377: kept free for the file browser's four lists
    MediaList,
    StyleList,
    SetupList,
    Label, // a caption of the row buttons
};

struct ScreenPanel {
    int id = 0;
    PanelKind kind = PanelKind::Label;
    PixelRect rect;
    const char* label = ""; // drawn in `labelRect` in the screen's label colour
    PixelRect labelRect;    // empty: no label on the screen (the control's tooltip names it)
    int index = 0;          // the meter's split (0-15)
};

// The panels of a screen (the easy layout has the Rock screen's).
[[nodiscard]] std::vector<ScreenPanel> screenPanels(midi::ScreenKind screen);
inline constexpr int kFirstMeterId = 1285;

// The screen's size in logical pixels.
inline constexpr int kScreenWidth = 801;
inline constexpr int kScreenHeight = 584;

} // namespace tonwerk::ui
