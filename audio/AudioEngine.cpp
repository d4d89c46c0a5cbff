#include "AudioEngine.h"

#include "core/ErrorReporting.h"
#include "midi/Split.h"
#include "platform/AudioDevices.h"
#include "platform/SteadyClock.h"
#include "res/Strings.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tonwerk::audio {

namespace {

constexpr int kPumpPeriodMs = 40;
constexpr int kSwitchRampBytes = 200; // 100 words
// A ring must hold at least a few pump periods and not absurdly many; a damaged settings file
// cannot make it 0 or gigabytes.
constexpr int kMinRingBytes = 4096;
constexpr int kMaxRingBytes = 4 << 20;

int wrapInto(long long value, int size) {
    if (size <= 0) {
        return 0;
    }
    return static_cast<int>(((value % size) + size) % size);
}

int messageIdOf(platform::SoundError error) {
    using platform::SoundError;
    switch (error) {
    case SoundError::NoAggregation:
        return 8263;
    case SoundError::OutOfMemory:
        return 8276;
    case SoundError::InvalidArgument:
        return 8273;
    case SoundError::Allocated:
        return 8262;
    case SoundError::ControlUnavailable:
        return 8266;
    case SoundError::InvalidCall:
        return 8275;
    case SoundError::PriorityLevelNeeded:
        return 8260;
    case SoundError::NoDriver:
        return 8264;
    case SoundError::BufferLost:
        return 8265;
    default:
        return 8229;
    }
}

} // namespace

AudioEngine::AudioEngine(core::Notifier& notifier, AudioSettings settings)
    : m_notifier(notifier), m_settings(settings), m_nowMs(platform::steadyMilliseconds) {
    if (m_settings.memMode != 1 && m_settings.memMode != 2 && m_settings.memMode != 4) {
        m_settings.memMode = 2;
    }
    m_settings.bufferBytes = std::clamp(m_settings.bufferBytes, kMinRingBytes, kMaxRingBytes) & ~3;
    m_settings.safetyBytes = std::clamp(m_settings.safetyBytes, 0, m_settings.bufferBytes / 2) & ~3;
    for (int i = 0; i < kVoiceCount; ++i) {
        m_voices[static_cast<std::size_t>(i)].index = i;
    }
}

AudioEngine::~AudioEngine() { shutdownAudio(); }

platform::SoundFormat AudioEngine::outputFormat() const {
    return platform::SoundFormat{2, memModeRate(m_settings.memMode)};
}

float AudioEngine::releaseStepFor(int releaseTime) const {
    if (releaseTime <= 0) {
        return 0.0F;
    }
    const float scale = m_settings.memMode == 2 ? 2.0F : (m_settings.memMode == 4 ? 4.0F : 1.0F);
    return -scale / (static_cast<float>(releaseTime) * 200.0F);
}

void AudioEngine::reportSoundError(platform::SoundError error) {
    core::showMessage(m_notifier, messageIdOf(error), core::MessageKind::Error);
}

std::unique_ptr<platform::SoundOutput> AudioEngine::openOutput(platform::SoundDevice& device, OutputChoice& choice,
                                                               platform::OfflineOutput*& offline) {
    offline = nullptr;
    switch (choice.kind) {
    case OutputChoice::Kind::Offline: {
        auto o = std::make_unique<platform::OfflineOutput>(device);
        offline = o.get();
        return o;
    }
    case OutputChoice::Kind::None:
        return platform::makeNullOutput(device);
    case OutputChoice::Kind::Device:
        break;
    }
    std::unique_ptr<platform::SoundOutput> output;
    std::string error;
    if (!platform::isDefaultDevice(choice.id)) {
        for (const platform::AudioDevice& d : platform::listAudioOutputs()) {
            if (platform::soundDeviceId(d.api, d.name) == choice.id) {
                output = platform::openDeviceOutput(device, d.api, d.name, choice.periodFrames, error);
                break;
            }
        }
    }
    if (!output) {
        output = platform::openDeviceOutput(device, "", "", choice.periodFrames, error);
        if (output) {
            choice.id = {}; // the stored device is gone: the default device from now on
        }
    }
    if (!output) {
        // No sound device: said once, then the show goes on silently in real time.
        core::showMessage(m_notifier, 8269, core::MessageKind::Error);
        reportSoundError(platform::SoundError::NoDriver);
        output = platform::makeNullOutput(device);
    }
    return output;
}

