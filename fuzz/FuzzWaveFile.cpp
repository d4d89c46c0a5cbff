// WAVE files come from anywhere. Loading any bytes in every layout must stay inside the file, never
// make a huge block, and a loaded sample must be safe for the renderer to play from any position.
#include "audio/Renderer.h"
#include "audio/WaveLoader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tonwerk::audio;
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    for (const int mode : {1, 2, 4}) {
        const LoadedWave wave = loadWave(bytes, mode, true);
        if (wave.result != WaveError::kOk) {
            if (!wave.data.empty()) {
                std::abort();
            }
            continue;
        }
        if (wave.lengthBytes % 4 != 0 || wave.lengthBytes / 2 + 2 > static_cast<int>(wave.data.size()) ||
            (wave.lengthBytes > 0 && wave.loopStart >= wave.lengthBytes)) {
            std::abort();
        }
        RenderVoice voice;
        voice.data = wave.data.data();
        voice.dataWords = static_cast<int>(wave.data.size());
        voice.channels = memModeChannels(mode);
        voice.sampleBytes = wave.lengthBytes;
        voice.loopStart = wave.loopStart;
        voice.loops = true;
        voice.state = VoiceState::Audible;
        voice.pitchRatio = size % 3 == 0 ? 1.0F : 0.7F + static_cast<float>(size % 40) / 10.0F;
        voice.stretch.ratio = size % 5 == 0 ? 1.3 : 1.0;
        sanitizeVoice(voice);
        resetStretch(voice);
        std::vector<std::int16_t> out(4096);
        renderVoice(out, {}, voice);
    }
    return 0;
}
