#include "ScreenDialog.h"

#include "FileBrowser.h"
#include "GraphicsPlacement.h"
#include "ScanCodes.h"
#include "ScreenCommands.h"
#include "VideoOutput.h"
#include "core/ErrorReporting.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/BufferTypeDialog.h"
#include "dialogs/HelpTopics.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/MidiConfigDialog.h"
#include "dialogs/OptionsSheet.h"
#include "dialogs/SearchFileDialog.h"
#include "dialogs/SfxDialog.h"
#include "dialogs/VelocityCurveDialog.h"
#include "dialogs/VideoDialog.h"
#include "dialogs/WaveDialog.h"
#include "midi/PcKeyboard.h"
#include "midi/SplitFields.h"
#include "res/Strings.h"
#include "res/art/Artwork.h"
#include "screens/controls/BitmapButton.h"
#include "screens/controls/BitmapSlider.h"
#include "screens/controls/KeyRangeBar.h"
#include "screens/controls/LevelMeter.h"
#include "screens/controls/MyListBox.h"
#include "screens/controls/NoteColourStrip.h"
#include "screens/controls/OnScreenKeyboard.h"
#include "screens/controls/PictureView.h"
#include "screens/controls/SplitList.h"
#include "screens/controls/ValueDisplay.h"
#include "session/Commands.h"
#include "session/FileSearch.h"
#include "session/Session.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <filesystem>

