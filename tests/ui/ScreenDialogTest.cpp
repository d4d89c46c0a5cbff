#include "screens/ScreenDialog.h"
#include "screens/ScreenCommands.h"
#include "screens/controls/BitmapButton.h"
#include "screens/controls/OnScreenKeyboard.h"
#include "screens/controls/SplitList.h"
#include "support/ScreenRig.h"

#include "audio/WaveBuilder.h"
#include "midi/SplitFields.h"
#include "video/ClipMaker.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

using namespace tonwerk;
using test::ScreenRig;
using ui::ScreenDialog;
using ui::CommandId::kExit;

namespace {

// A plain left click at the centre of a control, press and release about 60 ms apart as a person
// (and the end-to-end test) clicks.
void click(ScreenDialog& screen, int id, Qt::KeyboardModifiers modifiers = {}) {
    ui::BitmapButton* b = screen.button(id);
    ASSERT_NE(b, nullptr) << id;
    QTest::mousePress(b, Qt::LeftButton, modifiers, b->rect().center());
    QTest::mouseRelease(b, Qt::LeftButton, modifiers, b->rect().center(), 60);
}

std::vector<midi::ShortMessage> notes(const std::vector<midi::ShortMessage>& sent) {
    std::vector<midi::ShortMessage> out;
    for (const midi::ShortMessage m : sent) {
        const auto kind = m & 0xF0U;
        if (kind == 0x90U || kind == 0x80U) {
            out.push_back(m);
        }
    }
    return out;
}

bool hasNoteOff(const std::vector<midi::ShortMessage>& sent, int channel, int key) {
    return std::any_of(sent.begin(), sent.end(), [&](midi::ShortMessage m) {
        const int kind = static_cast<int>(m & 0xF0U);
        const bool off = kind == 0x80 || (kind == 0x90 && ((m >> 16) & 0x7F) == 0);
        return off && static_cast<int>(m & 0x0F) == channel && static_cast<int>((m >> 8) & 0x7F) == key;
    });
}

const midi::SplitField& field(const char* name) { return *midi::findSplitField("", name); }

// Splits 0-5 on, one per output channel, every key.
void sixSplitsOn(session::Session& session) {
    for (int split = 0; split < 6; ++split) {
        session.commands().setSplitField(split, field("state"), 0, 1);
        session.commands().setSplitField(split, field("midiOutChannel"), 0, split);
        session.commands().setSplitField(split, field("keyLow"), 0, 0);
        session.commands().setSplitField(split, field("keyHigh"), 0, 127);
    }
    for (int split = 6; split < midi::kSplitCount; ++split) {
        session.commands().setSplitField(split, field("state"), 0, 0);
    }
}

std::vector<int> states(session::Session& session) {
    std::vector<int> out;
    for (int split = 0; split < midi::kSplitCount; ++split) {
        out.push_back(session.performance().split(split).state);
    }
    return out;
}

// A drop as Qt delivers it: the drag enters, then the drop.
void drop(QWidget* target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(3, 3), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &event);
}

} // namespace

// Every control sits at its table position at 100 % and at twice its size at 200 %; a click at
// a table point lands on the control the table puts there.
TEST(ScreenDialog, ControlsSitAtTheirTablePositionsAtEveryScale) {
    for (const int scale : {100, 200}) {
        ScreenRig rig(scale);
        for (const auto kind : {midi::ScreenKind::Master, midi::ScreenKind::Rock, midi::ScreenKind::Dj}) {
            auto screen = rig.open(kind);
            EXPECT_EQ(screen->width(), 801 * scale / 100);
            EXPECT_EQ(screen->height(), 584 * scale / 100);
            for (const ui::ScreenControl& entry : ui::screenControls(kind)) {
                ui::BitmapButton* b = screen->button(entry.id);
                ASSERT_NE(b, nullptr) << entry.name;
                const double s = scale / 100.0;
                EXPECT_EQ(b->geometry(), QRect(static_cast<int>(std::lround(entry.rect.x * s)),
                                               static_cast<int>(std::lround(entry.rect.y * s)),
                                               static_cast<int>(std::lround(entry.rect.width * s)),
                                               static_cast<int>(std::lround(entry.rect.height * s))))
                    << entry.name;
                const QPoint centre =
                    screen->windowPoint(entry.rect.x + entry.rect.width / 2, entry.rect.y + entry.rect.height / 2);
                EXPECT_EQ(screen->childAt(centre), b) << entry.name << " at " << scale;
            }
            // The split list shows only on the Master screen.
            EXPECT_EQ(screen->splitList()->isVisibleTo(screen.get()), kind == midi::ScreenKind::Master);
            rig.close();
        }
    }
}