bool AudioEngine::initDirectSound(OutputChoice& choice) {
    if (m_device) {
        return true;
    }
    auto device = std::make_unique<platform::SoundDevice>(outputFormat());
    const platform::SoundFormat voiceFormat{memModeChannels(m_settings.memMode), memModeRate(m_settings.memMode)};
    for (int i = 0; i < kVoiceCount; ++i) {
        if (device->buffer(i).create(m_settings.bufferBytes, voiceFormat) != platform::SoundError::Ok) {
            break; // a voice without a buffer is never used
        }
    }
    platform::OfflineOutput* offline = nullptr;
    std::unique_ptr<platform::SoundOutput> output = openOutput(*device, choice, offline);
    {
        // The worker may already be pumping (it starts before the sound device opens).
        const std::lock_guard lock(m_audioLock);
        m_device = std::move(device);
        m_offline = offline;
        m_output = std::move(output);
        m_choice = choice;
        for (int i = 0; i < kVoiceCount; ++i) {
            platform::SoundBuffer& b = m_device->buffer(i);
            m_voices[static_cast<std::size_t>(i)].buffer = b.exists() ? &b : nullptr;
        }
    }
    if (const platform::SoundError e = m_output->start(); e != platform::SoundError::Ok) {
        reportSoundError(e);
    }
    return true;
}

bool AudioEngine::switchOutput(OutputChoice& choice) {
    if (!m_device) {
        return false;
    }
    // The new output is ready before the old one stops, so the mix pauses only for the swap; it
    // does not pull the mix before start(), so no two callbacks ever mix at once.
    platform::OfflineOutput* offline = nullptr;
    std::unique_ptr<platform::SoundOutput> output = openOutput(*m_device, choice, offline);
    m_output->stop();
    std::unique_ptr<platform::SoundOutput> old;
    {
        const std::lock_guard lock(m_audioLock);
        old = std::exchange(m_output, std::move(output));
        m_offline = offline;
        m_choice = choice;
    }
    old.reset(); // its client closes outside the lock
    if (const platform::SoundError e = m_output->start(); e != platform::SoundError::Ok) {
        reportSoundError(e);
    }
    return true;
}

bool AudioEngine::setPrimaryFormat(platform::SoundFormat format, int bits) {
    if (!m_device) {
        return false;
    }
    m_output->stop();
    std::unique_ptr<platform::SoundOutput> old;
    {
        const std::lock_guard lock(m_audioLock);
        old = std::move(m_output);
    }
    old.reset();
    // Nothing pulls the mix now: its format may change, and the output opens again on it (a
    // device stream converts from the mix's rate, which it learns when it opens).
    m_device->setOutputFormat(format, bits);
    OutputChoice choice = m_choice;
    platform::OfflineOutput* offline = nullptr;
    std::unique_ptr<platform::SoundOutput> output = openOutput(*m_device, choice, offline);
    {
        const std::lock_guard lock(m_audioLock);
        m_output = std::move(output);
        m_offline = offline;
        m_choice = choice;
    }
    if (const platform::SoundError e = m_output->start(); e != platform::SoundError::Ok) {
        reportSoundError(e);
    }
    return true;
}

void AudioEngine::shutdownAudio() {
    if (!m_device) {
        return;
    }
    {
        const std::lock_guard lock(m_audioLock);
        stopAllVoices();
    }
    m_output->stop(); // the audio callback has ended
    const std::lock_guard lock(m_audioLock);
    m_output.reset();
    m_offline = nullptr;
    for (Voice& v : m_voices) {
        v.buffer = nullptr;
        v.active = false;
    }
    m_device.reset();
}

// --- Samples ---

int AudioEngine::sampleSourceRate(int index) const {
    return index >= 0 && index < kSplitCount ? m_samples[static_cast<std::size_t>(index)].sourceRate : 0;
}

WaveFormat AudioEngine::sampleFormat(int index) const {
    if (index < 0 || index >= kSplitCount || m_samples[static_cast<std::size_t>(index)].data.empty()) {
        return {};
    }
    return m_samples[static_cast<std::size_t>(index)].format;
}

std::vector<SamplePeak> AudioEngine::sampleOutline(int index, int columns) const {
    if (index < 0 || index >= kSplitCount) {
        return {};
    }
    const SplitSample& sample = m_samples[static_cast<std::size_t>(index)];
    const std::size_t words =
        std::min(sample.data.size(), static_cast<std::size_t>(std::max(0, sample.lengthBytes / 2)));
    return samplePeaks(std::span(sample.data.data(), words), memModeChannels(m_settings.memMode), columns);
}

bool AudioEngine::loadSplitSample(int index, const std::filesystem::path& path) {
    if (!validSplit(index)) {
        return false;
    }
    midi::Split& split = m_splitAt(index);
    freeSplitSample(index);
    LoadedWave wave =
        loadWaveFile(path, m_settings.memMode, (split.sample.sampleFlags & midi::SampleFlag::kWaveLoop) != 0);
    if (wave.result != WaveError::kOk) {
        core::showMessage(m_notifier, waveErrorMessageId(wave.result), core::MessageKind::Error);
        return false;
    }
    const std::lock_guard lock(m_audioLock);
    SplitSample& s = m_samples[static_cast<std::size_t>(index)];
    s.data = std::move(wave.data);
    s.lengthBytes = wave.lengthBytes;
    s.loopStart = wave.loopStart;
    s.sourceRate = wave.sourceRate;
    s.format = wave.format;
    split.sample.sampleData = index + 1; // handles name the split's run-time sample
    split.sample.sampleFormat = index + 1;
    split.sample.sampleBytes = wave.lengthBytes;
    split.sample.loopStart = wave.loopStart;
    split.sample.sampleRate = static_cast<std::int32_t>(wave.format.samplesPerSecond);
    return true;
}

