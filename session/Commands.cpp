#include "Commands.h"

#include "Session.h"

#include "audio/AudioEngine.h"
#include "audio/Tempo.h"
#include "core/ErrorReporting.h"
#include "midi/MidiDeviceManager.h"
#include "platform/AudioDevices.h"
#include "platform/MidiPorts.h"
#include "platform/SoundDevice.h"
#include "res/Strings.h"
#include "video/VideoEngine.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace tonwerk::session {

namespace {

bool validSplit(int split) { return split >= 0 && split < midi::kSplitCount; }

std::string splitRangeError(int split) { return "split out of range: " + std::to_string(split); }

} // namespace

void Commands::checkThread(const char* what) const { m_session.dispatcherThread().check(what); }

void Commands::splitChanged(int split) { m_session.screenFeedback().splitLineChanged(split); }

// --- Split fields ---

CommandResult Commands::setSplitField(int split, const midi::SplitField& field, std::size_t element, long long value) {
    checkThread("Commands::setSplitField");
    if (!validSplit(split)) {
        return CommandResult::refused(splitRangeError(split));
    }
    if (field.kind == midi::FieldKind::Text) {
        return CommandResult::refused(std::string(field.name) + " needs a quoted text");
    }
    if (element >= field.count) {
        return CommandResult::refused(field.count > 1 ? std::string(field.name) + " needs an entry number 0-" +
                                                            std::to_string(field.count - 1)
                                                      : std::string(field.name) + " has no entries");
    }
    if (!midi::fieldHolds(field.kind, value)) {
        return CommandResult::refused("value out of range for " + std::string(field.name) + ": " +
                                      std::to_string(value));
    }
    const auto raw = static_cast<std::uint32_t>(value);
    const std::size_t size = midi::elementSize(field.kind);
    {
        const Session::SplitsWriteLock lock(m_session);
        auto* bytes = reinterpret_cast<unsigned char*>(&m_session.performance().split(split));
        std::memcpy(bytes + field.offset + element * size, &raw, size); // little-endian, as the record
    }
    splitChanged(split);
    return {};
}

CommandResult Commands::setSplitText(int split, const midi::SplitField& field, std::string_view text) {
    checkThread("Commands::setSplitText");
    if (!validSplit(split)) {
        return CommandResult::refused(splitRangeError(split));
    }
    if (field.kind != midi::FieldKind::Text) {
        return CommandResult::refused(std::string(field.name) + " is not a text");
    }
    if (text.size() >= field.count) {
        return CommandResult::refused(std::string(field.name) + " is longer than " + std::to_string(field.count - 1) +
                                      " bytes");
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        auto* bytes = reinterpret_cast<unsigned char*>(&m_session.performance().split(split));
        std::memset(bytes + field.offset, 0, field.count);
        std::memcpy(bytes + field.offset, text.data(), text.size()); // stays terminated: zeroed above
    }
    splitChanged(split);
    return {};
}

CommandResult Commands::writeSplit(int split, const midi::Split& edited) {
    checkThread("Commands::writeSplit");
    if (!validSplit(split)) {
        return CommandResult::refused(splitRangeError(split));
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        m_session.performance().split(split) = edited;
    }
    splitChanged(split);
    return {};
}

CommandResult Commands::writeSplitFields(int split, const midi::Split& edited,
                                         std::span<const char* const> fieldNames) {
    checkThread("Commands::writeSplitFields");
    if (!validSplit(split)) {
        return CommandResult::refused(splitRangeError(split));
    }
    std::vector<const midi::SplitField*> fields;
    for (const char* name : fieldNames) {
        const std::string_view full(name);
        const auto dot = full.find('.');
        const midi::SplitField* field = dot == std::string_view::npos
                                            ? midi::findSplitField("", full)
                                            : midi::findSplitField(full.substr(0, dot), full.substr(dot + 1));
        if (field == nullptr) {
            return CommandResult::refused("no split field " + std::string(full));
        }
        fields.push_back(field);
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        auto* target = reinterpret_cast<std::byte*>(&m_session.performance().split(split));
        const auto* source = reinterpret_cast<const std::byte*>(&edited);
        for (const midi::SplitField* field : fields) {
            const std::size_t bytes =
                field->kind == midi::FieldKind::Text ? field->count : field->count * midi::elementSize(field->kind);
            std::memcpy(target + field->offset, source + field->offset, bytes);
        }
    }
    splitChanged(split);
    return {};
}

