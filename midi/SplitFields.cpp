#include "SplitFields.h"

#include <cstdint>

#include "Split.h"

namespace tonwerk::midi {

namespace {

constexpr std::size_t kVideo = offsetof(Split, video);
constexpr std::size_t kSample = offsetof(Split, sample);

#define TONWERK_FIELD(name, kind)                                                                                      \
    SplitField { #name, "", FieldKind::kind, offsetof(Split, name), 1 }
#define TONWERK_ARRAY(name, kind, n)                                                                                   \
    SplitField { #name, "", FieldKind::kind, offsetof(Split, name), n }
#define TONWERK_VIDEO(name)                                                                                            \
    SplitField { #name, "video", FieldKind::I32, kVideo + offsetof(VideoBlock, name), 1 }
#define TONWERK_VIDEO_ARRAY(name, n)                                                                                   \
    SplitField { #name, "video", FieldKind::I32, kVideo + offsetof(VideoBlock, name), n }
// Flag and bit-field words: unsigned in the tools (0 to 4294967295, whatever their stored type).
#define TONWERK_VIDEO_BITS(name, n)                                                                                    \
    SplitField { #name, "video", FieldKind::U32, kVideo + offsetof(VideoBlock, name), n }
#define TONWERK_SAMPLE(name, kind)                                                                                     \
    SplitField { #name, "sample", FieldKind::kind, kSample + offsetof(SampleBlock, name), 1 }

constexpr SplitField kFields[] = {
    TONWERK_FIELD(state, I32),
    TONWERK_FIELD(solo, I32),
    TONWERK_FIELD(midiInChannel, I32),
    TONWERK_FIELD(midiOutChannel, I32),
    TONWERK_FIELD(transpose, I32),
    TONWERK_FIELD(velocityOffset, I32),
    TONWERK_FIELD(velocityMin, I32),
    TONWERK_FIELD(velocityMax, I32),
    TONWERK_FIELD(keyLow, I32),
    TONWERK_FIELD(keyHigh, I32),
    TONWERK_FIELD(program, I32),
    TONWERK_FIELD(bank, I32),
    TONWERK_FIELD(sfxFlags, U32),
    TONWERK_ARRAY(velocityCurve, U8, 128),
    TONWERK_FIELD(curveEditMode, I32),
    TONWERK_ARRAY(comment, Text, 20),
    TONWERK_FIELD(showComment, I32),
    TONWERK_ARRAY(heldNotes, U8, 12),
    TONWERK_FIELD(reserved220, I32),
    TONWERK_FIELD(reserved224, I32),
    TONWERK_FIELD(heldCount, I32),
    TONWERK_FIELD(playingLimit, I32),
    TONWERK_FIELD(noteInterval, I32),
    TONWERK_FIELD(noteCounter, I32),
    TONWERK_FIELD(noteCounterReset, I32),
    TONWERK_FIELD(controllerTarget, U8),
    TONWERK_FIELD(pressureTarget, U8),
    TONWERK_FIELD(pitchTarget, U8),
    TONWERK_FIELD(noteTarget, U8),
    TONWERK_FIELD(velocityTarget, U8),
    TONWERK_FIELD(reserved253, U8),
    TONWERK_FIELD(parameterSlot, U8),
    TONWERK_ARRAY(parameterValues, U8, 21),
    TONWERK_FIELD(monophonyActive, I32),
    TONWERK_FIELD(pedalFilterActive, I32),
    TONWERK_FIELD(noteNumberActive, I32),
    TONWERK_FIELD(playingActive, I32),
    TONWERK_FIELD(sampleMode, I32),
    TONWERK_FIELD(reserved296, I32),
    TONWERK_FIELD(rootNote, I32),
    TONWERK_ARRAY(fileName, Text, 260),
    TONWERK_FIELD(fileTitleOffset, I32),
    TONWERK_FIELD(task, I32),
    TONWERK_FIELD(reserved572, I32),
    TONWERK_FIELD(lastIndex, I32),
    TONWERK_FIELD(loopTempo, I32),
    TONWERK_FIELD(setupTempo, I32),
    TONWERK_FIELD(setupPitch, I32),
    TONWERK_FIELD(crossfaderValue, I32),
    TONWERK_FIELD(splitNumber, I32),
    TONWERK_FIELD(screenMask, U32),
    TONWERK_VIDEO(splitIndex),
    TONWERK_VIDEO(firstStream),
    TONWERK_VIDEO(endStream),
    TONWERK_VIDEO(clipStart),
    TONWERK_VIDEO(clipEnd),
    TONWERK_VIDEO(framePos),
    TONWERK_VIDEO(holdAtStart),
    TONWERK_VIDEO(noteVelocity),
    TONWERK_VIDEO(noteNumber),
    TONWERK_VIDEO(playing),
    TONWERK_VIDEO(stepWidth),
    TONWERK_VIDEO(restartPending),
    TONWERK_VIDEO(restartFrame),
    TONWERK_VIDEO(rangeStart),
    TONWERK_VIDEO(rangeEnd),
    TONWERK_VIDEO_ARRAY(rowStart, 8),
    TONWERK_VIDEO_ARRAY(rowEnd, 8),
    TONWERK_VIDEO(reserved728),
    TONWERK_VIDEO_BITS(optionFlags, 1),
    TONWERK_VIDEO_BITS(runFlags, 1),
    TONWERK_VIDEO(brightness),
    TONWERK_VIDEO_BITS(effectFlags, 1),
    TONWERK_VIDEO(reserved748),
    TONWERK_VIDEO(mixMode),
    TONWERK_VIDEO(mixX),
    TONWERK_VIDEO(mixY),
    TONWERK_VIDEO(mixWidth),
    TONWERK_VIDEO(mixHeight),
    TONWERK_VIDEO(blackKeyLevel),
    TONWERK_VIDEO(whiteKeyLevel),
    TONWERK_VIDEO(blueKeyLevel),
    TONWERK_VIDEO_ARRAY(keyRange, 6),
    TONWERK_VIDEO_BITS(rowEffect, 8),
    TONWERK_VIDEO(deckMode),
    TONWERK_VIDEO_ARRAY(rowEnabled, 8),
    TONWERK_VIDEO(currentRow),
    TONWERK_SAMPLE(sampleData, I32),
    TONWERK_SAMPLE(sampleBytes, I32),
    TONWERK_SAMPLE(sampleFormat, I32),
    TONWERK_SAMPLE(volume, I32),
    TONWERK_SAMPLE(sampleRate, I32),
    TONWERK_SAMPLE(pan, I32),
    TONWERK_SAMPLE(reserved904, I32),
    TONWERK_SAMPLE(bufferType, I32),
    TONWERK_SAMPLE(reserved912, I32),
    TONWERK_SAMPLE(releaseTime, I32),
    TONWERK_SAMPLE(reserved920, I32),
    TONWERK_SAMPLE(reserved924, I32),
    TONWERK_SAMPLE(sampleFlags, U32),
    TONWERK_SAMPLE(playFlags, U32),
    TONWERK_SAMPLE(voiceIndex, I16),
    TONWERK_SAMPLE(reserved938, I16),
    TONWERK_SAMPLE(loopStart, I32),
};

#undef TONWERK_FIELD
#undef TONWERK_ARRAY
#undef TONWERK_VIDEO
#undef TONWERK_VIDEO_ARRAY
#undef TONWERK_SAMPLE

} // namespace

std::span<const SplitField> splitFields() { return kFields; }

const SplitField* findSplitField(std::string_view block, std::string_view name) {
    for (const SplitField& field : kFields) {
        if (field.block == block && field.name == name) {
            return &field;
        }
    }
    return nullptr;
}

bool fieldHolds(FieldKind kind, long long value) {
    const std::size_t size = elementSize(kind);
    const long long low = size == 4 ? INT32_MIN : (size == 2 ? INT16_MIN : 0);
    const long long high = size == 4 ? 0xFFFFFFFFLL : (size == 2 ? 0xFFFFLL : 0xFFLL);
    return kind != FieldKind::Text && value >= low && value <= high;
}

std::size_t elementSize(FieldKind kind) {
    switch (kind) {
    case FieldKind::I32:
    case FieldKind::U32:
        return 4;
    case FieldKind::I16:
        return 2;
    case FieldKind::U8:
    case FieldKind::Text:
        break;
    }
    return 1;
}

} // namespace tonwerk::midi
