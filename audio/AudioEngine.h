#pragma once

#include "Renderer.h"
#include "WaveLoader.h"

#include "core/Notifier.h"
#include "midi/EngineHooks.h"
#include "midi/Split.h"
#include "platform/SoundDevice.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace tonwerk::audio {

struct AudioSettings {
    int memMode = 2;          // "DSMemMode": 1, 2 or 4
    int bufferBytes = 40000;  // "DSBufferSize": each voice's ring
    int safetyBytes = 2000;   // "DSSafety": margin beyond the write cursor for rewrites
    bool useWaveLoop = false; // program-wide defaults of the sound-driver page
    bool useTimestretch = false;
    bool noAutoBpm = false;
};

// Where the mix goes: a sound device (by identifier, all zeros = default), nothing, or memory.
struct OutputChoice {
    enum class Kind { Device, None, Offline };
    Kind kind = Kind::Device;
    platform::SoundDeviceId id{}; // zeroed when a stored device is gone
    int periodFrames = 256;
};

// The voice pool and everything that feeds it: 64 streaming ring buffers (voices 0–62 are handed
// out), refilled every 40 ms by the pump from the splits' samples in memory.
//
// Threads: the dispatcher (UI thread) starts, releases, mutes and unmutes voices; the timer and
// worker threads run the pump; the audio callback only mixes the rings. `audioLock` (recursive)
// serialises everything except the mixer. Messages from the timer or worker thread go through the
// Notifier, which queues them to the UI thread.
class AudioEngine final : public midi::VoiceOperations {
public:
    static constexpr int kVoiceCount = 64;
    static constexpr int kSplitCount = midi::kSplitCount;

    AudioEngine(core::Notifier& notifier, AudioSettings settings);
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // The split records voices play (the current setup's). UI thread, before any voice starts.
    void attach(std::function<midi::Split&(int)> splitAt) { m_splitAt = std::move(splitAt); }
    [[nodiscard]] const AudioSettings& settings() const { return m_settings; }
    AudioSettings& settings() { return m_settings; }

    // --- Device (UI thread; may block while the audio system answers) ---
    [[nodiscard]] platform::SoundFormat outputFormat() const;
    // Opens the output and the 64 voice buffers; a second call returns true at once. A device that
    // cannot be opened falls back to the default device (and zeroes `choice.id`), and when nothing
    // opens it is reported once and the engine runs on the silent real-time output.
    bool initDirectSound(OutputChoice& choice);
    [[nodiscard]] bool isOpen() const { return m_device != nullptr; }
    [[nodiscard]] platform::OfflineOutput* offlineOutput() { return m_offline; }
    [[nodiscard]] platform::SoundOutput* output() { return m_output.get(); }
    [[nodiscard]] platform::SoundDevice* device() { return m_device.get(); }
    // The options' sound device, changed while the program runs: the new output is opened (with
    // the fallbacks of initDirectSound), the old one stops and the new one pulls the same mix, so
    // every voice plays on where it was. False before initDirectSound.
    bool switchOutput(OutputChoice& choice);
    // The buffer-type dialog's primary format: the mix at `format`'s rate and channels, `bits`
    // 8 or 16; the output is opened again on it. Voice buffers keep their own format. False
    // (nothing changed) before initDirectSound.
    bool setPrimaryFormat(platform::SoundFormat format, int bits);
    // The output in use: its choice as opened (the id zeroed when it fell back to the default).
    [[nodiscard]] const OutputChoice& outputChoice() const { return m_choice; }
    void shutdownAudio();

    // --- Samples (UI thread) ---
    // Loads a WAVE file into split `index` (the record's sample fields are set); false with the
    // message shown when it cannot be loaded.
    bool loadSplitSample(int index, const std::filesystem::path& path);
    // Frees a split's sample; its voices stop first.
    void freeSplitSample(int index);
    // The drop onto a pad: mode bits 0x1 trigger, 0x2 keyboard, 0x4 load, 0x8 preview.
    bool assignSampleFile(int index, const std::filesystem::path& path, int modeBits);
    [[nodiscard]] int sampleSourceRate(int index) const;
    // The loaded sample's format in the engine's layout (channels 0 without a sample), and its
    // outline in `columns` columns (see samplePeaks) with the loop start in bytes. UI thread.
    [[nodiscard]] WaveFormat sampleFormat(int index) const;
    [[nodiscard]] std::vector<SamplePeak> sampleOutline(int index, int columns) const;