void Commands::makeMidiSplit(int split) {
    checkThread("Commands::makeMidiSplit");
    if (!validSplit(split)) {
        return;
    }
    m_session.performance().endSplitNotes(split);
    midi::Split& record = m_session.performance().split(split);
    const midi::SplitTask task = record.taskKind();
    if (task == midi::SplitTask::Avi) {
        m_session.video().freeClip(split);
    } else if (task == midi::SplitTask::Sample) {
        m_session.audio().freeSplitSample(split);
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        if (task == midi::SplitTask::Avi) {
            midi::resetVideoBlock(record, split);
        } else if (task == midi::SplitTask::Sample) {
            midi::resetSampleBlock(record);
        }
        if (task != midi::SplitTask::Midi) {
            record.keyLow = 24;
            record.keyHigh = 96;
            record.setSampleMode(midi::SampleMode::Tuned);
        }
        record.setTask(midi::SplitTask::Midi);
    }
    splitChanged(split);
}

void Commands::sendProgramChange(int split) {
    checkThread("Commands::sendProgramChange");
    if (validSplit(split)) {
        m_session.performance().sendProgramChange(m_session.performance().split(split));
    }
}

// --- The wave dialog ---

void Commands::setSampleVolume(int split, int volume) {
    checkThread("Commands::setSampleVolume");
    if (!validSplit(split)) {
        return;
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        m_session.performance().split(split).sample.volume = volume;
    }
    m_session.audio().setLiveVolume(split, volume);
    splitChanged(split);
}

void Commands::setSamplePan(int split, int pan) {
    checkThread("Commands::setSamplePan");
    if (!validSplit(split)) {
        return;
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        m_session.performance().split(split).sample.pan = pan;
    }
    m_session.audio().setLivePan(split, pan);
    splitChanged(split);
}

void Commands::setSampleRate(int split, int rate) {
    checkThread("Commands::setSampleRate");
    if (!validSplit(split)) {
        return;
    }
    midi::Split& record = m_session.performance().split(split);
    const int old = record.sample.sampleRate;
    {
        const Session::SplitsWriteLock lock(m_session);
        record.sample.sampleRate = rate;
    }
    m_session.audio().setLiveRate(split, old, rate);
    splitChanged(split);
}

void Commands::setSampleRelease(int split, int releaseTime) {
    checkThread("Commands::setSampleRelease");
    if (!validSplit(split)) {
        return;
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        m_session.performance().split(split).sample.releaseTime = releaseTime;
    }
    splitChanged(split);
}

void Commands::reapplyTempo() {
    checkThread("Commands::reapplyTempo");
    m_session.audio().applyTempoToSyncVoices();
}

void Commands::freeSample(int split) {
    checkThread("Commands::freeSample");
    if (!validSplit(split)) {
        return;
    }
    m_session.performance().endSplitNotes(split);
    m_session.audio().freeSplitSample(split);
    {
        const Session::SplitsWriteLock lock(m_session);
        midi::Split& record = m_session.performance().split(split);
        record.sample.playFlags = 0;
        midi::setFieldText(record.fileName, res::loadString(res::StringId::kNoMediaLoaded));
        record.fileTitleOffset = 0;
    }
    splitChanged(split);
}

int Commands::startAudition(int split, int key) {
    checkThread("Commands::startAudition");
    if (!validSplit(split)) {
        return -1;
    }
    midi::Split& record = m_session.performance().split(split);
    if (key < record.keyLow || key > record.keyHigh || record.sample.sampleData == 0) {
        return -1;
    }
    audio::AudioEngine& audio = m_session.audio();
    std::int16_t voice = -1;
    audio.lockAudio();
    audio.startVoice(split, voice, key, 127);
    audio.playVoice(split);
    audio.unlockAudio();
    record.sample.playFlags |= midi::PlayFlag::kStarted;
    if (record.isSampleMode(midi::SampleMode::Sync)) {
        audio.unmuteSplit(split, 127); // a synchronised voice starts silent
    }
    return voice;
}

