#include "platform/VideoFile.h"
#include "ClipMaker.h"
#include "support/TempDir.h"
#include "video/FrameBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <random>

namespace tonwerk::platform {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFrames = 30;

// The clips of all tests, made once.
class Clips : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<test::TempDir>();
        for (const char* codec : {"mjpeg", "mpeg4", "rawvideo", "cinepak", "msvideo1"}) {
            const auto path = s_dir->path() / (std::string(codec) + ".avi");
            // MPEG-4 with key frames every 10 frames, so a seek has to decode from one.
            const std::string extra = std::string(codec) == "mpeg4" ? "-g 10 -bf 0" : "";
            ASSERT_TRUE(test::makeClip(path, codec, kWidth, kHeight, kFrames, extra)) << codec;
            s_reference[codec] = test::toolDecode(path, s_dir->path());
            ASSERT_EQ(s_reference[codec].size(), static_cast<std::size_t>(kWidth * kHeight * 3 * kFrames)) << codec;
        }
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static std::filesystem::path clip(const std::string& codec) { return s_dir->path() / (codec + ".avi"); }

    // Largest byte difference between our frame n and the tool's.
    static int difference(const std::string& codec, std::span<const std::uint8_t> frame, int n) {
        const std::vector<std::uint8_t>& ref = s_reference[codec];
        const std::size_t stride = video::rowBytes(kWidth);
        int worst = 0;
        for (int y = 0; y < kHeight; ++y) {
            const std::uint8_t* ours = frame.data() + 40 + stride * static_cast<std::size_t>(kHeight - 1 - y);
            const std::uint8_t* theirs = ref.data() + static_cast<std::size_t>(n) * kWidth * kHeight * 3 +
                                         static_cast<std::size_t>(y) * kWidth * 3;
            for (int i = 0; i < kWidth * 3; ++i) {
                worst = std::max(worst, std::abs(ours[i] - theirs[i]));
            }
        }
        return worst;
    }

    static std::unique_ptr<test::TempDir> s_dir;
    static std::map<std::string, std::vector<std::uint8_t>> s_reference;
};
std::unique_ptr<test::TempDir> Clips::s_dir;
std::map<std::string, std::vector<std::uint8_t>> Clips::s_reference;

TEST_F(Clips, StreamTableOfEachCodec) {
    const std::map<std::string, std::uint32_t> handlers = {{"mjpeg", fourCc('M', 'J', 'P', 'G')},
                                                           {"mpeg4", fourCc('F', 'M', 'P', '4')},
                                                           {"cinepak", fourCc('c', 'v', 'i', 'd')},
                                                           {"msvideo1", fourCc('M', 'S', 'V', 'C')}};
    for (const char* codec : {"mjpeg", "mpeg4", "rawvideo", "cinepak", "msvideo1"}) {
        std::uint32_t error = 0;
        const auto file = VideoFile::open(clip(codec), error);
        ASSERT_TRUE(file) << codec << " " << std::hex << error;
        ASSERT_EQ(file->streamCount(), 1);
        const VideoStreamInfo& s = file->stream(0);
        EXPECT_EQ(s.type, kStreamVideo);
        EXPECT_EQ(s.start, 0);
        EXPECT_EQ(s.length, kFrames) << codec;
        EXPECT_EQ(s.rate / s.scale, 25u);
        EXPECT_EQ(s.width, kWidth);
        EXPECT_EQ(s.height, kHeight);
        EXPECT_EQ(s.frameBytes, 40u + video::rowBytes(kWidth) * kHeight);
        EXPECT_EQ(s.frameToMs(25), 1000);
        if (const auto h = handlers.find(codec); h != handlers.end()) {
            EXPECT_EQ(s.compression, h->second) << codec;
        } else {
            EXPECT_EQ(s.compression, 0u);
        }
    }
}

