#include "SoundDevice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>
#include <thread>

namespace tonwerk::platform {

namespace {

constexpr std::uint64_t packPositions(std::uint32_t read, std::uint32_t play) {
    return (static_cast<std::uint64_t>(read) << 32) | play;
}

std::int16_t saturate(std::int32_t value) { return static_cast<std::int16_t>(std::clamp(value, -32768, 32767)); }

} // namespace

int gainQ15(int hundredthsOfDecibel) {
    if (hundredthsOfDecibel >= 0) {
        return 32768;
    }
    if (hundredthsOfDecibel <= kVolumeMin) {
        return 0; // the quietest setting is silence, not -100 dB
    }
    return static_cast<int>(std::lround(32768.0 * std::pow(10.0, hundredthsOfDecibel / 2000.0)));
}

// --- SoundBuffer ---

SoundError SoundBuffer::create(int bytes, const SoundFormat& format) {
    if (format.channels < 1 || format.channels > 2 || format.rate <= 0 || bytes < format.blockAlign()) {
        return SoundError::InvalidArgument;
    }
    const int frames = bytes / format.blockAlign();
    std::unique_ptr<std::int16_t[]> data;
    try {
        data = std::make_unique<std::int16_t[]>(static_cast<std::size_t>(frames) *
                                                static_cast<std::size_t>(format.channels));
    } catch (const std::bad_alloc&) {
        return SoundError::OutOfMemory;
    }
    m_playing.store(false);
    m_data = std::move(data);
    m_frames = frames;
    m_channels = format.channels;
    m_bytes = frames * format.blockAlign();
    m_rate = format.rate;
    m_positions.store(0);
    m_volume.store(0);
    m_pan.store(0);
    m_frequency.store(0);
    m_fraction = 0;
    updateGains();
    m_lastLeftGain = 32768;
    m_lastRightGain = 32768;
    return SoundError::Ok;
}

void SoundBuffer::release() {
    m_playing.store(false);
    m_data.reset();
    m_bytes = 0;
    m_frames = 0;
}

SoundError SoundBuffer::lock(int offset, int bytes, LockedRegion& region) {
    region = {};
    if (!m_data) {
        return SoundError::InvalidCall;
    }
    if (bytes < 0 || bytes > m_bytes || (bytes & 1) != 0) {
        return SoundError::InvalidArgument;
    }
    const int start = ((offset % m_bytes) + m_bytes) % m_bytes & ~1;
    const int first = std::min(bytes, m_bytes - start);
    region.first = m_data.get() + start / 2;
    region.firstBytes = first;
    if (bytes > first) {
        region.second = m_data.get();
        region.secondBytes = bytes - first;
    }
    return SoundError::Ok;
}

SoundError SoundBuffer::unlock(const LockedRegion& region) {
    if (!m_data) {
        return SoundError::InvalidCall;
    }
    // Release the writes to the mixer, which reads the data without a lock.
    std::atomic_thread_fence(std::memory_order_release);
    (void)region;
    return SoundError::Ok;
}

SoundError SoundBuffer::play() {
    if (!m_data) {
        return SoundError::InvalidCall;
    }
    std::atomic_thread_fence(std::memory_order_release);
    m_playing.store(true, std::memory_order_release);
    return SoundError::Ok;
}

SoundError SoundBuffer::stop() {
    if (!m_data) {
        return SoundError::InvalidCall;
    }
    m_playing.store(false, std::memory_order_release);
    return SoundError::Ok;
}

SoundError SoundBuffer::setCurrentPosition(int bytePosition) {
    if (!m_data) {
        return SoundError::InvalidCall;
    }
    if (bytePosition < 0) {
        return SoundError::InvalidArgument;
    }
    const auto frame = static_cast<std::uint32_t>((bytePosition % m_bytes) / (2 * m_channels));
    m_positions.store(packPositions(frame, frame), std::memory_order_release);
    return SoundError::Ok;
}

void SoundBuffer::currentPosition(int& play, int& write) const {
    const std::uint64_t positions = m_positions.load(std::memory_order_acquire);
    const int blockAlign = 2 * m_channels;
    play = static_cast<int>(positions & 0xFFFFFFFFU) * blockAlign;
    write = static_cast<int>(positions >> 32) * blockAlign;
}

SoundError SoundBuffer::setVolume(int hundredthsOfDecibel) {
    if (hundredthsOfDecibel > kVolumeMax || hundredthsOfDecibel < kVolumeMin) {
        return SoundError::InvalidArgument;
    }
    m_volume.store(hundredthsOfDecibel, std::memory_order_relaxed);
    updateGains();
    return SoundError::Ok;
}

SoundError SoundBuffer::setPan(int pan) {
    if (pan < kPanLeft || pan > kPanRight) {
        return SoundError::InvalidArgument;
    }
    m_pan.store(pan, std::memory_order_relaxed);
    updateGains();
    return SoundError::Ok;
}

SoundError SoundBuffer::setFrequency(int framesPerSecond) {
    if (framesPerSecond != 0 && (framesPerSecond < 100 || framesPerSecond > 200000)) {
        return SoundError::InvalidArgument;
    }
    m_frequency.store(framesPerSecond, std::memory_order_relaxed);
    return SoundError::Ok;
}

int SoundBuffer::frequency() const {
    const int f = m_frequency.load(std::memory_order_relaxed);
    return f == 0 ? m_rate : f;
}

void SoundBuffer::updateGains() {
    const int volume = m_volume.load(std::memory_order_relaxed);
    const int pan = m_pan.load(std::memory_order_relaxed);
    const auto left = static_cast<std::uint32_t>(gainQ15(volume - std::max(pan, 0)));
    const auto right = static_cast<std::uint32_t>(gainQ15(volume + std::min(pan, 0)));
    m_gains.store((static_cast<std::uint64_t>(left) << 32) | right, std::memory_order_relaxed);
}

void SoundBuffer::mixInto(std::int32_t* mix, int frames, int outputRate) {
    if (!m_data || frames <= 0) {
        return;
    }
    const std::uint64_t gains = m_gains.load(std::memory_order_relaxed);
    const int leftGain = static_cast<int>(gains >> 32);
    const int rightGain = static_cast<int>(gains & 0xFFFFFFFFU);
    const int leftStart = m_lastLeftGain;
    const int rightStart = m_lastRightGain;
    m_lastLeftGain = leftGain;
    m_lastRightGain = rightGain;

    const std::uint64_t positions = m_positions.load(std::memory_order_acquire);
    std::uint32_t frame = static_cast<std::uint32_t>(positions >> 32) % static_cast<std::uint32_t>(m_frames);
    const std::uint32_t blockStart = frame;
    const std::int16_t* data = m_data.get();
    const std::uint32_t step =
        static_cast<std::uint32_t>((static_cast<std::uint64_t>(frequency()) << 16) / static_cast<unsigned>(outputRate));
    const auto count = static_cast<std::uint32_t>(m_frames);

    const bool stereo = m_channels == 2;
    const bool gliding = leftStart != leftGain || rightStart != rightGain;
    if (step == 0x10000 && !gliding) {
        // The common case: the buffer's own rate, a steady gain. Runs up to the ring's end at a time.
        int i = 0;
        while (i < frames) {
            const int n = std::min(frames - i, static_cast<int>(count - frame));
            std::int32_t* out = mix + std::ptrdiff_t{2} * i;
            if (stereo) {
                const std::int16_t* in = data + std::size_t{2} * frame;
                for (std::ptrdiff_t k = 0; k < n; ++k) {
                    out[2 * k] += (in[2 * k] * leftGain) >> 15;
                    out[2 * k + 1] += (in[2 * k + 1] * rightGain) >> 15;
                }
            } else {
                const std::int16_t* in = data + frame;
                for (std::ptrdiff_t k = 0; k < n; ++k) {
                    out[2 * k] += (in[k] * leftGain) >> 15;
                    out[2 * k + 1] += (in[k] * rightGain) >> 15;
                }
            }
            i += n;
            frame = (frame + static_cast<std::uint32_t>(n)) % count;
        }
    } else {
        // A gain that glides over the block (so a volume change never clicks) or another rate.
        const int leftDelta = leftGain - leftStart;
        const int rightDelta = rightGain - rightStart;
        for (std::ptrdiff_t i = 0; i < frames; ++i) {
            const int lg = leftStart + static_cast<int>((static_cast<long long>(leftDelta) * i) / frames);
            const int rg = rightStart + static_cast<int>((static_cast<long long>(rightDelta) * i) / frames);
            const int left = stereo ? data[std::size_t{2} * frame] : data[frame];
            const int right = stereo ? data[std::size_t{2} * frame + 1] : left;
            mix[2 * i] += (left * lg) >> 15;
            mix[2 * i + 1] += (right * rg) >> 15;
            m_fraction += step;
            frame = (frame + (m_fraction >> 16)) % count;
            m_fraction &= 0xFFFF;
        }
    }
    // A position set from another thread while mixing wins over this advance.
    std::uint64_t expected = positions;
    m_positions.compare_exchange_strong(expected, packPositions(frame, blockStart), std::memory_order_acq_rel);
}

// --- SoundDevice ---

void SoundDevice::setOutputFormat(SoundFormat format, int bits) {
    m_format = format;
    m_bits = bits == 8 ? 8 : 16;
}

void SoundDevice::mix(std::int16_t* out, int frames) {
    int playing = 0;
    while (frames > 0) {
        const int n = std::min(frames, kMixBlockFrames);
        std::fill_n(m_accumulator.begin(), 2 * n, 0);
        playing = 0;
        for (SoundBuffer& buffer : m_buffers) {
            if (buffer.playing()) {
                ++playing;
                buffer.mixInto(m_accumulator.data(), n, m_format.rate);
            }
        }
        if (m_format.channels == 1) {
            for (std::size_t i = 0; i < 2 * static_cast<std::size_t>(n); i += 2) {
                const std::int32_t mono = (m_accumulator[i] + m_accumulator[i + 1]) / 2;
                m_accumulator[i] = mono;
                m_accumulator[i + 1] = mono;
            }
        }
        for (int i = 0; i < 2 * n; ++i) {
            out[i] = saturate(m_accumulator[static_cast<std::size_t>(i)]);
        }
        if (m_bits == 8) {
            // An 8-bit primary buffer keeps the high byte of each word (its steps are 256 apart).
            for (int i = 0; i < 2 * n; ++i) {
                out[i] = static_cast<std::int16_t>(out[i] & ~0xFF);
            }
        }
        out += std::ptrdiff_t{2} * n;
        frames -= n;
    }
    m_playingCount.store(playing, std::memory_order_relaxed);
}

// --- OfflineOutput ---

void OfflineOutput::renderUntil(std::uint64_t frames) {
    while (m_rendered < frames) {
        const auto n = static_cast<int>(std::min<std::uint64_t>(frames - m_rendered, SoundDevice::kMixBlockFrames));
        if (m_sink) {
            m_block.resize(2 * static_cast<std::size_t>(n));
            m_device.mix(m_block.data(), n);
            m_sink(m_block);
        } else {
            const std::size_t at = m_samples.size();
            m_samples.resize(at + 2 * static_cast<std::size_t>(n));
            m_device.mix(m_samples.data() + at, n);
        }
        m_rendered += static_cast<std::uint64_t>(n);
    }
}

void OfflineOutput::renderUntilMs(std::uint32_t ms) {
    renderUntil(static_cast<std::uint64_t>(ms) * static_cast<std::uint64_t>(m_device.outputFormat().rate) / 1000);
}

// --- Null output ---

namespace {

class NullOutput final : public SoundOutput {
public:
    explicit NullOutput(SoundDevice& device) : m_device(device) {
        m_block.resize(2 * static_cast<std::size_t>(SoundDevice::kMixBlockFrames));
    }
    ~NullOutput() override { stop(); }

