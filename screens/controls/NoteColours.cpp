#include "NoteColours.h"

#include <algorithm>

namespace tonwerk::ui {

Rgb pitchClassColour(int key) {
    static constexpr std::array<Rgb, 12> kColours = {{
        {0, 0, 0},       // black
        {255, 0, 0},     // red
        {0, 255, 0},     // green
        {255, 255, 0},   // yellow
        {0, 0, 255},     // blue
        {255, 255, 255}, // white
        {128, 0, 0},     // dark red
        {0, 128, 0},     // dark green
        {128, 128, 0},   // olive
        {0, 0, 128},     // navy
        {192, 220, 192}, // pale green
        {166, 202, 240}, // light blue
    }};
    return kColours[static_cast<std::size_t>(((key % 12) + 12) % 12)];
}

int velocityLineY(int top, int bottom, int velocity) {
    const int v = std::clamp(velocity, 0, 127);
    return top + (bottom - top) * (127 - v) / 127;
}

ColourLine NoteColourBar::noteOn(int key, int velocity) {
    if (m_count == kRemembered) {
        std::move(m_entries.begin() + 1, m_entries.end(), m_entries.begin()); // the oldest goes
        --m_count;
    }
    m_entries[static_cast<std::size_t>(m_count++)] = Entry{key, velocity};
    m_newestVelocity = velocity;
    return ColourLine{velocity, pitchClassColour(key)};
}

std::optional<ColourLine> NoteColourBar::noteOff(int key) {
    for (int i = m_count - 1; i >= 0; --i) {
        if (m_entries[static_cast<std::size_t>(i)].key == key) {
            const int velocity = m_entries[static_cast<std::size_t>(i)].velocity;
            std::move(m_entries.begin() + i + 1, m_entries.begin() + m_count, m_entries.begin() + i);
            --m_count;
            return ColourLine{velocity, Rgb{}};
        }
    }
    return std::nullopt;
}

std::optional<int> NoteColourBar::shownVelocity() const {
    return m_count > 0 ? std::optional<int>(m_newestVelocity) : std::nullopt;
}

void NoteColourBar::reset() {
    m_count = 0;
    m_newestVelocity = 0;
}

} // namespace tonwerk::ui
