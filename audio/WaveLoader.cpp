#include "WaveLoader.h"

#include "platform/AtomicFile.h"
#include "platform/RiffFile.h"

#include <soxr.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

namespace tonwerk::audio {

namespace {

using platform::fourCc;

std::uint16_t u16(std::span<const std::byte> b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(b[at]) | (static_cast<unsigned>(b[at + 1]) << 8));
}
std::uint32_t u32(std::span<const std::byte> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Rates outside this range are damage, not music.
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 768000;

// Bytes per sample of one channel as stored.
int containerBytes(const WaveFormat& f) { return (f.bitsPerSample + 7) / 8; }

// One channel's sample at `p` as a 16-bit word.
std::int16_t decodeSample(const std::byte* p, std::uint16_t coding, int bytes) {
    if (coding == kFormatFloat) {
        double x = 0;
        if (bytes == 4) {
            float f = 0;
            std::memcpy(&f, p, 4);
            x = f;
        } else {
            std::memcpy(&x, p, 8);
        }
        if (!(x == x)) { // NaN
            return 0;
        }
        return static_cast<std::int16_t>(std::lrint(std::clamp(x, -1.0, 1.0) * 32767.0));
    }
    switch (bytes) {
    case 1:
        return static_cast<std::int16_t>((static_cast<int>(p[0]) - 128) * 256);
    case 2:
        return static_cast<std::int16_t>(static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8));
    case 3:
        return static_cast<std::int16_t>(static_cast<unsigned>(p[1]) | (static_cast<unsigned>(p[2]) << 8));
    default: // 4: the top 16 bits
        return static_cast<std::int16_t>(static_cast<unsigned>(p[2]) | (static_cast<unsigned>(p[3]) << 8));
    }
}

// Resamples interleaved 16-bit frames; empty on failure.
bool resample(const std::vector<std::int16_t>& in, int channels, int fromRate, int toRate,
              std::vector<std::int16_t>& out) {
    const std::size_t frames = in.size() / static_cast<std::size_t>(channels);
    const auto outFrames = static_cast<std::size_t>(
        std::ceil(static_cast<double>(frames) * static_cast<double>(toRate) / static_cast<double>(fromRate)));
    if (static_cast<std::int64_t>(outFrames) * channels * 2 > kMaxSampleBytes) {
        return false;
    }
    out.assign(outFrames * static_cast<std::size_t>(channels), 0);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    std::size_t done = 0;
    const soxr_error_t error = soxr_oneshot(fromRate, toRate, static_cast<unsigned>(channels), in.data(), frames,
                                            nullptr, out.data(), outFrames, &done, &io, &quality, nullptr);
    if (error != nullptr) {
        return false;
    }
    out.resize(done * static_cast<std::size_t>(channels));
    return true;
}

} // namespace

int memModeRate(int memMode) { return memMode == 1 ? 44100 : 22050; }
int memModeChannels(int memMode) { return memMode == 4 ? 1 : 2; }

std::uint16_t WaveFormat::codingTag() const {
    if (formatTag == kFormatExtensible && extra.size() >= 22) {
        // cbSize 22: valid bits (2), channel mask (4), then the sub-format GUID whose first word is the tag.
        return static_cast<std::uint16_t>(extra[6] | (extra[7] << 8));
    }
    return formatTag;
}

bool WaveFormat::convertible() const {
    const std::uint16_t coding = codingTag();
    if (channels == 0) {
        return false;
    }
    if (coding == kFormatPcm) {
        return bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
    }
    if (coding == kFormatFloat) {
        return bitsPerSample == 32 || bitsPerSample == 64;
    }
    return false;
}

