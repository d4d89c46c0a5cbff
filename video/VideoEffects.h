#pragma once

#include "FrameBuffer.h"
#include "midi/Split.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace tonwerk::video {

// Effect bits of `effectFlags`. Stored in setup files: the values never change.
namespace Effect {
inline constexpr std::int32_t kNone = 0x00000001;
inline constexpr std::int32_t kSymmetryVertical = 0x00000002;
inline constexpr std::int32_t kSymmetryHorizontal = 0x00000004;
inline constexpr std::int32_t kKaleidoscope = 0x00000008;
inline constexpr std::int32_t kMirrorVertical = 0x00000010;
inline constexpr std::int32_t kMirrorHorizontal = 0x00000020;
inline constexpr std::int32_t kReversePlay = 0x00000200;
inline constexpr std::int32_t kGrayscale = 0x00008000;
inline constexpr std::int32_t kInverseColor = 0x00010000;
inline constexpr std::int32_t kQuantizeL = 0x00020000;
inline constexpr std::int32_t kQuantizeM = 0x00040000;
inline constexpr std::int32_t kQuantizeH = 0x00080000;
inline constexpr std::int32_t kFalseColor1 = 0x00100000;
inline constexpr std::int32_t kFalseColor2 = 0x00200000;
inline constexpr std::int32_t kFalseColor3 = 0x00400000;
inline constexpr std::int32_t kResetAll = 0x00800000;
inline constexpr std::int32_t kGeometryMask = 0x0000003E;
inline constexpr std::int32_t kQuantizeMask = 0x000E0000;
inline constexpr std::int32_t kFalseColorMask = 0x00700000;
} // namespace Effect

// Mixing-mode bits, carried in `effectFlags` beside the effects (exactly one is set).
namespace MixBit {
inline constexpr std::int32_t kStamp = 0x00000400;
inline constexpr std::int32_t kBlueBox1 = 0x00000800;
inline constexpr std::int32_t kColorRangeKey = 0x00001000;
inline constexpr std::int32_t kBlackBox = 0x00002000;
inline constexpr std::int32_t kWhiteBox = 0x00004000;
inline constexpr std::int32_t kStandard = 0x04000000;
inline constexpr std::int32_t kBlueBox2 = 0x10000000;
inline constexpr std::int32_t kMask = 0x14007C00;
} // namespace MixBit

// `optionFlags` and `runFlags` bits of the video block.
namespace VideoOption {
inline constexpr std::int32_t kPlaySteps = 0x1;
inline constexpr std::int32_t kLooped = 0x2;
inline constexpr std::int32_t kVelocityBrightness = 0x4;
inline constexpr std::int32_t kJumpIntoRange = 0x8;
inline constexpr std::int32_t kEffectsDisabled = 0x20;
} // namespace VideoOption
namespace VideoRun {
inline constexpr std::int32_t kTriggered = 0x1;
inline constexpr std::int32_t kStepDue = 0x2;
inline constexpr std::int32_t kRangesUnset = 0x4;
} // namespace VideoRun

// `brightness` when no velocity brightness applies.
inline constexpr std::int32_t kNoBrightness = 65535;
// `blendLevel` of an opaque layer.
inline constexpr int kOpaque = 255;

struct EffectEntry {
    std::string_view name;
    std::int32_t value;
};
// The 16 effects in the order of every effect-row list.
extern const std::array<EffectEntry, 16> kEffectTable;

// Rewrites the layer's pixels in place by the split's effect bits, in their fixed order, and
// returns the blend level (0–255) its mixing uses: 255 unless velocity brightness darkened it.
// No allocation; any thread that owns the buffer.
int applyEffects(const midi::VideoBlock& video, FrameBuffer& layer);

// The plain toggle: clears the value's bits when any is set, else sets them.
void toggleEffect(midi::VideoBlock& video, std::int32_t value);

// The mixing-mode setter of the video dialog (mask MixBit::kMask).
void setMixMode(midi::VideoBlock& video, std::int32_t value, std::int32_t mask);

// Switches a row's effect on as a row key's note-on does (the grouped bits exclude each other).
void switchRowEffectOn(midi::VideoBlock& video, std::int32_t value);
// Switches it off as the row key's note-off does, when it is on.
void switchRowEffectOff(midi::VideoBlock& video, std::int32_t value);

} // namespace tonwerk::video
