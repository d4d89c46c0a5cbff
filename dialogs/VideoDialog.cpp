#include "VideoDialog.h"

#include "VideoSettings.h"
#include "core/ErrorReporting.h"
#include "midi/SplitFields.h"
#include "res/art/Artwork.h"
#include "screens/controls/BitmapSlider.h"
#include "screens/controls/PictureView.h"
#include "session/ClipPreviewer.h"
#include "session/Commands.h"
#include "session/Session.h"
#include "video/VideoEffects.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tonwerk::ui {

namespace {

constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 240;
constexpr std::int32_t kMixMask = 0x14007C00;

// The mixing modes: their radio's text and bit.
struct MixMode {
    const char* name;
    std::int32_t value;
};
constexpr std::array<MixMode, 6> kMixModes = {{{"mix (standard)", 0x04000000},
                                               {"stamp", 0x400},
                                               {"blue box 1", 0x800},
                                               {"blue box 2", 0x10000000},
                                               {"black box", 0x2000},
                                               {"white box", 0x4000}}};

// A four-character code as its letters (spaces for what is not printable).
QString fourCharacters(std::uint32_t code) {
    QString text;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<char>((code >> (8 * i)) & 0xFF);
        text += (c >= 32 && c < 127) ? QChar(c) : QChar(' ');
    }
    return text;
}

QString millis(std::int64_t ms) { return QString::number(ms % 1000).rightJustified(3, QLatin1Char('0')); }

} // namespace

VideoDialog::VideoDialog(session::Session& session, int split, int deckMode, ChooseFile chooseFile, QWidget* parent)
    : QDialog(parent), m_session(session), m_commands(session.commands()), m_index(split), m_deckMode(deckMode),
      m_chooseFile(std::move(chooseFile)), m_saved(session.performance().split(split)), m_state(m_saved.video),
      m_hadClip(m_saved.taskKind() == midi::SplitTask::Avi), m_clipLoaded(m_hadClip),
      m_preview(std::make_unique<session::ClipPreviewer>(session)) {
    buildControls();
    attachPreview();
    showCaption();
    showState();
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &VideoDialog::previewTick);
    m_timer.start();
}

VideoDialog::~VideoDialog() = default;

midi::Split& VideoDialog::split() const { return m_session.performance().split(m_index); }