// Fitting the screen to a larger window keeps every control at its scaled place, centred.
TEST(ScreenDialog, FitsAResizedWindow) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Dj);
    screen->show();
    screen->resize(1920, 1080);
    const ui::ScreenPlacement& p = screen->placement();
    EXPECT_NEAR(p.scale, 1080.0 / 584.0, 1e-9);
    ui::BitmapButton* panic = screen->button(ui::CommandId::kPanic);
    const ui::PixelRect at = p.map({424, 491, 43, 29});
    EXPECT_EQ(panic->geometry(), QRect(at.x, at.y, at.width, at.height));
    rig.close();
}

// Pads send controller 104, then the note with the screen's velocity at the press, and the
// note-off at the release; pad 16 is note 60 on the Rock screen and 91 on the DJ screen.
TEST(ScreenDialog, PadsPlayTheirNotes) {
    ScreenRig rig;
    sixSplitsOn(*rig.session);
    for (const auto& [kind, note] : {std::pair{midi::ScreenKind::Rock, 60}, std::pair{midi::ScreenKind::Dj, 91}}) {
        auto screen = rig.open(kind);
        rig.output.clear();
        ui::BitmapButton* pad = screen->button(ui::kFirstPadId + 15);
        QTest::mousePress(pad, Qt::LeftButton, {}, pad->rect().center());
        const auto pressed = notes(rig.output.sent());
        ASSERT_FALSE(pressed.empty());
        EXPECT_EQ(pressed.front(), midi::shortMessage(0x90, note, rig.settings.keyboardVelocity));
        EXPECT_TRUE(screen->padLit(16));
        QTest::mouseRelease(pad, Qt::LeftButton, {}, pad->rect().center(), 60);
        EXPECT_TRUE(hasNoteOff(rig.output.sent(), 0, note));
        EXPECT_FALSE(screen->padLit(16));
        rig.close();
    }
    // The velocity arrows change the pads' velocity, within 0-127.
    auto screen = rig.open(midi::ScreenKind::Dj);
    click(*screen, ui::CommandId::kVelocityDown);
    const int lowered = rig.session->performance().options().keyboardVelocity;
    EXPECT_EQ(screen->displayText(ui::PanelKind::VelocityDisplay), QString::number(lowered));
    rig.output.clear();
    click(*screen, ui::kFirstPadId);
    EXPECT_EQ(notes(rig.output.sent()).front(), midi::shortMessage(0x90, 36, lowered));
    for (int i = 0; i < 200; ++i) {
        screen->command(ui::CommandId::kVelocityUp);
    }
    EXPECT_EQ(rig.session->performance().options().keyboardVelocity, 127);
    rig.close();
}

