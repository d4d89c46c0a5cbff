#pragma once

#include "DialogParts.h"

#include "midi/Split.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace tonwerk::core {
class Notifier;
}
namespace tonwerk::session {
class FileSearch;
}

namespace tonwerk::ui {

// "Search File : %s": a sample or clip a setup names is not where it was stored. The performer
// picks one of the folders where such files were found before, browses for the file, lets Find
// look on the disks (on its own thread, the folder being searched shown as it goes), skips the
// file, or cancels the loading of the remaining media. UI thread.
class SearchFileDialog : public QDialog {
    Q_OBJECT
public:
    // The dialog's result for Skip (OK is Accepted, Cancel Rejected).
    static constexpr int kSkip = 1531;

    struct Request {
        std::string storedPath; // as the setup holds it
        midi::SplitTask task = midi::SplitTask::Sample;
        std::vector<std::filesystem::path> roots; // where Find looks, in order
    };
    // `remembered`: the folders where files of this kind were found, newest first; trimmed to six
    // when the dialog opens, and a folder where the performer finds the file goes to its front.
    // `usable` says whether a browsed file can be loaded.
    SearchFileDialog(Request request, std::vector<std::string>& remembered, core::Notifier& notifier,
                     ChooseFile chooseFile, std::function<bool(const std::filesystem::path&)> usable,
                     QWidget* parent = nullptr);
    ~SearchFileDialog() override;

    // The path OK returns.
    [[nodiscard]] std::filesystem::path chosenPath() const;

    [[nodiscard]] QListWidget* folders() const { return m_folders; }
    [[nodiscard]] QLineEdit* proposed() const { return m_proposed; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }
    [[nodiscard]] QPushButton* findButton() const { return m_find; }
    // Find is running.
    [[nodiscard]] bool searching() const { return m_search != nullptr; }

    void done(int result) override;

    // The buttons' commands: Browse (the file dialog, again after a file that cannot be loaded),
    // Find (the disk search), Skip (the caller empties the split).
    void browse();
    void find();
    void skip();

private:
    void folderChosen(int row, bool tellWhenMissing);
    void propose(const std::filesystem::path& path);
    void clearProposal();
    void pollSearch();
    void addFolder(const std::string& folder);

    Request m_request;
    std::string m_fileName;
    std::vector<std::string>& m_remembered;
    core::Notifier& m_notifier;
    ChooseFile m_chooseFile;
    std::function<bool(const std::filesystem::path&)> m_usable;
    std::filesystem::path m_chosen;
    QListWidget* m_folders = nullptr;
    QLineEdit* m_proposed = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_find = nullptr;
    QTimer* m_poll = nullptr;
    std::unique_ptr<session::FileSearch> m_search;
    std::size_t m_foldersSeen = 0; // of the search's found folders, those already listed
};

} // namespace tonwerk::ui
