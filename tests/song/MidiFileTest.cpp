#include "song/MidiFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

using namespace tonwerk::song;

namespace {

std::vector<std::byte> bytes(const std::string& s) {
    std::vector<std::byte> out(s.size());
    std::memcpy(out.data(), s.data(), s.size());
    return out;
}

std::string be(std::uint32_t v, int n) {
    std::string out;
    for (int i = n - 1; i >= 0; --i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    return out;
}

std::string header(int format, int tracks, int division) {
    return "MThd" + be(6, 4) + be(static_cast<std::uint32_t>(format), 2) + be(static_cast<std::uint32_t>(tracks), 2) +
           be(static_cast<std::uint32_t>(division), 2);
}

std::string track(const std::string& events) {
    return "MTrk" + be(static_cast<std::uint32_t>(events.size()), 4) + events;
}

std::vector<MidiFileEvent> readAll(MidiFile& file, int t) {
    std::vector<MidiFileEvent> out(64);
    std::vector<MidiFileEvent> all;
    for (;;) {
        const int n = file.readTrackEvents(t, out.data(), static_cast<int>(out.size()));
        all.insert(all.end(), out.begin(), out.begin() + n);
        if (n < static_cast<int>(out.size())) {
            return all;
        }
    }
}

MidiFileEvent ev(std::uint32_t time, int status, int d1 = 0, int d2 = 0, int d3 = 0) {
    return MidiFileEvent{time, static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(d1),
                         static_cast<std::uint8_t>(d2), static_cast<std::uint8_t>(d3)};
}

TEST(MidiFile, HeaderAnywhereFormatTwoAndSmpte) {
    int format = -1;
    auto file =
        MidiFile::openForReading(bytes("garbage before" + header(2, 1, 96) + track("\x00\xff\x2f\x00")), format);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(format, 1);
    EXPECT_EQ(file->trackCount(), 1);
    EXPECT_EQ(file->timeDivision(), 96);
    // 25 frames per second, 40 ticks per frame: 500 ticks per quarter at 120 bpm.
    file = MidiFile::openForReading(bytes(header(0, 1, 0xE728) + track("")), format);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->timeDivision(), 500);
    // Every SMPTE rate in exact arithmetic: 24 frames of 40 ticks are 480 ticks a quarter (not 479),
    // 29.97 drop-frame 599.4 (599), 30 frames 600; an unknown rate gives no division.
    for (const auto& [division, ticks] :
         {std::pair{0xE828, 480}, std::pair{0xE728, 500}, std::pair{0xE328, 599}, std::pair{0xE228, 600},
          std::pair{0xE850, 960}, std::pair{0xE301, 14}, std::pair{0xE601, 0}}) {
        file = MidiFile::openForReading(bytes(header(0, 1, division) + track("")), format);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->timeDivision(), ticks) << std::hex << division;
    }
    // No header, a cut header, no tracks.
    EXPECT_EQ(MidiFile::openForReading(bytes("MTrk"), format), nullptr);
    EXPECT_EQ(MidiFile::openForReading(bytes(header(0, 1, 96).substr(0, 12)), format), nullptr);
    EXPECT_EQ(MidiFile::openForReading(bytes(header(0, 0, 96)), format), nullptr);
}

TEST(MidiFile, MetaEventsAddTheirDeltas) {
    int format = 0;
    const std::string events = std::string("\x0a\xff\x01\x02hi", 6) + std::string("\x0a\xff\x01\x00", 4) +
                               std::string("\x05\x90\x3c\x40", 4) + std::string("\x00\xff\x51\x03\x07\xa1\x20", 7) +
                               std::string("\x00\xff\x2f\x00", 4);
    auto file = MidiFile::openForReading(bytes(header(0, 1, 96) + track(events)), format);
    ASSERT_NE(file, nullptr);
    const auto all = readAll(*file, 0);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], ev(25, 0x90, 0x3c, 0x40));
    EXPECT_EQ(all[1], ev(0, 0x00, 0x07, 0xa1, 0x20)); // tempo: 500000 us per quarter
}

TEST(MidiFile, RunningStatusAndSysex) {
    int format = 0;
    const std::string events = std::string("\x00\x90\x3c\x40\x00\x3e\x40\x00\x40\x40", 10) +
                               std::string("\x00\xf0\x05\x43\x10\x4c\x00\xf7", 8) + std::string("\x00\xff\x2f\x00", 4);
    auto file = MidiFile::openForReading(bytes(header(0, 1, 96) + track(events)), format);
    const auto all = readAll(*file, 0);
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[1], ev(0, 0x90, 0x3e, 0x40));
    EXPECT_EQ(all[2], ev(0, 0x90, 0x40, 0x40));
    const int sysex[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0xF7};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(all[static_cast<std::size_t>(3 + i)], ev(0, 0xF0, sysex[i])) << i;
    }
    // Written back byte for byte.
    auto out = MidiFile::openForWriting(0);
    out->setTimeDivision(96);
    out->writeTrackEvents(1, all.data(), static_cast<int>(all.size()));
    EXPECT_EQ(out->finish(), header(0, 1, 96) + track(events));
}