namespace tonwerk::ui {

namespace {

constexpr int kTickMs = 50;
constexpr double kListFontPixels = 10.0; // the file lists' bold font at 100 %
constexpr int kStatusTicks = 160;        // a device status stays 8 s
// Where the device status line sits: under the title, between the meters.
constexpr PixelRect kStatusRect{240, 66, 320, 14};
// The slider knobs in screen pixels (vertical: width × height).
constexpr PixelRect kVerticalKnobSize{0, 0, SliderGeometry::kKnobAcrossVertical, SliderGeometry::kKnobAlongVertical};
constexpr PixelRect kHorizontalKnobSize{0, 0, SliderGeometry::kKnobAlongHorizontal,
                                        SliderGeometry::kKnobAcrossHorizontal};

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString screenTitle(midi::ScreenKind screen) {
    switch (screen) {
    case midi::ScreenKind::Master:
        return QStringLiteral("MASTER");
    case midi::ScreenKind::Rock:
        return QStringLiteral("ROCK");
    case midi::ScreenKind::Easy:
        return QStringLiteral("EASY");
    default:
        return QStringLiteral("DJ");
    }
}

// The file lists: their options and the colour of their selected entry.
struct ListLook {
    unsigned options = 0;
    QColor selectedText;
    bool multiColumn = false;
};

ListLook listLook(PanelKind kind) {
    switch (kind) {
    case PanelKind::StyleList:
        return {ListOption::kParentWhenEmpty | ListOption::kStyleMode, QColor(255, 192, 0), true};
    case PanelKind::FolderList:
        return {ListOption::kEmptyFolderStays | ListOption::kLeafMode, QColor(255, 128, 0), false};
    case PanelKind::MediaList:
        // Beyond the list's own options: it scrolls while a drag is outside it.
        return {ListOption::kAutoScroll | ListOption::kDragging | ListOption::kParentWhenEmpty |
                    ListOption::kEmptyFolderStays,
                QColor(255, 0, 0), true};
    default:
        return {ListOption::kEmptyFolderStays, QColor(255, 0, 0), false};
    }
}

QRect toQRect(const PixelRect& r) { return {r.x, r.y, r.width, r.height}; }

bool isPad(int id) { return id >= kFirstPadId && id < kFirstPadId + kPadCount; }

int padOf(int id) { return id - kFirstPadId + 1; }

// The default file dialog: Qt's own, asked never to confirm an overwrite itself (the screen asks).
QString chooseWithQt(QWidget* parent, ScreenHost::FileDialog kind, const QString& title, const QString& filter,
                     const QString& folder, const QString& file) {
    const QString start = file.isEmpty() ? folder : QDir(folder).filePath(file);
    if (kind == ScreenHost::FileDialog::Open) {
        return QFileDialog::getOpenFileName(parent, title, start, filter);
    }
    return QFileDialog::getSaveFileName(parent, title, start, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}

} // namespace

ScreenDialog::ScreenDialog(midi::ScreenKind screen, core::Settings settings, session::Session& session,
                           session::ScreenLoop& loop, ScreenHost host, QWidget* parent)
    : QDialog(parent), m_screen(screen), m_settings(std::move(settings)), m_session(session), m_loop(loop),
      m_host(std::move(host)) {
    if (!m_host.chooseFile) {
        m_host.chooseFile = chooseWithQt;
    }
    if (!m_host.runDialog) {
        m_host.runDialog = [](QDialog& dialog) { return dialog.exec(); };
    }
    if (!m_host.showHelp) {
        m_host.showHelp = [](QWidget* over, const QString& section) { HelpWindow::showSection(over, section); };
    }
    setObjectName(QStringLiteral("screenDialog"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    // The screen loop runs each screen modally, but the screen must not block the program's other
    // top-level window: the graphics window takes keys and clicks while a screen is shown.
    // Modal to its own (empty) parent hierarchy, it blocks nothing else.
    setWindowModality(Qt::WindowModal);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(kScreenWidth / 4, kScreenHeight / 4);

    m_session.commands().setScreen(m_screen);
    // A stored keyboard velocity outside 0-127 becomes 127.
    const int velocity =
        m_settings.keyboardVelocity >= 0 && m_settings.keyboardVelocity <= 127 ? m_settings.keyboardVelocity : 127;
    m_settings.keyboardVelocity = m_session.commands().setKeyboardVelocity(velocity);

    buildControls();
    buildPanels();
    const PixelRect window = windowRectFor(m_settings.screenScale);
    resize(window.width, window.height);
    layoutScreen();
    updateCaption();
    showEverything();
    if (m_browser != nullptr) {
        m_browser->start(); // the stored style, its folders, media and setups
    }

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &ScreenDialog::screenTick);
    if (m_session.devicesStarted()) {
        m_timer.start();
    }
}

ScreenDialog::~ScreenDialog() {
    if (m_videoOutput != nullptr && m_videoOutput->owner() == this) {
        m_videoOutput->setOwner(nullptr);
    }
}

void ScreenDialog::setVideoOutput(VideoOutput* output) {
    if (m_videoOutput != nullptr && m_videoOutput->owner() == this) {
        m_videoOutput->setOwner(nullptr);
    }
    m_videoOutput = output;
    if (output != nullptr) {
        output->setOwner(this);
    }
}

void ScreenDialog::graphicsWindowOpened() { m_settings.graphicWindowOpen = 1; }

void ScreenDialog::graphicsWindowClosed(const PixelRect& normal, bool minimized, bool maximized, bool programEnds) {
    storeGraphicsPlacement(m_settings, normal, minimized, maximized);
    m_settings.graphicWindowOpen = programEnds ? 1 : 0;
}

int ScreenDialog::dialogId() const { return session::screenDialogIdFor(m_screen); }

QString ScreenDialog::captionFor(const std::string& setupName) {
    return QStringLiteral("%1  %2").arg(fromUtf8(res::loadString(res::StringId::kProgramTitle)),
                                        QString::fromStdString(setupName));
}

void ScreenDialog::updateCaption() { setWindowTitle(captionFor(m_session.setupName())); }

// --- Building ---

void ScreenDialog::buildControls() {
    m_controlTable = screenControls(m_screen);
    for (const ScreenControl& entry : m_controlTable) {
        auto* button = new BitmapButton(this);
        button->setObjectName(QStringLiteral("control%1").arg(entry.id));
        button->setToolTip(QString::fromUtf8(entry.name));
        std::uint32_t flags = ButtonFlag::kTransparent;
        if ((entry.kind & ButtonKind::kToggle) != 0) {
            flags |= ButtonFlag::kToggle;
        }
        if ((entry.kind & ButtonKind::kRepeat) != 0) {
            flags |= ButtonFlag::kRepeat;
        }
        button->configure(entry.id, QPixmap(), QPixmap(), QString(), flags);
        m_buttons[entry.id] = button;
        const int id = entry.id;
        if (isPad(id)) {
            connect(button, &BitmapButton::pressed, this, [this](int pad) { padPressed(pad); });
            connect(button, &BitmapButton::released, this, [this](int pad) { padReleased(pad); });
            connect(button, &BitmapButton::doubleClicked, this, [this](int pad) { padDoubleClicked(pad); });
        } else if (id == CommandId::kVideo1 || id == CommandId::kVideo2) {
            connect(button, &BitmapButton::command, this, [this](int video) { videoButton(video); });
            connect(button, &BitmapButton::doubleClicked, this, [this](int video) { videoDoubleClicked(video); });
        } else {
            connect(button, &BitmapButton::command, this, [this](int which) { command(which); });
        }
        connect(button, &BitmapButton::fileDropped, this,
                [this](int which, const QString& path) { fileDropped(which, path); });
    }
}

void ScreenDialog::buildPanels() {
    m_panelTable = screenPanels(m_screen);
    m_panels.assign(m_panelTable.size(), nullptr);
    for (std::size_t i = 0; i < m_panelTable.size(); ++i) {
        const ScreenPanel& entry = m_panelTable[i];
        QWidget* widget = nullptr;
        switch (entry.kind) {
        case PanelKind::LevelMeter: {
            auto* meter = new LevelMeter(this);
            m_meterWidgets[static_cast<std::size_t>(entry.index)] = meter;
            meter->setToolTip(QStringLiteral("Split %1").arg(entry.index + 1));
            widget = meter;
            break;
        }
        case PanelKind::VelocityDisplay:
        case PanelKind::TempoDisplay:
        case PanelKind::PitchDisplay:
        case PanelKind::BarDisplay:
        case PanelKind::BeatDisplay:
        case PanelKind::LengthDisplay: {
            auto* display = new ValueDisplay(this);
            m_displays[entry.kind] = display;
            static const std::map<PanelKind, const char*> kTips = {{PanelKind::VelocityDisplay, "Keyboard velocity"},
                                                                   {PanelKind::TempoDisplay, "Tempo (BPM)"},
                                                                   {PanelKind::PitchDisplay, "Pitch (semitones)"},
                                                                   {PanelKind::BarDisplay, "Bar"},
                                                                   {PanelKind::BeatDisplay, "Beat"},
                                                                   {PanelKind::LengthDisplay, "Song length"}};
            display->setToolTip(QString::fromUtf8(kTips.at(entry.kind)));
            widget = display;
            break;
        }
        case PanelKind::KeyboardVelocity:
        case PanelKind::JoystickVelocity:
        case PanelKind::Crossfader: {
            auto* slider = new BitmapSlider(this);
            const bool horizontal = entry.kind == PanelKind::Crossfader;
            const std::uint32_t flags = SliderFlag::kTransparent | (horizontal ? SliderFlag::kHorizontal : 0U);
            const int initial = entry.kind == PanelKind::Crossfader ? m_session.performance().split(0).crossfaderValue
                                                                    : m_settings.keyboardVelocity;
            slider->configure(entry.id, 127, entry.kind == PanelKind::Crossfader ? 64 : 127,
                              std::clamp(initial, 0, 127), QPixmap(), QPixmap(), QPixmap(), flags);
            if (entry.kind == PanelKind::KeyboardVelocity) {
                m_keyboardVelocity = slider;
                slider->setToolTip(QStringLiteral("Keyboard velocity"));
                connect(slider, &BitmapSlider::valueChanged, this, [this](int /*id*/, int value) {
                    m_settings.keyboardVelocity = m_session.commands().setKeyboardVelocity(value);
                    showDisplays();
                });
            } else if (entry.kind == PanelKind::JoystickVelocity) {
                m_joystickVelocity = slider;
                slider->hide(); // until the joystick plays
            } else {
                m_crossfader = slider;
                slider->setToolTip(QStringLiteral("Cross-fader"));
                connect(slider, &BitmapSlider::valueChanged, this,
                        [this](int /*id*/, int value) { m_session.commands().setCrossfader(value); });
            }
            widget = slider;
            break;
        }
        case PanelKind::SplitList: {
            m_splitList = new SplitList(this);
            m_splitList->setObjectName(QStringLiteral("splitList"));
            connect(m_splitList, &SplitList::selectionChanged, this, [this](int row) {
                m_session.commands().selectSplit(row);
                showKeyRange();
            });
            connect(m_splitList, &SplitList::scrolled, this, [this](int /*top*/) { showRowButtons(); });
            connect(m_splitList, &SplitList::menuRequested, this, &ScreenDialog::listMenu);
            connect(m_splitList, &SplitList::doubleClicked, this, &ScreenDialog::listDoubleClicked);
            connect(m_splitList, &SplitList::cellEdited, this, &ScreenDialog::cellEdited);
            widget = m_splitList;
            break;
        }
        case PanelKind::Keyboard: {
            m_keyboard = new OnScreenKeyboard(this);
            m_keyboard->setFirstKey(36);
            // The PC keyboard's keys in the language of the keyboard layout, from the octave it
            // plays on this screen.
            showKeyboardLabels();
            widget = m_keyboard;
            break;
        }
        case PanelKind::VideoMonitor:
            m_monitor = new PictureView(this);
            m_monitor->setObjectName(QStringLiteral("videoMonitor"));
            m_monitor->setToolTip(QStringLiteral("Video"));
            widget = m_monitor;
            break;
        case PanelKind::StyleList:
        case PanelKind::FolderList:
        case PanelKind::MediaList:
        case PanelKind::SetupList: {
            const ListLook look = listLook(entry.kind);
            auto* list = new MyListBox(entry.id, look.options, this);
            list->setObjectName(QStringLiteral("list%1").arg(entry.id));
            list->setColours(QColor(0, 74, 0), QColor(222, 214, 0), look.selectedText, QColor(0, 74, 0));
            list->setMultiColumn(look.multiColumn);
            connect(list, &MyListBox::keyPassed, this,
                    [this](const QKeyEvent& event, bool down) { passKey(event, down); });
            connect(list, &MyListBox::dragStatus, this, [this](int stringId) { showDragStatus(stringId); });
            m_lists[entry.kind] = list;
            widget = list;
            break;
        }
        case PanelKind::KeyRangeBar:
            m_keyRange = new KeyRangeBar(this);
            m_keyRange->setObjectName(QStringLiteral("keyRangeBar"));
            m_keyRange->setSpan(entry.rect.width, entry.rect.height, 36, 96);
            connect(m_keyRange, &KeyRangeBar::keysChanged, this, [this](int low, int high) {
                // The bar already shows the change: the split's line is redrawn, the bar not set back.
                m_keyRangeEditing = true;
                m_session.commands().setKeyRange(low, high);
                m_keyRangeEditing = false;
            });
            widget = m_keyRange;
            break;
        case PanelKind::NoteColourBar:
            m_noteStrip = new NoteColourStrip(this);
            m_noteStrip->setToolTip(QStringLiteral("Notes by velocity"));
            widget = m_noteStrip;
            break;
        default:
            break; // drawn by the background: labels and the places kept free
        }
        m_panels[i] = widget;
    }
    // The file browser, where the screen has its four lists.
    if (m_lists.size() == 4) {
        m_browser = new FileBrowser({m_lists.at(PanelKind::StyleList), m_lists.at(PanelKind::FolderList),
                                     m_lists.at(PanelKind::MediaList), m_lists.at(PanelKind::SetupList)},
                                    m_session, m_settings, this);
        connect(m_browser, &FileBrowser::setupChosen, this, &ScreenDialog::loadChosenSetup);
        connect(m_browser, &FileBrowser::folderUnavailable, this, [this] {
            core::showMessage(m_session.notifier(), "Drive or directory not ready, not available or protected!",
                              core::MessageKind::Warning);
        });
    }
    // The split list exists on every screen and shows only on the Master screen.
    if (m_splitList == nullptr) {
        m_splitList = new SplitList(this);
        m_splitList->setObjectName(QStringLiteral("splitList"));
        m_splitList->hide();
    }
}

QPixmap ScreenDialog::face(int bitmapId, const PixelRect& rect, bool pressed) const {
    // Faces are painted once per size and scale: a pad lighting with every note only swaps them.
    const FaceKey key{bitmapId, rect.width, rect.height, pressed};
    if (const auto it = m_faces.find(key); it != m_faces.end()) {
        return it->second;
    }
    QPixmap painted = paintedFace(bitmapId, rect, pressed);
    m_faces.emplace(key, painted);
    return painted;
}

QPixmap ScreenDialog::paintedFace(int bitmapId, const PixelRect& rect, bool pressed) const {
    const qreal ratio = devicePixelRatioF();
    const QSize size(rect.width, rect.height);
    // Painted at the table size for the scaled screen's pixels, shown at the window's ratio: the
    // face fills the scaled control and stays sharp.
    QPixmap picture = art::userFace(art::userArtFolder(), bitmapId, size, ratio * m_placement.scale);
    if (picture.isNull()) {
        picture = art::paintFace(bitmapId, size, ratio * m_placement.scale, pressed);
    } else if (pressed) {
        return {}; // a user's face is pressed with a sunken edge
    }
    picture.setDevicePixelRatio(ratio);
    return picture;
}

void ScreenDialog::applyFaces(BitmapButton& button, const ScreenControl& entry) {
    const int id = entry.id;
    if (isPad(id)) {
        const int pad = padOf(id);
        const midi::Split& split = m_session.performance().split(pad - 1);
        const bool held = split.taskKind() == midi::SplitTask::Sample && split.isSampleMode(midi::SampleMode::Sync) &&
                          (split.sample.sampleFlags & midi::SampleFlag::kRetrigger) != 0;
        const int shown = m_padLit[static_cast<std::size_t>(pad - 1)] ? entry.further[0]
                          : held                                      ? entry.further[1]
                                                                      : entry.face;
        button.setFaces(face(shown, entry.rect, false), face(entry.further[0], entry.rect, false));
        return;
    }
    if (const auto row = rowOfOnOffButton(id)) {
        const int split = splitForRow(*row, listTop());
        const midi::Split& record = m_session.performance().split(split);
        int bitmap = art::kRowOff;
        if (record.stateKind() == midi::SplitState::Muted) {
            bitmap = art::kRowMuted;
        } else if (record.isOn()) {
            bitmap = rowSounding(split) ? art::kRowSounding : art::kRowOn;
        }
        button.setFaces(face(bitmap, entry.rect, false), face(bitmap, entry.rect, true));
        return;
    }
    if (const auto row = rowOfSoloButton(id)) {
        const midi::Split& record = m_session.performance().split(splitForRow(*row, listTop()));
        const int bitmap = record.solo != 0 ? art::kSoloOn : art::kSoloOff;
        button.setFaces(face(bitmap, entry.rect, false), face(bitmap, entry.rect, true));
        return;
    }
    int shown = entry.face;
    if (entry.further[0] != 0) {
        // The Master screen's MIDI, Wave and Video buttons light for the selected split's task.
        const midi::SplitTask task = m_session.performance().split(m_session.performance().currentSplit()).taskKind();
        const bool lit = (id == CommandId::kMidiDialog && task == midi::SplitTask::Midi) ||
                         (id == CommandId::kWaveDialog && task == midi::SplitTask::Sample) ||
                         (id == CommandId::kVideoDialog && task == midi::SplitTask::Avi);
        shown = lit ? entry.further[0] : entry.face;
    }
    button.setFaces(face(shown, entry.rect, false), face(shown, entry.rect, true));
}

void ScreenDialog::layoutScreen() {
    const ScreenPlacement placement = placeScreen(width(), height(), m_settings.screenScale);
    if (placement.scale != m_placement.scale || devicePixelRatioF() != m_facesRatio) {
        m_faces.clear();
        m_facesRatio = devicePixelRatioF();
    }
    m_placement = placement;
    paintBackground();
    const qreal ratio = devicePixelRatioF();
    for (const ScreenControl& entry : m_controlTable) {
        BitmapButton* button = m_buttons.at(entry.id);
        const PixelRect at = m_placement.map(entry.rect);
        button->setGeometry(toQRect(at));
        applyFaces(*button, entry);
        QPixmap behind =
            m_background.copy(QRectF(at.x * ratio, at.y * ratio, at.width * ratio, at.height * ratio).toAlignedRect());
        behind.setDevicePixelRatio(ratio);
        button->setBackground(behind);
    }
    for (std::size_t i = 0; i < m_panelTable.size(); ++i) {
        QWidget* widget = m_panels[i];
        if (widget == nullptr) {
            continue;
        }
        const ScreenPanel& entry = m_panelTable[i];
        const PixelRect at = m_placement.map(entry.rect);
        widget->setGeometry(toQRect(at));
        if (auto* bar = qobject_cast<KeyRangeBar*>(widget)) {
            QPixmap behind = m_background.copy(
                QRectF(at.x * ratio, at.y * ratio, at.width * ratio, at.height * ratio).toAlignedRect());
            behind.setDevicePixelRatio(ratio);
            bar->setBackground(behind);
        }
        if (auto* slider = qobject_cast<BitmapSlider*>(widget)) {
            QPixmap behind = m_background.copy(
                QRectF(at.x * ratio, at.y * ratio, at.width * ratio, at.height * ratio).toAlignedRect());
            behind.setDevicePixelRatio(ratio);
            slider->setBackground(behind);
            const bool horizontal = entry.kind == PanelKind::Crossfader;
            const PixelRect knob = horizontal ? kHorizontalKnobSize : kVerticalKnobSize;
            slider->setScale(m_placement.scale);
            slider->setFaces(face(horizontal ? art::kHorizontalKnob : art::kVerticalKnob, knob, false),
                             face(horizontal ? art::kHorizontalKnobAtReset : art::kVerticalKnobAtReset, knob, false),
                             face(horizontal ? art::kHorizontalTrack : art::kVerticalTrack, entry.rect, false));
        }
    }
    if (m_splitList != nullptr) {
        m_splitList->setScale(m_placement.scale);
    }
    if (m_keyboard != nullptr) {
        m_keyboard->setScale(m_placement.scale);
    }
    for (const auto& [kind, list] : m_lists) {
        list->setFontPixelSize(static_cast<int>(std::lround(kListFontPixels * m_placement.scale)));
    }
    update();
}

void ScreenDialog::paintBackground() {
    const qreal ratio = devicePixelRatioF();
    m_background = QPixmap((QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1)));
    m_background.setDevicePixelRatio(ratio);
    m_background.fill(QColor(0x00, 0x14, 0x00));
    QPainter painter(&m_background);
    painter.translate(m_placement.left, m_placement.top);
    painter.scale(m_placement.scale, m_placement.scale);
    painter.setClipRect(QRectF(0, 0, kScreenWidth, kScreenHeight));
    art::paintBackground(painter, QSizeF(kScreenWidth, kScreenHeight),
                         fromUtf8(res::loadString(res::StringId::kProgramTitle)), screenTitle(m_screen));
    for (const ScreenPanel& panel : m_panelTable) {
        const QRectF rect = toQRect(panel.rect);
        const QString label = QString::fromUtf8(panel.label);
        if (panel.kind == PanelKind::Label) {
            art::paintCaption(painter, rect, label);
            continue;
        }
        if (panel.kind == PanelKind::JoystickVelocity) {
            continue; // hidden until the joystick plays
        }
        if (panel.kind == PanelKind::SplitList && m_screen != midi::ScreenKind::Master) {
            continue;
        }
        art::paintWell(painter, rect);
        if (panel.labelRect.width > 0) {
            art::paintCaption(painter, toQRect(panel.labelRect), label);
        }
    }
}

// --- Painting and the window ---

void ScreenDialog::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    if (!m_status.isEmpty()) {
        painter.translate(m_placement.left, m_placement.top);
        painter.scale(m_placement.scale, m_placement.scale);
        art::paintCaption(painter, toQRect(kStatusRect), m_status);
        if (m_statusProgress >= 0) {
            art::paintProgress(painter, toQRect(kStatusRect), m_statusProgress);
        }
    }
}

void ScreenDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutScreen();
}

void ScreenDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F11) {
        setWindowState(windowState() ^ Qt::WindowFullScreen);
        return;
    }
    if (pcKey(*event, true)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ScreenDialog::event(QEvent* event) {
    // Tab is the DJ screen's bank switch for the joystick, not a move of the keyboard focus.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab) {
            if (!key->isAutoRepeat()) {
                m_tabDown = event->type() == QEvent::KeyPress;
            }
            return true;
        }
    }
    return QDialog::event(event);
}

void ScreenDialog::keyReleaseEvent(QKeyEvent* event) {
    if (pcKey(*event, false)) {
        event->accept();
    } else {
        QDialog::keyReleaseEvent(event);
    }
}

void ScreenDialog::passKey(const QKeyEvent& event, bool down) {
    if (event.key() == Qt::Key_Tab) {
        if (!event.isAutoRepeat()) {
            m_tabDown = down;
        }
        return;
    }
    pcKey(event, down);
}

bool ScreenDialog::pcKey(const QKeyEvent& event, bool down) {
    const int scanCode = scanCodeOf(event.nativeScanCode(), event.key(), (event.modifiers() & Qt::KeypadModifier) != 0);
    const bool ctrl = (event.modifiers() & Qt::ControlModifier) != 0;
    const midi::PcKeyKind kind = midi::pcKeyAt(scanCode, ctrl).kind;
    if (kind == midi::PcKeyKind::None) {
        return false;
    }
    // Auto-repeat: Qt repeats the press and the release; a held key is one press and one release.
    if (event.isAutoRepeat()) {
        return true;
    }
    midi::PcKeyboard& keyboard = m_session.pcKeyboard();
    if (down) {
        keyboard.keyDown(scanCode, ctrl, (event.modifiers() & Qt::ShiftModifier) != 0);
    } else {
        keyboard.keyUp(scanCode);
    }
    // Insert works the Stop button: pressed while the key is down, Stop when it comes up.
    if (kind == midi::PcKeyKind::Stop) {
        if (BitmapButton* stop = button(CommandId::kStop); stop != nullptr) {
            stop->showPressed(down);
        }
        if (!down) {
            showTransport();
        }
    }
    return true;
}

void ScreenDialog::changeEvent(QEvent* event) {
    // A key held when the window loses the keyboard never reports its release here: its note
    // ends now.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        m_session.pcKeyboard().releaseAll();
    }
    QDialog::changeEvent(event);
}

void ScreenDialog::reject() { exitCommand(); }

void ScreenDialog::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    // The window's close box is the Exit command.
    event->ignore();
    exitCommand();
}

void ScreenDialog::done(int result) {
    // What the session keeps in the settings while a screen shows goes back with the screen's copy.
    m_settings.currentSetupPath = m_session.settings().currentSetupPath;
    if (!isMinimized()) {
        m_settings.masterDlgLeft = x();
        m_settings.masterDlgTop = y();
    }
    m_timer.stop();
    QDialog::done(result);
}

void ScreenDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void ScreenDialog::dropEvent(QDropEvent* event) {
    // Files dropped on the screen itself: the first setup file is opened like Open.
    activateWindow();
    for (const QUrl& url : event->mimeData()->urls()) {
        const QString path = url.toLocalFile();
        if (path.endsWith(QStringLiteral(".mks"), Qt::CaseInsensitive) ||
            path.endsWith(QStringLiteral(".mkb"), Qt::CaseInsensitive)) {
            event->acceptProposedAction();
            m_session.commands().stop();
            if (m_session.commands().loadSetup(path.toStdString())) {
                updateCaption();
                refresh();
            }
            return;
        }
    }
}