void AudioEngine::freeSplitSample(int index) {
    if (index < 0 || index >= kSplitCount) {
        return;
    }
    const std::lock_guard lock(m_audioLock);
    for (Voice& v : m_voices) {
        if (v.active && v.split == index) {
            freeVoice(v.index);
        }
    }
    m_samples[static_cast<std::size_t>(index)] = SplitSample{};
    if (m_splitAt) {
        midi::Split& split = m_splitAt(index);
        split.sample.sampleData = 0;
        split.sample.sampleFormat = 0;
        split.sample.sampleBytes = 0;
    }
}

bool AudioEngine::assignSampleFile(int index, const std::filesystem::path& path, int modeBits) {
    if (!validSplit(index)) {
        return false;
    }
    midi::Split& s = m_splitAt(index);
    if ((modeBits & 0x1) != 0) {
        s.sample.sampleFlags |= midi::SampleFlag::kTriggerMode;
        if (s.isSampleMode(midi::SampleMode::Tuned)) {
            s.setSampleMode(midi::SampleMode::Sync);
        }
        s.rootNote = index < 8 ? index + 36 : index + 76;
        s.keyLow = s.keyHigh = s.rootNote;
    }
    if ((modeBits & 0x2) != 0) {
        if (s.isSampleMode(midi::SampleMode::Unset)) {
            s.setSampleMode(midi::SampleMode::Tuned);
        }
        s.sample.sampleFlags &= ~midi::SampleFlag::kTriggerMode;
        s.sample.sampleFlags |= midi::SampleFlag::kPlayLooped;
        s.keyLow = 48;
        s.keyHigh = 66;
    }
    if ((modeBits & 0x8) != 0) {
        s.sample.sampleFlags |= midi::SampleFlag::kTriggerMode;
        if (s.isSampleMode(midi::SampleMode::Tuned)) {
            s.setSampleMode(midi::SampleMode::OneShot);
        }
        s.rootNote = 96;
        s.keyLow = s.keyHigh = 96;
        s.sample.sampleFlags &= ~midi::SampleFlag::kPlayLooped;
    }
    if (!m_device) {
        core::showMessage(m_notifier, 8326, core::MessageKind::Error);
        return false;
    }
    if ((modeBits & 0xC) == 0) {
        return true;
    }
    switch (checkSampleFile(path)) {
    case SampleFileCheck::Loadable:
        break;
    case SampleFileCheck::Missing:
        core::showMessage(m_notifier, "The sample file \"" + path.string() + "\" does not exist.",
                          core::MessageKind::Error);
        return false;
    case SampleFileCheck::Unreadable:
        core::showMessage(m_notifier, "The sample file \"" + path.string() + "\" cannot be read.",
                          core::MessageKind::Error);
        return false;
    case SampleFileCheck::NotDecodable:
        core::showMessage(m_notifier, 8231, core::MessageKind::Error);
        return false;
    }
    const std::string text = path.string();
    if (!midi::setFieldText(s.fileName, text)) {
        core::showMessage(m_notifier, 8270, core::MessageKind::Error);
        return false; // a path too long for the record
    }
    s.sample.sampleFlags = m_settings.useWaveLoop ? (s.sample.sampleFlags | midi::SampleFlag::kWaveLoop)
                                                  : (s.sample.sampleFlags & ~midi::SampleFlag::kWaveLoop);
    if (!loadSplitSample(index, path)) {
        core::showMessage(m_notifier, 8270, core::MessageKind::Error);
        return false;
    }
    s.sample.playFlags &= ~midi::PlayFlag::kStarted;
    s.fileTitleOffset = static_cast<std::int32_t>(text.size() - path.filename().string().size());
    if (s.sample.pan == 0) {
        s.sample.pan = 400;
    }
    return true;
}

// --- Voices ---

void AudioEngine::lockAudio() {
    m_audioLock.lock();
    ++m_lockDepth;
}

void AudioEngine::unlockAudio() {
    --m_lockDepth;
    m_audioLock.unlock();
}

void AudioEngine::clearVoice(Voice& v) {
    v.active = false;
    v.inUse = false;
    v.owner = -1;
    v.render.releasing = false;
    v.releaseTime = 0;
    v.render.state = VoiceState::Idle;
}

