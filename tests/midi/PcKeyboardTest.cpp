#include "midi/PcKeyboard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace tonwerk::midi;

namespace {

// Records what the keyboard asks for, in order.
class Log final : public PcKeyboardHost {
public:
    std::vector<std::string> events;
    bool running17 = false;

    void injectNote(ShortMessage m) override { events.push_back("note " + bytes(m)); }
    void injectMessage(ShortMessage m) override { events.push_back("message " + bytes(m)); }
    void copySplit() override { events.emplace_back("copy"); }
    void pasteSplit() override { events.emplace_back("paste"); }
    void showStopPressed() override { events.emplace_back("stop shown"); }
    void stop() override { events.emplace_back("stop"); }
    void toggleRecord() override { events.emplace_back("record"); }
    void toggleLoopHold(int split) override { events.push_back("hold " + std::to_string(split)); }
    [[nodiscard]] bool clipRunning(int split) const override { return split == 17 && running17; }

private:
    static std::string bytes(ShortMessage m) {
        return std::to_string(m & 0xFF) + " " + std::to_string((m >> 8) & 0xFF) + " " +
               std::to_string((m >> 16) & 0xFF);
    }
};

constexpr int kLeftOfY = 86;
constexpr int kScanY = 44; // German Y, US Z
constexpr int kScanA = 30;
constexpr int kScanOne = 2;
constexpr int kScanQ = 16;
constexpr int kKeypad1 = 79;

} // namespace

// The key left of Y plays C of the octave on the Master screen and 48 on the other screens;
// black keys sit on the home row.
TEST(PcKeyboard, NoteKeysFollowTheScreenAndOctave) {
    Log log;
    PcKeyboard keyboard(log);
    keyboard.settings().screen = ScreenKind::Master;
    keyboard.settings().octave = 2;
    keyboard.keyDown(kLeftOfY, false, false);
    keyboard.keyUp(kLeftOfY);
    keyboard.settings().screen = ScreenKind::Dj;
    keyboard.settings().octave = 5;
    keyboard.keyDown(kLeftOfY, false, false);
    keyboard.keyUp(kLeftOfY);
    keyboard.settings().channel = 3;
    keyboard.keyDown(kScanA, false, false);
    keyboard.keyUp(kScanA);
    EXPECT_EQ(log.events, (std::vector<std::string>{"note 144 48 127", "note 128 48 0", "note 144 48 127",
                                                    "note 128 48 0", "note 147 49 127", "note 131 49 0"}));
}

// Held keys: a second press of a held key plays nothing, the release ends exactly what was
// played even when the octave or the screen changed in between (the note would stick otherwise).
TEST(PcKeyboard, ReleaseEndsWhatThePressPlayed) {
    Log log;
    PcKeyboard keyboard(log);
    keyboard.settings().screen = ScreenKind::Master;
    keyboard.settings().octave = 2;
    keyboard.keyDown(kScanY, false, false);
    keyboard.keyDown(kScanY, false, false);
    keyboard.settings().octave = 4;
    keyboard.settings().screen = ScreenKind::Rock;
    keyboard.keyUp(kScanY);
    keyboard.keyUp(kScanY);
    EXPECT_EQ(log.events, (std::vector<std::string>{"note 144 50 127", "note 128 50 0"}));
    EXPECT_EQ(keyboard.heldCount(), 0);

    // Ctrl with pad 16 on the Rock screen plays 91 (no replacement) and releases 91, not 60.
    log.events.clear();
    keyboard.keyDown(23, true, false);
    keyboard.keyUp(23);
    EXPECT_EQ(log.events, (std::vector<std::string>{"message 176 103 127", "note 144 91 127", "note 128 91 0"}));
    // Without Ctrl, pad 16 on the Rock screen is 60.
    log.events.clear();
    keyboard.keyDown(23, false, false);
    keyboard.keyUp(23);
    EXPECT_EQ(log.events, (std::vector<std::string>{"note 144 60 127", "note 128 60 0"}));
}

// Pads from the digit row, the top letter row and the keypad; Shift queues a loop and plays
// nothing; the space bar is the pedal; "9" toggles the clip of split 17 (not on the Master screen).
TEST(PcKeyboard, PadsPedalAndClips) {
    Log log;
    PcKeyboard keyboard(log);
    keyboard.keyDown(kScanOne, false, false);
    keyboard.keyUp(kScanOne);
    keyboard.keyDown(kScanQ, false, false);
    keyboard.keyUp(kScanQ);
    keyboard.keyDown(kKeypad1, false, false);
    keyboard.keyUp(kKeypad1);
    keyboard.keyDown(kScanOne, false, true);
    keyboard.keyUp(kScanOne);
    keyboard.keyDown(57, false, false);
    keyboard.keyUp(57);
    keyboard.keyDown(10, false, false);
    keyboard.keyUp(10);
    log.running17 = true;
    keyboard.keyDown(10, false, false);
    keyboard.keyUp(10);
    EXPECT_EQ(log.events, (std::vector<std::string>{"note 144 36 127", "note 128 36 0", "note 144 84 127",
                                                    "note 128 84 0", "note 144 84 127", "note 128 84 0", "hold 0",
                                                    "message 176 64 127", "message 176 64 0", "message 144 47 127",
                                                    "message 128 126 0", "message 128 47 0", "message 128 126 0"}));
    log.events.clear();
    keyboard.settings().screen = ScreenKind::Master;
    keyboard.keyDown(11, false, false);
    keyboard.keyUp(11);
    EXPECT_EQ(log.events, (std::vector<std::string>{"message 128 127 0"}));
}

