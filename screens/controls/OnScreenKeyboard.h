#pragma once

#include "KeyboardGeometry.h"

#include <QWidget>

#include <bitset>

namespace tonwerk::ui {

// The Master screen's keyboard (control 1052): the keys the notes sound on, 147 pixels an octave,
// from a C at its left edge. A note-on lights its key, a note-off darkens it; a new setup or device
// darkens them all. Values in, nothing out. UI thread.
class OnScreenKeyboard : public QWidget {
    Q_OBJECT
public:
    explicit OnScreenKeyboard(QWidget* parent = nullptr);

    // The key at the left edge (moved down to a C).
    void setFirstKey(int key);
    [[nodiscard]] int firstKey() const { return m_firstKey; }
    void setLit(int key, bool lit);
    [[nodiscard]] bool lit(int key) const { return key >= 0 && key < 128 && m_lit.test(static_cast<std::size_t>(key)); }
    void reset();
    // The PC keyboard's key names shown on the white keys from `firstKey` (a white key) on, one
    // character each; blanks leave a key unlabelled.
    void setKeyLabels(int firstKey, const QString& labels);
    [[nodiscard]] const QString& keyLabels() const { return m_labels; }
    // Window pixels per screen pixel: an octave is 147 screen pixels wide at every scale.
    void setScale(double scale);
    // The keys in screen pixels.
    [[nodiscard]] KeyboardGeometry geometry() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_firstKey = 36;
    double m_scale = 1.0;
    int m_labelKey = 48;
    QString m_labels;
    std::bitset<128> m_lit;
};

} // namespace tonwerk::ui