void Commands::stopAudition(int split, int voice) {
    checkThread("Commands::stopAudition");
    if (!validSplit(split)) {
        return;
    }
    midi::Split& record = m_session.performance().split(split);
    if (record.isSampleMode(midi::SampleMode::Sync) && (record.sample.playFlags & midi::PlayFlag::kAudible) != 0) {
        m_session.audio().muteSplit(split);
    }
    if (voice >= 0) {
        m_session.audio().releaseVoice(split, static_cast<std::int16_t>(voice));
    }
    record.sample.playFlags &= ~(midi::PlayFlag::kStarted | midi::PlayFlag::kLatched);
}

Commands::VoiceProgress Commands::voiceProgress(int split) const {
    const audio::AudioEngine::VoiceProgress p = m_session.audio().splitVoiceProgress(split);
    return {p.sounding, p.audible, p.readPos, p.sampleBytes};
}

Commands::SampleInfo Commands::sampleInfo(int split) const {
    const audio::WaveFormat format = m_session.audio().sampleFormat(split);
    return {static_cast<int>(format.samplesPerSecond), format.bitsPerSample, format.channels,
            static_cast<int>(format.averageBytesPerSecond)};
}

std::vector<audio::SamplePeak> Commands::sampleOutline(int split, int columns) const {
    return m_session.audio().sampleOutline(split, columns);
}

std::string Commands::soundOutputDescription() const {
    const platform::SoundOutput* output = m_session.audio().output();
    return output != nullptr ? output->description() : std::string("none");
}

midi::SongLink::State Commands::songState() const { return m_session.song().state(); }

void Commands::restoreSplit(int split, const midi::Split& saved, bool sampleChanged) {
    checkThread("Commands::restoreSplit");
    if (!validSplit(split)) {
        return;
    }
    m_session.performance().endSplitNotes(split);
    midi::Split& record = m_session.performance().split(split);
    if (sampleChanged) {
        m_session.audio().freeSplitSample(split);
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        // The run-time words stay the engine's: which voice plays, what it holds.
        midi::Split restored = saved;
        restored.heldNotes = record.heldNotes;
        restored.heldCount = record.heldCount;
        restored.sample.playFlags = 0;
        restored.sample.voiceIndex = record.sample.voiceIndex;
        restored.video.firstStream = record.video.firstStream;
        restored.video.endStream = record.video.endStream;
        record = restored;
    }
    if (sampleChanged) {
        if (saved.taskKind() == midi::SplitTask::Sample && saved.sample.sampleData != 0 &&
            m_session.audio().loadSplitSample(split, midi::fieldText(saved.fileName))) {
            // The record's own rate, not the file's.
            const Session::SplitsWriteLock lock(m_session);
            record.sample.sampleRate = saved.sample.sampleRate;
        } else {
            m_session.audio().freeSplitSample(split); // gone meanwhile (the message said so): no sample
        }
    }
    splitChanged(split);
}

// --- The video dialog ---

void Commands::freeClip(int split) {
    checkThread("Commands::freeClip");
    if (!validSplit(split)) {
        return;
    }
    m_session.performance().endSplitNotes(split);
    m_session.video().freeClip(split);
    {
        const Session::SplitsWriteLock lock(m_session);
        midi::Split& record = m_session.performance().split(split);
        midi::setFieldText(record.fileName, res::loadString(res::StringId::kNoMediaLoaded));
        record.fileTitleOffset = 0;
    }
    splitChanged(split);
}

