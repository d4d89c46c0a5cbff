#include "VideoFile.h"

#include "BitmapLayout.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace tonwerk::platform {

namespace {

// Largest picture a reader decodes: beyond this a damaged header would make the conversion
// buffers absurd.
constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;
// Packets one frame request may read before it gives up: a damaged file must not hold the
// renderer for long.
constexpr int kMaxPacketsPerFrame = 4096;
// A forward jump of up to this many frames decodes on instead of seeking.
constexpr std::int64_t kMaxDecodeAhead = 48;
constexpr int kIoBufferBytes = 64 * 1024;

void quietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::uint32_t errorOf(int averror, bool opening) {
    if (averror == AVERROR(ENOENT)) {
        return VideoError::kNotFound;
    }
    if (averror == AVERROR(ENOMEM)) {
        return VideoError::kNoMemory;
    }
    if (averror == AVERROR(EIO) || averror == AVERROR(EACCES) || averror == AVERROR(EISDIR)) {
        return opening ? VideoError::kOpenError : VideoError::kReadError;
    }
    if (averror == AVERROR_DECODER_NOT_FOUND) {
        return VideoError::kNoHandler;
    }
    return VideoError::kBadFormat;
}

// Bytes in memory as FFmpeg input.
struct MemoryInput {
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    std::int64_t position = 0;

    static int read(void* opaque, std::uint8_t* buffer, int size) {
        auto* in = static_cast<MemoryInput*>(opaque);
        const auto total = static_cast<std::int64_t>(in->bytes->size());
        const std::int64_t left = total - in->position;
        if (left <= 0) {
            return AVERROR_EOF;
        }
        const int n = static_cast<int>(std::min<std::int64_t>(left, size));
        std::memcpy(buffer, in->bytes->data() + in->position, static_cast<std::size_t>(n));
        in->position += n;
        return n;
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
        auto* in = static_cast<MemoryInput*>(opaque);
        const auto total = static_cast<std::int64_t>(in->bytes->size());
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return total;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += in->position;
            break;
        case SEEK_END:
            offset += total;
            break;
        default:
            return -1;
        }
        if (offset < 0 || offset > total) {
            return -1;
        }
        in->position = offset;
        return offset;
    }
};

// One demuxer over the file's source, closed with everything it opened.
struct Demuxer {
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    MemoryInput memory;

    Demuxer() = default;
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;
    ~Demuxer() {
        avformat_close_input(&format);
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

AVRational frameRateOf(const AVStream* st) {
    AVRational r = st->avg_frame_rate;
    if (r.num <= 0 || r.den <= 0) {
        r = st->r_frame_rate;
    }
    if (r.num <= 0 || r.den <= 0) {
        r = av_inv_q(st->time_base);
    }
    if (r.num <= 0 || r.den <= 0) {
        r = AVRational{25, 1};
    }
    return r;
}

} // namespace

struct VideoFile::Source {
    std::filesystem::path path;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;

