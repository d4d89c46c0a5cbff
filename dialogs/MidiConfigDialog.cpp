#include "MidiConfigDialog.h"

#include "DialogParts.h"

#include "core/ErrorReporting.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tonwerk::ui {

MidiConfigDialog::MidiConfigDialog(const midi::Split& split, core::Notifier& notifier, QWidget* parent)
    : QDialog(parent), m_notifier(notifier), m_task(split.taskKind()), m_storedBank(split.bank) {
    setWindowTitle(QStringLiteral("MIDI-Configuration"));

    auto* programGroup = new QGroupBox(QStringLiteral("MIDI-program-change"), this);
    m_programs = new QListWidget(programGroup);
    m_programs->setObjectName(QStringLiteral("programs"));
    for (int program = 0; program < 128; ++program) {
        m_programs->addItem(QString::fromLatin1(midi::generalMidiName(program)));
    }
    m_programs->setCurrentRow(std::clamp(split.program, 0, 127));
    m_programs->setMinimumWidth(m_programs->sizeHintForColumn(0) + 40);
    auto* programLayout = new QVBoxLayout(programGroup);
    programLayout->addWidget(m_programs);

    m_bank = new QSpinBox(this);
    m_bank->setObjectName(QStringLiteral("bank"));
    m_bank->setRange(0, 127);
    m_bank->setValue(std::clamp(split.bank, 0, 127));
    // The channel the split sends on (the low four bits of its output channel).
    m_channel = new QSpinBox(this);
    m_channel->setObjectName(QStringLiteral("channel"));
    m_channel->setRange(1, 16);
    m_channel->setValue((split.midiOutChannel & 0x0F) + 1);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Bank"), m_bank);
    fields->addRow(QStringLiteral("MIDI-&Out channel"), m_channel);

    auto* buttons = dialogButtons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(programGroup, 1);
    layout->addLayout(fields);
    layout->addWidget(buttons);

    connect(m_programs, &QListWidget::currentRowChanged, this, &MidiConfigDialog::programChanged);
    connect(m_bank, &QSpinBox::valueChanged, this, [this] { m_bankTouched = true; });
    connect(buttons, &QDialogButtonBox::helpRequested, this, &MidiConfigDialog::helpRequested);
    m_programs->setFocus();
}

void MidiConfigDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Laid out now: the split's program in the middle of the list, its neighbours around it.
    m_programs->scrollToItem(m_programs->currentItem(), QAbstractItemView::PositionAtCenter);
}

int MidiConfigDialog::program() const { return std::clamp(m_programs->currentRow(), 0, 127); }

int MidiConfigDialog::bank() const { return m_bankTouched ? m_bank->value() : m_storedBank; }

int MidiConfigDialog::midiOutChannel() const { return m_channel->value() - 1; }

void MidiConfigDialog::programChanged() {
    if (m_programChosen) {
        return;
    }
    m_programChosen = true;
    // The first choice of a program tells what the split loses once OK makes it a MIDI split.
    if (m_task == midi::SplitTask::Avi) {
        core::showMessage(m_notifier, 3321, core::MessageKind::Warning);
    } else if (m_task == midi::SplitTask::Sample) {
        core::showMessage(m_notifier, 3322, core::MessageKind::Warning);
    }
}

} // namespace tonwerk::ui
