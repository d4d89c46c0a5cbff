#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace tonwerk::midi {

// The performance screens: which one is shown decides a new split's screen mask, some of the
// dispatcher's rules and the layout. The easy screen exists but no command selects it.
enum class ScreenKind { Master = 1, Rock = 2, Dj = 3, Easy = 4 };

// What a split does with the notes it accepts (Split::task).
enum class SplitTask : std::int32_t { Midi = 1, Sample = 2, Avi = 3 };

// Whether a split takes part (Split::state): its on/off button, and the mute of another split's solo.
enum class SplitState : std::int32_t { Muted = -1, Off = 0, On = 1 };

// How a sample split plays its sample (Split::sampleMode): tuned over the key range, one shot on
// the root key, or as a loop synchronised to the setup tempo. Unset only in old or hand-made
// records; the loader gives it a mode.
enum class SampleMode : std::int32_t { Unset = 0, Tuned = 1, OneShot = 2, Sync = 4 };

// Performance-effect bits of Split::sfxFlags.
namespace Sfx {
inline constexpr std::uint32_t kMonoLowest = 0x1;
inline constexpr std::uint32_t kMonoHighest = 0x2;
inline constexpr std::uint32_t kPedalUpOnly = 0x4;
inline constexpr std::uint32_t kPedalDownOnly = 0x8;
inline constexpr std::uint32_t kControllerThru = 0x10;
inline constexpr std::uint32_t kPitchThru = 0x20;
inline constexpr std::uint32_t kAftertouchThru = 0x40;
inline constexpr std::uint32_t kConstantPitch = 0x200;
inline constexpr std::uint32_t kStaccato = 0x800;
inline constexpr std::uint32_t kLegato = 0x1000;
inline constexpr std::uint32_t kNthNoteOnly = 0x4000;
inline constexpr std::uint32_t kNthNoteNot = 0x8000;
inline constexpr std::uint32_t kControllerConvert = 0x10000;
inline constexpr std::uint32_t kControllerCurve = 0x20000;
inline constexpr std::uint32_t kPressureConvert = 0x40000;
inline constexpr std::uint32_t kPressureCurve = 0x80000;
inline constexpr std::uint32_t kPitchConvert = 0x100000;
inline constexpr std::uint32_t kPitchCurve = 0x200000;
inline constexpr std::uint32_t kNoteToController = 0x400000;
inline constexpr std::uint32_t kNoteCurve = 0x800000;
inline constexpr std::uint32_t kVelocityToController = 0x1000000;
inline constexpr std::uint32_t kVelocityControllerCurve = 0x2000000;
inline constexpr std::uint32_t kConstantPitchFromCurve = 0x4000000;

inline constexpr std::uint32_t kMono = kMonoLowest | kMonoHighest;
inline constexpr std::uint32_t kMannerOfPlaying = kStaccato | kLegato;
inline constexpr std::uint32_t kNoteNumber = kNthNoteOnly | kNthNoteNot;
} // namespace Sfx

// The bits of SampleBlock::sampleFlags, for the dispatcher, the audio engine and the settings'
// program-wide defaults ("BPMFlags" keeps the last three in the same bits).
namespace SampleFlag {
inline constexpr std::int32_t kPlayLooped = 0x1;   // "play looped"
inline constexpr std::int32_t kRetrigger = 0x2;    // the synchronised loop restarts on its next note
inline constexpr std::int32_t kTriggerMode = 0x4;  // this note toggles the sample (latch) instead of holding it
inline constexpr std::int32_t kTriggerMouse = 0x8; // trigger mode for mouse and joystick notes
inline constexpr std::int32_t kTriggerKeys = 0x10; // trigger mode for PC- and MIDI-keyboard notes
inline constexpr std::int32_t kTimestretch = 0x20; // "use timestretching for BPM changes"
inline constexpr std::int32_t kNoAutoBpm = 0x40;   // "no automatic BPM changes"
inline constexpr std::int32_t kWaveLoop = 0x80;    // use the file's own wave loop
} // namespace SampleFlag

