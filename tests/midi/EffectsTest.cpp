#include "EngineFixture.h"

#include <gtest/gtest.h>

using namespace tonwerk::midi;
using tonwerk::test::EngineTest;
using Events = std::vector<std::string>;

namespace {

TEST_F(EngineTest, PedalFilters) {
    Split& withPedal = on(0);
    withPedal.sfxFlags = Sfx::kPedalDownOnly;
    Split& withoutPedal = on(1);
    withoutPedal.sfxFlags = Sfx::kPedalUpOnly;
    play(0x90, 60, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi 91 3c 64"}));
    play(0xB0, 64, 63); // below 64 is still up
    play(0x90, 61, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi b1 40 3f", "midi 91 3d 64"}));
    play(0xB0, 64, 64);
    play(0x90, 62, 100);
    // "only without pedal" forwards the pedal itself; "only with pedal" does not.
    EXPECT_EQ(hooks.take(), (Events{"midi b1 40 40", "midi 90 3e 64"}));
}

TEST_F(EngineTest, MonophonyHighestNoteOnly) {
    on(0).sfxFlags = Sfx::kMonoHighest;
    play(0x90, 60, 100); // C3
    play(0x90, 62, 100); // D3 while C3 is held: sounds
    play(0x90, 59, 100); // B2 while C3 is held: nothing
    play(0x80, 59, 0);   // and its release sends nothing
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 64", "midi 90 3e 64"}));
    play(0x80, 60, 0);
    play(0x80, 62, 0);
    EXPECT_EQ(engine.pool().freeCount(), 512);
    EXPECT_TRUE(engine.heldNotes(0).empty());
}

TEST_F(EngineTest, MonophonyLowestNoteOnly) {
    on(0).sfxFlags = Sfx::kMonoLowest;
    play(0x90, 60, 100);
    play(0x90, 64, 100); // above the held 60: nothing
    play(0x90, 55, 100); // below: sounds
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 64", "midi 90 37 64"}));
}

TEST_F(EngineTest, MonophonyNeedsTwoFreeEntries) {
    Split& plain = on(0);
    plain.keyHigh = 100;
    for (int i = 0; i < 511; ++i) {
        play(0x90, i % 100, 1 + i / 100);
    }
    ASSERT_EQ(engine.pool().freeCount(), 1);
    Split& mono = on(1);
    mono.keyLow = 101;
    mono.sfxFlags = Sfx::kMonoHighest;
    hooks.take();
    play(0x90, 110, 100); // one entry free: the monophony split cannot keep its note
    EXPECT_TRUE(hooks.take().empty());
    EXPECT_EQ(engine.pool().freeCount(), 1);
    play(0x80, 0, 0);
    play(0x90, 110, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi 80 00 01", "midi 80 00 02", "midi 80 00 03", "midi 80 00 04", "midi 80 00 05",
                                    "midi 80 00 06", "midi 91 6e 64"}));
    EXPECT_EQ(engine.pool().freeCount(), 7 - 2);
}

TEST_F(EngineTest, StaccatoAndLegato) {
    Split& s = on(0);
    s.sfxFlags = Sfx::kStaccato;
    play(0x90, 60, 100);
    play(0x90, 62, 100); // while 60 is held: silent
    play(0x80, 62, 0);
    play(0x80, 60, 0);
    play(0x90, 64, 100); // both released: sounds
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 64", "midi 80 3c 64", "midi 90 40 64"}));
    play(0x80, 64, 0);
    EXPECT_EQ(s.heldCount, 0);

    s.sfxFlags = Sfx::kLegato;
    hooks.take();
    play(0x90, 60, 100); // alone: silent
    play(0x90, 62, 100); // with another key held: sounds
    play(0x80, 60, 0);
    play(0x80, 62, 0);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3e 64", "midi 80 3e 64"}));
    EXPECT_EQ(s.heldCount, 0);
}

TEST_F(EngineTest, NthNotePhaseDependsOnTheSplit) {
    on(0).sfxFlags = Sfx::kNthNoteOnly; // interval 2, counter starts at the split index 0
    for (int key = 60; key < 66; ++key) {
        play(0x90, key, 100);
        play(0x80, key, 0);
    }
    EXPECT_EQ(hooks.only("midi 90"), (Events{"midi 90 3d 64", "midi 90 3f 64", "midi 90 41 64"}));
    hooks.take();

    Split& s = engine.split(0);
    s.sfxFlags = Sfx::kNthNoteNot;
    s.noteCounter = s.noteCounterReset = 0;
    s.noteInterval = 3; // leaves out every third note
    for (int key = 60; key < 66; ++key) {
        play(0x90, key, 100);
        play(0x80, key, 0);
    }
    EXPECT_EQ(hooks.only("midi 90"), (Events{"midi 90 3c 64", "midi 90 3d 64", "midi 90 3f 64", "midi 90 40 64"}));
}

TEST_F(EngineTest, NthNoteWithoutAValidIntervalLeavesNothingOut) {
    Split& s = on(0);
    for (const std::int32_t interval : {0, -5}) {
        for (const std::uint32_t flag : {Sfx::kNthNoteOnly, Sfx::kNthNoteNot}) {
            s.sfxFlags = flag;
            s.noteInterval = interval;
            hooks.take();
            for (int key = 60; key < 64; ++key) {
                play(0x90, key, 100);
                play(0x80, key, 0);
            }
            EXPECT_EQ(hooks.only("midi 90").size(), 4u) << interval;
        }
    }
}

TEST_F(EngineTest, NoteLeftOutUnderStaccatoIsSwallowedAndUndone) {
    Split& s = on(0);
    s.sfxFlags = Sfx::kNthNoteOnly | Sfx::kStaccato;
    play(0x90, 60, 100); // counter 1 < 2: left out, swallowed 254
    EXPECT_EQ(s.heldCount, 1);
    play(0x80, 60, 0);
    EXPECT_EQ(s.heldCount, 0);
    EXPECT_TRUE(hooks.take().empty());
}

TEST_F(EngineTest, PedalResetsTheNoteCounter) {
    Split& s = on(0);
    s.sfxFlags = Sfx::kNthNoteOnly;
    s.noteCounterReset = 1;
    play(0x90, 60, 100); // counter 0 -> 1: left out
    play(0xB0, 64, 0);   // counter back to 1
    play(0x90, 61, 100); // 1 -> 2: sounds
    EXPECT_EQ(hooks.only("midi 90"), (Events{"midi 90 3d 64"}));
}

TEST_F(EngineTest, NoteAndVelocityToController) {
    Split& s = on(0);
    s.midiOutChannel = 2;
    s.sfxFlags = Sfx::kNoteToController | Sfx::kVelocityToController | Sfx::kVelocityControllerCurve;
    s.noteTarget = 20;
    s.velocityTarget = 21;
    s.velocityCurve[100] = 200; // a damaged curve: the value sent is still a data byte
    play(0x90, 60, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi b2 14 3c", "midi b2 15 7f", "midi 92 3c 7f"}));

    // Target 128 stores the value; 129 stores it and drops the note.
    s.noteTarget = 128;
    s.velocityTarget = 129;
    s.parameterSlot = 3;
    play(0x90, 61, 90);
    EXPECT_TRUE(hooks.take().empty());
    EXPECT_EQ(s.parameterValues[3], 90);

    // A slot beyond the 21 values (only a file holds one) stores nothing.
    s.parameterSlot = 21;
    s.parameterValues.fill(0);
    play(0x90, 62, 91);
    for (const auto v : s.parameterValues) {
        EXPECT_EQ(v, 0);
    }
    EXPECT_EQ(s.reserved253, 0);
}

TEST_F(EngineTest, DroppedNoteStillUndoesTheGate) {
    Split& s = on(0);
    s.sfxFlags = Sfx::kStaccato | Sfx::kNoteToController;
    s.noteTarget = 129;
    for (int i = 0; i < 3; ++i) {
        play(0x90, 60, 100);
        play(0x80, 60, 0);
    }
    EXPECT_EQ(s.heldCount, 0); // without undoing, staccato would silence the split for good
    s.sfxFlags = Sfx::kStaccato;
    hooks.take();
    play(0x90, 60, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 64"}));
}

TEST_F(EngineTest, ControllerRules) {
    Split& s = on(0);
    s.midiOutChannel = 1;
    play(0xB0, 7, 100);  // not forwarded without controllerThru
    play(0xB0, 64, 100); // neither is the pedal
    EXPECT_TRUE(hooks.take().empty());
    s.sfxFlags = Sfx::kControllerThru;
    play(0xB0, 7, 100);
    play(0xB0, 64, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi b1 07 64", "midi b1 40 64"}));
    s.sfxFlags = Sfx::kControllerThru | Sfx::kPedalDownOnly; // the pedal is the filter's own
    play(0xB0, 64, 0);
    EXPECT_TRUE(hooks.take().empty());

    s.sfxFlags = Sfx::kControllerThru | Sfx::kControllerConvert | Sfx::kControllerCurve;
    s.controllerTarget = 11;
    s.velocityCurve[100] = 50;
    play(0xB0, 7, 100);
    play(0xB0, 120, 100); // 120 and above pass unchanged even when converting
    play(0xB0, 123, 0);
    EXPECT_EQ(hooks.take(), (Events{"midi b1 0b 32", "midi b1 78 64", "midi b1 7b 00"}));
}

TEST_F(EngineTest, PitchAndAftertouchRules) {
    Split& s = on(0);
    play(0xE0, 0x10, 0x50);
    play(0xD0, 0x30);
    play(0xA0, 60, 0x30);
    EXPECT_TRUE(hooks.take().empty()); // nothing without the thru bits
    s.transpose = 12;
    s.sfxFlags = Sfx::kPitchThru | Sfx::kAftertouchThru;
    play(0xE0, 0x10, 0x50);
    play(0xD0, 0x30);
    play(0xA0, 60, 0x31); // the key is not transposed
    EXPECT_EQ(hooks.take(), (Events{"midi e0 10 50", "midi d0 30", "midi a0 3c 31"}));
    s.sfxFlags =
        Sfx::kPitchThru | Sfx::kPitchConvert | Sfx::kAftertouchThru | Sfx::kPressureConvert | Sfx::kPressureCurve;
    s.pitchTarget = 1;
    s.pressureTarget = 2;
    s.velocityCurve[0x30] = 0x70;
    play(0xE0, 0x10, 0x50);
    play(0xD0, 0x30);
    EXPECT_EQ(hooks.take(), (Events{"midi b0 01 50", "midi b0 02 70"}));
}

TEST_F(EngineTest, ConstantPitch) {
    Split& s = on(0);
    s.sfxFlags = Sfx::kConstantPitch;
    s.transpose = 2;
    play(0x90, 40, 100);
    play(0x90, 90, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3e 64", "midi 90 3e 64"}));
    s.sfxFlags = Sfx::kConstantPitch | Sfx::kConstantPitchFromCurve;
    s.velocityCurve[41] = 70;
    s.velocityCurve[100] = 5; // the velocity is not mapped
    play(0x90, 41, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 46 64"}));
}

} // namespace