void VideoDialog::buildControls() {
    // The preview: the monitor, its position bar and frame numbers, stop / play / reset.
    auto* preview = new QGroupBox(QStringLiteral("Preview"), this);
    m_monitor = new PictureView(preview);
    m_monitor->setObjectName(QStringLiteral("preview"));
    m_monitor->setFixedSize(kPreviewWidth, kPreviewHeight);
    m_positionBar = new BitmapSlider(preview);
    m_positionBar->setObjectName(QStringLiteral("position"));
    m_positionBar->setFixedSize(kPreviewWidth, 24);
    m_positionBar->setAccessibleName(QStringLiteral("Avi"));
    // Its faces, painted once; showState gives them to every configuration of the bar.
    m_knob = art::paintFace(art::kHorizontalKnob, {30, 18}, devicePixelRatioF());
    m_knobAtReset = art::paintFace(art::kHorizontalKnobAtReset, {30, 18}, devicePixelRatioF());
    m_track = art::paintFace(art::kHorizontalTrack, {kPreviewWidth, 24}, devicePixelRatioF());
    m_frameText = new QLabel(preview);
    m_frameText->setObjectName(QStringLiteral("frame"));
    m_stop = new QPushButton(QStringLiteral("stop"), preview);
    m_play = new QPushButton(QStringLiteral("play"), preview);
    m_reset = new QPushButton(QStringLiteral("reset"), preview);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_play->setObjectName(QStringLiteral("play"));
    m_reset->setObjectName(QStringLiteral("reset"));
    m_whole = new QCheckBox(QStringLiteral("whole clip"), preview);
    m_whole->setObjectName(QStringLiteral("wholeClip"));
    m_whole->setToolTip(QStringLiteral("The preview plays the whole clip instead of the play range"));
    auto* transport = new QHBoxLayout;
    for (QPushButton* button : {m_stop, m_play, m_reset}) {
        button->setAutoDefault(false);
        transport->addWidget(button);
    }
    transport->addWidget(m_whole);
    transport->addStretch();
    transport->addWidget(m_frameText);
    m_properties = new QLabel(preview);
    m_properties->setObjectName(QStringLiteral("properties"));
    m_properties->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* previewLayout = new QVBoxLayout;
    previewLayout->addWidget(m_monitor);
    previewLayout->addWidget(m_positionBar);
    previewLayout->addLayout(transport);
    previewLayout->addWidget(m_properties);
    preview->setLayout(previewLayout);

    // How the clip plays.
    auto* play = new QGroupBox(QStringLiteral("Play"), this);
    m_continuous = new QRadioButton(QStringLiteral("play &continuously"), play);
    m_steps = new QRadioButton(QStringLiteral("play s&teps"), play);
    m_continuous->setObjectName(QStringLiteral("continuously"));
    m_steps->setObjectName(QStringLiteral("steps"));
    m_stepWidth = new QSpinBox(play);
    m_stepWidth->setObjectName(QStringLiteral("stepWidth"));
    m_looped = new QCheckBox(QStringLiteral("&looped"), play);
    m_jump = new QCheckBox(QStringLiteral("&jump into range"), play);
    m_brightness = new QCheckBox(QStringLiteral("&velocity -> brightness"), play);
    m_disableEffects = new QCheckBox(QStringLiteral("&disable effects"), play);
    m_looped->setObjectName(QStringLiteral("looped"));
    m_jump->setObjectName(QStringLiteral("jump"));
    m_brightness->setObjectName(QStringLiteral("brightness"));
    m_disableEffects->setObjectName(QStringLiteral("disableEffects"));
    m_tempo = new QSpinBox(play);
    m_tempo->setObjectName(QStringLiteral("tempo"));
    m_tempo->setRange(0, 300);
    m_rootText = new QLabel(play);
    auto* playLayout = new QGridLayout;
    playLayout->addWidget(m_continuous, 0, 0);
    playLayout->addWidget(m_steps, 1, 0);
    playLayout->addWidget(new QLabel(QStringLiteral("stepwidth (frames)"), play), 2, 0);
    playLayout->addWidget(m_stepWidth, 2, 1);
    playLayout->addWidget(new QLabel(QStringLiteral("tempo (BPM)"), play), 3, 0);
    playLayout->addWidget(m_tempo, 3, 1);
    playLayout->addWidget(m_looped, 0, 1);
    playLayout->addWidget(m_jump, 4, 0);
    playLayout->addWidget(m_brightness, 5, 0);
    playLayout->addWidget(m_disableEffects, 4, 1);
    playLayout->addWidget(m_rootText, 5, 1);
    play->setLayout(playLayout);

    auto* mixing = new QGroupBox(QStringLiteral("Mixing"), this);
    m_mixing = new QButtonGroup(mixing);
    auto* mixLayout = new QGridLayout;
    for (std::size_t i = 0; i < kMixModes.size(); ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(kMixModes[i].name), mixing);
        radio->setObjectName(QStringLiteral("mix%1").arg(i));
        m_mixing->addButton(radio, static_cast<int>(i));
        mixLayout->addWidget(radio, static_cast<int>(i % 3), static_cast<int>(i / 3));
    }
    mixing->setLayout(mixLayout);

    // The eight rows the keys below the root note play.
    auto* rows = new QGroupBox(QStringLiteral("Sample-Button Effects"), this);
    auto* rowLayout = new QGridLayout;
    rowLayout->addWidget(new QLabel(QStringLiteral("start frame"), rows), 0, 1);
    rowLayout->addWidget(new QLabel(QStringLiteral("end frame"), rows), 0, 2);
    rowLayout->addWidget(new QLabel(QStringLiteral("effect"), rows), 0, 3);
    for (std::size_t r = 0; r < m_rowEnabled.size(); ++r) {
        const int row = static_cast<int>(r) + 1;
        m_rowEnabled[r] = new QCheckBox(QStringLiteral("#%1").arg(row), rows);
        m_rowEnabled[r]->setObjectName(QStringLiteral("row%1").arg(row));
        m_rowStart[r] = new QSpinBox(rows);
        m_rowEnd[r] = new QSpinBox(rows);
        m_rowStart[r]->setObjectName(QStringLiteral("rowStart%1").arg(row));
        m_rowEnd[r]->setObjectName(QStringLiteral("rowEnd%1").arg(row));
        m_rowEffect[r] = new QComboBox(rows);
        m_rowEffect[r]->setObjectName(QStringLiteral("rowEffect%1").arg(row));
        for (const video::EffectEntry& effect : video::kEffectTable) {
            m_rowEffect[r]->addItem(
                QString::fromLatin1(effect.name.data(), static_cast<qsizetype>(effect.name.size())));
        }
        rowLayout->addWidget(m_rowEnabled[r], row, 0);
        rowLayout->addWidget(m_rowStart[r], row, 1);
        rowLayout->addWidget(m_rowEnd[r], row, 2);
        rowLayout->addWidget(m_rowEffect[r], row, 3);
        connect(m_rowEnabled[r], &QCheckBox::toggled, this, [this, r](bool on) {
            m_state.rowEnabled[r] = on ? 1 : 0;
            enableControls();
        });
        connect(m_rowStart[r], &QSpinBox::valueChanged, this, [this, r](int frame) {
            m_state.rowStart[r] = frame;
            m_jump->setChecked(true); // a row's frames are for jumping into
        });
        connect(m_rowEnd[r], &QSpinBox::valueChanged, this, [this, r](int frame) {
            m_state.rowEnd[r] = frame;
            m_jump->setChecked(true);
        });
        connect(m_rowEffect[r], &QComboBox::activated, this, [this, r](int index) { chooseRowEffect(r, index); });
    }
    auto* divide = new QPushButton(QStringLiteral("Di&vide"), rows);
    auto* resetEffects = new QPushButton(QStringLiteral("Reset &FX"), rows);
    divide->setObjectName(QStringLiteral("divide"));
    resetEffects->setObjectName(QStringLiteral("resetFx"));
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(divide);
    rowButtons->addWidget(resetEffects);
    rowButtons->addStretch();
    auto* rowsOuter = new QVBoxLayout;
    rowsOuter->addLayout(rowLayout);
    rowsOuter->addLayout(rowButtons);
    rows->setLayout(rowsOuter);

    auto* open = new QPushButton(QStringLiteral("&Open AVI..."), this);
    auto* free = new QPushButton(QStringLiteral("F&ree AVI"), this);
    open->setObjectName(QStringLiteral("openAvi"));
    free->setObjectName(QStringLiteral("freeAvi"));
    auto* box = dialogButtons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    for (QPushButton* button : {open, free}) {
        button->setAutoDefault(false);
        box->addButton(button, QDialogButtonBox::ActionRole);
    }
    m_cancel = box->button(QDialogButtonBox::Cancel);

    auto* right = new QVBoxLayout;
    right->addWidget(play);
    right->addWidget(mixing);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(preview);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rows);
    layout->addWidget(box);

    connect(box, &QDialogButtonBox::helpRequested, this, &VideoDialog::helpRequested);
    connect(open, &QPushButton::clicked, this, &VideoDialog::openClip);
    connect(free, &QPushButton::clicked, this, &VideoDialog::freeClip);
    connect(m_positionBar, &BitmapSlider::valueChanged, this,
            [this](int /*id*/, int value) { seek(m_state.clipStart + value); });
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_state.runFlags &= ~video::VideoRun::kTriggered;
        m_state.playing = 0;
    });
    connect(m_play, &QPushButton::clicked, this, [this] {
        m_state.runFlags |= video::VideoRun::kTriggered;
        m_state.playing = 1;
    });
    connect(m_reset, &QPushButton::clicked, this, [this] {
        m_state.restartPending = 1;
        m_state.restartFrame = 0;
        m_state.playing = 0;
        m_state.runFlags &= ~video::VideoRun::kTriggered;
        m_state.effectFlags = 0x04000000;
        showState();
    });
    connect(m_whole, &QCheckBox::toggled, this, [this](bool on) {
        m_wholeClip = on;
        requestFrame();
    });
    connect(m_continuous, &QRadioButton::clicked, this, [this] {
        setPlaySteps(m_state, false);
        showState();
    });
    connect(m_steps, &QRadioButton::clicked, this, [this] {
        m_state.stepWidth = m_stepWidth->value();
        setPlaySteps(m_state, true);
        showState();
    });
    connect(m_stepWidth, &QSpinBox::valueChanged, this, [this](int width) { m_state.stepWidth = width; });
    connect(m_looped, &QCheckBox::toggled, this, [this](bool on) { setOption(video::VideoOption::kLooped, on); });
    connect(m_jump, &QCheckBox::toggled, this, [this](bool on) {
        setOption(video::VideoOption::kJumpIntoRange, on);
        enableControls();
    });
    connect(m_brightness, &QCheckBox::toggled, this,
            [this](bool on) { setOption(video::VideoOption::kVelocityBrightness, on); });
    connect(m_disableEffects, &QCheckBox::toggled, this, [this](bool on) {
        setOption(video::VideoOption::kEffectsDisabled, on);
        m_state.effectFlags = (m_state.effectFlags & kMixMask) != 0 ? (m_state.effectFlags & kMixMask) : 0x04000000;
        enableControls();
        requestFrame();
    });
    connect(m_tempo, &QSpinBox::valueChanged, this, [this](int tempo) {
        // The clip's tempo goes into the split at once.
        m_commands.setSplitField(m_index, *midi::findSplitField("", "loopTempo"), 0, tempo);
    });
    connect(m_mixing, &QButtonGroup::idClicked, this, [this](int id) {
        video::setMixMode(m_state, kMixModes[static_cast<std::size_t>(id)].value, kMixMask);
        requestFrame();
    });
    connect(divide, &QPushButton::clicked, this, [this] {
        divideRows(m_state);
        showState();
    });
    connect(resetEffects, &QPushButton::clicked, this, [this] {
        resetVideoEffects(m_state);
        showState();
    });
}

