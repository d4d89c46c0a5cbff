// The cost of the performance screens on the user-interface thread, offscreen: a full repaint of
// each screen at 100 % and 200 %, a relayout after a resize (every face painted anew), building a
// screen, and the 50 ms screen tick with every meter moving (its share of one core is the time per
// tick over 50 ms). While the thread paints, no MIDI is dispatched. Also the file browser's media
// list filled from a folder of 5 000 files and scrolled through, and the split dialogs opened.
#include "audio/WaveBuilder.h"
#include "dialogs/MidiConfigDialog.h"
#include "dialogs/SfxDialog.h"
#include "dialogs/VelocityCurveDialog.h"
#include "dialogs/VideoDialog.h"
#include "dialogs/WaveDialog.h"
#include "screens/controls/MyListBox.h"
#include "session/Session.h"
#include "support/ScreenRig.h"
#include "support/TempDir.h"
#include "video/ClipMaker.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <array>
#include <fstream>
#include <memory>
#include <string>

using namespace tonwerk;

namespace {

constexpr std::array<midi::ScreenKind, 3> kScreens = {midi::ScreenKind::Dj, midi::ScreenKind::Rock,
                                                      midi::ScreenKind::Master};
constexpr const char* kNames[] = {"dj", "rock", "master"};

void fullRepaint(benchmark::State& state) {
    const auto screen = kScreens[static_cast<std::size_t>(state.range(0))];
    test::ScreenRig rig(static_cast<int>(state.range(1)));
    auto dialog = rig.open(screen);
    QPixmap target(dialog->size());
    for (auto _ : state) {
        dialog->render(&target);
        benchmark::DoNotOptimize(target.cacheKey());
    }
    state.SetLabel(std::string(kNames[state.range(0)]) + " at " + std::to_string(state.range(1)) + " %");
    rig.close();
}
BENCHMARK(fullRepaint)->ArgsProduct({{0, 1, 2}, {100, 200}})->Unit(benchmark::kMillisecond);

void relayout(benchmark::State& state) {
    test::ScreenRig rig;
    auto dialog = rig.open(kScreens[static_cast<std::size_t>(state.range(0))]);
    bool large = false;
    for (auto _ : state) {
        large = !large;
        dialog->setScreenScale(large ? 200 : 100);
    }
    state.SetLabel(std::string(kNames[state.range(0)]) + ", 100 % <-> 200 %");
    rig.close();
}
BENCHMARK(relayout)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void buildScreen(benchmark::State& state) {
    test::ScreenRig rig;
    for (auto _ : state) {
        auto dialog = rig.open(kScreens[static_cast<std::size_t>(state.range(0))]);
        benchmark::DoNotOptimize(dialog.get());
        rig.close();
    }
    state.SetLabel(kNames[state.range(0)]);
}
BENCHMARK(buildScreen)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// One 50 ms tick with all 16 meters falling from fresh levels, and the repaint of what changed.
void meterTick(benchmark::State& state) {
    test::ScreenRig rig(static_cast<int>(state.range(0)));
    auto dialog = rig.open(midi::ScreenKind::Dj);
    dialog->show();
    QApplication::processEvents();
    std::array<std::int32_t, 16> levels{};
    for (auto _ : state) {
        levels.fill(127);
        dialog->velocityMeters(levels.data(), 16);
        dialog->screenTick();
        QApplication::processEvents(); // the repaint of the meters
    }
    state.SetLabel("DJ screen at " + std::to_string(state.range(0)) + " %");
    rig.close();
}
BENCHMARK(meterTick)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

// A note lighting its pad and darkening it again, with the meters it moves, and the repaints: what
// the DJ screen does for every note of a stream.
void padNote(benchmark::State& state) {
    test::ScreenRig rig(static_cast<int>(state.range(0)));
    auto dialog = rig.open(midi::ScreenKind::Dj);
    dialog->show();
    QApplication::processEvents();
    std::array<std::int32_t, 16> levels{};
    int key = 36;
    for (auto _ : state) {
        levels[static_cast<std::size_t>(key - 36)] = 100;
        dialog->padLights(midi::shortMessage(0x90, key, 100));
        dialog->velocityMeters(levels.data(), 16);
        QApplication::processEvents();
        dialog->padLights(midi::shortMessage(0x80, key, 0));
        QApplication::processEvents();
        key = key == 43 ? 36 : key + 1;
    }
    state.SetLabel("DJ screen at " + std::to_string(state.range(0)) + " %");
    rig.close();
}
BENCHMARK(padNote)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

// A folder of 5 000 samples (names only matter): the media list's fill, pattern matching every
// sample ending, sorting and measuring the widest name; and one scroll step repainted.
void mediaListFill(benchmark::State& state) {
    static test::TempDir folder;
    static const bool made = [] {
        for (int i = 0; i < 5000; ++i) {
            std::ofstream(folder / ("Loop " + std::to_string(i) + (i % 2 == 0 ? " 124bpm.wav" : ".WAV")));
        }
        return true;
    }();
    benchmark::DoNotOptimize(made);
    ui::MyListBox list(1374, ui::ListOption::kDragging);
    list.setMultiColumn(true);
    list.resize(303 * 2, 38 * 2);
    list.setFontPixelSize(20);
    QPixmap target(list.size());
    const std::string pattern = session::samplePattern();
    for (auto _ : state) {
        if (state.range(0) == 0) {
            benchmark::DoNotOptimize(list.fill(folder.path(), 0, pattern));
        } else if (state.range(0) == 2) {
            benchmark::DoNotOptimize(ui::listFolder(folder.path(), 0, pattern, {}));
        } else {
            list.scrollStep(1);
            list.render(&target);
        }
    }
    state.SetLabel(state.range(0) == 0   ? "fill 5000 files"
                   : state.range(0) == 2 ? "read, match and sort 5000 files"
                                         : "scroll one column and repaint");
}
BENCHMARK(mediaListFill)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Opening a split dialog: built, laid out, shown and painted once, as the performer sees it.
// Arg: 0 velocity curve, 1 MIDI configuration, 2 SFX, 3 wave, 4 wave (Master screen), 5 video.
void openDialog(benchmark::State& state) {
    test::ScreenRig rig;
    test::RecordingNotifier notifier;
    const midi::Split split = rig.session->performance().split(0);
    const auto noFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
    if (state.range(0) == 5 && test::makeClip(rig.dir / "clip.avi", "mpeg4", 320, 240, 25)) {
        rig.session->commands().assignClip(17, rig.dir / "clip.avi");
    }
    for (auto _ : state) {
        std::unique_ptr<QDialog> dialog;
        switch (state.range(0)) {
        case 0:
            dialog = std::make_unique<ui::VelocityCurveDialog>(split);
            break;
        case 1:
            dialog = std::make_unique<ui::MidiConfigDialog>(split, notifier);
            break;
        case 2:
            dialog = std::make_unique<ui::SfxDialog>(split);
            break;
        case 5:
            dialog = std::make_unique<ui::VideoDialog>(*rig.session, 17, 0, noFile);
            static_cast<ui::VideoDialog*>(dialog.get())->previewTick(); // its first picture
            break;
        default:
            dialog = std::make_unique<ui::WaveDialog>(
                *rig.session, 0, state.range(0) == 4 ? ui::WaveDialog::Variant::Master : ui::WaveDialog::Variant::Plain,
                noFile);
            break;
        }
        dialog->show();
        QPixmap target(dialog->size());
        dialog->render(&target);
        benchmark::DoNotOptimize(target.cacheKey());
    }
    static constexpr const char* kDialogs[] = {
        "velocity curve", "MIDI configuration", "SFX", "wave", "wave (Master)", "video (with its first picture)"};
    state.SetLabel(kDialogs[state.range(0)]);
    rig.close();
}
BENCHMARK(openDialog)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime();

// Load Sample in the wave dialog: a 60 s stereo WAVE at 44.1 kHz read, converted to the default
// 22 050 Hz layout and drawn as its picture.
void waveDialogLoad(benchmark::State& state) {
    test::ScreenRig rig;
    static test::TempDir folder;
    const std::filesystem::path file = folder / "minute.wav";
    if (!std::filesystem::exists(file)) {
        test::WaveBuilder wave;
        wave.channels = 2;
        wave.rate = 44100;
        for (int i = 0; i < 60 * 44100; ++i) {
            const auto v = static_cast<std::int16_t>(i % 441 * 60 - 13000);
            wave.words({v, v});
        }
        const auto bytes = wave.bytes();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const QString path = QString::fromStdString(file.string());
    ui::WaveDialog dialog(*rig.session, 3, ui::WaveDialog::Variant::Plain,
                          [&](QWidget*, const QString&, const QString&, const QString&) { return path; });
    dialog.show();
    QPixmap target(dialog.size());
    for (auto _ : state) {
        dialog.loadButton()->click();
        dialog.render(&target);
        benchmark::DoNotOptimize(target.cacheKey());
    }
    state.SetLabel("60 s sample with its picture");
    rig.close();
}
BENCHMARK(waveDialogLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
