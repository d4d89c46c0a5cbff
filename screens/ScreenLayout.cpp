#include "ScreenLayout.h"

namespace tonwerk::ui {

namespace {

using namespace ButtonKind;

constexpr std::uint32_t kPushRepeat = kPush | kRepeat;

// Master screen.
constexpr ScreenControl kMaster[] = {
    {1337, "split list up", {694, 276, 21, 44}, 612, {}, kPushRepeat},
    {1338, "split list down", {694, 337, 21, 44}, 611, {}, kPushRepeat},
    {1473, "DJ screen", {672, 167, 88, 16}, 518, {}, kToggle},
    {1472, "Rock screen", {672, 185, 88, 17}, 519, {}, kToggle},
    {1474, "Master screen", {672, 204, 88, 16}, 520, {}, kToggle},
    {1469, "sound memory mode 4", {38, 167, 88, 16}, 515, {}, kToggle},
    {1470, "sound memory mode 2", {39, 184, 88, 17}, 517, {}, kToggle},
    {1471, "sound memory mode 1", {38, 203, 88, 16}, 516, {}, kToggle},
    {57670, "Help", {444, 415, 49, 16}, 579, {}, kPush},
    {57601, "Open setup", {453, 393, 28, 19}, 580, {}, kPush},
    {57603, "Save setup", {321, 393, 28, 19}, 585, {}, kPush},
    {1485, "Exit", {308, 415, 48, 16}, 578, {}, kPush},
    {1267, "PANIC", {416, 411, 28, 19}, 582, {}, kPush},
    {1373, "Menu", {356, 411, 28, 19}, 581, {}, kPush},
    {57673, "zoom", {317, 243, 164, 9}, 459, {}, kPush},
    {1335, "Video 1", {221, 189, 16, 33}, 457, {}, kToggle},
    {1336, "Video 2", {562, 189, 15, 33}, 458, {}, kToggle},
    {1266, "Velo", {84, 346, 61, 22}, 587, {}, kPush},
    {1265, "SFX", {84, 373, 61, 21}, 588, {}, kPush},
    {1262, "MIDI", {84, 261, 61, 21}, 589, {592, 0}, kPush},
    {1263, "Wave", {84, 318, 61, 21}, 591, {594, 0}, kPush},
    {1264, "Video", {84, 290, 61, 21}, 590, {593, 0}, kPush},
    {1374, "Break", {384, 410, 32, 20}, 577, {}, kPush},
    {1281, "Play", {366, 432, 68, 20}, 583, {}, kToggle},
    {1282, "Stop", {436, 433, 60, 20}, 586, {}, kPush},
    {1280, "Record", {303, 433, 61, 20}, 584, {}, kToggle},
    {1506, "velocity down", {374, 399, 8, 4}, 605, {}, kPushRepeat},
    {1505, "velocity up", {374, 393, 8, 4}, 604, {}, kPushRepeat},
    {1508, "tempo down", {405, 399, 8, 4}, 605, {}, kPushRepeat},
    {1507, "tempo up", {405, 393, 8, 4}, 604, {}, kPushRepeat},
    {1510, "pitch down", {435, 399, 8, 4}, 605, {}, kPushRepeat},
    {1509, "pitch up", {435, 393, 8, 4}, 604, {}, kPushRepeat},
    {1502, "beat back", {158, 431, 12, 10}, 510, {}, kPushRepeat},
    {1501, "beat forward", {158, 417, 12, 10}, 511, {}, kPushRepeat},
    {1504, "bar back", {94, 431, 12, 10}, 510, {}, kPushRepeat},
    {1503, "bar forward", {94, 417, 12, 10}, 511, {}, kPushRepeat},
};

// DJ and Rock screens: one position each, the DJ face and, where it differs, the Rock face.
struct SharedControl {
    ScreenControl control; // with the DJ face
    int rockFace = 0;      // 0: the same face
};

constexpr SharedControl kDjRock[] = {
    {{1473, "DJ screen", {672, 167, 88, 16}, 518, {}, kToggle}, 0},
    {{1472, "Rock screen", {672, 185, 88, 17}, 519, {}, kToggle}, 0},
    {{1474, "Master screen", {672, 204, 88, 16}, 520, {}, kToggle}, 0},
    {{1469, "sound memory mode 4", {38, 167, 88, 16}, 515, {}, kToggle}, 0},
    {{1470, "sound memory mode 2", {39, 184, 88, 17}, 517, {}, kToggle}, 0},
    {{1471, "sound memory mode 1", {38, 203, 88, 16}, 516, {}, kToggle}, 0},
    {{1492, "folder list back", {131, 278, 56, 15}, 447, {}, kPush}, 0},
    {{1493, "folder list forward", {131, 379, 56, 15}, 449, {}, kPush}, 0},
    {{1488, "setup list back", {612, 278, 57, 15}, 454, {}, kPush}, 0},
    {{1489, "setup list forward", {612, 379, 57, 15}, 452, {}, kPush}, 0},
    {{1487, "media list back", {231, 314, 17, 38}, 450, {}, kPush}, 0},
    {{1486, "media list forward", {551, 314, 17, 38}, 451, {}, kPush}, 0},
    {{1490, "style list back", {231, 375, 17, 17}, 455, {}, kPush}, 0},
    {{1491, "style list forward", {551, 375, 17, 17}, 456, {}, kPush}, 0},
    {{57670, "Help", {468, 497, 73, 23}, 437, {}, kPush}, 0},
    {{57601, "Open setup", {479, 467, 43, 27}, 433, {}, kPush}, 0},
    {{57603, "Save setup", {278, 467, 43, 27}, 435, {}, kPush}, 0},
    {{1485, "Exit", {256, 497, 72, 23}, 394, {}, kPush}, 0},
    {{1267, "PANIC", {424, 491, 43, 29}, 439, {}, kPush}, 0},
    {{1373, "Menu", {330, 491, 43, 29}, 438, {}, kPush}, 0},
    {{57673, "zoom", {317, 243, 164, 9}, 459, {}, kPush}, 0},
    {{1335, "Video 1", {221, 189, 16, 33}, 457, {}, kToggle}, 0},
    {{1336, "Video 2", {562, 189, 15, 33}, 458, {}, kToggle}, 0},
    {{1374, "Break", {374, 490, 49, 30}, 602, {}, kPush}, 0},
    {{1281, "Play", {343, 522, 109, 31}, 441, {}, kToggle}, 574},
    {{1282, "Stop", {453, 522, 97, 31}, 442, {}, kPush}, 576},
    {{1280, "Record", {245, 522, 97, 31}, 440, {}, kToggle}, 575},
    {{1506, "velocity down", {358, 474, 10, 6}, 512, {}, kPushRepeat}, 0},
    {{1505, "velocity up", {358, 466, 10, 6}, 513, {}, kPushRepeat}, 0},
    {{1508, "tempo down", {405, 474, 10, 6}, 512, {}, kPushRepeat}, 0},
    {{1507, "tempo up", {405, 466, 10, 6}, 513, {}, kPushRepeat}, 0},
    {{1510, "pitch down", {452, 474, 10, 6}, 512, {}, kPushRepeat}, 0},
    {{1509, "pitch up", {452, 466, 10, 6}, 513, {}, kPushRepeat}, 0},
    {{1504, "bar back", {304, 281, 12, 10}, 510, {}, kPushRepeat}, 0},
    {{1503, "bar forward", {304, 270, 12, 10}, 511, {}, kPushRepeat}, 0},
    {{1502, "beat back", {403, 281, 12, 10}, 510, {}, kPushRepeat}, 0},
    {{1501, "beat forward", {403, 270, 12, 10}, 511, {}, kPushRepeat}, 0},
};

// The 16 trigger pads: position and the face with its two further faces, on each screen.
struct PadPlace {
    PixelRect rect;
    std::array<int, 3> faces{};
};
struct PadEntry {
    PadPlace dj;
    PadPlace rock;
};

constexpr PadEntry kPads[kPadCount] = {
    {{{138, 515, 27, 22}, {478, 461, 479}}, {{130, 517, 33, 17}, {527, 526, 528}}},
    {{{59, 499, 33, 26}, {480, 462, 481}}, {{146, 498, 32, 16}, {530, 529, 531}}},
    {{{35, 462, 42, 24}, {482, 463, 496}}, {{171, 478, 31, 18}, {533, 532, 534}}},
    {{{80, 423, 34, 26}, {483, 464, 497}}, {{200, 461, 31, 16}, {536, 535, 537}}},
    {{{152, 403, 27, 28}, {484, 465, 498}}, {{237, 445, 31, 17}, {539, 538, 540}}},
    {{{212, 413, 32, 27}, {485, 466, 499}}, {{276, 434, 31, 18}, {543, 542, 541}}},
    {{{239, 449, 37, 20}, {486, 467, 500}}, {{317, 425, 30, 19}, {546, 545, 544}}},
    {{{215, 492, 30, 19}, {487, 468, 501}}, {{362, 421, 29, 20}, {548, 547, 549}}},
    {{{638, 515, 29, 27}, {488, 470, 502}}, {{406, 422, 31, 19}, {551, 552, 550}}},
    {{{707, 499, 36, 22}, {489, 471, 503}}, {{450, 426, 30, 18}, {554, 553, 555}}},
    {{{719, 460, 40, 24}, {490, 472, 504}}, {{491, 433, 29, 19}, {557, 556, 558}}},
    {{{683, 421, 29, 25}, {491, 473, 505}}, {{529, 444, 30, 19}, {561, 560, 559}}},
    {{{618, 403, 24, 28}, {492, 474, 506}}, {{566, 460, 30, 18}, {562, 563, 564}}},
    {{{551, 414, 33, 26}, {493, 475, 507}}, {{595, 479, 31, 16}, {566, 567, 565}}},
    {{{524, 452, 36, 20}, {494, 476, 508}}, {{619, 497, 32, 18}, {568, 570, 569}}},
    {{{557, 494, 30, 21}, {495, 477, 509}}, {{635, 517, 32, 17}, {572, 571, 573}}},
};

constexpr const char* kPadNames[kPadCount] = {"pad 1",  "pad 2",  "pad 3",  "pad 4",  "pad 5",  "pad 6",
                                              "pad 7",  "pad 8",  "pad 9",  "pad 10", "pad 11", "pad 12",
                                              "pad 13", "pad 14", "pad 15", "pad 16"};

// The split list's row buttons: on/off at x 155, solo at x 171; rows 0-5 every 13 pixels from
// y 274, then rows 6, 7 and 8 at y 351, 364 and 378.
constexpr int kRowY[kVisibleSplitRows] = {274, 287, 300, 313, 326, 339, 351, 364, 378};
constexpr int kOnOffIds[kVisibleSplitRows] = {129, 130, 131, 132, 133, 134, 135, 136, 138};
constexpr int kSoloIds[kVisibleSplitRows] = {121, 122, 123, 124, 125, 126, 127, 128, 137};
constexpr const char* kOnOffNames[kVisibleSplitRows] = {"row 1 on/off", "row 2 on/off", "row 3 on/off",
                                                        "row 4 on/off", "row 5 on/off", "row 6 on/off",
                                                        "row 7 on/off", "row 8 on/off", "row 9 on/off"};
constexpr const char* kSoloNames[kVisibleSplitRows] = {"row 1 solo", "row 2 solo", "row 3 solo",
                                                       "row 4 solo", "row 5 solo", "row 6 solo",
                                                       "row 7 solo", "row 8 solo", "row 9 solo"};

// Panels every screen has: the 16 meters in two banks of eight beside the video monitor (splits
// 1-8 on the left like pads 1-8, 9-16 on the right), the video monitor above the zoom strip, the
// keyboard velocity slider at the right edge and the joystick's beside it.
constexpr int kMeterY = 34;
constexpr int kMeterHeight = 112;
constexpr int kMeterWidth = 13;
constexpr int kMeterPitch = 19;
constexpr int kLeftMeterX = 40;
constexpr int kRightMeterX = 608;

constexpr const char* kMeterLabels[kPadCount] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                                 "9", "10", "11", "12", "13", "14", "15", "16"};

void addCommonPanels(std::vector<ScreenPanel>& panels) {
    for (int meter = 0; meter < kPadCount; ++meter) {
        const int x = (meter < 8 ? kLeftMeterX : kRightMeterX) + kMeterPitch * (meter % 8);
        panels.push_back({kFirstMeterId + meter,
                          PanelKind::LevelMeter,
                          {x, kMeterY, kMeterWidth, kMeterHeight},
                          kMeterLabels[meter],
                          {x - 3, kMeterY + kMeterHeight + 1, kMeterWidth + 6, 10},
                          meter});
    }
    panels.push_back({0, PanelKind::VideoMonitor, {317, 118, 164, 123}, "VIDEO", {}, 0});
    panels.push_back({1195, PanelKind::KeyboardVelocity, {768, 240, 16, 150}, "VELO", {754, 228, 44, 11}, 0});
    panels.push_back({1197, PanelKind::JoystickVelocity, {748, 240, 16, 150}, "", {}, 0});
}

constexpr ScreenPanel kMasterPanels[] = {
    // The velocity, tempo and pitch displays sit between the table's arrows; there is no room
    // for a label beside them, so their tooltips name them.
    {0, PanelKind::VelocityDisplay, {351, 393, 22, 11}, "", {}, 0},
    {0, PanelKind::TempoDisplay, {384, 393, 20, 11}, "", {}, 0},
    {0, PanelKind::PitchDisplay, {415, 393, 19, 11}, "", {}, 0},
    {1515, PanelKind::BarDisplay, {50, 417, 43, 24}, "BAR", {49, 405, 44, 11}, 0},
    {1516, PanelKind::BeatDisplay, {115, 417, 42, 24}, "BEAT", {114, 405, 44, 11}, 0},
    {1517, PanelKind::LengthDisplay, {176, 417, 62, 24}, "LENGTH", {176, 405, 62, 11}, 0},
    {1015, PanelKind::SplitList, {184, 272, 508, 119}, "SPLITS", {184, 260, 120, 11}, 0},
    {0, PanelKind::Label, {147, 260, 37, 11}, "ON SOLO", {147, 260, 37, 11}, 0},
    {1240, PanelKind::NoteColourBar, {20, 258, 14, 136}, "", {}, 0},
    {1000, PanelKind::KeyRangeBar, {22, 458, 756, 12}, "KEY RANGE", {22, 446, 120, 11}, 0},
    {1052, PanelKind::Keyboard, {22, 472, 756, 60}, "", {}, 0},
};

constexpr ScreenPanel kDjRockPanels[] = {
    {0, PanelKind::VelocityDisplay, {322, 466, 36, 14}, "VELO", {318, 454, 44, 11}, 0},
    {0, PanelKind::TempoDisplay, {369, 466, 36, 14}, "TEMPO", {365, 454, 44, 11}, 0},
    {0, PanelKind::PitchDisplay, {416, 466, 36, 14}, "PITCH", {412, 454, 44, 11}, 0},
    {1515, PanelKind::BarDisplay, {262, 270, 41, 21}, "BAR", {260, 258, 44, 11}, 0},
    {1516, PanelKind::BeatDisplay, {361, 270, 41, 21}, "BEAT", {359, 258, 44, 11}, 0},
    {1517, PanelKind::LengthDisplay, {424, 270, 56, 21}, "LENGTH", {424, 258, 56, 11}, 0},
    {1376, PanelKind::FolderList, {126, 293, 87, 86}, "FOLDERS", {131, 266, 56, 11}, 0},
    {1374, PanelKind::MediaList, {248, 314, 303, 38}, "SAMPLES & CLIPS", {248, 302, 303, 11}, 0},
    {1377, PanelKind::StyleList, {248, 375, 303, 17}, "STYLES", {248, 362, 303, 11}, 0},
    {1375, PanelKind::SetupList, {584, 293, 86, 86}, "SETUPS", {612, 266, 57, 11}, 0},
    {1000, PanelKind::KeyRangeBar, {248, 398, 303, 18}, "KEYS", {190, 401, 56, 11}, 0},
};

constexpr ScreenPanel kCrossfader = {1334, PanelKind::Crossfader, {300, 558, 200, 22}, "X-FADE", {250, 563, 48, 11}, 0};

} // namespace

