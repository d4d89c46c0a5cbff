#include "SoundDriverPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonwerk::ui {

SoundDriverPage::SoundDriverPage(const session::ProgramOptions& options, const session::DeviceLists& devices,
                                 QWidget* parent)
    : QWidget(parent) {
    m_devices = new QComboBox(this);
    m_devices->setObjectName(QStringLiteral("soundDevice"));
    for (const std::string& description : devices.soundDevices) {
        m_devices->addItem(QString::fromStdString(description));
    }
    m_devices->setCurrentIndex(options.soundDevice < m_devices->count() ? options.soundDevice : -1);
    m_devices->setMinimumContentsLength(28);
    m_devices->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The buffer type works on the device that plays now; the dialog is reached from here.
    m_bufferType = new QPushButton(QStringLiteral("Buffer-Type..."), this);
    m_bufferType->setObjectName(QStringLiteral("bufferType"));
    m_bufferType->setAutoDefault(false);

    m_timestretch = new QCheckBox(QStringLiteral("use timestretching for BPM changes"), this);
    m_timestretch->setObjectName(QStringLiteral("timestretch"));
    m_timestretch->setChecked(options.useTimestretch);
    m_noAutoBpm = new QCheckBox(QStringLiteral("no automatic BPM changes"), this);
    m_noAutoBpm->setObjectName(QStringLiteral("noAutoBpm"));
    m_noAutoBpm->setChecked(options.noAutoBpm);
    m_waveLoop = new QCheckBox(QStringLiteral("use wave loop"), this);
    m_waveLoop->setObjectName(QStringLiteral("waveLoop"));
    m_waveLoop->setChecked(options.useWaveLoop);

    auto* driverGroup = new QGroupBox(QStringLiteral("DirectSound-Driver"), this);
    auto* driverRow = new QHBoxLayout(driverGroup);
    driverRow->addWidget(m_devices, 1);
    driverRow->addWidget(m_bufferType);
    auto* tempoGroup = new QGroupBox(QStringLiteral("Defaults"), this);
    auto* tempo = new QVBoxLayout(tempoGroup);
    tempo->addWidget(m_timestretch);
    tempo->addWidget(m_noAutoBpm);
    tempo->addWidget(m_waveLoop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(driverGroup);
    layout->addWidget(tempoGroup);
    layout->addStretch(1);

    connect(m_bufferType, &QPushButton::clicked, this, &SoundDriverPage::bufferTypeRequested);
}

void SoundDriverPage::store(session::ProgramOptions& options) const {
    options.soundDevice = m_devices->currentIndex();
    options.useTimestretch = m_timestretch->isChecked();
    options.noAutoBpm = m_noAutoBpm->isChecked();
    options.useWaveLoop = m_waveLoop->isChecked();
}

} // namespace tonwerk::ui
