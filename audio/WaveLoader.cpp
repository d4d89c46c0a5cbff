#include "WaveLoader.h"

#include "platform/AtomicFile.h"
#include "platform/RiffFile.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
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

// More channels than this are damage, not music (libsndfile's own limit).
constexpr int kMaxChannels = 1024;

// Rates outside this range are damage, not music.
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 768000;

// One channel's integer PCM sample of `bytes` bytes (1 to 8, little-endian; 8-bit is unsigned)
// as -1.0 to 1.0: the files libsndfile has no decoder for (64-bit integers) are read this way.
float integerSample(const std::byte* p, int bytes) {
    if (bytes == 1) {
        return static_cast<float>(static_cast<int>(p[0]) - 128) / 128.0F;
    }
    std::uint64_t raw = 0;
    for (int i = 0; i < bytes; ++i) {
        raw |= static_cast<std::uint64_t>(p[i]) << (64 - 8 * bytes + 8 * i); // to the top of 64 bits
    }
    return static_cast<float>(static_cast<double>(static_cast<std::int64_t>(raw)) / 9223372036854775808.0);
}

// The first chunk `id` among a form's chunks.
std::optional<platform::RiffChunk> firstChunk(std::span<const std::byte> form, platform::FourCc id) {
    std::optional<platform::RiffChunk> found;
    platform::RiffReader::forEachChunk(form, 0, [&](const platform::RiffChunk& chunk) {
        if (chunk.id == id) {
            found = chunk;
            return false;
        }
        return true;
    });
    return found;
}

// A byte span as a file for libsndfile's virtual I/O.
struct MemoryFile {
    std::span<const std::byte> bytes;
    sf_count_t position = 0;

    static sf_count_t length(void* self) {
        return static_cast<sf_count_t>(static_cast<MemoryFile*>(self)->bytes.size());
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* self) {
        auto* f = static_cast<MemoryFile*>(self);
        const sf_count_t size = length(self);
        sf_count_t to = offset;
        if (whence == SEEK_CUR) {
            to = f->position + offset;
        } else if (whence == SEEK_END) {
            to = size + offset;
        }
        f->position = std::clamp<sf_count_t>(to, 0, size);
        return f->position;
    }
    static sf_count_t read(void* out, sf_count_t count, void* self) {
        auto* f = static_cast<MemoryFile*>(self);
        const sf_count_t n = std::clamp<sf_count_t>(length(self) - f->position, 0, std::max<sf_count_t>(count, 0));
        if (n > 0) {
            std::memcpy(out, f->bytes.data() + f->position, static_cast<std::size_t>(n));
        }
        f->position += n;
        return n;
    }
    static sf_count_t write(const void* /*data*/, sf_count_t /*count*/, void* /*self*/) { return 0; }
    static sf_count_t tell(void* self) { return static_cast<MemoryFile*>(self)->position; }
};

// The decoded frames of a file, block by block, as interleaved floats of its own channels.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Up to `frames` frames into `out` (channels() floats each); 0 at the end.
    virtual std::size_t read(float* out, std::size_t frames) = 0;
    [[nodiscard]] virtual int channels() const = 0;
};

