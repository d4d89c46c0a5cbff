#include "SfxDialog.h"

#include "DialogParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tonwerk::ui {

namespace {

QSpinBox* spinBox(QWidget* parent, int low, int high, const QString& name) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(low, high);
    spin->setObjectName(name);
    return spin;
}

void setChoice(QButtonGroup* group, int choice) {
    // No choice at all needs the pair to be non-exclusive for a moment.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) {
        button->setChecked(group->id(button) == choice);
    }
    group->setExclusive(true);
}

} // namespace

SfxDialog::SfxDialog(const midi::Split& split, QWidget* parent)
    : QDialog(parent), m_split(split), m_openingComment(midi::fieldText(split.comment)) {
    setWindowTitle(QStringLiteral("SFX Masterkeyboard-Settings"));

    // The velocity window and offset: three vertical sliders, the top the highest value.
    auto* velocity = new QGroupBox(QStringLiteral("Velocity"), this);
    auto* sliders = new QGridLayout;
    const std::array<QString, 3> names = {QStringLiteral("VelOffset"), QStringLiteral("VelMin"),
                                          QStringLiteral("VelMax")};
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        auto* label = new QLabel(names[i], velocity);
        label->setAlignment(Qt::AlignCenter);
        m_sliders[i] = new QSlider(Qt::Vertical, velocity);
        m_sliders[i]->setObjectName(names[i]);
        m_sliders[i]->setRange(0, i == 0 ? 245 : 127);
        m_sliders[i]->setInvertedAppearance(true);
        m_sliders[i]->setInvertedControls(true);
        m_sliders[i]->setMinimumHeight(150);
        m_sliders[i]->setAccessibleName(names[i]);
        m_values[i] = new QLabel(velocity);
        m_values[i]->setAlignment(Qt::AlignCenter);
        m_values[i]->setMinimumWidth(m_values[i]->fontMetrics().horizontalAdvance(QStringLiteral("-888")));
        label->setBuddy(m_sliders[i]);
        const int column = static_cast<int>(i);
        sliders->addWidget(label, 0, column);
        sliders->addWidget(m_sliders[i], 1, column, Qt::AlignHCenter);
        sliders->addWidget(m_values[i], 2, column);
    }
    velocity->setLayout(sliders);
    // Positions from the split's values, each within its slider; a value no slider reaches stays
    // in the copy until its slider moves.
    m_sliders[0]->setValue(std::clamp(kVelocityOffsetTop - split.velocityOffset, 0, 245));
    m_sliders[1]->setValue(std::clamp(127 - split.velocityMin, 0, 127));
    m_sliders[2]->setValue(std::clamp(127 - split.velocityMax, 0, 127));
    showVelocities();
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        connect(m_sliders[i], &QSlider::valueChanged, this,
                [this, i](int position) { sliderMoved(static_cast<Slider>(i), position); });
    }

    auto* controlBox = new QGroupBox(QStringLiteral("Masterkeyboard Control-Box"), this);
    m_midiIn = spinBox(controlBox, 1, 16, QStringLiteral("midiIn"));
    m_midiIn->setValue(std::clamp(split.midiInChannel + 1, 1, 16));
    m_transpose = spinBox(controlBox, -60, 60, QStringLiteral("transpose"));
    m_transpose->setValue(std::clamp(split.transpose, -60, 60));
    auto* controlFields = new QFormLayout(controlBox);
    controlFields->addRow(QStringLiteral("MIDI-&In"), m_midiIn);
    controlFields->addRow(QStringLiteral("&Transpose"), m_transpose);
    // These two go into the copy as they change, like the sliders.
    connect(m_midiIn, &QSpinBox::valueChanged, this, [this](int value) { m_split.midiInChannel = value - 1; });
    connect(m_transpose, &QSpinBox::valueChanged, this, [this](int value) { m_split.transpose = value; });

    QWidget* monophony = makeGroup(m_monophony, QStringLiteral("Monophony"), QStringLiteral("lowest note only"),
                                   QStringLiteral("highest note only"), QStringLiteral("monophony"));
    QWidget* sustain = makeGroup(m_sustainPedal, QStringLiteral("Sustain-Pedal"), QStringLiteral("only without pedal"),
                                 QStringLiteral("only with pedal"), QStringLiteral("sustainPedal"));
    QWidget* noteNumber = makeGroup(m_noteNumber, QStringLiteral("Note Number"), QStringLiteral("x-th note only"),
                                    QStringLiteral("x-th note not"), QStringLiteral("noteNumber"));
    m_noteNumber.parameter = spinBox(noteNumber, 2, 16, QStringLiteral("noteInterval"));
    auto* xRow = new QFormLayout;
    xRow->addRow(QStringLiteral("x"), m_noteNumber.parameter);
    qobject_cast<QVBoxLayout*>(noteNumber->layout())->addLayout(xRow);
    QWidget* manner = makeGroup(m_mannerOfPlaying, QStringLiteral("Manner of Playing"), QStringLiteral("staccato"),
                                QStringLiteral("legato"), QStringLiteral("mannerOfPlaying"));
    m_mannerOfPlaying.parameter = spinBox(manner, 1, 8, QStringLiteral("playingLimit"));
    auto* limitRow = new QFormLayout;
    limitRow->addRow(QStringLiteral("Notes"), m_mannerOfPlaying.parameter);
    qobject_cast<QVBoxLayout*>(manner->layout())->addLayout(limitRow);

    auto* pitch = new QGroupBox(QStringLiteral("Pitch"), this);
    m_constantPitch = new QCheckBox(QStringLiteral("constant pitch"), pitch);
    m_constantPitch->setObjectName(QStringLiteral("constantPitch"));
    (new QVBoxLayout(pitch))->addWidget(m_constantPitch);

    auto* controller = new QGroupBox(QStringLiteral("Controller"), this);
    m_noteToController = new QCheckBox(QStringLiteral("note -> controller"), controller);
    m_noteToController->setObjectName(QStringLiteral("noteToController"));
    m_noteTarget = spinBox(controller, 1, 127, QStringLiteral("noteTarget"));
    m_velocityToController = new QCheckBox(QStringLiteral("vel. -> controller"), controller);
    m_velocityToController->setObjectName(QStringLiteral("velocityToController"));
    m_velocityTarget = spinBox(controller, 0, 127, QStringLiteral("velocityTarget"));
    auto* controllers = new QGridLayout(controller);
    controllers->addWidget(m_noteToController, 0, 0);
    controllers->addWidget(m_noteTarget, 0, 1);
    controllers->addWidget(m_velocityToController, 1, 0);
    controllers->addWidget(m_velocityTarget, 1, 1);
    connect(m_noteToController, &QCheckBox::toggled, m_noteTarget, &QWidget::setEnabled);
    connect(m_velocityToController, &QCheckBox::toggled, m_velocityTarget, &QWidget::setEnabled);

    auto* filter = new QGroupBox(QStringLiteral("MIDI-Filter"), this);
    m_controllerThru = new QCheckBox(QStringLiteral("controller thru"), filter);
    m_pitchwheelThru = new QCheckBox(QStringLiteral("pitchwheel thru"), filter);
    m_aftertouchThru = new QCheckBox(QStringLiteral("aftertouch thru"), filter);
    m_controllerThru->setObjectName(QStringLiteral("controllerThru"));
    m_pitchwheelThru->setObjectName(QStringLiteral("pitchwheelThru"));
    m_aftertouchThru->setObjectName(QStringLiteral("aftertouchThru"));
    auto* filters = new QVBoxLayout(filter);
    filters->addWidget(m_controllerThru);
    filters->addWidget(m_pitchwheelThru);
    filters->addWidget(m_aftertouchThru);

    m_comment = new QLineEdit(this);
    m_comment->setObjectName(QStringLiteral("comment"));
    m_comment->setMaxLength(kMaxCommentBytes);
    m_showComment = new QCheckBox(QStringLiteral("display comment in split"), this);
    m_showComment->setObjectName(QStringLiteral("showComment"));
    auto* commentLabel = new QLabel(QStringLiteral("&comment on split"), this);
    commentLabel->setBuddy(m_comment);
    auto* commentRow = new QHBoxLayout;
    commentRow->addWidget(commentLabel);
    commentRow->addWidget(m_comment, 1);
    commentRow->addWidget(m_showComment);

    auto* buttons = dialogButtons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help |
                                            QDialogButtonBox::Reset);
    buttons->button(QDialogButtonBox::Reset)->setText(QStringLiteral("&Reset"));
    buttons->button(QDialogButtonBox::Reset)->setObjectName(QStringLiteral("reset"));

    auto* left = new QVBoxLayout;
    left->addWidget(velocity, 1);
    left->addWidget(controlBox);
    auto* groups = new QGridLayout;
    groups->addWidget(monophony, 0, 0);
    groups->addWidget(sustain, 0, 1);
    groups->addWidget(noteNumber, 1, 0);
    groups->addWidget(manner, 1, 1);
    groups->addWidget(pitch, 2, 0);
    groups->addWidget(filter, 2, 1, 2, 1);
    groups->addWidget(controller, 3, 0);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(groups, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(commentRow);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::helpRequested, this, &SfxDialog::helpRequested);
    connect(buttons->button(QDialogButtonBox::Reset), &QPushButton::clicked, this, [this] {
        SfxSettings s = settings();
        resetSfxSettings(s, m_openingComment);
        showSettings(s);
    });

    showSettings(sfxSettingsOf(split));
    m_sliders[0]->setFocus();
}

