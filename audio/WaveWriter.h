#pragma once

#include "platform/Status.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>

namespace tonwerk::audio {

// Writes a 16-bit PCM WAVE file as its frames are made, so a render of any length needs no more
// memory than one block: the frames go to "NAME.part" beside the file, the sizes are written into
// the head at the end and the file takes its name only then (an unfinished render never replaces
// an older file). One thread.
class WaveWriter {
public:
    WaveWriter() = default;
    ~WaveWriter();
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

    // Starts the file; a failure names the file and the reason.
    platform::Status open(const std::filesystem::path& path, int channels, int rate);
    // Appends interleaved frames. A failure is kept and returned by finish().
    void append(std::span<const std::int16_t> samples);
    // Writes the sizes and gives the file its name.
    platform::Status finish();

private:
    std::filesystem::path m_path;
    std::filesystem::path m_part;
    std::FILE* m_file = nullptr;
    int m_channels = 2;
    int m_rate = 22050;
    std::uint64_t m_dataBytes = 0;
    bool m_failed = false;
};

} // namespace tonwerk::audio
