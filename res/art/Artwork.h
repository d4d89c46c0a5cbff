#pragma once

#include <QPainter>
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
    Knob,  // a slider's knob (vertical or horizontal by its shape)
    Track, // a slider's track
    Led,   // the split list's row buttons: on/off and solo lights
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

// The sliders' faces (the program's own ids): knob, knob at the reset value, track; vertical then
// horizontal.
inline constexpr int kVerticalKnob = 620;
inline constexpr int kVerticalKnobAtReset = 621;
inline constexpr int kVerticalTrack = 622;
inline constexpr int kHorizontalKnob = 623;
inline constexpr int kHorizontalKnobAtReset = 624;
inline constexpr int kHorizontalTrack = 625;

// The split list's row buttons (the program's own ids): the on/off light off, on, muted by a
// solo, on while a note of the split sounds; the solo light off and on.
inline constexpr int kRowOff = 630;
inline constexpr int kRowOn = 631;
inline constexpr int kRowMuted = 632;
inline constexpr int kRowSounding = 633;
inline constexpr int kSoloOff = 634;
inline constexpr int kSoloOn = 635;

// The screens' ground, painted in screen pixels (801 × 584) on a painter the caller has scaled:
// the dark green with a faint grain, the program's title and the screen's name in the top band.
void paintBackground(QPainter& painter, QSizeF screenSize, const QString& title, const QString& screenName);
// A recessed well behind a display, list or meter, so it reads as one part of the screen.
void paintWell(QPainter& painter, const QRectF& rect);
// A panel's caption: small capitals in the program's yellow, centred in `rect`.
void paintCaption(QPainter& painter, const QRectF& rect, const QString& text);
// How far a long piece of work has come (`fraction` 0-1): a thin yellow bar along the foot of
// `rect`, just below it, over a dark track.
void paintProgress(QPainter& painter, const QRectF& rect, double fraction);

// The drag cursors of the file browser's media list: 1006 for samples (a wave), 1007 for clips
// (a film strip), 32 × 32 at the pointer, with the arrow's tip at (0, 0).
inline constexpr int kSampleDragCursor = 1006;
inline constexpr int kClipDragCursor = 1007;
[[nodiscard]] QPixmap paintDragCursor(int cursorId, qreal devicePixelRatio);

// The folder whose PNG files replace faces: $XDG_DATA_HOME/tonwerk/art, ~/.local/share/tonwerk/art.
[[nodiscard]] std::filesystem::path userArtFolder();

// The face a user's PNG gives for `bitmapId`, scaled to the size; null when there is none.
[[nodiscard]] QPixmap userFace(const std::filesystem::path& folder, int bitmapId, QSize logicalSize,
                               qreal devicePixelRatio);

} // namespace tonwerk::art
