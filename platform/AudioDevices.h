#pragma once

#include <string>
#include <vector>

namespace tonwerk::platform {

// A sound output device as the program lists it: the audio system it belongs to and its name.
struct AudioDevice {
    std::string api; // "jack", "pulse", "alsa"
    std::string name;
    unsigned outputChannels = 0;
};

// The output devices of every audio system that answers, JACK first, then PulseAudio, then ALSA.
// Nothing here throws; a system that is not there lists nothing. Any thread; may block briefly
// while the systems are asked.
[[nodiscard]] std::vector<AudioDevice> listAudioOutputs();

} // namespace tonwerk::platform
