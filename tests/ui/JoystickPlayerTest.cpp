#include "screens/JoystickPlayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace tonwerk;
using ui::StickState;

namespace {

class Log final : public ui::JoystickHost {
public:
    std::vector<std::string> events;
    void inject(midi::ShortMessage m) override { events.push_back("in " + text(m)); }
    void injectUser(midi::ShortMessage m) override { events.push_back("user " + text(m)); }
    void lightZone(int zone, bool lit) override { events.push_back((lit ? "light " : "dark ") + std::to_string(zone)); }
    void setVelocitySlider(int v) override { events.push_back("slider " + std::to_string(v)); }
    void setCrossfader(int v) override { events.push_back("fader " + std::to_string(v)); }

private:
    static std::string text(midi::ShortMessage m) {
        return std::to_string(m & 0xFF) + " " + std::to_string((m >> 8) & 0xFF) + " " +
               std::to_string((m >> 16) & 0xFF);
    }
};

// The stick at `degrees` (counterclockwise from the right) with deflection `fraction` of full.
StickState at(double degrees, double fraction = 1.0) {
    const double radians = degrees * std::numbers::pi / 180.0;
    StickState s;
    s.x = ui::kStickCentre + static_cast<int>(std::lround(32767 * fraction * std::cos(radians)));
    s.y = ui::kStickCentre - static_cast<int>(std::lround(32767 * fraction * std::sin(radians)));
    return s;
}

} // namespace

// Zones by direction: straight up on the DJ screen is zone 4 (the border of 4 and 5), the upper
// bank mirrors into 9-16; on the Rock screen zone 1 is just left of straight down.
TEST(JoystickPlayer, ZonesRadiusAndControllerValues) {
    EXPECT_EQ(ui::stickZone(midi::ScreenKind::Dj, ui::kStickCentre, 0, false), 4);
    EXPECT_EQ(ui::stickZone(midi::ScreenKind::Dj, ui::kStickCentre, 0, true), 13);
    EXPECT_EQ(ui::stickZone(midi::ScreenKind::Dj, 65535, ui::kStickCentre, false), 6);
    EXPECT_EQ(ui::stickZone(midi::ScreenKind::Rock, at(268).x, at(268).y, false), 1);
    EXPECT_EQ(ui::stickZone(midi::ScreenKind::Rock, at(272).x, at(272).y, false), 16);
    EXPECT_EQ(ui::zoneNote(midi::ScreenKind::Rock, 16), 60);
    EXPECT_EQ(ui::zoneNote(midi::ScreenKind::Dj, 16), 91);
    EXPECT_EQ(ui::stickRadius(ui::kStickCentre, ui::kStickCentre), 0);
    EXPECT_EQ(ui::stickRadius(0, 0), 160);
    EXPECT_EQ(ui::stickRadius(65535, ui::kStickCentre), 160); // at most 160
    EXPECT_EQ(ui::stickVelocity(160), 127);
    EXPECT_EQ(ui::stickVelocity(33), 0);
    EXPECT_EQ(ui::stickControllerX(0), 0);
    EXPECT_EQ(ui::stickControllerX(65535), 127);
    EXPECT_EQ(ui::stickControllerY(0), 127);
    EXPECT_EQ(ui::stickControllerY(65535), 0);
}

// Resting near the centre selects no zone and button 1 plays nothing; a sweep with button 1 held
// ends each zone's note as it is left and starts none; pressing again plays the zone under the
// stick with the stick's velocity.
TEST(JoystickPlayer, DeadZoneSweepAndButtonOne) {
    Log log;
    ui::JoystickPlayer player(log);
    StickState rest = at(90, 0.1);
    rest.button1 = true;
    player.update(rest);
    EXPECT_EQ(player.zone(), 0);
    EXPECT_TRUE(log.events.empty());
    rest.button1 = false;
    player.update(rest);

    player.update(at(90));
    EXPECT_EQ(player.zone(), 4);
    StickState held = at(90);
    held.button1 = true;
    player.update(held);
    StickState next = at(150);
    next.button1 = true;
    player.update(next);
    EXPECT_EQ(log.events, (std::vector<std::string>{"light 4", "in 176 104 127", "in 144 39 127", "user 128 39 0",
                                                    "dark 4", "light 3"}));
    log.events.clear();
    next.button1 = false;
    player.update(next); // nothing sounds: nothing to release
    EXPECT_TRUE(log.events.empty());
    next.button1 = true;
    next.ctrl = true;
    player.update(next);
    EXPECT_EQ(log.events, (std::vector<std::string>{"in 176 104 127", "in 176 103 127", "in 144 38 127"}));
}

// Tab held toggles the bank once; button 3 too. Button 2 drives the slider and the fader and
// leaves the zone alone. A stick unplugged while button 1 holds a note ends it.
TEST(JoystickPlayer, BanksButtonTwoAndUnplugging) {
    Log log;
    ui::JoystickPlayer player(log);
    StickState s = at(90);
    s.tab = true;
    player.update(s);
    player.update(s);
    player.update(s);
    EXPECT_TRUE(player.upperBank());
    EXPECT_EQ(player.zone(), 13);
    s.tab = false;
    s.button3 = true;
    player.update(s);
    s.button3 = false;
    player.update(s);
    EXPECT_FALSE(player.upperBank());
    EXPECT_EQ(player.zone(), 4);

    log.events.clear();
    StickState controller;
    controller.x = 65535;
    controller.y = 0;
    controller.button2 = true;
    player.update(controller);
    EXPECT_EQ(player.zone(), 4);
    EXPECT_EQ(log.events, (std::vector<std::string>{"slider 127", "fader 127"}));

    log.events.clear();
    StickState play = at(90);
    play.button1 = true;
    player.update(play);
    player.disconnected();
    EXPECT_EQ(log.events, (std::vector<std::string>{"in 176 104 127", "in 144 39 127", "user 128 39 0", "dark 4"}));
    EXPECT_EQ(player.zone(), 0);

    // The softest deflection outside the dead zone plays velocity 1, never a note-on of 0.
    log.events.clear();
    StickState soft;
    soft.x = ui::kStickCentre + 33 * 160;
    player.update(soft);
    soft.button1 = true;
    player.update(soft);
    EXPECT_EQ(log.events.back(), "in 144 41 1");

    // The Master screen ignores the stick; switching to it ends the note.
    player.setScreen(midi::ScreenKind::Master);
    EXPECT_EQ(log.events.back(), "dark 6");
    log.events.clear();
    player.update(at(90));
    EXPECT_TRUE(log.events.empty());
}
