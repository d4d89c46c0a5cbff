// Clips from hostile bytes: opening, listing the streams and decoding frames in and out of order
// through FFmpeg never crashes or hangs, and every frame given out is a plain 24-bit picture
// that the renderer can scale.
#include "platform/VideoFile.h"
#include "video/FrameBuffer.h"
#include "video/FrameMixer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(data, data + size);
    std::uint32_t error = 0;
    const auto file = tonwerk::platform::VideoFile::openBytes(bytes, error);
    if (!file) {
        return 0;
    }
    tonwerk::video::FrameBuffer layer(17, 11);
    for (int s = 0; s < file->streamCount() && s < 4; ++s) {
        const auto reader = file->openFrameReader(s, error);
        if (!reader) {
            continue;
        }
        const std::int32_t start = file->stream(s).start;
        for (const int n : {0, 1, 5, 2, 0}) {
            const auto frame = reader->frame(start + n);
            if (!frame.empty() && (frame.size() < 40 || frame[14] != 24)) {
                std::abort();
            }
            if (!frame.empty()) {
                tonwerk::video::scaleFrameInto(frame, layer, {0, 0, 17, 11});
            }
        }
    }
    return 0;
}