QWidget* SfxDialog::makeGroup(GroupControls& group, const QString& title, const QString& first, const QString& second,
                              const QString& objectName) {
    auto* box = new QGroupBox(title, this);
    box->setObjectName(objectName);
    group.active = new QCheckBox(QStringLiteral("active "), box);
    group.active->setObjectName(objectName + QStringLiteral("Active"));
    group.choices = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(group.active);
    for (int i = 0; i < 2; ++i) {
        auto* radio = new QRadioButton(i == 0 ? first : second, box);
        radio->setObjectName(objectName + QString::number(i));
        group.choices->addButton(radio, i);
        group.radios[static_cast<std::size_t>(i)] = radio;
        layout->addWidget(radio);
        connect(radio, &QRadioButton::toggled, this, &SfxDialog::enableGroups);
    }
    connect(group.active, &QCheckBox::toggled, this, &SfxDialog::enableGroups);
    return box;
}

void SfxDialog::showSettings(const SfxSettings& s) {
    const std::array<std::pair<GroupControls*, const SfxGroup*>, 4> groups = {
        {{&m_monophony, &s.monophony},
         {&m_sustainPedal, &s.sustainPedal},
         {&m_noteNumber, &s.noteNumber},
         {&m_mannerOfPlaying, &s.mannerOfPlaying}}};
    for (const auto& [controls, state] : groups) {
        controls->active->setChecked(state->active);
        setChoice(controls->choices, state->choice);
    }
    m_noteNumber.parameter->setValue(s.noteInterval);
    m_mannerOfPlaying.parameter->setValue(s.playingLimit);
    m_constantPitch->setChecked(s.constantPitch);
    m_noteToController->setChecked(s.noteToController);
    m_velocityToController->setChecked(s.velocityToController);
    m_noteTarget->setValue(s.noteTarget);
    m_velocityTarget->setValue(s.velocityTarget);
    m_noteTarget->setEnabled(s.noteToController);
    m_velocityTarget->setEnabled(s.velocityToController);
    m_controllerThru->setChecked(s.controllerThru);
    m_pitchwheelThru->setChecked(s.pitchwheelThru);
    m_aftertouchThru->setChecked(s.aftertouchThru);
    m_comment->setText(QString::fromStdString(s.comment));
    m_showComment->setChecked(s.showComment);
    enableGroups();
}