class SndfileSource final : public FrameSource {
public:
    SndfileSource(SNDFILE* file, int channels) : m_file(file), m_channels(channels) {}
    ~SndfileSource() override { sf_close(m_file); }
    SndfileSource(const SndfileSource&) = delete;
    SndfileSource& operator=(const SndfileSource&) = delete;
    std::size_t read(float* out, std::size_t frames) override {
        const sf_count_t n = sf_readf_float(m_file, out, static_cast<sf_count_t>(frames));
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    [[nodiscard]] int channels() const override { return m_channels; }

private:
    SNDFILE* m_file;
    int m_channels;
};

// Integer PCM in a RIFF "data" chunk, read by the program itself.
class PcmSource final : public FrameSource {
public:
    PcmSource(std::span<const std::byte> data, int channels, int sampleBytes, int frameBytes)
        : m_data(data), m_channels(channels), m_sampleBytes(sampleBytes), m_frameBytes(frameBytes) {}
    std::size_t read(float* out, std::size_t frames) override {
        std::size_t n = 0;
        for (; n < frames && m_at + static_cast<std::size_t>(m_frameBytes) <= m_data.size(); ++n) {
            for (int c = 0; c < m_channels; ++c) {
                *out++ =
                    integerSample(m_data.data() + m_at + static_cast<std::size_t>(c * m_sampleBytes), m_sampleBytes);
            }
            m_at += static_cast<std::size_t>(m_frameBytes);
        }
        return n;
    }
    [[nodiscard]] int channels() const override { return m_channels; }

private:
    std::span<const std::byte> m_data;
    int m_channels;
    int m_sampleBytes;
    int m_frameBytes;
    std::size_t m_at = 0;
};

// Sample value as a 16-bit word, rounded and limited (NaN is silence).
std::int16_t toWord(float x) {
    if (!(x == x)) {
        return 0;
    }
    return static_cast<std::int16_t>(std::lrint(std::clamp(x * 32768.0F, -32768.0F, 32767.0F)));
}

// Reads every frame of `source`, keeps the first two channels (mono doubled for a stereo layout,
// stereo averaged for the mono one) and converts the rate with libsoxr (high quality) into 16-bit
// words of the output layout. False when the result would pass kMaxSampleBytes or soxr fails.
bool convertFrames(FrameSource& source, int fileRate, int outRate, int outChannels, std::vector<std::int16_t>& out) {
    // About a megabyte of samples a block, whatever the channel count.
    const int channels = source.channels();
    const std::size_t blockFrames =
        std::max<std::size_t>(1, (std::size_t{1} << 18) / static_cast<std::size_t>(channels));
    std::vector<float> block(blockFrames * static_cast<std::size_t>(channels));
    std::vector<float> adapted(blockFrames * static_cast<std::size_t>(outChannels));
    soxr_t resampler = nullptr;
    if (fileRate != outRate) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t error = nullptr;
        resampler = soxr_create(fileRate, outRate, static_cast<unsigned>(outChannels), &error, &io, &quality, nullptr);
        if (error != nullptr) {
            return false;
        }
    }
    const auto maxWords = static_cast<std::size_t>(kMaxSampleBytes / 2);
    const double ratio = static_cast<double>(outRate) / static_cast<double>(fileRate);
    std::vector<std::int16_t> converted;
    bool ok = true;
    auto emit = [&](const float* frames, std::size_t count) {
        if (resampler == nullptr) {
            for (std::size_t i = 0; i < count * static_cast<std::size_t>(outChannels); ++i) {
                out.push_back(toWord(frames[i]));
            }
            return;
        }
        // soxr takes the input it is given; its output is drained until it has none left.
        std::size_t offered = 0;
        for (;;) {
            const std::size_t room = static_cast<std::size_t>(static_cast<double>(count) * ratio) + 1024;
            converted.resize(room * static_cast<std::size_t>(outChannels));
            std::size_t used = 0;
            std::size_t made = 0;
            const float* input = frames == nullptr ? nullptr : frames + offered * static_cast<std::size_t>(outChannels);
            if (soxr_process(resampler, input, frames == nullptr ? 0 : count - offered, &used, converted.data(), room,
                             &made) != nullptr) {
                ok = false;
                return;
            }
            offered += used;
            out.insert(out.end(), converted.begin(),
                       converted.begin() + static_cast<std::ptrdiff_t>(made * static_cast<std::size_t>(outChannels)));
            const bool inputTaken = frames == nullptr || offered >= count;
            if ((inputTaken && made < room) || out.size() > maxWords) {
                return;
            }
        }
    };
    for (;;) {
        const std::size_t n = source.read(block.data(), blockFrames);
        if (n == 0) {
            break;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const float* in = &block[i * static_cast<std::size_t>(channels)];
            float* to = &adapted[i * static_cast<std::size_t>(outChannels)];
            const float left = in[0];
            const float right = channels > 1 ? in[1] : in[0];
            if (outChannels == 2) {
                to[0] = left;
                to[1] = right;
            } else {
                to[0] = channels > 1 ? (left + right) / 2.0F : left;
            }
        }
        emit(adapted.data(), n);
        if (!ok || out.size() > maxWords) {
            ok = false;
            break;
        }
    }
    if (ok && resampler != nullptr) {
        emit(nullptr, 0); // what the filter still holds
    }
    soxr_delete(resampler);
    return ok && out.size() <= maxWords;
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
    // Some writers state a RIFF size smaller than the chunks they wrote: the chunks count up to the
    // end of the file.
    if (bytes.size() > 12 && form->data.size() < bytes.size() - 12) {
        file.form = bytes.subspan(12);
    }
    const std::optional<platform::RiffChunk> fmt = firstChunk(file.form, fourCc("fmt "));
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
    // The program's own RIFF reading: the error codes of a damaged WAVE file, its loop, and the
    // integer codings libsndfile has no decoder for.
    const bool riff = bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0;
    const WaveFile wave = riff ? openWave(bytes) : WaveFile{};
    if (riff && wave.result != WaveError::kOk) {
        return fail(wave.result);
    }
    if (riff && (wave.format.channels == 0 || wave.format.channels > kMaxChannels ||
                 wave.format.samplesPerSecond < kMinRate || wave.format.samplesPerSecond > kMaxRate)) {
        return fail(WaveError::kNotWave);
    }