// Bits of SampleBlock::playFlags (run time).
namespace PlayFlag {
inline constexpr std::int32_t kStarted = 0x1;
inline constexpr std::int32_t kLatched = 0x2;
inline constexpr std::int32_t kAudible = 0x4;
} // namespace PlayFlag

// The 276-byte video block of a split (split offsets 604–879): the split's clip state, given its
// meaning by the video engine. The first word is the clip identifier.
struct VideoBlock {
    std::int32_t splitIndex;
    std::int32_t firstStream; // -1 if none
    std::int32_t endStream;   // -1 if none
    std::int32_t clipStart;
    std::int32_t clipEnd;
    std::int32_t framePos;
    std::int32_t holdAtStart;
    std::int32_t noteVelocity;
    std::int32_t noteNumber;
    std::int32_t playing;
    std::int32_t stepWidth;
    std::int32_t restartPending;
    std::int32_t restartFrame;
    std::int32_t rangeStart;
    std::int32_t rangeEnd;
    std::array<std::int32_t, 8> rowStart;
    std::array<std::int32_t, 8> rowEnd;
    std::int32_t reserved728;
    std::int32_t optionFlags;
    std::int32_t runFlags;
    std::int32_t brightness;
    std::int32_t effectFlags;
    std::int32_t reserved748;
    std::int32_t mixMode;
    std::int32_t mixX;
    std::int32_t mixY;
    std::int32_t mixWidth;
    std::int32_t mixHeight;
    std::int32_t blackKeyLevel;
    std::int32_t whiteKeyLevel;
    std::int32_t blueKeyLevel;
    std::array<std::int32_t, 6> keyRange;
    std::array<std::int32_t, 8> rowEffect;
    std::int32_t deckMode;
    std::array<std::int32_t, 8> rowEnabled;
    std::int32_t currentRow;

    // The word at a split offset (604, 608, …, 876).
    [[nodiscard]] std::int32_t word(std::size_t splitOffset) const;
};

// The 64-byte sample block of a split (split offsets 880–943). Handles are 32-bit words; the audio
// engine keeps the real pointers beside the record.
struct SampleBlock {
    std::int32_t sampleData; // handle of the loaded sample data, run time
    std::int32_t sampleBytes;
    std::int32_t sampleFormat; // handle of the file's format record, run time
    std::int32_t volume;       // hundredths of a decibel, 0 = full
    std::int32_t sampleRate;
    std::int32_t pan;
    std::int32_t reserved904;
    std::int32_t bufferType; // 0 = software buffer, else hardware
    std::int32_t reserved912;
    std::int32_t releaseTime;
    std::int32_t reserved920;
    std::int32_t reserved924;
    std::int32_t sampleFlags;
    std::int32_t playFlags;  // run time
    std::int16_t voiceIndex; // run time
    std::int16_t reserved938;
    std::int32_t loopStart;
};

// One split: the 944-byte record stored byte for byte in setup files. Its layout is a file format.
struct Split {
    std::int32_t state; // SplitState: 1 on, 0 off, -1 on but silenced by another split's solo
    std::int32_t solo;
    std::int32_t midiInChannel;
    std::int32_t midiOutChannel;
    std::int32_t transpose; // semitones
    std::int32_t velocityOffset;
    std::int32_t velocityMin;
    std::int32_t velocityMax;
    std::int32_t keyLow;
    std::int32_t keyHigh;
    std::int32_t program;
    std::int32_t bank; // -30000 = none chosen
    std::uint32_t sfxFlags;
    std::array<std::uint8_t, 128> velocityCurve;
    std::int32_t curveEditMode;
    std::array<char, 20> comment; // NUL-terminated
    std::int32_t showComment;
    std::array<std::uint8_t, 12> heldNotes; // run time; the list itself lives beside the record
    std::int32_t reserved220;
    std::int32_t reserved224;
    std::int32_t heldCount; // run time
    std::int32_t playingLimit;
    std::int32_t noteInterval;
    std::int32_t noteCounter; // run time
    std::int32_t noteCounterReset;
    std::uint8_t controllerTarget;
    std::uint8_t pressureTarget;
    std::uint8_t pitchTarget;
    std::uint8_t noteTarget;
    std::uint8_t velocityTarget;
    std::uint8_t reserved253;
    std::uint8_t parameterSlot;
    std::array<std::uint8_t, 21> parameterValues;
    std::int32_t monophonyActive;
    std::int32_t pedalFilterActive;
    std::int32_t noteNumberActive;
    std::int32_t playingActive;
    std::int32_t sampleMode; // SampleMode
    std::int32_t reserved296;
    std::int32_t rootNote;
    std::array<char, 260> fileName; // NUL-terminated
    std::int32_t fileTitleOffset;
    std::int32_t task; // SplitTask
    std::int32_t reserved572;
    std::int32_t lastIndex;
    std::int32_t loopTempo;  // beats per minute
    std::int32_t setupTempo; // beats per minute; split 0's is the setup's tempo
    std::int32_t setupPitch;
    std::int32_t crossfaderValue;
    std::int32_t splitNumber;
    std::int32_t screenMask; // 1 Master, 2 Rock, 4 DJ
    VideoBlock video;
    SampleBlock sample;

