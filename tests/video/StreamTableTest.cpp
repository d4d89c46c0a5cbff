#include "video/StreamTable.h"
#include "ClipMaker.h"
#include "PictureHelpers.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"
#include "video/VideoEffects.h"
#include "video/VideoEngine.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

namespace tonwerk::video {
namespace {

platform::VideoStreamInfo streamOf(int start, int length) {
    platform::VideoStreamInfo s;
    s.type = platform::kStreamVideo;
    s.start = start;
    s.length = length;
    s.rate = 25;
    return s;
}

midi::VideoBlock rangedVideo(int start, int end, bool looped) {
    midi::VideoBlock v = test::defaultVideo();
    v.rangeStart = start;
    v.rangeEnd = end;
    v.framePos = start;
    v.stepWidth = 1;
    v.holdAtStart = 0;
    v.runFlags = 0;
    v.optionFlags = looped ? VideoOption::kLooped : 0;
    v.effectFlags = MixBit::kStandard;
    return v;
}

TEST(StepFrame, TempoRatiosCarryTheirFraction) {
    const auto s = streamOf(0, 100);
    midi::VideoBlock v = rangedVideo(0, 99, true);
    float fraction = 0.0F;
    stepFrame(s, v, 1, 120, 60, fraction);
    EXPECT_EQ(v.framePos, 2);
    stepFrame(s, v, 1, 120, 60, fraction);
    EXPECT_EQ(v.framePos, 4);
    v.framePos = 10;
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        stepFrame(s, v, 1, 60, 120, fraction);
        seen.push_back(v.framePos);
    }
    EXPECT_EQ(seen, (std::vector<int>{10, 11, 11, 12}));
    // Missed ticks count: three periods at once step three frames.
    v.framePos = 0;
    fraction = 0.0F;
    stepFrame(s, v, 3, 100, 100, fraction);
    EXPECT_EQ(v.framePos, 3);
    // A tempo of 0 means the clip's own speed, not a frozen or runaway clip.
    for (const auto& [setup, loop] : {std::pair{120, 0}, std::pair{0, 90}, std::pair{-5, 90}}) {
        v.framePos = 0;
        fraction = 0.0F;
        stepFrame(s, v, 1, setup, loop, fraction);
        EXPECT_EQ(v.framePos, 1);
    }
    fraction = std::numeric_limits<float>::quiet_NaN(); // never poisoned for good
    stepFrame(s, v, 1, 100, 100, fraction);
    EXPECT_EQ(v.framePos, 2);
}

TEST(StepFrame, EndsLoopsAndReversePlay) {
    const auto s = streamOf(0, 100);
    float fraction = 0.0F;
    midi::VideoBlock v = rangedVideo(10, 20, false);
    v.framePos = 19;
    for (int i = 0; i < 5; ++i) {
        stepFrame(s, v, 1, 100, 100, fraction);
    }
    EXPECT_EQ(v.framePos, 20); // stops on the last frame
    v.effectFlags |= Effect::kReversePlay;
    for (int i = 0; i < 15; ++i) {
        stepFrame(s, v, 1, 100, 100, fraction);
    }
    EXPECT_EQ(v.framePos, 10);
    midi::VideoBlock l = rangedVideo(10, 20, true);
    l.framePos = 19;
    l.stepWidth = 7; // overshoot by six: still exactly the start
    stepFrame(s, l, 1, 100, 100, fraction);
    EXPECT_EQ(l.framePos, 10);
    l.effectFlags |= Effect::kReversePlay;
    stepFrame(s, l, 1, 100, 100, fraction);
    EXPECT_EQ(l.framePos, 20);
    l.holdAtStart = 1;
    stepFrame(s, l, 1, 100, 100, fraction);
    EXPECT_EQ(l.framePos, 10);
    // Ranges not yet set come from the stream.
    midi::VideoBlock fresh = rangedVideo(0, 0, true);
    fresh.runFlags = VideoRun::kRangesUnset;
    stepFrame(streamOf(5, 40), fresh, 1, 100, 100, fraction);
    EXPECT_EQ(fresh.clipStart, 5);
    EXPECT_EQ(fresh.clipEnd, 44);
    EXPECT_EQ(fresh.rowEnd[7], 44);
    EXPECT_EQ(fresh.runFlags & VideoRun::kRangesUnset, 0);
}

// The 24 splits of a setup, for the table.
struct Splits {
    std::array<midi::Split, midi::kSplitCount> splits{};
    Splits() {
        for (int i = 0; i < midi::kSplitCount; ++i) {
            midi::resetSplit(splits[static_cast<std::size_t>(i)], 0, i, 4);
        }
    }
    StreamTable::SplitAccess access() {
        return [this](int i) -> midi::Split& { return splits.at(static_cast<std::size_t>(i)); };
    }
};

std::size_t countOf(const test::RecordingNotifier& n, const std::string& text) {
    std::size_t count = 0;
    for (const auto& shown : n.shown()) {
        count += shown.request.text == text ? 1 : 0;
    }
    return count;
}

TEST(StreamTableSlots, FillReleaseAndReload) {
    test::TempDir dir;
    const auto three = dir.path() / "three.avi";
    ASSERT_TRUE(test::runTool("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=size=32x24:rate=10 -f lavfi -i "
                              "sine -t 0.5 -map 0 -map 1 -map 1 -c:v mjpeg -c:a pcm_s16le '" +
                              three.string() + "'"));
    Splits s;
    test::RecordingNotifier notifier;
    StreamTable table(notifier, s.access());
    EXPECT_EQ(table.openAviFile(dir.path() / "nothing.avi", s.splits[0]), -1);
    EXPECT_TRUE(notifier.shown().empty()); // a missing file gives no message
    EXPECT_EQ(table.openAviFile(three, s.splits[0]), 1);

    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(table.loadAviStreams(three, s.splits[static_cast<std::size_t>(i)]));
    }
    EXPECT_EQ(table.streamCount(), 48);
    EXPECT_EQ(table.mixOutputSlot(), 0);
    EXPECT_TRUE(table.slot(0).drawHandle);
    EXPECT_FALSE(table.slot(1).drawHandle); // sound streams get no reader
    EXPECT_TRUE(table.loadAviStreams(three, s.splits[16]));
    EXPECT_EQ(table.streamCount(), 50);
    EXPECT_EQ(s.splits[16].video.firstStream, 48);
    EXPECT_EQ(s.splits[16].video.endStream, 50);
    EXPECT_EQ(countOf(notifier, "Maximum number of Avi-Streams."), 1u);