// Solo and on/off through the Master screen's row buttons, with the rules of the screens.
TEST(ScreenDialog, SoloAndOnOffRows) {
    ScreenRig rig;
    sixSplitsOn(*rig.session);
    rig.session->commands().setSplitField(2, field("state"), 0, 0);
    auto screen = rig.open(midi::ScreenKind::Master);
    const std::vector<int> before = states(*rig.session);

    // Solo on row 3 twice: every split's state comes back.
    click(*screen, ui::soloButtonId(3));
    EXPECT_EQ(rig.session->performance().split(3).state, 1);
    EXPECT_EQ(rig.session->performance().split(0).state, -1);
    EXPECT_EQ(rig.session->performance().split(2).state, 0); // off stays off
    EXPECT_EQ(screen->splitList()->selected(), 3);
    click(*screen, ui::soloButtonId(3));
    EXPECT_EQ(states(*rig.session), before);

    // Solo on row 3, then on row 5: row 3 is muted, row 5 sounds alone.
    click(*screen, ui::soloButtonId(3));
    click(*screen, ui::soloButtonId(5));
    EXPECT_EQ(rig.session->performance().split(3).state, -1);
    EXPECT_EQ(rig.session->performance().split(5).state, 1);
    EXPECT_EQ(rig.session->performance().split(5).solo, 1);
    EXPECT_EQ(rig.session->performance().split(3).solo, 0);

    // Any on/off button cancels solo: the muted splits are on again (the pressed one, muted, is
    // switched on); pressed again, it is off.
    click(*screen, ui::onOffButtonId(1));
    EXPECT_EQ(rig.session->performance().split(1).state, 1);
    EXPECT_EQ(rig.session->performance().split(3).state, 1);
    EXPECT_EQ(rig.session->performance().split(5).solo, 0);
    click(*screen, ui::onOffButtonId(1));
    EXPECT_EQ(rig.session->performance().split(1).state, 0);

    // Rows follow the list's top: scrolled down by two, row 0 is split 2.
    click(*screen, ui::CommandId::kListDown);
    click(*screen, ui::CommandId::kListDown);
    EXPECT_EQ(screen->listTop(), 2);
    click(*screen, ui::onOffButtonId(0));
    EXPECT_EQ(rig.session->performance().split(2).state, 1);
    for (int i = 0; i < 30; ++i) {
        screen->command(ui::CommandId::kListDown);
    }
    EXPECT_EQ(screen->listTop(), 15);
    rig.close();
}

// Notes sounding when a split is switched off, soloed away or the screen is switched still get
// their note-offs at their outputs.
TEST(ScreenDialog, NoNoteIsLeftSounding) {
    ScreenRig rig;
    sixSplitsOn(*rig.session);
    auto screen = rig.open(midi::ScreenKind::Master);
    session::Commands& commands = rig.session->commands();

    commands.userInput(midi::shortMessage(0x90, 60, 100));
    click(*screen, ui::onOffButtonId(0));
    rig.output.clear();
    commands.userInput(midi::shortMessage(0x80, 60, 0));
    EXPECT_TRUE(hasNoteOff(rig.output.sent(), 0, 60)) << "switched off while sounding";

    commands.userInput(midi::shortMessage(0x90, 62, 100));
    click(*screen, ui::soloButtonId(4));
    rig.output.clear();
    commands.userInput(midi::shortMessage(0x80, 62, 0));
    for (int channel = 1; channel < 6; ++channel) {
        if (channel == 4) {
            continue;
        }
        EXPECT_TRUE(hasNoteOff(rig.output.sent(), channel, 62)) << "muted by solo, channel " << channel;
    }
    click(*screen, ui::soloButtonId(4));

    // A key held while the screen switches: its note-offs go out with the switch.
    commands.userInput(midi::shortMessage(0x90, 64, 100));
    rig.output.clear();
    screen->command(ui::CommandId::kDjButton);
    EXPECT_EQ(rig.state.currentScreen, midi::ScreenKind::Dj);
    EXPECT_TRUE(hasNoteOff(rig.output.sent(), 1, 64));
    rig.close();
}

// A switch is refused while a song records; the screen buttons keep showing the screen in force.
TEST(ScreenDialog, SwitchingIsRefusedWhileTheSongRuns) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Dj);
    click(*screen, ui::CommandId::kRecord);
    ASSERT_EQ(rig.session->song().state(), song::Song::State::Recording);
    EXPECT_TRUE(screen->button(ui::CommandId::kRecord)->checked());
    click(*screen, ui::CommandId::kMasterButton);
    EXPECT_EQ(rig.state.currentScreen, midi::ScreenKind::Dj);
    EXPECT_TRUE(screen->isVisible() || !screen->result());
    EXPECT_FALSE(screen->button(ui::CommandId::kMasterButton)->checked());
    EXPECT_TRUE(screen->button(ui::CommandId::kDjButton)->checked());
    click(*screen, ui::CommandId::kStop);
    // The recording ends on the song's next tick.
    rig.session->advanceTo(rig.session->nowMs() + 40);
    screen->screenTick();
    EXPECT_EQ(rig.session->song().state(), song::Song::State::Stopped);
    EXPECT_FALSE(screen->button(ui::CommandId::kRecord)->checked());
    // Pressing the screen already shown changes nothing.
    click(*screen, ui::CommandId::kDjButton);
    EXPECT_TRUE(screen->button(ui::CommandId::kDjButton)->checked());
    rig.close();
}

