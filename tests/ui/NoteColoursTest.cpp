#include "screens/controls/NoteColours.h"

#include <gtest/gtest.h>

using namespace tonwerk::ui;

TEST(NoteColours, ColoursAndHeights) {
    EXPECT_EQ(pitchClassColour(60), (Rgb{0, 0, 0}));
    EXPECT_EQ(pitchClassColour(61), (Rgb{255, 0, 0}));
    EXPECT_EQ(pitchClassColour(71), (Rgb{166, 202, 240}));
    EXPECT_EQ(pitchClassColour(-1), (Rgb{166, 202, 240})); // a key below 0 still has a class
    EXPECT_EQ(velocityLineY(10, 137, 127), 10);
    EXPECT_EQ(velocityLineY(10, 137, 0), 137);
    EXPECT_EQ(velocityLineY(10, 137, 64), 10 + 127 * 63 / 127);
    EXPECT_EQ(velocityLineY(10, 137, 300), 10); // limited to 0-127
}

TEST(NoteColours, RememberedKeysAndTheVelocityDisplay) {
    NoteColourBar bar;
    EXPECT_FALSE(bar.shownVelocity());
    EXPECT_EQ(bar.noteOn(64, 90).colour, pitchClassColour(64));
    bar.noteOn(67, 40);
    EXPECT_EQ(bar.shownVelocity(), 40);
    // The note-off's black line lies where the key was struck.
    const auto off = bar.noteOff(64);
    ASSERT_TRUE(off);
    EXPECT_EQ(off->velocity, 90);
    EXPECT_EQ(off->colour, (Rgb{0, 0, 0}));
    EXPECT_FALSE(bar.noteOff(64)); // not sounding any more
    EXPECT_EQ(bar.shownVelocity(), 40);
    bar.noteOff(67);
    EXPECT_FALSE(bar.shownVelocity()); // cleared when nothing remembered sounds

    // Beyond 64 sounding keys the oldest is forgotten: its note-off draws nothing.
    for (int k = 0; k < 70; ++k) {
        bar.noteOn(k, k + 1);
    }
    EXPECT_EQ(bar.soundingKeys(), NoteColourBar::kRemembered);
    EXPECT_FALSE(bar.noteOff(5));
    ASSERT_TRUE(bar.noteOff(6));
    EXPECT_EQ(bar.shownVelocity(), 70);
    bar.reset();
    EXPECT_EQ(bar.soundingKeys(), 0);
}

#include "screens/controls/NoteColourStrip.h"

TEST(NoteColourStrip, LinesAtTheVelocityInThePitchColour) {
    NoteColourStrip strip;
    strip.resize(16, 128);
    strip.noteOn(61, 127); // red, at the top
    strip.noteOn(62, 0);   // green, at the bottom
    QImage picture = strip.grab().toImage();
    EXPECT_EQ(picture.pixelColor(8, 0), QColor(255, 0, 0));
    EXPECT_EQ(picture.pixelColor(8, 127), QColor(0, 255, 0));
    EXPECT_EQ(picture.pixelColor(2, 0), QColor(0, 0, 0)); // 4 pixels in from the side
    EXPECT_EQ(strip.shownVelocity(), 0);
    strip.noteOff(61);
    picture = strip.grab().toImage();
    EXPECT_EQ(picture.pixelColor(8, 0), QColor(0, 0, 0)); // the black line where it was struck
    strip.reset();
    EXPECT_FALSE(strip.shownVelocity());
    EXPECT_EQ(strip.grab().toImage().pixelColor(8, 127), QColor(0, 0, 0));
}
