#pragma once

#include "core/Notifier.h"
#include "midi/EngineHooks.h"
#include "platform/Status.h"
#include "setups/SetupFile.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace tonwerk::song {

inline constexpr int kTicksPerBeat = 384;
inline constexpr int kBeatsPerBar = 4;
inline constexpr int kTicksPerBar = kTicksPerBeat * kBeatsPerBar; // 1536

// One event of the song, at bar and tick (0–1535) — the message as the dispatcher gets it.
struct SongEvent {
    std::uint32_t bar = 0;
    std::uint16_t tick = 0;
    std::uint8_t status = 0; // 0 tempo event, F0 one system-exclusive byte
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint8_t data3 = 0;
    [[nodiscard]] std::uint64_t time() const { return static_cast<std::uint64_t>(bar) * kTicksPerBar + tick; }
    [[nodiscard]] midi::ShortMessage message() const {
        return static_cast<midi::ShortMessage>(status) | (static_cast<midi::ShortMessage>(data1) << 8) |
               (static_cast<midi::ShortMessage>(data2) << 16) | (static_cast<midi::ShortMessage>(data3) << 24);
    }
    bool operator==(const SongEvent&) const = default;
};

// What the song drives. The player's events go into the dispatcher as song input; the rest are the
// engine operations the transport commands use.
class SongHost {
public:
    virtual ~SongHost() = default;
    // A due event of the playing song, for the dispatcher (on its thread).
    virtual void playEvent(midi::ShortMessage message) = 0;
    // Stops everything that sounds: synchronised loops, one-shot samples, held notes, sustain.
    virtual void allStop() {}
    // The controller reset PANIC sends on all 16 channels (after a song stops).
    virtual void resetControllers() {}
    // Starts the synchronised sample splits; their start switches a pending Play to Playing.
    virtual void startSynchronisedSamples() {}
    virtual void retriggerSync() {}
    virtual void showPosition(int /*bar*/, int /*beat*/) {}
    virtual void showLength(int /*bar*/, int /*beat*/) {}
};

// The one song of the program: recorder, player, Standard MIDI File load and save.
// Commands run on the user-interface thread, songTick on the timer thread; one mutex serialises
// them (it is held only for short computations). The dispatcher reaches the song through SongLink.
class Song final : public midi::SongLink, public setups::SetupLoadHooks {
public:
    Song(SongHost& host, core::Notifier& notifier);

    // --- Transport (user-interface thread) ---
    void recordCommand();     // toggle
    void playCommand();       // toggle
    void stopCommand();       // stop, back to position 0
    void breakCommand();      // stop, keep the position
    void forward(int beats);  // while idle: clamped to the length
    void backward(int beats); // while idle: clamped to 0
    // The setup tempo changed (50–260 beats per minute, clamped).
    int setSongTempo(int beatsPerMinute);

    // The 4 ms clock: play due events, stamp recorded ones. Timer thread (the CLI's main loop).
    void songTick(std::uint32_t nowMs);

    // --- Files (user-interface thread) ---
    // Replaces the song with a Standard MIDI File; a file that cannot be read leaves no song.
    bool loadSong(const std::filesystem::path& path);
    // Saves the song as a format 0 file (division 384). With no song nothing is written. A file
    // that cannot be written is reported and the old file stays intact.
    platform::Status saveSong(const std::filesystem::path& path);
    // Frees the song.
    void releaseSong();
    // New Setup: the transport stops; the clock is reset to 120 beats per minute; the song stays.
    void newSetup();

    // --- SongLink: the dispatcher's view (its thread) ---
    [[nodiscard]] State state() const override { return static_cast<State>(m_state.load()); }
    [[nodiscard]] bool restartClockPending() const override { return m_restartClock.load(); }
    void record(midi::ShortMessage message) override;
    void startPendingPlay() override;
    [[nodiscard]] std::uint32_t microsecondsPerTick() const override { return m_usPerTick.load(); }
    void setTempo(int beatsPerMinute) override;

    // --- SetupLoadHooks: a setup file is being loaded ---
    void stopTransport() override { stopCommand(); }
    void setupLoaded(int tempo) override;
    void loadCompanionSong(const std::filesystem::path& path) override { loadSong(path); }

    // --- State, for displays and tests ---
    [[nodiscard]] bool hasSong() const;
    [[nodiscard]] std::vector<SongEvent> events() const;
    [[nodiscard]] std::size_t savedCount() const;
    [[nodiscard]] int positionBeats() const;
    [[nodiscard]] int lengthBeats() const;
    [[nodiscard]] int tempo() const;

private:
    enum class StopKind { Stop, Break, Toggle };
    void stop(StopKind kind);
    void showPosition();
    void showLength();
    void finishStop();

    SongHost& m_host;
    core::Notifier& m_notifier;
    mutable std::recursive_mutex m_mutex;

    std::optional<std::vector<SongEvent>> m_events; // none: no song
    std::size_t m_cursor = 0;
    std::size_t m_savedCount = 0;
    int m_tempo = 120;
    std::atomic<std::uint32_t> m_usPerTick{1302};
    int m_lengthBeats = 0;

    std::atomic<int> m_state{0};
    int m_positionBeats = 0;
    std::uint64_t m_positionTicks = 0;
    std::uint32_t m_startTime = 0;
    std::uint64_t m_offsetMs = 0;
    std::uint64_t m_recordStartTicks = 0; // nothing recorded is stamped before this
    bool m_clockStarted = false;
    std::atomic<bool> m_restartClock{false};
    bool m_tickBusy = false;
    bool m_stopRequested = false;
    bool m_breakRequested = false;
    bool m_startPending = false;
    int m_shownBar = -1;
    int m_shownBeat = -1;

    std::mutex m_queueMutex;
    std::vector<midi::ShortMessage> m_queue; // grows as needed: nothing played is dropped
};

// The start-up song: loads "StartUp.mks" from the program folder if it is there (which loads its
// song too) and presses Play. Returns whether the file was there.
bool loadStartupSong(const std::filesystem::path& programDirectory,
                     const std::function<bool(const std::filesystem::path&)>& loadSetup, Song& song);

} // namespace tonwerk::song