// Tempo and pitch arrows stay within 50-260 and -24..24 and show their values.
TEST(ScreenDialog, TempoAndPitchArrows) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Rock);
    const int tempo = rig.session->performance().split(0).setupTempo;
    click(*screen, ui::CommandId::kTempoUp);
    EXPECT_EQ(rig.session->performance().split(0).setupTempo, tempo + 1);
    EXPECT_EQ(screen->displayText(ui::PanelKind::TempoDisplay), QString::number(tempo + 1));
    for (int i = 0; i < 400; ++i) {
        screen->command(ui::CommandId::kTempoUp);
    }
    EXPECT_EQ(rig.session->performance().split(0).setupTempo, 260);
    for (int i = 0; i < 30; ++i) {
        screen->command(ui::CommandId::kPitchDown);
    }
    EXPECT_EQ(rig.session->performance().split(0).setupPitch, -24);
    EXPECT_EQ(screen->displayText(ui::PanelKind::PitchDisplay), QStringLiteral("-24"));
    screen->command(ui::CommandId::kPitchUp);
    EXPECT_EQ(screen->displayText(ui::PanelKind::PitchDisplay), QStringLiteral("-23"));
    rig.close();
}

// Samples dropped on pads and clips on pads or video buttons go to their splits; other files and
// files that cannot be loaded leave nothing but a MIDI split.
TEST(ScreenDialog, DropsOfSamplesAndClips) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Rock);
    test::WaveBuilder wave;
    wave.rate = 22050;
    for (int i = 0; i < 2205; ++i) {
        wave.words({static_cast<std::int16_t>(3000 * std::sin(i * 0.1))});
    }
    const auto bytes = wave.bytes();
    const auto wavePath = rig.dir / "Kick.WAV";
    std::ofstream(wavePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    drop(screen->button(ui::kFirstPadId + 4), QString::fromStdString(wavePath.string()));
    EXPECT_EQ(rig.session->performance().split(4).taskKind(), midi::SplitTask::Sample);
    EXPECT_EQ(rig.session->performance().split(4).state, 1);

    // Not a sample: the split is left a MIDI split.
    const auto broken = rig.dir / "broken.wav";
    std::ofstream(broken) << "not a wave";
    drop(screen->button(ui::kFirstPadId + 6), QString::fromStdString(broken.string()));
    EXPECT_EQ(rig.session->performance().split(6).taskKind(), midi::SplitTask::Midi);
    // Other endings are ignored.
    drop(screen->button(ui::kFirstPadId + 7), QString::fromStdString((rig.dir / "notes.txt").string()));
    EXPECT_EQ(rig.session->performance().split(7).taskKind(), midi::SplitTask::Midi);

    const auto clip = rig.dir / "loop.avi";
    if (!test::makeClip(clip, "mjpeg", 64, 48, 5)) {
        GTEST_SKIP() << "no ffmpeg tool for the clip";
    }
    drop(screen->button(ui::kFirstPadId + 10), QString::fromStdString(clip.string()));
    EXPECT_EQ(rig.session->performance().split(18).taskKind(), midi::SplitTask::Avi);
    drop(screen->button(ui::CommandId::kVideo1), QString::fromStdString(clip.string()));
    EXPECT_EQ(rig.session->performance().split(17).taskKind(), midi::SplitTask::Avi);
    rig.close();
}

// Saving a song over an existing file asks first; No leaves the file as it was.
TEST(ScreenDialog, SaveMidiFileAsksBeforeReplacing) {
    ScreenRig rig;
    const auto existing = rig.dir / "take.mid";
    std::ofstream(existing) << "keep me";
    ui::ScreenHost host;
    host.chooseFile = [&](QWidget*, ui::ScreenHost::FileDialog kind, const QString& title, const QString&,
                          const QString&, const QString&) {
        EXPECT_EQ(kind, ui::ScreenHost::FileDialog::Save);
        EXPECT_EQ(title, QStringLiteral("Write MIDI File"));
        return QString::fromStdString(existing.string());
    };
    auto screen = rig.open(midi::ScreenKind::Dj, host);
    rig.notifier.answerNext(core::MessageAnswer::No);
    screen->command(ui::CommandId::kSaveMidiFile);
    ASSERT_EQ(rig.notifier.count(), 1u);
    EXPECT_EQ(rig.notifier.shown().back().request.buttons, core::MessageButtons::YesNo);
    EXPECT_NE(rig.notifier.shown().back().request.text.find("take.mid"), std::string::npos);
    std::ifstream in(existing);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
    rig.close();
}