    // Opens a demuxer and reads the stream headers; 0 or an AVERROR.
    int openDemuxer(Demuxer& d) const {
        quietLibraries();
        d.format = avformat_alloc_context();
        if (d.format == nullptr) {
            return AVERROR(ENOMEM);
        }
        if (bytes) {
            d.memory.bytes = bytes;
            auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
            if (buffer == nullptr) {
                return AVERROR(ENOMEM);
            }
            d.io = avio_alloc_context(buffer, kIoBufferBytes, 0, &d.memory, &MemoryInput::read, nullptr,
                                      &MemoryInput::seek);
            if (d.io == nullptr) {
                av_free(buffer);
                return AVERROR(ENOMEM);
            }
            d.format->pb = d.io;
            d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
        }
        const std::string name = bytes ? std::string() : path.string();
        int result = avformat_open_input(&d.format, name.c_str(), nullptr, nullptr);
        if (result < 0) {
            return result; // the context is freed by the failed open
        }
        result = avformat_find_stream_info(d.format, nullptr);
        return result < 0 ? result : 0;
    }
};

std::int64_t VideoStreamInfo::frameToMs(std::int64_t frame) const {
    if (rate == 0) {
        return 0;
    }
    return (frame - start) * 1000 * static_cast<std::int64_t>(scale) / rate;
}

namespace {

// Where a container does not say how many frames a video stream has (MPEG elementary and program
// streams, Matroska, WebM), they are counted once by reading the stream's packets without decoding
// them (a parser gives one picture a packet); the earliest timestamp among them is frame 0.
//
// Where some packets carry no presentation time (MPEG elementary streams), the timestamps the
// decoder is left with are guesses, and MPEG program streams seek by time only roughly: frames are
// then numbered by the order the decoder gives them, and going back restarts the stream.
void countFrames(Demuxer& d, std::vector<VideoStreamInfo>& streams, std::vector<std::int64_t>& firstPts,
                 std::vector<char>& sequential) {
    constexpr std::int64_t kMaxCountedFrames = 1'000'000;
    bool wanted = false;
    for (unsigned i = 0; i < d.format->nb_streams; ++i) {
        const bool count = streams[i].type == kStreamVideo && streams[i].length == 0;
        d.format->streams[i]->discard = count ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        wanted = wanted || count;
    }
    if (!wanted) {
        return;
    }
    std::vector<std::int64_t> counts(d.format->nb_streams, 0);
    std::vector<std::int64_t> untimed(d.format->nb_streams, 0);
    std::vector<std::int64_t> earliest(d.format->nb_streams, AV_NOPTS_VALUE);
    AVPacket* packet = av_packet_alloc();
    if (packet == nullptr) {
        return;
    }
    std::int64_t total = 0;
    while (total < kMaxCountedFrames && av_read_frame(d.format, packet) >= 0) {
        const auto i = static_cast<std::size_t>(packet->stream_index);
        if (i < counts.size() && d.format->streams[i]->discard != AVDISCARD_ALL && packet->size > 0) {
            ++counts[i];
            ++total;
            untimed[i] += packet->pts == AV_NOPTS_VALUE ? 1 : 0;
            const std::int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (t != AV_NOPTS_VALUE && (earliest[i] == AV_NOPTS_VALUE || t < earliest[i])) {
                earliest[i] = t;
            }
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (d.format->streams[i]->discard == AVDISCARD_ALL) {
            continue;
        }
        streams[i].length = static_cast<std::int32_t>(std::min<std::int64_t>(counts[i], INT32_MAX));
        if (earliest[i] != AV_NOPTS_VALUE) {
            firstPts[i] = earliest[i];
        }
        // MPEG program and transport streams seek by time only roughly: their frames too.
        const bool roughSeeking = (d.format->iformat->flags & AVFMT_TS_DISCONT) != 0;
        sequential[i] = untimed[i] > 0 || roughSeeking ? 1 : 0;
    }
}

// Reads the stream table of a source; 0 or an AVERROR.
int readStreams(const VideoFile::Source& source, std::vector<VideoStreamInfo>& streams,
                std::vector<std::int64_t>& firstPts, std::vector<char>& sequential) {
    Demuxer d;
    if (const int result = source.openDemuxer(d); result < 0) {
        return result;
    }
    for (unsigned i = 0; i < d.format->nb_streams; ++i) {
        const AVStream* st = d.format->streams[i];
        const AVCodecParameters* par = st->codecpar;
        VideoStreamInfo info;
        switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            info.type = kStreamVideo;
            break;
        case AVMEDIA_TYPE_AUDIO:
            info.type = kStreamAudio;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            info.type = kStreamText;
            break;
        default:
            break;
        }
        info.decodable = avcodec_find_decoder(par->codec_id) != nullptr;
        if (info.type == kStreamVideo) {
            const AVRational fps = frameRateOf(st);
            info.rate = static_cast<std::uint32_t>(fps.num);
            info.scale = static_cast<std::uint32_t>(fps.den);
            // A clip's frames are numbered from 0, wherever its stream starts in time.
            info.start = 0;
            info.length = static_cast<std::int32_t>(std::clamp<std::int64_t>(st->nb_frames, 0, INT32_MAX));
            info.handler = par->codec_tag;
            info.compression = par->codec_id == AV_CODEC_ID_RAWVIDEO ? 0 : par->codec_tag;
            info.width = par->width;
            info.height = par->height;
            info.bitCount = par->bits_per_coded_sample > 0 ? par->bits_per_coded_sample : 24;
            if (par->width > 0 && par->height > 0 && par->width <= kMaxPictureSide && par->height <= kMaxPictureSide) {
                info.frameBytes = static_cast<std::uint32_t>(
                    kBitmapHeaderBytes + rowBytes(par->width) * static_cast<std::size_t>(par->height));
            }
        } else {
            info.rate = static_cast<std::uint32_t>(std::max(0, st->time_base.den));
            info.scale = static_cast<std::uint32_t>(std::max(1, st->time_base.num));
            std::int64_t length = st->nb_frames;
            if (length <= 0 && st->duration != AV_NOPTS_VALUE) {
                length = st->duration;
            }
            if (length <= 0 && d.format->duration > 0 && st->time_base.num > 0) {
                length = av_rescale_q(d.format->duration, AV_TIME_BASE_Q, st->time_base);
            }
            info.length = static_cast<std::int32_t>(std::clamp<std::int64_t>(length, 0, INT32_MAX));
        }
        streams.push_back(info);
        firstPts.push_back(st->start_time != AV_NOPTS_VALUE ? st->start_time : 0);
        sequential.push_back(0);
    }
    countFrames(d, streams, firstPts, sequential);
    return 0;
}

} // namespace

std::unique_ptr<VideoFile> VideoFile::open(const std::filesystem::path& path, std::uint32_t& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = std::filesystem::exists(path, ec) ? VideoError::kOpenError : VideoError::kNotFound;
        return nullptr;
    }
    auto source = std::make_shared<Source>();
    source->path = path;
    return fromSource(std::move(source), error);
}

