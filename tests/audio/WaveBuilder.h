#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tonwerk::test {

// Builds WAVE files byte by byte, so tests can say exactly what a file holds (and how it is broken).
struct WaveBuilder {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;
    int blockAlign = -1;                // -1: channels × bytes per sample
    std::vector<std::uint8_t> fmtExtra; // written with its size word after the 16 bytes when set
    bool writeExtraSize = false;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> tail; // chunks after "data", already framed
    std::int64_t dataSizeOverride = -1;

    static void put16(std::vector<std::uint8_t>& b, unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v & 0xFF));
        b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    static void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
        put16(b, v & 0xFFFF);
        put16(b, v >> 16);
    }
    static void chunk(std::vector<std::uint8_t>& b, const char* id, const std::vector<std::uint8_t>& body,
                      std::int64_t size = -1) {
        b.insert(b.end(), id, id + 4);
        put32(b, static_cast<std::uint32_t>(size >= 0 ? size : static_cast<std::int64_t>(body.size())));
        b.insert(b.end(), body.begin(), body.end());
        if (body.size() % 2 != 0) {
            b.push_back(0);
        }
    }
    void words(const std::vector<std::int16_t>& w) {
        for (const std::int16_t x : w) {
            put16(data, static_cast<std::uint16_t>(x));
        }
    }
    // A "smpl" chunk with the given loops (start, end) in frames.
    void sampleLoops(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& loops) {
        std::vector<std::uint8_t> body(28, 0);
        put32(body, static_cast<std::uint32_t>(loops.size()));
        put32(body, 0);
        for (const auto& [start, end] : loops) {
            put32(body, 0);
            put32(body, 0);
            put32(body, start);
            put32(body, end);
            put32(body, 0);
            put32(body, 0);
        }
        chunk(tail, "smpl", body);
    }
    [[nodiscard]] std::vector<std::byte> bytes() const {
        std::vector<std::uint8_t> fmt;
        put16(fmt, tag);
        put16(fmt, channels);
        put32(fmt, rate);
        const int align = blockAlign >= 0 ? blockAlign : channels * ((bits + 7) / 8);
        put32(fmt, rate * static_cast<std::uint32_t>(align));
        put16(fmt, static_cast<unsigned>(align));
        put16(fmt, bits);
        if (writeExtraSize || !fmtExtra.empty()) {
            put16(fmt, static_cast<unsigned>(fmtExtra.size()));
            fmt.insert(fmt.end(), fmtExtra.begin(), fmtExtra.end());
        }
        std::vector<std::uint8_t> form{'W', 'A', 'V', 'E'};
        chunk(form, "fmt ", fmt);
        chunk(form, "data", data, dataSizeOverride);
        form.insert(form.end(), tail.begin(), tail.end());
        std::vector<std::uint8_t> file;
        chunk(file, "RIFF", form);
        std::vector<std::byte> out(file.size());
        for (std::size_t i = 0; i < file.size(); ++i) {
            out[i] = static_cast<std::byte>(file[i]);
        }
        return out;
    }
};

} // namespace tonwerk::test
