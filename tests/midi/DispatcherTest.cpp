#include "EngineFixture.h"

#include <gtest/gtest.h>

using namespace tonwerk::midi;
using tonwerk::test::EngineTest;
using Events = std::vector<std::string>;

namespace {

TEST_F(EngineTest, FreshSetupSendsNothing) {
    for (int key = 0; key < 128; ++key) {
        play(0x90, key, 100);
        play(0x80, key, 0);
    }
    play(0xB0, 7, 100);
    play(0xE0, 0, 0x50);
    EXPECT_TRUE(hooks.events.empty());
    EXPECT_EQ(engine.pool().freeCount(), 512);
}

TEST_F(EngineTest, DefaultRangesAcceptEveryKeyAndVelocity) {
    on(0).midiOutChannel = 0;
    for (int key = 0; key < 128; ++key) {
        for (int velocity = 1; velocity < 128; velocity += 21) {
            play(0x90, key, velocity);
            play(0x80, key, 0);
        }
    }
    EXPECT_EQ(hooks.sent.size(), 128u * 7 * 2);
    EXPECT_EQ(engine.pool().freeCount(), 512);
}

TEST_F(EngineTest, VelocityZeroIsANoteOffAlsoWhenRecording) {
    on(0);
    hooks.songState = SongLink::State::Recording;
    play(0x90, 60, 90);
    play(0x90, 60, 0);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 5a", "midi 80 3c 5a"}));
    ASSERT_EQ(hooks.recorded.size(), 2u);
    EXPECT_EQ(hooks.recorded[1], shortMessage(0x90, 60, 0)); // recorded as received
}

TEST_F(EngineTest, RecordingOnTheDjScreenStartsWithTheCrossfader) {
    on(0).crossfaderValue = 300; // damaged value: still a data byte
    hooks.songState = SongLink::State::Recording;
    hooks.restartClock = true;
    play(0x90, 60, 90);
    ASSERT_EQ(hooks.recorded.size(), 2u);
    EXPECT_EQ(hooks.recorded[0], shortMessage(0xB0, 16, 127));
    engine.options().screen = ScreenKind::Master;
    play(0x80, 60, 0);
    EXPECT_EQ(hooks.recorded.size(), 3u);
    play(0xF8); // system messages are neither dispatched nor recorded
    EXPECT_EQ(hooks.recorded.size(), 3u);
}

TEST_F(EngineTest, CurveEntryZeroBlocksInsideTheRange) {
    on(0).velocityCurve[100] = 0;
    play(0x90, 60, 100);
    play(0x80, 60, 0);
    play(0x90, 60, 101);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 65"}));
}

TEST_F(EngineTest, OffsetsAccumulateAcrossSplits) {
    on(0).velocityOffset = 10;
    on(1).velocityOffset = 5;
    play(0x90, 60, 100);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 6e", "midi 91 3c 73"}));
    play(0x90, 61, 120); // 130 clamps to 127, the second split sees 127
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3d 7f", "midi 91 3d 7f"}));
    EXPECT_EQ(engine.lastVelocity()[0], 127);
    EXPECT_EQ(engine.split(1).lastIndex, 1);
}

TEST_F(EngineTest, ExhaustedPoolSoundsNowhereAndItsNoteOffSendsNothing) {
    on(0);
    for (int i = 0; i < 512; ++i) {
        play(0x90, i % 128, 1 + i / 128); // 512 notes, some keys twice
    }
    EXPECT_EQ(engine.pool().freeCount(), 0);
    hooks.take();
    play(0x90, 64, 127);
    EXPECT_TRUE(hooks.take().empty());
    EXPECT_EQ(engine.pool().freeCount(), 0);
    engine.allNotesOff();
    EXPECT_EQ(engine.pool().freeCount(), 512);
    const auto offs = hooks.only("midi 80");
    EXPECT_EQ(offs.size(), 512u);
    hooks.take();
    play(0x80, 64, 0);
    EXPECT_TRUE(hooks.take().empty());
}

TEST_F(EngineTest, ProgramChangeZeroResendsPrograms) {
    on(0).program = 5;
    on(3).program = 300;         // damaged value: sent as a valid data byte
    engine.split(4).program = 9; // off: not sent
    play(0xC5, 1);
    EXPECT_TRUE(hooks.take().empty());
    play(0xC5, 0);
    EXPECT_EQ(hooks.take(), (Events{"midi c0 05", "midi c3 7f"}));
    EXPECT_TRUE(engine.pendingPedalReset());
    engine.options().programChangeSelectsSetup = false;
    play(0xC0, 0);
    EXPECT_TRUE(hooks.take().empty());
}

TEST_F(EngineTest, PedalReleaseAfterASetupSwitchResetsAllChannelsOnce) {
    play(0xC0, 0);
    play(0xB0, 64, 127);
    EXPECT_TRUE(hooks.take().empty());
    play(0xB0, 64, 0);
    Events expected;
    for (int ch = 0; ch < 16; ++ch) {
        expected.push_back("midi b" + std::string(1, "0123456789abcdef"[ch]) + " 40 00");
    }
    EXPECT_EQ(hooks.take(), expected);
    EXPECT_FALSE(engine.pendingPedalReset());
    play(0xB0, 64, 0);
    EXPECT_TRUE(hooks.take().empty());
}

TEST_F(EngineTest, NoteOffFollowsTheNoteOnWhateverWasEditedBetween) {
    Split& s = on(0);
    s.transpose = 7;
    s.midiOutChannel = 3;
    play(0x90, 60, 80);
    s.transpose = -24;
    s.midiOutChannel = 9;
    s.task = 2; // even the task: the forwarded note still gets its MIDI note-off
    s.sfxFlags = Sfx::kMonoHighest | Sfx::kStaccato;
    s.state = 0;
    play(0x80, 60, 0);
    EXPECT_EQ(hooks.take(), (Events{"midi 93 43 50", "midi 83 43 50"}));
    EXPECT_EQ(s.heldCount, 0);
    EXPECT_TRUE(engine.heldNotes(0).empty());
    EXPECT_EQ(engine.pool().freeCount(), 512);
}

TEST_F(EngineTest, OutputChannelsAboveFifteenKeepEveryMessageKind) {
    Split& s = on(16); // defaults to output channel 16
    s.program = 7;
    s.sfxFlags = Sfx::kControllerThru | Sfx::kPitchThru | Sfx::kAftertouchThru;
    play(0x90, 60, 80);
    play(0x80, 60, 0);
    play(0xB0, 7, 99);
    play(0xE0, 1, 2);
    play(0xD0, 33);
    play(0xA0, 60, 34);
    play(0xC0, 0);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 50", "midi 80 3c 50", "midi b0 07 63", "midi e0 01 02", "midi d0 21",
                                    "midi a0 3c 22", "midi c0 07"}));
    s.midiOutChannel = 0x25; // any stored value: only its low four bits count
    play(0x90, 60, 80);
    play(0x80, 60, 0);
    EXPECT_EQ(hooks.take(), (Events{"midi 95 3c 50", "midi 85 3c 50"}));
}