void Commands::applyVideoSettings(int split, const midi::VideoBlock& state, bool clipLoaded) {
    checkThread("Commands::applyVideoSettings");
    if (!validSplit(split)) {
        return;
    }
    midi::Split& record = m_session.performance().split(split);
    if (clipLoaded && record.taskKind() == midi::SplitTask::Sample) {
        m_session.performance().endSplitNotes(split);
        m_session.audio().freeSplitSample(split);
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        if (clipLoaded) {
            const std::int32_t first = record.video.firstStream;
            const std::int32_t end = record.video.endStream;
            record.video = state;
            record.video.firstStream = first; // the slots are the stream table's, not the copy's
            record.video.endStream = end;
            if (record.stateKind() == midi::SplitState::Off) {
                record.setState(midi::SplitState::On);
            }
            record.setTask(midi::SplitTask::Avi);
        } else {
            record.setState(midi::SplitState::Off);
            record.setTask(midi::SplitTask::Midi);
            record.setSampleMode(midi::SampleMode::Tuned);
            record.sample.sampleFlags = 9;
            record.sample.playFlags = 0;
            record.keyLow = 36;
            record.keyHigh = 96;
            record.rootNote = 60;
        }
    }
    splitChanged(split);
}

void Commands::cancelVideoLoad(int split, const midi::Split& saved) {
    checkThread("Commands::cancelVideoLoad");
    if (!validSplit(split)) {
        return;
    }
    m_session.performance().endSplitNotes(split);
    m_session.video().freeClip(split);
    restoreSplit(split, saved, saved.taskKind() == midi::SplitTask::Sample);
}

// --- Media ---

bool Commands::assignSample(int split, const std::filesystem::path& path, int modeBits) {
    checkThread("Commands::assignSample");
    if (!validSplit(split)) {
        return false;
    }
    // What the split sounds now ends first: a held pad's note, a latched loop, a running clip.
    m_session.performance().endSplitNotes(split);
    midi::Split& record = m_session.performance().split(split);
    const audio::AudioSettings& defaults = m_session.audio().settings();
    bool loaded = false;
    {
        const Session::SplitsWriteLock lock(m_session);
        // The program-wide defaults of the sound-driver page go with every sample assigned.
        record.sample.sampleFlags =
            (record.sample.sampleFlags & ~(midi::SampleFlag::kTimestretch | midi::SampleFlag::kNoAutoBpm)) |
            (defaults.useTimestretch ? midi::SampleFlag::kTimestretch : 0) |
            (defaults.noAutoBpm ? midi::SampleFlag::kNoAutoBpm : 0);
    }
    loaded = m_session.audio().assignSampleFile(split, path, modeBits);
    if (!loaded) {
        const Session::SplitsWriteLock lock(m_session);
        record.setTask(midi::SplitTask::Midi); // a file that cannot be loaded
    } else {
        if (record.video.firstStream != -1) {
            m_session.video().freeClip(split); // the split's clip, if it had one, is closed
        }
        const int tempo =
            m_session.tempo().lookupSampleTempo(path, record.sample.sampleRate, record.sample.sampleBytes);
        const Session::SplitsWriteLock lock(m_session);
        record.setTask(midi::SplitTask::Sample);
        record.setState(midi::SplitState::On);
        if (tempo > 0) {
            record.loopTempo = tempo;
        }
    }
    splitChanged(split);
    return loaded;
}

bool Commands::samplePreviewSounding() {
    const std::int16_t voice = m_session.previewVoice();
    return voice >= 0 && m_session.audio().voiceActive(voice) &&
           m_session.audio().voiceOwner(voice) == kSamplePreviewSplit;
}

void Commands::stopSamplePreview() {
    checkThread("Commands::stopSamplePreview");
    if (samplePreviewSounding()) {
        m_session.audio().releaseVoice(kSamplePreviewSplit, m_session.previewVoice());
    }
    m_session.previewVoice() = -1;
}

bool Commands::previewSample(const std::filesystem::path& path) {
    checkThread("Commands::previewSample");
    const bool again = samplePreviewSounding() && m_session.previewSample() == path;
    stopSamplePreview();
    m_session.previewSample().clear();
    if (again || !assignSample(kSamplePreviewSplit, path, 8)) {
        return false;
    }
    const midi::Split& split = m_session.performance().split(kSamplePreviewSplit);
    std::int16_t voice = -1;
    m_session.audio().startVoice(kSamplePreviewSplit, voice, std::clamp(split.rootNote + split.transpose, 0, 127), 127);
    m_session.audio().playVoice(kSamplePreviewSplit);
    m_session.previewVoice() = voice;
    m_session.previewSample() = path;
    return true;
}

