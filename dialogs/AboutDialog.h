#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QLabel;

namespace tonwerk::ui {

// "About ORVAN Tonwerk": the program's name, version and date, who made it, and the memory the
// machine can still give (string 106, "%lu KB RAM free"; "Unavailable" when it cannot be read).
// OK closes it. UI thread.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(std::optional<std::uint64_t> freeKilobytes, QWidget* parent = nullptr);

    [[nodiscard]] QString memoryText() const;

private:
    QLabel* m_memory = nullptr;
};

} // namespace tonwerk::ui
