#include "midi/Split.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tonwerk::midi;
using tonwerk::test::EngineTest;

namespace {

TEST(SplitRecord, DefaultsOfEveryBlock) {
    Split s{};
    resetSplit(s, 0, 17, 4);
    EXPECT_EQ(s.state, 0);
    EXPECT_EQ(s.midiOutChannel, 17);
    EXPECT_EQ(s.velocityMax, 127);
    EXPECT_EQ(s.keyHigh, 127);
    EXPECT_EQ(s.bank, -30000);
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(s.velocityCurve[static_cast<std::size_t>(i)], i);
    }
    EXPECT_EQ(s.curveEditMode, 1);
    EXPECT_STREQ(s.comment.data(), "Setup 0 Split 18");
    EXPECT_EQ(s.reserved220, -30000);
    EXPECT_EQ(s.playingLimit, 1);
    EXPECT_EQ(s.noteInterval, 2);
    EXPECT_EQ(s.noteCounter, 17);
    EXPECT_EQ(s.noteCounterReset, 1);
    EXPECT_EQ(s.controllerTarget, 1);
    EXPECT_EQ(s.velocityTarget, 1);
    EXPECT_EQ(s.sampleMode, 1);
    EXPECT_EQ(s.rootNote, 60);
    EXPECT_STREQ(s.fileName.data(), "no sample or AVI file loaded");
    EXPECT_EQ(s.task, 1);
    EXPECT_EQ(s.lastIndex, 8);
    EXPECT_EQ(s.loopTempo, 120);
    EXPECT_EQ(s.setupTempo, 120);
    EXPECT_EQ(s.crossfaderValue, 63);
    EXPECT_EQ(s.splitNumber, 17);
    EXPECT_EQ(s.screenMask, 4);
    // Sample block.
    EXPECT_EQ(s.sample.sampleRate, 22050);
    EXPECT_EQ(s.sample.pan, 400);
    EXPECT_EQ(s.sample.sampleFlags, 9);
    EXPECT_EQ(s.sample.volume, 0);
    EXPECT_EQ(s.sample.loopStart, 0);
    // Video block words, by split offset.
    const auto w = [&](std::size_t offset) { return s.video.word(offset); };
    EXPECT_EQ(w(604), 17);
    EXPECT_EQ(w(608), -1);
    EXPECT_EQ(w(616), 0);
    EXPECT_EQ(w(620), 1000);
    EXPECT_EQ(w(664), 0);
    EXPECT_EQ(w(692), 0);
    EXPECT_EQ(w(696), 1000);
    EXPECT_EQ(w(724), 1000);
    EXPECT_EQ(w(740), 0xFFFF);
    EXPECT_EQ(w(768), -1);
    EXPECT_EQ(w(808), 0x800000);
    EXPECT_EQ(w(836), 2);
    EXPECT_EQ(w(840), 0);
    EXPECT_EQ(w(844), 1);
    EXPECT_EQ(w(872), 1);
    EXPECT_EQ(w(876), -1);
    // The record's bytes at a few file offsets, as a setup file stores them.
    unsigned char bytes[sizeof(Split)];
    std::memcpy(bytes, &s, sizeof s);
    EXPECT_EQ(bytes[12], 17);
    EXPECT_EQ(bytes[52 + 100], 100);
    EXPECT_EQ(bytes[568], 1);
    EXPECT_EQ(bytes[880 + 20] | (bytes[880 + 21] << 8), 400);
}

TEST(SplitRecord, NoteNamesAndGeneralMidi) {
    EXPECT_EQ(noteName(60), " C3");
    EXPECT_EQ(noteName(61), "#C3");
    EXPECT_EQ(noteName(0), " C-2");
    EXPECT_EQ(noteName(127), " G8");
    EXPECT_EQ(noteName(-1), " B-3"); // a damaged file's key still names a note
    EXPECT_STREQ(generalMidiName(0), "1 Acoustic Grand");
    EXPECT_STREQ(generalMidiName(21), "22 Accoridan");
    EXPECT_STREQ(generalMidiName(77), "78 Skakuhachi");
    EXPECT_STREQ(generalMidiName(127), "128 Gunshot");
    EXPECT_STREQ(generalMidiName(128), "");
    EXPECT_STREQ(generalMidiName(-1), "");
}

TEST_F(EngineTest, SplitSummaryLines) {
    EXPECT_EQ(splitSummary(engine.split(8), 8), "Split 09\toff\t \t \t \t \t");
    EXPECT_EQ(splitSummary(engine.split(9), 9), "Split 10\toff\t \t \t \t \t");

    Split& s = on(0);
    s.program = 4;
    s.velocityMin = 10;
    s.velocityMax = 100;
    s.keyLow = 36;
    s.keyHigh = 96;
    s.midiInChannel = 2;
    s.transpose = -12;
    EXPECT_EQ(splitSummary(s, 0), "Split 01\t5 Electric Piano 1\t1\t10-100\t C1- C6\t3\t-12");

    s.keyHigh = 36;
    s.showComment = 1;
    EXPECT_EQ(splitSummary(s, 0), "Split 01\tSetup 0 Split 1\t1\t10-100\t C1\t3\t-12");

    // A sample split shows its bare file name (old Windows-1252 bytes converted).
    s.showComment = 0;
    s.task = 2;
    setFieldText(s.fileName, "C:\\Loops\\Gr\xFC\xDF.wav");
    s.fileTitleOffset = 9;
    EXPECT_EQ(splitSummary(s, 0), "Split 01\tGr\xC3\xBC\xC3\x9F.wav\t1\t10-100\t C1\t3\t-12");
    s.fileTitleOffset = 100000; // damaged: nothing past the field is read
    EXPECT_EQ(splitSummary(s, 0), "Split 01\t\t1\t10-100\t C1\t3\t-12");

    // Splits 17-24 default to output channels above 15; the list shows the channel they send on.
    Split& high = on(20);
    EXPECT_EQ(splitSummary(high, 20), "Split 21\t1 Acoustic Grand\t5\t0-127\t C-2- G8\t1\t0");
}

TEST_F(EngineTest, NewSetupsResetsEverything) {
    on(3).transpose = 5;
    engine.currentSetup().setupName[0] = 'X';
    engine.setCurrentSplit(7);
    engine.newSetups();
    EXPECT_EQ(engine.split(3).state, 0);
    EXPECT_EQ(engine.split(3).transpose, 0);
    EXPECT_EQ(engine.currentSetup().setupName[0], '\0');
    EXPECT_EQ(engine.currentSetup().setupNumber, 0);
    EXPECT_EQ(engine.currentSplit(), 0);
    EXPECT_EQ(engine.currentProgram(), 0);
    EXPECT_EQ(tonwerk::midi::microsecondsPerTick(120), 1302u);
    EXPECT_EQ(tonwerk::midi::microsecondsPerTick(0), 156250u);
}

TEST(SplitRecord, FixedFieldsNeverOverflow) {
    std::array<char, 20> field{};
    EXPECT_TRUE(setFieldText(field, "nineteen characters"));
    EXPECT_EQ(fieldText(field), "nineteen characters");
    EXPECT_FALSE(setFieldText(field, "twenty characters!!!"));
    EXPECT_EQ(fieldText(field), "nineteen characters");
    field.fill('x'); // no terminator at all: only the field is read
    EXPECT_EQ(fieldText(field), std::string(20, 'x'));
}

} // namespace