WaveFile openWave(std::span<const std::byte> bytes) {
    WaveFile file;
    const platform::RiffReader reader(bytes);
    const auto form = reader.findForm(fourCc("WAVE"));
    if (!form) {
        file.result = WaveError::kNotWave;
        return file;
    }
    file.form = form->data;
    std::optional<platform::RiffChunk> fmt;
    platform::RiffReader::forEachChunk(form->data, 0, [&](const platform::RiffChunk& chunk) {
        if (chunk.id == fourCc("fmt ")) {
            fmt = chunk;
            return false;
        }
        return true;
    });
    if (!fmt || fmt->declaredSize < 16) {
        file.result = WaveError::kNotWave;
        return file;
    }
    const std::span<const std::byte> d = fmt->data;
    if (d.size() < 16) {
        file.result = WaveError::kFormatShort;
        return file;
    }
    WaveFormat& f = file.format;
    f.formatTag = u16(d, 0);
    f.channels = u16(d, 2);
    f.samplesPerSecond = u32(d, 4);
    f.averageBytesPerSecond = u32(d, 8);
    f.blockAlign = u16(d, 12);
    f.bitsPerSample = u16(d, 14);
    if (f.formatTag == kFormatPcm) {
        // A stereo 16-bit file that says block align 2 is read with block align 4.
        if (f.channels == 2 && f.bitsPerSample == 16 && f.blockAlign == 2) {
            f.blockAlign = 4;
        }
        return file;
    }
    if (d.size() < 18) {
        file.result = fmt->declaredSize >= 18 ? WaveError::kFormatShort : WaveError::kOk;
        return file; // a 16-byte record of another coding has no extra bytes
    }
    const std::uint16_t extraSize = u16(d, 16);
    if (d.size() < 18U + extraSize) {
        file.result = WaveError::kNotWave;
        return file;
    }
    f.extra.resize(extraSize);
    if (extraSize > 0) {
        std::memcpy(f.extra.data(), d.data() + 18, extraSize);
    }
    return file;
}

bool findSampleLoop(std::span<const std::byte> form, SampleLoop& loop) {
    bool found = false;
    platform::RiffReader::forEachChunk(form, 0, [&](const platform::RiffChunk& chunk) {
        if (chunk.id != fourCc("smpl") || chunk.data.size() < 36) {
            return true;
        }
        const std::uint32_t count = u32(chunk.data, 28);
        const std::size_t available = (chunk.data.size() - 36) / 24;
        for (std::size_t i = 0; i < std::min<std::size_t>(count, available); ++i) {
            const std::size_t at = 36 + 24 * i;
            const std::uint32_t start = u32(chunk.data, at + 8);
            const std::uint32_t end = u32(chunk.data, at + 12);
            if (start < end) {
                loop = SampleLoop{start, end};
                found = true;
                return false;
            }
        }
        return true;
    });
    return found;
}