void AudioEngine::startVoice(int split, std::int16_t& slot, int note, int velocity) {
    const std::lock_guard lock(m_audioLock);
    slot = -1;
    if (!m_device || !validSplit(split)) {
        return;
    }
    // A split without a sample still takes a voice (it plays silence), so its notes are tracked
    // and released like every other.
    midi::Split& s = m_splitAt(split);
    const SplitSample& sample = m_samples[static_cast<std::size_t>(split)];

    // 1–2: the next voice if free, else the first free one, else the least recently started.
    int taken = m_nextVoice;
    if (m_voices[static_cast<std::size_t>(taken)].active ||
        m_voices[static_cast<std::size_t>(taken)].buffer == nullptr) {
        taken = -1;
        int oldest = -1;
        int maxAge = m_voices[0].age;
        for (const Voice& v : m_voices) {
            maxAge = std::max(maxAge, v.age);
        }
        for (int i = 0; i < kVoiceCount - 1; ++i) {
            const Voice& v = m_voices[static_cast<std::size_t>(i)];
            if (v.buffer == nullptr) {
                continue;
            }
            if (!v.active) {
                taken = i;
                break;
            }
            if (oldest < 0 || v.age < m_voices[static_cast<std::size_t>(oldest)].age) {
                oldest = i;
            }
        }
        if (taken < 0) {
            taken = oldest;
        }
        if (taken < 0) {
            return;
        }
        for (Voice& v : m_voices) {
            --v.age;
        }
        m_voices[static_cast<std::size_t>(taken)].age = maxAge;
    } else {
        m_voices[static_cast<std::size_t>(taken)].age = taken;
    }
    Voice& v = m_voices[static_cast<std::size_t>(taken)];

    // 3: a stolen voice stops first.
    if (v.active && v.buffer->playing()) {
        if (const platform::SoundError e = v.buffer->stop(); e != platform::SoundError::Ok) {
            reportSoundError(e);
            return;
        }
    }
    clearVoice(v);
    v.active = true;

    // 5–7: a fresh voice on the split's sample.
    RenderVoice& r = v.render;
    r = RenderVoice{};
    r.data = sample.data.data();
    r.dataWords = static_cast<int>(sample.data.size());
    r.channels = memModeChannels(m_settings.memMode);
    r.sampleBytes = std::min(s.sample.sampleBytes, sample.lengthBytes);
    v.writeCursor = 0;
    v.syncPartner = -1;
    v.bufferBytes = v.buffer->bytes();
    v.split = split;
    sanitizeVoice(r);
    if (m_resyncRequest) {
        for (const Voice& p : m_voices) {
            if (&p != &v && p.active && p.buffer->playing() && p.split >= 0) {
                const midi::SampleMode mode = m_splitAt(p.split).sampleModeKind();
                if (mode == midi::SampleMode::Sync || mode == midi::SampleMode::OneShot) {
                    v.syncPartner = p.index;
                    v.writeCursor = p.writeCursor;
                    alignToPartner(v, p, true);
                    break;
                }
            }
        }
        m_resyncRequest = false;
    }
    r.loopStart = 0;
    r.pitchRatio = 1.0F;
    r.resampler = ResamplerState{};
    // The resampler starts on this sample's first frame, never on another sample's last one.
    for (int c = 0; c < r.channels && r.readPos / 2 + c < r.dataWords; ++c) {
        r.resampler.previous[c] = r.data[r.readPos / 2 + c];
    }
    r.releaseGain = 1.0F;
    r.stretch.ratio = 1.0;
    resetStretch(r);

    // 8: tempo and pitch.
    const midi::Split& first = m_splitAt(0);
    const std::int32_t flags = s.sample.sampleFlags;
    if ((s.isSampleMode(midi::SampleMode::Sync) || s.isSampleMode(midi::SampleMode::OneShot)) &&
        (flags & midi::SampleFlag::kNoAutoBpm) == 0 && s.loopTempo > 0 && first.setupTempo > 0) {
        if ((flags & midi::SampleFlag::kTimestretch) != 0) {
            r.stretch.ratio = static_cast<double>(s.loopTempo) / first.setupTempo;
        } else {
            r.pitchRatio = static_cast<float>(static_cast<double>(first.setupTempo) / s.loopTempo);
        }
    }
    if (first.setupPitch != 0) {
        r.pitchRatio = static_cast<float>(semitoneRatio(first.setupPitch));
    }
    if (s.isSampleMode(midi::SampleMode::Tuned)) {
        const int f = v.buffer->frequency();
        const auto rate = static_cast<unsigned>(
            std::max(0.0, static_cast<double>(s.sample.sampleRate) * semitoneRatio(note - s.rootNote)));
        r.pitchRatio = f > 0 ? static_cast<float>(static_cast<double>(rate) / f) : 1.0F;
        r.loopStart = s.sample.loopStart;
    }
    r.loops =
        (flags & midi::SampleFlag::kPlayLooped) != 0 || s.isSampleMode(midi::SampleMode::Sync) || r.loopStart != 0;
    sanitizeVoice(r);
    r.loops = r.loops || r.loopStart != 0;

    // 9–11: volume, pan, position, release time.
    const int volume = std::clamp(s.sample.volume, platform::kVolumeMin, platform::kVolumeMax);
    const int vel = std::clamp(velocity, 0, 127);
    v.buffer->setVolume(std::clamp(volume + ((vel - 127) * (volume + 3000)) / 127, platform::kVolumeMin, 0));
    v.buffer->setPan(std::clamp((s.sample.pan * 5 - 2000) * 2, platform::kPanLeft, platform::kPanRight));
    v.buffer->setCurrentPosition(0);
    v.releaseTime = s.sample.releaseTime;

    // 12: prime the whole ring.
    r.state = s.isSampleMode(midi::SampleMode::Sync) ? VoiceState::Silent : VoiceState::Audible;
    platform::LockedRegion region;
    if (const platform::SoundError e = v.buffer->lock(v.writeCursor, v.bufferBytes, region);
        e != platform::SoundError::Ok) {
        reportSoundError(e);
    } else {
        std::span<std::int16_t> a(region.first, static_cast<std::size_t>(region.firstBytes / 2));
        std::span<std::int16_t> b(region.second, static_cast<std::size_t>(region.secondBytes / 2));
        if (v.syncPartner < 0) {
            renderVoice(a, b, r);
        } else {
            // Aligned to a running loop: silent until unmuted, which renders from the aligned place.
            std::fill(a.begin(), a.end(), std::int16_t{0});
            std::fill(b.begin(), b.end(), std::int16_t{0});
        }
        v.buffer->unlock(region);
    }

    // 13.
    v.inUse = true;
    v.owner = split;
    slot = static_cast<std::int16_t>(taken);
    s.sample.voiceIndex = static_cast<std::int16_t>(taken);
    // The pointer runs over 0 to 62: voice 63 is never handed out, it only ends the scan above.
    m_nextVoice = m_nextVoice + 1 >= kVoiceCount - 1 ? 0 : m_nextVoice + 1;
}

