// Renders every performance screen offscreen at 100 % and 200 % into PNG files, with a little
// content so that each part shows what it looks like in use: named splits, a lit pad, meters
// moving, keys sounding. Usage: tonwerk_screenshots OUTPUT_FOLDER
#include "screens/ScreenCommands.h"
#include "screens/ScreenLayout.h"
#include "screens/controls/SplitList.h"
#include "support/ScreenRig.h"

#include "midi/SplitFields.h"

#include <QApplication>
#include <QDir>

#include <array>
#include <cstdio>

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

void liven(ui::ScreenDialog& screen) {
    std::array<std::int32_t, 16> levels{100, 80, 120, 40, 0, 60, 20, 127, 90, 0, 30, 110, 70, 50, 10, 0};
    screen.velocityMeters(levels.data(), 16);
    for (const int key : {48, 52, 55, 60, 64}) {
        screen.noteDisplay(midi::shortMessage(0x90, key, 96));
    }
    screen.padLights(midi::shortMessage(0x90, 38, 127));
    screen.padLights(midi::shortMessage(0x90, 86, 127));
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
    return failures == 0 ? 0 : 1;
}