void VideoDialog::showCaption() {
    const midi::Split& s = split();
    QString name = dialogText(3319);
    if (m_clipLoaded) {
        const std::string file = midi::fieldText(s.fileName);
        name = QFileInfo(QString::fromStdString(file)).fileName();
    }
    setWindowTitle(QStringLiteral("%1 Video: %2").arg(dialogText(8200), name));
}

void VideoDialog::showState() {
    const QSignalBlocker a(m_continuous);
    const QSignalBlocker b(m_steps);
    const bool steps = (m_state.optionFlags & video::VideoOption::kPlaySteps) != 0;
    m_continuous->setChecked(!steps);
    m_steps->setChecked(steps);
    for (QCheckBox* box : {m_looped, m_jump, m_brightness, m_disableEffects}) {
        box->blockSignals(true);
    }
    m_looped->setChecked((m_state.optionFlags & video::VideoOption::kLooped) != 0);
    m_jump->setChecked((m_state.optionFlags & video::VideoOption::kJumpIntoRange) != 0);
    m_brightness->setChecked((m_state.optionFlags & video::VideoOption::kVelocityBrightness) != 0);
    m_disableEffects->setChecked((m_state.optionFlags & video::VideoOption::kEffectsDisabled) != 0);
    for (QCheckBox* box : {m_looped, m_jump, m_brightness, m_disableEffects}) {
        box->blockSignals(false);
    }
    const int first = m_state.clipStart;
    const int last = std::max(m_state.clipEnd, first);
    {
        const QSignalBlocker c(m_stepWidth);
        const QSignalBlocker d(m_tempo);
        m_stepWidth->setRange(0, std::max(0, last));
        m_stepWidth->setValue(std::clamp(m_state.stepWidth, 0, std::max(0, last)));
        m_tempo->setValue(std::clamp(split().loopTempo, 0, 300));
    }
    m_rootText->setText(
        QStringLiteral("%1 %2").arg(dialogText(3309), QString::fromStdString(midi::noteName(split().rootNote))));
    for (std::size_t i = 0; i < kMixModes.size(); ++i) {
        if ((m_state.effectFlags & kMixModes[i].value) != 0) {
            m_mixing->button(static_cast<int>(i))->setChecked(true);
            break;
        }
    }
    for (std::size_t r = 0; r < m_rowEnabled.size(); ++r) {
        const QSignalBlocker e(m_rowEnabled[r]);
        const QSignalBlocker f(m_rowStart[r]);
        const QSignalBlocker g(m_rowEnd[r]);
        m_rowEnabled[r]->setChecked(m_state.rowEnabled[r] != 0);
        const int low = m_clipLoaded ? first : 0;
        const int high = m_clipLoaded ? last : 1000;
        m_rowStart[r]->setRange(low, high);
        m_rowEnd[r]->setRange(low, high);
        m_rowStart[r]->setValue(m_state.rowStart[r]);
        m_rowEnd[r]->setValue(m_state.rowEnd[r]);
        m_rowEffect[r]->setCurrentIndex(effectListIndex(m_state.rowEffect[r]));
    }
    m_positionBar->configure(1190, std::max(1, last - first), 0, std::clamp(m_state.framePos - first, 0, last - first),
                             m_knob, m_knobAtReset, m_track, SliderFlag::kHorizontal);
    enableControls();
    requestFrame();
}