    [[nodiscard]] bool has(std::uint32_t flag) const { return (sfxFlags & flag) != 0; }
    [[nodiscard]] SplitTask taskKind() const { return static_cast<SplitTask>(task); }
    [[nodiscard]] SplitState stateKind() const { return static_cast<SplitState>(state); }
    [[nodiscard]] bool isOn() const { return state == static_cast<std::int32_t>(SplitState::On); }
    [[nodiscard]] SampleMode sampleModeKind() const { return static_cast<SampleMode>(sampleMode); }
    [[nodiscard]] bool isSampleMode(SampleMode mode) const { return sampleMode == static_cast<std::int32_t>(mode); }
    void setTask(SplitTask kind) { task = static_cast<std::int32_t>(kind); }
    void setState(SplitState kind) { state = static_cast<std::int32_t>(kind); }
    void setSampleMode(SampleMode mode) { sampleMode = static_cast<std::int32_t>(mode); }
};

static_assert(std::is_standard_layout_v<Split> && std::is_trivially_copyable_v<Split>);
static_assert(sizeof(VideoBlock) == 276);
static_assert(offsetof(VideoBlock, rowStart) == 60 && offsetof(VideoBlock, rowEnd) == 92);
static_assert(offsetof(VideoBlock, optionFlags) == 128 && offsetof(VideoBlock, mixMode) == 148);
static_assert(offsetof(VideoBlock, keyRange) == 180 && offsetof(VideoBlock, rowEffect) == 204);
static_assert(offsetof(VideoBlock, deckMode) == 236 && offsetof(VideoBlock, rowEnabled) == 240);
static_assert(offsetof(VideoBlock, currentRow) == 272);
static_assert(sizeof(SampleBlock) == 64);
static_assert(sizeof(Split) == 944);
static_assert(offsetof(Split, state) == 0);
static_assert(offsetof(Split, solo) == 4);
static_assert(offsetof(Split, midiInChannel) == 8);
static_assert(offsetof(Split, midiOutChannel) == 12);
static_assert(offsetof(Split, transpose) == 16);
static_assert(offsetof(Split, velocityOffset) == 20);
static_assert(offsetof(Split, velocityMin) == 24);
static_assert(offsetof(Split, velocityMax) == 28);
static_assert(offsetof(Split, keyLow) == 32);
static_assert(offsetof(Split, keyHigh) == 36);
static_assert(offsetof(Split, program) == 40);
static_assert(offsetof(Split, bank) == 44);
static_assert(offsetof(Split, sfxFlags) == 48);
static_assert(offsetof(Split, velocityCurve) == 52);
static_assert(offsetof(Split, curveEditMode) == 180);
static_assert(offsetof(Split, comment) == 184);
static_assert(offsetof(Split, showComment) == 204);
static_assert(offsetof(Split, heldNotes) == 208);
static_assert(offsetof(Split, reserved220) == 220);
static_assert(offsetof(Split, reserved224) == 224);
static_assert(offsetof(Split, heldCount) == 228);
static_assert(offsetof(Split, playingLimit) == 232);
static_assert(offsetof(Split, noteInterval) == 236);
static_assert(offsetof(Split, noteCounter) == 240);
static_assert(offsetof(Split, noteCounterReset) == 244);
static_assert(offsetof(Split, controllerTarget) == 248);
static_assert(offsetof(Split, pressureTarget) == 249);
static_assert(offsetof(Split, pitchTarget) == 250);
static_assert(offsetof(Split, noteTarget) == 251);
static_assert(offsetof(Split, velocityTarget) == 252);
static_assert(offsetof(Split, reserved253) == 253);
static_assert(offsetof(Split, parameterSlot) == 254);
static_assert(offsetof(Split, parameterValues) == 255);
static_assert(offsetof(Split, monophonyActive) == 276);
static_assert(offsetof(Split, pedalFilterActive) == 280);
static_assert(offsetof(Split, noteNumberActive) == 284);
static_assert(offsetof(Split, playingActive) == 288);
static_assert(offsetof(Split, sampleMode) == 292);
static_assert(offsetof(Split, reserved296) == 296);
static_assert(offsetof(Split, rootNote) == 300);
static_assert(offsetof(Split, fileName) == 304);
static_assert(offsetof(Split, fileTitleOffset) == 564);
static_assert(offsetof(Split, task) == 568);
static_assert(offsetof(Split, reserved572) == 572);
static_assert(offsetof(Split, lastIndex) == 576);
static_assert(offsetof(Split, loopTempo) == 580);
static_assert(offsetof(Split, setupTempo) == 584);
static_assert(offsetof(Split, setupPitch) == 588);
static_assert(offsetof(Split, crossfaderValue) == 592);
static_assert(offsetof(Split, splitNumber) == 596);
static_assert(offsetof(Split, screenMask) == 600);
static_assert(offsetof(Split, video) == 604);
static_assert(offsetof(Split, sample) == 880);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, volume) == 892);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, sampleRate) == 896);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, pan) == 900);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, bufferType) == 908);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, releaseTime) == 916);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, sampleFlags) == 928);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, playFlags) == 932);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, voiceIndex) == 936);
static_assert(offsetof(Split, sample) + offsetof(SampleBlock, loopStart) == 940);

