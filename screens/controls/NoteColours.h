#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tonwerk::ui {

// The note colour bar of the Master screen: every note-on draws a line across the strip at the
// height of its velocity in the colour of its pitch class; a note-off draws a black line at the
// height the key was struck with. The last 64 sounding keys are remembered for that, and the
// newest velocity is what the velocity display shows.

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// The colour of key `key`'s pitch class (key mod 12).
[[nodiscard]] Rgb pitchClassColour(int key);

// The line's y for a velocity on a strip from `top` to `bottom`: top + (bottom - top) ×
// (127 - velocity) / 127 (velocity limited to 0-127).
[[nodiscard]] int velocityLineY(int top, int bottom, int velocity);

// One line to draw.
struct ColourLine {
    int velocity = 0;
    Rgb colour;
};

// The keys the bar remembers. UI thread.
class NoteColourBar {
public:
    static constexpr int kRemembered = 64;

    // A note-on: the line to draw (and the key is remembered; the oldest goes when 64 sound).
    ColourLine noteOn(int key, int velocity);
    // A note-off: the black line at the height the key was struck with; none for a key not
    // remembered.
    std::optional<ColourLine> noteOff(int key);
    // The velocity display: the newest note-on's velocity while any remembered key sounds.
    [[nodiscard]] std::optional<int> shownVelocity() const;
    [[nodiscard]] int soundingKeys() const { return m_count; }
    void reset();

private:
    struct Entry {
        int key = -1;
        int velocity = 0;
    };
    std::array<Entry, kRemembered> m_entries{};
    int m_count = 0;
    int m_newestVelocity = 0;
};

} // namespace tonwerk::ui