// The sound memory buttons show the mode in force, ask, and store the new mode for the next start.
TEST(ScreenDialog, SoundMemoryModeAsksAndStores) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Dj);
    EXPECT_TRUE(screen->button(ui::CommandId::kMemoryMode2)->checked());
    rig.notifier.answerNext(core::MessageAnswer::Cancel);
    click(*screen, ui::CommandId::kMemoryMode4);
    EXPECT_EQ(rig.notifier.shown().back().request.text, "This change becomes active after restarting ORVAN Tonwerk.");
    EXPECT_FALSE(std::filesystem::exists(rig.dir / "Tonwerk.ini"));
    rig.notifier.answerNext(core::MessageAnswer::Ok);
    click(*screen, ui::CommandId::kMemoryMode4);
    EXPECT_TRUE(screen->button(ui::CommandId::kMemoryMode2)->checked()) << "the mode in force stays shown";
    EXPECT_FALSE(screen->button(ui::CommandId::kMemoryMode4)->checked());
    const core::Settings stored =
        core::loadSettingsFile(rig.dir / "Tonwerk.ini", core::SettingsEnvironment{rig.dir.path(), rig.dir.path(), {}});
    EXPECT_EQ(stored.sampleMemoryMode, 4);
    rig.close();
}

// The split list's menus and in-place fields change the selected split; out-of-range input is
// ignored.
TEST(ScreenDialog, SplitListEdits) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Master);
    screen->show();
    rig.session->commands().setSplitField(2, field("state"), 0, 1);
    ui::SplitList* list = screen->splitList();
    QTest::mousePress(list, Qt::LeftButton, {}, QPoint(30, list->rowTop(2) + 3));
    EXPECT_EQ(rig.session->performance().currentSplit(), 2);
    rig.session->commands().setSplitField(2, field("transpose"), 0, 48);
    screen->command(ui::CommandId::kOctaveUp);
    EXPECT_EQ(rig.session->performance().split(2).transpose, 60);
    screen->command(ui::CommandId::kOctaveUp); // greyed in the menu: nothing happens
    EXPECT_EQ(rig.session->performance().split(2).transpose, 60);
    screen->command(ui::CommandId::kOriginalPitch);
    EXPECT_EQ(rig.session->performance().split(2).transpose, 0);
    screen->command(ui::CommandId::kFirstOutChannel + 9);
    EXPECT_EQ(rig.session->performance().split(2).midiOutChannel, 9);
    screen->command(ui::CommandId::kPcKeyboardRange);
    EXPECT_EQ(rig.session->performance().split(2).keyLow, 36);
    EXPECT_EQ(rig.session->performance().split(2).keyHigh, 96);
    EXPECT_TRUE(list->line(2).contains(QStringLiteral("10")));

    // Double-click on the input channel: the field opens with the value + 1; 17 is ignored, 16 taken.
    const auto spans = list->columns();
    const QPoint inChannel((spans[5].left + spans[5].right) / 2, list->rowTop(2) + 3);
    QTest::mouseDClick(list, Qt::LeftButton, {}, inChannel);
    ASSERT_TRUE(list->editing());
    emit list->cellEdited(2, 6, QStringLiteral("17"));
    EXPECT_EQ(rig.session->performance().split(2).midiInChannel, 0);
    emit list->cellEdited(2, 6, QStringLiteral("16"));
    EXPECT_EQ(rig.session->performance().split(2).midiInChannel, 15);
    emit list->cellEdited(2, 7, QStringLiteral("-61"));
    EXPECT_EQ(rig.session->performance().split(2).transpose, 0);
    rig.close();
}