void SfxDialog::enableGroups() {
    for (GroupControls* group : {&m_monophony, &m_sustainPedal, &m_noteNumber, &m_mannerOfPlaying}) {
        const bool active = group->active->isChecked();
        for (QRadioButton* radio : group->radios) {
            radio->setEnabled(active);
        }
        if (group->parameter != nullptr) {
            group->parameter->setEnabled(active && group->choices->checkedId() >= 0);
        }
    }
}

SfxSettings SfxDialog::settings() const {
    SfxSettings s;
    const auto groupOf = [](const GroupControls& controls) {
        return SfxGroup{controls.active->isChecked(), controls.choices->checkedId()};
    };
    s.monophony = groupOf(m_monophony);
    s.sustainPedal = groupOf(m_sustainPedal);
    s.noteNumber = groupOf(m_noteNumber);
    s.mannerOfPlaying = groupOf(m_mannerOfPlaying);
    s.noteInterval = m_noteNumber.parameter->value();
    s.playingLimit = m_mannerOfPlaying.parameter->value();
    s.constantPitch = m_constantPitch->isChecked();
    s.noteToController = m_noteToController->isChecked();
    s.velocityToController = m_velocityToController->isChecked();
    s.noteTarget = m_noteTarget->value();
    s.velocityTarget = m_velocityTarget->value();
    s.controllerThru = m_controllerThru->isChecked();
    s.pitchwheelThru = m_pitchwheelThru->isChecked();
    s.aftertouchThru = m_aftertouchThru->isChecked();
    s.showComment = m_showComment->isChecked();
    s.comment = m_comment->text().toStdString();
    return s;
}

midi::Split SfxDialog::edited() const {
    midi::Split split = m_split;
    applySfxSettings(settings(), split);
    return split;
}

void SfxDialog::sliderMoved(Slider which, int position) {
    switch (which) {
    case Slider::VelOffset:
        m_split.velocityOffset = kVelocityOffsetTop - position;
        break;
    case Slider::VelMin:
        if (127 - position > m_split.velocityMax) {
            // A window whose lowest velocity lies above its highest is refused.
            const QSignalBlocker quiet(m_sliders[1]);
            m_sliders[1]->setValue(std::clamp(127 - m_split.velocityMax, 0, 127));
        } else {
            m_split.velocityMin = 127 - position;
        }
        break;
    case Slider::VelMax:
        if (127 - position < m_split.velocityMin) {
            const QSignalBlocker quiet(m_sliders[2]);
            m_sliders[2]->setValue(std::clamp(127 - m_split.velocityMin, 0, 127));
        } else {
            m_split.velocityMax = 127 - position;
        }
        break;
    }
    showVelocities();
}

void SfxDialog::showVelocities() {
    // The fields show the slider's value (a value no slider can reach shows where the slider is).
    m_values[0]->setText(QString::number(kVelocityOffsetTop - m_sliders[0]->value()));
    m_values[1]->setText(QString::number(127 - m_sliders[1]->value()));
    m_values[2]->setText(QString::number(127 - m_sliders[2]->value()));
}

} // namespace tonwerk::ui