std::vector<ScreenPanel> screenPanels(midi::ScreenKind screen) {
    std::vector<ScreenPanel> panels;
    addCommonPanels(panels);
    if (screen == midi::ScreenKind::Master) {
        panels.insert(panels.end(), std::begin(kMasterPanels), std::end(kMasterPanels));
        return panels;
    }
    panels.insert(panels.end(), std::begin(kDjRockPanels), std::end(kDjRockPanels));
    if (screen == midi::ScreenKind::Dj) {
        panels.push_back(kCrossfader);
    }
    return panels;
}

std::vector<ScreenControl> screenControls(midi::ScreenKind screen) {
    std::vector<ScreenControl> controls;
    if (screen == midi::ScreenKind::Master) {
        controls.assign(std::begin(kMaster), std::end(kMaster));
        for (int row = 0; row < kVisibleSplitRows; ++row) {
            const auto r = static_cast<std::size_t>(row);
            controls.push_back({kOnOffIds[r], kOnOffNames[r], {155, kRowY[r], 10, 10}, 0, {}, kPush});
            controls.push_back({kSoloIds[r], kSoloNames[r], {171, kRowY[r], 10, 10}, 0, {}, kPush});
        }
        return controls;
    }
    const bool dj = screen == midi::ScreenKind::Dj;
    for (const SharedControl& shared : kDjRock) {
        ScreenControl control = shared.control;
        if (!dj && shared.rockFace != 0) {
            control.face = shared.rockFace;
        }
        controls.push_back(control);
    }
    for (int pad = 0; pad < kPadCount; ++pad) {
        const PadPlace& place = dj ? kPads[pad].dj : kPads[pad].rock;
        controls.push_back(
            {kFirstPadId + pad, kPadNames[pad], place.rect, place.faces[0], {place.faces[1], place.faces[2]}, kPush});
    }
    return controls;
}

int padNote(midi::ScreenKind screen, int pad) {
    if (pad < 1 || pad > kPadCount) {
        return -1;
    }
    if (pad == kPadCount && (screen == midi::ScreenKind::Rock || screen == midi::ScreenKind::Easy)) {
        return 60;
    }
    return pad <= 8 ? 35 + pad : 75 + pad;
}

int onOffButtonId(int row) {
    return row >= 0 && row < kVisibleSplitRows ? kOnOffIds[static_cast<std::size_t>(row)] : -1;
}

int soloButtonId(int row) { return row >= 0 && row < kVisibleSplitRows ? kSoloIds[static_cast<std::size_t>(row)] : -1; }

} // namespace tonwerk::ui
