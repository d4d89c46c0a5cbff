#include "StreamInfo.h"

#include "res/Strings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

namespace tonwerk::video {

namespace {

// The program's format strings name narrow four-character texts as "%4.4hs"; here that is "%4.4s".
std::string narrowFormat(std::string_view format) {
    std::string out(format);
    for (std::size_t at = out.find("hs"); at != std::string::npos; at = out.find("hs", at)) {
        out.erase(at, 1);
    }
    return out;
}

std::array<char, 5> codeText(std::uint32_t code) {
    std::array<char, 5> text{};
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
        text[static_cast<std::size_t>(i)] = c;
    }
    return text; // a zero code is an empty text
}

template <typename... Args>
std::string format(int id, Args... args) {
    const std::string pattern = narrowFormat(res::loadString(id));
    char buffer[512];
    // The formats are the program's own string-table texts (3316–3318), matched to these
    // arguments by the stream information test.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(buffer, sizeof buffer, pattern.c_str(), args...);
#pragma GCC diagnostic pop
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1)));
}

} // namespace

std::string streamInfoText(int streamNumber, const platform::VideoStreamInfo& stream, std::int64_t position,
                           std::int64_t frameBytes) {
    const auto type = codeText(stream.type);
    const auto handler = codeText(stream.handler);
    const std::int64_t durationMs = stream.frameToMs(std::int64_t{stream.start} + stream.length);
    const std::int64_t positionMs = stream.frameToMs(position);
    const auto compression = codeText(stream.compression);
    return format(3316, streamNumber, type.data(), handler.data(), static_cast<long>(stream.start),
                  static_cast<long>(stream.length), static_cast<long>(durationMs / 1000),
                  static_cast<long>(durationMs % 1000)) +
           format(3317, static_cast<long>(position), static_cast<long>(positionMs / 1000),
                  static_cast<long>(positionMs % 1000), static_cast<long>(frameBytes)) +
           format(3318, static_cast<int>(stream.width), static_cast<int>(stream.height),
                  static_cast<int>(stream.bitCount), compression.data());
}

} // namespace tonwerk::video