void AudioEngine::alignToPartner(Voice& v, const Voice& partner, bool atStart) {
    RenderVoice& r = v.render;
    const int units = r.sampleBytes / 4;
    if (units <= 0 || partner.split < 0) {
        r.readPos = 0;
        return;
    }
    const int t = m_splitAt(0).setupTempo;
    const int a = m_splitAt(partner.split).loopTempo;
    const int b = m_splitAt(v.split).loopTempo;
    const int p = atStart ? partner.render.readPos : partner.render.readPos & ~3;
    long long pos = p;
    if (t > 0 && a > 0 && b > 0) {
        const auto x = static_cast<long long>(p * (static_cast<double>(a) / t));
        pos = static_cast<long long>(static_cast<double>(x) / (static_cast<double>(b) / t));
    }
    if (atStart) {
        pos -= v.bufferBytes;
    }
    // In 4-byte units of the new sample, so the position lands on one of its frames.
    r.readPos = wrapInto(pos / 4, units) * 4;
}

void AudioEngine::playVoice(int split) {
    const std::lock_guard lock(m_audioLock);
    if (!m_device || !validSplit(split)) {
        return;
    }
    const int index = m_splitAt(split).sample.voiceIndex;
    if (index < 0 || index >= kVoiceCount) {
        return;
    }
    Voice& v = m_voices[static_cast<std::size_t>(index)];
    if (!v.active || v.owner != split || v.buffer == nullptr) {
        return; // the record names a voice that is not this split's
    }
    if (const platform::SoundError e = v.buffer->play(); e != platform::SoundError::Ok) {
        reportSoundError(e);
        v.inUse = false;
        return;
    }
    if (v.syncPartner >= 0) {
        const Voice& p = m_voices[static_cast<std::size_t>(v.syncPartner)];
        int play = 0;
        int write = 0;
        p.buffer->currentPosition(play, write);
        v.buffer->setCurrentPosition(play);
        v.writeCursor = p.writeCursor;
        alignToPartner(v, p, false);
        resetStretch(v.render);
    }
}

int AudioEngine::freeVoice(int index) {
    const std::lock_guard lock(m_audioLock);
    if (index < 0 || index >= kVoiceCount) {
        return 0;
    }
    Voice& v = m_voices[static_cast<std::size_t>(index)];
    if (!v.active || v.buffer == nullptr) {
        return 0;
    }
    if (const platform::SoundError e = v.buffer->stop(); e != platform::SoundError::Ok) {
        reportSoundError(e);
        return static_cast<int>(e);
    }
    v.buffer->setVolume(0);
    clearVoice(v);
    return 0;
}

