#pragma once

#include "midi/Split.h"

#include <optional>
#include <string>
#include <string_view>

namespace tonwerk::ui {

// The screens' command rules that are plain arithmetic, apart from the widgets that trigger them.

// Command and control ids of the screens.
namespace CommandId {
inline constexpr int kRecord = 1280;
inline constexpr int kPlay = 1281;
inline constexpr int kStop = 1282;
inline constexpr int kBreak = 1374;
inline constexpr int kOpenMidiFile = 1283;
inline constexpr int kSaveMidiFile = 1284;
inline constexpr int kBeatForward = 1501;
inline constexpr int kBeatBack = 1502;
inline constexpr int kBarForward = 1503;
inline constexpr int kBarBack = 1504;
inline constexpr int kVelocityUp = 1505;
inline constexpr int kVelocityDown = 1506;
inline constexpr int kTempoUp = 1507;
inline constexpr int kTempoDown = 1508;
inline constexpr int kPitchUp = 1509;
inline constexpr int kPitchDown = 1510;
inline constexpr int kRockMenu = 1329;
inline constexpr int kDjMenu = 1330;
inline constexpr int kMasterMenu = 1331;
inline constexpr int kNothing = 1332;
inline constexpr int kRockButton = 1472;
inline constexpr int kDjButton = 1473;
inline constexpr int kMasterButton = 1474;
inline constexpr int kVideo1 = 1335;
inline constexpr int kVideo2 = 1336;
inline constexpr int kListUp = 1337;
inline constexpr int kListDown = 1338;
inline constexpr int kTaskMidi = 32774;
inline constexpr int kTaskSample = 32775;
inline constexpr int kTaskAvi = 32776;
inline constexpr int kFirstInChannel = 32777;  // ... 32792
inline constexpr int kFirstOutChannel = 32798; // ... 32813
inline constexpr int kOctaveDown = 32833;
inline constexpr int kOctaveUp = 32834;
inline constexpr int kOriginalPitch = 32835;
inline constexpr int kMidiKeyboardRange = 32846;
inline constexpr int kPcKeyboardRange = 32847;
inline constexpr int kMenu = 1373;
inline constexpr int kMemoryMode4 = 1469;
inline constexpr int kMemoryMode2 = 1470;
inline constexpr int kMemoryMode1 = 1471;
inline constexpr int kNewSetup = 32843;
inline constexpr int kOpenSetup = 57601;
inline constexpr int kSaveSetup = 57603;
inline constexpr int kOptions = 57671;
inline constexpr int kAbout = 57664;
inline constexpr int kHelpButton = 57670;
inline constexpr int kHelpMenu = 32845;
inline constexpr int kZoom = 57673;
inline constexpr int kMidiDialog = 1262;
inline constexpr int kWaveDialog = 1263;
inline constexpr int kVideoDialog = 1264;
inline constexpr int kSfxDialog = 1265;
inline constexpr int kVeloDialog = 1266;
inline constexpr int kSplitList = 1015;
inline constexpr int kPanic = 1267;
inline constexpr int kPanicKey = 1026;
inline constexpr int kExit = 1485;
inline constexpr int kKeyboardVelocity = 1195;
inline constexpr int kCrossfader = 1334;
// The file lists' scroll buttons: one step back (up or left) or forward.
inline constexpr int kMediaListBack = 1487;
inline constexpr int kMediaListForward = 1486;
inline constexpr int kSetupListBack = 1488;
inline constexpr int kSetupListForward = 1489;
inline constexpr int kStyleListBack = 1490;
inline constexpr int kStyleListForward = 1491;
inline constexpr int kFolderListBack = 1492;
inline constexpr int kFolderListForward = 1493;
} // namespace CommandId

// The screen a switch command asks for (the menu items and the three buttons); none for others.
[[nodiscard]] std::optional<midi::ScreenKind> screenForCommand(int id);

// The sound memory mode of buttons 1469, 1470 and 1471 (4, 2 and 1); none for others.
[[nodiscard]] std::optional<int> memoryModeForCommand(int id);

// The split of a row button: visible row `row` (0-8) below `topRow`, at most split 23.
[[nodiscard]] int splitForRow(int row, int topRow);
// The visible row (0-8) of an on/off (129-136, 138) or solo (121-128, 137) button; none else.
[[nodiscard]] std::optional<int> rowOfOnOffButton(int id);
[[nodiscard]] std::optional<int> rowOfSoloButton(int id);

// The split-list menus: which menu a right click in a column opens.
enum class ListMenu { None, Task, OutChannel, Keys, InChannel, Transpose };
[[nodiscard]] ListMenu menuForColumn(int column);

// The transpose menu: octave up only while the transpose is 48 or less, octave down only while
// it is -48 or more; the new transpose of a menu item (none when the item is greyed).
[[nodiscard]] bool octaveUpAllowed(int transpose);
[[nodiscard]] bool octaveDownAllowed(int transpose);
[[nodiscard]] std::optional<int> transposeAfter(int id, int transpose);

// What an in-place edit of the split list stores: a channel typed 1-16 is stored as 0-15, a
// transpose -60..60 as itself; anything else (out of range, not a whole number) is ignored.
// Column 3 is the output channel, 6 the input channel, 7 the transpose.
[[nodiscard]] std::optional<int> parseCellEdit(int column, std::string_view text);
// Whether a double click on a column opens the in-place field.
[[nodiscard]] bool editableColumn(int column);

// The note of Video 1 and Video 2 (47 and 95 on channel 1), their splits (17 and 18) and video
// channels; the video side a dropped clip goes to from pad `pad` (1-8: Video 1, 9-16: Video 2).
[[nodiscard]] int videoNote(int videoButton);
[[nodiscard]] int videoSplit(int videoButton);
[[nodiscard]] int videoButtonForPad(int pad);

// What a file dropped on a control is, by its ending (case-insensitive).
enum class DroppedFile { Other, Sample, Clip };
[[nodiscard]] DroppedFile droppedFileKind(std::string_view path);

// The setup file name a save dialog gives: ".mks" appended unless the name ends in it in any case.
[[nodiscard]] std::string withExtension(std::string name, std::string_view extension);

// The song position as the bar and beat displays show it (bar and beat count from 1), and the
// song's length as "bars:beats".
struct BarBeat {
    int bar = 1;
    int beat = 1;
};
[[nodiscard]] BarBeat barBeatOf(int beats);
[[nodiscard]] std::string lengthText(int beats);

// The help context number of a screen (its Help button).
[[nodiscard]] int helpContext(midi::ScreenKind screen);

// The screen a setup loaded from the setup list asks for by split 0's `screenMask` (1 Master,
// 2 Rock, 4 DJ): none when it names the screen shown or no screen; else, of those it names, on
// the Master screen DJ before Rock, on the Rock screen DJ before Master, on the DJ screen Rock
// before Master.
[[nodiscard]] std::optional<midi::ScreenKind> screenForSetupMask(int mask, midi::ScreenKind shown);

} // namespace tonwerk::ui
