#include "SearchFileDialog.h"

#include "core/ErrorReporting.h"
#include "session/FileSearch.h"
#include "setups/SetupFile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace tonwerk::ui {

namespace fs = std::filesystem;

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

} // namespace

SearchFileDialog::SearchFileDialog(Request request, std::vector<std::string>& remembered, core::Notifier& notifier,
                                   ChooseFile chooseFile, std::function<bool(const fs::path&)> usable, QWidget* parent)
    : QDialog(parent), m_request(std::move(request)), m_fileName(setups::bareFileName(m_request.storedPath)),
      m_remembered(remembered), m_notifier(notifier), m_chooseFile(std::move(chooseFile)), m_usable(std::move(usable)) {
    setWindowTitle(withFields(3220, {text(m_fileName)}));

    auto* original = new QLineEdit(text(m_request.storedPath), this);
    original->setObjectName(QStringLiteral("original"));
    original->setReadOnly(true);
    m_folders = new QListWidget(this);
    m_folders->setObjectName(QStringLiteral("folders"));
    m_proposed = new QLineEdit(this);
    m_proposed->setObjectName(QStringLiteral("proposed"));
    m_proposed->setReadOnly(true);
    for (QLineEdit* field : {original, m_proposed}) {
        field->setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    }

    auto* browseButton = new QPushButton(QStringLiteral("Browse"), this);
    browseButton->setObjectName(QStringLiteral("browse"));
    m_find = new QPushButton(QStringLiteral("Find"), this);
    m_find->setObjectName(QStringLiteral("find"));
    auto* skipButton = new QPushButton(QStringLiteral("Skip"), this);
    skipButton->setObjectName(QStringLiteral("skip"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* button : {browseButton, m_find, skipButton, cancelButton}) {
        button->setAutoDefault(false);
    }
    m_ok->setEnabled(false);

    auto* fields = new QVBoxLayout;
    fields->addWidget(new QLabel(QStringLiteral("original file location:"), this));
    fields->addWidget(original);
    fields->addWidget(new QLabel(QStringLiteral("possible paths for the file:"), this));
    fields->addWidget(m_folders, 1);
    fields->addWidget(new QLabel(QStringLiteral("load file from path:"), this));
    fields->addWidget(m_proposed);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_ok, cancelButton, skipButton, browseButton, m_find}) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, &SearchFileDialog::pollSearch);
    connect(browseButton, &QPushButton::clicked, this, &SearchFileDialog::browse);
    connect(m_find, &QPushButton::clicked, this, &SearchFileDialog::find);
    connect(skipButton, &QPushButton::clicked, this, &SearchFileDialog::skip);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_folders, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { folderChosen(m_folders->row(item), true); });

    // The remembered folders, newest first, at most six; the first one proposed when it has the file.
    session::trimSearchFolders(m_remembered);
    for (const std::string& folder : m_remembered) {
        m_folders->addItem(text(folder));
    }
    if (m_folders->count() > 0) {
        m_folders->setCurrentRow(0);
        folderChosen(0, false);
    }
}

SearchFileDialog::~SearchFileDialog() = default;

fs::path SearchFileDialog::chosenPath() const { return m_chosen; }

void SearchFileDialog::folderChosen(int row, bool tellWhenMissing) {
    QListWidgetItem* item = m_folders->item(row);
    if (item == nullptr) {
        return;
    }
    const fs::path path = session::proposedPath(item->text().toStdString(), m_fileName);
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        // The folder no longer holds the file: nothing is proposed from it.
        if (tellWhenMissing) {
            core::showMessage(m_notifier, 8296, core::MessageKind::Error);
        }
        clearProposal();
        return;
    }
    propose(path);
}

void SearchFileDialog::propose(const fs::path& path) {
    m_chosen = path;
    m_proposed->setText(text(path.string()));
    m_ok->setEnabled(true);
}

void SearchFileDialog::clearProposal() {
    m_chosen.clear();
    m_proposed->clear();
    m_ok->setEnabled(false);
}

void SearchFileDialog::addFolder(const std::string& folder) {
    session::rememberSearchFolder(m_remembered, folder);
    const QList<QListWidgetItem*> same = m_folders->findItems(text(folder), Qt::MatchExactly);
    for (QListWidgetItem* item : same) {
        delete m_folders->takeItem(m_folders->row(item));
    }
    m_folders->insertItem(0, text(folder));
    m_folders->setCurrentRow(0);
}

void SearchFileDialog::browse() {
    const bool sample = m_request.task == midi::SplitTask::Sample;
    const QString title = dialogText(sample ? 8211 : 8226);
    const QString filter = QStringLiteral("%1;;%2")
                               .arg(dialogText(sample ? 8212 : 8221), dialogText(8214))
                               .replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
    const QString start = m_remembered.empty() ? QString() : text(m_remembered.front());
    while (true) {
        const QString chosen = m_chooseFile ? m_chooseFile(this, title, filter, start) : QString();
        if (chosen.isEmpty()) {
            clearProposal(); // a cancelled file dialog leaves nothing proposed
            return;
        }
        const fs::path path = chosen.toStdString();
        if (m_usable && m_usable(path)) {
            propose(path);
            addFolder(path.parent_path().string());
            return;
        }
        core::showMessage(m_notifier, 8231, core::MessageKind::Error); // and the file dialog again
    }
}

void SearchFileDialog::find() {
    if (m_search) {
        return;
    }
    m_find->setEnabled(false);
    m_proposed->setText(QStringLiteral("..."));
    m_foldersSeen = 0;
    m_search = std::make_unique<session::FileSearch>(m_fileName, m_request.roots);
    m_poll->start();
}

void SearchFileDialog::pollSearch() {
    if (!m_search) {
        return;
    }
    const session::FileSearch::Progress progress = m_search->progress();
    for (; m_foldersSeen < progress.foundFolders.size(); ++m_foldersSeen) {
        addFolder(progress.foundFolders[m_foldersSeen]);
    }
    if (!progress.finished) {
        m_proposed->setText(text(progress.searching)); // where it looks now
        return;
    }
    m_poll->stop();
    m_search.reset();
    m_find->setEnabled(true);
    if (progress.found) {
        propose(*progress.found);
        if (m_folders->count() > 0) {
            m_folders->setCurrentRow(0);
        }
    } else if (!m_chosen.empty()) {
        m_proposed->setText(text(m_chosen.string())); // nothing found: the dialog is as it was
    } else {
        m_proposed->clear();
    }
}

void SearchFileDialog::skip() { done(kSkip); }

void SearchFileDialog::done(int result) {
    // A running search ends with the dialog.
    if (m_search) {
        m_poll->stop();
        m_search->stop();
        m_search.reset();
    }
    QDialog::done(result);
}

} // namespace tonwerk::ui
