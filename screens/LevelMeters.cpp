#include "LevelMeters.h"

#include <algorithm>

namespace tonwerk::ui {

int decayedLevel(int level, bool mediaSplit, bool sounding, std::uint32_t random) {
    int next = level - 10;
    if (level < kMeterFlickerBelow && mediaSplit) {
        next = sounding ? level - 10 + static_cast<int>(random % 85) : level - 20;
    }
    return std::clamp(next, 0, 127);
}

void LevelMeters::set(int meter, int level) {
    if (meter >= 0 && meter < kMeterCount) {
        m_levels[static_cast<std::size_t>(meter)] = std::clamp(level, 0, 127);
    }
}

void LevelMeters::tick(const std::array<bool, kMeterCount>& media, const std::array<bool, kMeterCount>& sounding) {
    for (std::size_t i = 0; i < m_levels.size(); ++i) {
        m_levels[i] = decayedLevel(m_levels[i], media[i], sounding[i], nextRandom());
    }
}

int LevelMeters::level(int meter) const {
    return meter >= 0 && meter < kMeterCount ? m_levels[static_cast<std::size_t>(meter)] : 0;
}

std::uint32_t LevelMeters::nextRandom() {
    // xorshift32: cheap, and a fixed seed repeats.
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return m_random;
}

} // namespace tonwerk::ui