    // --- Voice operations (dispatcher's thread) ---
    void startVoice(int split, std::int16_t& voice, int key, int velocity) override;
    void playVoice(int split) override;
    void releaseVoice(int split, std::int16_t voice) override;
    void muteSplit(int split) override;
    void unmuteSplit(int split, int velocity) override;
    void setCrossfader(int value) override;
    void pumpNow() override { refillVoices(); }
    void lockAudio() override;
    void unlockAudio() override;
    int freeVoice(int voice);
    void stopAllVoices();
    void setSplitVoices(int split, VoiceState state, int volume);
    void setVoiceVolume(int split, int volume);
    // The wave dialog's sliders on the split's sounding voices, at once: volume (hundredths of a
    // decibel), pan (0-800) and the sample rate (Hz; the pitch follows as `newRate / oldRate`, and
    // only for tuned splits, whose next note would take the new rate too; above 100000 Hz it is
    // stored but not applied). UI thread.
    void setLiveVolume(int split, int volume);
    void setLivePan(int split, int pan);
    void setLiveRate(int split, int oldRate, int newRate);
    // Where split `split`'s current voice is: its read position and the bytes it plays (both 0
    // when the split has no sounding voice). UI thread.
    struct VoiceProgress {
        bool sounding = false;
        bool audible = false;
        int readPos = 0;
        int sampleBytes = 0;
    };
    [[nodiscard]] VoiceProgress splitVoiceProgress(int split) const;
    void applyTempoToSyncVoices();
    void applyPitchToSyncVoices();
    void requestResync() { m_resyncRequest = true; }

    // --- Pump (timer and worker threads, and the dispatcher's pumpNow); never nests ---
    void refillVoices();
    // Runs the pump when 40 ms have passed since its last start. Any thread but the audio callback.
    void pumpIfDue(std::uint32_t nowMs);

    // --- State, for the meter, the screens and tests ---
    [[nodiscard]] int voicesPlaying() const { return m_voicesPlaying.load(); }
    [[nodiscard]] std::uint32_t takeSoundTime() { return m_soundTimeMs.exchange(0); }
    [[nodiscard]] VoiceState voiceState(int voice) const;
    [[nodiscard]] bool voiceActive(int voice) const;
    [[nodiscard]] const RenderVoice& renderState(int voice) const;
    [[nodiscard]] int voiceOwner(int voice) const;
    // The clock the pump measures against (ms); real by default, virtual in offline runs.
    void setClock(std::function<std::uint32_t()> nowMs) { m_nowMs = std::move(nowMs); }

    // The shared release-step arithmetic: per word, for a release time.
    [[nodiscard]] float releaseStepFor(int releaseTime) const;

private:
    struct Voice {
        platform::SoundBuffer* buffer = nullptr;
        int split = -1;
        int bufferBytes = 0;
        int writeCursor = 0;
        int drainBytes = 0;
        int syncPartner = -1;
        int index = 0;
        RenderVoice render;
        // the per-voice tables
        bool active = false;
        int age = 0;
        bool inUse = false;
        int owner = -1;
        int releaseTime = 0;
    };
    struct SplitSample {
        std::vector<std::int16_t> data;
        int lengthBytes = 0;
        int loopStart = 0;
        int sourceRate = 0;
        WaveFormat format;
    };

    void reportSoundError(platform::SoundError error);
    // The output `choice` names over `device`, with the fallbacks (default device, then the
    // silent real-time output, reported once). May change `choice.id`.
    std::unique_ptr<platform::SoundOutput> openOutput(platform::SoundDevice& device, OutputChoice& choice,
                                                      platform::OfflineOutput*& offline);
    void clearVoice(Voice& v);
    void rerenderAhead(Voice& v);
    void reapplyRelease(Voice& v);
    // The device's write cursor plus the safety margin, and the bytes from there to the voice's
    // write cursor; 0 when nothing queued lies beyond the margin.
    int rewriteRegion(Voice& v, int& start, bool alignTo4);
    void alignToPartner(Voice& v, const Voice& partner, bool atStart);
    [[nodiscard]] bool validSplit(int split) const { return split >= 0 && split < kSplitCount && m_splitAt; }
    [[nodiscard]] std::uint32_t now() const { return m_nowMs(); }

    core::Notifier& m_notifier;
    AudioSettings m_settings;
    std::function<midi::Split&(int)> m_splitAt;
    std::function<std::uint32_t()> m_nowMs;

    std::unique_ptr<platform::SoundDevice> m_device;
    std::unique_ptr<platform::SoundOutput> m_output;
    platform::OfflineOutput* m_offline = nullptr;
    OutputChoice m_choice;

    std::array<Voice, kVoiceCount> m_voices{};
    std::array<SplitSample, kSplitCount> m_samples{};
    int m_nextVoice = 0;
    bool m_resyncRequest = false;

    mutable std::recursive_mutex m_audioLock;
    int m_lockDepth = 0;
    std::atomic<bool> m_pumpBusy{false};
    std::atomic<std::uint32_t> m_pumpStart{0};
    std::atomic<bool> m_pumpStarted{false};
    std::atomic<int> m_voicesPlaying{0};
    std::atomic<std::uint32_t> m_soundTimeMs{0};
};

} // namespace tonwerk::audio
