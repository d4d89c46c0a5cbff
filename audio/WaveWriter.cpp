#include "WaveWriter.h"

#include "WaveLoader.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace tonwerk::audio {

namespace {

// A WAVE file's sizes are 32-bit: beyond that the file stops growing.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFULL - kWaveHeaderBytes;

platform::Status failure(const std::filesystem::path& path, int error) {
    return platform::Status::failure("cannot write \"" + path.string() +
                                     "\": " + std::generic_category().message(error));
}

} // namespace

WaveWriter::~WaveWriter() {
    if (m_file != nullptr) {
        static_cast<void>(std::fclose(m_file));
        std::error_code ec;
        std::filesystem::remove(m_part, ec); // unfinished: the old file, if any, stays
    }
}

platform::Status WaveWriter::open(const std::filesystem::path& path, int channels, int rate) {
    m_path = path;
    m_part = path;
    m_part += ".part";
    m_channels = channels;
    m_rate = rate;
    m_file = std::fopen(m_part.c_str(), "wb");
    if (m_file == nullptr) {
        return failure(path, errno);
    }
    const auto header = waveHeader(channels, rate, 0);
    if (std::fwrite(header.data(), 1, header.size(), m_file) != header.size()) {
        m_failed = true;
    }
    return platform::Status::success();
}

void WaveWriter::append(std::span<const std::int16_t> samples) {
    if (m_file == nullptr || m_failed || samples.empty()) {
        return;
    }
    std::size_t words = samples.size();
    if (m_dataBytes + words * 2 > kMaxDataBytes) {
        words = static_cast<std::size_t>((kMaxDataBytes - m_dataBytes) / 2);
    }
    // Little-endian words, as the file holds them, whatever the machine.
    std::vector<unsigned char> bytes(words * 2);
    for (std::size_t i = 0; i < words; ++i) {
        const auto v = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<unsigned char>(v & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(v >> 8);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        m_failed = true;
    }
    m_dataBytes += bytes.size();
}

platform::Status WaveWriter::finish() {
    if (m_file == nullptr) {
        return platform::Status::failure("cannot write \"" + m_path.string() + "\": not open");
    }
    const auto header = waveHeader(m_channels, m_rate, static_cast<std::uint32_t>(m_dataBytes));
    const bool written = !m_failed && std::fseek(m_file, 0, SEEK_SET) == 0 &&
                         std::fwrite(header.data(), 1, header.size(), m_file) == header.size();
    const int error = errno;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    std::error_code ec;
    if (!written || !closed) {
        std::filesystem::remove(m_part, ec);
        return failure(m_path, written ? errno : error);
    }
    std::filesystem::rename(m_part, m_path, ec);
    if (ec) {
        std::filesystem::remove(m_part, ec);
        return platform::Status::failure("cannot write \"" + m_path.string() + "\": " + ec.message());
    }
    return platform::Status::success();
}

} // namespace tonwerk::audio