TEST_F(EngineTest, KeysThatCannotBeSentDoNotSound) {
    Split& s = on(0);
    s.transpose = 12;
    play(0x90, 120, 80); // 132
    play(0x80, 120, 0);
    s.transpose = -61;
    s.sfxFlags = Sfx::kConstantPitch; // constant pitch -1
    play(0x90, 60, 80);
    play(0x80, 60, 0);
    s.sfxFlags = Sfx::kConstantPitch | Sfx::kConstantPitchFromCurve;
    s.velocityCurve[60] = 200; // from a damaged file
    play(0x90, 60, 80);
    play(0x80, 60, 0);
    EXPECT_TRUE(hooks.take().empty());
    EXPECT_EQ(engine.pool().freeCount(), 512);
    // The velocity from a curve above 127 is sent as 127.
    s.sfxFlags = 0;
    s.transpose = 0;
    s.velocityCurve[80] = 250;
    play(0x90, 60, 80);
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 7f"}));
}

TEST_F(EngineTest, ForwardedNoteOfVelocityZeroDoesNotSound) {
    Split& s = on(0);
    s.velocityOffset = -127;
    play(0x90, 60, 100);
    play(0x80, 60, 0);
    EXPECT_TRUE(hooks.take().empty());
    s.velocityOffset = 0;
    s.velocityCurve[50] = 0;
    s.velocityCurve[40] = 1;
    s.velocityOffset = 10;
    play(0x90, 60, 40); // accepted at 40, sent with the curve at 50 = 0
    EXPECT_TRUE(hooks.take().empty());
}

