#include "song/Song.h"
#include "song/MidiFile.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tonwerk;
using namespace tonwerk::song;
using tonwerk::test::RecordingNotifier;
using tonwerk::test::TempDir;
using tonwerk::test::writeFile;

namespace {

class Host final : public SongHost {
public:
    std::vector<std::pair<std::uint32_t, midi::ShortMessage>> played;
    std::uint32_t now = 0;
    int resets = 0;
    int allStops = 0;
    std::vector<std::pair<int, int>> positions;
    void playEvent(midi::ShortMessage m) override { played.emplace_back(now, m); }
    void allStop() override { ++allStops; }
    void resetControllers() override { ++resets; }
    void showPosition(int bar, int beat) override { positions.emplace_back(bar, beat); }
};

class SongTest : public ::testing::Test {
protected:
    Host host;
    RecordingNotifier notifier;
    Song song{host, notifier};
    TempDir dir;

    // Runs the 4 ms clock up to `ms`.
    void runTo(std::uint32_t ms) {
        while (host.now + 4 <= ms) {
            host.now += 4;
            song.songTick(host.now);
        }
    }
};

std::string be(std::uint32_t v, int n) {
    std::string out;
    for (int i = n - 1; i >= 0; --i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    return out;
}

std::string smf(int tracks, int division, const std::vector<std::string>& bodies) {
    std::string out = "MThd" + be(6, 4) + be(1, 2) + be(static_cast<std::uint32_t>(tracks), 2) +
                      be(static_cast<std::uint32_t>(division), 2);
    for (const std::string& b : bodies) {
        out += "MTrk" + be(static_cast<std::uint32_t>(b.size()), 4) + b;
    }
    return out;
}

TEST_F(SongTest, RecordSaveLoadPlayReproducesTheMessages) {
    song.recordCommand();
    ASSERT_EQ(song.state(), midi::SongLink::State::Recording);
    // The performance: messages arrive between ticks, as from the dispatcher.
    const std::vector<std::pair<std::uint32_t, midi::ShortMessage>> performance = {
        {10, 0x00403C90},  {10, 0x00403E90},   {10, 0x00404090},  {500, 0x00003C80},
        {501, 0x00640BB0}, {1000, 0x00003E80}, {1000, 0x00004080}};
    for (const auto& [time, message] : performance) {
        runTo(time);
        song.record(message);
    }
    runTo(1200);
    song.stopCommand();
    runTo(1300);
    ASSERT_EQ(song.state(), midi::SongLink::State::Stopped);
    ASSERT_EQ(song.events().size(), performance.size());
    const fs::path file = dir / "take.mid";
    ASSERT_TRUE(song.saveSong(file).ok());

    Song other(host, notifier);
    ASSERT_TRUE(other.loadSong(file));
    EXPECT_EQ(other.events(), song.events());
    host.now = 10000;
    other.playCommand();
    const std::uint32_t start = host.now;
    while (other.state() != midi::SongLink::State::Stopped && host.now < 20000) {
        host.now += 4;
        other.songTick(host.now);
    }
    ASSERT_EQ(host.played.size(), performance.size());
    for (std::size_t i = 0; i < performance.size(); ++i) {
        EXPECT_EQ(host.played[i].second, performance[i].second);
        // Stamped at the tick that collected it, played at the tick it falls due: within 8 ms.
        const auto recordedAt = static_cast<int>(performance[i].first);
        const auto playedAt = static_cast<int>(host.played[i].first - start);
        EXPECT_LE(std::abs(playedAt - recordedAt), 8) << i;
    }
    EXPECT_EQ(host.resets, 1); // the end of the song resets the controllers
}

TEST_F(SongTest, RecordingKeepsEveryMessageAndNeverGoesBeforeItsStart) {
    // A song with a note on at beat 6 and off at beat 10; recording from beat 8 ends it there.
    writeFile(dir / "in.mid", smf(1, 384,
                                  {std::string("\x92\x00\x90\x3c\x40", 5) + std::string("\x8c\x00\x80\x3c\x00", 5) +
                                   std::string("\x00\xff\x2f\x00", 4)}));
    ASSERT_TRUE(song.loadSong(dir / "in.mid"));
    song.forward(4);
    song.forward(4);
    EXPECT_EQ(song.positionBeats(), 8);
    song.recordCommand();
    auto events = song.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].bar, 2u);
    EXPECT_EQ(events[1].tick, 0);
    EXPECT_EQ(events[1].status, 0x80);
    // A fast chord: far more than 8 messages between two ticks, none lost, none before beat 8.
    for (int i = 0; i < 40; ++i) {
        song.record(0x00400090u | static_cast<unsigned>(i) << 8);
    }
    runTo(4);
    events = song.events();
    ASSERT_EQ(events.size(), 42u);
    for (const SongEvent& e : events) {
        EXPECT_GE(e.time(), 8u * 384 - (e.status == 0x90 && e.data1 == 0x3c ? 8u * 384 : 0u));
    }
    for (std::size_t i = 1; i < events.size(); ++i) {
        EXPECT_GE(events[i].time(), events[i - 1].time());
    }
    song.stopCommand();
    runTo(8);
    ASSERT_TRUE(song.saveSong(dir / "out.mid").ok());
    Song again(host, notifier);
    ASSERT_TRUE(again.loadSong(dir / "out.mid"));
    EXPECT_EQ(again.events(), events);
}

