#include "audio/Tempo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tonwerk::audio {
namespace {

struct Tempo {
    int setup = 100;
    int setCalls = 0;
    TempoLookup lookup{[this](int t) {
                           setup = t;
                           ++setCalls;
                       },
                       [this] { return setup; }};
};

void write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(Tempo, BpmFileTwoFoldersUpAppliesAndOnlyTheFirstLookupSetsTheSetup) {
    test::TempDir dir;
    write(dir.path() / "styles" / "bpm.inf", "[Tempo]\nBPM=128\n");
    const auto sample = dir.path() / "styles" / "house" / "drums" / "loop.wav";
    write(sample, "");
    Tempo t;
    EXPECT_EQ(t.lookup.lookupSampleTempo(sample, 22050, 1000), 128);
    EXPECT_EQ(t.setup, 128);
    write(dir.path() / "styles" / "house" / "bpm.inf", "[Tempo]\nBPM=90\n");
    EXPECT_EQ(t.lookup.lookupSampleTempo(sample, 22050, 1000), 90); // the nearest file wins
    EXPECT_EQ(t.setup, 128);                                        // but the setup keeps the first
    EXPECT_EQ(t.setCalls, 1);
}

TEST(Tempo, EstimatesFoldAndSnap) {
    Tempo t;
    // Two seconds of 44100 Hz 16-bit stereo: 60, folded to 120, snapped to 120.
    EXPECT_EQ(t.lookup.estimateTempo(44100, 44100 * 4 * 2), 120);
    // 127 lies outside ±1 % of 120 and 130: the setup tempo.
    const int bytes = static_cast<int>(44100.0 * 60 / 127 * 8);
    EXPECT_EQ(t.lookup.estimateTempo(44100, bytes), 100);
    EXPECT_EQ(t.lookup.estimateTempo(0, 1000), 100);
    EXPECT_EQ(t.lookup.estimateTempo(44100, 4), 100);
    EXPECT_EQ(snapTempo(80.5), 80);
    EXPECT_EQ(snapTempo(181), 180);
    EXPECT_EQ(snapTempo(185), -1);
}

TEST(Tempo, NotANumberFallsBackToTheEstimate) {
    test::TempDir dir;
    write(dir.path() / "bpm.inf", "[Tempo]\nBPM=fast\n");
    write(dir.path() / "loop.wav", "");
    Tempo t;
    EXPECT_EQ(bpmFileTempo(dir.path()), 0);
    EXPECT_EQ(t.lookup.lookupSampleTempo(dir.path() / "loop.wav", 44100, 44100 * 8), 120);
}

TEST(Tempo, ClipFolderNamesGiveTheTempo) {
    test::TempDir dir;
    Tempo t;
    EXPECT_EQ(t.lookup.lookupFolderTempo(dir.path() / "95 breaks" / "clip.avi"), 95);
    Tempo u;
    EXPECT_EQ(u.lookup.lookupFolderTempo(dir.path() / "300 fast" / "clip.avi"), 100); // 300 is ignored
    Tempo w;
    EXPECT_EQ(w.lookup.lookupFolderTempo(dir.path() / "120 a" / "85 b" / "clip.avi"), 85); // the last wins
}

} // namespace
} // namespace tonwerk::audio
