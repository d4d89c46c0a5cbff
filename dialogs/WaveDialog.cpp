#include "WaveDialog.h"

#include "DialogParts.h"

#include "midi/SplitFields.h"
#include "screens/controls/KeyboardPicture.h"
#include "screens/controls/WaveformView.h"
#include "session/Commands.h"
#include "session/Session.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace tonwerk::ui {

namespace {

QString seconds(double value) { return QString::number(value, 'f', 2); }

QSlider* horizontalSlider(QWidget* parent, int high, int page, const QString& name) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, high);
    slider->setPageStep(page);
    slider->setObjectName(name);
    slider->setMinimumWidth(200);
    return slider;
}

constexpr int kOutlineColumns = 600;

} // namespace

WaveDialog::WaveDialog(session::Session& session, int split, Variant variant, ChooseFile chooseFile, QWidget* parent)
    : QDialog(parent), m_session(session), m_commands(session.commands()), m_index(split), m_variant(variant),
      m_chooseFile(std::move(chooseFile)), m_saved(session.performance().split(split)) {
    setWindowTitle(variant == Variant::Master ? QStringLiteral("Wave Dialog (Master Screen)")
                                              : QStringLiteral("Wave Dialog"));
    buildControls();
    showSplit();
    showOutline();
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, &WaveDialog::showPosition);
}

WaveDialog::~WaveDialog() {
    if (m_voice >= 0) {
        m_commands.stopAudition(m_index, m_voice);
    }
}

midi::Split& WaveDialog::split() const { return m_session.performance().split(m_index); }