// --- Lookups ---

BitmapButton* ScreenDialog::button(int id) const {
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

QWidget* ScreenDialog::panel(PanelKind kind, int index) const {
    for (std::size_t i = 0; i < m_panelTable.size(); ++i) {
        if (m_panelTable[i].kind == kind && m_panelTable[i].index == index) {
            return m_panels[i];
        }
    }
    return kind == PanelKind::SplitList ? m_splitList : nullptr;
}

QPoint ScreenDialog::windowPoint(int x, int y) const {
    const PixelRect at = m_placement.map({x, y, 1, 1});
    return {at.x, at.y};
}

int ScreenDialog::listTop() const {
    return m_screen == midi::ScreenKind::Master && m_splitList != nullptr ? m_splitList->topRow() : 0;
}

QString ScreenDialog::displayText(PanelKind kind) const {
    const auto it = m_displays.find(kind);
    return it == m_displays.end() ? QString() : it->second->text();
}

// --- The command table ---

void ScreenDialog::command(int id) {
    session::Commands& commands = m_session.commands();
    if (const auto screen = screenForCommand(id)) {
        switchScreen(*screen);
        return;
    }
    if (const auto row = rowOfOnOffButton(id)) {
        commands.toggleSplitOn(splitForRow(*row, listTop()));
        showRowButtons();
        return;
    }
    if (const auto row = rowOfSoloButton(id)) {
        const int split = splitForRow(*row, listTop());
        commands.solo(split);
        m_splitList->setSelected(split);
        showRowButtons();
        return;
    }
    if (memoryModeForCommand(id)) {
        memoryMode(id);
        return;
    }
    switch (id) {
    case CommandId::kRecord:
        commands.record();
        break;
    case CommandId::kPlay:
        commands.play();
        break;
    case CommandId::kStop:
        commands.stop();
        break;
    case CommandId::kBreak:
        commands.pause();
        break;
    case CommandId::kOpenMidiFile:
        openMidiFile();
        break;
    case CommandId::kSaveMidiFile:
        saveMidiFile();
        break;
    case CommandId::kBeatForward:
        commands.forward(1);
        break;
    case CommandId::kBeatBack:
        commands.backward(1);
        break;
    case CommandId::kBarForward:
        commands.forward(4);
        break;
    case CommandId::kBarBack:
        commands.backward(4);
        break;
    case CommandId::kVelocityUp:
        stepVelocity(1);
        break;
    case CommandId::kVelocityDown:
        stepVelocity(-1);
        break;
    case CommandId::kTempoUp:
        stepTempo(1);
        break;
    case CommandId::kTempoDown:
        stepTempo(-1);
        break;
    case CommandId::kPitchUp:
        stepPitch(1);
        break;
    case CommandId::kPitchDown:
        stepPitch(-1);
        break;
    case CommandId::kListUp:
        m_splitList->scrollTo(m_splitList->topRow() - 1);
        break;
    case CommandId::kListDown:
        m_splitList->scrollTo(m_splitList->topRow() + 1);
        break;
    case CommandId::kTaskMidi:
        setSplitTask(midi::SplitTask::Midi);
        break;
    case CommandId::kTaskSample:
        setSplitTask(midi::SplitTask::Sample);
        break;
    case CommandId::kTaskAvi:
        setSplitTask(midi::SplitTask::Avi);
        break;
    case CommandId::kOctaveDown:
    case CommandId::kOctaveUp:
    case CommandId::kOriginalPitch:
        if (const auto transpose =
                transposeAfter(id, m_session.performance().split(m_session.performance().currentSplit()).transpose)) {
            setSplitValue("transpose", *transpose);
        }
        break;
    case CommandId::kMidiKeyboardRange:
        setSplitValue("keyLow", 0);
        setSplitValue("keyHigh", 127);
        break;
    case CommandId::kPcKeyboardRange:
        setSplitValue("keyLow", 36);
        setSplitValue("keyHigh", 96);
        break;
    case CommandId::kMenu:
        showFileMenu();
        break;
    case CommandId::kNewSetup:
        newSetup();
        break;
    case CommandId::kOpenSetup:
        openSetup();
        break;
    case CommandId::kSaveSetup:
        saveSetup();
        break;
    case CommandId::kHelpButton:
        showHelp(false);
        break;
    case CommandId::kHelpMenu:
        showHelp(true);
        break;
    case CommandId::kMidiDialog:
        openMidiDialog();
        break;
    case CommandId::kVeloDialog:
        openVelocityDialog();
        break;
    case CommandId::kSfxDialog:
        openSfxDialog();
        break;
    case CommandId::kWaveDialog:
        openWaveDialog();
        break;
    case CommandId::kVideoDialog:
        openVideoDialog(0);
        break;
    case CommandId::kOptions:
        openOptions();
        break;
    case CommandId::kAbout: {
        AboutDialog about(session::availableMemoryKb(), this);
        m_host.runDialog(about);
        break;
    }
    case CommandId::kPanic:
    case CommandId::kPanicKey:
        commands.panic();
        break;
    case CommandId::kExit:
        exitCommand();
        return;
    case CommandId::kMediaListBack:
    case CommandId::kMediaListForward:
    case CommandId::kSetupListBack:
    case CommandId::kSetupListForward:
    case CommandId::kFolderListBack:
    case CommandId::kFolderListForward:
    case CommandId::kStyleListBack:
    case CommandId::kStyleListForward:
        scrollList(id);
        return;
    case CommandId::kZoom:
        if (m_videoOutput != nullptr) {
            m_videoOutput->toggle();
        }
        return;
    default:
        if (id >= CommandId::kFirstInChannel && id < CommandId::kFirstInChannel + 16) {
            setSplitValue("midiInChannel", id - CommandId::kFirstInChannel);
        } else if (id >= CommandId::kFirstOutChannel && id < CommandId::kFirstOutChannel + 16) {
            setSplitValue("midiOutChannel", id - CommandId::kFirstOutChannel);
        }
        // The dialogs, the graphics window and the file lists answer here once they exist.
        break;
    }
    showTransport();
    showDisplays();
}

void ScreenDialog::exitCommand() {
    if (m_loop.exitCommand()) {
        askLoadSetupAtStart();
        // The graphics window closes with the program and opens again at the next start.
        if (m_videoOutput != nullptr) {
            m_videoOutput->closeForExit();
        }
        m_closing = true;
        accept();
    }
}

void ScreenDialog::quitProgram() {
    // Whatever dialog or box is open over the screen closes as cancelled first, so its own loop
    // ends and the screen's can.
    for (int round = 0; round < 8; ++round) {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr || dialog == this) {
            break;
        }
        dialog->reject();
    }
    m_loop.quit();
    if (m_videoOutput != nullptr) {
        m_videoOutput->closeForExit();
    }
    m_closing = true;
    accept();
}

void ScreenDialog::askLoadSetupAtStart() {
    // Only for a setup file of the performer's own that this run loaded or saved (not the program's
    // start-up setup, which a fresh start loads anyway).
    core::Settings& stored = m_session.settings();
    const std::filesystem::path current = stored.currentSetupPath;
    const std::filesystem::path startup = m_session.options().programDirectory / "StartUp.mks";
    std::error_code error;
    if (!m_askLoadAtStart || m_session.setupName().empty() || current.empty() ||
        !std::filesystem::is_regular_file(current, error) || std::filesystem::equivalent(current, startup, error)) {
        return;
    }
    const core::MessageAnswer answer =
        core::showMessage(m_session.notifier(), "Setup beim nächsten Programmstart laden ?", core::MessageKind::Confirm,
                          core::MessageButtons::YesNo);
    stored.loadSetupAtStart = answer == core::MessageAnswer::Yes ? 1 : 0;
    m_settings.loadSetupAtStart = stored.loadSetupAtStart;
}

void ScreenDialog::switchScreen(midi::ScreenKind screen) {
    const auto state = m_session.song().state();
    if (screen == m_screen || state != song::Song::State::Stopped) {
        showScreenButtons();
        return;
    }
    // Everything that sounds stops first; the notes' note-offs reach their outputs before the
    // next screen opens.
    m_session.commands().allStop();
    m_loop.switchScreen(screen);
    m_closing = true;
    accept();
}

void ScreenDialog::stepVelocity(int step) {
    m_settings.keyboardVelocity = m_session.commands().setKeyboardVelocity(m_settings.keyboardVelocity + step);
    if (m_keyboardVelocity != nullptr) {
        m_keyboardVelocity->showValue(m_settings.keyboardVelocity);
    }
}

void ScreenDialog::stepTempo(int step) {
    m_session.commands().setTempo(m_session.performance().split(0).setupTempo + step);
}

void ScreenDialog::stepPitch(int step) {
    m_session.commands().setPitch(m_session.performance().split(0).setupPitch + step);
}

// --- Pads and video buttons ---