    // Everything else a performer's files hold is decoded by libsndfile: every WAVE coding and byte
    // order, RF64 and W64, AIFF, FLAC, Ogg Vorbis, Opus, MP3.
    MemoryFile memory{bytes};
    SF_VIRTUAL_IO io{&MemoryFile::length, &MemoryFile::seek, &MemoryFile::read, &MemoryFile::write, &MemoryFile::tell};
    SF_INFO info{};
    SNDFILE* file = bytes.empty() ? nullptr : sf_open_virtual(&io, SFM_READ, &info, &memory);
    std::unique_ptr<FrameSource> source;
    int fileRate = 0;
    if (file != nullptr) {
        if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < static_cast<int>(kMinRate) ||
            info.samplerate > static_cast<int>(kMaxRate)) {
            sf_close(file);
            return fail(WaveError::kNotWave);
        }
        source = std::make_unique<SndfileSource>(file, info.channels);
        fileRate = info.samplerate;
    } else if (riff && wave.format.codingTag() == kFormatPcm && wave.format.bitsPerSample > 0 &&
               wave.format.bitsPerSample <= 64) {
        const std::optional<platform::RiffChunk> dataChunk = firstChunk(wave.form, fourCc("data"));
        if (!dataChunk) {
            return fail(platform::MmioError::kChunkNotFound);
        }
        const int sampleBytes = (wave.format.bitsPerSample + 7) / 8;
        const int frameBytes = std::max<int>(wave.format.blockAlign, sampleBytes * wave.format.channels);
        source = std::make_unique<PcmSource>(dataChunk->data, wave.format.channels, sampleBytes, frameBytes);
        fileRate = static_cast<int>(wave.format.samplesPerSecond);
    } else {
        return fail(riff ? WaveError::kNotPcm : (bytes.size() < 12 ? WaveError::kNotWave : WaveError::kNotPcm));
    }

    try {
        const int outRate = memModeRate(memMode);
        const int outChannels = memModeChannels(memMode);
        std::vector<std::int16_t> result;
        if (!convertFrames(*source, fileRate, outRate, outChannels, result)) {
            return fail(WaveError::kOutOfMemory);
        }
        source.reset();

        // Length in whole frames (a multiple of 4 bytes), one spare frame behind it.
        int length = static_cast<int>(result.size() * 2) & ~3;
        result.resize(static_cast<std::size_t>(length / 2) + 2, 0);

        // The file's loop, in frames of the output.
        int loopStart = 0;
        SampleLoop loop;
        if (useWaveLoop && riff && findSampleLoop(wave.form, loop)) {
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
        out.format = riff ? wave.format : WaveFormat{};
        out.format.formatTag = riff ? wave.format.formatTag : kFormatPcm;
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

SampleFileCheck checkSampleFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return SampleFileCheck::Missing;
    }
    std::ifstream in(path, std::ios::binary);
    if (ec || !std::filesystem::is_regular_file(status) || !in) {
        return SampleFileCheck::Unreadable;
    }
    SF_INFO info{};
    if (SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info); file != nullptr) {
        sf_close(file);
        return SampleFileCheck::Loadable;
    }
    // Integer PCM that libsndfile does not decode. The format lies near the start: read only the
    // head, and the whole file only when it is not there (a large chunk before "fmt ").
    constexpr std::size_t kHead = std::size_t{64} * 1024;
    std::string head(kHead, '\0');
    in.read(head.data(), static_cast<std::streamsize>(kHead));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.size() < 4 || head.compare(0, 4, "RIFF") != 0) {
        return SampleFileCheck::NotDecodable;
    }
    WaveFile file = openWave(std::as_bytes(std::span(head)));
    if (file.result != WaveError::kOk && head.size() == kHead) {
        const platform::FileContents contents = platform::readWholeFile(path);
        if (!contents.exists || !contents.status.ok()) {
            return SampleFileCheck::Unreadable;
        }
        file = openWave(std::as_bytes(std::span(contents.data)));
    }
    const bool pcm = file.result == WaveError::kOk && file.format.codingTag() == kFormatPcm &&
                     file.format.bitsPerSample > 0 && file.format.bitsPerSample <= 64;
    return pcm ? SampleFileCheck::Loadable : SampleFileCheck::NotDecodable;
}

