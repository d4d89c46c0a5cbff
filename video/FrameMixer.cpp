#include "FrameMixer.h"

#include "VideoEffects.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tonwerk::video {

namespace {

// Clips a span [start, start+length) to [0, limit): a start beyond the limit becomes 0, a negative
// start 0, and the length is cut to what is left.
void clipSpan(int& start, int& length, int limit) {
    if (start > limit || start < 0) {
        start = 0;
    }
    length = std::clamp(length, 0, limit - start);
}

enum class Mode { Standard, Stamp, BlueBox1, BlueBox2, BlackBox, WhiteBox, ColorRange };

Mode modeOf(std::int32_t flags) {
    if ((flags & MixBit::kColorRangeKey) != 0) {
        return Mode::ColorRange;
    }
    if ((flags & MixBit::kBlueBox1) != 0) {
        return Mode::BlueBox1;
    }
    if ((flags & MixBit::kBlueBox2) != 0) {
        return Mode::BlueBox2;
    }
    if ((flags & MixBit::kWhiteBox) != 0) {
        return Mode::WhiteBox;
    }
    if ((flags & MixBit::kBlackBox) != 0) {
        return Mode::BlackBox;
    }
    if ((flags & MixBit::kStamp) != 0) {
        return Mode::Stamp;
    }
    return Mode::Standard;
}

inline void copyPixel(std::uint8_t* d, const std::uint8_t* s) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

inline void blendPixel(std::uint8_t* d, const std::uint8_t* s, int inv) {
    for (int i = 0; i < 3; ++i) {
        d[i] = static_cast<std::uint8_t>((d[i] * inv) / 256 + s[i]);
    }
}

// "blue box 2": over the whole buffer, strongly blue layer pixels let the picture below through.
void blueBox2(const midi::VideoBlock& video, int b, const FrameBuffer& a, FrameBuffer& mix) {
    const int level = video.blueKeyLevel & 0xFF;
    const std::span<const std::uint8_t> src = a.pixels();
    const std::span<std::uint8_t> dst = mix.pixels();
    const std::size_t triples = std::min(src.size(), dst.size()) / 3;
    for (std::size_t i = 0; i < triples; ++i) {
        const std::uint8_t* s = src.data() + 3 * i;
        std::uint8_t* d = dst.data() + 3 * i;
        if (s[0] == 0 && s[1] == 0 && s[2] == 0) {
            continue;
        }
        const int k = std::max(1, (level * s[0]) / 256);
        int weight = std::min(255, (k * k * 750) / ((s[1] + s[2] + 1) * 256));
        const int c = 255 - weight;
        if (b < 255) {
            weight = (weight * b) / 256 - b + 255;
        }
        for (int j = 0; j < 3; ++j) {
            d[j] = static_cast<std::uint8_t>((c * s[j] + weight * d[j]) / 256);
        }
    }
}

} // namespace

bool scaleFrameInto(std::span<const std::uint8_t> frame, FrameBuffer& layer, PictureRect dest) {
    if (frame.size() < kBitmapHeaderBytes || dest.width <= 0 || dest.height <= 0) {
        return false;
    }
    const auto headerSize = platform::readLe32(frame.data());
    const auto sw = static_cast<std::int32_t>(platform::readLe32(frame.data() + 4));
    const auto sh = static_cast<std::int32_t>(platform::readLe32(frame.data() + 8));
    const unsigned bits = platform::readLe16(frame.data() + 14);
    const auto compression = platform::readLe32(frame.data() + 16);
    if (headerSize != kBitmapHeaderBytes || bits != 24 || compression != 0 || sw <= 0 || sh <= 0 ||
        sw > kMaxPictureSide || sh > kMaxPictureSide) {
        return false;
    }
    const std::size_t srcStride = rowBytes(sw);
    if (frame.size() - kBitmapHeaderBytes < srcStride * static_cast<std::size_t>(sh)) {
        return false;
    }
    const std::uint8_t* src = frame.data() + kBitmapHeaderBytes;
    const int w = layer.width();
    const int h = layer.height();
    const std::int64_t fx = static_cast<std::int64_t>(sw) * 65536 / dest.width;
    const std::int64_t fy = static_cast<std::int64_t>(sh) * 65536 / dest.height;
    // The destination's first memory row and column; rows past the top and columns past the right
    // edge of the layer are left out.
    const std::int64_t firstRow = std::max<std::int64_t>(0, std::int64_t{h} - dest.height - dest.y);
    const int firstColumn = std::max(0, dest.x);
    const int columns = static_cast<int>(std::min<std::int64_t>(dest.width, std::int64_t{w} - firstColumn));
    const int rows = static_cast<int>(std::min<std::int64_t>(dest.height, h - firstRow));
    if (columns <= 0 || rows <= 0) {
        return true;
    }
    if (fx == 65536 && fy == 65536) {
        for (int i = 0; i < rows; ++i) {
            std::memcpy(layer.row(static_cast<int>(firstRow) + i) + std::ptrdiff_t{3} * firstColumn,
                        src + srcStride * static_cast<std::size_t>(i),
                        3 * static_cast<std::size_t>(std::min(columns, sw)));
        }
        return true;
    }
    std::int64_t previousSource = -1;
    for (int i = 0; i < rows; ++i) {
        const std::int64_t sourceRow = std::min<std::int64_t>((fy * i) >> 16, sh - 1);
        std::uint8_t* out = layer.row(static_cast<int>(firstRow) + i) + std::ptrdiff_t{3} * firstColumn;
        if (sourceRow == previousSource) {
            std::memcpy(out, layer.row(static_cast<int>(firstRow) + i - 1) + std::ptrdiff_t{3} * firstColumn,
                        3 * static_cast<std::size_t>(columns));
            continue;
        }
        previousSource = sourceRow;
        const std::uint8_t* in = src + srcStride * static_cast<std::size_t>(sourceRow);
        std::int64_t accumulator = 0;
        std::int64_t column = 0;
        for (int j = 0; j < columns; ++j) {
            accumulator += fx;
            column += accumulator >> 16;
            accumulator &= 0xFFFF;
            copyPixel(out + std::ptrdiff_t{3} * j, in + 3 * std::min<std::ptrdiff_t>(column, sw - 1));
        }
    }
    return true;
}