void AudioEngine::stopAllVoices() {
    const std::lock_guard lock(m_audioLock);
    for (Voice& v : m_voices) {
        if (v.buffer != nullptr && v.buffer->playing()) {
            v.buffer->stop();
        }
        clearVoice(v);
    }
    m_nextVoice = 0;
}

void AudioEngine::releaseVoice(int split, std::int16_t index) {
    const std::lock_guard lock(m_audioLock);
    if (index < 0 || index >= kVoiceCount) {
        return;
    }
    Voice& v = m_voices[static_cast<std::size_t>(index)];
    if (!v.active || v.buffer == nullptr) {
        return;
    }
    if (!v.buffer->playing()) {
        freeVoice(index);
        return;
    }
    const int releaseTime = validSplit(split) ? m_splitAt(split).sample.releaseTime : 0;
    if (v.releaseTime != 0) {
        v.render.releasing = true;
        if (releaseTime > 0) {
            v.render.releaseStep = releaseStepFor(releaseTime);
            reapplyRelease(v);
        }
        if (v.render.state == VoiceState::Silent) {
            v.render.state = VoiceState::Draining;
            v.drainBytes = v.bufferBytes;
        }
        return;
    }
    v.render.state = VoiceState::Cut;
    rerenderAhead(v);
    if (validSplit(split)) {
        m_splitAt(split).sample.playFlags &= ~midi::PlayFlag::kAudible;
    }
}

int AudioEngine::rewriteRegion(Voice& v, int& start, bool alignTo4) {
    int play = 0;
    int write = 0;
    v.buffer->currentPosition(play, write);
    const int ring = v.bufferBytes;
    // The pump keeps the ring full up to the play cursor: what lies ahead of it is queued.
    const int played = wrapInto(static_cast<long long>(play) - v.writeCursor, ring);
    const int queued = ring - played;
    const int taken = wrapInto(static_cast<long long>(write) - play, ring);
    const int length = (queued - taken - m_settings.safetyBytes) & ~3;
    start = wrapInto(static_cast<long long>(write) + m_settings.safetyBytes, ring);
    if (alignTo4) {
        start &= ~3;
    }
    return std::max(length, 0);
}

void AudioEngine::rerenderAhead(Voice& v) {
    if (v.buffer == nullptr || !v.buffer->playing() || v.split < 0) {
        return;
    }
    int start = 0;
    const int region = rewriteRegion(v, start, true);
    RenderVoice& r = v.render;
    if (region > 0 && r.sampleBytes > 0) {
        double ratio = 1.0;
        if (r.pitchRatio != 1.0F) {
            ratio = r.pitchRatio;
        } else if (r.stretch.ratio != 1.0) {
            ratio = 1.0 / r.stretch.ratio;
        }
        const auto back = static_cast<long long>(static_cast<double>(region) * ratio);
        r.rewindPos = wrapInto(static_cast<long long>(r.readPos) - back, r.sampleBytes) & ~3;
        const int ramped = std::min(region, kSwitchRampBytes);
        platform::LockedRegion a;
        if (v.buffer->lock(start, ramped, a) == platform::SoundError::Ok) {
            renderSwitch({a.first, static_cast<std::size_t>(a.firstBytes / 2)},
                         {a.second, static_cast<std::size_t>(a.secondBytes / 2)}, r, true);
            v.buffer->unlock(a);
        }
        if (region > ramped) {
            platform::LockedRegion b;
            if (v.buffer->lock(start + ramped, region - ramped, b) == platform::SoundError::Ok) {
                renderSwitch({b.first, static_cast<std::size_t>(b.firstBytes / 2)},
                             {b.second, static_cast<std::size_t>(b.secondBytes / 2)}, r, false);
                v.buffer->unlock(b);
            }
        }
    }
    if (r.state == VoiceState::Cut) {
        r.state = VoiceState::Draining;
        v.drainBytes = v.bufferBytes;
    }
}

void AudioEngine::reapplyRelease(Voice& v) {
    if (v.buffer == nullptr || !v.buffer->playing() || v.split < 0) {
        return;
    }
    int start = 0;
    const int region = rewriteRegion(v, start, true);
    platform::LockedRegion a;
    if (region > 0 && v.buffer->lock(start, region, a) == platform::SoundError::Ok) {
        applyRelease({a.first, static_cast<std::size_t>(a.firstBytes / 2)}, v.render);
        applyRelease({a.second, static_cast<std::size_t>(a.secondBytes / 2)}, v.render);
        v.buffer->unlock(a);
    }
}