TEST(MidiFile, WriterRules) {
    // A note after a tempo event repeats its status.
    auto out = MidiFile::openForWriting(0);
    const MidiFileEvent events[] = {ev(0, 0x90, 60, 64), ev(10, 0, 7, 0xa1, 0x20), ev(0, 0x90, 62, 64),
                                    ev(0x0FFFFFFF, 0x90, 64, 64), ev(1, 0xC0, 5)};
    out->writeTrackEvents(1, events, 5);
    EXPECT_EQ(out->finish(), header(0, 1, 480) + track(std::string("\x00\x90\x3c\x40\x0a\xff\x51\x03\x07\xa1\x20"
                                                                   "\x00\x90\x3e\x40\xff\xff\xff\x7f\x40\x40"
                                                                   "\x01\xc0\x05\x00\xff\x2f\x00",
                                                                   28)));
    // Nothing written: the header stays as opened.
    auto empty = MidiFile::openForWriting(1);
    empty->setTimeDivision(384);
    EXPECT_EQ(empty->finish(), header(1, 0, 480));
    // A second track makes the file format 1.
    auto two = MidiFile::openForWriting(0);
    two->writeTrackEvents(1, events, 1);
    two->writeTrackEvents(2, events, 1);
    EXPECT_EQ(two->finish().substr(0, 14), header(1, 2, 480));
    // Meta events by type; too little data is reported.
    auto meta = MidiFile::openForWriting(0);
    const std::uint8_t text[] = {'a', 'b', 0};
    EXPECT_EQ(meta->writeMetaEvent(1, 0x03, text, 0), 0);
    EXPECT_EQ(meta->writeMetaEvent(1, 0x58, text, 0), -1);
    EXPECT_EQ(meta->writeMetaEvent(1, 0x90, text, 0), 0); // no data for types 80 and above
}

TEST(MidiFile, ReadingModesDoNotMix) {
    auto out = MidiFile::openForWriting(0);
    MidiFileEvent e;
    EXPECT_EQ(out->readTrackEvents(0, &e, 1), 0);
    EXPECT_EQ(out->timeDivision(), 0);
    EXPECT_EQ(out->rewindTracks(), 1);
    int format = 0;
    auto in = MidiFile::openForReading(bytes(header(0, 1, 96) + track("")), format);
    EXPECT_EQ(in->setTimeDivision(10), 0);
    EXPECT_EQ(in->writeTrackEvents(0, &e, 1), 0);
}

TEST(MidiFile, HostileFilesEnd) {
    int format = 0;
    // More tracks announced than exist; a length past the end; no end of track; a sysex longer
    // than the file; running status before any status; an endless delta time.
    const std::string cases[] = {
        header(1, 5, 96) + track(std::string("\x00\x90\x3c\x40", 4)),
        header(0, 1, 96) + "MTrk" + be(0x7FFFFFFF, 4) + std::string("\x00\x90\x3c\x40", 4),
        header(0, 1, 96) + track(std::string("\x00\xf0\xff\xff\xff\x7f\x01\x02", 8)),
        header(0, 1, 96) + track(std::string("\x00\x3c\x40\x00\x3d", 5)),
        header(0, 1, 96) + track(std::string(100, '\xff')),
        header(0, 1, 96) + track(std::string("\x00\xff\x05\xff\xff\xff\xff\x0f", 8)),
    };
    for (const std::string& c : cases) {
        auto file = MidiFile::openForReading(bytes(c), format);
        ASSERT_NE(file, nullptr);
        for (int t = 0; t < file->trackCount(); ++t) {
            EXPECT_LT(readAll(*file, t).size(), 200u);
        }
    }
    std::mt19937 rng(6);
    const std::string good = header(1, 2, 96) +
                             track(std::string("\x00\x90\x3c\x40\x10\x80\x3c\x00\x00\xff\x2f\x00", 12)) +
                             track(std::string("\x00\xb0\x07\x64\x00\xff\x2f\x00", 8));
    for (int round = 0; round < 500; ++round) {
        std::string noise = good;
        for (int flips = 0; flips < 6; ++flips) {
            noise[rng() % noise.size()] = static_cast<char>(rng());
        }
        auto file = MidiFile::openForReading(bytes(noise.substr(0, rng() % noise.size() + 1)), format);
        if (file) {
            for (int t = 0; t < file->trackCount(); ++t) {
                (void)readAll(*file, t);
            }
        }
    }
}

} // namespace
