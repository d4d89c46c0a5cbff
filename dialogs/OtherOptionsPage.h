#pragma once

#include "session/ProgramOptions.h"

#include <QWidget>

class QCheckBox;

namespace tonwerk::ui {

// The options page "Other Options": the screen keyboard's note marks, the start-up song and the
// load report in the caption ("Common Settings"). UI thread.
class OtherOptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit OtherOptionsPage(const session::ProgramOptions& options, QWidget* parent = nullptr);

    // OK: the page's values into `options`.
    void store(session::ProgramOptions& options) const;

    [[nodiscard]] QCheckBox* markNotes() const { return m_markNotes; }
    [[nodiscard]] QCheckBox* startupSong() const { return m_startupSong; }
    [[nodiscard]] QCheckBox* performanceDisplay() const { return m_performanceDisplay; }

private:
    QCheckBox* m_markNotes = nullptr;
    QCheckBox* m_startupSong = nullptr;
    QCheckBox* m_performanceDisplay = nullptr;
};

} // namespace tonwerk::ui