void AudioEngine::setSplitVoices(int split, VoiceState state, int volume) {
    const std::lock_guard lock(m_audioLock);
    for (Voice& v : m_voices) {
        if (v.active && v.split == split && v.buffer != nullptr) {
            v.render.state = state;
            if (state == VoiceState::Audible) {
                v.buffer->setVolume(std::clamp(volume, platform::kVolumeMin, 0));
            }
            rerenderAhead(v);
        }
    }
}

void AudioEngine::unmuteSplit(int split, int /*velocity*/) {
    if (!validSplit(split)) {
        return;
    }
    midi::Split& s = m_splitAt(split);
    int b = std::clamp(s.sample.volume, platform::kVolumeMin, 0);
    const int c = s.crossfaderValue;
    if (c < 64 && s.splitNumber > 7) {
        b += ((-b - 10000) / 64) * (64 - c);
    } else if (c >= 64 && s.splitNumber < 8) {
        b += ((-b - 10000) / 64) * (c - 64);
    }
    setSplitVoices(split, VoiceState::Audible, b);
    s.sample.playFlags |= midi::PlayFlag::kAudible;
}

void AudioEngine::muteSplit(int split) {
    if (!validSplit(split)) {
        return;
    }
    m_splitAt(split).sample.playFlags &= ~midi::PlayFlag::kAudible;
    setSplitVoices(split, VoiceState::Silent, 0);
}

void AudioEngine::setLiveVolume(int split, int volume) {
    if (!validSplit(split)) {
        return;
    }
    const std::lock_guard lock(m_audioLock);
    for (Voice& v : m_voices) {
        if (v.active && v.split == split && v.buffer != nullptr && v.buffer->playing()) {
            v.buffer->setVolume(std::clamp(volume, platform::kVolumeMin, 0));
        }
    }
}

void AudioEngine::setLivePan(int split, int pan) {
    if (!validSplit(split)) {
        return;
    }
    const std::lock_guard lock(m_audioLock);
    for (Voice& v : m_voices) {
        if (v.active && v.split == split && v.buffer != nullptr && v.buffer->playing()) {
            v.buffer->setPan(std::clamp((pan * 5 - 2000) * 2, platform::kPanLeft, platform::kPanRight));
        }
    }
}

void AudioEngine::setLiveRate(int split, int oldRate, int newRate) {
    if (!validSplit(split) || oldRate <= 0 || newRate <= 0 || newRate > 100000 ||
        !m_splitAt(split).isSampleMode(midi::SampleMode::Tuned)) {
        return;
    }
    const std::lock_guard lock(m_audioLock);
    const float factor = static_cast<float>(static_cast<double>(newRate) / oldRate);
    for (Voice& v : m_voices) {
        if (v.active && v.split == split) {
            v.render.pitchRatio *= factor;
        }
    }
}

AudioEngine::VoiceProgress AudioEngine::splitVoiceProgress(int split) const {
    VoiceProgress progress;
    if (!validSplit(split)) {
        return progress;
    }
    const std::lock_guard lock(m_audioLock);
    const int index = m_splitAt(split).sample.voiceIndex;
    if (index < 0 || index >= kVoiceCount) {
        return progress;
    }
    const Voice& v = m_voices[static_cast<std::size_t>(index)];
    if (!v.active || v.split != split) {
        return progress;
    }
    progress.sounding = true;
    progress.audible = v.render.state == VoiceState::Audible;
    progress.readPos = v.render.readPos;
    progress.sampleBytes = v.render.sampleBytes;
    return progress;
}

void AudioEngine::setVoiceVolume(int split, int volume) {
    if (!validSplit(split)) {
        return;
    }
    const midi::Split& s = m_splitAt(split);
    if (s.taskKind() != midi::SplitTask::Sample || (s.sample.playFlags & midi::PlayFlag::kAudible) == 0) {
        return;
    }
    const std::lock_guard lock(m_audioLock);
    for (Voice& v : m_voices) {
        if (v.active && v.split == split && v.buffer != nullptr && v.buffer->playing()) {
            v.buffer->setVolume(std::clamp(volume, platform::kVolumeMin, 0));
        }
    }
}

void AudioEngine::setCrossfader(int c) {
    if (!m_splitAt) {
        return;
    }
    c = std::clamp(c, 0, 127);
    for (int i = 0; i < 16; ++i) {
        midi::Split& s = m_splitAt(i);
        const int full = std::clamp(s.sample.volume, platform::kVolumeMin, 0);
        const int fade = (-full - 10000) / 64;
        const bool left = i < 8;
        int volume = full;
        if (c < 64 && !left) {
            volume = full + fade * (64 - c);
        } else if (c >= 64 && left) {
            volume = full + (c - 64) * fade;
        }
        setVoiceVolume(i, volume);
        s.crossfaderValue = c;
    }
}