bool isSampleFileName(const std::filesystem::path& path) {
    std::string ending = path.extension().string();
    for (char& c : ending) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return std::find(std::begin(kSampleEndings), std::end(kSampleEndings), ending) != std::end(kSampleEndings);
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

std::array<std::byte, kWaveHeaderBytes> waveHeader(int channels, int rate, std::uint32_t dataBytes) {
    std::array<std::byte, kWaveHeaderBytes> h{};
    auto put = [&h](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            h[at + static_cast<std::size_t>(i)] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
        }
    };
    auto tag = [&h](std::size_t at, const char* id) { std::memcpy(h.data() + at, id, 4); };
    tag(0, "RIFF");
    put(4, dataBytes + static_cast<std::uint32_t>(kWaveHeaderBytes - 8), 4);
    tag(8, "WAVE");
    tag(12, "fmt ");
    put(16, 16, 4);
    put(20, kFormatPcm, 2);
    put(22, static_cast<std::uint32_t>(channels), 2);
    put(24, static_cast<std::uint32_t>(rate), 4);
    put(28, static_cast<std::uint32_t>(rate * channels * 2), 4);
    put(32, static_cast<std::uint32_t>(channels * 2), 2);
    put(34, 16, 2);
    tag(36, "data");
    put(40, dataBytes, 4);
    return h;
}

std::vector<std::byte> waveFileBytes(std::span<const std::int16_t> samples, int channels, int rate) {
    const auto header = waveHeader(channels, rate, static_cast<std::uint32_t>(samples.size() * 2));
    std::vector<std::byte> bytes(header.begin(), header.end());
    bytes.resize(header.size() + samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto v = static_cast<std::uint16_t>(samples[i]);
        bytes[header.size() + 2 * i] = static_cast<std::byte>(v & 0xFF);
        bytes[header.size() + 2 * i + 1] = static_cast<std::byte>(v >> 8);
    }
    return bytes;
}

std::vector<SamplePeak> samplePeaks(std::span<const std::int16_t> words, int channels, int columns) {
    std::vector<SamplePeak> peaks;
    if (channels < 1 || columns < 1) {
        return peaks;
    }
    const auto step = static_cast<std::size_t>(channels);
    const std::size_t frames = words.size() / step;
    const std::size_t count = std::min(frames, static_cast<std::size_t>(columns));
    peaks.resize(count);
    for (std::size_t c = 0; c < count; ++c) {
        const std::size_t first = c * frames / count;
        const std::size_t last = std::max(first + 1, (c + 1) * frames / count);
        SamplePeak& peak = peaks[c];
        for (int side = 0; side < 2; ++side) {
            const std::size_t word = std::min(static_cast<std::size_t>(side), step - 1);
            std::int16_t low = words[first * step + word];
            std::int16_t high = low;
            for (std::size_t f = first; f < last; ++f) {
                low = std::min(low, words[f * step + word]);
                high = std::max(high, words[f * step + word]);
            }
            peak.low[side] = low;
            peak.high[side] = high;
        }
    }
    return peaks;
}

} // namespace tonwerk::audio