std::unique_ptr<VideoFile> VideoFile::openBytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes,
                                                std::uint32_t& error) {
    if (!bytes) {
        error = VideoError::kBadFormat;
        return nullptr;
    }
    auto source = std::make_shared<Source>();
    source->bytes = std::move(bytes);
    return fromSource(std::move(source), error);
}

std::unique_ptr<VideoFile> VideoFile::fromSource(std::shared_ptr<Source> source, std::uint32_t& error) {
    std::unique_ptr<VideoFile> file(new VideoFile());
    if (const int result = readStreams(*source, file->m_streams, file->m_firstPts, file->m_sequential); result < 0) {
        error = errorOf(result, true);
        return nullptr;
    }
    error = VideoError::kOk;
    file->m_source = std::move(source);
    return file;
}

VideoFile::~VideoFile() = default;

struct FrameReader::Decoder {
    Demuxer demuxer;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    SwsContext* scaler = nullptr;
    int streamIndex = -1;
    AVRational timeBase{1, 1};
    AVRational frameBase{1, 25};
    std::int64_t startPts = 0;
    bool sequential = false;       // frames numbered in the order they come out (no reliable timestamps)
    std::int64_t current = -1;     // frame number held in `picture`, -1 when none
    std::int64_t lastDecoded = -1; // frame number the decoder delivered last
    bool atEnd = false;
    std::vector<std::uint8_t> picture;
    std::vector<std::uint8_t> scratch; // the scaler's own top-down picture, padded
    std::int64_t pictureBytes = 0;     // packet size of the held frame
    std::int64_t lastPacketBytes = 0;
    int width = 0;
    int height = 0;

    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() {
        sws_freeContext(scaler);
        av_frame_free(&decoded);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }

