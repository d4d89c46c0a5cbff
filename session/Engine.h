#pragma once

#include "audio/AudioEngine.h"
#include "core/Notifier.h"
#include "core/Settings.h"
#include "midi/EngineHooks.h"
#include "midi/Performance.h"
#include "setups/SetupFile.h"
#include "song/Song.h"

#include <filesystem>

namespace tonwerk::video {
class VideoEngine;
}

namespace tonwerk::session {

// The audio engine's part of the settings. "BPMFlags" keeps the three program-wide defaults of the
// sound-driver page in the bits the splits use for them: 0x20 time-stretch, 0x40 no automatic tempo
// changes, 0x80 the file's wave loop.
[[nodiscard]] audio::AudioSettings audioSettingsOf(const core::Settings& settings);

// The engines of one running program wired together: the performance (setup table, note pool,
// dispatcher), the song that plays into it, and the setup store that loads into both. Every host
// (the program, tonwerk-cli live and route) builds one with its own outputs.
// Dispatcher's thread, except songTick (the clock's thread).
class Engine {
public:
    Engine(midi::MidiOutput& output, midi::VoiceOperations& voices, midi::ScreenFeedback& screen,
           core::Notifier& notifier, setups::MediaSearch& search, setups::MediaFolders folders);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    [[nodiscard]] midi::Performance& performance() { return m_performance; }
    [[nodiscard]] song::Song& song() { return m_song; }
    [[nodiscard]] setups::SetupStore& setups() { return m_setups; }

    // One 4 ms clock tick at `nowMs`: the song, then the synchronised loop's beat display.
    void clockTick(std::uint32_t nowMs);

    // The program is ending: the song stops and every sounding note gets its note-off.
    void shutdown();

    // The audio engine that loads the samples of loaded setups (none: samples are not loaded).
    void attachAudio(audio::AudioEngine* audio) { m_audio = audio; }
    // The video engine that opens the clips of loaded setups (none: clips are not opened).
    void attachVideo(video::VideoEngine* video) { m_video = video; }

private:
    // The song drives the performance the way live input does.
    class SongHost final : public song::SongHost {
    public:
        explicit SongHost(Engine& engine) : m_engine(engine) {}
        void playEvent(midi::ShortMessage message) override;
        void allStop() override;
        void resetControllers() override;
        void startSynchronisedSamples() override;
        void retriggerSync() override;

    private:
        Engine& m_engine;
    };

    // Loading a setup: the song's part goes to the song, the samples to the audio engine.
    class LoadHooks final : public setups::SetupLoadHooks {
    public:
        explicit LoadHooks(Engine& engine) : m_engine(engine) {}
        void stopTransport() override { m_engine.m_song.stopTransport(); }
        void setupLoaded(int tempo) override { m_engine.m_song.setupLoaded(tempo); }
        void loadCompanionSong(const std::filesystem::path& path) override { m_engine.m_song.loadCompanionSong(path); }
        void reloadSample(int split, midi::Split& record) override;
        void clearMedia(int split, midi::Split& record) override;
        void reloadClip(int split, midi::Split& record) override;
        void releaseClip(int split, midi::Split& record) override;

    private:
        Engine& m_engine;
    };

    SongHost m_songHost;
    song::Song m_song;
    midi::Performance m_performance;
    LoadHooks m_loadHooks;
    audio::AudioEngine* m_audio = nullptr;
    video::VideoEngine* m_video = nullptr;
    setups::SetupStore m_setups;
};

} // namespace tonwerk::session