void WaveDialog::buildControls() {
    m_waveform = new WaveformView(this);
    m_waveform->setObjectName(QStringLiteral("waveform"));

    auto* device = new QGroupBox(QStringLiteral("DirectSound"), this);
    m_device = new QLabel(device);
    m_bufferType = new QLabel(device);
    m_format = new QLabel(device);
    m_deviceStatus = new QLabel(device);
    m_deviceStatus->setWordWrap(true);
    auto* deviceLayout = new QVBoxLayout;
    for (QLabel* label : {m_device, m_bufferType, m_format, m_deviceStatus}) {
        deviceLayout->addWidget(label);
    }
    device->setLayout(deviceLayout);

    auto* sound = new QGroupBox(QStringLiteral("Sound"), this);
    m_frequency = horizontalSlider(sound, 512, 1, QStringLiteral("frequency"));
    m_volume = horizontalSlider(sound, 3000, 10, QStringLiteral("volume"));
    m_pan = horizontalSlider(sound, 800, 10, QStringLiteral("pan"));
    m_release = horizontalSlider(sound, 600, 20, QStringLiteral("release"));
    m_frequencyText = new QLabel(sound);
    m_volumeText = new QLabel(sound);
    m_panText = new QLabel(sound);
    m_releaseText = new QLabel(sound);
    auto* sliders = new QGridLayout;
    int row = 0;
    for (const auto& [slider, label] : {std::pair{m_frequency, m_frequencyText}, std::pair{m_volume, m_volumeText},
                                        std::pair{m_pan, m_panText}, std::pair{m_release, m_releaseText}}) {
        label->setMinimumWidth(
            label->fontMetrics().horizontalAdvance(QStringLiteral("frequency at rootnote: 44100Hz")));
        sliders->addWidget(label, row, 0);
        sliders->addWidget(slider, row, 1);
        ++row;
    }
    sound->setLayout(sliders);

    auto* playing = new QGroupBox(QStringLiteral("Sample"), this);
    m_missing = new QLabel(playing);
    m_missing->setWordWrap(true);
    m_missing->setObjectName(QStringLiteral("missing"));
    m_duration = new QLabel(playing);
    m_position = new QLabel(playing);
    m_progress = new QProgressBar(playing);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(10);
    m_status = new QLabel(playing);
    m_status->setObjectName(QStringLiteral("status"));
    m_load = new QPushButton(QStringLiteral("&Load Sample ..."), playing);
    m_free = new QPushButton(QStringLiteral("&Free Sample"), playing);
    m_play = new QPushButton(QStringLiteral("&Play"), playing);
    m_stop = new QPushButton(QStringLiteral("S&top"), playing);
    auto* properties = new QPushButton(QStringLiteral("Properties"), playing);
    properties->setEnabled(false);
    for (QPushButton* button : {m_load, m_free, m_play, m_stop, properties}) {
        button->setAutoDefault(false);
    }
    auto* buttons = new QGridLayout;
    buttons->addWidget(m_load, 0, 0);
    buttons->addWidget(m_free, 0, 1);
    buttons->addWidget(m_play, 1, 0);
    buttons->addWidget(m_stop, 1, 1);
    buttons->addWidget(properties, 2, 0);
    auto* playingLayout = new QVBoxLayout;
    playingLayout->addWidget(m_missing);
    playingLayout->addWidget(m_duration);
    playingLayout->addWidget(m_position);
    playingLayout->addWidget(m_progress);
    playingLayout->addWidget(m_status);
    playingLayout->addLayout(buttons);
    playing->setLayout(playingLayout);

    auto* mode = new QGroupBox(QStringLiteral("Mode"), this);
    m_sync = new QRadioButton(QStringLiteral("s&ync-mode"), mode);
    m_oneShot = new QRadioButton(QStringLiteral("&one-shot-mode"), mode);
    m_tuned = new QRadioButton(QStringLiteral("t&uned"), mode);
    m_sync->setObjectName(QStringLiteral("sync"));
    m_oneShot->setObjectName(QStringLiteral("oneShot"));
    m_tuned->setObjectName(QStringLiteral("tuned"));
    m_looped = new QCheckBox(QStringLiteral("play loope&d"), mode);
    m_looped->setObjectName(QStringLiteral("looped"));
    if (m_variant == Variant::Master) {
        m_keyTrigger = new QCheckBox(QStringLiteral("PC- / MIDI-keyboard: trigger-mode"), mode);
    } else {
        m_keyTrigger = new QCheckBox(QStringLiteral("PC- / MIDI-Keyboard: trigger-mode"), mode);
        m_mouseTrigger = new QCheckBox(QStringLiteral("Mouse / Joystick: trigger-mode"), mode);
        m_mouseTrigger->setObjectName(QStringLiteral("mouseTrigger"));
        m_tuned->hide();
    }
    m_keyTrigger->setObjectName(QStringLiteral("keyTrigger"));
    auto* modeLayout = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_sync, m_oneShot, m_tuned, m_looped, m_keyTrigger}) {
        modeLayout->addWidget(w);
    }
    if (m_mouseTrigger != nullptr) {
        modeLayout->addWidget(m_mouseTrigger);
    }
    mode->setLayout(modeLayout);

    auto* tempo = new QGroupBox(QStringLiteral("Loop tempo"), this);
    m_loopTempo = new QLabel(tempo);
    m_loopTempo->setObjectName(QStringLiteral("loopTempo"));
    m_loopTempo->setAlignment(Qt::AlignCenter);
    m_loopTempo->setMinimumWidth(m_loopTempo->fontMetrics().horizontalAdvance(QStringLiteral("8888")));
    m_tempoDown = new QPushButton(QStringLiteral("<"), tempo);
    m_tempoUp = new QPushButton(QStringLiteral(">"), tempo);
    m_tempoDown->setObjectName(QStringLiteral("tempoDown"));
    m_tempoUp->setObjectName(QStringLiteral("tempoUp"));
    m_tempoDown->setAccessibleName(QStringLiteral("Loop tempo 10 lower"));
    m_tempoUp->setAccessibleName(QStringLiteral("Loop tempo 10 higher"));
    for (QPushButton* button : {m_tempoDown, m_tempoUp}) {
        button->setAutoDefault(false);
        button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("<<<<")));
    }
    m_timestretch = new QCheckBox(QStringLiteral("use timestretching for BPM changes"), tempo);
    m_noAutoBpm = new QCheckBox(QStringLiteral("no automatic BPM changes"), tempo);
    m_timestretch->setObjectName(QStringLiteral("timestretch"));
    m_noAutoBpm->setObjectName(QStringLiteral("noAutoBpm"));
    auto* tempoRow = new QHBoxLayout;
    tempoRow->addWidget(m_tempoDown);
    tempoRow->addWidget(m_loopTempo);
    tempoRow->addWidget(m_tempoUp);
    tempoRow->addStretch();
    auto* tempoLayout = new QVBoxLayout;
    tempoLayout->addLayout(tempoRow);
    tempoLayout->addWidget(m_timestretch);
    tempoLayout->addWidget(m_noAutoBpm);
    tempo->setLayout(tempoLayout);

    auto* keys = new QWidget(this);
    auto* keysLayout = new QVBoxLayout(keys);
    keysLayout->setContentsMargins(0, 0, 0, 0);
    m_rootText = new QLabel(keys);
    m_rootText->setObjectName(QStringLiteral("rootNote"));
    keysLayout->addWidget(m_rootText);
    if (m_variant == Variant::Master) {
        auto* assignment = new QGroupBox(QStringLiteral("Key-Assignment"), this);
        m_keyboard = new KeyboardPicture(assignment);
        m_keyboard->setObjectName(QStringLiteral("keyboard"));
        m_actualNote = new QLabel(assignment);
        auto* hint = new QLabel(
            QStringLiteral("use right mousebutton to select rootnote - left mousebutton plays sample"), assignment);
        hint->setWordWrap(true);
        auto* assignmentLayout = new QVBoxLayout;
        assignmentLayout->addWidget(m_rootText);
        assignmentLayout->addWidget(m_actualNote);
        assignmentLayout->addWidget(m_keyboard, 0, Qt::AlignHCenter);
        assignmentLayout->addWidget(hint);
        assignment->setLayout(assignmentLayout);
        keysLayout->addWidget(assignment);
        connect(m_keyboard, &KeyboardPicture::keyPressed, this, [this](int note) {
            m_actualNote->setText(
                QStringLiteral("Actual Note: %1").arg(QString::fromStdString(midi::noteName(note)).trimmed()));
            const midi::Split& s = split();
            const bool trigger = (s.sample.sampleFlags & midi::SampleFlag::kTriggerMode) != 0;
            if (trigger) {
                // The root note starts the sample and the next click on it stops it.
                if (note == s.rootNote) {
                    m_voice >= 0 ? stop() : play(note);
                }
                return;
            }
            play(note);
        });
        connect(m_keyboard, &KeyboardPicture::keyReleased, this, [this](int /*note*/) {
            if ((split().sample.sampleFlags & midi::SampleFlag::kTriggerMode) == 0) {
                stop();
            }
        });
        connect(m_keyboard, &KeyboardPicture::rootChosen, this, [this](int note) {
            setField("rootNote", note);
            if (!split().isSampleMode(midi::SampleMode::Tuned)) {
                setField("keyLow", note);
                setField("keyHigh", note);
            }
            showSplit();
        });
    }
    m_songState = new QLabel(this);

    auto* box = dialogButtons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto* grid = new QGridLayout;
    grid->addWidget(device, 0, 0);
    grid->addWidget(sound, 0, 1);
    grid->addWidget(playing, 1, 0);
    auto* right = new QVBoxLayout;
    right->addWidget(mode);
    right->addWidget(tempo);
    grid->addLayout(right, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_waveform);
    layout->addLayout(grid);
    layout->addWidget(keys);
    layout->addWidget(m_songState);
    layout->addWidget(box);

    connect(m_load, &QPushButton::clicked, this, &WaveDialog::loadSample);
    connect(m_free, &QPushButton::clicked, this, &WaveDialog::freeSample);
    connect(m_play, &QPushButton::clicked, this, [this] { play(split().rootNote); });
    connect(m_stop, &QPushButton::clicked, this, &WaveDialog::stop);
    connect(m_frequency, &QSlider::valueChanged, this, [this](int p) {
        m_commands.setSampleRate(m_index, p * 100);
        m_frequencyText->setText(withFields(3301, {QString::number(p * 100)}));
    });
    connect(m_volume, &QSlider::valueChanged, this, [this](int p) {
        m_commands.setSampleVolume(m_index, p - 3000);
        m_volumeText->setText(withFields(3302, {QString::number(p - 3000)}));
    });
    connect(m_pan, &QSlider::valueChanged, this, [this](int p) {
        m_commands.setSamplePan(m_index, p);
        m_panText->setText(withFields(3303, {QString::number(p * 10 - 4000)}));
    });
    connect(m_release, &QSlider::valueChanged, this, [this](int p) {
        m_commands.setSampleRelease(m_index, p);
        m_releaseText->setText(QStringLiteral("release time: %1").arg(p));
    });
    connect(m_sync, &QRadioButton::clicked, this, [this] { chooseMode(midi::SampleMode::Sync); });
    connect(m_oneShot, &QRadioButton::clicked, this, [this] { chooseMode(midi::SampleMode::OneShot); });
    connect(m_tuned, &QRadioButton::clicked, this, [this] { chooseMode(midi::SampleMode::Tuned); });
    connect(m_looped, &QCheckBox::clicked, this, [this](bool on) {
        on ? setFlags(midi::SampleFlag::kPlayLooped, 0) : setFlags(0, midi::SampleFlag::kPlayLooped);
    });
    connect(m_keyTrigger, &QCheckBox::clicked, this, [this](bool on) {
        using namespace midi::SampleFlag;
        if (m_variant == Variant::Master) {
            on ? setFlags(kTriggerMode | kTriggerKeys | kTriggerMouse | kPlayLooped, 0)
               : setFlags(0, kTriggerMode | kTriggerKeys | kTriggerMouse);
        } else {
            on ? setFlags(kTriggerMode | kTriggerKeys, 0) : setFlags(0, kTriggerMode | kTriggerKeys);
        }
        showSplit();
    });
    if (m_mouseTrigger != nullptr) {
        connect(m_mouseTrigger, &QCheckBox::clicked, this, [this](bool on) {
            on ? setFlags(midi::SampleFlag::kTriggerMouse, 0) : setFlags(0, midi::SampleFlag::kTriggerMouse);
        });
    }
    connect(m_timestretch, &QCheckBox::clicked, this, [this](bool on) {
        on ? setFlags(midi::SampleFlag::kTimestretch, 0) : setFlags(0, midi::SampleFlag::kTimestretch);
        m_commands.reapplyTempo();
    });
    connect(m_noAutoBpm, &QCheckBox::clicked, this, [this](bool on) {
        on ? setFlags(midi::SampleFlag::kNoAutoBpm, 0) : setFlags(0, midi::SampleFlag::kNoAutoBpm);
        m_commands.reapplyTempo();
    });
    connect(m_tempoDown, &QPushButton::clicked, this, [this] { stepTempo(-10); });
    connect(m_tempoUp, &QPushButton::clicked, this, [this] { stepTempo(10); });
}

