#include "MidiFile.h"

#include "platform/AtomicFile.h"

#include <algorithm>
#include <cstring>

namespace tonwerk::song {

namespace {

constexpr std::size_t kHeaderSize = 14;

std::uint32_t be32(const std::vector<std::byte>& b, std::size_t at) {
    return (static_cast<std::uint32_t>(b[at]) << 24) | (static_cast<std::uint32_t>(b[at + 1]) << 16) |
           (static_cast<std::uint32_t>(b[at + 2]) << 8) | static_cast<std::uint32_t>(b[at + 3]);
}

void putBe(std::string& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * (bytes - 1 - i))) & 0xFF);
    }
}

// SMPTE division: ticks per frame times the frames of a quarter note at 120 beats per minute
// (half a second), in exact arithmetic on the frame rate (24, 25, 29.97 = 30000/1001, 30).
int smpteDivision(int high, int low) {
    const int rate = -static_cast<std::int8_t>(static_cast<std::uint8_t>(high));
    long long framesNum = 0; // frames per second as framesNum / framesDen
    long long framesDen = 1;
    switch (rate) {
    case 24:
    case 25:
    case 30:
        framesNum = rate;
        break;
    case 29:
        framesNum = 30000;
        framesDen = 1001;
        break;
    default:
        return 0; // not a frame rate a file can name
    }
    return static_cast<int>(static_cast<long long>(low) * framesNum / (2 * framesDen));
}

// Length of a meta event's data by its type when writing.
std::size_t metaLength(int type, std::span<const std::uint8_t> data) {
    if (type == 0x00 || type == 0x59) {
        return 2;
    }
    if ((type >= 0x01 && type <= 0x07) || type == 0x7F) {
        const auto zero = std::find(data.begin(), data.end(), 0);
        return static_cast<std::size_t>(zero - data.begin());
    }
    switch (type) {
    case 0x20:
        return 1;
    case 0x51:
        return 3;
    case 0x54:
        return 5;
    case 0x58:
        return 4;
    default:
        break;
    }
    return 0;
}

} // namespace

int dataBytesFor(std::uint8_t status) {
    if (status >= 0x80 && status < 0xF0) {
        const int kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
    }
    if (status == 0xF1 || status == 0xF3) {
        return 1;
    }
    if (status == 0xF2) {
        return 2;
    }
    return 0;
}

bool MidiFile::findChunk(const char* name, std::size_t from, std::size_t& dataOffset, std::uint32_t& length) const {
    for (std::size_t at = from; at + 8 <= m_bytes.size(); ++at) {
        if (std::memcmp(m_bytes.data() + at, name, 4) == 0) {
            length = be32(m_bytes, at + 4);
            dataOffset = at + 8;
            return true;
        }
    }
    return false;
}

std::unique_ptr<MidiFile> MidiFile::openForReading(std::vector<std::byte> bytes, int& format) {
    std::unique_ptr<MidiFile> file(new MidiFile());
    file->m_mode = 'r';
    file->m_bytes = std::move(bytes);
    std::size_t data = 0;
    std::uint32_t length = 0;
    if (!file->findChunk("MThd", 0, data, length) || length < 6 || file->m_bytes.size() - data < length) {
        return nullptr;
    }
    const auto& b = file->m_bytes;
    file->m_format = (static_cast<int>(b[data]) << 8) | static_cast<int>(b[data + 1]);
    file->m_trackCount = (static_cast<int>(b[data + 2]) << 8) | static_cast<int>(b[data + 3]);
    const int high = static_cast<int>(b[data + 4]);
    const int low = static_cast<int>(b[data + 5]);
    file->m_division = (high & 0x80) != 0 ? smpteDivision(high, low) : ((high << 8) | low);
    if (file->m_format == 2) {
        file->m_format = 1;
    }
    format = file->m_format;
    if (file->m_trackCount == 0) {
        return nullptr;
    }
    file->rewindTracks();
    return file;
}

std::unique_ptr<MidiFile> MidiFile::openForReading(const std::filesystem::path& path, int& format) {
    const platform::FileContents contents = platform::readWholeFile(path);
    if (!contents.exists || !contents.status.ok()) {
        return nullptr;
    }
    std::vector<std::byte> bytes(contents.data.size());
    std::memcpy(bytes.data(), contents.data.data(), bytes.size());
    return openForReading(std::move(bytes), format);
}

