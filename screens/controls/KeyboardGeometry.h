#pragma once

#include <optional>

namespace tonwerk::ui {

// The on-screen keyboard's keys in pixels: 147 pixels an octave, seven white keys of 21 pixels,
// black keys 13 pixels wide and 60 % as long, centred on the line between their white keys. Key
// `firstKey` (a C) begins at x 0.
struct KeyboardGeometry {
    static constexpr int kOctaveWidth = 147;
    static constexpr int kWhiteWidth = kOctaveWidth / 7;
    static constexpr int kBlackWidth = 13;

    int firstKey = 36; // C1
    int height = 40;

    struct KeyRect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool black = false;
    };

    [[nodiscard]] static bool isBlack(int key);
    // The key's rectangle (keys left of firstKey lie at negative x).
    [[nodiscard]] KeyRect keyRect(int key) const;
    // The key under a point: black keys lie on top of white ones; none above or below the keys.
    [[nodiscard]] std::optional<int> keyAt(int x, int y) const;
};

} // namespace tonwerk::ui