inline constexpr int kSplitCount = 24;
inline constexpr int kSetupSlots = 1; // SETUP_SLOTS: setups held in memory

// A setup: 24 splits, its slot number and its name.
struct Setup {
    std::array<Split, kSplitCount> splits;
    std::int32_t setupNumber;
    std::array<char, 260> setupName; // NUL-terminated, empty by default
};

// Writes every default into `split`: the settings (offsets 0–603), then the sample and video blocks.
// `screenMask` is 1 on the Master screen, 2 on the Rock screen, 4 on the DJ screen.
void resetSplit(Split& split, int setupNumber, int index, std::int32_t screenMask);
void resetSampleBlock(Split& split);
void resetVideoBlock(Split& split, int index);

// " C3" for key 60: the note name at key mod 12 and the octave key / 12 - 2.
[[nodiscard]] std::string noteName(int key);

// The General MIDI program names "1 Acoustic Grand" … "128 Gunshot"; empty outside 0–127.
[[nodiscard]] const char* generalMidiName(int program);

// The split list's tab-separated line for split `index`.
[[nodiscard]] std::string splitSummary(const Split& split, int index);

// The text of a NUL-terminated fixed field (up to its size), as UTF-8 (old Windows-1252 text
// converted).
[[nodiscard]] std::string fieldText(const char* field, std::size_t size);

template <std::size_t N>
[[nodiscard]] std::string fieldText(const std::array<char, N>& field) {
    return fieldText(field.data(), N);
}

// Stores `text` NUL-terminated in a fixed field; false (field unchanged) when it does not fit.
bool setFieldText(char* field, std::size_t size, std::string_view text);

template <std::size_t N>
bool setFieldText(std::array<char, N>& field, std::string_view text) {
    return setFieldText(field.data(), N, text);
}

} // namespace tonwerk::midi
