// MIDI files come from anywhere. Reading any bytes must end every track, stay inside the file, and
// what was read must write as a file that reads again.
#include "song/MidiFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tonwerk::song::MidiFile;
    using tonwerk::song::MidiFileEvent;
    std::vector<std::byte> bytes(size);
    if (size > 0) {
        std::memcpy(bytes.data(), data, size);
    }
    int format = 0;
    auto file = MidiFile::openForReading(std::move(bytes), format);
    if (!file) {
        return 0;
    }
    auto out = MidiFile::openForWriting(format);
    std::vector<MidiFileEvent> batch(64);
    const int tracks = file->trackCount() < 8 ? file->trackCount() : 8;
    for (int t = 0; t < tracks; ++t) {
        std::size_t total = 0; // tracks may overlap, so each is bounded on its own
        for (int n = 64; n == 64;) {
            n = file->readTrackEvents(t, batch.data(), 64);
            total += static_cast<std::size_t>(n);
            if (total > size + 64) {
                std::abort(); // every event of a track takes at least one byte of the file
            }
            out->writeTrackEvents(t + 1, batch.data(), n);
        }
    }
    const std::string& written = out->finish();
    std::vector<std::byte> back(written.size());
    std::memcpy(back.data(), written.data(), written.size());
    int format2 = 0;
    (void)MidiFile::openForReading(std::move(back), format2);
    return 0;
}
