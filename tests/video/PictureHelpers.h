#pragma once

#include "midi/Split.h"
#include "video/FrameBuffer.h"

#include <cstdint>
#include <random>
#include <vector>

namespace tonwerk::test {

// A video block with the split defaults.
inline midi::VideoBlock defaultVideo() {
    midi::Split split{};
    midi::resetVideoBlock(split, 0);
    return split.video;
}

// Pixel (x, y) of a picture, y counted from the top (memory rows are bottom-up).
inline std::uint8_t* pixelAt(video::FrameBuffer& b, int x, int y) { return b.row(b.height() - 1 - y) + 3 * x; }

// Every pixel byte random; the row padding too, so whole-buffer passes are seen.
inline void fillRandom(video::FrameBuffer& b, std::mt19937& random) {
    for (std::uint8_t& x : b.pixels()) {
        x = static_cast<std::uint8_t>(random());
    }
}

// A decoded-frame image (40-byte header + bottom-up pixels) of width × height from a function of
// (x, y-from-top, channel).
template <typename F>
std::vector<std::uint8_t> makeFrame(int width, int height, F value) {
    video::FrameBuffer b(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                pixelAt(b, x, y)[c] = static_cast<std::uint8_t>(value(x, y, c));
            }
        }
    }
    // Trim to the exact bitmap size (rows padded to 4 bytes), as a decoder delivers it.
    std::vector<std::uint8_t> bytes(
        b.bytes().begin(),
        b.bytes().begin() + static_cast<std::ptrdiff_t>(video::kBitmapHeaderBytes +
                                                        video::rowBytes(width) * static_cast<std::size_t>(height)));
    return bytes;
}

} // namespace tonwerk::test
