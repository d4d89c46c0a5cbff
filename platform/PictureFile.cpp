#include "PictureFile.h"

#include "BitmapLayout.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace tonwerk::platform {

namespace {

struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

} // namespace

Status writePng(const std::filesystem::path& path, std::span<const std::uint8_t> pixels, int width, int height) {
    const std::size_t stride = rowBytes(width);
    if (width <= 0 || height <= 0 || pixels.size() < stride * static_cast<std::size_t>(height)) {
        return Status::failure(path.string() + ": no picture to write");
    }
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (codec == nullptr) {
        return Status::failure(path.string() + ": no PNG encoder");
    }
    std::unique_ptr<AVCodecContext, CodecDeleter> context(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, CodecDeleter> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, CodecDeleter> packet(av_packet_alloc());
    if (!context || !frame || !packet) {
        return Status::failure(path.string() + ": out of memory");
    }
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 25};
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        return Status::failure(path.string() + ": the PNG encoder did not open");
    }
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_RGB24;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        return Status::failure(path.string() + ": out of memory");
    }
    // Top-down red-green-blue for the encoder.
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = pixels.data() + stride * static_cast<std::size_t>(height - 1 - y);
        std::uint8_t* out = frame->data[0] + static_cast<std::ptrdiff_t>(frame->linesize[0]) * y;
        for (int x = 0; x < width; ++x) {
            const std::ptrdiff_t at = std::ptrdiff_t{3} * x;
            out[at] = in[at + 2];
            out[at + 1] = in[at + 1];
            out[at + 2] = in[at];
        }
    }
    if (avcodec_send_frame(context.get(), frame.get()) < 0 || avcodec_send_frame(context.get(), nullptr) < 0) {
        return Status::failure(path.string() + ": the picture could not be encoded");
    }
    std::string bytes;
    while (avcodec_receive_packet(context.get(), packet.get()) == 0) {
        bytes.append(reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size));
        av_packet_unref(packet.get());
    }
    if (bytes.empty()) {
        return Status::failure(path.string() + ": the picture could not be encoded");
    }
    // A rendered picture needs no crash-safe save (two flushes to disk and a rename each would
    // double a render's time): it is written plainly.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return Status::failure("cannot write \"" + path.string() + "\": " + std::generic_category().message(errno));
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int error = errno;
    if (std::fclose(file) != 0 || !written) {
        return Status::failure("cannot write \"" + path.string() +
                               "\": " + std::generic_category().message(written ? errno : error));
    }
    return Status::success();
}

} // namespace tonwerk::platform