int MidiFile::rewindTracks() {
    if (m_mode != 'r') {
        return 1;
    }
    // The n-th "MTrk" of the file is track n. Tracks the header announces but the file does not
    // hold read as empty; they need no cursor.
    m_tracks.clear();
    std::size_t from = 0;
    while (m_tracks.size() < static_cast<std::size_t>(m_trackCount)) {
        std::size_t data = 0;
        std::uint32_t length = 0;
        if (!findChunk("MTrk", from, data, length)) {
            break;
        }
        TrackCursor track;
        track.startOffset = track.nextOffset = data;
        track.length = length;
        m_tracks.push_back(track);
        from = data;
    }
    return 0;
}

int MidiFile::timeDivision() const { return m_mode == 'r' ? m_division : 0; }

std::uint8_t MidiFile::byteAt(std::size_t& offset) const {
    if (offset >= m_bytes.size()) {
        ++offset;
        return 0;
    }
    return static_cast<std::uint8_t>(m_bytes[offset++]);
}

std::uint32_t MidiFile::readVariable(std::size_t& offset) const {
    std::uint32_t value = 0;
    for (;;) {
        const std::uint8_t b = byteAt(offset);
        value = (value << 7) | (b & 0x7Fu);
        if ((b & 0x80) == 0) {
            return value;
        }
    }
}

bool MidiFile::readEvent(TrackCursor& track, MidiFileEvent& event) {
    for (;;) {
        // When no byte is left for the next event the track has ended, exactly as after an
        // end-of-track event (also inside a system-exclusive message that claims more bytes).
        if (track.endOfTrack || track.nextOffset >= m_bytes.size()) {
            track.endOfTrack = true;
            return false;
        }
        std::size_t at = track.nextOffset;
        event = MidiFileEvent{};
        if (track.sysexLeft == 0) {
            event.time = readVariable(at) + track.pendingDelta;
        }
        const std::uint8_t b = byteAt(at);
        if (b == 0xFF) {
            const std::uint8_t type = byteAt(at);
            const std::uint32_t length = readVariable(at);
            if (type == 0x2F) {
                track.endOfTrack = true;
                track.nextOffset = at;
                return false;
            }
            if (type == 0x51) {
                const std::size_t dataStart = at;
                event.status = 0;
                event.data1 = byteAt(at);
                event.data2 = byteAt(at);
                event.data3 = byteAt(at);
                at = dataStart + std::max<std::uint32_t>(length, 3);
                track.pendingDelta = 0;
                track.nextOffset = at;
                return true;
            }
            track.pendingDelta = event.time;
            track.nextOffset = at + length;
            if (track.nextOffset < at) { // a length that wraps: nothing after it can be read
                track.nextOffset = m_bytes.size();
            }
            continue;
        }
        track.pendingDelta = 0;
        if (b == 0xF0) {
            track.inSysex = true;
            track.sysexLeft = readVariable(at);
            event.status = 0xF0;
            event.data1 = 0xF0;
        } else if (b == 0xF7 && track.sysexLeft > 0) {
            event.status = 0xF0;
            event.data1 = 0xF7;
            event.time = 0;
            track.inSysex = false;
            track.sysexLeft = 0;
        } else if (b == 0xF7) {
            track.inSysex = true;
            track.sysexLeft = readVariable(at);
            event.status = 0xF0;
            event.data1 = byteAt(at);
            if (track.sysexLeft > 0) {
                --track.sysexLeft;
            }
        } else if (b >= 0x80) {
            track.runningStatus = b;
            event.status = b;
            const int n = dataBytesFor(b);
            if (n >= 1) {
                event.data1 = byteAt(at);
            }
            if (n >= 2) {
                event.data2 = byteAt(at);
            }
        } else if (track.inSysex) {
            event.status = 0xF0;
            event.data1 = b;
            event.time = 0;
            if (track.sysexLeft > 0) {
                --track.sysexLeft;
            }
        } else {
            event.status = track.runningStatus;
            event.data1 = b;
            if (dataBytesFor(track.runningStatus) >= 2) {
                event.data2 = byteAt(at);
            }
        }
        track.nextOffset = at;
        return true;
    }
}

int MidiFile::readTrackEvents(int track, MidiFileEvent* events, int count) {
    if (m_mode != 'r' || track < 0 || static_cast<std::size_t>(track) >= m_tracks.size()) {
        return 0; // also a track the header announced but the file does not hold
    }
    TrackCursor& cursor = m_tracks[static_cast<std::size_t>(track)];
    int delivered = 0;
    while (delivered < count && readEvent(cursor, events[delivered])) {
        ++delivered;
    }
    return delivered;
}