void Commands::stopClipPreview() {
    checkThread("Commands::stopClipPreview");
    if (!m_session.previewClip().empty()) {
        m_session.video().videoNoteOff(kClipPreviewSplit);
        m_session.previewClip().clear();
    }
}

bool Commands::previewClip(const std::filesystem::path& path) {
    checkThread("Commands::previewClip");
    // Everything that sounds ends first (the dispatcher's note-offs reach their outputs).
    allStop();
    const bool again = m_session.previewClip() == path;
    stopClipPreview();
    if (again || !assignClip(kClipPreviewSplit, path)) {
        return false;
    }
    const midi::Split& split = m_session.performance().split(kClipPreviewSplit);
    m_session.video().videoNoteOn(kClipPreviewSplit, midi::shortMessage(0x90, std::clamp(split.rootNote, 0, 127), 127));
    m_session.previewClip() = path;
    return true;
}

bool Commands::assignClip(int split, const std::filesystem::path& path) {
    checkThread("Commands::assignClip");
    if (!validSplit(split)) {
        return false;
    }
    // What the split sounds now ends first: a held pad's note, a latched loop, a running clip.
    m_session.performance().endSplitNotes(split);
    const bool hadSample = m_session.performance().split(split).taskKind() == midi::SplitTask::Sample;
    const bool loaded = m_session.video().loadClip(split, path);
    if (loaded && hadSample) {
        m_session.audio().freeSplitSample(split); // the split's sample stops and is freed
    }
    splitChanged(split);
    return loaded;
}

// --- On/off and solo ---

void Commands::toggleSplitOn(int split) {
    checkThread("Commands::toggleSplitOn");
    if (!validSplit(split)) {
        return;
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        applyOnOff(m_session.performance().currentSetup().splits, m_session.solo(), split);
    }
    for (int i = 0; i < midi::kSplitCount; ++i) {
        splitChanged(i);
    }
}

void Commands::solo(int split) {
    checkThread("Commands::solo");
    if (!validSplit(split)) {
        return;
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        applySolo(m_session.performance().currentSetup().splits, m_session.solo(), split);
    }
    for (int i = 0; i < midi::kSplitCount; ++i) {
        splitChanged(i);
    }
    m_session.performance().setCurrentSplit(split);
}

void applyOnOff(std::array<midi::Split, midi::kSplitCount>& splits, SoloState& state, int row) {
    midi::Split& split = splits[static_cast<std::size_t>(row)];
    split.setState(split.isOn() ? midi::SplitState::Off : midi::SplitState::On);
    if (state.engaged) {
        for (midi::Split& s : splits) {
            if (s.stateKind() == midi::SplitState::Muted) {
                s.setState(midi::SplitState::On);
            }
        }
        if (state.soloRow >= 0) {
            splits[static_cast<std::size_t>(state.soloRow)].solo = 0;
        }
        state.engaged = false;
    }
}

void applySolo(std::array<midi::Split, midi::kSplitCount>& splits, SoloState& state, int row) {
    constexpr auto kOn = static_cast<std::int32_t>(midi::SplitState::On);
    constexpr auto kMuted = static_cast<std::int32_t>(midi::SplitState::Muted);
    if (state.soloRow == -1) {
        state.soloRow = row;
    }
    midi::Split& chosen = splits[static_cast<std::size_t>(row)];
    bool engaged = true;
    if (row == state.soloRow && !state.engaged) {
        for (int i = 0; i < midi::kSplitCount; ++i) {
            if (i != row && splits[static_cast<std::size_t>(i)].state == kOn) {
                splits[static_cast<std::size_t>(i)].state = kMuted;
            }
        }
        state.savedState = chosen.state;
        chosen.state = kOn;
        chosen.solo = 1;
    } else if (row == state.soloRow) {
        for (midi::Split& s : splits) {
            if (s.state == kMuted) {
                s.state = kOn;
            }
        }
        chosen.state = state.savedState;
        chosen.solo = 0;
        engaged = false;
    } else {
        midi::Split& previous = splits[static_cast<std::size_t>(state.soloRow)];
        previous.state = state.savedState;
        previous.solo = 0;
        // A split muted by the solo in force was on before it: that is the state to restore when
        // solo ends, never the mute (which would leave it silenced with no solo to lift it).
        state.savedState = (state.engaged && chosen.state == kMuted) ? kOn : chosen.state;
        for (midi::Split& s : splits) {
            if (s.state == kOn) {
                s.state = kMuted;
            }
        }
        chosen.state = kOn;
        chosen.solo = 1;
    }
    state.engaged = engaged;
    state.soloRow = row;
}

