#include "OtherOptionsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

namespace tonwerk::ui {

OtherOptionsPage::OtherOptionsPage(const session::ProgramOptions& options, QWidget* parent) : QWidget(parent) {
    auto* group = new QGroupBox(QStringLiteral("Common Settings"), this);
    m_markNotes = new QCheckBox(QStringLiteral("display notes on screen-keyboard"), group);
    m_markNotes->setObjectName(QStringLiteral("markNotes"));
    m_markNotes->setChecked(options.markNotes);
    m_startupSong = new QCheckBox(QStringLiteral("load initial song on startup"), group);
    m_startupSong->setObjectName(QStringLiteral("startupSong"));
    m_startupSong->setChecked(options.loadStartupSong);
    m_performanceDisplay = new QCheckBox(QStringLiteral("display CPU-Usage in caption"), group);
    m_performanceDisplay->setObjectName(QStringLiteral("performanceDisplay"));
    m_performanceDisplay->setChecked(options.performanceDisplay);

    auto* boxes = new QVBoxLayout(group);
    boxes->addWidget(m_markNotes);
    boxes->addWidget(m_startupSong);
    boxes->addWidget(m_performanceDisplay);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
}

void OtherOptionsPage::store(session::ProgramOptions& options) const {
    options.markNotes = m_markNotes->isChecked();
    options.loadStartupSong = m_startupSong->isChecked();
    options.performanceDisplay = m_performanceDisplay->isChecked();
}

} // namespace tonwerk::ui
