#pragma once

#include "platform/Status.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tonwerk::song {

// One event as the Standard MIDI File library hands it out and takes it in. Status 0 marks a tempo
// event (data1..data3 = microseconds per quarter note, most significant first); status F0 marks one
// byte of a system-exclusive message in data1 (F0 first, F7 last).
struct MidiFileEvent {
    std::uint32_t time = 0; // delta in file ticks since the previous event of the same track
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint8_t data3 = 0;
    bool operator==(const MidiFileEvent&) const = default;
};

// Data bytes a status takes in a file (8n–En but Cn/Dn: 2; Cn, Dn, F1, F3: 1; F2: 2; others 0).
[[nodiscard]] int dataBytesFor(std::uint8_t status);

// A Standard MIDI File open for reading or writing, with the calling conventions the song recorder
// uses: operations return -1 for failure, or 0/1 where the mode does not fit. Reading works on the
// file's bytes in memory and never reads outside them; writing builds the file in memory, and
// closing stores it atomically. Single-threaded.
class MidiFile {
public:
    // Reading: the file's bytes. Returns the file, or nullptr when there is no header, it is cut
    // short or it declares no tracks. `format` receives the format (2 is reported as 1).
    static std::unique_ptr<MidiFile> openForReading(std::vector<std::byte> bytes, int& format);
    // Reading a file from disk (read whole), or nullptr.
    static std::unique_ptr<MidiFile> openForReading(const std::filesystem::path& path, int& format);
    // Writing: the file is built in memory with the header of `format` and division 480.
    static std::unique_ptr<MidiFile> openForWriting(int format);

    [[nodiscard]] char mode() const { return m_mode; }
    [[nodiscard]] int trackCount() const { return m_trackCount; }

    // Locates every track chunk and puts every cursor on its first event. 0; 1 in write mode.
    int rewindTracks();
    // Up to `count` events of `track`; fewer means the track has ended. 0 in write mode.
    int readTrackEvents(int track, MidiFileEvent* events, int count);
    // Ticks per quarter note of the file being read; 0 in write mode.
    [[nodiscard]] int timeDivision() const;
    // The division for the header; returns it (0 in read mode).
    int setTimeDivision(int ticksPerQuarter);
    // Appends events to `track` (tracks are written one after the other); returns count.
    int writeTrackEvents(int track, const MidiFileEvent* events, int count);
    // Appends one meta event; 0, or -1 if fewer data bytes than its type needs were given.
    int writeMetaEvent(int track, int type, std::span<const std::uint8_t> data, std::uint32_t delta);

    // Writing: closes the last track and rewrites the header; returns the file's bytes.
    [[nodiscard]] const std::string& finish();
    // Writing: finish() and store the bytes at `path` atomically.
    [[nodiscard]] platform::Status closeTo(const std::filesystem::path& path);

private:
    struct TrackCursor {
        std::size_t startOffset = 0;
        std::uint32_t length = 0;
        std::size_t nextOffset = 0;
        std::uint8_t runningStatus = 0;
        std::uint32_t sysexLeft = 0;
        bool inSysex = false;
        std::uint32_t pendingDelta = 0;
        bool endOfTrack = false;
    };

    MidiFile() = default;
    bool findChunk(const char* name, std::size_t from, std::size_t& dataOffset, std::uint32_t& length) const;
    std::uint8_t byteAt(std::size_t& offset) const; // 0 past the end
    std::uint32_t readVariable(std::size_t& offset) const;
    bool readEvent(TrackCursor& track, MidiFileEvent& event);
    void selectTrack(int track);
    void putByte(std::uint8_t byte);
    void putVariable(std::uint32_t value);
    void endTrack();

    char m_mode = 'r';
    int m_format = 0;
    int m_trackCount = 0;
    int m_division = 480;
    // Reading.
    std::vector<std::byte> m_bytes;
    std::vector<TrackCursor> m_tracks;
    // Writing.
    std::string m_out;
    int m_currentTrack = -1;
    std::size_t m_trackChunkOffset = 0;
    std::uint32_t m_trackBytes = 0;
    std::uint8_t m_runningStatus = 0;
    std::vector<std::uint8_t> m_sysex;
    bool m_inSysexWrite = false;
    bool m_finished = false;
};

} // namespace tonwerk::song