TEST_F(EngineTest, UserInjectedNotesTakeTheKeyboardVelocity) {
    on(0);
    engine.options().keyboardVelocity = 33;
    engine.onMidiData(MidiSource::User, shortMessage(0x80, 60, 1)); // any message with a velocity
    engine.onMidiData(MidiSource::User, shortMessage(0x80, 60, 0));
    engine.options().keyboardVelocity = 400; // out of range reads as 127
    engine.onMidiData(MidiSource::User, shortMessage(0x91 & 0xF0, 61, 5));
    engine.onMidiData(MidiSource::Injected, shortMessage(0x90, 62, 5));
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 21", "midi 80 3c 21", "midi 90 3d 7f", "midi 90 3e 05"}));
}

TEST_F(EngineTest, HighDataBitsFromAnInjectorAreMasked) {
    on(0);
    engine.onMidiData(MidiSource::Injected, 0x00FFBC90); // key 0xBC, velocity 0xFF
    for (const auto m : hooks.sent) {
        EXPECT_EQ(m & 0x808000, 0u);
    }
    EXPECT_EQ(hooks.take(), (Events{"midi 90 3c 7f"}));
}

TEST_F(EngineTest, PanicResetsChannelsAndEndsEveryNoteWhereItSounds) {
    on(0);
    Split& clip = on(1);
    clip.task = 3;
    clip.midiInChannel = 1;
    Split& sample = on(2);
    sample.task = 2;
    sample.midiInChannel = 2;
    play(0x90, 60, 100);
    play(0x91, 61, 100);
    play(0x92, 62, 100);
    hooks.take();
    engine.allNotesOff();
    const Events events = hooks.take();
    ASSERT_EQ(events.size(), 16u * 5 + 7);
    EXPECT_EQ(Events(events.begin(), events.begin() + 5),
              (Events{"midi b0 40 00", "midi e0 00 40", "midi b0 01 00", "midi b0 7b 00", "midi b0 79 00"}));
    EXPECT_EQ(Events(events.begin() + 80, events.end()),
              (Events{"midi 80 3c 64", "key-released 60", "clip-off 1 01 3d 64 clip 1", "key-released 61",
                      "voice-release 2 102", "key-released 62", "pump"}));
    EXPECT_EQ(engine.pool().freeCount(), 512);
}

TEST_F(EngineTest, ReleaseHeldNotesInjectsNoteOffsAndPedalUp) {
    Split& s = on(0);
    s.sfxFlags = Sfx::kMonoHighest;
    play(0x90, 60, 100);
    play(0x90, 59, 100); // swallowed by monophony: not injected
    play(0x91 & 0xF0, 61, 100);
    hooks.take();
    engine.releaseHeldNotes();
    EXPECT_EQ(hooks.take(), (Events{"midi 80 3c 64", "midi 80 3d 64"}));
    EXPECT_EQ(engine.pool().freeCount(), 512 - 2); // the swallowed 59 waits for its own note-off
    play(0x80, 59, 0);
    EXPECT_EQ(engine.pool().freeCount(), 512);
}

TEST_F(EngineTest, AviSplitsSendClipNotes) {
    Split& s = on(5);
    s.task = 3;
    s.midiOutChannel = 2;
    s.video.splitIndex = 42;
    play(0x90, 60, 100);
    play(0x80, 60, 0);
    EXPECT_EQ(hooks.take(), (Events{"clip-on 5 92 3c 64 clip 42", "clip-off 5 02 3c 64 clip 42"}));
}

TEST_F(EngineTest, CrossfaderOnTheDjScreenOnly) {
    play(0xB0, 16, 90);
    EXPECT_EQ(hooks.take(), (Events{"crossfader 90"}));
    engine.options().screen = ScreenKind::Rock;
    play(0xB0, 16, 91);
    EXPECT_TRUE(hooks.take().empty());
}

} // namespace

namespace {

TEST_F(EngineTest, ALostOutputForgetsOnlyItsForwardedNotes) {
    on(0);
    Split& sample = on(1);
    sample.task = 2;
    sample.midiInChannel = 1;
    play(0x90, 60, 100);
    play(0x91, 61, 100);
    hooks.take();
    engine.forgetForwardedNotes();
    EXPECT_TRUE(hooks.take().empty()); // nobody to send a note-off to
    EXPECT_EQ(engine.pool().freeCount(), 511);
    play(0x80, 60, 0);
    EXPECT_TRUE(hooks.take().empty());
    play(0x81, 61, 0);
    EXPECT_EQ(hooks.take(), (Events{"voice-release 1 101"}));
}

} // namespace
