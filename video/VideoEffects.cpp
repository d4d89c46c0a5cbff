#include "VideoEffects.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tonwerk::video {

const std::array<EffectEntry, 16> kEffectTable = {{
    {"No Effect", Effect::kNone},
    {"Reverse Play", Effect::kReversePlay},
    {"Symmetry horizontal", Effect::kSymmetryHorizontal},
    {"Symmetry vertical", Effect::kSymmetryVertical},
    {"Kaleidoscope", Effect::kKaleidoscope},
    {"Inverse Color", Effect::kInverseColor},
    {"Grayscale", Effect::kGrayscale},
    {"False Color 1", Effect::kFalseColor1},
    {"False Color 2", Effect::kFalseColor2},
    {"False Color 3", Effect::kFalseColor3},
    {"Quantize L", Effect::kQuantizeL},
    {"Quantize M", Effect::kQuantizeM},
    {"Quantize H", Effect::kQuantizeH},
    {"Mirror horizontal", Effect::kMirrorHorizontal},
    {"Mirror vertical", Effect::kMirrorVertical},
    {"Reset All Effects", Effect::kResetAll},
}};

namespace {

// Rows k = 0 … H/2−1 take row H−1−k (copy) or trade with it (swap).
void verticalPass(FrameBuffer& b, bool swap) {
    const int h = b.height();
    const std::size_t n = static_cast<std::size_t>(b.width()) * 3;
    for (int k = 0; k < h / 2; ++k) {
        std::uint8_t* low = b.row(k);
        std::uint8_t* high = b.row(h - 1 - k);
        if (swap) {
            std::swap_ranges(low, low + n, high);
        } else {
            std::memcpy(low, high, n);
        }
    }
}

// In rows first … first+count−1, pixel W−1−j takes pixel j (copy) or trades with it (swap).
void horizontalPass(FrameBuffer& b, int first, int count, bool swap) {
    const int w = b.width();
    for (int k = first; k < first + count; ++k) {
        std::uint8_t* row = b.row(k);
        for (int j = 0; j < w / 2; ++j) {
            std::uint8_t* left = row + std::ptrdiff_t{3} * j;
            std::uint8_t* right = row + std::ptrdiff_t{3} * (w - 1 - j);
            if (swap) {
                std::swap_ranges(left, left + 3, right);
            } else {
                std::memcpy(right, left, 3);
            }
        }
    }
}

template <typename F>
void eachTriple(std::span<std::uint8_t> pixels, F f) {
    const std::size_t triples = pixels.size() / 3;
    std::uint8_t* p = pixels.data();
    for (std::size_t i = 0; i < triples; ++i, p += 3) {
        f(p);
    }
}

template <typename F>
void eachByte(std::span<std::uint8_t> pixels, F f) {
    for (std::uint8_t& x : pixels) {
        x = f(x);
    }
}

// Sets `bit` alone within `group`, or clears it when it is already set.
void exclusiveToggle(midi::VideoBlock& v, std::int32_t bit, std::int32_t group) {
    if ((v.effectFlags & bit) != 0) {
        v.effectFlags &= ~bit;
    } else {
        v.effectFlags = (v.effectFlags & ~group) | bit;
    }
}

bool isSingleBitOf(std::int32_t value, std::int32_t group) {
    return (value & group) == value && value != 0 && (value & (value - 1)) == 0;
}

} // namespace

