#include "JoystickPlayer.h"

#include "ScreenLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tonwerk::ui {

namespace {

constexpr int kStepsPerRadius = 160;
constexpr int kMaxRadius = 160;
constexpr std::array<int, 8> kDjZones = {6, 5, 4, 3, 2, 1, 8, 7};
constexpr std::array<int, 16> kRockZones = {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 16, 15, 14, 13};

bool playsStick(midi::ScreenKind screen) { return screen != midi::ScreenKind::Master; }

} // namespace

int stickRadius(int x, int y) {
    const long long dx = x - kStickCentre;
    const long long dy = kStickCentre - y;
    const auto length = static_cast<long long>(std::floor(std::sqrt(static_cast<double>(dx * dx + dy * dy))));
    return static_cast<int>(std::min<long long>(kMaxRadius, length / kStepsPerRadius));
}

int stickVelocity(int radius) { return std::clamp(radius - (kDeadZone + 1), 0, 127); }

int stickZone(midi::ScreenKind screen, int x, int y, bool upperBank) {
    const double dx = x - kStickCentre;
    const double dy = kStickCentre - y;
    double degrees = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    if (degrees < 0) {
        degrees += 360.0;
    }
    const bool dj = screen == midi::ScreenKind::Dj;
    const int sectors = dj ? 8 : 16;
    const int sector = std::clamp(static_cast<int>(degrees / (360.0 / sectors)), 0, sectors - 1);
    if (dj) {
        const int zone = kDjZones[static_cast<std::size_t>(sector)];
        return upperBank ? 17 - zone : zone;
    }
    return kRockZones[static_cast<std::size_t>(sector)];
}

int zoneNote(midi::ScreenKind screen, int zone) { return padNote(screen, zone); }

int stickControllerX(int x) { return std::clamp((x * 127 + 65535) / 65536, 0, 127); }

int stickControllerY(int y) { return std::clamp(127 * (65536 - y) / 65536, 0, 127); }

void JoystickPlayer::setScreen(midi::ScreenKind screen) {
    if (screen != m_screen) {
        releaseZone();
        m_screen = screen;
    }
}

void JoystickPlayer::releaseZone() {
    if (m_playing) {
        m_host.injectUser(midi::shortMessage(0x80, m_playingNote, 0));
        m_playing = false;
    }
    if (m_zone != 0) {
        m_host.lightZone(m_zone, false);
        m_zone = 0;
    }
}

void JoystickPlayer::disconnected() {
    releaseZone();
    m_last = StickState{};
}

void JoystickPlayer::update(const StickState& state) {
    if (!playsStick(m_screen)) {
        m_last = state;
        return;
    }
    // The bank toggles once per press of Tab or button 3, not on every poll while held.
    if (m_screen == midi::ScreenKind::Dj && ((state.tab && !m_last.tab) || (state.button3 && !m_last.button3))) {
        m_upperBank = !m_upperBank;
    }
    const int radius = stickRadius(state.x, state.y);
    if (radius <= kDeadZone) {
        releaseZone();
    } else {
        m_velocity = stickVelocity(radius);
        m_host.showVelocity(m_velocity);
        if (state.button2) {
            const int y = stickControllerY(state.y);
            if (y != m_sliderValue) {
                m_sliderValue = y;
                m_host.setVelocitySlider(y);
            }
            if (m_screen == midi::ScreenKind::Dj) {
                m_host.setCrossfader(stickControllerX(state.x));
            }
        } else {
            const int zone = stickZone(m_screen, state.x, state.y, m_upperBank);
            if (zone != m_zone) {
                // Leaving a zone ends its note; the new zone's note waits for button 1.
                releaseZone();
                m_zone = zone;
                m_host.lightZone(zone, true);
            }
        }
    }
    if (state.button1 && !m_last.button1 && m_zone != 0) {
        m_host.inject(midi::shortMessage(0xB0, 104, 127));
        if (state.ctrl) {
            m_host.inject(midi::shortMessage(0xB0, 103, 127));
        }
        m_playingNote = zoneNote(m_screen, m_zone);
        // A note-on of velocity 0 would be a note-off: the softest note is 1.
        m_host.inject(midi::shortMessage(0x90, m_playingNote, std::max(1, m_velocity)));
        m_playing = true;
    } else if (!state.button1 && m_last.button1 && m_playing) {
        m_host.injectUser(midi::shortMessage(0x80, m_playingNote, 0));
        m_playing = false;
    }
    m_last = state;
}

} // namespace tonwerk::ui
