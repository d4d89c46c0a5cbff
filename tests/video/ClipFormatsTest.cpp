#include "ClipMaker.h"
#include "platform/VideoFile.h"
#include "support/TempDir.h"
#include "video/FrameBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tonwerk::platform {
namespace {

// Every frame the ffmpeg tool's decoder gives, in order, none repeated or dropped for timing:
// top-down rows of width × 3 blue-green-red bytes.
std::vector<std::uint8_t> decodedFrames(const std::filesystem::path& clip, const std::filesystem::path& scratch) {
    const std::filesystem::path raw = scratch / (clip.filename().string() + ".frames");
    if (!test::runTool("ffmpeg -nostdin -y -loglevel error -i '" + clip.string() +
                       "' -fps_mode passthrough -f rawvideo -pix_fmt bgr24 '" + raw.string() + "'")) {
        return {};
    }
    std::ifstream in(raw, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Largest byte difference between our bottom-up frame and the tool's frame n.
int difference(std::span<const std::uint8_t> ours, const std::vector<std::uint8_t>& tool, int n, int width,
               int height) {
    const std::size_t stride = video::rowBytes(width);
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 3;
    int worst = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* a = ours.data() + 40 + stride * static_cast<std::size_t>(height - 1 - y);
        const std::uint8_t* b = tool.data() + static_cast<std::size_t>(n) * frameBytes +
                                static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
        for (int i = 0; i < width * 3; ++i) {
            worst = std::max(worst, std::abs(a[i] - b[i]));
        }
    }
    return worst;
}

// Opens `clip`, checks its stream says `frames` frames from 0, and compares frames read in
// sequence, then out of order, with the tool's decode.
void expectSameFrames(const std::filesystem::path& clip, const std::filesystem::path& scratch, int width, int height,
                      int frames, int tolerance) {
    const std::string name = clip.filename().string();
    const std::vector<std::uint8_t> tool = decodedFrames(clip, scratch);
    ASSERT_EQ(tool.size(), static_cast<std::size_t>(width) * height * 3 * static_cast<std::size_t>(frames)) << name;
    std::uint32_t error = 0;
    const auto file = VideoFile::open(clip, error);
    ASSERT_TRUE(file) << name << " " << std::hex << error;
    ASSERT_GE(file->streamCount(), 1) << name;
    const VideoStreamInfo& info = file->stream(0);
    EXPECT_EQ(info.start, 0) << name;
    EXPECT_EQ(info.length, frames) << name;
    EXPECT_EQ(info.width, width) << name;
    const auto reader = file->openFrameReader(0, error);
    ASSERT_TRUE(reader) << name;
    std::vector<int> order;
    for (int n = 0; n < frames; ++n) {
        order.push_back(n);
    }
    for (const int n : {frames - 1, 3, 0, frames / 2, 1, frames - 2}) {
        order.push_back(std::clamp(n, 0, frames - 1));
    }
    for (const int n : order) {
        const auto frame = reader->frame(n);
        ASSERT_EQ(frame.size(), 40u + video::rowBytes(width) * static_cast<std::size_t>(height))
            << name << " frame " << n;
        EXPECT_LE(difference(frame, tool, n, width, height), tolerance) << name << " frame " << n;
    }
    EXPECT_TRUE(reader->frame(frames).empty()) << name;
}

// The scaler writes whole aligned blocks: every width from 1 to 64 and the widths seen to overrun
// the picture, in codecs with different pixel formats. The sanitizer build catches a write past
// the picture; the pictures must match the tool's decode.
TEST(ClipFormats, EveryWidthDecodesInsideItsPicture) {
    test::TempDir dir;
    std::vector<std::pair<std::string, int>> clips;
    for (int width = 1; width <= 64; ++width) {
        clips.emplace_back("mjpeg", width);
        if (width % 8 == 1 || width % 8 == 6) {
            clips.emplace_back("mpeg4", width);
            clips.emplace_back("rawvideo", width);
        }
    }
    for (const int width : {360, 584, 600}) {
        clips.emplace_back("mjpeg", width);
        clips.emplace_back("mpeg4", width);
    }
    for (const auto& [codec, width] : clips) {
        const int height = width > 64 ? width * 3 / 4 : 6;
        const auto path = dir / (codec + "-" + std::to_string(width) + ".avi");
        ASSERT_TRUE(test::makeClip(path, codec, width, height, 2)) << codec << " " << width;
        expectSameFrames(path, dir.path(), width, height, 2, codec == "rawvideo" ? 0 : 2);
    }
    // The clip that aborted the program: MPEG-2 in a program stream, 600 × 450.
    const auto program = dir / "wide.mpg";
    ASSERT_TRUE(test::runTool("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=size=600x450:rate=25 "
                              "-frames:v 6 -c:v mpeg2video '" +
                              program.string() + "'"));
    expectSameFrames(program, dir.path(), 600, 450, 6, 2);
}

// Containers that do not say how many frames they hold, or whose video starts later than 0: the
// frames are counted at open and frame n is the n-th frame the decoder gives.
TEST(ClipFormats, FramesAreCountedAndNumberedFromZeroInEveryContainer) {
    test::TempDir dir;
    struct Case {
        const char* file;
        const char* arguments;
    };
    const Case cases[] = {
        {"mpeg1.m1v", "-c:v mpeg1video -bf 2"},   {"mpeg2.m2v", "-c:v mpeg2video -bf 2"},
        {"program.mpg", "-c:v mpeg2video -bf 2"}, {"late.mpg", "-c:v mpeg2video -bf 2 -output_ts_offset 0.54"},
        {"mpeg4.mkv", "-c:v mpeg4 -bf 2 -g 12"},  {"vp8.webm", "-c:v libvpx -b:v 400k -g 12"},
        {"h264.mp4", "-c:v libx264 -bf 2 -g 12"}, {"mpeg4.mp4", "-c:v mpeg4 -bf 2 -g 12"},
    };
    constexpr int kFrames = 40;
    for (const Case& c : cases) {
        const auto path = dir / c.file;
        if (!test::runTool("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=size=96x64:rate=25 -frames:v " +
                           std::to_string(kFrames) + " " + c.arguments + " '" + path.string() + "'")) {
            ADD_FAILURE() << "the ffmpeg tool could not write " << c.file;
            continue;
        }
        expectSameFrames(path, dir.path(), 96, 64, kFrames, 2);
    }
}

} // namespace
} // namespace tonwerk::platform
