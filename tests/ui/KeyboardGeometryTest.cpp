#include "screens/controls/KeyboardGeometry.h"

#include <gtest/gtest.h>

using namespace tonwerk::ui;

TEST(KeyboardGeometry, KeysAndHits) {
    const KeyboardGeometry g{36, 40};
    EXPECT_EQ(KeyboardGeometry::kWhiteWidth, 21);
    // An octave is 147 pixels: the next C lies 147 pixels on.
    EXPECT_EQ(g.keyRect(36).x, 0);
    EXPECT_EQ(g.keyRect(48).x, 147);
    EXPECT_EQ(g.keyRect(47).x, 126); // B, the seventh white key
    EXPECT_FALSE(g.keyRect(40).black);
    const auto cSharp = g.keyRect(37);
    EXPECT_TRUE(cSharp.black);
    EXPECT_EQ(cSharp.height, 24);
    EXPECT_LT(cSharp.x, 21);
    EXPECT_GT(cSharp.x + cSharp.width, 21); // over the line between C and D
    EXPECT_EQ(g.keyRect(24).x, -147);       // left of the first key

    // Every pixel of the keys' strip belongs to exactly the key whose rectangle holds it, black on top.
    for (int x = -147; x < 3 * 147; ++x) {
        for (int y = 0; y < 40; y += 3) {
            const auto key = g.keyAt(x, y);
            ASSERT_TRUE(key) << x << "," << y;
            const auto r = g.keyRect(*key);
            ASSERT_TRUE(x >= r.x && x < r.x + r.width && y < r.height) << x << "," << y << " key " << *key;
            if (!r.black && y < 24) {
                // No black key that would hold the point.
                for (const int neighbour : {*key - 1, *key + 1}) {
                    const auto b = g.keyRect(neighbour);
                    ASSERT_FALSE(b.black && x >= b.x && x < b.x + b.width) << x << "," << y;
                }
            }
        }
    }
    EXPECT_FALSE(g.keyAt(10, 40));
    EXPECT_FALSE(g.keyAt(10, -1));
    EXPECT_EQ(g.keyAt(2, 39), 36);
    EXPECT_EQ(g.keyAt(21, 5), 37);  // C sharp on top of the line
    EXPECT_EQ(g.keyAt(21, 30), 38); // below the black key: D
}

#include "screens/controls/OnScreenKeyboard.h"

#include <QImage>

TEST(OnScreenKeyboard, LitKeysShowAndResetDarkensAll) {
    OnScreenKeyboard keyboard;
    keyboard.resize(3 * 147, 40);
    keyboard.setFirstKey(38); // moved down to the C below
    EXPECT_EQ(keyboard.firstKey(), 36);
    keyboard.setLit(36, true);
    keyboard.setLit(37, true);
    keyboard.setLit(200, true); // not a key: nothing
    EXPECT_TRUE(keyboard.lit(36));
    EXPECT_FALSE(keyboard.lit(200));
    const QImage picture = keyboard.grab().toImage();
    EXPECT_EQ(picture.pixelColor(5, 35), QColor(255, 255, 0));    // C, below the black key
    EXPECT_EQ(picture.pixelColor(20, 10), QColor(0, 220, 220));   // C sharp
    EXPECT_EQ(picture.pixelColor(30, 35), QColor(232, 228, 210)); // D, dark
    keyboard.reset();
    EXPECT_FALSE(keyboard.lit(36));
    EXPECT_EQ(keyboard.grab().toImage().pixelColor(5, 35), QColor(232, 228, 210));
}