LoadedWave loadWave(std::span<const std::byte> bytes, int memMode, bool useWaveLoop) {
    LoadedWave out;
    auto fail = [&out](int code) {
        out = LoadedWave{};
        out.result = code;
        return out;
    };
    if (memMode != 1 && memMode != 2 && memMode != 4) {
        memMode = 2;
    }
    const WaveFile file = openWave(bytes);
    if (file.result != WaveError::kOk) {
        return fail(file.result);
    }
    const WaveFormat& f = file.format;
    if (f.channels == 0 || f.samplesPerSecond < kMinRate || f.samplesPerSecond > kMaxRate) {
        return fail(WaveError::kNotWave);
    }
    if (!f.convertible()) {
        return fail(WaveError::kNotPcm);
    }
    std::optional<platform::RiffChunk> dataChunk;
    platform::RiffReader::forEachChunk(file.form, 0, [&](const platform::RiffChunk& chunk) {
        if (chunk.id == fourCc("data")) {
            dataChunk = chunk;
            return false;
        }
        return true;
    });
    if (!dataChunk) {
        return fail(platform::MmioError::kChunkNotFound);
    }
    // A writer that streamed the file may leave the size at its largest value: take what is there.
    if (dataChunk->truncated() && dataChunk->declaredSize != 0xFFFFFFFFU) {
        return fail(WaveError::kDataShort);
    }

    // 1. Every frame as 16-bit words, the first two channels kept.
    const int sampleBytes = containerBytes(f);
    const int frameBytes = std::max<int>(f.blockAlign, sampleBytes * f.channels);
    const int channels = std::min<int>(f.channels, 2);
    const std::size_t frames = dataChunk->data.size() / static_cast<std::size_t>(frameBytes);
    if (static_cast<std::int64_t>(frames) * channels * 2 > kMaxSampleBytes) {
        return fail(WaveError::kOutOfMemory);
    }
    std::vector<std::int16_t> words;
    try {
        words.resize(frames * static_cast<std::size_t>(channels));
        const std::uint16_t coding = f.codingTag();
        const std::byte* p = dataChunk->data.data();
        for (std::size_t i = 0; i < frames; ++i, p += frameBytes) {
            for (int c = 0; c < channels; ++c) {
                words[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                    decodeSample(p + static_cast<std::ptrdiff_t>(c) * sampleBytes, coding, sampleBytes);
            }
        }

        // 2. The output layout.
        const int outRate = memModeRate(memMode);
        const int outChannels = memModeChannels(memMode);
        const int fileRate = static_cast<int>(f.samplesPerSecond);
        std::vector<std::int16_t> result;
        const std::size_t n = words.size();
        if (fileRate == 44100 && memMode != 1) {
            // Two frames become one, with the exact sums the layouts are defined by.
            if (channels == 2 && memMode == 2) {
                result.resize(n / 4 * 2);
                for (std::size_t i = 0; i + 1 < result.size(); i += 2) {
                    result[i] = static_cast<std::int16_t>((words[2 * i] + words[2 * i + 2]) / 2);
                    result[i + 1] = static_cast<std::int16_t>((words[2 * i + 1] + words[2 * i + 3]) / 2);
                }
            } else if (channels == 2) { // mode 4
                result.resize(n / 4);
                for (std::size_t i = 0; i < result.size(); ++i) {
                    result[i] = static_cast<std::int16_t>(
                        (words[4 * i] + words[4 * i + 1] + words[4 * i + 2] + words[4 * i + 3]) / 4);
                }
            } else if (memMode == 4) { // mono
                result.resize(n / 2);
                for (std::size_t i = 0; i < result.size(); ++i) {
                    result[i] = static_cast<std::int16_t>((words[2 * i] + words[2 * i + 1]) / 2);
                }
            } else { // mono in mode 2: halved, then both channels
                result.resize(n / 2 * 2);
                for (std::size_t i = 0; i < result.size() / 2; ++i) {
                    const auto w = static_cast<std::int16_t>((words[2 * i] + words[2 * i + 1]) / 2);
                    result[2 * i] = result[2 * i + 1] = w;
                }
            }
        } else {
            // Channels first, at the file's rate, then the rate.
            std::vector<std::int16_t> adapted;
            if (channels == outChannels) {
                adapted = std::move(words);
            } else if (outChannels == 2) {
                adapted.resize(n * 2);
                for (std::size_t i = 0; i < n; ++i) {
                    adapted[2 * i] = adapted[2 * i + 1] = words[i];
                }
            } else {
                adapted.resize(n / 2);
                for (std::size_t i = 0; i < adapted.size(); ++i) {
                    adapted[i] = static_cast<std::int16_t>((words[2 * i] + words[2 * i + 1]) / 2);
                }
            }
            if (fileRate == outRate) {
                result = std::move(adapted);
            } else if (!adapted.empty() && !resample(adapted, outChannels, fileRate, outRate, result)) {
                return fail(WaveError::kOutOfMemory);
            }
        }

        // 3. Length in whole frames (a multiple of 4 bytes), one spare frame behind it.
        int length = static_cast<int>(result.size() * 2) & ~3;
        result.resize(static_cast<std::size_t>(length / 2) + 2, 0);

        // 4. The file's loop, in frames of the output.
        int loopStart = 0;
        SampleLoop loop;
        if (useWaveLoop && findSampleLoop(file.form, loop)) {
            const auto scale = [&](std::uint32_t frame) {
                return static_cast<std::int64_t>(frame) * outRate / fileRate;
            };
            const std::int64_t start = scale(loop.start);
            const std::int64_t end = scale(loop.end);
            std::int64_t startBytes = (outChannels * start * 2) & ~std::int64_t{3};
            const std::int64_t endBytes = outChannels * end * 2;
            if (end > 0 && endBytes < length && endBytes > startBytes) {
                length = static_cast<int>(endBytes);
            }
            if (startBytes >= length) {
                startBytes = 0; // a loop start outside the data restarts at the beginning
            }
            loopStart = static_cast<int>(startBytes);
            // The loop's first frame behind its end, for the interpolation past the last frame.
            const auto from = static_cast<std::size_t>(startBytes / 2);
            const auto to = static_cast<std::size_t>(length / 2);
            for (int c = 0; c < outChannels; ++c) {
                result[to + static_cast<std::size_t>(c)] = result[from + static_cast<std::size_t>(c)];
            }
            length &= ~3;
        }

        out.data = std::move(result);
        out.lengthBytes = length;
        out.loopStart = loopStart;
        out.format = f;
        out.format.channels = static_cast<std::uint16_t>(outChannels);
        out.format.samplesPerSecond = static_cast<std::uint32_t>(outRate);
        out.format.blockAlign = static_cast<std::uint16_t>(2 * outChannels);
        out.format.bitsPerSample = 16;
        out.format.averageBytesPerSecond = static_cast<std::uint32_t>(outRate * 2 * outChannels);
        out.sourceRate = fileRate;
    } catch (const std::bad_alloc&) {
        return fail(WaveError::kOutOfMemory);
    }
    return out;
}

LoadedWave loadWaveFile(const std::filesystem::path& path, int memMode, bool useWaveLoop) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    LoadedWave out;
    if (ec) {
        out.result = WaveError::kCannotOpen;
        return out;
    }
    if (size > static_cast<std::uintmax_t>(kMaxSampleBytes)) {
        out.result = WaveError::kOutOfMemory;
        return out;
    }
    platform::FileContents contents;
    try {
        contents = platform::readWholeFile(path);
    } catch (const std::bad_alloc&) {
        out.result = WaveError::kOutOfMemory;
        return out;
    }
    if (!contents.exists || !contents.status.ok()) {
        out.result = WaveError::kCannotOpen;
        return out;
    }
    return loadWave(std::as_bytes(std::span(contents.data)), memMode, useWaveLoop);
}