QSlider* WaveDialog::slider(Slider which) const {
    switch (which) {
    case Slider::Frequency:
        return m_frequency;
    case Slider::Volume:
        return m_volume;
    case Slider::Pan:
        return m_pan;
    case Slider::Release:
        return m_release;
    }
    return nullptr;
}

QString WaveDialog::statusText() const { return m_status->text(); }

QString WaveDialog::missingText() const { return m_missing->text(); }

void WaveDialog::setField(const char* name, long long value) {
    m_commands.setSplitField(m_index, *midi::findSplitField("", name), 0, value);
}

void WaveDialog::setFlags(std::int32_t set, std::int32_t clear) {
    const std::int32_t flags = (split().sample.sampleFlags & ~clear) | set;
    m_commands.setSplitField(m_index, *midi::findSplitField("sample", "sampleFlags"), 0, flags);
}

void WaveDialog::showSplit() {
    const midi::Split& s = split();
    {
        // The record's values, each shown within its slider; nothing is written by showing them.
        const QSignalBlocker a(m_frequency);
        const QSignalBlocker b(m_volume);
        const QSignalBlocker c(m_pan);
        const QSignalBlocker d(m_release);
        m_frequency->setValue(std::clamp(s.sample.sampleRate / 100, 0, 512));
        m_volume->setValue(std::clamp(s.sample.volume + 3000, 0, 3000));
        m_pan->setValue(std::clamp(s.sample.pan, 0, 800));
        m_release->setValue(std::clamp(s.sample.releaseTime, 0, 600));
    }
    m_frequencyText->setText(withFields(3301, {QString::number(s.sample.sampleRate)}));
    m_volumeText->setText(withFields(3302, {QString::number(s.sample.volume)}));
    m_panText->setText(withFields(3303, {QString::number(static_cast<long long>(s.sample.pan) * 10 - 4000)}));
    m_releaseText->setText(QStringLiteral("release time: %1").arg(s.sample.releaseTime));
    const QString root = QString::fromStdString(midi::noteName(s.rootNote));
    if (m_variant == Variant::Master) {
        m_rootText->setText(QStringLiteral("Root Note (right Mouseclick): %1").arg(root.trimmed()));
        m_keyboard->setRootNote(s.rootNote);
    } else {
        m_rootText->setText(dialogText(3201).replace(QStringLiteral("%s%d"), root));
    }
    m_loopTempo->setText(QString::number(s.loopTempo));
    {
        const QSignalBlocker a(m_sync);
        const QSignalBlocker b(m_oneShot);
        const QSignalBlocker c(m_tuned);
        m_sync->setChecked(s.isSampleMode(midi::SampleMode::Sync));
        m_oneShot->setChecked(s.isSampleMode(midi::SampleMode::OneShot));
        m_tuned->setChecked(s.isSampleMode(midi::SampleMode::Tuned));
    }
    using namespace midi::SampleFlag;
    const std::int32_t flags = s.sample.sampleFlags;
    m_looped->setChecked((flags & kPlayLooped) != 0);
    m_keyTrigger->setChecked((flags & kTriggerKeys) != 0);
    if (m_mouseTrigger != nullptr) {
        m_mouseTrigger->setChecked((flags & kTriggerMouse) != 0);
    }
    m_timestretch->setChecked((flags & kTimestretch) != 0);
    m_noAutoBpm->setChecked((flags & kNoAutoBpm) != 0);
    const midi::SongLink::State song = m_commands.songState();
    m_songState->setText(song == midi::SongLink::State::Playing     ? dialogText(3202)
                         : song == midi::SongLink::State::Recording ? dialogText(3203)
                                                                    : QString());
    m_songState->setVisible(!m_songState->text().isEmpty());
    showSampleInfo();
    showModeControls();
}

