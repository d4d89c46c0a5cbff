#include "OptionsSheet.h"

#include "DialogParts.h"
#include "MidiSettingsPage.h"
#include "OtherOptionsPage.h"
#include "PcKeyboardPage.h"
#include "SoundDriverPage.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace tonwerk::ui {

OptionsSheet::OptionsSheet(const session::ProgramOptions& options, const session::DeviceLists& devices,
                           core::Notifier& notifier, QWidget* parent)
    : QDialog(parent), m_start(options) {
    setWindowTitle(dialogText(164));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->setUsesScrollButtons(false); // every page's tab in sight, none behind an arrow
    m_other = new OtherOptionsPage(options, m_pages);
    m_midi = new MidiSettingsPage(options, devices, notifier, m_pages);
    m_keyboard = new PcKeyboardPage(options, m_pages);
    m_sound = new SoundDriverPage(options, devices, m_pages);
    m_pages->addTab(m_other, QStringLiteral("Other Options"));
    m_pages->addTab(m_midi, QStringLiteral("MIDI-Settings"));
    m_pages->addTab(m_keyboard, QStringLiteral("PC-Keyboard Settings"));
    m_pages->addTab(m_sound, QStringLiteral("DirectSound-Driver"));

    auto* buttons = dialogButtons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::helpRequested, this, &OptionsSheet::helpRequested);
    connect(m_sound, &SoundDriverPage::bufferTypeRequested, this, &OptionsSheet::bufferTypeRequested);
}

session::ProgramOptions OptionsSheet::options() const {
    session::ProgramOptions result = m_start;
    m_other->store(result);
    m_midi->store(result);
    m_keyboard->store(result);
    m_sound->store(result);
    return result;
}

} // namespace tonwerk::ui
