// Renders every performance screen offscreen at 100 % and 200 % into PNG files, with a little
// content so that each part shows what it looks like in use: named splits, a lit pad, meters
// moving, keys sounding. The graphics window shows a clip with an effect, and the DJ screen's
// monitor the same picture. Usage: tonwerk_screenshots OUTPUT_FOLDER
#include "app/ProgramShell.h"
#include "audio/WaveBuilder.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/BufferTypeDialog.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/MidiConfigDialog.h"
#include "dialogs/OptionsSheet.h"
#include "dialogs/SearchFileDialog.h"
#include "dialogs/SfxDialog.h"
#include "dialogs/VelocityCurveDialog.h"
#include "dialogs/VideoDialog.h"
#include "dialogs/WaveDialog.h"
#include "res/art/Artwork.h"
#include "screens/ScreenCommands.h"
#include "screens/ScreenLayout.h"
#include "screens/VideoOutput.h"
#include "screens/controls/MyListBox.h"
#include "screens/controls/SplitList.h"
#include "screens/graphics/CGraphicsWnd.h"
#include "support/ScreenRig.h"
#include "video/ClipMaker.h"
#include "video/VideoEngine.h"

#include "midi/SplitFields.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTabWidget>
#include <QThread>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace tonwerk;

namespace {

void nameSplits(session::Session& session) {
    const struct {
        int split;
        const char* name;
        int keyLow;
        int keyHigh;
        int channel;
    } kSplits[] = {
        {0, "Grand Piano", 36, 96, 0},   {1, "Strings", 36, 60, 1},   {2, "Analog Brass Section Lead Layer", 61, 96, 2},
        {3, "Kick Loop 128", 36, 36, 9}, {4, "Choir Pad", 48, 84, 3}, {5, "Organ", 36, 96, 4}};
    session::Commands& commands = session.commands();
    const auto field = [](const char* name) { return *midi::findSplitField("", name); };
    for (const auto& s : kSplits) {
        commands.setSplitField(s.split, field("state"), 0, 1);
        commands.setSplitText(s.split, field("comment"), s.name);
        commands.setSplitField(s.split, field("showComment"), 0, 1);
        commands.setSplitField(s.split, field("keyLow"), 0, s.keyLow);
        commands.setSplitField(s.split, field("keyHigh"), 0, s.keyHigh);
        commands.setSplitField(s.split, field("midiOutChannel"), 0, s.channel);
    }
    commands.solo(4);
}

// A music-style library for the file browser to show.
void makeStyles(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    const auto touch = [](const fs::path& path) { std::ofstream(path) << "x"; };
    for (const char* style : {"Breakbeat", "Deep House", "Drum & Bass", "Hip Hop", "Techno", "Trance"}) {
        fs::create_directories(root / style / "Setups");
        for (const char* folder : {"Bass", "Drums", "FX", "Loops", "Vocals"}) {
            fs::create_directories(root / style / folder);
        }
        touch(root / style / "Setups" / (std::string(style) + " Live.mks"));
        touch(root / style / "Setups" / "Warm-up.mks");
    }
    for (int i = 1; i <= 14; ++i) {
        touch(root / "Breakbeat" / "Bass" / ("Bassline " + std::to_string(i) + (i % 3 == 0 ? " 126bpm.wav" : ".wav")));
    }
}

// The media list fills in the background: the picture waits for it.
void waitForLists(ui::ScreenDialog& screen) {
    for (ui::MyListBox* list : screen.findChildren<ui::MyListBox*>()) {
        for (int i = 0; i < 400 && list->filling(); ++i) {
            QThread::msleep(5);
            QApplication::processEvents();
        }
    }
}

void liven(ui::ScreenDialog& screen) {
    waitForLists(screen);
    std::array<std::int32_t, 16> levels{100, 80, 120, 40, 0, 60, 20, 127, 90, 0, 30, 110, 70, 50, 10, 0};
    screen.velocityMeters(levels.data(), 16);
    for (const int key : {48, 52, 55, 60, 64}) {
        screen.noteDisplay(midi::shortMessage(0x90, key, 96));
    }
    screen.padLights(midi::shortMessage(0x90, 38, 127));
    screen.padLights(midi::shortMessage(0x90, 86, 127));
}

bool save(const QPixmap& picture, const QString& file) {
    if (!picture.save(file)) {
        static_cast<void>(std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData()));
        return false;
    }
    static_cast<void>(std::printf("%s\n", file.toLocal8Bit().constData()));
    return true;
}

