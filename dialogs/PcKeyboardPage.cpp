#include "PcKeyboardPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tonwerk::ui {

PcKeyboardPage::PcKeyboardPage(const session::ProgramOptions& options, QWidget* parent) : QWidget(parent) {
    m_velocity = new QSpinBox(this);
    m_velocity->setObjectName(QStringLiteral("velocity"));
    m_velocity->setRange(0, 127);
    m_velocity->setValue(std::clamp(options.keyboardVelocity, 0, 127));
    m_channel = new QSpinBox(this);
    m_channel->setObjectName(QStringLiteral("channel"));
    m_channel->setRange(1, 16);
    m_channel->setValue(std::clamp(options.keyboardChannel, 0, 15) + 1);
    m_keyRange = new QComboBox(this);
    m_keyRange->setObjectName(QStringLiteral("keyRange"));
    for (const char* range : session::kKeyRanges) {
        m_keyRange->addItem(QString::fromLatin1(range));
    }
    m_keyRange->setCurrentIndex(std::clamp(options.keyboardRange, 0, static_cast<int>(session::kKeyRanges.size()) - 1));
    m_active = new QCheckBox(QStringLiteral("PC-keyboard active"), this);
    m_active->setObjectName(QStringLiteral("active"));
    m_active->setChecked(options.pcKeyboardActive);
    m_inscribe = new QCheckBox(QStringLiteral("inscribe screen keyboard"), this);
    m_inscribe->setObjectName(QStringLiteral("inscribe"));
    m_inscribe->setChecked(options.keyboardLabels);
    m_inscribe->setEnabled(options.pcKeyboardActive);

    auto* group = new QGroupBox(QStringLiteral("PC-Keyboard"), this);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("velocity"), m_velocity);
    form->addRow(QStringLiteral("MIDI-In channel"), m_channel);
    form->addRow(QStringLiteral("key range"), m_keyRange);
    form->addRow(m_active);
    form->addRow(m_inscribe);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(m_active, &QCheckBox::toggled, m_inscribe, &QCheckBox::setEnabled);
}

void PcKeyboardPage::store(session::ProgramOptions& options) const {
    options.keyboardChannel = m_channel->value() - 1;
    options.keyboardVelocity = m_velocity->value();
    options.keyboardRange = std::max(0, m_keyRange->currentIndex());
    options.pcKeyboardActive = m_active->isChecked();
    options.keyboardLabels = m_inscribe->isChecked();
}

} // namespace tonwerk::ui