// Meters show the dispatcher's levels and fall on each 50 ms tick; pads light with their notes.
TEST(ScreenDialog, MetersAndPadLightsFollowTheStream) {
    ScreenRig rig;
    sixSplitsOn(*rig.session);
    auto screen = rig.open(midi::ScreenKind::Dj);
    rig.session->commands().userInput(midi::shortMessage(0x90, 36, 100));
    EXPECT_TRUE(screen->padLit(1));
    const int level = screen->meterLevel(0);
    EXPECT_GT(level, 0);
    screen->screenTick();
    EXPECT_EQ(screen->meterLevel(0), std::max(0, level - 10));
    for (int i = 0; i < 20; ++i) {
        screen->screenTick();
    }
    EXPECT_EQ(screen->meterLevel(0), 0);
    rig.session->commands().userInput(midi::shortMessage(0x80, 36, 0));
    EXPECT_FALSE(screen->padLit(1));
    rig.close();
}

// The Exit button asks; No keeps the screen, Yes ends the screen loop.
TEST(ScreenDialog, ExitAsks) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Dj);
    rig.notifier.answerNext(core::MessageAnswer::No);
    click(*screen, kExit);
    EXPECT_FALSE(rig.state.quitRequested);
    rig.notifier.answerNext(core::MessageAnswer::Yes);
    click(*screen, kExit);
    EXPECT_TRUE(rig.state.quitRequested);
    EXPECT_EQ(rig.notifier.shown().back().request.caption, "Warning");
    rig.close();
}

// The screens' plain rules.
TEST(ScreenCommands, Rules) {
    EXPECT_EQ(ui::parseCellEdit(3, "1"), 0);
    EXPECT_EQ(ui::parseCellEdit(3, " 16 "), 15);
    EXPECT_EQ(ui::parseCellEdit(3, "0"), std::nullopt);
    EXPECT_EQ(ui::parseCellEdit(6, "17"), std::nullopt);
    EXPECT_EQ(ui::parseCellEdit(7, "+12"), 12);
    EXPECT_EQ(ui::parseCellEdit(7, "-60"), -60);
    EXPECT_EQ(ui::parseCellEdit(7, "61"), std::nullopt);
    EXPECT_EQ(ui::parseCellEdit(7, "1e3"), std::nullopt);
    EXPECT_EQ(ui::parseCellEdit(7, ""), std::nullopt);
    EXPECT_EQ(ui::parseCellEdit(2, "5"), std::nullopt);
    EXPECT_EQ(ui::transposeAfter(ui::CommandId::kOctaveUp, 48), 60);
    EXPECT_EQ(ui::transposeAfter(ui::CommandId::kOctaveUp, 49), std::nullopt);
    EXPECT_EQ(ui::transposeAfter(ui::CommandId::kOctaveDown, -48), -60);
    EXPECT_EQ(ui::transposeAfter(ui::CommandId::kOctaveDown, -49), std::nullopt);
    EXPECT_EQ(ui::droppedFileKind("/a/B.WaV"), ui::DroppedFile::Sample);
    EXPECT_EQ(ui::droppedFileKind("clip.AVI"), ui::DroppedFile::Clip);
    EXPECT_EQ(ui::droppedFileKind("avi"), ui::DroppedFile::Other);
    EXPECT_EQ(ui::droppedFileKind("/loops/Break.FLAC"), ui::DroppedFile::Sample);
    EXPECT_EQ(ui::droppedFileKind("take.aiff"), ui::DroppedFile::Sample);
    EXPECT_EQ(ui::droppedFileKind("setup.mkb"), ui::DroppedFile::Other);
    EXPECT_EQ(ui::droppedFileKind(""), ui::DroppedFile::Other);
    EXPECT_EQ(ui::withExtension("Gig", ".mks"), "Gig.mks");
    EXPECT_EQ(ui::withExtension("Gig.MKS", ".mks"), "Gig.MKS");
    EXPECT_EQ(ui::splitForRow(8, 15), 23);
    EXPECT_EQ(ui::rowOfSoloButton(137), 8);
    EXPECT_EQ(ui::rowOfOnOffButton(138), 8);
    EXPECT_EQ(ui::rowOfOnOffButton(137), std::nullopt);
    EXPECT_EQ(ui::barBeatOf(0).bar, 1);
    EXPECT_EQ(ui::barBeatOf(9).bar, 3);
    EXPECT_EQ(ui::barBeatOf(9).beat, 2);
    EXPECT_EQ(ui::lengthText(9), "2:1");
    EXPECT_EQ(ui::menuForColumn(1), ui::ListMenu::None);
    EXPECT_EQ(ui::menuForColumn(7), ui::ListMenu::Transpose);
}

