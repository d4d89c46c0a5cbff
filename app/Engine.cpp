#include "Engine.h"

#include <utility>

namespace tonwerk::app {

Engine::Engine(midi::MidiOutput& output, midi::VoiceOperations& voices, midi::ScreenFeedback& screen,
               Notifier& notifier, setups::MediaSearch& search, setups::MediaFolders folders)
    : m_songHost(*this), m_song(m_songHost, notifier), m_performance(output, voices, screen, m_song),
      m_setups(m_performance, notifier, m_song, search, std::move(folders)) {}

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

} // namespace tonwerk::app