// --- What the performer plays on the screens ---

void Commands::userInput(midi::ShortMessage message) {
    checkThread("Commands::userInput");
    const std::uint32_t kind = message & 0xF0U;
    const bool note = kind == 0x90U || kind == 0x80U;
    m_session.performance().onMidiData(note ? midi::MidiSource::User : midi::MidiSource::Injected, message);
}

void Commands::injectInput(midi::ShortMessage message) {
    checkThread("Commands::injectInput");
    m_session.performance().onMidiData(midi::MidiSource::Injected, message);
}

void Commands::setScreen(midi::ScreenKind screen) {
    checkThread("Commands::setScreen");
    m_session.performance().options().screen = screen;
    m_session.pcKeyboard().settings().screen = screen;
}

int Commands::setKeyboardVelocity(int velocity) {
    checkThread("Commands::setKeyboardVelocity");
    const int value = std::clamp(velocity, 0, 127);
    m_session.performance().options().keyboardVelocity = value;
    m_session.settings().keyboardVelocity = value;
    return value;
}

void Commands::selectSplit(int split) {
    checkThread("Commands::selectSplit");
    if (validSplit(split)) {
        m_session.performance().setCurrentSplit(split);
    }
}

void Commands::setKeyRange(int low, int high) {
    checkThread("Commands::setKeyRange");
    low = std::clamp(low, 0, 127);
    high = std::clamp(high, 0, 127);
    if (low > high) {
        std::swap(low, high);
    }
    const int split = m_session.performance().currentSplit();
    if (!validSplit(split)) {
        return;
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        midi::Split& s = m_session.performance().split(split);
        s.keyLow = low;
        s.keyHigh = high;
        if (low == high) {
            s.setSampleMode(midi::SampleMode::OneShot);
            s.rootNote = low;
        } else {
            s.setSampleMode(midi::SampleMode::Tuned);
        }
    }
    splitChanged(split);
}

void Commands::setCrossfader(int value) {
    checkThread("Commands::setCrossfader");
    m_session.audio().setCrossfader(std::clamp(value, 0, 127));
}

bool Commands::toggleLoopHold(int split) {
    checkThread("Commands::toggleLoopHold");
    if (!validSplit(split)) {
        return false;
    }
    midi::Split& record = m_session.performance().split(split);
    if (record.taskKind() != midi::SplitTask::Sample || !record.isSampleMode(midi::SampleMode::Sync)) {
        return false;
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        record.sample.sampleFlags ^= midi::SampleFlag::kRetrigger;
    }
    splitChanged(split);
    return (record.sample.sampleFlags & midi::SampleFlag::kRetrigger) != 0;
}

void Commands::copySplit() {
    checkThread("Commands::copySplit");
    m_session.splitClipboard() = m_session.performance().split(m_session.performance().currentSplit());
}

bool Commands::pasteSplit() {
    checkThread("Commands::pasteSplit");
    const std::optional<midi::Split>& copied = m_session.splitClipboard();
    if (!copied) {
        return false;
    }
    const int split = m_session.performance().currentSplit();
    midi::Split pasted = *copied;
    pasted.heldNotes = m_session.performance().split(split).heldNotes;
    return writeSplit(split, pasted).ok();
}

void Commands::allStop() {
    checkThread("Commands::allStop");
    m_session.performance().allStop();
}

// --- Setups and songs ---