    std::int64_t frameNumberOf(const AVFrame* f) const {
        if (sequential) {
            return lastDecoded + 1;
        }
        std::int64_t pts = f->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) {
            pts = f->pts;
        }
        if (pts == AV_NOPTS_VALUE) {
            return lastDecoded + 1;
        }
        return av_rescale_q_rnd(pts - startPts, timeBase, frameBase,
                                static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    }

    // Converts the decoded frame into `picture` (header + bottom-up BGR rows). The scaler writes
    // whole blocks of pixels, past the end of a row, and converts only the blocks that fit the
    // stride; so it writes into a scratch picture of padded rows and the rows are copied out.
    bool convert() {
        const int w = decoded->width;
        const int h = decoded->height;
        if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide ||
            static_cast<std::int64_t>(w) * h > kMaxPixels) {
            return false;
        }
        const std::size_t row = rowBytes(w);
        scaler = sws_getCachedContext(scaler, w, h, static_cast<AVPixelFormat>(decoded->format), w, h, AV_PIX_FMT_BGR24,
                                      SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (scaler == nullptr) {
            return false;
        }
        // The fast converters work in blocks of 8 or 16 pixels and convert only the whole blocks that
        // fit the row's stride: the scratch rows hold whole blocks, 64-byte aligned.
        constexpr std::size_t kAlign = 64;
        const std::size_t blockPixels = (static_cast<std::size_t>(w) + 15) / 16 * 16;
        const std::size_t stride = (blockPixels * 3 + kAlign - 1) / kAlign * kAlign;
        scratch.resize(stride * static_cast<std::size_t>(h) + kAlign);
        std::uint8_t* dst[4] = {scratch.data(), nullptr, nullptr, nullptr};
        const int dstStride[4] = {static_cast<int>(stride), 0, 0, 0};
        if (sws_scale(scaler, decoded->data, decoded->linesize, 0, h, dst, dstStride) != h) {
            return false;
        }
        picture.resize(kBitmapHeaderBytes + row * static_cast<std::size_t>(h));
        writeBitmapHeader(std::span<std::uint8_t, kBitmapHeaderBytes>(picture.data(), kBitmapHeaderBytes), w, h);
        // Bottom-up: the first line of the picture goes to the last memory row; the row padding
        // of the bitmap is zero.
        for (int y = 0; y < h; ++y) {
            std::uint8_t* to = picture.data() + kBitmapHeaderBytes + row * static_cast<std::size_t>(h - 1 - y);
            std::memcpy(to, scratch.data() + stride * static_cast<std::size_t>(y), static_cast<std::size_t>(w) * 3);
            std::memset(to + static_cast<std::size_t>(w) * 3, 0, row - static_cast<std::size_t>(w) * 3);
        }
        width = w;
        height = h;
        return true;
    }

