#include "app/JoystickInput.h"
#include "screens/ScreenCommands.h"
#include "support/ScreenRig.h"

#include "midi/SplitFields.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tonwerk;

// A stick through SDL's virtual joystick: found when plugged in after the start, its axes and
// buttons read into the screen, which plays the zone's note; pulled out while button 1 holds the
// note, the note ends.
TEST(JoystickInput, VirtualStickPlaysAndUnplugs) {
    ui::JoystickInput input;
    if (!input.available()) {
        GTEST_SKIP() << "SDL's joystick subsystem does not start here";
    }
    ui::StickState state;
    bool lost = false;
    EXPECT_FALSE(input.poll(state, lost));

    const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 3, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    SDL_Joystick* stick = SDL_JoystickOpen(device);
    ASSERT_NE(stick, nullptr);

    test::ScreenRig rig;
    for (int split = 0; split < 2; ++split) {
        rig.session->commands().setSplitField(split, *midi::findSplitField("", "state"), 0, 1);
    }
    auto screen = rig.open(midi::ScreenKind::Dj);
    rig.output.clear();

    // Straight up, full deflection: zone 4 (note 39) at velocity 127.
    SDL_JoystickSetVirtualAxis(stick, 0, 0);
    SDL_JoystickSetVirtualAxis(stick, 1, -32768);
    ASSERT_TRUE(input.poll(state, lost));
    EXPECT_EQ(state.x, 32768);
    EXPECT_EQ(state.y, 0);
    screen->joystick(state);
    EXPECT_EQ(screen->joystickPlayer().zone(), 4);
    EXPECT_TRUE(screen->padLit(4));
    SDL_JoystickSetVirtualButton(stick, 0, 1);
    ASSERT_TRUE(input.poll(state, lost));
    EXPECT_TRUE(state.button1);
    screen->joystick(state);
    const auto sent = rig.output.sent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), midi::shortMessage(0x90, 39, 127)), sent.end());

    // Pulled out while the note sounds.
    SDL_JoystickClose(stick);
    SDL_JoystickDetachVirtual(device);
    rig.output.clear();
    EXPECT_FALSE(input.poll(state, lost));
    EXPECT_TRUE(lost);
    screen->joystickLost();
    const auto after = rig.output.sent();
    EXPECT_TRUE(std::any_of(after.begin(), after.end(),
                            [](midi::ShortMessage m) { return (m & 0xF0U) == 0x80U && ((m >> 8) & 0x7F) == 39; }));
    EXPECT_EQ(screen->joystickPlayer().zone(), 0);
    rig.close();
}

TEST(JoystickInput, AxisRange) {
    EXPECT_EQ(ui::stickPosition(-32768), 0);
    EXPECT_EQ(ui::stickPosition(0), 32768);
    EXPECT_EQ(ui::stickPosition(32767), 65535);
}