std::unique_ptr<MidiFile> MidiFile::openForWriting(int format) {
    std::unique_ptr<MidiFile> file(new MidiFile());
    file->m_mode = 'w';
    file->m_format = format;
    file->m_division = 480;
    file->m_out.assign(kHeaderSize, '\0');
    std::memcpy(file->m_out.data(), "MThd", 4);
    putBe(file->m_out, 4, 6, 4);
    putBe(file->m_out, 8, static_cast<std::uint32_t>(format), 2);
    putBe(file->m_out, 10, 0, 2);
    putBe(file->m_out, 12, 480, 2);
    return file;
}

int MidiFile::setTimeDivision(int ticksPerQuarter) {
    if (m_mode != 'w') {
        return 0;
    }
    m_division = ticksPerQuarter;
    return ticksPerQuarter;
}

void MidiFile::putByte(std::uint8_t byte) {
    m_out.push_back(static_cast<char>(byte));
    ++m_trackBytes;
}

void MidiFile::putVariable(std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && n < 5);
    while (n > 0) {
        --n;
        putByte(static_cast<std::uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
    }
}

void MidiFile::endTrack() {
    putByte(0x00);
    putByte(0xFF);
    putByte(0x2F);
    putByte(0x00);
    putBe(m_out, m_trackChunkOffset + 4, m_trackBytes, 4);
}

void MidiFile::selectTrack(int track) {
    if (track == m_currentTrack) {
        return;
    }
    if (m_currentTrack >= 0) {
        endTrack();
        m_format = 1;
    }
    m_trackChunkOffset = m_out.size();
    m_out.append("MTrk\0\0\0\0", 8);
    m_currentTrack = track;
    m_runningStatus = 0;
    m_trackBytes = 0;
    ++m_trackCount;
}

int MidiFile::writeTrackEvents(int track, const MidiFileEvent* events, int count) {
    if (m_mode != 'w' || m_finished) {
        return 0;
    }
    selectTrack(track);
    for (int i = 0; i < count; ++i) {
        const MidiFileEvent& e = events[i];
        if (e.data1 == 0xF0 && e.status == 0xF0) {
            m_sysex.clear();
            m_inSysexWrite = true;
            putVariable(e.time);
            putByte(0xF0);
        } else if (e.data1 == 0xF7 && e.status == 0xF0) {
            putVariable(static_cast<std::uint32_t>(m_sysex.size() + 1));
            for (const std::uint8_t b : m_sysex) {
                putByte(b);
            }
            putByte(0xF7);
            m_sysex.clear();
            m_inSysexWrite = false;
            m_runningStatus = 0;
        } else if (e.status == 0xF0) {
            m_sysex.push_back(e.data1);
        } else if (e.status == 0) {
            putVariable(e.time);
            putByte(0xFF);
            putByte(0x51);
            putByte(0x03);
            putByte(e.data1);
            putByte(e.data2);
            putByte(e.data3);
            m_runningStatus = 0;
        } else {
            putVariable(e.time);
            if (e.status != m_runningStatus) {
                putByte(e.status);
                m_runningStatus = e.status;
            }
            const int n = dataBytesFor(e.status);
            if (n >= 1) {
                putByte(e.data1);
            }
            if (n >= 2) {
                putByte(e.data2);
            }
        }
    }
    return count;
}

int MidiFile::writeMetaEvent(int track, int type, std::span<const std::uint8_t> data, std::uint32_t delta) {
    if (m_mode != 'w' || m_finished) {
        return 0;
    }
    selectTrack(track);
    const std::size_t length = type >= 0x80 ? 0 : metaLength(type, data);
    putVariable(delta);
    putByte(0xFF);
    putByte(static_cast<std::uint8_t>(type));
    putVariable(static_cast<std::uint32_t>(length));
    const std::size_t written = std::min(length, data.size());
    for (std::size_t i = 0; i < written; ++i) {
        putByte(data[i]);
    }
    m_runningStatus = 0;
    return written < length ? -1 : 0;
}

const std::string& MidiFile::finish() {
    if (m_mode == 'w' && !m_finished) {
        m_finished = true;
        if (m_currentTrack >= 0) {
            endTrack();
            putBe(m_out, 8, static_cast<std::uint32_t>(m_format), 2);
            putBe(m_out, 10, static_cast<std::uint32_t>(m_trackCount), 2);
            putBe(m_out, 12, static_cast<std::uint32_t>(m_division), 2);
        }
    }
    return m_out;
}

platform::Status MidiFile::closeTo(const std::filesystem::path& path) {
    return platform::writeFileAtomically(path, finish());
}

} // namespace tonwerk::song
