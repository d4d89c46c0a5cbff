#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QListWidget;

namespace tonwerk::ui {

// "DirectSound Buffer-Type": the 16 classic PCM formats of the primary buffer, the current one
// selected when it is one of them. "&Apply" and a double-click apply the selected format; OK
// applies it and closes when that worked. `apply` carries a format out and says whether it did
// (it reports its own failure). UI thread.
class BufferTypeDialog : public QDialog {
    Q_OBJECT
public:
    BufferTypeDialog(std::optional<int> current, std::function<bool(int index)> apply, QWidget* parent = nullptr);

    [[nodiscard]] QListWidget* formats() const { return m_formats; }

    void accept() override;

private:
    bool applySelected();

    std::function<bool(int)> m_apply;
    QListWidget* m_formats = nullptr;
};

} // namespace tonwerk::ui