void WaveDialog::showSampleInfo() {
    const midi::Split& s = split();
    const core::Settings& settings = m_session.settings();
    m_device->setText(QString::fromStdString(settings.soundDeviceName.empty() ? std::string("primary sound-driver")
                                                                              : settings.soundDeviceName));
    m_deviceStatus->setText(QString::fromStdString(m_commands.soundOutputDescription()));
    const bool hasSample = s.taskKind() == midi::SplitTask::Sample && s.sample.sampleData != 0;
    m_bufferType->setText(s.taskKind() != midi::SplitTask::Sample ? dialogText(59162)
                          : s.sample.bufferType == 0              ? dialogText(59161)
                                                                  : dialogText(59160));
    const session::Commands::SampleInfo info = m_commands.sampleInfo(m_index);
    if (hasSample && info.channels > 0) {
        m_format->setText(
            withFields(info.channels == 2 ? 59158 : 59159, {QString::number(info.rate), QString::number(info.bits)}));
        const double duration =
            info.bytesPerSecond > 0 ? static_cast<double>(s.sample.sampleBytes) / info.bytesPerSecond : 0.0;
        m_duration->setText(withFields(3304, {seconds(duration)}));
    } else {
        m_format->clear();
        m_duration->clear();
    }
    // A sample split whose file was not found when its setup loaded: the dialog says so and lets
    // the performer load another.
    const std::string name = midi::fieldText(s.fileName);
    const bool missing = s.taskKind() == midi::SplitTask::Sample && !hasSample;
    m_missing->setText(
        missing
            ? QStringLiteral("The sample file \"%1\" is missing; load another one.").arg(QString::fromStdString(name))
            : QString());
    m_missing->setVisible(missing);
    m_free->setEnabled(hasSample && m_voice < 0);
    m_load->setEnabled(m_voice < 0);
    m_play->setEnabled(hasSample && m_voice < 0);
    m_stop->setEnabled(m_voice >= 0);
    m_status->setText(dialogText(m_voice >= 0 ? 3308 : 3307));
}

