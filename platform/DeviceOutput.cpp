// The mix on a real sound device: rate conversion with libsoxr and the RtAudio stream.
#include "AudioDevices.h"

#include "DiagnosticLog.h"
#include "SoundDevice.h"

#include <rtaudio/RtAudio.h>
#include <soxr.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace tonwerk::platform {

namespace {

// Output frames the converter is asked for at a time (a small block keeps the latency it adds low).
constexpr int kMixFrames = 64;

soxr_t resamplerOf(void* handle) { return static_cast<soxr_t>(handle); }

} // namespace

DeviceStream::DeviceStream(SoundDevice& device, int deviceRate, int channels, int maxFrames)
    : m_device(device), m_deviceRate(deviceRate), m_channels(std::clamp(channels, 1, 2)) {
    const int mixRate = device.outputFormat().rate;
    m_mixBlock.assign(2 * static_cast<std::size_t>(kMixFrames), 0);
    // Room for one device block plus what one converter call can give beyond it.
    const int outPerCall = kMixFrames * deviceRate / std::max(mixRate, 1) + 64;
    m_converted.assign(2 * static_cast<std::size_t>(maxFrames + 2 * outPerCall), 0.0F);
    if (deviceRate == mixRate) {
        m_ok = true;
        return;
    }
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_t resampler = soxr_create(mixRate, deviceRate, 2, &error, &io, &quality, &runtime);
    if (error != nullptr || resampler == nullptr) {
        return;
    }
    m_resampler = resampler;
    // Prime the converter with silence until it gives output: its buffers are allocated now and
    // never in the audio callback.
    std::vector<std::int16_t> silence(2 * static_cast<std::size_t>(kMixFrames), 0);
    std::vector<float> sink(2 * static_cast<std::size_t>(outPerCall));
    for (int i = 0; i < 64; ++i) {
        std::size_t used = 0;
        std::size_t made = 0;
        soxr_process(resampler, silence.data(), kMixFrames, &used, sink.data(), static_cast<std::size_t>(outPerCall),
                     &made);
    }
    m_ok = true;
}

DeviceStream::~DeviceStream() {
    if (m_resampler != nullptr) {
        soxr_delete(resamplerOf(m_resampler));
    }
}

void DeviceStream::render(float* out, int frames) {
    const std::size_t capacityFrames = m_converted.size() / 2;
    while (m_convertedFrames < frames) {
        m_device.mix(m_mixBlock.data(), kMixFrames);
        float* target = m_converted.data() + 2 * static_cast<std::size_t>(m_convertedFrames);
        const std::size_t room = capacityFrames - static_cast<std::size_t>(m_convertedFrames);
        if (m_resampler == nullptr) {
            const std::size_t n = std::min<std::size_t>(kMixFrames, room);
            for (std::size_t i = 0; i < 2 * n; ++i) {
                target[i] = static_cast<float>(m_mixBlock[i]) / 32768.0F;
            }
            m_convertedFrames += static_cast<int>(n);
        } else {
            std::size_t used = 0;
            std::size_t made = 0;
            soxr_process(resamplerOf(m_resampler), m_mixBlock.data(), kMixFrames, &used, target, room, &made);
            m_convertedFrames += static_cast<int>(made);
        }
    }
    if (m_channels == 2) {
        std::memcpy(out, m_converted.data(), sizeof(float) * 2 * static_cast<std::size_t>(frames));
    } else {
        for (int i = 0; i < frames; ++i) {
            out[i] = 0.5F *
                     (m_converted[2 * static_cast<std::size_t>(i)] + m_converted[2 * static_cast<std::size_t>(i) + 1]);
        }
    }
    m_convertedFrames -= frames;
    std::memmove(m_converted.data(), m_converted.data() + 2 * static_cast<std::size_t>(frames),
                 sizeof(float) * 2 * static_cast<std::size_t>(m_convertedFrames));
}

namespace {

class RtAudioOutput final : public SoundOutput {
public:
    RtAudioOutput(SoundDevice& device, RtAudio::Api api) : m_device(device), m_audio(api) {
        m_audio.showWarnings(false);
    }
    ~RtAudioOutput() override {
        stop();
        try {
            if (m_audio.isStreamOpen()) {
                m_audio.closeStream();
            }
        } catch (const std::exception&) {
            // closing a stream of a device that is gone
        }
    }