// The size setting: fixed sizes resize the window, fitting follows it; F11 toggles full screen;
// the File menu offers the sizes and the screens.
TEST(ScreenDialog, ScreenSizeAndFullScreen) {
    ScreenRig rig;
    auto screen = rig.open(midi::ScreenKind::Master);
    screen->show();
    screen->setScreenScale(150);
    EXPECT_EQ(screen->size(), QSize(1202, 876));
    EXPECT_DOUBLE_EQ(screen->placement().scale, 1.5);
    EXPECT_EQ(screen->settings().screenScale, 150);
    screen->setScreenScale(0);
    screen->resize(801, 584);
    EXPECT_DOUBLE_EQ(screen->placement().scale, 1.0);
    QTest::keyClick(screen.get(), Qt::Key_F11);
    EXPECT_TRUE(screen->windowState() & Qt::WindowFullScreen);
    QTest::keyClick(screen.get(), Qt::Key_F11);
    EXPECT_FALSE(screen->windowState() & Qt::WindowFullScreen);
    QMenu* menu = screen->fileMenu();
    QStringList captions;
    for (QAction* action : menu->actions()) {
        captions << action->text();
    }
    EXPECT_TRUE(captions.contains(QStringLiteral("Screen Si&ze")));
    EXPECT_TRUE(captions.contains(QStringLiteral("&Master-Screen")));
    EXPECT_TRUE(captions.contains(QStringLiteral("Save MIDI-File...")));
    rig.close();
}

// Save and Open setup through the file dialogs: ".mks" is added, the caption names the setup, the
// folder is remembered; Help opens the manual's section for the screen.
TEST(ScreenDialog, SetupFilesAndHelp) {
    ScreenRig rig;
    QString answer = QString::fromStdString((rig.dir / "Gig").string());
    ui::ScreenHost host;
    host.chooseFile = [&](QWidget*, ui::ScreenHost::FileDialog, const QString&, const QString& filter, const QString&,
                          const QString&) {
        EXPECT_TRUE(filter.contains(QStringLiteral("*.MKS")));
        return answer;
    };
    QString section;
    QWidget* over = nullptr;
    host.showHelp = [&](QWidget* window, const QString& anchor) {
        over = window;
        section = anchor;
    };
    auto screen = rig.open(midi::ScreenKind::Rock, host);
    rig.session->commands().setSplitField(3, field("transpose"), 0, 7);
    screen->command(ui::CommandId::kSaveSetup);
    EXPECT_TRUE(std::filesystem::exists(rig.dir / "Gig.mks"));
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("ORVAN Tonwerk  Gig.mks"));
    EXPECT_EQ(screen->settings().setupPath, rig.dir.path().string());

    screen->command(ui::CommandId::kNewSetup);
    EXPECT_EQ(rig.session->performance().split(3).transpose, 0);
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("ORVAN Tonwerk  "));
    answer = QString::fromStdString((rig.dir / "Gig.mks").string());
    screen->command(ui::CommandId::kOpenSetup);
    EXPECT_EQ(rig.session->performance().split(3).transpose, 7);
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("ORVAN Tonwerk  Gig.mks"));
    answer.clear(); // cancelled: nothing changes
    screen->command(ui::CommandId::kOpenSetup);
    EXPECT_EQ(rig.session->performance().split(3).transpose, 7);

    screen->command(ui::CommandId::kHelpButton);
    EXPECT_EQ(section, QStringLiteral("the-rock-screen"));
    EXPECT_EQ(over, screen.get());
    screen->command(ui::CommandId::kHelpMenu);
    EXPECT_EQ(section, QStringLiteral("contents"));
    rig.close();
}

