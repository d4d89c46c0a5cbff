#pragma once

#include "FrameBuffer.h"
#include "midi/Split.h"

#include <cstdint>
#include <span>

namespace tonwerk::video {

// A rectangle in picture coordinates: x from the left, y from the top.
struct PictureRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Copies a decoded frame (40-byte header, then 24-bit bottom-up pixels) into `layer` at `dest`,
// nearest-neighbour in 16.16 fixed point, or row by row when the sizes match. False, and the layer
// untouched, when the frame is not an uncompressed 24-bit bitmap whose pixels fit its bytes, or the
// destination is empty. Whatever `dest` holds, only the layer's own pixels are written.
bool scaleFrameInto(std::span<const std::uint8_t> frame, FrameBuffer& layer, PictureRect dest);

// The layer's mixing rectangle: (mixX, mixY, mixWidth, mixHeight), the whole picture when mixX is
// −1, the centred half for "stamp"; clipped to width × height so it never leaves the picture.
[[nodiscard]] PictureRect mixRectangle(const midi::VideoBlock& video, int width, int height);

// Mixes layer A into the mix buffer B by the split's mixing mode at blend level `blendLevel`
// (0–255, from the layer's effects). A and B must have the same size. No allocation.
void mixLayer(const midi::VideoBlock& video, int blendLevel, const FrameBuffer& a, FrameBuffer& b);

} // namespace tonwerk::video