// The graphics window opened by "zoom" on the DJ screen, showing a composed picture of a clip
// (mirrored), and the screen's monitor showing it too.
int graphicsPictures(const QString& folder) {
    test::ScreenRig rig(100);
    nameSplits(*rig.session);
    makeStyles(rig.dir / "MusicStyles");
    rig.settings.stylePath = (rig.dir / "MusicStyles").string();
    const auto clip = rig.dir.path() / "clip.avi";
    if (!test::makeClip(clip, "mjpeg", 320, 180, 25) || !rig.session->commands().assignClip(6, clip)) {
        static_cast<void>(std::fprintf(stderr, "no clip for the graphics window\n"));
        return 1;
    }
    midi::Split& split = rig.session->performance().split(6);
    split.video.effectFlags |= 0x02;
    ui::VideoOutput output(*rig.session);
    auto screen = rig.open(midi::ScreenKind::Dj);
    screen->setVideoOutput(&output);
    screen->show();
    screen->command(ui::CommandId::kZoom);
    ui::CGraphicsWnd* window = output.window();
    window->setGeometry(0, 0, 640, 360);
    QApplication::processEvents();
    rig.session->commands().userInput(midi::shortMessage(0x90, split.rootNote, 100));
    for (int frame = 0; frame < 12; ++frame) {
        static_cast<void>(rig.session->video().renderNow(640, 360));
    }
    const video::FrameBuffer* picture = rig.session->video().renderNow(640, 360);
    if (picture == nullptr) {
        static_cast<void>(std::fprintf(stderr, "the clip composed no picture\n"));
        return 1;
    }
    output.showPicture(ui::PictureView::imageOf(picture->bytes(), 640, 360));
    liven(*screen);
    QApplication::processEvents();
    int failures = save(window->grab(), folder + QStringLiteral("/graphics-window.png")) ? 0 : 1;
    failures += save(screen->grab(), folder + QStringLiteral("/dj-monitor-100.png")) ? 0 : 1;
    rig.session->commands().userInput(midi::shortMessage(0x80, split.rootNote, 0));
    output.close();
    rig.close();
    return failures;
}

// A setup load that takes long enough to show its progress, on the DJ screen at 200 %.
int loadingPicture(const QString& folder) {
    test::ScreenRig rig(200);
    test::WaveBuilder wave;
    for (int i = 0; i < 2205; ++i) {
        wave.words({static_cast<std::int16_t>(i % 200 * 40)});
    }
    const auto bytes = wave.bytes();
    std::ofstream(rig.dir / "hit.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    for (int split = 0; split < 12; ++split) {
        rig.session->commands().assignSample(split, rig.dir / "hit.wav");
    }
    static_cast<void>(rig.session->commands().saveSetup(rig.dir / "Loops.mks"));
    auto screen = rig.open(midi::ScreenKind::Dj);
    screen->setLoadProgressDelay(std::chrono::milliseconds(0));
    int failures = 1;
    QObject::connect(screen.get(), &ui::ScreenDialog::loadProgressShown, [&](int done, int /*total*/) {
        if (done == 7) {
            failures = save(screen->grab(), folder + QStringLiteral("/dj-loading-200.png")) ? 0 : 1;
        }
    });
    screen->loadSetupFile(rig.dir / "Loops.mks");
    rig.close();
    return failures;
}