    SoundError start() override {
        if (m_thread.joinable()) {
            return SoundError::Ok;
        }
        m_running.store(true);
        m_thread = std::thread([this] { run(); });
        return SoundError::Ok;
    }
    void stop() override {
        m_running.store(false);
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    [[nodiscard]] std::string description() const override { return "none"; }

private:
    // Mixes every 10 ms exactly as many frames as the time since the start asks for.
    void run() {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        const auto rate = static_cast<std::uint64_t>(m_device.outputFormat().rate);
        std::uint64_t done = 0;
        Clock::time_point next = start;
        while (m_running.load()) {
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
            const auto elapsed = static_cast<std::uint64_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
            const std::uint64_t due = elapsed * rate / 1000000;
            while (done < due) {
                const auto n = static_cast<int>(std::min<std::uint64_t>(due - done, SoundDevice::kMixBlockFrames));
                m_device.mix(m_block.data(), n);
                done += static_cast<std::uint64_t>(n);
            }
        }
    }

    SoundDevice& m_device;
    std::vector<std::int16_t> m_block;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace

std::unique_ptr<SoundOutput> makeNullOutput(SoundDevice& device) { return std::make_unique<NullOutput>(device); }

// --- Identifiers ---

SoundDeviceId soundDeviceId(std::string_view api, std::string_view name) {
    // Two FNV-1a hashes with different seeds over "api\0name": stable across runs and machines.
    auto fnv = [&](std::uint64_t hash) {
        auto add = [&hash](unsigned char c) {
            hash ^= c;
            hash *= 0x100000001B3ULL;
        };
        for (const char c : api) {
            add(static_cast<unsigned char>(c));
        }
        add(0);
        for (const char c : name) {
            add(static_cast<unsigned char>(c));
        }
        return hash;
    };
    const std::uint64_t a = fnv(0xCBF29CE484222325ULL);
    const std::uint64_t b = fnv(0x84222325CBF29CE4ULL);
    SoundDeviceId id{};
    for (int i = 0; i < 8; ++i) {
        id[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(a >> (8 * i));
        id[8 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b >> (8 * i));
    }
    if (isDefaultDevice(id)) {
        id[0] = 1; // all zeros means the default device
    }
    return id;
}

bool isDefaultDevice(const SoundDeviceId& id) {
    return std::all_of(id.begin(), id.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace tonwerk::platform
