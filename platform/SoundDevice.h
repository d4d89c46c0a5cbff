#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonwerk::platform {

// The output format of the mix and of the voice buffers: 16-bit signed PCM, interleaved.
struct SoundFormat {
    int channels = 2;
    int rate = 22050; // frames per second
    [[nodiscard]] int blockAlign() const { return channels * 2; }
    [[nodiscard]] int bytesPerSecond() const { return rate * blockAlign(); }
};

// What a sound-device call can fail with; the audio engine turns each into its message.
enum class SoundError {
    Ok = 0,
    NoAggregation,
    OutOfMemory,
    InvalidArgument,
    Allocated,
    ControlUnavailable,
    InvalidCall,
    PriorityLevelNeeded,
    NoDriver,
    BufferLost,
    Other,
};

// Volume in hundredths of a decibel: 0 full, -10000 silent.
inline constexpr int kVolumeMax = 0;
inline constexpr int kVolumeMin = -10000;
// Pan: -10000 (left only) .. 10000 (right only); the far channel is attenuated by |pan| hundredths of
// a decibel.
inline constexpr int kPanLeft = -10000;
inline constexpr int kPanRight = 10000;

// Linear gain, 1.0 = 32768, of an attenuation in hundredths of a decibel (0 or negative).
[[nodiscard]] int gainQ15(int hundredthsOfDecibel);

// The part of a ring buffer handed out by lock(): one or two regions (the second when the locked
// range wraps past the end). Lengths in bytes, each a whole number of 16-bit words.
struct LockedRegion {
    std::int16_t* first = nullptr;
    int firstBytes = 0;
    std::int16_t* second = nullptr;
    int secondBytes = 0;
};

// One secondary ring buffer: the voices' streaming buffers. The pump writes into it between lock()
// and unlock(); the mixer on the audio callback reads from its play position. They share the data
// without a lock, as a streaming sound buffer does: the pump writes only behind the play cursor or
// beyond the write cursor. Cursors, volume, pan, frequency and the playing flag are atomics.
class SoundBuffer {
public:
    SoundBuffer() = default;
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // Allocates a silent ring of `bytes` (rounded down to whole frames) in `format`. Not while the
    // mixer may read the buffer: only before the output starts or after it stopped. May block.
    SoundError create(int bytes, const SoundFormat& format);
    void release();
    [[nodiscard]] bool exists() const { return m_data != nullptr; }
    [[nodiscard]] int bytes() const { return m_bytes; }
    [[nodiscard]] int channels() const { return m_channels; }

    // --- Any thread except the audio callback; none of these blocks ---
    // Hands out `bytes` of the ring from `offset` (wrapped into the ring), in up to two regions.
    // `bytes` beyond the ring size is refused.
    SoundError lock(int offset, int bytes, LockedRegion& region);
    SoundError unlock(const LockedRegion& region);
    SoundError play(); // always looping
    SoundError stop();
    [[nodiscard]] bool playing() const { return m_playing.load(std::memory_order_acquire); }
    SoundError setCurrentPosition(int bytePosition);
    // The play cursor (start of the data the mixer took last) and the write cursor (the play cursor
    // plus what the mixer has already taken), byte offsets in the ring, 4-byte aligned in stereo.
    void currentPosition(int& play, int& write) const;
    SoundError setVolume(int hundredthsOfDecibel);
    SoundError setPan(int pan);
    SoundError setFrequency(int framesPerSecond); // 0 = the buffer's own rate
    [[nodiscard]] int volume() const { return m_volume.load(std::memory_order_relaxed); }
    [[nodiscard]] int pan() const { return m_pan.load(std::memory_order_relaxed); }
    [[nodiscard]] int frequency() const;

    // --- Audio callback only: never blocks, allocates or logs ---
    // Adds `frames` frames of this buffer, at the output rate, with volume and pan, to `mix`
    // (interleaved stereo accumulators) and advances the play position, looping.
    void mixInto(std::int32_t* mix, int frames, int outputRate);

private:
    void updateGains();

    std::unique_ptr<std::int16_t[]> m_data;
    int m_bytes = 0;
    int m_frames = 0;
    int m_channels = 2;
    int m_rate = 22050;

    std::atomic<bool> m_playing{false};
    // Read position (high 32 bits) and play position (low 32 bits), in frames; one word so a new
    // position set from outside never mixes with the mixer's own advance.
    std::atomic<std::uint64_t> m_positions{0};
    std::atomic<int> m_volume{0};
    std::atomic<int> m_pan{0};
    std::atomic<int> m_frequency{0};
    std::atomic<std::uint64_t> m_gains{(std::uint64_t{32768} << 32) | 32768}; // left << 32 | right, Q15

    // The mixer's own state (audio callback only).
    std::uint32_t m_fraction = 0; // 16.16 sub-frame position when the frequency differs
    int m_lastLeftGain = 32768;
    int m_lastRightGain = 32768;
};

// The software mixer: the voice buffers and the sum of those that play, at the output format.
class SoundDevice {
public:
    static constexpr int kBufferCount = 64;
    static constexpr int kMixBlockFrames = 1024; // the mixer's accumulator, in output frames