void Commands::newSetup() {
    checkThread("Commands::newSetup");
    m_session.song().newSetup();
    m_session.performance().releaseAllRunningNotes();
    m_session.audio().stopAllVoices();
    for (int i = 0; i < midi::kSplitCount; ++i) {
        // Every split's media is released with the records that named it.
        m_session.audio().freeSplitSample(i);
        m_session.video().freeClip(i);
    }
    {
        const Session::SplitsWriteLock lock(m_session);
        m_session.performance().newSetups();
    }
    m_session.solo() = SoloState{};
    m_session.setSetupName({});
    for (int i = 0; i < midi::kSplitCount; ++i) {
        splitChanged(i);
    }
}

bool Commands::loadSetup(const std::filesystem::path& path, const std::function<void(int, int)>& progress) {
    checkThread("Commands::loadSetup");
    m_session.setLoadProgress(progress);
    const bool loaded = m_session.setups().loadSetupFile(path);
    m_session.setLoadProgress({});
    if (loaded) {
        m_session.setSetupName(path.filename().string());
        rememberSetupFile(path);
        m_session.solo() = SoloState{};
        for (int i = 0; i < midi::kSplitCount; ++i) {
            splitChanged(i);
        }
    }
    return loaded;
}

platform::Status Commands::saveSetup(const std::filesystem::path& path) {
    checkThread("Commands::saveSetup");
    platform::Status status = m_session.setups().saveSetup(path);
    if (status.ok()) {
        m_session.setSetupName(path.filename().string());
        rememberSetupFile(path);
    }
    return status;
}

void Commands::rememberSetupFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    m_session.settings().currentSetupPath = (error ? path : absolute).string();
}

platform::Status Commands::saveBank(const std::filesystem::path& path) {
    checkThread("Commands::saveBank");
    return m_session.setups().saveBank(path);
}

bool Commands::loadSong(const std::filesystem::path& path) {
    checkThread("Commands::loadSong");
    return m_session.song().loadSong(path);
}

platform::Status Commands::saveSong(const std::filesystem::path& path) {
    checkThread("Commands::saveSong");
    return m_session.song().saveSong(path);
}

// --- Transport, tempo, pitch ---

void Commands::record() {
    checkThread("Commands::record");
    m_session.song().recordCommand();
}

void Commands::play() {
    checkThread("Commands::play");
    m_session.song().playCommand();
}

void Commands::stop() {
    checkThread("Commands::stop");
    m_session.song().stopCommand();
}

void Commands::pause() {
    checkThread("Commands::pause");
    m_session.song().breakCommand();
}

void Commands::forward(int beats) {
    checkThread("Commands::forward");
    m_session.song().forward(beats);
}

void Commands::backward(int beats) {
    checkThread("Commands::backward");
    m_session.song().backward(beats);
}

int Commands::setTempo(int beatsPerMinute) {
    checkThread("Commands::setTempo");
    const int tempo = m_session.song().setSongTempo(beatsPerMinute);
    {
        const Session::SplitsWriteLock lock(m_session);
        m_session.performance().split(0).setupTempo = tempo;
    }
    m_session.audio().applyTempoToSyncVoices();
    return tempo;
}

int Commands::setPitch(int semitones) {
    checkThread("Commands::setPitch");
    const int pitch = std::clamp(semitones, -24, 24);
    {
        const Session::SplitsWriteLock lock(m_session);
        m_session.performance().split(0).setupPitch = pitch;
    }
    m_session.audio().applyPitchToSyncVoices();
    return pitch;
}

void Commands::panic() {
    checkThread("Commands::panic");
    m_session.performance().allNotesOff();
}

// --- The options sheet ---

DeviceLists Commands::deviceLists() {
    checkThread("Commands::deviceLists");
    DeviceLists lists;
    if (platform::MidiPorts* ports = m_session.ports(); ports != nullptr) {
        lists.midiInputs = ports->inputNames();
        lists.midiOutputs = ports->outputNames();
    }
    lists.midiOutputs.insert(lists.midiOutputs.begin(), kOwnMidiOutput);
    lists.soundDevices.emplace_back(kPrimarySoundDriver);
    lists.soundIds.push_back({});
    for (const platform::AudioDevice& device : platform::listAudioOutputs()) {
        lists.soundDevices.push_back(device.api + ": " + device.name);
        lists.soundIds.push_back(platform::soundDeviceId(device.api, device.name));
    }
    return lists;
}

