#pragma once

#include "JoystickPlayer.h"
#include "LevelMeters.h"
#include "ScreenLayout.h"
#include "ScreenScale.h"
#include "core/Settings.h"
#include "midi/EngineHooks.h"
#include "session/ScreenLoop.h"
#include "setups/SetupFile.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <array>
#include <bitset>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <tuple>
#include <vector>

class QMenu;

namespace tonwerk::session {
class Session;
}

namespace tonwerk::ui {

class BitmapButton;
class BitmapSlider;
class FileBrowser;
class KeyRangeBar;
class MyListBox;
class LevelMeter;
class NoteColourStrip;
class OnScreenKeyboard;
class PictureView;
class SplitList;
class ValueDisplay;
class VideoOutput;

// What a screen asks of its host that a test answers differently: file dialogs and opening a
// page in the desktop's viewer. Every member has a working default.
struct ScreenHost {
    enum class FileDialog { Open, Save };
    // Returns the chosen path, or empty when the performer cancelled.
    std::function<QString(QWidget* parent, FileDialog kind, const QString& title, const QString& filter,
                          const QString& folder, const QString& file)>
        chooseFile;
    // Shows the manual at `section` (an anchor of its headings) over the window `over`.
    std::function<void(QWidget* over, const QString& section)> showHelp;
    // Runs a split dialog modally: QDialog::Accepted or QDialog::Rejected.
    std::function<int(QDialog& dialog)> runDialog;
};

// One performance screen (Master, Rock, DJ, and the easy layout nobody selects), shown modally by
// the screen loop. It builds its controls from the layout tables, sends every change through the
// session's commands and shows what the engines report (it is their screen feedback while it is
// open). The whole screen scales uniformly with the window: F11 toggles full screen; at 100 % in
// a window of 801 × 584 every control sits at its table position. UI thread only.
class ScreenDialog : public QDialog, public midi::ScreenFeedback, public setups::MediaSearch {
    Q_OBJECT
public:
    // `settings` is the dialog's own copy, handed back by settings() when it closes.
    ScreenDialog(midi::ScreenKind screen, core::Settings settings, session::Session& session, session::ScreenLoop& loop,
                 ScreenHost host = {}, QWidget* parent = nullptr);
    ~ScreenDialog() override;
    ScreenDialog(const ScreenDialog&) = delete;
    ScreenDialog& operator=(const ScreenDialog&) = delete;

    [[nodiscard]] midi::ScreenKind screen() const { return m_screen; }
    [[nodiscard]] int dialogId() const;
    [[nodiscard]] const core::Settings& settings() const { return m_settings; }

    // "%s  %s": the program title and the setup name.
    [[nodiscard]] static QString captionFor(const std::string& setupName);

    // The command table: `id` as a click of its control or menu item.
    void command(int id);
    // The Exit command: ends the dialog (and the program) when the performer confirms.
    void exitCommand();
    // The program is told to end (SIGTERM, the session manager): what a confirmed Exit does,
    // without asking; dialogs open over the screen close as cancelled.
    void quitProgram();
    // Whether Exit offers the loaded setup for the next start (not in a managed session, whose
    // setup is the session's).
    void setAskLoadSetupAtStart(bool ask) { m_askLoadAtStart = ask; }