TEST_F(Clips, FramesMatchTheToolsDecodeInAnyOrder) {
    for (const char* codec : {"mjpeg", "mpeg4", "rawvideo", "cinepak", "msvideo1"}) {
        std::uint32_t error = 0;
        const auto file = VideoFile::open(clip(codec), error);
        ASSERT_TRUE(file);
        const auto reader = file->openFrameReader(0, error);
        ASSERT_TRUE(reader) << codec;
        // Sequential, then backwards, then a jump forwards past a key frame, then the same again.
        std::vector<int> order;
        for (int n = 0; n < kFrames; ++n) {
            order.push_back(n);
        }
        for (const int n : {17, 3, 2, 29, 11, 12, 12, 0, 25}) {
            order.push_back(n);
        }
        const int tolerance = std::string(codec) == "rawvideo" ? 0 : 2;
        for (const int n : order) {
            const auto frame = reader->frame(n);
            ASSERT_EQ(frame.size(), 40u + video::rowBytes(kWidth) * kHeight) << codec << " frame " << n;
            EXPECT_EQ(frame[0], 40);
            EXPECT_EQ(frame[14], 24);
            EXPECT_LE(difference(codec, frame, n), tolerance) << codec << " frame " << n;
            EXPECT_GT(reader->lastFrameBytes(), 0);
        }
        EXPECT_TRUE(reader->frame(kFrames).empty()); // one past the end
        EXPECT_TRUE(reader->frame(-1).empty());
        EXPECT_FALSE(reader->frame(5).empty()); // and it recovers
    }
}

TEST_F(Clips, FilesWithSoundAndFailures) {
    const auto path = s_dir->path() / "with-sound.avi";
    ASSERT_TRUE(test::runTool("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=size=32x24:rate=10 -f lavfi -i "
                              "sine=frequency=440:sample_rate=22050 -t 1 -c:v mjpeg -c:a pcm_s16le '" +
                              path.string() + "'"));
    std::uint32_t error = 0;
    const auto file = VideoFile::open(path, error);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->streamCount(), 2);
    EXPECT_EQ(file->stream(0).type, kStreamVideo);
    EXPECT_EQ(file->stream(1).type, kStreamAudio);
    EXPECT_FALSE(file->openFrameReader(1, error)); // not a video stream
    EXPECT_FALSE(file->openFrameReader(7, error));

    EXPECT_FALSE(VideoFile::open(s_dir->path() / "missing.avi", error));
    EXPECT_EQ(error, VideoError::kNotFound);
    EXPECT_FALSE(VideoFile::open(s_dir->path(), error)); // a folder
    EXPECT_EQ(error, VideoError::kOpenError);
    const auto text = s_dir->path() / "text.avi";
    std::ofstream(text) << "this is not a clip at all";
    EXPECT_FALSE(VideoFile::open(text, error));
    EXPECT_EQ(error, VideoError::kBadFormat);
}

TEST_F(Clips, TruncatedAndDamagedClipsNeverCrash) {
    std::ifstream in(clip("mpeg4"), std::ios::binary);
    const std::vector<std::uint8_t> whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::mt19937 random(5);
    int opened = 0;
    for (int i = 0; i < 60; ++i) {
        auto bytes = std::make_shared<std::vector<std::uint8_t>>(whole);
        if (i % 2 == 0) {
            bytes->resize(random() % whole.size());
        } else {
            for (int k = 0; k < 20; ++k) {
                (*bytes)[random() % bytes->size()] = static_cast<std::uint8_t>(random());
            }
        }
        std::uint32_t error = 0;
        const auto file = VideoFile::openBytes(bytes, error);
        if (!file) {
            EXPECT_NE(error, 0u);
            continue;
        }
        ++opened;
        for (int s = 0; s < file->streamCount(); ++s) {
            if (const auto reader = file->openFrameReader(s, error)) {
                for (const int n : {0, 1, 2, 20, 5, 29, 30}) {
                    const auto frame = reader->frame(n);
                    if (!frame.empty()) {
                        EXPECT_EQ(frame[0], 40);
                    }
                }
            }
        }
    }
    EXPECT_GT(opened, 0);
}

} // namespace
} // namespace tonwerk::platform