void ScreenDialog::padPressed(int id) {
    const int pad = padOf(id);
    const Qt::KeyboardModifiers modifiers = QApplication::keyboardModifiers();
    session::Commands& commands = m_session.commands();
    commands.userInput(midi::shortMessage(0xB0, 104, 127));
    if ((modifiers & Qt::ShiftModifier) != 0) {
        // Shift: only the loop hold of a synchronised sample split.
        commands.toggleLoopHold(pad - 1);
        showPad(pad);
        return;
    }
    if ((modifiers & Qt::ControlModifier) != 0) {
        commands.userInput(midi::shortMessage(0xB0, 103, 127));
    }
    commands.userInput(midi::shortMessage(0x90, padNote(m_screen, pad), 127));
}

void ScreenDialog::padReleased(int id) {
    m_session.commands().userInput(midi::shortMessage(0x80, padNote(m_screen, padOf(id)), 0));
}

void ScreenDialog::padDoubleClicked(int id) {
    // The wave dialog of the pad's split.
    if (!isPad(id)) {
        return;
    }
    const int split = padOf(id) - 1;
    m_session.commands().selectSplit(split);
    m_splitList->setSelected(split);
    openWaveDialog();
}

void ScreenDialog::videoButton(int id) {
    const BitmapButton* video = button(id);
    const int note = videoNote(id);
    if (video != nullptr && video->checked()) {
        m_session.commands().injectInput(midi::shortMessage(0x90, note, 127));
    } else {
        m_session.commands().injectInput(midi::shortMessage(0x80, note, 0));
    }
}

void ScreenDialog::videoDoubleClicked(int id) {
    // The split of the video side becomes the current split, and its video dialog opens as the
    // deck of that side.
    m_session.commands().selectSplit(videoSplit(id));
    m_splitList->setSelected(videoSplit(id));
    openVideoDialog(id == CommandId::kVideo2 ? 2 : 1);
}

void ScreenDialog::fileDropped(int id, const QString& path) {
    const std::filesystem::path file = path.toStdString();
    session::Commands& commands = m_session.commands();
    switch (droppedFileKind(path.toStdString())) {
    case DroppedFile::Clip: {
        int video = 0;
        if (id == CommandId::kVideo1 || id == CommandId::kVideo2) {
            video = id;
        } else if (isPad(id)) {
            video = videoButtonForPad(padOf(id));
        } else {
            return;
        }
        commands.assignClip(videoSplit(video), file);
        break;
    }
    case DroppedFile::Sample: {
        if (!isPad(id)) {
            return;
        }
        const int pad = padOf(id);
        const int modeBits = pad == kPadCount && m_screen == midi::ScreenKind::Rock ? 6 : 5;
        commands.assignSample(pad - 1, file, modeBits);
        showPad(pad);
        break;
    }
    case DroppedFile::Other:
        return;
    }
    refresh();
}

// --- Sound memory, setups, songs, help ---

void ScreenDialog::memoryMode(int id) {
    // The buttons keep showing the mode in force; a new mode needs a restart.
    showMemoryMode();
    const auto mode = memoryModeForCommand(id);
    if (!mode || *mode == m_settings.sampleMemoryMode) {
        return;
    }
    const core::MessageAnswer answer =
        core::showMessage(m_session.notifier(), "This change becomes active after restarting ORVAN Tonwerk.",
                          core::MessageKind::Confirm, core::MessageButtons::OkCancel);
    if (answer != core::MessageAnswer::Ok) {
        return;
    }
    const platform::Status status = core::storeSampleMemoryMode(m_loop.settingsFile(), *mode);
    if (!status.ok()) {
        core::showMessage(m_session.notifier(), status.message(), core::MessageKind::Error);
    }
}

void ScreenDialog::newSetup() {
    m_session.commands().newSetup();
    if (m_splitList != nullptr) {
        m_splitList->scrollTo(0);
        m_splitList->setSelected(0);
    }
    if (m_keyboard != nullptr) {
        m_keyboard->reset();
    }
    updateCaption();
    refresh();
}

QString ScreenDialog::folderForFiles() const { return QString::fromStdString(m_settings.setupPath); }

void ScreenDialog::openSetup() {
    m_session.commands().stop();
    const QString initial =
        m_session.setupName().empty() ? QStringLiteral("Setup1.mks") : QString::fromStdString(m_session.setupName());
    const QString chosen = m_host.chooseFile(this, ScreenHost::FileDialog::Open, QStringLiteral("Open Setup"),
                                             QStringLiteral("Setup Files (*.MKS *.mks)"), folderForFiles(), initial);
    if (chosen.isEmpty()) {
        return;
    }
    m_settings.setupPath = QFileInfo(chosen).absolutePath().toStdString();
    loadSetupFile(chosen.toStdString());
}

bool ScreenDialog::loadSetupFile(const std::filesystem::path& path) {
    const QString loading = QStringLiteral("Loading Tonwerk Setup");
    m_status = loading;
    m_statusTicks = 0;
    repaint();
    // The load runs on this thread (notes played meanwhile wait in the input queue); one that takes
    // more than a moment shows in the status display how many of its samples and clips are in.
    const auto began = std::chrono::steady_clock::now();
    const bool loaded = m_session.commands().loadSetup(path, [&](int done, int total) {
        if (total <= 0 || std::chrono::steady_clock::now() - began < m_loadProgressDelay) {
            return;
        }
        m_status = QStringLiteral("%1  %2 / %3").arg(loading).arg(done).arg(total);
        m_statusProgress = static_cast<double>(done) / total;
        repaint();
        emit loadProgressShown(done, total);
    });
    m_status.clear();
    m_statusProgress = -1;
    if (m_crossfader != nullptr) {
        m_crossfader->showValue(std::clamp(m_session.performance().split(0).crossfaderValue, 0, 127));
    }
    if (m_keyboard != nullptr) {
        m_keyboard->reset();
    }
    updateCaption();
    refresh();
    return loaded;
}

void ScreenDialog::loadChosenSetup(const std::filesystem::path& path) {
    // Not while a clip runs in the graphics window: the audience would see it stop.
    if (m_session.videoLive()) {
        return;
    }
    m_session.commands().stop();
    if (loadSetupFile(path)) {
        if (const auto screen = screenForSetupMask(m_session.performance().split(0).screenMask, m_screen)) {
            switchScreen(*screen);
        }
    }
}

void ScreenDialog::scrollList(int id) {
    using namespace CommandId;
    static const std::map<int, std::pair<PanelKind, int>> kButtons = {
        {kMediaListBack, {PanelKind::MediaList, -1}},   {kMediaListForward, {PanelKind::MediaList, 1}},
        {kSetupListBack, {PanelKind::SetupList, -1}},   {kSetupListForward, {PanelKind::SetupList, 1}},
        {kFolderListBack, {PanelKind::FolderList, -1}}, {kFolderListForward, {PanelKind::FolderList, 1}},
        {kStyleListBack, {PanelKind::StyleList, -1}},   {kStyleListForward, {PanelKind::StyleList, 1}}};
    const auto button = kButtons.find(id);
    if (button == kButtons.end()) {
        return;
    }
    if (const auto list = m_lists.find(button->second.first); list != m_lists.end()) {
        list->second->scrollStep(button->second.second);
    }
}

void ScreenDialog::showDragStatus(int stringId) {
    m_status = fromUtf8(res::loadString(stringId));
    m_statusTicks = kStatusTicks;
    update();
}

void ScreenDialog::saveSetup() {
    const QString initial =
        m_session.setupName().empty() ? QStringLiteral("Setup1.mks") : QString::fromStdString(m_session.setupName());
    QString chosen = m_host.chooseFile(this, ScreenHost::FileDialog::Save, QStringLiteral("Save Setup"),
                                       QStringLiteral("Setup Files (*.MKS *.mks)"), folderForFiles(), initial);
    if (chosen.isEmpty()) {
        return;
    }
    chosen = QString::fromStdString(withExtension(chosen.toStdString(), ".mks"));
    m_settings.setupPath = QFileInfo(chosen).absolutePath().toStdString();
    const platform::Status status = m_session.commands().saveSetup(chosen.toStdString());
    if (!status.ok()) {
        core::showMessage(m_session.notifier(), status.message(), core::MessageKind::Error);
        return;
    }
    updateCaption();
}

void ScreenDialog::openMidiFile() {
    const QString chosen = m_host.chooseFile(this, ScreenHost::FileDialog::Open, QStringLiteral("Open MIDI File"),
                                             QStringLiteral("MID Files (*.mid *.MID)"), folderForFiles(), QString());
    if (chosen.isEmpty()) {
        return;
    }
    m_session.commands().loadSong(chosen.toStdString());
    m_shownLengthBeats = -1;
    showDisplays();
}

void ScreenDialog::saveMidiFile() {
    QString chosen = m_host.chooseFile(this, ScreenHost::FileDialog::Save, QStringLiteral("Write MIDI File"),
                                       QStringLiteral("MID Files (*.mid *.MID)"), folderForFiles(), QString());
    if (chosen.isEmpty()) {
        return;
    }
    if (QFileInfo(chosen).suffix().isEmpty()) {
        chosen += QStringLiteral(".mid");
    }
    // Replacing a file is asked first: a take is not lost to a slip of the mouse.
    if (QFileInfo::exists(chosen)) {
        const std::string question =
            "\"" + QFileInfo(chosen).fileName().toStdString() + "\" already exists.\nDo you want to replace it?";
        if (core::showMessage(m_session.notifier(), question, core::MessageKind::Warning,
                              core::MessageButtons::YesNo) != core::MessageAnswer::Yes) {
            return;
        }
    }
    if (!m_session.song().hasSong()) {
        return;
    }
    const platform::Status status = m_session.commands().saveSong(chosen.toStdString());
    if (!status.ok()) {
        core::showMessage(m_session.notifier(), status.message(), core::MessageKind::Error);
    }
}