    explicit SoundDevice(SoundFormat outputFormat) : m_format(outputFormat) {}
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    [[nodiscard]] const SoundFormat& outputFormat() const { return m_format; }
    // The sound of the primary buffer: the mix at `format`'s rate, summed to mono for one channel
    // (both output channels then carry it), cut to 8 bits for `bits` 8 (else 16). The mix stays
    // interleaved stereo 16-bit. Only while no output pulls the mix (before start, after stop).
    void setOutputFormat(SoundFormat format, int bits);
    [[nodiscard]] int outputBits() const { return m_bits; }
    [[nodiscard]] SoundBuffer& buffer(int index) { return m_buffers[static_cast<std::size_t>(index)]; }

    // Audio callback (or the offline renderer): mixes every playing buffer into `out`, `frames`
    // interleaved stereo 16-bit frames at the output rate, saturated. Never blocks or allocates.
    void mix(std::int16_t* out, int frames);
    // Buffers found playing by the last mix pass.
    [[nodiscard]] int playingCount() const { return m_playingCount.load(std::memory_order_relaxed); }

private:
    SoundFormat m_format;
    int m_bits = 16;
    std::array<SoundBuffer, kBufferCount> m_buffers;
    std::array<std::int32_t, std::size_t{2} * kMixBlockFrames> m_accumulator{};
    std::atomic<int> m_playingCount{0};
};

// Where the mix goes.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts pulling the mix; stop() returns when the device no longer calls the mixer.
    virtual SoundError start() = 0;
    virtual void stop() = 0;
    // "jack: system" and the like, for the screens and the log.
    [[nodiscard]] virtual std::string description() const = 0;
    // Callbacks that came too late for the device (xruns) since start.
    [[nodiscard]] virtual std::uint64_t lateCallbacks() const { return 0; }
    // The longest time Tonwerk's own work took inside one callback, and the device period, in µs.
    [[nodiscard]] virtual std::uint32_t longestCallbackMicros() const { return 0; }
    [[nodiscard]] virtual std::uint32_t periodMicros() const { return 0; }
};

// Plays into nothing, paced in real time on its own thread: with no sound device the voices run
// and stop as they would with one.
[[nodiscard]] std::unique_ptr<SoundOutput> makeNullOutput(SoundDevice& device);

// Renders the mix on demand into memory (files, tests): nothing moves until asked.
class OfflineOutput final : public SoundOutput {
public:
    explicit OfflineOutput(SoundDevice& device) : m_device(device) {}
    SoundError start() override { return SoundError::Ok; }
    void stop() override {}
    [[nodiscard]] std::string description() const override { return "offline"; }

    // Renders until `frames` frames have been rendered since the start. Caller's thread.
    void renderUntil(std::uint64_t frames);
    // Renders up to the time `ms` milliseconds after the start.
    void renderUntilMs(std::uint32_t ms);
    [[nodiscard]] std::uint64_t renderedFrames() const { return m_rendered; }
    // Every frame rendered so far, when no sink takes them.
    [[nodiscard]] const std::vector<std::int16_t>& samples() const { return m_samples; }
    // From now on each rendered block goes to `sink` (interleaved stereo) and is not kept, so a
    // render of any length needs only one block of memory.
    void setSink(std::function<void(std::span<const std::int16_t>)> sink) { m_sink = std::move(sink); }

private:
    SoundDevice& m_device;
    std::vector<std::int16_t> m_samples; // interleaved stereo at the output rate
    std::vector<std::int16_t> m_block;   // one block for the sink
    std::function<void(std::span<const std::int16_t>)> m_sink;
    std::uint64_t m_rendered = 0;
};

// The mix at the device's rate and format: the output format's frames converted by libsoxr, handed
// out in the amounts the device asks for. The conversion is primed at construction so the callback
// never allocates.
class DeviceStream {
public:
    // `channels`: 1 or 2 output channels; `maxFrames`: the largest block the device asks for.
    DeviceStream(SoundDevice& device, int deviceRate, int channels, int maxFrames);
    ~DeviceStream();
    DeviceStream(const DeviceStream&) = delete;
    DeviceStream& operator=(const DeviceStream&) = delete;

    [[nodiscard]] bool ok() const { return m_ok; }
    // Audio callback: `frames` interleaved float frames. Never blocks, allocates or logs.
    void render(float* out, int frames);

private:
    SoundDevice& m_device;
    int m_deviceRate;
    int m_channels;
    bool m_ok = false;
    void* m_resampler = nullptr; // soxr_t; null when the rates are equal
    std::vector<std::int16_t> m_mixBlock;
    std::vector<float> m_converted; // stereo frames waiting to go out
    int m_convertedFrames = 0;
};

// A sound output device of RtAudio. The identifier is a stable hash of its API and name, so the
// settings keep pointing at the same device when others are added; all zeros is the default device.
using SoundDeviceId = std::array<std::uint8_t, 16>;
[[nodiscard]] SoundDeviceId soundDeviceId(std::string_view api, std::string_view name);
[[nodiscard]] bool isDefaultDevice(const SoundDeviceId& id);

// Opens the named device ("jack", "pulse", "alsa" and the name as listAudioOutputs gives them), or
// with an empty api the default output of the first system that answers (JACK, then PulseAudio,
// then ALSA). `periodFrames` is the wanted block size. Null with `error` set when nothing opens.
// UI thread; blocks while the audio system answers.
[[nodiscard]] std::unique_ptr<SoundOutput> openDeviceOutput(SoundDevice& device, std::string_view api,
                                                            std::string_view name, int periodFrames,
                                                            std::string& error);

} // namespace tonwerk::platform