// Shift on a pad queues the loop of a synchronised sample split for the next synchronised start
// (and plays nothing); on any other split it does nothing.
TEST(ScreenDialog, ShiftOnAPadQueuesASynchronisedLoop) {
    ScreenRig rig;
    sixSplitsOn(*rig.session);
    rig.session->commands().setSplitField(2, field("task"), 0, static_cast<int>(midi::SplitTask::Sample));
    rig.session->commands().setSplitField(2, field("sampleMode"), 0, 4);
    auto screen = rig.open(midi::ScreenKind::Dj);
    rig.output.clear();
    click(*screen, ui::kFirstPadId + 2, Qt::ShiftModifier);
    EXPECT_NE(rig.session->performance().split(2).sample.sampleFlags & midi::SampleFlag::kRetrigger, 0);
    click(*screen, ui::kFirstPadId + 2, Qt::ShiftModifier);
    EXPECT_EQ(rig.session->performance().split(2).sample.sampleFlags & midi::SampleFlag::kRetrigger, 0);
    for (const midi::ShortMessage m : notes(rig.output.sent())) {
        EXPECT_NE(m & 0xF0U, 0x90U) << "a Shift click plays no note";
    }
    const auto before = rig.session->performance().split(4).sample.sampleFlags;
    click(*screen, ui::kFirstPadId + 4, Qt::ShiftModifier);
    EXPECT_EQ(rig.session->performance().split(4).sample.sampleFlags, before);
    rig.close();
}

// The PC keyboard plays on the screens: note keys by position (48 + offset on the DJ screen, the
// octave on the Master screen), pad keys, the space bar as pedal; auto-repeat is ignored; a key
// held when the window loses the keyboard is released.
TEST(ScreenDialog, PcKeyboardPlays) {
    ScreenRig rig;
    sixSplitsOn(*rig.session);
    auto screen = rig.open(midi::ScreenKind::Dj);
    rig.output.clear();
    QTest::keyPress(screen.get(), Qt::Key_Z);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(screen.get(), &repeat);
    QTest::keyRelease(screen.get(), Qt::Key_Z);
    auto played = notes(rig.output.sent());
    const int velocity = rig.session->performance().options().keyboardVelocity;
    ASSERT_FALSE(played.empty());
    EXPECT_EQ(played.front(), midi::shortMessage(0x90, 50, velocity));
    EXPECT_EQ(std::count(played.begin(), played.end(), midi::shortMessage(0x90, 50, velocity)), 1);
    EXPECT_TRUE(hasNoteOff(rig.output.sent(), 0, 50));

    rig.output.clear();
    QTest::keyClick(screen.get(), Qt::Key_1);
    EXPECT_EQ(notes(rig.output.sent()).front(), midi::shortMessage(0x90, 36, velocity));
    EXPECT_TRUE(screen->padLit(1) || hasNoteOff(rig.output.sent(), 0, 36));

    // Held while the octave changes on the Master screen: the release still ends the note played.
    rig.close();
    screen = rig.open(midi::ScreenKind::Master);
    rig.output.clear();
    rig.session->pcKeyboard().settings().octave = 2;
    QTest::keyPress(screen.get(), Qt::Key_Less);
    rig.session->pcKeyboard().settings().octave = 4;
    QTest::keyRelease(screen.get(), Qt::Key_Less);
    EXPECT_EQ(notes(rig.output.sent()).front(), midi::shortMessage(0x90, 48, velocity));
    EXPECT_TRUE(hasNoteOff(rig.output.sent(), 0, 48));

    // Ctrl+V before anything was copied changes nothing; after Ctrl+C it copies the split.
    rig.session->commands().selectSplit(1);
    const auto before = rig.session->performance().split(1).midiOutChannel;
    QTest::keyClick(screen.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(rig.session->performance().split(1).midiOutChannel, before);
    rig.session->commands().selectSplit(4);
    QTest::keyClick(screen.get(), Qt::Key_C, Qt::ControlModifier);
    rig.session->commands().selectSplit(1);
    QTest::keyClick(screen.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(rig.session->performance().split(1).midiOutChannel, 4);
    rig.close();
}

// The Master screen's keyboard names the PC keys in the layout's language, from the octave they
// play.
TEST(ScreenDialog, KeyboardLabelsFollowTheLayout) {
    for (const auto& [layout, labels] :
         {std::pair{0x0409U, QStringLiteral("\\ZXCVBNM,./")}, std::pair{0x0407U, QStringLiteral("<YXCVBNM,.-")}}) {
        ScreenRig rig;
        rig.state.keyboardLayout = layout;
        auto screen = rig.open(midi::ScreenKind::Master);
        auto* keyboard = screen->findChild<ui::OnScreenKeyboard*>();
        ASSERT_NE(keyboard, nullptr);
        EXPECT_TRUE(keyboard->keyLabels().startsWith(labels)) << keyboard->keyLabels().toStdString();
        rig.close();
    }
}
