#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

#include <filesystem>

namespace tonwerk::art {

// The program's own artwork: every face of the screens' controls, painted from code at the size
// and device pixel ratio it is shown at, so every scale stays sharp. One look throughout, built on
// the program's colours (dark green ground, green buttons, yellow and cyan text): readable from a
// metre away in a dark room, every control labelled. A PNG named after the bitmap id in the user's
// art folder (~/.local/share/tonwerk/art/578.png) replaces a face.

// How a face is drawn: what the control is, and its label.
enum class FaceKind {
    Unknown,      // an id this artwork does not know: a plain labelled button
    Button,       // a push button with a label (Exit, PANIC, Help, Menu, the dialog buttons)
    ScreenSwitch, // the DJ, Rock and Master screen toggles, the sound memory modes
    Transport,    // Record, Play, Stop, Break: the usual symbols
    ArrowUp,      // the small value arrows and the list arrows
    ArrowDown,
    ArrowLeft,
    ArrowRight,
    Pad,   // a trigger pad
    Video, // the Video 1 and 2 buttons
    Zoom,  // the strip that opens the graphics window
};

enum class FaceState {
    Normal,
    Pressed, // pressed or checked
    Lit,     // a pad whose note sounds
    Held,    // a pad whose loop is held
};

struct FaceInfo {
    FaceKind kind = FaceKind::Unknown;
    const char* label = "";
    FaceState state = FaceState::Normal; // the state a bitmap id stands for (a pad's second face is lit)
};

// What bitmap `id` shows.
[[nodiscard]] FaceInfo faceInfo(int bitmapId);

// Paints face `bitmapId` at `logicalSize` for a screen of `devicePixelRatio` (the pixmap carries
// the ratio). `pressed` draws the pressed look of a face that has no pressed bitmap of its own.
// UI thread.
[[nodiscard]] QPixmap paintFace(int bitmapId, QSize logicalSize, qreal devicePixelRatio, bool pressed = false);

// The folder whose PNG files replace faces: $XDG_DATA_HOME/tonwerk/art, ~/.local/share/tonwerk/art.
[[nodiscard]] std::filesystem::path userArtFolder();

// The face a user's PNG gives for `bitmapId`, scaled to the size; null when there is none.
[[nodiscard]] QPixmap userFace(const std::filesystem::path& folder, int bitmapId, QSize logicalSize,
                               qreal devicePixelRatio);

} // namespace tonwerk::art