void WaveDialog::showOutline() {
    // Drawn once for each sample the dialog shows: a minute of sample is read whole for it.
    const midi::Split& s = split();
    const bool hasSample = s.taskKind() == midi::SplitTask::Sample && s.sample.sampleData != 0;
    std::vector<WaveformView::Column> columns;
    if (hasSample) {
        for (const audio::SamplePeak& peak : m_commands.sampleOutline(m_index, kOutlineColumns)) {
            columns.push_back({peak.low[0], peak.high[0], peak.low[1], peak.high[1]});
        }
    }
    m_waveform->setOutline(std::move(columns));
    m_waveform->setLoopStart(hasSample && s.sample.loopStart > 0 && s.sample.sampleBytes > 0
                                 ? static_cast<double>(s.sample.loopStart) / s.sample.sampleBytes
                                 : -1.0);
}

void WaveDialog::showModeControls() {
    const midi::Split& s = split();
    const bool sync = s.isSampleMode(midi::SampleMode::Sync);
    const bool tuned = s.isSampleMode(midi::SampleMode::Tuned);
    const bool playing = m_voice >= 0;
    m_frequency->setEnabled(!sync);
    m_looped->setEnabled(!sync);
    const bool tempo = sync;
    for (QWidget* w : std::initializer_list<QWidget*>{m_tempoDown, m_tempoUp, m_timestretch, m_noAutoBpm}) {
        w->setEnabled(tempo);
    }
    // While the dialog plays, the mode stays (a synchronised voice is tied to it).
    for (QWidget* w : std::initializer_list<QWidget*>{m_sync, m_oneShot, m_tuned}) {
        w->setEnabled(!playing);
    }
    m_keyTrigger->setEnabled(!playing && !(tuned && m_variant == Variant::Master));
    if (m_mouseTrigger != nullptr) {
        m_mouseTrigger->setEnabled(!playing);
    }
}

