#include "BufferTypeDialog.h"

#include "DialogParts.h"

#include "session/ProgramOptions.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace tonwerk::ui {

BufferTypeDialog::BufferTypeDialog(std::optional<int> current, std::function<bool(int)> apply, QWidget* parent)
    : QDialog(parent), m_apply(std::move(apply)) {
    setWindowTitle(QStringLiteral("DirectSound Buffer-Type"));
    auto* label = new QLabel(QStringLiteral("output-buffer options:"), this);
    m_formats = new QListWidget(this);
    m_formats->setObjectName(QStringLiteral("formats"));
    for (int i = 0; i < session::kBufferTypeCount; ++i) {
        m_formats->addItem(QString::fromLatin1(session::bufferTypeName(i)));
    }
    // The entries line up as a table only in a fixed-pitch face.
    QFont fixed(QStringLiteral("DejaVu Sans Mono"));
    fixed.setStyleHint(QFont::Monospace);
    m_formats->setFont(fixed);
    m_formats->setSpacing(1);
    m_formats->setMinimumWidth(m_formats->sizeHintForColumn(0) + 48);
    // All 16 in sight, without a scroll bar.
    m_formats->setMinimumHeight((m_formats->sizeHintForRow(0) + 2) * session::kBufferTypeCount +
                                2 * m_formats->frameWidth() + 4);
    if (current && *current >= 0 && *current < session::kBufferTypeCount) {
        m_formats->setCurrentRow(*current);
    } else {
        m_formats->setCurrentRow(-1);
    }
    label->setBuddy(m_formats);

    auto* buttons = dialogButtons(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* applyButton = buttons->addButton(QStringLiteral("&Apply"), QDialogButtonBox::ApplyRole);
    applyButton->setObjectName(QStringLiteral("apply"));
    applyButton->setAutoDefault(false);
    connect(applyButton, &QPushButton::clicked, this, [this] { applySelected(); });
    connect(m_formats, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_formats->setCurrentItem(item);
        applySelected();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_formats, 1);
    layout->addWidget(buttons);
    m_formats->setFocus();
}

bool BufferTypeDialog::applySelected() {
    // The selected entry, not the current one: focus alone makes the first entry current.
    const QList<QListWidgetItem*> selected = m_formats->selectedItems();
    const int row = selected.isEmpty() ? -1 : m_formats->row(selected.front());
    return row >= 0 && m_apply && m_apply(row);
}

void BufferTypeDialog::accept() {
    // OK closes only once the selected format is applied; with nothing selected, or refused, the
    // dialog stays open.
    if (applySelected()) {
        QDialog::accept();
    }
}

} // namespace tonwerk::ui