void ScreenDialog::showHelp(bool menuItem) { showManual(menuItem ? kHelpContents : helpContext(m_screen)); }

void ScreenDialog::showKeyboardLabels() {
    if (m_keyboard == nullptr) {
        return;
    }
    // The PC keyboard's keys in the language of the keyboard layout, from the octave it plays, while
    // it plays and the performer wants them shown.
    const midi::PcKeyboard::Settings& keys = m_session.pcKeyboard().settings();
    if (keys.active && m_settings.keyboardLabels != 0) {
        const int labels = midi::keyboardLabelString(m_loop.state().keyboardLayout);
        m_keyboard->setKeyLabels(12 * keys.octave + 24, fromUtf8(res::loadString(labels)));
    } else {
        m_keyboard->setKeyLabels(0, QString());
    }
}

void ScreenDialog::openOptions() {
    session::Commands& commands = m_session.commands();
    const session::DeviceLists devices = commands.deviceLists();
    OptionsSheet sheet(session::optionsOf(m_session.settings(), devices), devices, m_session.notifier(), this);
    connect(&sheet, &OptionsSheet::helpRequested, this,
            [this, &sheet] { m_host.showHelp(&sheet, QStringLiteral("options")); });
    connect(&sheet, &OptionsSheet::bufferTypeRequested, &sheet, [this, &sheet, &commands] {
        BufferTypeDialog bufferType(
            commands.primaryBufferType(), [&commands](int index) { return commands.setPrimaryBufferType(index); },
            &sheet);
        m_host.runDialog(bufferType);
    });
    if (m_host.runDialog(sheet) != QDialog::Accepted) {
        return;
    }
    const session::Commands::OptionsApplied applied = commands.applyOptions(sheet.options(), devices);
    // The screen's copy of the settings takes what the sheet and the devices stored.
    const core::Settings& stored = m_session.settings();
    m_settings.markNotes = stored.markNotes;
    m_settings.loadStartupSong = stored.loadStartupSong;
    m_settings.performanceDisplay = stored.performanceDisplay;
    m_settings.midiInDevice = stored.midiInDevice;
    m_settings.midiInDeviceName = stored.midiInDeviceName;
    m_settings.midiOutDevice = stored.midiOutDevice;
    m_settings.midiOutDeviceName = stored.midiOutDeviceName;
    m_settings.keyboardMidiInChannel = stored.keyboardMidiInChannel;
    m_settings.keyboardOctave = stored.keyboardOctave;
    m_settings.pcKeyboardActive = stored.pcKeyboardActive;
    m_settings.keyboardLabels = stored.keyboardLabels;
    m_settings.soundDeviceData1 = stored.soundDeviceData1;
    m_settings.soundDeviceData2 = stored.soundDeviceData2;
    m_settings.soundDeviceData3 = stored.soundDeviceData3;
    m_settings.soundDeviceData4 = stored.soundDeviceData4;
    m_settings.soundDeviceName = stored.soundDeviceName;
    m_settings.bpmFlags = stored.bpmFlags;
    m_settings.keyboardVelocity = stored.keyboardVelocity;
    if (applied.reportSwitchedOff) {
        updateCaption();
    }
    showKeyboardLabels();
    if (applied.soundChanged || applied.midiChanged) {
        deviceStatus(m_session.deviceSummary());
    }
    refresh();
    update();
}

setups::MediaSearch::Result ScreenDialog::search(int /*split*/, const std::string& storedPath, midi::SplitTask task) {
    const auto chooser = [this](QWidget* parent, const QString& title, const QString& filter, const QString& folder) {
        return m_host.chooseFile(parent, ScreenHost::FileDialog::Open, title, filter, folder, QString());
    };
    SearchFileDialog dialog(
        SearchFileDialog::Request{storedPath, task, session::searchRoots(storedPath)}, m_session.searchFolders(task),
        m_session.notifier(), chooser,
        [task](const std::filesystem::path& path) { return session::usableMediaFile(path, task); }, this);
    const int result = m_host.runDialog(dialog);
    if (result == QDialog::Accepted && !dialog.chosenPath().empty()) {
        return {Answer::Found, dialog.chosenPath()};
    }
    return {result == SearchFileDialog::kSkip ? Answer::Skip : Answer::Cancel, {}};
}

void ScreenDialog::openMidiDialog() {
    const int index = m_session.performance().currentSplit();
    MidiConfigDialog dialog(m_session.performance().split(index), m_session.notifier(), this);
    connect(&dialog, &MidiConfigDialog::helpRequested, this, [this, &dialog] { showManual(kHelpMidiDialog, &dialog); });
    session::Commands& commands = m_session.commands();
    if (m_host.runDialog(dialog) == QDialog::Accepted) {
        midi::Split edited = m_session.performance().split(index);
        edited.program = dialog.program();
        edited.bank = dialog.bank();
        edited.midiOutChannel = dialog.midiOutChannel();
        static constexpr std::array<const char*, 3> kFields = {"program", "bank", "midiOutChannel"};
        commands.writeSplitFields(index, edited, kFields);
        if (dialog.programChosen()) {
            commands.makeMidiSplit(index);
        }
    }
    // After OK and Cancel alike the instrument gets the split's program.
    commands.sendProgramChange(index);
    showKeyRange();
    refresh();
}

void ScreenDialog::openVelocityDialog() {
    const int index = m_session.performance().currentSplit();
    VelocityCurveDialog dialog(m_session.performance().split(index), this);
    connect(&dialog, &VelocityCurveDialog::helpRequested, this,
            [this, &dialog] { showManual(kHelpVelocityDialog, &dialog); });
    if (m_host.runDialog(dialog) == QDialog::Accepted) {
        midi::Split edited = m_session.performance().split(index);
        const VelocityCurve curve = dialog.curve();
        std::copy(curve.begin(), curve.end(), edited.velocityCurve.begin());
        edited.curveEditMode = dialog.curveEditMode();
        static constexpr std::array<const char*, 2> kFields = {"velocityCurve", "curveEditMode"};
        m_session.commands().writeSplitFields(index, edited, kFields);
    }
    refresh();
}

void ScreenDialog::openSfxDialog() {
    const int index = m_session.performance().currentSplit();
    SfxDialog dialog(m_session.performance().split(index), this);
    connect(&dialog, &SfxDialog::helpRequested, this, [this, &dialog] { showManual(kHelpSfxDialog, &dialog); });
    if (m_host.runDialog(dialog) == QDialog::Accepted) {
        m_session.commands().writeSplitFields(index, dialog.edited(), kSfxDialogFields);
    }
    refresh();
}

void ScreenDialog::openWaveDialog() {
    const int index = m_session.performance().currentSplit();
    const auto chooser = [this](QWidget* parent, const QString& title, const QString& filter, const QString& folder) {
        return m_host.chooseFile(parent, ScreenHost::FileDialog::Open, title, filter, folder, QString());
    };
    WaveDialog dialog(m_session, index,
                      m_screen == midi::ScreenKind::Master ? WaveDialog::Variant::Master : WaveDialog::Variant::Plain,
                      chooser, this);
    if (m_host.runDialog(dialog) == QDialog::Accepted) {
        // OK without a sample leaves no sample split behind: a MIDI split, switched off.
        const midi::Split& split = m_session.performance().split(index);
        if (split.taskKind() == midi::SplitTask::Sample && split.sample.sampleData == 0) {
            m_session.commands().makeMidiSplit(index);
            setSplitValue("state", static_cast<int>(midi::SplitState::Off));
        }
    }
    showKeyRange();
    refresh();
}

void ScreenDialog::openVideoDialog(int deckMode) {
    const int index = m_session.performance().currentSplit();
    const auto chooser = [this](QWidget* parent, const QString& title, const QString& filter, const QString& folder) {
        return m_host.chooseFile(parent, ScreenHost::FileDialog::Open, title, filter, folder, QString());
    };
    VideoDialog dialog(m_session, index, deckMode, chooser, this);
    connect(&dialog, &VideoDialog::helpRequested, this, [this, &dialog] { showManual(kHelpVideoDialog, &dialog); });
    m_host.runDialog(dialog);
    showKeyRange();
    refresh();
}

void ScreenDialog::showManual(int context, QWidget* over) {
    m_host.showHelp(over != nullptr ? over : this, QString::fromLatin1(helpSection(context)));
}

