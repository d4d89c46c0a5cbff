#include "Engine.h"

#include "video/VideoEngine.h"

#include <utility>

namespace tonwerk::session {

audio::AudioSettings audioSettingsOf(const core::Settings& settings) {
    audio::AudioSettings a;
    a.memMode = settings.sampleMemoryMode;
    a.bufferBytes = settings.soundBufferSize;
    a.safetyBytes = settings.soundSafety;
    a.useTimestretch = (settings.bpmFlags & audio::SampleBits::kTimestretch) != 0;
    a.noAutoBpm = (settings.bpmFlags & audio::SampleBits::kNoAutoBpm) != 0;
    a.useWaveLoop = (settings.bpmFlags & audio::SampleBits::kWaveLoop) != 0;
    return a;
}

Engine::Engine(midi::MidiOutput& output, midi::VoiceOperations& voices, midi::ScreenFeedback& screen,
               core::Notifier& notifier, setups::MediaSearch& search, setups::MediaFolders folders)
    : m_songHost(*this), m_song(m_songHost, notifier), m_performance(output, voices, screen, m_song),
      m_loadHooks(*this), m_setups(m_performance, notifier, m_loadHooks, search, std::move(folders)) {}

void Engine::LoadHooks::reloadSample(int split, midi::Split& record) {
    if (m_engine.m_audio != nullptr) {
        m_engine.m_audio->loadSplitSample(split, midi::fieldText(record.fileName));
    }
}

void Engine::LoadHooks::clearMedia(int split, midi::Split& /*record*/) {
    if (m_engine.m_audio != nullptr) {
        m_engine.m_audio->freeSplitSample(split);
    }
    if (m_engine.m_video != nullptr) {
        m_engine.m_video->freeClip(split);
    }
}

void Engine::LoadHooks::reloadClip(int split, midi::Split& record) {
    if (m_engine.m_video != nullptr) {
        m_engine.m_video->loadClip(split, midi::fieldText(record.fileName));
    }
}

void Engine::LoadHooks::releaseClip(int split, midi::Split& /*record*/) {
    if (m_engine.m_video != nullptr) {
        m_engine.m_video->freeClip(split);
    }
}

void Engine::clockTick(std::uint32_t nowMs) {
    m_song.songTick(nowMs);
    m_performance.clockTick(nowMs);
}

void Engine::shutdown() {
    m_song.stopCommand();
    m_performance.releaseAllRunningNotes();
}

void Engine::SongHost::playEvent(midi::ShortMessage message) {
    m_engine.m_performance.onMidiData(midi::MidiSource::Injected, message);
}

void Engine::SongHost::allStop() {
    midi::Performance& performance = m_engine.m_performance;
    if (performance.syncRunning()) {
        performance.stopSync();
    }
    performance.releaseHeldNotes();
}

void Engine::SongHost::resetControllers() { m_engine.m_performance.resetControllers(); }

void Engine::SongHost::startSynchronisedSamples() { m_engine.m_performance.startSync(); }

void Engine::SongHost::retriggerSync() { m_engine.m_performance.retriggerSync(); }

} // namespace tonwerk::session
