#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tonwerk::test {

// Test clips made with the ffmpeg tool from its test pattern, and the tool's own decode of them.
// Empty results when the tool is missing or fails.
inline bool runTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// A clip of `frames` frames of width × height at 25 frames a second in `codec` ("mjpeg", "mpeg4",
// "rawvideo", "cinepak", "msvideo1"); `extra` is added to the encoder's arguments.
inline bool makeClip(const std::filesystem::path& out, const std::string& codec, int width, int height, int frames,
                     const std::string& extra = {}) {
    std::string pixelFormat;
    if (codec == "rawvideo") {
        pixelFormat = " -pix_fmt bgr24";
    } else if (codec == "msvideo1") {
        pixelFormat = " -pix_fmt rgb555le";
    } else if (codec == "cinepak") {
        pixelFormat = " -pix_fmt rgb24";
    }
    return runTool("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=size=" + std::to_string(width) + "x" +
                   std::to_string(height) + ":rate=25 -frames:v " + std::to_string(frames) + " -c:v " + codec +
                   pixelFormat + " " + extra + " '" + out.string() + "'");
}

// Every frame of `clip` as the tool decodes it: top-down rows of width × 3 blue-green-red bytes.
inline std::vector<std::uint8_t> toolDecode(const std::filesystem::path& clip, const std::filesystem::path& scratch) {
    const std::filesystem::path raw = scratch / (clip.filename().string() + ".bgr");
    if (!runTool("ffmpeg -nostdin -y -loglevel error -i '" + clip.string() + "' -f rawvideo -pix_fmt bgr24 '" +
                 raw.string() + "'")) {
        return {};
    }
    std::ifstream in(raw, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace tonwerk::test