bool isPcmWave(const std::filesystem::path& path) {
    // The format lies near the start: read only the head, and the whole file only when it is not
    // there (a large chunk before "fmt "), so a large sample is not read twice before it loads.
    constexpr std::size_t kHead = std::size_t{64} * 1024;
    std::string head(kHead, '\0');
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    in.read(head.data(), static_cast<std::streamsize>(kHead));
    head.resize(static_cast<std::size_t>(in.gcount()));
    WaveFile file = openWave(std::as_bytes(std::span(head)));
    if (file.result != WaveError::kOk && head.size() == kHead) {
        const platform::FileContents contents = platform::readWholeFile(path);
        if (!contents.exists || !contents.status.ok()) {
            return false;
        }
        file = openWave(std::as_bytes(std::span(contents.data)));
    }
    return file.result == WaveError::kOk && file.format.convertible();
}

int waveErrorMessageId(int code) {
    switch (code) {
    case 257:
        return 8296;
    case 258:
    case WaveError::kOutOfMemory:
        return 8281;
    case 259:
    case WaveError::kCannotOpen:
        return 8295;
    case 260:
        return 8294;
    case 261:
    case WaveError::kFormatShort:
        return 8293;
    case 262:
        return 8287;
    case 263:
        return 8292;
    case 264:
        return 8291;
    case 265:
    case WaveError::kNotWave:
        return 8288;
    case 266:
        return 8290;
    case 267:
        return 8284;
    case 268:
        return 8280;
    case 269:
        return 8285;
    case 270:
        return 8283;
    case 271:
        return 8286;
    case 272:
        return 8282;
    case WaveError::kNotPcm:
        return 8231;
    default:
        return 8289;
    }
}

std::vector<std::byte> waveFileBytes(std::span<const std::int16_t> samples, int channels, int rate) {
    platform::RiffWriter writer;
    writer.beginList(fourCc("RIFF"), fourCc("WAVE"));
    std::byte fmt[16]{};
    auto put16 = [&](int at, unsigned v) {
        fmt[at] = static_cast<std::byte>(v & 0xFF);
        fmt[at + 1] = static_cast<std::byte>((v >> 8) & 0xFF);
    };
    auto put32 = [&](int at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    put16(0, kFormatPcm);
    put16(2, static_cast<unsigned>(channels));
    put32(4, static_cast<std::uint32_t>(rate));
    put32(8, static_cast<std::uint32_t>(rate * channels * 2));
    put16(12, static_cast<unsigned>(channels * 2));
    put16(14, 16);
    writer.addChunk(fourCc("fmt "), fmt);
    std::vector<std::byte> pcm(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto v = static_cast<std::uint16_t>(samples[i]);
        pcm[2 * i] = static_cast<std::byte>(v & 0xFF);
        pcm[2 * i + 1] = static_cast<std::byte>(v >> 8);
    }
    writer.addChunk(fourCc("data"), pcm);
    writer.endList();
    const std::string& bytes = writer.bytes();
    const auto* begin = reinterpret_cast<const std::byte*>(bytes.data());
    return {begin, begin + bytes.size()};
}

} // namespace tonwerk::audio