    // Reloading split 3 releases its slots first; the table is full, so nothing is taken.
    table.loadAviStreams(three, s.splits[3]);
    EXPECT_FALSE(table.slot(9).used());
    EXPECT_EQ(s.splits[3].video.firstStream, 50);

    // Releasing slots below other splits keeps the count at the highest end.
    table.releaseSplitStreams(s.splits[0].video.firstStream, s.splits[0].video.endStream, s.splits[0]);
    EXPECT_EQ(table.streamCount(), 50);
    EXPECT_FALSE(table.slot(0).used());
    EXPECT_EQ(table.mixOutputSlot(), 3);
    EXPECT_EQ(s.splits[0].video.firstStream, -1);
    table.releaseSplitStreams(s.splits[16].video.firstStream, s.splits[16].video.endStream, s.splits[16]);
    table.releaseSplitStreams(s.splits[3].video.firstStream, s.splits[3].video.endStream, s.splits[3]);
    EXPECT_EQ(table.streamCount(), 48);
    // Slot numbers from a setup file are clamped to the table.
    table.releaseSplitStreams(-100, 1000, s.splits[20]);
    table.releaseSplitStreams(40, 2, s.splits[20]);
    EXPECT_EQ(table.streamCount(), 48);
    table.releaseAllStreams();
    EXPECT_EQ(table.streamCount(), 0);
    EXPECT_EQ(table.mixOutputSlot(), -1);

    // A file that is not a clip: reported, nothing taken.
    const auto text = dir.path() / "text.avi";
    std::ofstream(text) << "RIFF nothing";
    EXPECT_EQ(table.openAviFile(text, s.splits[0]), 0);
    EXPECT_FALSE(table.loadAviStreams(text, s.splits[0]));
    EXPECT_EQ(table.streamCount(), 0);
    EXPECT_EQ(s.splits[0].video.firstStream, -1);
    EXPECT_GE(countOf(notifier, "Cannot read file. File has wrong format or is damaged."), 2u);
}