PictureRect mixRectangle(const midi::VideoBlock& video, int width, int height) {
    const auto toInt = [](std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    PictureRect r{video.mixX, video.mixY, video.mixWidth, video.mixHeight};
    bool whole = video.mixX == -1;
    if (modeOf(video.effectFlags) == Mode::Stamp) {
        const std::int64_t x = std::int64_t{video.mixX} + video.mixWidth / 4;
        r = {toInt(x), toInt(std::int64_t{video.mixY} + video.mixHeight / 4), video.mixWidth / 2, video.mixHeight / 2};
        whole = x == -1;
    }
    if (whole) {
        r = {0, 0, width, height};
    }
    clipSpan(r.x, r.width, width);
    clipSpan(r.y, r.height, height);
    return r;
}

void mixLayer(const midi::VideoBlock& video, int blendLevel, const FrameBuffer& a, FrameBuffer& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return;
    }
    const int level = std::clamp(blendLevel, 0, 255);
    const int inv = 255 - level;
    const bool opaque = level == 255;
    const Mode mode = modeOf(video.effectFlags);
    if (mode == Mode::BlueBox2) {
        blueBox2(video, level, a, b);
        return;
    }
    const PictureRect r = mixRectangle(video, a.width(), a.height());
    const int h = a.height();
    const int blue = video.blueKeyLevel & 0xFF;
    const int black = video.blackKeyLevel & 0xFF;
    const int white = opaque ? (video.whiteKeyLevel & 0xFF) : ((video.whiteKeyLevel & 0xFF) * level) / 256;
    // Bounds of the colour-range key, 64-bit so stored values of any size cannot overflow.
    std::int64_t low[3];
    std::int64_t high[3];
    for (int c = 0; c < 3; ++c) {
        // keyRange holds red, green, blue (min, max); pixels are blue, green, red.
        const int entry = 2 * (2 - c);
        low[c] = video.keyRange[static_cast<std::size_t>(entry)];
        high[c] = video.keyRange[static_cast<std::size_t>(entry) + 1];
        if (opaque) {
            low[c] -= 5;
            high[c] += 5;
        } else {
            low[c] = low[c] * level / 256;
            high[c] = high[c] * level / 256;
        }
    }
    for (int line = r.y; line < r.y + r.height; ++line) {
        const int k = h - 1 - line; // picture lines count from the top, memory rows from the bottom
        const std::uint8_t* s = a.row(k) + std::ptrdiff_t{3} * r.x;
        std::uint8_t* d = b.row(k) + std::ptrdiff_t{3} * r.x;
        for (int j = 0; j < r.width; ++j, s += 3, d += 3) {
            bool leftOut = false;
            switch (mode) {
            case Mode::Standard:
                for (int c = 0; c < 3; ++c) {
                    d[c] = static_cast<std::uint8_t>(std::min(255, d[c] + s[c]));
                }
                continue;
            case Mode::Stamp:
                if (opaque) {
                    copyPixel(d, s);
                } else {
                    for (int c = 0; c < 3; ++c) {
                        d[c] = static_cast<std::uint8_t>(std::min(255, (d[c] * inv) / 256 + s[c]));
                    }
                }
                continue;
            case Mode::BlueBox1: {
                const int key = (s[0] * blue) / 256;
                leftOut = key >= s[1] && key > s[2] && (!opaque || key >= 70);
                break;
            }
            case Mode::BlackBox:
                leftOut = s[0] <= black && s[1] <= black && s[2] < black;
                break;
            case Mode::WhiteBox:
                leftOut = s[0] >= white && s[1] >= white && s[2] > white;
                break;
            case Mode::ColorRange:
                leftOut = true;
                for (int c = 0; c < 3; ++c) {
                    leftOut = leftOut && s[c] >= low[c] && s[c] <= high[c];
                }
                break;
            case Mode::BlueBox2:
                break;
            }
            if (leftOut) {
                continue;
            }
            if (opaque) {
                copyPixel(d, s);
            } else {
                blendPixel(d, s, inv);
            }
        }
    }
}

} // namespace tonwerk::video