Commands::OptionsApplied Commands::applyOptions(const ProgramOptions& options, const DeviceLists& devices) {
    checkThread("Commands::applyOptions");
    core::Settings& settings = m_session.settings();
    const core::Settings before = settings;
    storeOptions(settings, options, devices);
    OptionsApplied applied;
    applied.reportSwitchedOff = before.performanceDisplay != 0 && settings.performanceDisplay == 0;

    // The MIDI devices whose choice changed are opened in place of the old ones. A port is known by
    // its name: the one open now under another number (ports came or went since it was opened) is
    // no change, since reopening it would end the notes that sound, and another port under the
    // old number is one.
    if (midi::MidiDeviceManager* manager = m_session.devices(); manager != nullptr) {
        platform::MidiPorts& ports = manager->ports();
        const bool sameInput = ports.inputOpen() && settings.midiInDeviceName == ports.openInputName();
        const bool sameOutput = ports.outputOpen() && (settings.midiOutDevice == -1
                                                           ? manager->outputId() == -1
                                                           : manager->outputId() != -1 &&
                                                                 settings.midiOutDeviceName == ports.openOutputName());
        if (options.midiIn >= 0 && !sameInput) {
            applied.midiChanged = true;
            manager->changeInput(settings.midiInDevice);
            settings.midiInDeviceName = ports.inputOpen() ? ports.openInputName() : std::string();
        }
        if (options.midiOut >= 0 && !sameOutput) {
            applied.midiChanged = true;
            manager->changeOutput(settings.midiOutDevice);
            settings.midiOutDeviceName =
                settings.midiOutDevice >= 0 && ports.outputOpen() ? ports.openOutputName() : std::string();
        }
    }

    // The program-wide tempo and loop defaults, the PC keyboard, the note marks, the load report.
    audio::AudioSettings& audioSettings = m_session.audio().settings();
    const audio::AudioSettings wanted = audioSettingsOf(settings);
    audioSettings.useTimestretch = wanted.useTimestretch;
    audioSettings.noAutoBpm = wanted.noAutoBpm;
    audioSettings.useWaveLoop = wanted.useWaveLoop;
    m_session.applySettings();

    // A new sound device takes the mix now; the voices play on.
    const std::array<std::uint8_t, 16> id = soundDeviceIdOf(settings);
    audio::AudioEngine& audio = m_session.audio();
    if (m_session.options().sound == SessionOptions::Sound::Stored && audio.isOpen() && id != audio.outputChoice().id) {
        audio::OutputChoice choice = audio.outputChoice();
        choice.kind = audio::OutputChoice::Kind::Device;
        choice.id = id;
        audio.switchOutput(choice);
        applied.soundChanged = true;
        if (choice.id != id) {
            // The device did not open: the default plays, and is stored as the choice.
            storeSoundDeviceId(settings, {});
            settings.soundDeviceName = kPrimarySoundDriver;
        }
    }
    return applied;
}

std::optional<int> Commands::primaryBufferType() const {
    const platform::SoundDevice* device = m_session.audio().device();
    if (device == nullptr) {
        return std::nullopt;
    }
    return bufferTypeIndex(1, device->outputFormat().channels, device->outputBits(), device->outputFormat().rate);
}

bool Commands::setPrimaryBufferType(int index) {
    checkThread("Commands::setPrimaryBufferType");
    if (index < 0 || index >= kBufferTypeCount) {
        core::showMessage(m_session.notifier(), 8273, core::MessageKind::Error);
        return false;
    }
    const PcmFormat format = bufferTypeFormat(index);
    if (!m_session.audio().setPrimaryFormat(platform::SoundFormat{format.channels, format.rate}, format.bits)) {
        core::showMessage(m_session.notifier(), 8261, core::MessageKind::Error);
        return false;
    }
    return true;
}

} // namespace tonwerk::session
