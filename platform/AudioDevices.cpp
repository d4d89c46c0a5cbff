#include "AudioDevices.h"

#include "DiagnosticLog.h"

#include <rtaudio/RtAudio.h>

#include <algorithm>

namespace tonwerk::platform {

std::vector<AudioDevice> listAudioOutputs() {
    routeLibraryDiagnostics();
    const CerrToLog capture("RtAudio");
    std::vector<AudioDevice> devices;
    const std::pair<RtAudio::Api, const char*> order[] = {
        {RtAudio::UNIX_JACK, "jack"}, {RtAudio::LINUX_PULSE, "pulse"}, {RtAudio::LINUX_ALSA, "alsa"}};
    std::vector<RtAudio::Api> compiled;
    RtAudio::getCompiledApi(compiled);
    for (const auto& [api, name] : order) {
        if (std::find(compiled.begin(), compiled.end(), api) == compiled.end()) {
            continue;
        }
        try {
            RtAudio audio(api);
            audio.showWarnings(false);
            const unsigned count = audio.getDeviceCount();
            for (unsigned i = 0; i < count; ++i) {
                const RtAudio::DeviceInfo info = audio.getDeviceInfo(i);
                if (info.probed && info.outputChannels > 0) {
                    devices.push_back(AudioDevice{name, info.name, info.outputChannels});
                }
            }
        } catch (const std::exception& e) {
            logDiagnostic("RtAudio", std::string(name) + ": " + e.what()); // this audio system is not there
        }
    }
    return devices;
}

} // namespace tonwerk::platform
