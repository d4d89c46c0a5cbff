// Settings files and bpm.inf files come from anywhere. Parsing any bytes must not crash, and the
// invariants of the format must hold: an untouched profile stores exactly the bytes it read, and a
// value written is read back unchanged.
#include "platform/ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tonwerk::platform::ProfileFile profile = tonwerk::platform::ProfileFile::parse(bytes);
    if (profile.serialize() != bytes) {
        std::abort();
    }
    (void)profile.getInt("Tempo", "BPM", 0);
    (void)profile.getString("Options", "MidiInDevice", "");
    if (profile.setString("Tempo", "BPM", "120") && profile.getInt("Tempo", "BPM", 0) != 120) {
        std::abort();
    }
    const auto reparsed = tonwerk::platform::ProfileFile::parse(profile.serialize());
    if (reparsed.getString("Tempo", "BPM", "") != "120") {
        std::abort();
    }
    return 0;
}