void VideoDialog::enableControls() {
    const bool jump = (m_state.optionFlags & video::VideoOption::kJumpIntoRange) != 0;
    const bool effects = (m_state.optionFlags & video::VideoOption::kEffectsDisabled) == 0;
    for (std::size_t r = 0; r < m_rowEnabled.size(); ++r) {
        m_rowEnabled[r]->setEnabled(jump);
        m_rowStart[r]->setEnabled(jump && m_state.rowEnabled[r] != 0);
        m_rowEnd[r]->setEnabled(jump && m_state.rowEnabled[r] != 0);
        m_rowEffect[r]->setEnabled(effects);
    }
    for (QAbstractButton* radio : m_mixing->buttons()) {
        radio->setEnabled(m_deckMode != 1);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{m_stop, m_play, m_reset, m_positionBar, m_whole}) {
        w->setEnabled(m_clipLoaded);
    }
}

void VideoDialog::setOption(std::int32_t bit, bool on) {
    m_state.optionFlags = on ? (m_state.optionFlags | bit) : (m_state.optionFlags & ~bit);
    requestFrame();
}

void VideoDialog::chooseRowEffect(std::size_t row, int index) {
    const std::int32_t value = video::kEffectTable[static_cast<std::size_t>(index)].value;
    m_state.rowEffect[row] = value;
    // The preview shows that effect alone, over the chosen mixing.
    m_state.effectFlags = (m_state.effectFlags & kMixMask) | value;
    requestFrame();
}

