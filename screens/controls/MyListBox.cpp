#include "MyListBox.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>

namespace tonwerk::ui {

namespace {

constexpr int kAutoScrollMs = 100;
constexpr int kFillPollMs = 5; // how often a background fill is looked for
constexpr int kEdgeZone = 8;   // half a scroll bar: the side edges that scroll a list of columns

bool hasSubfolder(const std::filesystem::path& folder, const char* only = nullptr) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) {
            continue;
        }
        const std::string name = it->path().filename().string();
        if (only == nullptr ? !name.starts_with('.') : name == only) {
            return true;
        }
    }
    return false;
}

std::filesystem::path homeFolder() {
    const char* home = std::getenv("HOME"); // NOLINT(concurrency-mt-unsafe): read on the UI thread
    return home != nullptr ? std::filesystem::path(home) : std::filesystem::path("/");
}

} // namespace

MyListBox::MyListBox(int id, unsigned options, QWidget* parent)
    : QWidget(parent), m_id(id), m_options(options), m_drives(machineDrives()) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_autoScroll.setInterval(kAutoScrollMs);
    connect(&m_autoScroll, &QTimer::timeout, this, &MyListBox::autoScrollTick);
    m_fillPoll.setInterval(kFillPollMs);
    connect(&m_fillPoll, &QTimer::timeout, this, &MyListBox::takeFill);
    setFontPixelSize(m_fontPixels);
}

void MyListBox::setColours(QColor background, QColor text, QColor selectedText, QColor selectedBackground) {
    m_background = background;
    m_text = text;
    m_selectedText = selectedText;
    m_selectedBackground = selectedBackground;
    update();
}

void MyListBox::setMultiColumn(bool multiColumn) {
    m_multiColumn = multiColumn;
    setTop(m_top);
    update();
}

void MyListBox::setFontPixelSize(int pixels) {
    m_fontPixels = std::max(6, pixels);
    QFont bold = font();
    bold.setPixelSize(m_fontPixels);
    bold.setWeight(QFont::Bold);
    setFont(bold);
    measureEntries();
    setTop(m_top);
    update();
}

void MyListBox::measureEntries() {
    // The widest entry sets the column width. Thousands of names are measured per character from
    // a table of the font's advances (plain ASCII names), the rest by the font itself; a few
    // pixels of kerning are within the column's margin.
    const QFontMetrics metrics(font());
    std::array<int, 128> advance{};
    for (std::size_t c = 32; c < advance.size(); ++c) {
        advance[c] = metrics.horizontalAdvance(QChar(static_cast<char16_t>(c)));
    }
    m_widest = 0;
    for (const FolderEntry& entry : m_entries) {
        int width = 0;
        bool plain = true;
        for (const char c : entry.text) {
            const auto code = static_cast<unsigned char>(c);
            if (code < 32 || code >= 128) {
                plain = false;
                break;
            }
            width += advance[code];
        }
        if (!plain) {
            width = metrics.horizontalAdvance(QString::fromStdString(entry.text));
        }
        m_widest = std::max(m_widest, width);
    }
}

bool MyListBox::fill(const std::filesystem::path& folder, unsigned flags, const std::string& pattern) {
    m_pending = {}; // a background fill still running is not wanted any more
    m_fillPoll.stop();
    std::filesystem::path shown = folder;
    if (shown.empty() && (m_options & ListOption::kEmptyFolderStays) == 0) {
        shown = "/";
    }
    Listed listed{listFolder(shown.empty() ? std::filesystem::path(".") : shown, flags, pattern, m_drives), shown,
                  flags, pattern, 0};
    const bool ok = listed.entries.has_value();
    showListed(std::move(listed));
    return ok;
}