TEST_F(SongTest, MergeOrderAndDivision) {
    // Equal times: track 0 first. Division 96: one beat at file tick 96 is bar 0 tick 384.
    writeFile(dir / "two.mid", smf(2, 96,
                                   {std::string("\x00\x90\x3c\x40\x60\x80\x3c\x00\x00\xff\x2f\x00", 12),
                                    std::string("\x00\x91\x3e\x40\x00\xff\x2f\x00", 8)}));
    ASSERT_TRUE(song.loadSong(dir / "two.mid"));
    const auto events = song.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].status, 0x90);
    EXPECT_EQ(events[1].status, 0x91);
    EXPECT_EQ(events[2].tick, 384);
    EXPECT_EQ(song.lengthBeats(), 4);
    EXPECT_EQ(song.savedCount(), 3u);
}

TEST_F(SongTest, LongSongsKeepAllTheirEvents) {
    std::string body;
    for (int i = 0; i < 12000; ++i) {
        body += std::string("\x01\x90\x3c\x40", 4);
    }
    body += std::string("\x00\xff\x2f\x00", 4);
    writeFile(dir / "long.mid", smf(1, 384, {body}));
    ASSERT_TRUE(song.loadSong(dir / "long.mid"));
    EXPECT_EQ(song.events().size(), 12000u);
    ASSERT_TRUE(song.saveSong(dir / "long2.mid").ok());
    Song again(host, notifier);
    ASSERT_TRUE(again.loadSong(dir / "long2.mid"));
    EXPECT_EQ(again.events().size(), 12000u);
}

TEST_F(SongTest, TransportEdges) {
    // Play without a song stays idle; on an empty song it stops at the first tick.
    song.playCommand();
    EXPECT_EQ(song.state(), midi::SongLink::State::Stopped);
    writeFile(dir / "empty.mid", smf(1, 384, {std::string("\x00\xff\x2f\x00", 4)}));
    ASSERT_TRUE(song.loadSong(dir / "empty.mid"));
    song.playCommand();
    EXPECT_EQ(song.state(), midi::SongLink::State::Playing);
    runTo(4);
    EXPECT_EQ(song.state(), midi::SongLink::State::Stopped);

    // Break keeps the position for the next Play; Stop returns to bar 1, beat 1.
    std::string body;
    for (int i = 0; i < 16; ++i) {
        body += std::string("\x83\x00\x90\x3c\x40", 5); // one note per beat
    }
    writeFile(dir / "beats.mid", smf(1, 384, {body + std::string("\x00\xff\x2f\x00", 4)}));
    ASSERT_TRUE(song.loadSong(dir / "beats.mid"));
    song.playCommand();
    runTo(host.now + 1600); // a little over three beats at 120 bpm
    song.breakCommand();
    EXPECT_EQ(song.positionBeats(), 3);
    const std::size_t before = host.played.size();
    song.playCommand();
    runTo(host.now + 8);
    EXPECT_EQ(host.played.size(), before + 1); // the beat-3 note again, from where it stopped
    song.stopCommand();
    EXPECT_EQ(song.positionBeats(), 0);
    EXPECT_EQ(host.positions.back(), (std::pair<int, int>{1, 1}));
    // A stopped playback still saves the whole song.
    EXPECT_EQ(song.savedCount(), 16u);
    // Tempo is clamped to 50–260.
    EXPECT_EQ(song.setSongTempo(300), 260);
    EXPECT_EQ(song.microsecondsPerTick(), 60000000u / (260 * 384));
}

TEST_F(SongTest, SavingFailsLoudlyAndKeepsTheOldFile) {
    song.recordCommand();
    song.record(0x00403C90);
    runTo(4);
    song.stopCommand();
    writeFile(dir / "plain", "x");
    const platform::Status status = song.saveSong(dir / "plain" / "x.mid");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(notifier.last().text.find("x.mid"), std::string::npos);
    // Missing and broken files leave no song.
    EXPECT_FALSE(song.loadSong(dir / "none.mid"));
    EXPECT_FALSE(song.hasSong());
}

} // namespace

namespace {

TEST_F(SongTest, StartupSongLoadsTheStartupSetupAndPlays) {
    std::vector<fs::path> loaded;
    auto load = [&](const fs::path& p) {
        loaded.push_back(p);
        return song.loadSong(fs::path(p).replace_extension(".mid"));
    };
    EXPECT_FALSE(loadStartupSong(dir.path(), load, song)); // no StartUp.mks: nothing happens
    EXPECT_TRUE(loaded.empty());
    writeFile(dir / "StartUp.mks", "x");
    writeFile(dir / "StartUp.mid", smf(1, 384, {std::string("\x00\x90\x3c\x40\x00\xff\x2f\x00", 8)}));
    EXPECT_TRUE(loadStartupSong(dir.path(), load, song));
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(song.state(), midi::SongLink::State::Playing);
}

} // namespace
