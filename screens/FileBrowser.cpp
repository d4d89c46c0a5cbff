#include "FileBrowser.h"

#include "res/art/Artwork.h"
#include "screens/controls/MyListBox.h"
#include "session/Commands.h"
#include "session/Session.h"

#include <system_error>

namespace tonwerk::ui {

namespace {

constexpr unsigned kFoldersOnly = ListFill::kDirectories | ListFill::kExclusive;

} // namespace

FileBrowser::FileBrowser(Lists lists, session::Session& session, core::Settings& settings, QObject* parent)
    : QObject(parent), m_lists(lists), m_session(session), m_settings(settings) {
    for (MyListBox* list : {lists.styles, lists.folders, lists.media, lists.setups}) {
        connect(list, &MyListBox::folderUnavailable, this, [this](int /*id*/) { emit folderUnavailable(); });
    }
    connect(lists.styles, &MyListBox::selectionChanged, this, [this](int /*id*/, int /*index*/) { chooseStyle(); });
    connect(lists.styles, &MyListBox::doubleClicked, this, [this](int /*id*/, int /*index*/) { chooseStyle(); });
    connect(lists.folders, &MyListBox::selectionChanged, this, [this](int /*id*/, int /*index*/) { chooseFolder(); });
    connect(lists.folders, &MyListBox::doubleClicked, this, [this](int /*id*/, int /*index*/) { chooseFolder(); });
    connect(lists.media, &MyListBox::selectionChanged, this,
            [this](int /*id*/, int /*index*/) { m_session.commands().stopSamplePreview(); });
    connect(lists.media, &MyListBox::doubleClicked, this, [this](int /*id*/, int index) { mediaDoubleClicked(index); });
    connect(lists.media, &MyListBox::filled, this,
            [this](int /*id*/, bool ok, int patternIndex) { mediaFilled(ok, patternIndex); });
    connect(lists.setups, &MyListBox::doubleClicked, this,
            [this](int /*id*/, int index) { setupDoubleClicked(index); });
}

void FileBrowser::start() {
    // A style folder that is not there (a fresh machine, an unplugged disk) leaves the lists
    // empty without a word: the performer browses from there.
    if (!m_lists.styles->fill(m_settings.stylePath, kFoldersOnly, "*.*")) {
        return;
    }
    const int stored = m_settings.stylePos;
    if (stored >= 0 && stored < m_lists.styles->count()) {
        m_lists.styles->selectText(m_lists.styles->entries()[static_cast<std::size_t>(stored)].text);
    }
    chooseStyle();
}

void FileBrowser::chooseStyle() {
    const FolderEntry* entry = m_lists.styles->selectedEntry();
    if (entry == nullptr || entry->kind != EntryKind::Folder) {
        return; // only a folder is a style
    }
    const std::filesystem::path style = m_lists.styles->folder() / entry->name;
    if (m_lists.folders->fill(style, kFoldersOnly, "*.*")) {
        m_settings.stylePath = m_lists.styles->folder().string();
        m_settings.stylePos = m_lists.styles->selected();
    }
    if (m_lists.setups->fill(style / "Setups", 0, "*.mks")) {
        m_settings.setupPath = (style / "Setups").string();
    } else {
        static_cast<void>(m_lists.setups->fill(m_settings.setupPath, 0, "*.mks"));
    }
    if (m_lists.folders->count() > 1) {
        m_lists.folders->selectText(m_lists.folders->entries()[1].text);
        chooseFolder();
    }
}

void FileBrowser::chooseFolder() {
    const FolderEntry* entry = m_lists.folders->selectedEntry();
    if (entry == nullptr || entry->kind != EntryKind::Folder) {
        return;
    }
    // The folder's clips when it has any, else its samples; read off the screen's thread, since
    // a folder may hold thousands of files on a slow disk.
    m_lists.media->fillInBackground(m_lists.folders->folder() / entry->name, 0,
                                    {session::clipPattern(), session::samplePattern()});
}

void FileBrowser::mediaFilled(bool ok, int patternIndex) {
    m_clips = patternIndex == 0;
    m_lists.media->setDragCursor(art::paintDragCursor(m_clips ? art::kClipDragCursor : art::kSampleDragCursor,
                                                      m_lists.media->devicePixelRatioF()));
    if (ok) {
        (m_clips ? m_settings.aviPath : m_settings.wavePath) = m_lists.media->folder().string();
    }
}

void FileBrowser::mediaDoubleClicked(int index) {
    if (index < 0 || index >= m_lists.media->count()) {
        return;
    }
    const FolderEntry& entry = m_lists.media->entries()[static_cast<std::size_t>(index)];
    if (entry.kind != EntryKind::File) {
        return;
    }
    const std::filesystem::path path = m_lists.media->pathOf(index);
    if (matchesPattern(entry.name, session::clipPattern())) {
        static_cast<void>(m_session.commands().previewClip(path));
    } else if (matchesPattern(entry.name, session::samplePattern())) {
        static_cast<void>(m_session.commands().previewSample(path));
    }
}

void FileBrowser::setupDoubleClicked(int index) {
    if (index < 0 || index >= m_lists.setups->count()) {
        return;
    }
    const FolderEntry& entry = m_lists.setups->entries()[static_cast<std::size_t>(index)];
    if (entry.kind == EntryKind::File && matchesPattern(entry.name, "*.mks")) {
        m_settings.setupPath = m_lists.setups->folder().string();
        emit setupChosen(m_lists.setups->pathOf(index));
    }
}

} // namespace tonwerk::ui
