#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace tonwerk::audio {

// Result codes of the wave loader (0 is success; 257–272 are multimedia file I/O codes passed on).
namespace WaveError {
inline constexpr int kOk = 0;
inline constexpr int kOutOfMemory = 57344;
inline constexpr int kCannotOpen = 57600;
inline constexpr int kNotWave = 57601;     // not RIFF WAVE, format chunk too short, extra bytes missing
inline constexpr int kFormatShort = 57602; // the 16 format bytes cannot be read
inline constexpr int kDataShort = 57603;   // the data chunk is not all there
inline constexpr int kNotPcm = 57604;      // compressed or otherwise not convertible
} // namespace WaveError

// The output layouts of "DSMemMode": 1 = 44100 Hz stereo, 2 = 22050 Hz stereo, 4 = 22050 Hz mono.
[[nodiscard]] int memModeRate(int memMode);
[[nodiscard]] int memModeChannels(int memMode);

// A file's WAVEFORMATEX: the 16 fixed bytes, the extra size and the extra bytes.
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::vector<std::uint8_t> extra; // extraSize bytes

    // The sample coding behind WAVE_FORMAT_EXTENSIBLE's sub-format, else the tag itself.
    [[nodiscard]] std::uint16_t codingTag() const;
    // True for the codings the loader converts: integer PCM of 8, 16, 24 or 32 bits and 32- or
    // 64-bit float, directly or inside WAVE_FORMAT_EXTENSIBLE, with at least one channel.
    [[nodiscard]] bool convertible() const;
};

inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint16_t kFormatFloat = 3;
inline constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// What openWave found: the format and where the form's chunks lie.
struct WaveFile {
    int result = WaveError::kOk;
    WaveFormat format;
    std::span<const std::byte> form; // the chunks inside "RIFF"/"WAVE"
};

// Reads the format of a RIFF WAVE file held in memory. Any thread; never reads outside `bytes`.
[[nodiscard]] WaveFile openWave(std::span<const std::byte> bytes);

// The first sample loop of a "smpl" chunk whose start lies below its end, in frames of the file.
struct SampleLoop {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};
[[nodiscard]] bool findSampleLoop(std::span<const std::byte> form, SampleLoop& loop);

// One loaded sample in the engine's output layout.
struct LoadedWave {
    int result = WaveError::kOk;
    // 16-bit words, one extra frame (2 words) behind `lengthBytes` for the interpolation past a loop
    // end; zero when there is no loop.
    std::vector<std::int16_t> data;
    int lengthBytes = 0; // bytes to play, a multiple of 4
    WaveFormat format;   // the file's record, its rate and channels rewritten to the layout
    int sourceRate = 0;  // the file's own rate
    int loopStart = 0;   // bytes, a multiple of 4; 0 = none
};

// The outline of a sample for a picture of it: per column, the lowest and highest word of each
// of its first two channels (a mono sample gives the same for both), over `frames` interleaved
// frames of `channels` words. Fewer frames than columns give one column per frame.
struct SamplePeak {
    std::int16_t low[2] = {0, 0};
    std::int16_t high[2] = {0, 0};
};
[[nodiscard]] std::vector<SamplePeak> samplePeaks(std::span<const std::int16_t> words, int channels, int columns);

// The largest converted sample the loader makes (bytes); beyond it the load fails as out of memory.
inline constexpr std::int64_t kMaxSampleBytes = std::int64_t{1} << 30;

// Converts a whole sample file to `memMode`'s layout. libsndfile decodes every coding and byte
// order of WAVE (PCM of any width, float, A-law, µ-law, IMA and MS ADPCM, GSM, also inside
// WAVE_FORMAT_EXTENSIBLE, RIFX, RF64, W64), AIFF, FLAC, Ogg Vorbis, Opus and MP3; integer PCM it
// has no decoder for (64-bit) is read by the program. The first two channels are kept (mono is
// doubled for the stereo layouts, stereo averaged for the mono one) and every rate is converted by
// libsoxr (high quality), also 44100 Hz into the 22050 Hz layouts. A WAVE's chunks are read up to
// the end of the file, whatever its RIFF size says, and a cut-off data chunk plays what is there.
// `useWaveLoop` applies a WAVE's first "smpl" loop. Any thread; allocates.
[[nodiscard]] LoadedWave loadWave(std::span<const std::byte> bytes, int memMode, bool useWaveLoop);
// The same for a file; it cannot be opened → 57600, too large → 57344. Blocks on disk I/O.
[[nodiscard]] LoadedWave loadWaveFile(const std::filesystem::path& path, int memMode, bool useWaveLoop);

// What a look at a sample file's head says before it is loaded.
enum class SampleFileCheck {
    Loadable,    // a coding the loader decodes
    Missing,     // no file by that name
    Unreadable,  // there, but it cannot be read (rights, a folder)
    NotDecodable // a file, but no coding the loader knows
};
// Reads only the file's head (the whole file only for a WAVE whose format lies far in). Blocks on
// disk I/O.
[[nodiscard]] SampleFileCheck checkSampleFile(const std::filesystem::path& path);

// The file name endings of samples the loader takes (lower case, with the dot): the one list the
// file lists, drops and searches use.
inline constexpr std::string_view kSampleEndings[] = {".wav", ".wave", ".aif", ".aiff", ".aifc", ".flac", ".ogg",
                                                      ".oga", ".opus", ".mp3", ".w64",  ".rf64", ".caf"};
// True when `path` ends in one of kSampleEndings, in any case ("LOOP.WAV").
[[nodiscard]] bool isSampleFileName(const std::filesystem::path& path);

// The message of a loader result code: the id in the string table.
[[nodiscard]] int waveErrorMessageId(int code);

// The 44-byte head of a 16-bit PCM WAVE file (channels 1 or 2) with `dataBytes` of frames.
inline constexpr std::size_t kWaveHeaderBytes = 44;
[[nodiscard]] std::array<std::byte, kWaveHeaderBytes> waveHeader(int channels, int rate, std::uint32_t dataBytes);

// WAVE file bytes of 16-bit PCM frames (channels 1 or 2), for tests and benchmarks.
[[nodiscard]] std::vector<std::byte> waveFileBytes(std::span<const std::int16_t> samples, int channels, int rate);

} // namespace tonwerk::audio