QMenu* ScreenDialog::fileMenu() {
    if (m_fileMenu != nullptr) {
        return m_fileMenu;
    }
    m_fileMenu = new QMenu(this);
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(13);
    m_fileMenu->setFont(arial);
    struct Item {
        int id;
        const char* caption;
    };
    static constexpr Item kItems[] = {
        {CommandId::kNewSetup, "&New Setup..."},
        {CommandId::kOpenSetup, "&Open Setup..."},
        {CommandId::kSaveSetup, "&Save Setup..."},
        {0, nullptr},
        {CommandId::kOpenMidiFile, "Open MIDI-File..."},
        {CommandId::kSaveMidiFile, "Save MIDI-File..."},
        {0, nullptr},
        {CommandId::kRockMenu, "&Rock-Screen"},
        {CommandId::kDjMenu, "&DJ-Screen"},
        {CommandId::kMasterMenu, "&Master-Screen"},
        {0, nullptr},
        {CommandId::kOptions, "&Options..."},
        {CommandId::kHelpMenu, "&Help..."},
        {CommandId::kAbout, "&About ORVAN Tonwerk..."},
        {0, nullptr},
        {CommandId::kExit, "Exit"},
    };
    for (const Item& item : kItems) {
        if (item.caption == nullptr) {
            m_fileMenu->addSeparator();
            continue;
        }
        if (item.id == CommandId::kOptions) {
            addScaleMenu(*m_fileMenu);
        }
        QAction* action = m_fileMenu->addAction(QString::fromUtf8(item.caption));
        action->setData(item.id);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { command(id); });
    }
    return m_fileMenu;
}

void ScreenDialog::addScaleMenu(QMenu& menu) {
    // The screen's size: fitted to the window, or fixed at 100, 150 or 200 % (F11: full screen).
    QMenu* sizes = menu.addMenu(QStringLiteral("Screen Si&ze"));
    sizes->setObjectName(QStringLiteral("scaleMenu"));
    auto* group = new QActionGroup(sizes);
    const struct {
        int setting;
        const char* caption;
    } kSizes[] = {{kScaleFit, "&Fit to Window"}, {100, "&100 %"}, {150, "15&0 %"}, {200, "&200 %"}};
    for (const auto& size : kSizes) {
        QAction* action = sizes->addAction(QString::fromUtf8(size.caption));
        action->setCheckable(true);
        action->setChecked(size.setting == m_settings.screenScale ||
                           (size.setting == kScaleFit && !isFixedScale(m_settings.screenScale)));
        action->setData(size.setting);
        group->addAction(action);
        const int setting = size.setting;
        connect(action, &QAction::triggered, this, [this, setting] { setScreenScale(setting); });
    }
}

void ScreenDialog::setScreenScale(int setting) {
    m_settings.screenScale = isFixedScale(setting) ? setting : kScaleFit;
    if (isFixedScale(setting) && (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
        const PixelRect window = windowRectFor(setting);
        resize(window.width, window.height);
    }
    layoutScreen();
}

void ScreenDialog::showFileMenu() { fileMenu()->popup(mapToGlobal(windowPoint(195, 270))); }

// --- The split list ---

void ScreenDialog::listMenu(int row, int column, const QPoint& globalPos) {
    const midi::Split& split = m_session.performance().split(row);
    QMenu menu(this);
    const auto add = [&menu, this](int id, const QString& caption, bool checked = false, bool enabled = true) {
        QAction* action = menu.addAction(caption);
        action->setCheckable(checked);
        action->setChecked(checked);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, id] { command(id); });
    };
    switch (menuForColumn(column)) {
    case ListMenu::Task:
        add(CommandId::kTaskMidi, QStringLiteral("MIDI"), split.taskKind() == midi::SplitTask::Midi);
        add(CommandId::kTaskSample, QStringLiteral("Sample"), split.taskKind() == midi::SplitTask::Sample);
        add(CommandId::kTaskAvi, QStringLiteral("AVI"), split.taskKind() == midi::SplitTask::Avi);
        break;
    case ListMenu::OutChannel:
        for (int channel = 0; channel < 16; ++channel) {
            add(CommandId::kFirstOutChannel + channel, QString::number(channel + 1),
                (split.midiOutChannel & 0x0F) == channel);
        }
        break;
    case ListMenu::InChannel:
        for (int channel = 0; channel < 16; ++channel) {
            add(CommandId::kFirstInChannel + channel, QString::number(channel + 1), split.midiInChannel == channel);
        }
        break;
    case ListMenu::Keys:
        add(CommandId::kMidiKeyboardRange, QStringLiteral("MIDI-keyb range"));
        add(CommandId::kPcKeyboardRange, QStringLiteral("PC-keyb range"));
        break;
    case ListMenu::Transpose:
        add(CommandId::kOctaveUp, QStringLiteral("octave up"), false, octaveUpAllowed(split.transpose));
        add(CommandId::kOctaveDown, QStringLiteral("octave down"), false, octaveDownAllowed(split.transpose));
        add(CommandId::kOriginalPitch, QStringLiteral("original pitch"));
        break;
    case ListMenu::None:
        return;
    }
    menu.exec(globalPos);
}

void ScreenDialog::listDoubleClicked(int row, int column) {
    m_session.commands().selectSplit(row);
    const midi::Split& split = m_session.performance().split(row);
    if (column == 1) {
        m_session.commands().toggleSplitOn(row);
        showRowButtons();
        return;
    }
    if (editableColumn(column)) {
        const int value = column == 3   ? (split.midiOutChannel & 0x0F) + 1
                          : column == 6 ? split.midiInChannel + 1
                                        : split.transpose;
        m_splitList->editCell(column, QString::number(value));
    }
    if (column == 2 && split.taskKind() == midi::SplitTask::Midi) {
        openMidiDialog();
    } else if (column == 2 && split.taskKind() == midi::SplitTask::Sample) {
        openWaveDialog();
    } else if (column == 2 && split.taskKind() == midi::SplitTask::Avi) {
        openVideoDialog(0);
    } else if (column == 4) {
        openSfxDialog();
    }
}

void ScreenDialog::cellEdited(int row, int column, const QString& text) {
    const auto value = parseCellEdit(column, text.toStdString());
    if (!value) {
        return; // out of range or not a number: ignored
    }
    m_session.commands().selectSplit(row);
    setSplitValue(column == 3 ? "midiOutChannel" : column == 6 ? "midiInChannel" : "transpose", *value);
}

void ScreenDialog::setSplitValue(const char* field, int value) {
    const midi::SplitField* entry = midi::findSplitField("", field);
    if (entry == nullptr) {
        return;
    }
    const int split = m_session.performance().currentSplit();
    const session::CommandResult result = m_session.commands().setSplitField(split, *entry, 0, value);
    if (!result.ok()) {
        core::showMessage(m_session.notifier(), result.error, core::MessageKind::Warning);
    }
    showRow(split);
}

void ScreenDialog::setSplitTask(midi::SplitTask task) { setSplitValue("task", static_cast<int>(task)); }

// --- What the screen shows ---

bool ScreenDialog::rowSounding(int split) const {
    const midi::Split& record = const_cast<session::Session&>(m_session).performance().split(split);
    const int channel = record.midiInChannel;
    if (channel < 0 || channel > 15) {
        return false;
    }
    const auto& keys = m_sounding[static_cast<std::size_t>(channel)];
    for (int key = std::max(0, record.keyLow); key <= std::min(127, record.keyHigh); ++key) {
        if (keys.test(static_cast<std::size_t>(key))) {
            return true;
        }
    }
    return false;
}

void ScreenDialog::showRow(int split) {
    if (split < 0 || split >= midi::kSplitCount || m_splitList == nullptr) {
        return;
    }
    m_splitList->setLine(split,
                         QString::fromStdString(midi::splitSummary(m_session.performance().split(split), split)));
    showRowButtons();
}

void ScreenDialog::showRowButtons() {
    for (const ScreenControl& entry : m_controlTable) {
        if (rowOfOnOffButton(entry.id) || rowOfSoloButton(entry.id) || entry.further[0] != 0) {
            if (!isPad(entry.id)) {
                applyFaces(*m_buttons.at(entry.id), entry);
            }
        }
    }
}

void ScreenDialog::showPad(int pad) {
    BitmapButton* b = button(kFirstPadId + pad - 1);
    if (b == nullptr) {
        return;
    }
    for (const ScreenControl& entry : m_controlTable) {
        if (entry.id == b->id()) {
            applyFaces(*b, entry);
            return;
        }
    }
}

void ScreenDialog::showDisplays() {
    const midi::Split& first = m_session.performance().split(0);
    const auto set = [this](PanelKind kind, const QString& text) {
        if (const auto it = m_displays.find(kind); it != m_displays.end()) {
            it->second->setText(text);
        }
    };
    set(PanelKind::VelocityDisplay, QString::number(m_settings.keyboardVelocity));
    set(PanelKind::TempoDisplay, QString::number(first.setupTempo));
    set(PanelKind::PitchDisplay,
        first.setupPitch > 0 ? QStringLiteral("+%1").arg(first.setupPitch) : QString::number(first.setupPitch));
    const int position = m_session.song().positionBeats();
    if (position != m_shownPositionBeats) {
        m_shownPositionBeats = position;
        const BarBeat at = barBeatOf(position);
        set(PanelKind::BarDisplay, QString::number(at.bar));
        set(PanelKind::BeatDisplay, QString::number(at.beat));
    }
    const int length = m_session.song().lengthBeats();
    if (length != m_shownLengthBeats) {
        m_shownLengthBeats = length;
        set(PanelKind::LengthDisplay, QString::fromStdString(lengthText(length)));
    }
}

