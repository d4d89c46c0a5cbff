#pragma once

#include "FolderListing.h"
#include "MediaDrag.h"

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QKeyEvent;

namespace tonwerk::ui {

// The options a file list is made with.
namespace ListOption {
inline constexpr unsigned kAutoScroll = 1;  // scroll while a drag is outside the list
inline constexpr unsigned kDropFolders = 2; // folder entries may be dragged
inline constexpr unsigned kDragging = 4;    // entries may be dragged
inline constexpr unsigned kParentWhenEmpty = 8;
inline constexpr unsigned kEmptyFolderStays = 16; // an empty folder name is not made "/"
inline constexpr unsigned kStyleMode = 32;        // a folder holding "Setups" is chosen, not entered
inline constexpr unsigned kLeafMode = 64;         // a folder without subfolders is chosen, not entered
} // namespace ListOption

// One of the file browser's lists: a painted list of a folder's entries (folders in brackets, the
// drives, the files of a pattern), in one column or in columns side by side. A double-click or
// Enter on a folder goes into it (style and leaf modes choose instead), on a drive to its root;
// a folder that cannot be read falls back to the home folder and says so once. Entries are
// dragged out with their full path. Keys it does not use go on to the screen (the PC keyboard
// keeps playing). It knows nothing of the engine. UI thread.
class MyListBox : public QWidget {
    Q_OBJECT
public:
    explicit MyListBox(int id, unsigned options, QWidget* parent = nullptr);

    [[nodiscard]] int id() const { return m_id; }
    // The places shown as drives (machineDrives() by default).
    void setDrives(std::vector<Drive> drives) { m_drives = std::move(drives); }
    void setColours(QColor background, QColor text, QColor selectedText, QColor selectedBackground);
    // Columns side by side, scrolled sideways (the media and style lists), or one column.
    void setMultiColumn(bool multiColumn);
    void setFontPixelSize(int pixels);
    // The picture at the pointer while an entry is dragged (none: the platform's).
    void setDragCursor(const QPixmap& cursor) { m_dragCursor = cursor; }

    // Lists `folder` (flags and pattern as listFolder); false, and an empty list, when the folder
    // cannot be read. Item 0 is selected; no selection change is told.
    bool fill(const std::filesystem::path& folder, unsigned flags, const std::string& pattern);
    // The same without holding up the screen (a folder of thousands of files, a slow disk): the
    // folder is read on a thread of its own with the first of `patterns` that finds a file (the
    // last when none does), and the list shows it when it is ready, telling `filled`. A newer
    // fill replaces one still running; until then the list shows what it showed.
    void fillInBackground(const std::filesystem::path& folder, unsigned flags, std::vector<std::string> patterns);
    [[nodiscard]] bool filling() const { return m_pending.valid(); }
    [[nodiscard]] const std::filesystem::path& folder() const { return m_folder; }
    [[nodiscard]] const std::vector<FolderEntry>& entries() const { return m_entries; }
    [[nodiscard]] int count() const { return static_cast<int>(m_entries.size()); }
    [[nodiscard]] int selected() const { return m_selected; }
    [[nodiscard]] const FolderEntry* selectedEntry() const;
    // The full path of entry `index` (folder + name).
    [[nodiscard]] std::filesystem::path pathOf(int index) const;
    // Selects `index` as a click does (the selection change is told).
    void select(int index);
    // Selects the entry shown as `text`; false when there is none.
    bool selectText(const std::string& text);
    // One step of the list's scroll buttons: -1 back (up or left), +1 forward.
    void scrollStep(int direction);
    [[nodiscard]] int topIndex() const { return m_top; }
    // A double-click or Enter on `index`: navigates, then tells the double-click.
    void activate(int index);
    // The rectangle of entry `index` in the widget (empty when it is not shown).
    [[nodiscard]] QRect itemRect(int index) const;

signals:
    void selectionChanged(int id, int index);
    void doubleClicked(int id, int index);
    // A folder or drive that could not be read: the list shows the home folder instead.
    void folderUnavailable(int id);
    // Keys the list passes on (not auto-repeats of presses).
    void keyPassed(const QKeyEvent& event, bool down);
    // A drag: 17001 dragging, 17002 over a target that takes it, 17000 done.
    void dragStatus(int stringId);
    // A background fill is shown: whether the folder could be read, and which pattern it took.
    void filled(int id, bool ok, int patternIndex);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] int itemHeight() const;
    [[nodiscard]] int rowsShown() const;
    [[nodiscard]] int columnWidth() const;
    [[nodiscard]] int indexAt(QPoint point) const;
    [[nodiscard]] int pageSize() const;
    void ensureVisible(int index);
    void measureEntries();
    struct Listed {
        std::optional<std::vector<FolderEntry>> entries;
        std::filesystem::path folder;
        unsigned flags = 0;
        std::string pattern;
        int patternIndex = 0;
    };
    void showListed(Listed listed);
    void takeFill();
    void setTop(int top);
    void fallBack();
    void startDrag();
    void autoScrollTick();

    int m_id;
    unsigned m_options;
    std::vector<Drive> m_drives;
    QColor m_background{0, 74, 0};
    QColor m_text{222, 214, 0};
    QColor m_selectedText{255, 0, 0};
    QColor m_selectedBackground{0, 74, 0};
    bool m_multiColumn = false;
    int m_fontPixels = 11;
    std::filesystem::path m_folder;
    unsigned m_flags = 0;
    std::string m_pattern = "*.*";
    std::vector<FolderEntry> m_entries;
    int m_widest = 0; // the widest entry's text, in pixels
    int m_selected = -1;
    int m_top = 0; // the first row (one column) or the first entry of the first column shown
    int m_pressed = -1;
    QPoint m_pressPoint;
    QTimer m_autoScroll;
    std::future<Listed> m_pending; // a background fill not yet shown
    QTimer m_fillPoll;
    QPixmap m_dragCursor;
};

} // namespace tonwerk::ui