void VideoDialog::attachPreview() {
    m_preview->detach();
    if (!m_clipLoaded || !m_preview->attach(m_index)) {
        m_monitor->clear();
        m_properties->clear();
        return;
    }
    // The clip's frame range, and with it the rows' when they are still to be set.
    const session::ClipPreviewer::Stream stream = m_preview->stream();
    if ((m_state.runFlags & video::VideoRun::kRangesUnset) != 0 || m_initialiseRows) {
        const bool initialise = (m_state.runFlags & video::VideoRun::kRangesUnset) != 0;
        takeClipRange(m_state, stream.start, stream.start + std::max(1, stream.length) - 1, initialise);
        m_state.runFlags &= ~video::VideoRun::kRangesUnset;
        m_initialiseRows = false;
    }
    requestFrame();
}

void VideoDialog::seek(int frame) {
    const std::int32_t playing = m_state.playing;
    m_state.playing = 0;
    m_state.restartFrame = frame;
    m_state.restartPending = 1;
    requestFrame();
    m_state.playing = playing;
}

void VideoDialog::previewTick() {
    // A running clip steps on the graphics window's 40 ms frame tick, however often this timer
    // looks; a change in between shows at once, without a step.
    const bool stepDue = m_state.playing != 0 && (!m_sinceStep.isValid() || m_sinceStep.hasExpired(40));
    if (!m_preview->attached() || (!stepDue && !m_frameDue)) {
        return;
    }
    m_frameDue = false;
    // The preview's own copy: the dialog's settings, and with "whole clip" the clip's full range.
    midi::VideoBlock shown = m_state;
    if (m_wholeClip) {
        shown.rangeStart = m_state.clipStart;
        shown.rangeEnd = m_state.clipEnd;
    }
    if (stepDue) {
        m_sinceStep.start();
    } else {
        shown.playing = 0;
    }
    const video::FrameBuffer* picture = m_preview->render(shown, kPreviewWidth, kPreviewHeight);
    m_state.framePos = shown.framePos;
    m_state.restartPending = shown.restartPending;
    m_state.runFlags = (m_state.runFlags & ~video::VideoRun::kStepDue) | (shown.runFlags & video::VideoRun::kStepDue);
    if (picture != nullptr) {
        m_monitor->setImage(PictureView::imageOf(picture->bytes(), picture->width(), picture->height()));
    }
    m_positionBar->showValue(std::max(0, m_state.framePos - m_state.clipStart));
    m_frameText->setText(
        QStringLiteral("frame %1 (%2 to %3)").arg(m_state.framePos).arg(m_state.clipStart).arg(m_state.clipEnd));
    m_properties->setText(properties());
}

