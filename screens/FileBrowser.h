#pragma once

#include "core/Settings.h"

#include <QObject>

#include <filesystem>

namespace tonwerk::session {
class Session;
}

namespace tonwerk::ui {

class MyListBox;

// The file browser of the DJ and Rock screens: four lists in a chain. Choosing a style (list
// 1377) lists its folders (1376) and its setups (1375, from the style's "Setups" folder);
// choosing a folder lists its clips, or else its samples (1374). A double-click on a sample
// previews it on split 24, on a clip on split 23 (again: stops it); on a setup it is handed to
// the screen to load. The choices are kept in the settings. UI thread.
class FileBrowser : public QObject {
    Q_OBJECT
public:
    struct Lists {
        MyListBox* styles = nullptr;  // 1377
        MyListBox* folders = nullptr; // 1376
        MyListBox* media = nullptr;   // 1374
        MyListBox* setups = nullptr;  // 1375
    };

    FileBrowser(Lists lists, session::Session& session, core::Settings& settings, QObject* parent = nullptr);

    // The screen opened: the stored style folder, its stored entry chosen.
    void start();
    // The style selected in list 1377 (step 1), the folder selected in list 1376 (step 2; the
    // media list fills in the background).
    void chooseStyle();
    void chooseFolder();
    // A double-click on entry `index` of the media list or the setup list.
    void mediaDoubleClicked(int index);
    void setupDoubleClicked(int index);
    [[nodiscard]] bool showsClips() const { return m_clips; }

signals:
    // A setup file double-clicked in the setup list: the screen loads it.
    void setupChosen(const std::filesystem::path& path);
    // A folder of a list could not be read (the list shows the home folder instead).
    void folderUnavailable();

private:
    void mediaFilled(bool ok, int patternIndex);

    Lists m_lists;
    session::Session& m_session;
    core::Settings& m_settings;
    bool m_clips = false; // the media list shows clips, not samples
};

} // namespace tonwerk::ui