// A dialog as it opens, at `scale` percent (drawn at that pixel ratio, so text stays sharp).
bool saveDialog(QDialog& dialog, const QString& file, int scale) {
    dialog.adjustSize();
    dialog.show();
    QApplication::processEvents();
    const qreal ratio = scale / 100.0;
    QPixmap picture(dialog.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    dialog.render(&picture);
    dialog.hide();
    return save(picture, file);
}

// The split dialogs at 100 % and 200 % in the desktop's colours, and at 100 % in the program's
// own colour scheme.
int dialogPictures(const QString& folder) {
    test::RecordingNotifier notifier;
    midi::Split split{};
    midi::resetSplit(split, 0, 2, 4);
    split.program = 33;
    split.sfxFlags = midi::Sfx::kMonoHighest | midi::Sfx::kControllerThru;
    split.monophonyActive = 1;
    midi::setFieldText(split.comment, "Bass left hand");
    split.velocityCurve[127] = 100;
    for (int i = 1; i < 127; ++i) {
        split.velocityCurve[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 100 / 128);
    }
    // The wave dialogs on a two-second loop with a fading tone.
    test::ScreenRig rig(100);
    test::WaveBuilder wave;
    wave.channels = 2;
    wave.rate = 22050;
    for (int i = 0; i < 44100; ++i) {
        const double fade = 1.0 - i / 44100.0;
        wave.words({static_cast<std::int16_t>(20000 * fade * std::sin(i * 0.06)),
                    static_cast<std::int16_t>(12000 * fade * std::sin(i * 0.021))});
    }
    const auto bytes = wave.bytes();
    std::ofstream(rig.dir / "Loop 120.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    rig.session->commands().assignSample(4, rig.dir / "Loop 120.wav", 5);
    const bool clip = test::makeClip(rig.dir / "Test Card.avi", "mjpeg", 320, 240, 25) &&
                      rig.session->commands().assignClip(17, rig.dir / "Test Card.avi");
    const auto noFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };

    int failures = 0;
    const auto shoot = [&](QDialog& dialog, const QString& name, const QString& scheme, int scale) {
        failures +=
            saveDialog(dialog, QStringLiteral("%1/%2%3-%4.png").arg(folder, name, scheme).arg(scale), scale) ? 0 : 1;
    };
    const QPalette desktop = QApplication::palette();
    for (const auto& [scheme, scales] : {std::pair{QStringLiteral(""), std::vector<int>{100, 200}},
                                         std::pair{QStringLiteral("-green"), std::vector<int>{100}}}) {
        QApplication::setPalette(scheme.isEmpty() ? desktop : ui::programColourScheme(desktop));
        for (const int scale : scales) {
            ui::VelocityCurveDialog velocity(split);
            shoot(velocity, QStringLiteral("velocity-curve"), scheme, scale);
            ui::SfxDialog sfx(split);
            shoot(sfx, QStringLiteral("sfx-settings"), scheme, scale);
            ui::AboutDialog about(std::uint64_t{20971520});
            shoot(about, QStringLiteral("about"), scheme, scale);
            // The options sheet, one picture per page, on devices as a stage machine lists them.
            session::DeviceLists devices;
            devices.midiInputs = {"Keystation 88 MK3 MIDI 1", "nanoPAD2 PAD"};
            devices.midiOutputs = {session::kOwnMidiOutput, "MIDI Through Port-0", "U2MIDI Pro MIDI 1"};
            devices.soundDevices = {session::kPrimarySoundDriver, "jack: system", "pulse: Built-in Audio Analog Stereo",
                                    "alsa: hw:USB Audio CODEC"};
            devices.soundIds.resize(devices.soundDevices.size());
            session::ProgramOptions options;
            options.midiIn = 0;
            options.midiOut = 2;
            options.soundDevice = 1;
            options.useTimestretch = true;
            const char* const kPages[] = {"options-other", "options-midi", "options-keyboard", "options-sound"};
            for (int page = 0; page < 4; ++page) {
                ui::OptionsSheet sheet(options, devices, notifier);
                sheet.pages()->setCurrentIndex(page);
                shoot(sheet, QString::fromLatin1(kPages[page]), scheme, scale);
            }
            ui::BufferTypeDialog bufferType(11, [](int) { return true; });
            shoot(bufferType, QStringLiteral("buffer-type"), scheme, scale);
            // The search for a loop that moved, with the folders where loops were found before.
            std::vector<std::string> remembered = {rig.dir.path().string(), "/media/stick/MusicStyles/House/Loops",
                                                   "/home/performer/Samples/Drums"};
            ui::SearchFileDialog search({"C:\\Styles\\House\\Loops\\Loop 120.wav", midi::SplitTask::Sample, {}},
                                        remembered, notifier, noFile, {});
            shoot(search, QStringLiteral("search-file"), scheme, scale);
            // The manual at the DJ screen's section, in a window of its own.
            {
                QDialog owner;
                ui::HelpWindow* help = ui::HelpWindow::showSection(&owner, QStringLiteral("the-dj-screen"));
                QApplication::processEvents();
                help->scrollToSection(QStringLiteral("the-dj-screen"));
                const qreal ratio = scale / 100.0;
                QPixmap picture(help->size() * ratio);
                picture.setDevicePixelRatio(ratio);
                help->render(&picture);
                failures += save(picture, QStringLiteral("%1/help%2-%3.png").arg(folder, scheme).arg(scale)) ? 0 : 1;
            }
            ui::MidiConfigDialog midiConfig(split, notifier);
            shoot(midiConfig, QStringLiteral("midi-configuration"), scheme, scale);
            ui::WaveDialog plain(*rig.session, 4, ui::WaveDialog::Variant::Plain, noFile);
            shoot(plain, QStringLiteral("wave"), scheme, scale);
            ui::WaveDialog master(*rig.session, 4, ui::WaveDialog::Variant::Master, noFile);
            shoot(master, QStringLiteral("wave-master"), scheme, scale);
            if (clip) {
                ui::VideoDialog video(*rig.session, 17, 0, noFile);
                video.previewTick();
                shoot(video, QStringLiteral("video"), scheme, scale);
            }
        }
    }
    QApplication::setPalette(desktop);
    rig.close();
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        static_cast<void>(std::fprintf(stderr, "usage: tonwerk_screenshots OUTPUT_FOLDER\n"));
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const struct {
        midi::ScreenKind kind;
        const char* name;
    } kScreens[] = {
        {midi::ScreenKind::Dj, "dj"}, {midi::ScreenKind::Rock, "rock"}, {midi::ScreenKind::Master, "master"}};
    int failures = 0;
    for (const int scale : {100, 200}) {
        test::ScreenRig rig(scale);
        nameSplits(*rig.session);
        makeStyles(rig.dir / "MusicStyles");
        rig.settings.stylePath = (rig.dir / "MusicStyles").string();
        rig.settings.stylePos = 1;
        for (const auto& screen : kScreens) {
            auto dialog = rig.open(screen.kind);
            liven(*dialog);
            const QString file =
                QStringLiteral("%1/%2-%3.png").arg(folder, QString::fromLatin1(screen.name)).arg(scale);
            if (!dialog->grab().save(file)) {
                static_cast<void>(std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData()));
                ++failures;
            } else {
                static_cast<void>(std::printf("%s\n", file.toLocal8Bit().constData()));
            }
            rig.close();
        }
    }
    failures += graphicsPictures(folder);
    failures += loadingPicture(folder);
    failures += dialogPictures(folder);
    // The file browser's drag cursors, at 400 % to look at.
    QPixmap cursors(QSize(96, 48) * 4);
    cursors.fill(QColor(0x00, 0x4A, 0x00));
    {
        QPainter painter(&cursors);
        painter.scale(4, 4);
        painter.drawPixmap(8, 8, art::paintDragCursor(art::kSampleDragCursor, 4));
        painter.drawPixmap(56, 8, art::paintDragCursor(art::kClipDragCursor, 4));
    }
    failures += save(cursors, folder + QStringLiteral("/drag-cursors.png")) ? 0 : 1;
    return failures == 0 ? 0 : 1;
}