    // --- For the shell and tests ---
    [[nodiscard]] BitmapButton* button(int id) const;
    [[nodiscard]] QWidget* panel(PanelKind kind, int index = 0) const;
    [[nodiscard]] SplitList* splitList() const { return m_splitList; }
    [[nodiscard]] KeyRangeBar* keyRangeBar() const { return m_keyRange; }
    [[nodiscard]] const ScreenPlacement& placement() const { return m_placement; }
    // A screen point (table pixels) in window pixels.
    [[nodiscard]] QPoint windowPoint(int x, int y) const;
    [[nodiscard]] int listTop() const;
    [[nodiscard]] int meterLevel(int meter) const { return m_meters.level(meter); }
    [[nodiscard]] bool padLit(int pad) const { return m_padLit[static_cast<std::size_t>(pad - 1)]; }
    [[nodiscard]] QString displayText(PanelKind kind) const;
    [[nodiscard]] const QString& statusText() const { return m_status; }
    // Loads a setup or bank file as Open does, with its progress in the status display.
    bool loadSetupFile(const std::filesystem::path& path);
    // How long a setup load runs before the status display shows its progress (tests shorten it).
    void setLoadProgressDelay(std::chrono::milliseconds delay) { m_loadProgressDelay = delay; }
    // The File menu (menu 343) as the Menu button pops it up.
    [[nodiscard]] QMenu* fileMenu();
    // The screen size setting: 0 fits the window, 100, 150 or 200 fix it (a fixed size resizes a
    // normal window to show the screen whole).
    void setScreenScale(int setting);
    // The graphics picture for the embedded video monitor (see PictureView::imageOf).
    void showPicture(const QImage& picture);
    // The graphics window of the run and its pictures; "zoom" opens and closes it. The screen
    // becomes the window's owner (keys, placement) until it closes.
    void setVideoOutput(VideoOutput* output);
    // A key played on the graphics window: the screen's PC keyboard and the joystick's Tab.
    void passKey(const QKeyEvent& event, bool down);
    // The graphics window opened or closed: its placement, and whether it opens at the next
    // start (it does when the program ended with it open), are kept in the settings.
    void graphicsWindowOpened();
    void graphicsWindowClosed(const PixelRect& normal, bool minimized, bool maximized, bool programEnds);
    [[nodiscard]] PictureView* monitor() const { return m_monitor; }
    // One poll of the joystick (Tab and Ctrl as the screen's keyboard has them), and its loss.
    void joystick(StickState state);
    void joystickLost();
    [[nodiscard]] const JoystickPlayer& joystickPlayer() const { return m_joystick; }
    // One 50 ms screen tick (the timer calls it; tests may).
    void screenTick();

    // --- What the engines report (the dispatcher's thread: this one) ---
    void keyReleased(int key) override;
    void padLights(midi::ShortMessage message) override;
    void velocityMeters(const std::int32_t* lastVelocity, int count) override;
    void noteDisplay(midi::ShortMessage message) override;
    void splitLineChanged(int split) override;
    void splitSelected(int split) override;
    void crossfaderMoved(int value) override;
    void beatDisplay(int bar, int beat) override;
    void deviceStatus(const std::string& text) override;
    void loadReport(const std::string& text) override;
    // The setup loader's question for a media file that is not where the setup says: the "Search
    // File" dialog over this screen.
    Result search(int split, const std::string& storedPath, midi::SplitTask task) override;
    void refresh() override;

signals:
    // A setup load's progress was painted in the status display: `done` of `total` media loaded.
    void loadProgressShown(int done, int total);

public slots: // NOLINT(readability-redundant-access-specifiers): moc reads the slots
    // Escape ends a plain dialog; a performance screen asks first, like Exit.
    void reject() override;
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildPanels();
    void layoutScreen();
    void paintBackground();
    [[nodiscard]] QPixmap face(int bitmapId, const PixelRect& rect, bool pressed) const;
    [[nodiscard]] QPixmap paintedFace(int bitmapId, const PixelRect& rect, bool pressed) const;
    void applyFaces(BitmapButton& button, const ScreenControl& entry);

    // A key of the PC keyboard as an instrument; false for keys it does not play.
    bool pcKey(const QKeyEvent& event, bool down);

    // Commands.
    void switchScreen(midi::ScreenKind screen);
    void padPressed(int id);
    void padReleased(int id);
    void padDoubleClicked(int id);
    void videoButton(int id);
    void videoDoubleClicked(int id);
    void fileDropped(int id, const QString& path);
    void memoryMode(int id);
    void stepVelocity(int step);
    void stepTempo(int step);
    void stepPitch(int step);
    void newSetup();
    void openSetup();
    void saveSetup();
    void openMidiFile();
    void saveMidiFile();
    void showHelp(bool menuItem);
    // The manual at the section of help context `context`, over `over` (this screen when null).
    void showManual(int context, QWidget* over = nullptr);
    void showFileMenu();
    void addScaleMenu(QMenu& menu);
    void listMenu(int row, int column, const QPoint& globalPos);
    void listDoubleClicked(int row, int column);
    void cellEdited(int row, int column, const QString& text);
    void setSplitValue(const char* field, int value);
    void setSplitTask(midi::SplitTask task);