void MyListBox::fillInBackground(const std::filesystem::path& folder, unsigned flags,
                                 std::vector<std::string> patterns) {
    if (patterns.empty()) {
        patterns.emplace_back("*.*");
    }
    std::promise<Listed> promise;
    m_pending = promise.get_future();
    // The thread has its own copies of everything it reads; a list gone meanwhile only leaves
    // its result unread.
    std::thread([promise = std::move(promise), folder, flags, patterns = std::move(patterns),
                 drives = m_drives]() mutable {
        Listed listed{std::nullopt, folder, flags, patterns.back(), static_cast<int>(patterns.size()) - 1};
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            auto entries = listFolder(folder, flags, patterns[i], drives);
            const bool found = entries && std::any_of(entries->begin(), entries->end(),
                                                      [](const FolderEntry& e) { return e.kind == EntryKind::File; });
            if (!entries || found || i + 1 == patterns.size()) {
                listed = {std::move(entries), folder, flags, patterns[i], static_cast<int>(i)};
                break;
            }
        }
        promise.set_value(std::move(listed));
    }).detach();
    m_fillPoll.start();
}

void MyListBox::takeFill() {
    if (!m_pending.valid()) {
        m_fillPoll.stop();
        return;
    }
    if (m_pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return;
    }
    Listed listed = m_pending.get();
    m_fillPoll.stop();
    const bool ok = listed.entries.has_value();
    const int patternIndex = listed.patternIndex;
    showListed(std::move(listed));
    emit filled(m_id, ok, patternIndex);
}

void MyListBox::showListed(Listed listed) {
    m_entries.clear();
    m_selected = -1;
    m_top = 0;
    if (!listed.entries) {
        update();
        return;
    }
    m_entries = std::move(*listed.entries);
    m_folder = listed.folder.empty() ? listed.folder : normalFolder(listed.folder);
    m_flags = listed.flags;
    m_pattern = listed.pattern;
    if (m_entries.empty() && (m_options & ListOption::kParentWhenEmpty) != 0) {
        m_entries.push_back({EntryKind::Parent, "..", "[..]"});
    }
    measureEntries();
    if (!m_entries.empty()) {
        m_selected = 0;
    }
    setToolTip(QString::fromStdString((m_folder / m_pattern).string()));
    update();
}

const FolderEntry* MyListBox::selectedEntry() const {
    return m_selected >= 0 && m_selected < count() ? &m_entries[static_cast<std::size_t>(m_selected)] : nullptr;
}

std::filesystem::path MyListBox::pathOf(int index) const {
    if (index < 0 || index >= count()) {
        return {};
    }
    return m_folder / m_entries[static_cast<std::size_t>(index)].name;
}

void MyListBox::select(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    ensureVisible(index);
    if (index != m_selected) {
        m_selected = index;
        update();
        emit selectionChanged(m_id, index);
    }
}

bool MyListBox::selectText(const std::string& text) {
    for (int i = 0; i < count(); ++i) {
        if (m_entries[static_cast<std::size_t>(i)].text == text) {
            m_selected = i;
            ensureVisible(i);
            update();
            return true;
        }
    }
    return false;
}

// --- Geometry ---

int MyListBox::itemHeight() const { return std::max(1, QFontMetrics(font()).height()); }

int MyListBox::rowsShown() const { return std::max(1, height() / itemHeight()); }

int MyListBox::columnWidth() const {
    if (!m_multiColumn) {
        return std::max(1, width());
    }
    const int natural = std::max(1, m_widest + 2);
    const int columns = std::max(1, width() / natural);
    return std::max(1, width() / columns); // whole columns fill the list
}

int MyListBox::pageSize() const {
    return m_multiColumn ? rowsShown() * std::max(1, width() / columnWidth()) : rowsShown();
}

QRect MyListBox::itemRect(int index) const {
    if (index < m_top || index >= count()) {
        return {};
    }
    const int h = itemHeight();
    if (!m_multiColumn) {
        const int row = index - m_top;
        return row < rowsShown() ? QRect(0, row * h, width(), h) : QRect();
    }
    const int rows = rowsShown();
    const int column = (index - m_top) / rows;
    const int cw = columnWidth();
    if (column >= std::max(1, width() / cw)) {
        return {};
    }
    return {column * cw, ((index - m_top) % rows) * h, cw, h};
}

