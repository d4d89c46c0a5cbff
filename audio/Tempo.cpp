#include "Tempo.h"

#include "platform/AtomicFile.h"
#include "platform/ProfileFile.h"

#include <cctype>
#include <string>

namespace tonwerk::audio {

namespace fs = std::filesystem;

int bpmFileTempo(const fs::path& folder) {
    std::error_code ec;
    fs::path dir = folder;
    for (int depth = 0; depth < 256 && !dir.empty(); ++depth) {
        const fs::path file = dir / "bpm.inf";
        if (fs::is_regular_file(file, ec)) {
            const platform::FileContents contents = platform::readWholeFile(file);
            if (contents.exists && contents.status.ok()) {
                const platform::ProfileFile profile = platform::ProfileFile::parse(contents.data);
                return profile.getInt("Tempo", "BPM", -1);
            }
            return -1;
        }
        if (dir == dir.root_path() || dir.parent_path() == dir) {
            break; // the walk ends at the root
        }
        dir = dir.parent_path();
    }
    return -1;
}

int snapTempo(double value) {
    for (int g = 80; g <= 180; g += 10) {
        if (0.99 * value < g && g < 1.01 * value) {
            return g;
        }
    }
    return -1;
}

int TempoLookup::estimateTempo(int rate, int sampleBytes) const {
    const int setup = m_setupTempo();
    const int eighths = sampleBytes / 8; // whole eighths of the length, as the estimate is defined
    if (rate <= 0 || eighths <= 0) {
        return setup;
    }
    double t = static_cast<double>(rate) * 60.0 / static_cast<double>(eighths);
    if (t > 90 && t <= 180) {
    } else if (t > 180 && t <= 360) {
        t *= 0.5;
    } else if (t >= 45 && t < 90) {
        t *= 2;
    } else if (t >= 23 && t < 45) {
        t *= 4;
    } else if (t > 11 && t < 23) {
        t *= 8;
    } else if (t > 5 && t <= 11) {
        t *= 16;
    } else {
        return setup;
    }
    const int snapped = snapTempo(t);
    return snapped > 0 ? snapped : setup;
}

void TempoLookup::adopt(int tempo) {
    if (!m_tempoSet) {
        m_setSetupTempo(tempo);
        m_tempoSet = true;
    }
}

int TempoLookup::lookupSampleTempo(const fs::path& sample, int rate, int sampleBytes) {
    int tempo = bpmFileTempo(sample.parent_path());
    if (tempo < 1) {
        tempo = estimateTempo(rate, sampleBytes);
    }
    if (tempo < 1) {
        return -1;
    }
    adopt(tempo);
    return tempo;
}

int TempoLookup::lookupFolderTempo(const fs::path& clip) {
    int tempo = bpmFileTempo(clip.parent_path());
    if (tempo < 1) {
        tempo = -1;
        for (const fs::path& piece : clip.parent_path()) {
            const std::string text = piece.string();
            int value = 0;
            std::size_t i = 0;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0 && value < 100000) {
                value = value * 10 + (text[i] - '0');
                ++i;
            }
            if (i > 0 && value > 40 && value < 300) {
                tempo = value;
            }
        }
    }
    if (tempo > 0) {
        adopt(tempo);
        return tempo;
    }
    return m_setupTempo();
}

} // namespace tonwerk::audio