void WaveDialog::loadSample() {
    const QString folder = QString::fromStdString(m_session.settings().stylePath);
    const QString filter = QStringLiteral("%1;;%2")
                               .arg(dialogText(8212), dialogText(8214))
                               .replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
    while (true) {
        const QString chosen = m_chooseFile(this, dialogText(8211), filter, folder);
        if (chosen.isEmpty()) {
            return;
        }
        stop();
        // What the split sounds ends and its old sample goes before the new one loads.
        if (m_commands.assignSample(m_index, chosen.toStdString(), 4)) {
            m_sampleChanged = true;
            break;
        }
        // The engine said why; the file dialog opens again.
    }
    showSplit();
    showOutline();
}

void WaveDialog::freeSample() {
    stop();
    m_commands.freeSample(m_index);
    m_sampleChanged = true;
    m_progress->reset();
    showSplit();
    showOutline();
}

void WaveDialog::play(int key) {
    if (m_voice >= 0) {
        m_commands.stopAudition(m_index, m_voice);
        m_voice = -1;
    }
    m_voice = m_commands.startAudition(m_index, key);
    if (m_voice < 0) {
        return; // outside the split's keys, or no sample
    }
    m_timer.start();
    showSampleInfo();
    showModeControls();
}

void WaveDialog::stop() {
    if (m_voice >= 0) {
        m_commands.stopAudition(m_index, m_voice);
        m_voice = -1;
    }
    m_timer.stop();
    m_progress->reset();
    m_position->clear();
    m_waveform->setPosition(-1);
    showSampleInfo();
    showModeControls();
}