int MyListBox::indexAt(QPoint point) const {
    if (!rect().contains(point)) {
        return -1;
    }
    const int h = itemHeight();
    int index = 0;
    if (m_multiColumn) {
        index = m_top + (point.x() / columnWidth()) * rowsShown() + std::min(point.y() / h, rowsShown() - 1);
    } else {
        index = m_top + point.y() / h;
    }
    return index < count() ? index : -1;
}

void MyListBox::setTop(int top) {
    const int rows = rowsShown();
    int last = std::max(0, count() - (m_multiColumn ? 1 : rows));
    if (m_multiColumn) {
        last -= last % rows;
    }
    top = std::clamp(top, 0, last);
    if (m_multiColumn) {
        top -= top % rows; // a column starts at a multiple of the rows
    }
    if (top != m_top) {
        m_top = top;
        update();
    }
}

void MyListBox::ensureVisible(int index) {
    if (index < m_top) {
        setTop(index);
    } else if (itemRect(index).isEmpty()) {
        setTop(index - pageSize() + (m_multiColumn ? rowsShown() : 1));
    }
}

void MyListBox::scrollStep(int direction) {
    setTop(m_top + (direction < 0 ? -1 : 1) * (m_multiColumn ? rowsShown() : 1));
    setFocus(Qt::OtherFocusReason);
}

// --- Navigation ---

void MyListBox::fallBack() {
    emit folderUnavailable(m_id);
    const std::filesystem::path home = homeFolder();
    if (fill(home, m_flags | ListFill::kDrives, m_pattern)) {
        if (const Drive* drive = driveRootedAt(home, m_drives)) {
            selectText("[-" + drive->name + "-]");
        }
    }
}

void MyListBox::activate(int index) {
    if (index < 0 || index >= count() || m_autoScroll.isActive()) {
        return;
    }
    const FolderEntry entry = m_entries[static_cast<std::size_t>(index)];
    const bool choosing = (m_options & (ListOption::kStyleMode | ListOption::kLeafMode)) != 0;
    if (entry.kind == EntryKind::File || (choosing && entry.text == "[Setups]")) {
        emit doubleClicked(m_id, index);
        return;
    }
    if (entry.kind == EntryKind::Drive) {
        const auto drive =
            std::find_if(m_drives.begin(), m_drives.end(), [&entry](const Drive& d) { return d.name == entry.name; });
        if (drive != m_drives.end() && fill(drive->root, m_flags | ListFill::kDrives, m_pattern)) {
            selectText(entry.text);
        } else {
            fallBack();
        }
        emit doubleClicked(m_id, m_selected);
        return;
    }
    const bool up = entry.kind == EntryKind::Parent;
    const std::filesystem::path target = up ? m_folder.parent_path() : m_folder / entry.name;
    if (!up && (m_options & ListOption::kStyleMode) != 0 && hasSubfolder(target, "Setups")) {
        emit doubleClicked(m_id, index); // a style: chosen, not entered
        return;
    }
    if (!up && (m_options & ListOption::kLeafMode) != 0 && !hasSubfolder(target)) {
        emit doubleClicked(m_id, index); // a folder of files: chosen, not entered
        return;
    }
    const Drive* root = driveRootedAt(target, m_drives);
    const std::string left = m_folder.filename().string();
    if (!fill(target, root != nullptr ? (m_flags | ListFill::kDrives) : m_flags, m_pattern)) {
        fallBack();
    } else if (up) {
        // Back up: the folder just left is selected, or at a drive's root that drive.
        if (!selectText("[" + left + "]") && root != nullptr) {
            selectText("[-" + root->name + "-]");
        }
    }
    emit doubleClicked(m_id, m_selected);
}

// --- Painting ---

void MyListBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    for (int index = m_top; index < count(); ++index) {
        const QRect at = itemRect(index);
        if (at.isEmpty()) {
            break;
        }
        const bool selected = index == m_selected;
        if (selected) {
            painter.fillRect(at, m_selectedBackground);
        }
        painter.setPen(selected ? m_selectedText : m_text);
        const QString text = metrics.elidedText(QString::fromStdString(m_entries[static_cast<std::size_t>(index)].text),
                                                Qt::ElideMiddle, at.width() - 2);
        painter.drawText(at.adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        if (selected && hasFocus()) {
            painter.setPen(QPen(m_selectedText, 1, Qt::DotLine));
            painter.drawRect(at.adjusted(0, 0, -1, -1));
        }
    }
}

void MyListBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setTop(m_top);
}

// --- The mouse ---

void MyListBox::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    m_pressed = -1;
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int index = indexAt(event->position().toPoint());
    if (index >= 0) {
        select(index);
        m_pressed = index;
        m_pressPoint = event->position().toPoint();
    }
}

void MyListBox::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) == 0 || m_pressed < 0 || (m_options & ListOption::kDragging) == 0) {
        return;
    }
    if ((event->position().toPoint() - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        startDrag();
    }
}

void MyListBox::mouseReleaseEvent(QMouseEvent* /*event*/) { m_pressed = -1; }

void MyListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        activate(indexAt(event->position().toPoint()));
    }
}

void MyListBox::startDrag() {
    const int index = m_pressed;
    m_pressed = -1;
    if (index < 0 || index >= count()) {
        return;
    }
    const FolderEntry& entry = m_entries[static_cast<std::size_t>(index)];
    // A drive is never dropped, a folder only by a list that drops folders.
    if (entry.kind == EntryKind::Drive ||
        (entry.kind != EntryKind::File && (m_options & ListOption::kDropFolders) == 0)) {
        return;
    }
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kMediaPathMime), QByteArray::fromStdString(pathOf(index).string()));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (!m_dragCursor.isNull()) {
        drag->setDragCursor(m_dragCursor, Qt::CopyAction);
        drag->setDragCursor(m_dragCursor, Qt::MoveAction);
    }
    connect(drag, &QDrag::targetChanged, this,
            [this](QObject* target) { emit dragStatus(target != nullptr && target != this ? 17002 : 17001); });
    emit dragStatus(17001);
    if ((m_options & ListOption::kAutoScroll) != 0) {
        m_autoScroll.start();
    }
    const Qt::DropAction done = drag->exec(Qt::CopyAction);
    m_autoScroll.stop();
    if (done == Qt::CopyAction) {
        emit dragStatus(17000);
    }
}

void MyListBox::autoScrollTick() {
    // While a drag is outside the list (above, below, or at a side of a list of columns), the
    // list scrolls a page a tick in that direction.
    const QPoint at = mapFromGlobal(QCursor::pos());
    int direction = 0;
    if (at.y() < 0 || (m_multiColumn && at.x() < kEdgeZone)) {
        direction = -1;
    } else if (at.y() >= height() || (m_multiColumn && at.x() >= width() - kEdgeZone)) {
        direction = 1;
    }
    if (direction != 0) {
        setTop(m_top + direction * pageSize());
    }
}

// --- Keys ---

void MyListBox::keyPressEvent(QKeyEvent* event) {
    const int step = m_multiColumn ? rowsShown() : 1;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat()) {
            activate(m_selected);
        }
        return;
    case Qt::Key_Up:
        select(std::max(0, m_selected - 1));
        return;
    case Qt::Key_Down:
        select(std::min(count() - 1, m_selected + 1));
        return;
    case Qt::Key_Left:
        select(std::max(0, m_selected - step));
        return;
    case Qt::Key_Right:
        select(std::min(count() - 1, m_selected + step));
        return;
    default:
        break;
    }
    event->accept();
    if (!event->isAutoRepeat()) {
        emit keyPassed(*event, true);
    }
}

bool MyListBox::event(QEvent* event) {
    // Tab is a key the screen plays with (the joystick's bank), not a move of the keyboard focus.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab) {
            if (!key->isAutoRepeat()) {
                emit keyPassed(*key, event->type() == QEvent::KeyPress);
            }
            return true;
        }
    }
    return QWidget::event(event);
}

void MyListBox::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (!event->isAutoRepeat()) {
        emit keyPassed(*event, false);
    }
}

} // namespace tonwerk::ui
