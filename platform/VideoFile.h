#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tonwerk::platform {

// Result codes of the video-file services, the codes the program's messages are keyed by.
namespace VideoError {
inline constexpr std::uint32_t kOk = 0;
inline constexpr std::uint32_t kNoHandler = 0x80040154;      // no decoder for the stream
inline constexpr std::uint32_t kBadFormat = 0x80044066;      // wrong format or damaged
inline constexpr std::uint32_t kNoMemory = 0x80044067;       // not enough memory
inline constexpr std::uint32_t kReadError = 0x8004406D;      // disc error while reading
inline constexpr std::uint32_t kOpenError = 0x8004406F;      // disc error while opening
inline constexpr std::uint32_t kBufferTooSmall = 0x80044074; // a frame too large for its buffer
inline constexpr std::uint32_t kNotFound = 0x80030002;       // no such file (the caller's probe)
} // namespace VideoError

// Four-character codes as little-endian words ("vids" is 'v' in the low byte).
[[nodiscard]] constexpr std::uint32_t fourCc(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}
inline constexpr std::uint32_t kStreamVideo = fourCc('v', 'i', 'd', 's');
inline constexpr std::uint32_t kStreamAudio = fourCc('a', 'u', 'd', 's');
inline constexpr std::uint32_t kStreamText = fourCc('t', 'x', 't', 's');

// What a file says about one of its streams. Frame numbers count from `start` at rate/scale
// frames a second.
struct VideoStreamInfo {
    std::uint32_t type = 0;    // kStreamVideo, kStreamAudio, kStreamText or 0
    std::uint32_t handler = 0; // the codec's four-character code, 0 for uncompressed or none
    std::int32_t start = 0;    // first frame
    std::int32_t length = 0;   // frames (0 when unknown or empty)
    std::uint32_t rate = 0;
    std::uint32_t scale = 1;
    std::uint32_t frameBytes = 0; // bytes of one decoded 24-bit frame with its header (video)
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitCount = 0;     // bits per pixel of the stored frames (video)
    std::uint32_t compression = 0; // four-character code of the stored frames, 0 = uncompressed
    bool decodable = false;        // a decoder exists for it

    // Milliseconds from the first frame to frame `frame`.
    [[nodiscard]] std::int64_t frameToMs(std::int64_t frame) const;
};

class FrameReader;

// An opened video file (AVI or any container FFmpeg reads) and its streams. Opening reads the
// headers only. Any thread, one at a time; readers are independent of each other.
class VideoFile {
public:
    // Opens `path`; on failure returns null and sets `error` (VideoError).
    static std::unique_ptr<VideoFile> open(const std::filesystem::path& path, std::uint32_t& error);
    // The same over bytes in memory (tests, fuzzing).
    static std::unique_ptr<VideoFile> openBytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes,
                                                std::uint32_t& error);
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    [[nodiscard]] int streamCount() const { return static_cast<int>(m_streams.size()); }
    [[nodiscard]] const VideoStreamInfo& stream(int index) const {
        return m_streams.at(static_cast<std::size_t>(index));
    }

    // A decoding reader for video stream `index`; null with `error` when it has no decoder or is
    // not a video stream.
    [[nodiscard]] std::unique_ptr<FrameReader> openFrameReader(int index, std::uint32_t& error) const;

    struct Source;

private:
    VideoFile() = default;
    // Reads the stream list of an opened source; null (with `error`) when it is no clip.
    static std::unique_ptr<VideoFile> fromSource(std::shared_ptr<Source> source, std::uint32_t& error);
    std::shared_ptr<const Source> m_source;
    std::vector<VideoStreamInfo> m_streams;
    std::vector<std::int64_t> m_firstPts; // each stream's frame 0, in its time base
    std::vector<char> m_sequential;       // frames numbered by their order (no reliable timestamps)
};

// Decodes frames of one video stream into 24-bit bottom-up blue-green-red bitmaps behind a
// 40-byte header. Reading frame after frame decodes sequentially; a frame out of sequence seeks to
// the key frame before it. Owns its own demuxer, so readers of one file do not disturb each other.
// One thread at a time; frame() may take a few milliseconds and never allocates after the first
// frame of a given size.
class FrameReader {
public:
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Frame `n` (a frame number of the stream), or an empty span when it cannot be decoded (past
    // the end, damaged). The bytes stay valid until the next call.
    std::span<const std::uint8_t> frame(std::int64_t n);
    // Stored size in bytes of the frame returned last (its packet), 0 when none.
    [[nodiscard]] std::int64_t lastFrameBytes() const { return m_lastPacketBytes; }

    struct Decoder;

private:
    friend class VideoFile;
    FrameReader() = default;
    std::unique_ptr<Decoder> m_decoder;
    std::int64_t m_lastPacketBytes = 0;
};

} // namespace tonwerk::platform