void WaveDialog::showPosition() {
    const session::Commands::VoiceProgress progress = m_commands.voiceProgress(m_index);
    if (!progress.sounding || progress.sampleBytes <= 0) {
        // A one-shot that has ended: the dialog's voice is over.
        if (m_voice >= 0 && !progress.sounding) {
            m_voice = -1;
            m_timer.stop();
            m_progress->reset();
            m_waveform->setPosition(-1);
            showSampleInfo();
            showModeControls();
        }
        return;
    }
    if (progress.audible) {
        const double fraction = static_cast<double>(progress.readPos) / progress.sampleBytes;
        const session::Commands::SampleInfo info = m_commands.sampleInfo(m_index);
        const double at = info.bytesPerSecond > 0 ? static_cast<double>(progress.readPos) / info.bytesPerSecond : 0;
        m_position->setText(withFields(3305, {seconds(at)}));
        m_progress->setValue(static_cast<int>(fraction * 100));
        m_waveform->setPosition(fraction);
    }
}

void WaveDialog::chooseMode(midi::SampleMode mode) {
    using namespace midi::SampleFlag;
    const int root = split().rootNote;
    switch (mode) {
    case midi::SampleMode::Sync:
        setField("sampleMode", static_cast<int>(mode));
        setFlags(kTriggerMode | kTriggerMouse | kPlayLooped, 0);
        setField("keyLow", root);
        setField("keyHigh", root);
        break;
    case midi::SampleMode::OneShot:
        setField("sampleMode", static_cast<int>(mode));
        setFlags(0, kTriggerMode | kTriggerKeys | kTriggerMouse | kPlayLooped);
        setField("keyLow", root);
        setField("keyHigh", root);
        break;
    case midi::SampleMode::Tuned:
        setField("sampleMode", static_cast<int>(mode));
        setFlags(0, m_variant == Variant::Master ? kTriggerMode | kTriggerKeys | kTriggerMouse : kTriggerMode);
        setField("keyLow", 24);
        setField("keyHigh", 96);
        break;
    case midi::SampleMode::Unset:
        break;
    }
    showSplit();
}

void WaveDialog::stepTempo(int step) {
    const int tempo = split().loopTempo;
    if (step < 0 && tempo < 11) {
        return;
    }
    setField("loopTempo", tempo + step);
    m_commands.reapplyTempo();
    m_loopTempo->setText(QString::number(tempo + step));
}

void WaveDialog::done(int result) {
    stop();
    if (result != QDialog::Accepted) {
        // Everything the dialog wrote goes back, the sample too.
        m_commands.restoreSplit(m_index, m_saved, m_sampleChanged);
    }
    QDialog::done(result);
}

} // namespace tonwerk::ui