    // What the screen shows.
    void showEverything();
    void showRow(int split);
    void showRowButtons();
    void showPad(int pad);
    void showDisplays();
    void showTransport();
    void showScreenButtons();
    void showMemoryMode();
    // The key-range bar shows the selected split's range.
    void showKeyRange();
    // A setup chosen in the setup list: loaded unless a clip runs in the graphics window, then the
    // screen its `screenMask` asks for.
    void loadChosenSetup(const std::filesystem::path& path);
    // The split dialogs of the selected split: they edit a copy, and OK applies it.
    void openMidiDialog();
    void openOptions();
    // At the confirmed Exit: "Setup beim nächsten Programmstart laden ?" for the setup loaded now.
    void askLoadSetupAtStart();

    void showKeyboardLabels();
    void openVelocityDialog();
    void openSfxDialog();
    void openWaveDialog();
    // `deckMode` 1 or 2 for a double-click on V 1 or V 2, else 0.
    void openVideoDialog(int deckMode);
    // The file lists' scroll buttons and drag status.
    void scrollList(int id);
    void showDragStatus(int stringId);
    void updateCaption();
    [[nodiscard]] bool rowSounding(int split) const;
    [[nodiscard]] QString folderForFiles() const;

    midi::ScreenKind m_screen;
    core::Settings m_settings;
    bool m_askLoadAtStart = true;
    session::Session& m_session;
    session::ScreenLoop& m_loop;
    ScreenHost m_host;
    VideoOutput* m_videoOutput = nullptr;
    bool m_closing = false;

    std::vector<ScreenControl> m_controlTable;
    std::map<int, BitmapButton*> m_buttons;
    std::vector<ScreenPanel> m_panelTable;
    std::vector<QWidget*> m_panels; // one per panel entry; null where the background draws it
    std::array<LevelMeter*, kMeterCount> m_meterWidgets{};
    SplitList* m_splitList = nullptr;
    OnScreenKeyboard* m_keyboard = nullptr;
    NoteColourStrip* m_noteStrip = nullptr;
    KeyRangeBar* m_keyRange = nullptr;
    std::map<PanelKind, MyListBox*> m_lists; // the file browser's lists (DJ and Rock screens)
    FileBrowser* m_browser = nullptr;
    bool m_keyRangeEditing = false; // the bar's own change: not set back into it
    PictureView* m_monitor = nullptr;
    BitmapSlider* m_keyboardVelocity = nullptr;
    BitmapSlider* m_joystickVelocity = nullptr;
    BitmapSlider* m_crossfader = nullptr;
    std::map<PanelKind, ValueDisplay*> m_displays;
    QMenu* m_fileMenu = nullptr;

    // The joystick's actions on this screen.
    class StickActions final : public JoystickHost {
    public:
        explicit StickActions(ScreenDialog& screen) : m_screen(screen) {}
        void inject(midi::ShortMessage message) override;
        void injectUser(midi::ShortMessage message) override;
        void lightZone(int zone, bool lit) override;
        void showVelocity(int velocity) override;
        void setVelocitySlider(int value) override;
        void setCrossfader(int value) override;

    private:
        ScreenDialog& m_screen;
    };
    StickActions m_stickActions{*this};
    JoystickPlayer m_joystick{m_stickActions};
    bool m_tabDown = false;

    ScreenPlacement m_placement;
    // The faces painted at the current scale and pixel ratio, by bitmap, size and pressed look.
    struct FaceKey {
        int bitmap = 0;
        int width = 0;
        int height = 0;
        bool pressed = false;
        bool operator<(const FaceKey& o) const {
            return std::tie(bitmap, width, height, pressed) < std::tie(o.bitmap, o.width, o.height, o.pressed);
        }
    };
    mutable std::map<FaceKey, QPixmap> m_faces;
    qreal m_facesRatio = 0;
    QPixmap m_background;
    QTimer m_timer;
    LevelMeters m_meters;
    std::array<bool, kPadCount> m_padLit{};
    // Notes sounding per input channel, for the row lights.
    std::array<std::bitset<128>, 16> m_sounding{};
    QString m_status;
    int m_statusTicks = 0;
    double m_statusProgress = -1; // 0-1 while a long load shows its progress, else below 0
    std::chrono::milliseconds m_loadProgressDelay{200};
    int m_shownPositionBeats = -1;
    int m_shownLengthBeats = -1;
};

} // namespace tonwerk::ui