void ScreenDialog::showTransport() {
    const auto state = m_session.song().state();
    if (BitmapButton* record = button(CommandId::kRecord)) {
        record->setCheck(state == song::Song::State::Recording ? 1 : 0);
    }
    if (BitmapButton* play = button(CommandId::kPlay)) {
        play->setCheck(state == song::Song::State::Playing ? 1 : 0);
    }
}

void ScreenDialog::showScreenButtons() {
    const struct {
        int id;
        midi::ScreenKind screen;
    } kButtons[] = {{CommandId::kDjButton, midi::ScreenKind::Dj},
                    {CommandId::kRockButton, midi::ScreenKind::Rock},
                    {CommandId::kMasterButton, midi::ScreenKind::Master}};
    for (const auto& entry : kButtons) {
        if (BitmapButton* b = button(entry.id)) {
            b->setCheck(entry.screen == m_screen ? 1 : 0);
        }
    }
}

void ScreenDialog::showMemoryMode() {
    for (const int id : {CommandId::kMemoryMode4, CommandId::kMemoryMode2, CommandId::kMemoryMode1}) {
        if (BitmapButton* b = button(id)) {
            b->setCheck(memoryModeForCommand(id) == m_settings.sampleMemoryMode ? 1 : 0);
        }
    }
}

void ScreenDialog::screenTick() {
    std::array<bool, kMeterCount> media{};
    std::array<bool, kMeterCount> sounding{};
    for (int i = 0; i < kMeterCount; ++i) {
        const midi::Split& split = m_session.performance().split(i);
        const auto at = static_cast<std::size_t>(i);
        media[at] = split.taskKind() == midi::SplitTask::Sample || split.taskKind() == midi::SplitTask::Avi;
        sounding[at] = split.taskKind() == midi::SplitTask::Sample
                           ? (split.sample.playFlags & midi::PlayFlag::kStarted) != 0
                           : split.taskKind() == midi::SplitTask::Avi && m_session.videoLive();
    }
    m_meters.tick(media, sounding);
    for (int i = 0; i < kMeterCount; ++i) {
        if (LevelMeter* meter = m_meterWidgets[static_cast<std::size_t>(i)]) {
            meter->setLevel(m_meters.level(i));
        }
    }
    showTransport();
    showDisplays();
    if (m_statusTicks > 0 && --m_statusTicks == 0) {
        m_status.clear();
        update();
    }
}

void ScreenDialog::showPicture(const QImage& picture) {
    if (m_monitor != nullptr) {
        m_monitor->setImage(picture);
    }
}

// --- The joystick ---

void ScreenDialog::joystick(StickState state) {
    m_joystick.setScreen(m_screen);
    state.tab = m_tabDown;
    state.ctrl = (QApplication::keyboardModifiers() & Qt::ControlModifier) != 0;
    m_joystick.update(state);
}

void ScreenDialog::joystickLost() { m_joystick.disconnected(); }

void ScreenDialog::StickActions::inject(midi::ShortMessage message) {
    m_screen.m_session.commands().injectInput(message);
}

void ScreenDialog::StickActions::injectUser(midi::ShortMessage message) {
    m_screen.m_session.commands().userInput(message);
}

void ScreenDialog::StickActions::lightZone(int zone, bool lit) {
    if (zone >= 1 && zone <= kPadCount) {
        m_screen.m_padLit[static_cast<std::size_t>(zone - 1)] = lit;
        m_screen.showPad(zone);
    }
}

void ScreenDialog::StickActions::showVelocity(int velocity) {
    if (m_screen.m_joystickVelocity != nullptr) {
        m_screen.m_joystickVelocity->show();
        m_screen.m_joystickVelocity->showValue(velocity);
    }
}

void ScreenDialog::StickActions::setVelocitySlider(int value) {
    if (m_screen.m_keyboardVelocity != nullptr) {
        m_screen.m_keyboardVelocity->setValue(value);
    }
}

void ScreenDialog::StickActions::setCrossfader(int value) {
    if (m_screen.m_crossfader != nullptr) {
        m_screen.m_crossfader->setValue(value);
    }
}

// --- Engine feedback ---

void ScreenDialog::keyReleased(int key) {
    if (m_keyboard != nullptr) {
        m_keyboard->setLit(key, false);
    }
}

void ScreenDialog::padLights(midi::ShortMessage message) {
    const int kind = static_cast<int>(message & 0xF0);
    if (kind != 0x90 && kind != 0x80) {
        return;
    }
    const int key = static_cast<int>((message >> 8) & 0x7F);
    const bool on = kind == 0x90 && ((message >> 16) & 0x7F) != 0;
    for (int pad = 1; pad <= kPadCount; ++pad) {
        if (padNote(m_screen, pad) != key) {
            continue;
        }
        bool lit = on;
        if (!on) {
            // A sample split whose sample is still held keeps its pad lit.
            const midi::Split& split = m_session.performance().split(pad - 1);
            lit =
                split.taskKind() == midi::SplitTask::Sample && (split.sample.playFlags & midi::PlayFlag::kLatched) != 0;
        }
        if (m_padLit[static_cast<std::size_t>(pad - 1)] != lit) {
            m_padLit[static_cast<std::size_t>(pad - 1)] = lit;
            showPad(pad);
        }
    }
}

void ScreenDialog::velocityMeters(const std::int32_t* lastVelocity, int count) {
    for (int i = 0; i < std::min(count, kMeterCount); ++i) {
        m_meters.set(i, lastVelocity[i]);
        if (LevelMeter* meter = m_meterWidgets[static_cast<std::size_t>(i)]) {
            meter->setLevel(m_meters.level(i));
        }
    }
}

void ScreenDialog::noteDisplay(midi::ShortMessage message) {
    const int kind = static_cast<int>(message & 0xF0);
    if (kind != 0x90 && kind != 0x80) {
        return;
    }
    const int channel = static_cast<int>(message & 0x0F);
    const int key = static_cast<int>((message >> 8) & 0x7F);
    const int velocity = static_cast<int>((message >> 16) & 0x7F);
    const bool on = kind == 0x90 && velocity != 0;
    m_sounding[static_cast<std::size_t>(channel)].set(static_cast<std::size_t>(key), on);
    if (m_keyboard != nullptr) {
        m_keyboard->setLit(key, on);
    }
    if (m_noteStrip != nullptr) {
        if (on) {
            m_noteStrip->noteOn(key, velocity);
        } else {
            m_noteStrip->noteOff(key);
        }
    }
    if (m_screen == midi::ScreenKind::Master) {
        for (const ScreenControl& entry : m_controlTable) {
            if (rowOfOnOffButton(entry.id)) {
                applyFaces(*m_buttons.at(entry.id), entry);
            }
        }
    }
}

void ScreenDialog::splitLineChanged(int split) {
    showRow(split);
    if (split == m_session.performance().currentSplit() && !m_keyRangeEditing) {
        showKeyRange();
    }
    if (split < kPadCount) {
        showPad(split + 1);
    }
}

void ScreenDialog::splitSelected(int split) {
    if (m_splitList != nullptr) {
        m_splitList->setSelected(split);
    }
    showRowButtons();
    showKeyRange();
}

void ScreenDialog::showKeyRange() {
    if (m_keyRange != nullptr) {
        const midi::Split& split = m_session.performance().split(m_session.performance().currentSplit());
        m_keyRange->setKeys(split.keyLow, split.keyHigh);
    }
}

void ScreenDialog::crossfaderMoved(int value) {
    if (m_crossfader != nullptr) {
        m_crossfader->showValue(value);
    }
}

void ScreenDialog::beatDisplay(int bar, int beat) {
    if (const auto it = m_displays.find(PanelKind::BarDisplay); it != m_displays.end()) {
        it->second->setText(QString::number(bar));
    }
    if (const auto it = m_displays.find(PanelKind::BeatDisplay); it != m_displays.end()) {
        it->second->setText(QString::number(beat));
    }
}

void ScreenDialog::deviceStatus(const std::string& text) {
    m_status = QString::fromStdString(text);
    m_statusTicks = kStatusTicks;
    update();
}

void ScreenDialog::loadReport(const std::string& text) {
    // Only while the option is on: a report already queued when it was switched off is dropped.
    if (m_settings.performanceDisplay != 0) {
        setWindowTitle(QString::fromStdString(text));
    }
}

void ScreenDialog::refresh() { showEverything(); }

void ScreenDialog::showEverything() {
    for (int split = 0; split < midi::kSplitCount; ++split) {
        if (m_splitList != nullptr) {
            m_splitList->setLine(
                split, QString::fromStdString(midi::splitSummary(m_session.performance().split(split), split)));
        }
    }
    if (m_splitList != nullptr) {
        m_splitList->setSelected(m_session.performance().currentSplit());
    }
    showKeyRange();
    for (int pad = 1; pad <= kPadCount; ++pad) {
        showPad(pad);
    }
    showRowButtons();
    showScreenButtons();
    showMemoryMode();
    showTransport();
    m_shownPositionBeats = -1;
    m_shownLengthBeats = -1;
    showDisplays();
    if (m_keyboardVelocity != nullptr) {
        m_keyboardVelocity->showValue(m_settings.keyboardVelocity);
    }
}

} // namespace tonwerk::ui