void AudioEngine::applyTempoToSyncVoices() {
    if (!m_splitAt) {
        return;
    }
    const std::lock_guard lock(m_audioLock);
    const int tempo = m_splitAt(0).setupTempo;
    for (Voice& v : m_voices) {
        if (!v.active || v.split < 0) {
            continue;
        }
        const midi::Split& s = m_splitAt(v.split);
        if (!s.isOn() || s.taskKind() != midi::SplitTask::Sample || !s.isSampleMode(midi::SampleMode::Sync) ||
            (s.sample.playFlags & midi::PlayFlag::kStarted) == 0 ||
            (s.sample.sampleFlags & midi::SampleFlag::kNoAutoBpm) != 0) {
            continue;
        }
        if (tempo <= 0 || s.loopTempo <= 0) {
            continue; // no tempo to adapt to
        }
        if ((s.sample.sampleFlags & midi::SampleFlag::kTimestretch) != 0) {
            v.render.stretch.ratio = static_cast<double>(s.loopTempo) / tempo;
            v.render.pitchRatio = 1.0F;
        } else {
            v.render.pitchRatio = static_cast<float>(static_cast<double>(tempo) / s.loopTempo);
            v.render.stretch.ratio = 1.0;
        }
        sanitizeVoice(v.render);
    }
}

void AudioEngine::applyPitchToSyncVoices() {
    if (!m_splitAt) {
        return;
    }
    const std::lock_guard lock(m_audioLock);
    const int shift = m_splitAt(0).setupPitch;
    for (Voice& v : m_voices) {
        if (!v.active || v.split < 0) {
            continue;
        }
        const midi::Split& s = m_splitAt(v.split);
        if (s.isOn() && s.taskKind() == midi::SplitTask::Sample && s.isSampleMode(midi::SampleMode::Sync) &&
            (s.sample.playFlags & midi::PlayFlag::kStarted) != 0) {
            v.render.pitchRatio = static_cast<float>(semitoneRatio(shift));
            sanitizeVoice(v.render);
        }
    }
}

// --- Pump ---

void AudioEngine::pumpIfDue(std::uint32_t nowMs) {
    if (!m_pumpStarted.load() || nowMs - m_pumpStart.load() >= kPumpPeriodMs) {
        refillVoices();
    }
}

void AudioEngine::refillVoices() {
    if (m_pumpBusy.exchange(true)) {
        return; // the other clock thread is pumping
    }
    const std::uint32_t begin = now();
    m_pumpStart.store(begin);
    m_pumpStarted.store(true);
    {
        const std::lock_guard lock(m_audioLock);
        int playing = 0;
        for (Voice& v : m_voices) {
            if (v.buffer == nullptr || !v.buffer->playing()) {
                continue;
            }
            ++playing;
            if (v.split < 0 || !v.active) {
                continue;
            }
            int play = 0;
            int write = 0;
            v.buffer->currentPosition(play, write);
            if (v.writeCursor < 0 || v.writeCursor > v.bufferBytes) {
                v.writeCursor = 0;
            }
            const int free = wrapInto(static_cast<long long>(play) - v.writeCursor, v.bufferBytes) & ~3;
            if (free > 0) {
                platform::LockedRegion region;
                if (const platform::SoundError e = v.buffer->lock(v.writeCursor, free, region);
                    e != platform::SoundError::Ok) {
                    reportSoundError(e); // queued to the UI thread; this voice waits, the others go on
                    continue;
                }
                renderVoice({region.first, static_cast<std::size_t>(region.firstBytes / 2)},
                            {region.second, static_cast<std::size_t>(region.secondBytes / 2)}, v.render);
                v.buffer->unlock(region);
                v.writeCursor = wrapInto(static_cast<long long>(v.writeCursor) + free, v.bufferBytes);
            }
            if (v.render.state == VoiceState::Draining) {
                v.drainBytes -= free;
                if (v.drainBytes < 0) {
                    v.buffer->stop();
                    v.buffer->setCurrentPosition(0);
                    clearVoice(v);
                    continue;
                }
            }
            if (v.render.releaseGain <= 0.0F &&
                (v.render.state == VoiceState::Audible || v.render.state == VoiceState::Silent)) {
                v.render.state = VoiceState::Draining;
                v.drainBytes = v.bufferBytes;
            }
        }
        m_voicesPlaying.store(playing);
    }
    m_soundTimeMs.fetch_add(now() - begin);
    m_pumpBusy.store(false);
}

// --- State ---

VoiceState AudioEngine::voiceState(int voice) const {
    return m_voices.at(static_cast<std::size_t>(voice)).render.state;
}
bool AudioEngine::voiceActive(int voice) const { return m_voices.at(static_cast<std::size_t>(voice)).active; }
const RenderVoice& AudioEngine::renderState(int voice) const {
    return m_voices.at(static_cast<std::size_t>(voice)).render;
}
int AudioEngine::voiceOwner(int voice) const { return m_voices.at(static_cast<std::size_t>(voice)).owner; }

} // namespace tonwerk::audio