    // Decodes on until a frame numbered `n` or later comes out; true when it was converted.
    bool decodeUntil(std::int64_t n) {
        for (int packets = 0; packets < kMaxPacketsPerFrame;) {
            const int received = avcodec_receive_frame(codec, decoded);
            if (received == 0) {
                const std::int64_t number = frameNumberOf(decoded);
                lastDecoded = number;
                if (number >= n) {
                    const bool ok = convert();
                    av_frame_unref(decoded);
                    if (!ok) {
                        return false;
                    }
                    current = n;
                    pictureBytes = lastPacketBytes;
                    return true;
                }
                av_frame_unref(decoded);
                continue;
            }
            if (received == AVERROR_EOF) {
                atEnd = true;
                return false;
            }
            if (received != AVERROR(EAGAIN)) {
                return false;
            }
            // The decoder wants input.
            const int read = av_read_frame(demuxer.format, packet);
            ++packets;
            if (read < 0) {
                avcodec_send_packet(codec, nullptr); // drain what is left
                continue;
            }
            if (packet->stream_index == streamIndex) {
                lastPacketBytes = packet->size;
                const int sent = avcodec_send_packet(codec, packet);
                if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                    av_packet_unref(packet);
                    return false;
                }
            }
            av_packet_unref(packet);
        }
        return false;
    }

    bool seekTo(std::int64_t n) {
        if (sequential) {
            // Back to the start of the stream; the frames are counted again from there.
            if (av_seek_frame(demuxer.format, -1, 0, AVSEEK_FLAG_BYTE) < 0) {
                return false;
            }
            avcodec_flush_buffers(codec);
            lastDecoded = -1;
            atEnd = false;
            return true;
        }
        const std::int64_t target = startPts + av_rescale_q(n, frameBase, timeBase);
        if (av_seek_frame(demuxer.format, streamIndex, target, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(demuxer.format, streamIndex, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0) {
            return false;
        }
        avcodec_flush_buffers(codec);
        lastDecoded = -1;
        atEnd = false;
        return true;
    }
};

FrameReader::~FrameReader() = default;

std::unique_ptr<FrameReader> VideoFile::openFrameReader(int index, std::uint32_t& error) const {
    if (index < 0 || index >= streamCount() || m_streams[static_cast<std::size_t>(index)].type != kStreamVideo) {
        error = VideoError::kNoHandler;
        return nullptr;
    }
    auto decoder = std::make_unique<FrameReader::Decoder>();
    if (const int result = m_source->openDemuxer(decoder->demuxer); result < 0) {
        error = errorOf(result, true);
        return nullptr;
    }
    AVFormatContext* format = decoder->demuxer.format;
    if (index >= static_cast<int>(format->nb_streams)) {
        error = VideoError::kBadFormat;
        return nullptr;
    }
    const AVStream* st = format->streams[index];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (codec == nullptr) {
        error = VideoError::kNoHandler;
        return nullptr;
    }
    decoder->codec = avcodec_alloc_context3(codec);
    decoder->packet = av_packet_alloc();
    decoder->decoded = av_frame_alloc();
    if (decoder->codec == nullptr || decoder->packet == nullptr || decoder->decoded == nullptr) {
        error = VideoError::kNoMemory;
        return nullptr;
    }
    if (avcodec_parameters_to_context(decoder->codec, st->codecpar) < 0) {
        error = VideoError::kBadFormat;
        return nullptr;
    }
    decoder->codec->thread_count = 1; // the renderer has its own thread; decoding stays on it
    if (const int opened = avcodec_open2(decoder->codec, codec, nullptr); opened < 0) {
        error = errorOf(opened, true);
        return nullptr;
    }
    // Only this stream's packets are wanted.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        format->streams[i]->discard = static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    decoder->streamIndex = index;
    decoder->timeBase = st->time_base;
    decoder->frameBase = av_inv_q(frameRateOf(st));
    decoder->startPts = m_firstPts[static_cast<std::size_t>(index)];
    decoder->sequential = m_sequential[static_cast<std::size_t>(index)] != 0;
    std::unique_ptr<FrameReader> reader(new FrameReader());
    reader->m_decoder = std::move(decoder);
    error = VideoError::kOk;
    return reader;
}

std::span<const std::uint8_t> FrameReader::frame(std::int64_t n) {
    Decoder& d = *m_decoder;
    if (n < 0) {
        return {};
    }
    if (n == d.current && !d.picture.empty()) {
        m_lastPacketBytes = d.pictureBytes;
        return d.picture;
    }
    // Forward by decoding when near (or when there is no other way), else by seeking.
    const bool inSequence = n > d.lastDecoded && (d.sequential || n - d.lastDecoded <= kMaxDecodeAhead) && !d.atEnd;
    if (!inSequence && !d.seekTo(n)) {
        return {};
    }
    if (!d.decodeUntil(n)) {
        d.current = -1;
        m_lastPacketBytes = 0;
        return {};
    }
    m_lastPacketBytes = d.pictureBytes;
    return d.picture;
}

} // namespace tonwerk::platform
