#pragma once

#include <array>
#include <cstdint>

namespace tonwerk::ui {

// The 16 level meters of a screen (splits 1-16): the level the dispatcher last set (0-127), falling
// on every 50 ms screen tick. A meter of a sample or video split that is below 53 flickers while
// its sample sounds or its clip runs (the level falls by 10 and a random 0-84 is added) and falls
// by 20 when it is silent; every other meter falls by 10. Nothing goes below 0.
inline constexpr int kMeterCount = 16;
inline constexpr int kMeterFlickerBelow = 53;

// One meter's next level; `random` is any number (its value modulo 85 is the flicker).
[[nodiscard]] int decayedLevel(int level, bool mediaSplit, bool sounding, std::uint32_t random);

// The meters of a screen with their own random numbers (a fixed seed gives a repeatable flicker).
// UI thread.
class LevelMeters {
public:
    explicit LevelMeters(std::uint32_t seed = 0x2545F491U) : m_random(seed) {}

    // The dispatcher's levels (the split's last velocity, limited to 0-127).
    void set(int meter, int level);
    // One 50 ms tick: `media` and `sounding` per meter's split.
    void tick(const std::array<bool, kMeterCount>& media, const std::array<bool, kMeterCount>& sounding);
    [[nodiscard]] int level(int meter) const;
    [[nodiscard]] const std::array<int, kMeterCount>& levels() const { return m_levels; }

private:
    std::uint32_t nextRandom();

    std::array<int, kMeterCount> m_levels{};
    std::uint32_t m_random;
};

} // namespace tonwerk::ui