QString VideoDialog::properties() const {
    if (!m_preview->attached()) {
        return {};
    }
    const session::ClipPreviewer::Stream s = m_preview->stream();
    const std::int64_t durationMs = s.rate > 0 ? static_cast<std::int64_t>(s.length) * s.scale * 1000 / s.rate : 0;
    const std::int64_t atMs = s.rate > 0 ? static_cast<std::int64_t>(m_state.framePos) * s.scale * 1000 / s.rate : 0;
    QString text = withFields(3316, {QString::number(s.slot), fourCharacters(s.type), fourCharacters(s.handler),
                                     QString::number(s.start), QString::number(s.length),
                                     QString::number(durationMs / 1000), millis(durationMs)});
    text += withFields(3317, {QString::number(m_state.framePos), QString::number(atMs / 1000), millis(atMs),
                              QString::number(m_preview->lastFrameBytes())});
    text += withFields(3318, {QString::number(s.width), QString::number(s.height), QString::number(s.bitCount),
                              fourCharacters(s.compression)});
    return text.remove(QLatin1Char('\r'));
}

void VideoDialog::openClip() {
    const QString folder = QString::fromStdString(m_session.settings().aviPath);
    while (true) {
        const QString chosen =
            m_chooseFile(this, dialogText(8226), QStringLiteral("AVI Files (*.avi *.AVI);;All Files (*)"), folder);
        if (chosen.isEmpty()) {
            return;
        }
        if (m_commands.assignClip(m_index, chosen.toStdString())) {
            m_session.settings().aviPath = QFileInfo(chosen).absolutePath().toStdString();
            break;
        }
        // The engine said why; the file dialog opens again.
    }
    m_clipLoaded = true;
    m_loadedHere = true;
    const midi::VideoBlock& loaded = split().video;
    m_state.firstStream = loaded.firstStream;
    m_state.endStream = loaded.endStream;
    m_state.framePos = 0;
    m_state.holdAtStart = 0;
    m_state.runFlags |= video::VideoRun::kRangesUnset;
    if (m_hadClip) {
        m_cancel->setEnabled(false); // the split's earlier clip is gone
    }
    attachPreview();
    showCaption();
    showState();
}

void VideoDialog::freeClip() {
    if (!m_clipLoaded) {
        return;
    }
    m_state.runFlags &= ~video::VideoRun::kTriggered;
    m_state.playing = 0;
    m_commands.freeClip(m_index);
    m_clipLoaded = false;
    if (m_hadClip) {
        m_cancel->setEnabled(false);
    }
    m_state.rowStart.fill(0);
    m_state.rowEnd.fill(1000);
    m_initialiseRows = true;
    m_preview->detach();
    m_monitor->clear();
    m_properties->clear();
    m_frameText->clear();
    showCaption();
    showState();
}

void VideoDialog::done(int result) {
    if (result == QDialog::Accepted) {
        if (!m_clipLoaded && core::showMessage(m_session.notifier(), 3320, core::MessageKind::Confirm,
                                               core::MessageButtons::YesNo) == core::MessageAnswer::No) {
            return; // stays open
        }
        m_state.playing = 0;
        m_state.runFlags &= ~video::VideoRun::kTriggered;
        if (m_clipLoaded) {
            // A clip split plays its clip once per key; a deck's split sits on its deck's keys.
            if (m_deckMode != 0) {
                m_state.deckMode = m_deckMode; // opened as a deck; the Video command keeps the split's
            }
            const auto set = [this](const char* name, int value) {
                m_commands.setSplitField(m_index, *midi::findSplitField("", name), 0, value);
            };
            set("sampleMode", static_cast<int>(midi::SampleMode::OneShot));
            if (m_deckMode == 1 || m_deckMode == 2) {
                set("keyLow", m_deckMode == 1 ? 36 : 84);
                set("keyHigh", m_deckMode == 1 ? 47 : 95);
                set("rootNote", m_deckMode == 1 ? 47 : 95);
            }
        }
        m_commands.applyVideoSettings(m_index, m_state, m_clipLoaded);
    } else {
        if (!m_cancel->isEnabled()) {
            return; // the split's earlier clip is gone: only OK can close the dialog now
        }
        if (m_loadedHere && !m_hadClip) {
            m_commands.cancelVideoLoad(m_index, m_saved);
        }
    }
    m_timer.stop();
    m_preview->detach();
    QDialog::done(result);
}

} // namespace tonwerk::ui