int applyEffects(const midi::VideoBlock& video, FrameBuffer& layer) {
    int blendLevel = kOpaque;
    const std::int32_t f = video.effectFlags;
    const int h = layer.height();
    const std::span<std::uint8_t> pixels = layer.pixels();
    if (layer.width() == 0 || h == 0) {
        return blendLevel;
    }
    if ((f & Effect::kSymmetryVertical) != 0) {
        verticalPass(layer, false);
    }
    if ((f & Effect::kMirrorVertical) != 0) {
        verticalPass(layer, true);
    }
    if ((f & Effect::kSymmetryHorizontal) != 0) {
        horizontalPass(layer, 0, h, false);
    }
    if ((f & Effect::kMirrorHorizontal) != 0) {
        horizontalPass(layer, 0, h, true);
    }
    if ((f & Effect::kKaleidoscope) != 0) {
        horizontalPass(layer, h / 2, h / 2, false);
        verticalPass(layer, false);
    }
    if ((f & Effect::kGrayscale) != 0) {
        eachTriple(pixels, [](std::uint8_t* p) {
            const auto v = static_cast<std::uint8_t>((p[0] + p[1] + p[2]) / 3);
            p[0] = p[1] = p[2] = v;
        });
    }
    if ((f & Effect::kInverseColor) != 0) {
        eachByte(pixels, [](std::uint8_t x) { return static_cast<std::uint8_t>(255 - x); });
    }
    if ((f & Effect::kFalseColor1) != 0) {
        eachTriple(pixels, [](std::uint8_t* p) {
            const std::uint8_t b = p[0];
            p[0] = p[1];
            p[1] = p[2];
            p[2] = b;
        });
    }
    if ((f & Effect::kFalseColor2) != 0) {
        eachTriple(pixels, [](std::uint8_t* p) {
            const std::uint8_t b = p[0];
            p[0] = p[2];
            p[2] = p[1];
            p[1] = b;
        });
    }
    if ((f & Effect::kFalseColor3) != 0) {
        eachTriple(pixels, [](std::uint8_t* p) {
            p[0] &= 0x70;
            p[1] &= 0x70;
            p[2] &= 0xE0;
        });
    }
    if ((f & Effect::kQuantizeL) != 0) {
        eachByte(pixels, [](std::uint8_t x) { return static_cast<std::uint8_t>((x & 0xE0) + 0x1F); });
    }
    if ((f & Effect::kQuantizeM) != 0) {
        eachByte(pixels, [](std::uint8_t x) { return static_cast<std::uint8_t>((x & 0xC0) + 0x3F); });
    }
    if ((f & Effect::kQuantizeH) != 0) {
        eachByte(pixels, [](std::uint8_t x) { return static_cast<std::uint8_t>(x >= 0x80 ? 0xFF : 0x00); });
    }
    if ((video.optionFlags & VideoOption::kVelocityBrightness) != 0 && video.brightness != kNoBrightness) {
        // The factor applied is the low byte of brightness / 256; the blend level is that same
        // factor, so a stored brightness of any value keeps the mixing arithmetic in 8 bits.
        const int factor = (video.brightness / 256) & 0xFF;
        blendLevel = factor;
        eachByte(pixels, [factor](std::uint8_t x) { return static_cast<std::uint8_t>((x * factor) / 256); });
    }
    return blendLevel;
}

void toggleEffect(midi::VideoBlock& video, std::int32_t value) {
    if ((video.effectFlags & value) != 0) {
        video.effectFlags &= ~value;
    } else {
        video.effectFlags |= value;
    }
}

void setMixMode(midi::VideoBlock& video, std::int32_t value, std::int32_t mask) {
    if ((value & MixBit::kMask) != 0) {
        video.mixMode = value;
        video.effectFlags = (video.effectFlags & ~mask) | value;
    } else if ((value & video.effectFlags) != 0) {
        video.effectFlags &= ~value;
    } else {
        video.effectFlags = (video.effectFlags & ~mask) | value;
    }
}

void switchRowEffectOn(midi::VideoBlock& video, std::int32_t value) {
    if (isSingleBitOf(value, Effect::kGeometryMask)) {
        exclusiveToggle(video, value, Effect::kGeometryMask);
    } else if (isSingleBitOf(value, Effect::kQuantizeMask)) {
        exclusiveToggle(video, value, Effect::kQuantizeMask);
    } else if (isSingleBitOf(value, Effect::kFalseColorMask)) {
        exclusiveToggle(video, value, Effect::kFalseColorMask);
    } else if (value == Effect::kReversePlay || value == Effect::kGrayscale || value == Effect::kInverseColor) {
        toggleEffect(video, value);
    } else if (value == Effect::kResetAll) {
        video.effectFlags = video.mixMode;
    }
}

void switchRowEffectOff(midi::VideoBlock& video, std::int32_t value) {
    const bool switchable = isSingleBitOf(value, Effect::kGeometryMask) ||
                            isSingleBitOf(value, Effect::kQuantizeMask) ||
                            isSingleBitOf(value, Effect::kFalseColorMask) || value == Effect::kReversePlay ||
                            value == Effect::kGrayscale || value == Effect::kInverseColor;
    if (switchable && (video.effectFlags & value) != 0) {
        video.effectFlags &= ~value;
    }
}

} // namespace tonwerk::video