// Copy, paste and Stop work with the PC keyboard off; nothing else does. Ctrl+C copies and
// plays nothing.
TEST(PcKeyboard, TransportAndClipboard) {
    Log log;
    PcKeyboard keyboard(log);
    keyboard.keyDown(46, true, false);
    keyboard.keyUp(46);
    keyboard.keyDown(47, true, false);
    keyboard.keyUp(47);
    keyboard.keyDown(82, false, false);
    keyboard.keyUp(82);
    keyboard.keyDown(83, false, false);
    keyboard.keyUp(83);
    EXPECT_EQ(log.events, (std::vector<std::string>{"copy", "paste", "stop shown", "stop", "record"}));
    log.events.clear();
    keyboard.settings().active = false;
    keyboard.keyDown(46, true, false);
    keyboard.keyDown(82, false, false);
    keyboard.keyUp(82);
    keyboard.keyDown(83, false, false);
    keyboard.keyUp(83);
    keyboard.keyDown(kScanY, false, false);
    keyboard.keyUp(kScanY);
    EXPECT_EQ(log.events, (std::vector<std::string>{"copy", "stop shown", "stop"}));
}

// Random presses and releases, screen and octave changes and focus losses: every note-on gets
// exactly one note-off of the same key and channel (two keys may hold the same note), and nothing
// is left held.
TEST(PcKeyboard, RandomPlayingLeavesNothingSounding) {
    Log log;
    PcKeyboard keyboard(log);
    std::mt19937 random(11);
    const int keys[] = {86, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 30, 31, 33,
                        34, 35, 37, 38, 40, 2,  3,  9,  16, 23, 79, 72, 57};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(keys)) - 1);
    for (int step = 0; step < 5000; ++step) {
        const int roll = static_cast<int>(random() % 100);
        const int key = keys[pick(random)];
        if (roll < 45) {
            keyboard.keyDown(key, random() % 5 == 0, false);
        } else if (roll < 90) {
            keyboard.keyUp(key);
        } else if (roll < 95) {
            keyboard.settings().octave = static_cast<int>(random() % 8);
            keyboard.settings().screen = random() % 2 == 0 ? ScreenKind::Master : ScreenKind::Rock;
        } else {
            keyboard.releaseAll();
        }
    }
    keyboard.releaseAll();
    EXPECT_EQ(keyboard.heldCount(), 0);
    std::map<std::string, int> sounding;
    int pedal = 0;
    for (const std::string& e : log.events) {
        int status = 0;
        int data1 = 0;
        int data2 = 0;
        if (e.rfind("note ", 0) != 0 && e.rfind("message ", 0) != 0) {
            continue; // copy and paste
        }
        const auto space = e.find(' ');
        ASSERT_EQ(std::sscanf(e.c_str() + space + 1, "%d %d %d", &status, &data1, &data2), 3) << e;
        const std::string id = std::to_string(status & 0x0F) + "/" + std::to_string(data1);
        if ((status & 0xF0) == 0x90) {
            ++sounding[id];
        } else if ((status & 0xF0) == 0x80) {
            EXPECT_GT(sounding[id], 0) << "a note-off without its note-on: " << id;
            --sounding[id];
        } else if (data1 == 64) {
            pedal = data2;
        }
    }
    for (const auto& [id, count] : sounding) {
        EXPECT_EQ(count, 0) << id << " left sounding";
    }
    EXPECT_EQ(pedal, 0);
}

TEST(PcKeyboard, LabelsFollowTheLayoutsLanguage) {
    EXPECT_EQ(keyboardLabelString(0x0409), 3151);
    EXPECT_EQ(keyboardLabelString(0x0407), 3150);
    EXPECT_EQ(keyboardLabelString(0x040C), 3150);
    EXPECT_EQ(pcPadNote(ScreenKind::Rock, 15), 60);
    EXPECT_EQ(pcPadNote(ScreenKind::Dj, 15), 91);
    EXPECT_EQ(pcPadNote(ScreenKind::Rock, 15, false), 91);
}