    // Opens device `index` of this API; false with `error` set when it cannot.
    bool open(unsigned index, const std::string& label, int periodFrames, std::string& error) {
        try {
            const RtAudio::DeviceInfo info = m_audio.getDeviceInfo(index);
            if (!info.probed || info.outputChannels == 0) {
                error = "cannot use " + label;
                return false;
            }
            unsigned rate = info.preferredSampleRate;
            if (rate == 0 && !info.sampleRates.empty()) {
                rate = info.sampleRates.back();
            }
            const int mixRate = m_device.outputFormat().rate;
            for (const unsigned r : info.sampleRates) {
                if (static_cast<int>(r) == mixRate) {
                    rate = r; // no conversion needed when the device takes the mix rate
                }
            }
            if (rate == 0) {
                rate = 48000;
            }
            RtAudio::StreamParameters parameters;
            parameters.deviceId = index;
            parameters.nChannels = std::min(info.outputChannels, 2U);
            RtAudio::StreamOptions options;
            options.streamName = "Tonwerk";
            options.flags = RTAUDIO_MINIMIZE_LATENCY | RTAUDIO_SCHEDULE_REALTIME;
            options.priority = 70;
            unsigned frames = static_cast<unsigned>(std::max(periodFrames, 16));
            m_audio.openStream(&parameters, nullptr, RTAUDIO_FLOAT32, rate, &frames, &RtAudioOutput::callback, this,
                               &options);
            m_stream =
                std::make_unique<DeviceStream>(m_device, static_cast<int>(rate), static_cast<int>(parameters.nChannels),
                                               static_cast<int>(std::max(frames, 8192U)));
            if (!m_stream->ok()) {
                error = "the rate converter could not be made";
                return false;
            }
            m_periodMicros = static_cast<std::uint32_t>(1000000ULL * frames / rate);
            m_description = label + " (" + std::to_string(rate) + " Hz, " + std::to_string(frames) + " frames)";
            return true;
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
    }

    SoundError start() override {
        try {
            if (!m_audio.isStreamRunning()) {
                m_audio.startStream();
            }
            return SoundError::Ok;
        } catch (const std::exception&) {
            return SoundError::NoDriver;
        }
    }
    void stop() override {
        try {
            if (m_audio.isStreamOpen() && m_audio.isStreamRunning()) {
                m_audio.stopStream();
            }
        } catch (const std::exception&) {
            // the device went away; nothing more to stop
        }
    }
    [[nodiscard]] std::string description() const override { return m_description; }
    [[nodiscard]] std::uint64_t lateCallbacks() const override { return m_late.load(); }
    [[nodiscard]] std::uint32_t longestCallbackMicros() const override { return m_longest.load(); }
    [[nodiscard]] std::uint32_t periodMicros() const override { return m_periodMicros; }

private:
    static int callback(void* output, void* /*input*/, unsigned frames, double /*time*/, RtAudioStreamStatus status,
                        void* user) {
        auto* self = static_cast<RtAudioOutput*>(user);
        if ((status & RTAUDIO_OUTPUT_UNDERFLOW) != 0) {
            self->m_late.fetch_add(1, std::memory_order_relaxed);
        }
        const auto begin = std::chrono::steady_clock::now();
        self->m_stream->render(static_cast<float*>(output), static_cast<int>(frames));
        const auto took = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begin).count());
        if (took > self->m_longest.load(std::memory_order_relaxed)) {
            self->m_longest.store(took, std::memory_order_relaxed);
        }
        return 0;
    }

    SoundDevice& m_device;
    RtAudio m_audio;
    std::unique_ptr<DeviceStream> m_stream;
    std::string m_description;
    std::atomic<std::uint64_t> m_late{0};
    std::atomic<std::uint32_t> m_longest{0};
    std::uint32_t m_periodMicros = 0;
};

const std::pair<RtAudio::Api, const char*> kApis[] = {
    {RtAudio::UNIX_JACK, "jack"}, {RtAudio::LINUX_PULSE, "pulse"}, {RtAudio::LINUX_ALSA, "alsa"}};

bool compiled(RtAudio::Api api) {
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

} // namespace

std::unique_ptr<SoundOutput> openDeviceOutput(SoundDevice& device, std::string_view api, std::string_view name,
                                              int periodFrames, std::string& error) {
    error.clear();
    // What the sound systems say while they are tried goes to the log, not to the performer.
    routeLibraryDiagnostics();
    const CerrToLog capture("RtAudio");
    for (const auto& [rtApi, apiName] : kApis) {
        if ((!api.empty() && api != apiName) || !compiled(rtApi)) {
            continue;
        }
        try {
            auto output = std::make_unique<RtAudioOutput>(device, rtApi);
            RtAudio probe(rtApi);
            probe.showWarnings(false);
            const unsigned count = probe.getDeviceCount();
            if (count == 0) {
                continue;
            }
            unsigned index = count;
            if (name.empty()) {
                index = probe.getDefaultOutputDevice();
            } else {
                for (unsigned i = 0; i < count; ++i) {
                    const RtAudio::DeviceInfo info = probe.getDeviceInfo(i);
                    if (info.probed && info.outputChannels > 0 && info.name == name) {
                        index = i;
                        break;
                    }
                }
            }
            if (index >= count) {
                error = "no output device \"" + std::string(name) + "\"";
                continue;
            }
            const std::string label = std::string(apiName) + ": " + probe.getDeviceInfo(index).name;
            if (output->open(index, label, periodFrames, error)) {
                error.clear();
                return output;
            }
        } catch (const std::exception& e) {
            error = e.what(); // this audio system is not there
            logDiagnostic("RtAudio", std::string(apiName) + ": " + error);
        }
    }
    if (error.empty()) {
        error = "no sound device";
    }
    return nullptr;
}

} // namespace tonwerk::platform
