#include "screens/ScreenLayout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tonwerk;
using tonwerk::ui::ScreenControl;

namespace {

const ScreenControl* find(const std::vector<ScreenControl>& controls, int id) {
    for (const ScreenControl& c : controls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace

// Every screen's controls: unique ids, inside the screen, none on top of another.
TEST(ScreenLayout, ControlsAreUniqueInsideTheScreenAndApart) {
    for (const auto screen :
         {midi::ScreenKind::Master, midi::ScreenKind::Rock, midi::ScreenKind::Dj, midi::ScreenKind::Easy}) {
        const auto controls = ui::screenControls(screen);
        std::set<int> ids;
        for (const ScreenControl& c : controls) {
            EXPECT_TRUE(ids.insert(c.id).second) << c.name << " twice";
            EXPECT_GT(c.rect.width, 0) << c.name;
            EXPECT_GT(c.rect.height, 0) << c.name;
            EXPECT_GE(c.rect.x, 0) << c.name;
            EXPECT_GE(c.rect.y, 0) << c.name;
            EXPECT_LE(c.rect.x + c.rect.width, ui::kScreenWidth) << c.name;
            EXPECT_LE(c.rect.y + c.rect.height, ui::kScreenHeight) << c.name;
        }
        for (std::size_t i = 0; i < controls.size(); ++i) {
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                EXPECT_FALSE(controls[i].rect.intersects(controls[j].rect))
                    << controls[i].name << " and " << controls[j].name << " overlap on screen "
                    << static_cast<int>(screen);
            }
        }
    }
}

TEST(ScreenLayout, WhichControlsEachScreenHas) {
    const auto master = ui::screenControls(midi::ScreenKind::Master);
    const auto dj = ui::screenControls(midi::ScreenKind::Dj);
    const auto rock = ui::screenControls(midi::ScreenKind::Rock);
    EXPECT_EQ(master.size(), 36u + 2 * ui::kVisibleSplitRows);
    EXPECT_EQ(dj.size(), 37u + ui::kPadCount);
    EXPECT_EQ(rock.size(), dj.size());
    // The Master screen has no pads; its Video 1 and 2 and transport buttons exist.
    for (int pad = 0; pad < ui::kPadCount; ++pad) {
        EXPECT_EQ(find(master, ui::kFirstPadId + pad), nullptr);
        ASSERT_NE(find(dj, ui::kFirstPadId + pad), nullptr);
        EXPECT_NE(find(dj, ui::kFirstPadId + pad)->further[1], 0) << "a pad has two further faces";
    }
    for (const int id : {1335, 1336, 1280, 1281, 1282, 1374}) {
        EXPECT_NE(find(master, id), nullptr) << id;
    }
    // The split list's row buttons: on/off and solo of rows 0-8.
    EXPECT_EQ(ui::onOffButtonId(0), 129);
    EXPECT_EQ(ui::onOffButtonId(8), 138);
    EXPECT_EQ(ui::soloButtonId(8), 137);
    EXPECT_EQ(ui::soloButtonId(9), -1);
    EXPECT_EQ(find(master, 137)->rect, (ui::PixelRect{171, 378, 10, 10}));
    // DJ and Rock differ only in the faces of Record, Play and Stop and in the pads.
    for (std::size_t i = 0; i < dj.size(); ++i) {
        if (dj[i].id >= ui::kFirstPadId && dj[i].id < ui::kFirstPadId + ui::kPadCount) {
            continue;
        }
        ASSERT_EQ(dj[i].id, rock[i].id);
        EXPECT_EQ(dj[i].rect, rock[i].rect) << dj[i].name;
        const bool transport = dj[i].id == 1280 || dj[i].id == 1281 || dj[i].id == 1282;
        EXPECT_EQ(dj[i].face != rock[i].face, transport) << dj[i].name;
    }
    // Kinds: repeat for the arrows, toggle for the screen and transport toggles.
    EXPECT_TRUE((find(dj, 1505)->kind & ui::ButtonKind::kRepeat) != 0);
    EXPECT_TRUE((find(dj, 1281)->kind & ui::ButtonKind::kToggle) != 0);
    EXPECT_FALSE((find(dj, 1282)->kind & ui::ButtonKind::kToggle) != 0);
}

TEST(ScreenLayout, PadNotes) {
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Dj, 1), 36);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Dj, 8), 43);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Dj, 9), 84);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Dj, 16), 91);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Rock, 16), 60);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Easy, 16), 60);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Rock, 15), 90);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Dj, 0), -1);
    EXPECT_EQ(ui::padNote(midi::ScreenKind::Dj, 17), -1);
}

// The panels and their labels: inside the screen, clear of every command control and of each
// other (a label may sit on its own panel only when it is drawn inside it).
TEST(ScreenLayout, PanelsAndLabelsLeaveTheControlsFree) {
    for (const auto screen :
         {midi::ScreenKind::Master, midi::ScreenKind::Rock, midi::ScreenKind::Dj, midi::ScreenKind::Easy}) {
        const auto controls = ui::screenControls(screen);
        const auto panels = ui::screenPanels(screen);
        struct Area {
            ui::PixelRect rect;
            std::string name;
            std::size_t owner;
        };
        std::vector<Area> areas;
        for (std::size_t i = 0; i < panels.size(); ++i) {
            const auto& p = panels[i];
            areas.push_back({p.rect, std::string("panel ") + p.label + "#" + std::to_string(i), i});
            if (p.labelRect.width > 0 && !(p.labelRect == p.rect)) {
                areas.push_back({p.labelRect, std::string("label ") + p.label, i});
            }
        }
        for (const Area& a : areas) {
            EXPECT_GE(a.rect.x, 0) << a.name;
            EXPECT_GE(a.rect.y, 0) << a.name;
            EXPECT_LE(a.rect.x + a.rect.width, ui::kScreenWidth) << a.name;
            EXPECT_LE(a.rect.y + a.rect.height, ui::kScreenHeight) << a.name;
            for (const ScreenControl& c : controls) {
                EXPECT_FALSE(a.rect.intersects(c.rect))
                    << a.name << " covers " << c.name << " on screen " << static_cast<int>(screen);
            }
        }
        for (std::size_t i = 0; i < areas.size(); ++i) {
            for (std::size_t j = i + 1; j < areas.size(); ++j) {
                EXPECT_FALSE(areas[i].rect.intersects(areas[j].rect))
                    << areas[i].name << " and " << areas[j].name << " overlap on screen " << static_cast<int>(screen);
            }
        }
        int meters = 0;
        for (const auto& p : panels) {
            meters += p.kind == ui::PanelKind::LevelMeter ? 1 : 0;
        }
        EXPECT_EQ(meters, 16);
    }
}
