#include "KeyboardGeometry.h"

namespace tonwerk::ui {

namespace {

// The white key a pitch class lies on or right of (0-6), and whether it is black.
constexpr int kWhiteIndex[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr bool kBlack[12] = {false, true, false, true, false, false, true, false, true, false, true, false};

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

} // namespace

bool KeyboardGeometry::isBlack(int key) { return kBlack[((key % 12) + 12) % 12]; }

KeyboardGeometry::KeyRect KeyboardGeometry::keyRect(int key) const {
    const int offset = key - firstKey;
    const int octave = floorDiv(offset, 12);
    const int pitch = offset - 12 * octave;
    const int whiteLeft = octave * kOctaveWidth + kWhiteIndex[pitch] * kWhiteWidth;
    if (!kBlack[pitch]) {
        return {whiteLeft, 0, kWhiteWidth, height, false};
    }
    // Centred on the line between its white key and the next.
    return {whiteLeft + kWhiteWidth - kBlackWidth / 2 - 1, 0, kBlackWidth, height * 6 / 10, true};
}

std::optional<int> KeyboardGeometry::keyAt(int x, int y) const {
    if (y < 0 || y >= height) {
        return std::nullopt;
    }
    const int octave = floorDiv(x, kOctaveWidth);
    const int inOctave = x - octave * kOctaveWidth;
    const int base = firstKey + 12 * octave;
    // Black keys first: they lie on top.
    for (int pitch = 0; pitch < 12; ++pitch) {
        if (kBlack[pitch]) {
            const KeyRect r = keyRect(base + pitch);
            const int left = r.x - octave * kOctaveWidth;
            if (inOctave >= left && inOctave < left + r.width && y < r.height) {
                return base + pitch;
            }
        }
    }
    static constexpr int kWhitePitch[7] = {0, 2, 4, 5, 7, 9, 11};
    return base + kWhitePitch[inOctave / kWhiteWidth];
}

} // namespace tonwerk::ui