TEST(ClipNotes, RootKeyAndRowKeys) {
    test::TempDir dir;
    const auto clip = dir.path() / "clip.avi";
    ASSERT_TRUE(test::makeClip(clip, "mjpeg", 32, 24, 40));
    Splits s;
    test::RecordingNotifier notifier;
    VideoEngine engine(notifier, s.access(), [] { return 120; });
    ASSERT_TRUE(engine.loadClip(2, clip));
    midi::Split& split = s.splits[2];
    EXPECT_EQ(split.taskKind(), midi::SplitTask::Avi);
    EXPECT_EQ(split.state, 1);
    split.rootNote = 60;
    midi::VideoBlock& v = split.video;
    v.optionFlags = VideoOption::kLooped | VideoOption::kJumpIntoRange | VideoOption::kVelocityBrightness;
    v.rowEnabled[1] = 1;
    v.rowStart[1] = 10;
    v.rowEnd[1] = 19;
    v.rowEffect[1] = Effect::kMirrorVertical;
    v.rowEffect[2] = Effect::kGrayscale;

    // A row key on a clip that is not running starts it and jumps into the row's range.
    engine.clipNoteOn(2, 0x90 | (60 - 10) << 8 | 100 << 16);
    EXPECT_EQ(v.playing, 1);
    EXPECT_EQ(v.noteVelocity, 127);
    EXPECT_EQ(v.rangeStart, 10);
    EXPECT_EQ(v.rangeEnd, 19);
    EXPECT_EQ(v.framePos, 19);
    EXPECT_EQ(v.currentRow, 1);
    EXPECT_EQ(v.brightness, 100 * 512);
    EXPECT_NE(v.effectFlags & Effect::kMirrorVertical, 0);
    engine.clipNoteOff(2, 0x80 | (60 - 10) << 8);
    EXPECT_EQ(v.effectFlags & Effect::kMirrorVertical, 0); // momentary
    engine.clipNoteOn(2, 0x90 | (60 - 9) << 8 | 50 << 16);
    engine.clipNoteOff(2, 0x80 | (60 - 9) << 8, true); // the row's split is a latched sample: stays
    EXPECT_NE(v.effectFlags & Effect::kGrayscale, 0);
    // Keys outside the rows do nothing; the root key's note-off stops the clip.
    const auto before = v.effectFlags;
    engine.clipNoteOn(2, 0x90 | 61 << 8 | 50 << 16);
    engine.clipNoteOn(2, 0x90 | 48 << 8 | 50 << 16);
    EXPECT_EQ(v.effectFlags, before);
    engine.clipNoteOff(2, 0x80 | 60 << 8);
    EXPECT_EQ(v.playing, 0);
    EXPECT_EQ(v.runFlags & VideoRun::kTriggered, 0);
    // Not running and not stepping: a row key changes no effect.
    v.optionFlags = 0;
    engine.clipNoteOn(2, 0x90 | (60 - 9) << 8 | 50 << 16);
    EXPECT_EQ(v.effectFlags, before);
    // Hostile split numbers are ignored.
    engine.clipNoteOn(-1, 0x90);
    engine.clipNoteOff(99, 0x80);
}

TEST(ClipNotes, RendersTheClipFrameByFrameOnItsOwnThread) {
    test::TempDir dir;
    const auto clip = dir.path() / "clip.avi";
    ASSERT_TRUE(test::makeClip(clip, "mpeg4", 32, 24, 40));
    Splits s;
    test::RecordingNotifier notifier;
    VideoEngine engine(notifier, s.access(), [] { return 120; });
    ASSERT_TRUE(engine.loadClip(0, clip));
    s.splits[0].loopTempo = 120;
    s.splits[0].rootNote = 60;
    engine.clipNoteOn(0, 0x90 | 60 << 8 | 100 << 16);
    const FrameBuffer* first = engine.renderNow(40, 30);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width(), 40);
    EXPECT_EQ(s.splits[0].video.clipEnd, 39);
    EXPECT_EQ(s.splits[0].video.framePos, 1);
    engine.startComposition(40, 30);
    std::uint64_t sequence = 0;
    std::vector<std::uint8_t> bytes;
    int w = 0;
    int h = 0;
    for (int i = 0; i < 200 && sequence < 5; ++i) {
        engine.frameTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        engine.picture().take(bytes, w, h, sequence);
        engine.clipNoteOn(0, 0x90 | 51 << 8 | 100 << 16); // the dispatcher goes on meanwhile
    }
    EXPECT_GE(sequence, 5u);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(bytes.size(), 40 + pixelBytes(40, 30));
    // The window is resized while it composes: the pictures follow, an odd width and a zero size
    // included (a zero-sized window composes nothing, and the last picture stays).
    for (const auto [wantW, wantH] : {std::pair{5, 7}, std::pair{64, 48}, std::pair{0, 0}}) {
        engine.setCompositionSize(wantW, wantH);
        EXPECT_EQ(engine.compositionSize(), (std::pair{wantW, wantH}));
        const std::uint64_t before = sequence;
        for (int i = 0; i < 200 && (w != wantW || sequence == before) && wantW != 0; ++i) {
            engine.frameTick();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            engine.picture().take(bytes, w, h, sequence);
        }
        if (wantW != 0) {
            EXPECT_EQ(w, wantW);
            EXPECT_EQ(h, wantH);
            EXPECT_EQ(bytes.size(), 40 + pixelBytes(wantW, wantH));
        }
    }
    engine.setCompositionSize(-3, 10);
    EXPECT_EQ(engine.compositionSize().first, 0);
    for (int i = 0; i < 5; ++i) {
        engine.frameTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(engine.picture().take(bytes, w, h, sequence));
    // The monitor's live mode shows only clips that play; the graphics window every clip split.
    engine.clipNoteOff(0, 0x80 | 60 << 8);
    const auto composedFor = [&](bool liveMode) {
        engine.setCompositionSize(40, 30, liveMode);
        for (int i = 0; i < 10; ++i) {
            engine.frameTick();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (engine.picture().take(bytes, w, h, sequence)) {
                return true;
            }
        }
        return false;
    };
    EXPECT_FALSE(composedFor(true));
    EXPECT_TRUE(composedFor(false));
    engine.clipNoteOn(0, 0x90 | 60 << 8 | 100 << 16);
    EXPECT_TRUE(composedFor(true));
    engine.stopComposition();
    engine.freeClip(0);
    EXPECT_EQ(engine.renderNow(40, 30), nullptr); // no stream: the previous picture stays
}

} // namespace
} // namespace tonwerk::video
