#include "AboutDialog.h"

#include "DialogParts.h"
#include "tonwerk/Version.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tonwerk::ui {

AboutDialog::AboutDialog(std::optional<std::uint64_t> freeKilobytes, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About ORVAN Tonwerk"));
    auto* name = new QLabel(QStringLiteral("ORVAN Tonwerk"), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version %1, December 2026").arg(QString::fromLatin1(kVersion)), this);
    const QString made = QStringLiteral("Made by the Tonwerk developers for keyboard players on stage.");
    auto* makers =
        new QLabel(made + QStringLiteral("\nSplits, samples, clips and songs from one master keyboard."), this);
    makers->setMinimumWidth(makers->fontMetrics().horizontalAdvance(made) + 8);
    m_memory = new QLabel(freeKilobytes ? withFields(106, {QString::number(*freeKilobytes)}) : dialogText(134), this);
    m_memory->setObjectName(QStringLiteral("memory"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(makers);
    layout->addSpacing(8);
    layout->addWidget(m_memory);
    layout->addWidget(dialogButtons(this, QDialogButtonBox::Ok));
}

QString AboutDialog::memoryText() const { return m_memory->text(); }

} // namespace tonwerk::ui
