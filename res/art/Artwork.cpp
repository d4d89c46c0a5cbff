#include "Artwork.h"

#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

namespace tonwerk::art {

namespace {

// The program's colours.
const QColor kGround(0x00, 0x4A, 0x00);
const QColor kButtonTop(0x00, 0xA0, 0x00);
const QColor kButtonBottom(0x00, 0x60, 0x00);
const QColor kButtonEdge(0x00, 0xD0, 0x00);
const QColor kPressedTop(0x00, 0x50, 0x00);
const QColor kPressedBottom(0x00, 0x80, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kCyan(0x00, 0xFF, 0xFF);
const QColor kRed(0xFF, 0x30, 0x20);
const QColor kOrange(0xFF, 0x90, 0x00);

// The pads' faces on each screen: normal, lit (its note sounds), held (its loop is held).
struct PadFaces {
    int normal;
    int lit;
    int held;
};
constexpr std::array<PadFaces, 16> kDjPads = {{{478, 461, 479},
                                               {480, 462, 481},
                                               {482, 463, 496},
                                               {483, 464, 497},
                                               {484, 465, 498},
                                               {485, 466, 499},
                                               {486, 467, 500},
                                               {487, 468, 501},
                                               {488, 470, 502},
                                               {489, 471, 503},
                                               {490, 472, 504},
                                               {491, 473, 505},
                                               {492, 474, 506},
                                               {493, 475, 507},
                                               {494, 476, 508},
                                               {495, 477, 509}}};
constexpr std::array<PadFaces, 16> kRockPads = {{{527, 526, 528},
                                                 {530, 529, 531},
                                                 {533, 532, 534},
                                                 {536, 535, 537},
                                                 {539, 538, 540},
                                                 {543, 542, 541},
                                                 {546, 545, 544},
                                                 {548, 547, 549},
                                                 {551, 552, 550},
                                                 {554, 553, 555},
                                                 {557, 556, 558},
                                                 {561, 560, 559},
                                                 {562, 563, 564},
                                                 {566, 567, 565},
                                                 {568, 570, 569},
                                                 {572, 571, 573}}};

constexpr const char* kPadLabels[16] = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                        "9", "10", "11", "12", "13", "14", "15", "16"};

const std::map<int, FaceInfo>& faceTable() {
    static const std::map<int, FaceInfo> table = [] {
        std::map<int, FaceInfo> t = {
            // Screens and sound memory modes.
            {518, {FaceKind::ScreenSwitch, "DJ"}},
            {519, {FaceKind::ScreenSwitch, "ROCK"}},
            {520, {FaceKind::ScreenSwitch, "MASTER"}},
            {515, {FaceKind::ScreenSwitch, "22k MONO"}},
            {517, {FaceKind::ScreenSwitch, "22k STEREO"}},
            {516, {FaceKind::ScreenSwitch, "44k STEREO"}},
            // Push buttons, Master faces then DJ/Rock faces.
            {579, {FaceKind::Button, "HELP"}},
            {437, {FaceKind::Button, "HELP"}},
            {580, {FaceKind::Button, "OPEN"}},
            {433, {FaceKind::Button, "OPEN"}},
            {585, {FaceKind::Button, "SAVE"}},
            {435, {FaceKind::Button, "SAVE"}},
            {578, {FaceKind::Button, "EXIT"}},
            {394, {FaceKind::Button, "EXIT"}},
            {582, {FaceKind::Button, "PANIC"}},
            {439, {FaceKind::Button, "PANIC"}},
            {581, {FaceKind::Button, "MENU"}},
            {438, {FaceKind::Button, "MENU"}},
            {587, {FaceKind::Button, "VELO"}},
            {588, {FaceKind::Button, "SFX"}},
            {589, {FaceKind::Button, "MIDI"}},
            {592, {FaceKind::Button, "MIDI", FaceState::Lit}},
            {591, {FaceKind::Button, "WAVE"}},
            {594, {FaceKind::Button, "WAVE", FaceState::Lit}},
            {590, {FaceKind::Button, "VIDEO"}},
            {593, {FaceKind::Button, "VIDEO", FaceState::Lit}},
            // Transport.
            {577, {FaceKind::Transport, "BREAK"}},
            {602, {FaceKind::Transport, "BREAK"}},
            {583, {FaceKind::Transport, "PLAY"}},
            {441, {FaceKind::Transport, "PLAY"}},
            {574, {FaceKind::Transport, "PLAY"}},
            {586, {FaceKind::Transport, "STOP"}},
            {442, {FaceKind::Transport, "STOP"}},
            {576, {FaceKind::Transport, "STOP"}},
            {584, {FaceKind::Transport, "REC"}},
            {440, {FaceKind::Transport, "REC"}},
            {575, {FaceKind::Transport, "REC"}},
            // Arrows: values, positions, the split list and the file lists.
            {604, {FaceKind::ArrowUp, "up"}},
            {513, {FaceKind::ArrowUp, "up"}},
            {605, {FaceKind::ArrowDown, "down"}},
            {512, {FaceKind::ArrowDown, "down"}},
            {511, {FaceKind::ArrowUp, "forward"}},
            {510, {FaceKind::ArrowDown, "back"}},
            {612, {FaceKind::ArrowUp, "up"}},
            {611, {FaceKind::ArrowDown, "down"}},
            {447, {FaceKind::ArrowUp, "folders up"}},
            {449, {FaceKind::ArrowDown, "folders down"}},
            {454, {FaceKind::ArrowUp, "setups up"}},
            {452, {FaceKind::ArrowDown, "setups down"}},
            {450, {FaceKind::ArrowLeft, "media back"}},
            {451, {FaceKind::ArrowRight, "media forward"}},
            {455, {FaceKind::ArrowLeft, "styles back"}},
            {456, {FaceKind::ArrowRight, "styles forward"}},
            // Video.
            {457, {FaceKind::Video, "1"}},
            {458, {FaceKind::Video, "2"}},
            {459, {FaceKind::Zoom, "ZOOM"}},
            // The split list's row lights.
            {kRowOff, {FaceKind::Led, ""}},
            {kRowOn, {FaceKind::Led, "", FaceState::Pressed}},
            {kRowMuted, {FaceKind::Led, "", FaceState::Held}},
            {kRowSounding, {FaceKind::Led, "", FaceState::Lit}},
            {kSoloOff, {FaceKind::Led, "S"}},
            {kSoloOn, {FaceKind::Led, "S", FaceState::Pressed}},
            // Sliders.
            {kVerticalKnob, {FaceKind::Knob, ""}},
            {kVerticalKnobAtReset, {FaceKind::Knob, "", FaceState::Lit}},
            {kVerticalTrack, {FaceKind::Track, ""}},
            {kHorizontalKnob, {FaceKind::Knob, ""}},
            {kHorizontalKnobAtReset, {FaceKind::Knob, "", FaceState::Lit}},
            {kHorizontalTrack, {FaceKind::Track, ""}},
        };
        for (const auto* pads : {&kDjPads, &kRockPads}) {
            for (std::size_t i = 0; i < pads->size(); ++i) {
                t[(*pads)[i].normal] = {FaceKind::Pad, kPadLabels[i], FaceState::Normal};
                t[(*pads)[i].lit] = {FaceKind::Pad, kPadLabels[i], FaceState::Lit};
                t[(*pads)[i].held] = {FaceKind::Pad, kPadLabels[i], FaceState::Held};
            }
        }
        return t;
    }();
    return table;
}

// The largest font size (pixels) at which `text` fits `box`, at most `most`.
QFont fittingFont(const QString& text, QSizeF box, qreal most, bool bold = true) {
    QFont font;
    font.setBold(bold);
    // In half pixels, from the largest the box allows down to 5 pixels.
    int halves = static_cast<int>(2 * std::max<qreal>(5.0, std::min(most, box.height())));
    for (; halves > 10; --halves) {
        font.setPixelSize(halves / 2);
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(text) <= box.width() && metrics.height() * 0.8 <= box.height()) {
            break;
        }
    }
    font.setPixelSize(std::max(5, halves / 2));
    return font;
}

void drawLabel(QPainter& p, const QRectF& box, const QString& text, const QColor& colour, qreal most) {
    if (text.isEmpty() || box.width() < 4 || box.height() < 4) {
        return;
    }
    p.setFont(fittingFont(text, box.size(), most));
    // A dark outline first: the label reads on any face.
    p.setPen(QColor(0, 0, 0, 160));
    p.drawText(box.translated(0.6, 0.6), Qt::AlignCenter, text);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

void drawBody(QPainter& p, const QRectF& r, bool pressed, const QColor& edge, qreal radius) {
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, pressed ? kPressedTop : kButtonTop);
    fill.setColorAt(1, pressed ? kPressedBottom : kButtonBottom);
    p.setBrush(fill);
    p.setPen(QPen(edge, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void drawArrow(QPainter& p, const QRectF& r, FaceKind kind, bool pressed) {
    drawBody(p, r, pressed, kButtonEdge, std::min(r.width(), r.height()) / 4);
    const qreal s = std::min(r.width(), r.height()) * 0.32;
    const QPointF c = r.center() + (pressed ? QPointF(0.5, 0.5) : QPointF());
    QPolygonF triangle;
    switch (kind) {
    case FaceKind::ArrowUp:
        triangle << QPointF(c.x(), c.y() - s) << QPointF(c.x() + s * 1.2, c.y() + s * 0.8)
                 << QPointF(c.x() - s * 1.2, c.y() + s * 0.8);
        break;
    case FaceKind::ArrowDown:
        triangle << QPointF(c.x(), c.y() + s) << QPointF(c.x() + s * 1.2, c.y() - s * 0.8)
                 << QPointF(c.x() - s * 1.2, c.y() - s * 0.8);
        break;
    case FaceKind::ArrowLeft:
        triangle << QPointF(c.x() - s, c.y()) << QPointF(c.x() + s * 0.8, c.y() - s * 1.2)
                 << QPointF(c.x() + s * 0.8, c.y() + s * 1.2);
        break;
    default:
        triangle << QPointF(c.x() + s, c.y()) << QPointF(c.x() - s * 0.8, c.y() - s * 1.2)
                 << QPointF(c.x() - s * 0.8, c.y() + s * 1.2);
        break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kYellow);
    p.drawPolygon(triangle);
}

void drawTransportSymbol(QPainter& p, const QRectF& box, const QString& label) {
    const qreal s = std::min(box.width(), box.height());
    const QRectF sym(box.center().x() - s / 2, box.center().y() - s / 2, s, s);
    p.setPen(Qt::NoPen);
    if (label == "REC") {
        p.setBrush(kRed);
        p.drawEllipse(sym.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1));
    } else if (label == "PLAY") {
        p.setBrush(kYellow);
        p.drawPolygon(QPolygonF() << QPointF(sym.left() + s * 0.15, sym.top() + s * 0.1)
                                  << QPointF(sym.right() - s * 0.05, sym.center().y())
                                  << QPointF(sym.left() + s * 0.15, sym.bottom() - s * 0.1));
    } else if (label == "STOP") {
        p.setBrush(kYellow);
        p.drawRect(sym.adjusted(s * 0.15, s * 0.15, -s * 0.15, -s * 0.15));
    } else {
        p.setBrush(kYellow);
        p.drawRect(QRectF(sym.left() + s * 0.15, sym.top() + s * 0.12, s * 0.25, s * 0.76));
        p.drawRect(QRectF(sym.right() - s * 0.4, sym.top() + s * 0.12, s * 0.25, s * 0.76));
    }
}

void drawFace(QPainter& p, QSizeF size, const FaceInfo& info, bool pressed) {
    const QRectF r(QPointF(0, 0), size);
    const QString label = QString::fromUtf8(info.label);
    const bool down = pressed || info.state == FaceState::Pressed;
    switch (info.kind) {
    case FaceKind::ArrowUp:
    case FaceKind::ArrowDown:
    case FaceKind::ArrowLeft:
    case FaceKind::ArrowRight:
        drawArrow(p, r, info.kind, down);
        return;
    case FaceKind::ScreenSwitch:
        if (down) {
            // The screen or mode in force: a lit face, dark text.
            p.setBrush(kYellow);
            p.setPen(QPen(kCyan, 1));
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
            drawLabel(p, r.adjusted(3, 1, -3, -1), label, Qt::black, 13);
            return;
        }
        drawBody(p, r, false, kButtonEdge, 3);
        drawLabel(p, r.adjusted(3, 1, -3, -1), label, kYellow, 13);
        return;
    case FaceKind::Transport: {
        drawBody(p, r, down, down ? kYellow : kButtonEdge, 4);
        const QRectF inner = r.adjusted(3, 3, -3, -3).translated(down ? 0.5 : 0, down ? 0.5 : 0);
        if (inner.width() > inner.height() * 2.2) {
            // Symbol on the left, label beside it.
            const QRectF symbol(inner.left(), inner.top(), inner.height(), inner.height());
            drawTransportSymbol(p, symbol, label);
            drawLabel(p, inner.adjusted(inner.height() + 2, 0, 0, 0), label, kYellow, 16);
        } else {
            drawTransportSymbol(p, inner, label);
        }
        return;
    }
    case FaceKind::Pad: {
        const qreal radius = std::min(r.width(), r.height()) * 0.3;
        QRadialGradient glow(r.center(), std::max(r.width(), r.height()) * 0.7);
        if (info.state == FaceState::Lit || down) {
            glow.setColorAt(0, QColor(0xFF, 0xFF, 0x90));
            glow.setColorAt(1, QColor(0xC0, 0xE0, 0x00));
        } else {
            glow.setColorAt(0, QColor(0x00, 0x90, 0x00));
            glow.setColorAt(1, QColor(0x00, 0x40, 0x00));
        }
        p.setBrush(glow);
        p.setPen(QPen(info.state == FaceState::Held ? kOrange : kButtonEdge, info.state == FaceState::Held ? 2 : 1));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
        const QColor text = info.state == FaceState::Lit || down ? Qt::black : kYellow;
        p.setFont(fittingFont(label, r.adjusted(3, 2, -3, -2).size(), 14));
        p.setPen(text);
        p.drawText(r, Qt::AlignCenter, label);
        return;
    }
    case FaceKind::Video: {
        drawBody(p, r, down, down ? kYellow : kButtonEdge, 3);
        drawLabel(p, QRectF(r.left() + 1, r.top() + 2, r.width() - 2, r.height() / 2 - 2), "V", kCyan, 12);
        drawLabel(p, QRectF(r.left() + 1, r.center().y(), r.width() - 2, r.height() / 2 - 2), label, kYellow, 12);
        return;
    }
    case FaceKind::Zoom:
        drawBody(p, r, down, kButtonEdge, 2);
        drawLabel(p, r, label, kYellow, 9);
        return;
    case FaceKind::Knob: {
        // A fader cap: raised, with a grip line across the direction it moves.
        const bool atReset = info.state == FaceState::Lit;
        QLinearGradient fill(r.topLeft(), r.width() > r.height() ? r.bottomLeft() : r.topRight());
        fill.setColorAt(0, atReset ? QColor(0xFF, 0xFF, 0x80) : QColor(0xE0, 0xE0, 0xD0));
        fill.setColorAt(1, atReset ? QColor(0xC0, 0xA0, 0x00) : QColor(0x70, 0x70, 0x68));
        p.setBrush(fill);
        p.setPen(QPen(Qt::black, 1));
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        p.setPen(QPen(atReset ? Qt::black : kGround, 1.5));
        if (r.width() > r.height()) {
            p.drawLine(QPointF(r.center().x(), r.top() + 3), QPointF(r.center().x(), r.bottom() - 3));
        } else {
            p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
        }
        return;
    }
    case FaceKind::Led: {
        // A round light in a dark socket: off dark green, on green, muted amber, sounding
        // yellow; the solo light is cyan when on.
        const bool solo = !label.isEmpty();
        QColor light(0x00, 0x38, 0x00);
        if (info.state == FaceState::Pressed || (pressed && info.state == FaceState::Normal)) {
            light = solo ? kCyan : QColor(0x20, 0xF0, 0x20);
        } else if (info.state == FaceState::Held) {
            light = kOrange;
        } else if (info.state == FaceState::Lit) {
            light = kYellow;
        }
        p.setBrush(QColor(0x00, 0x10, 0x00));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(r, 2, 2);
        QRadialGradient glow(r.center() - QPointF(r.width() * 0.15, r.height() * 0.15), r.width() * 0.6);
        glow.setColorAt(0, light.lighter(150));
        glow.setColorAt(1, light);
        p.setBrush(glow);
        p.drawEllipse(r.adjusted(1, 1, -1, -1));
        if (solo) {
            drawLabel(p, r.adjusted(1, 1, -1, -1), label, light == kCyan ? Qt::black : kCyan, 8);
        }
        return;
    }
    case FaceKind::Track: {
        // A dark slot along the longer side, on white so a transparent slider shows the screen.
        p.fillRect(r, Qt::white);
        const bool horizontal = r.width() > r.height();
        const qreal slot = std::max<qreal>(3, std::min(r.width(), r.height()) * 0.3);
        const QRectF groove = horizontal ? QRectF(r.left() + 2, r.center().y() - slot / 2, r.width() - 4, slot)
                                         : QRectF(r.center().x() - slot / 2, r.top() + 2, slot, r.height() - 4);
        p.setBrush(QColor(0x10, 0x18, 0x10));
        p.setPen(QPen(QColor(0x00, 0x90, 0x00), 1));
        p.drawRoundedRect(groove, slot / 2, slot / 2);
        return;
    }
    case FaceKind::Button:
    case FaceKind::Unknown:
        break;
    }
    const bool lit = info.state == FaceState::Lit;
    drawBody(p, r, down || lit, lit ? kYellow : kButtonEdge, 3);
    drawLabel(p, r.adjusted(2, 1, -2, -1).translated(down ? 0.5 : 0, down ? 0.5 : 0), label, lit ? kCyan : kYellow, 16);
}

} // namespace

FaceInfo faceInfo(int bitmapId) {
    const auto& table = faceTable();
    const auto it = table.find(bitmapId);
    return it == table.end() ? FaceInfo{} : it->second;
}

QPixmap paintFace(int bitmapId, QSize logicalSize, qreal devicePixelRatio, bool pressed) {
    const QSize pixels = (QSizeF(logicalSize) * devicePixelRatio).toSize();
    QPixmap face(pixels.expandedTo(QSize(1, 1)));
    face.setDevicePixelRatio(devicePixelRatio);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawFace(p, QSizeF(logicalSize), faceInfo(bitmapId), pressed);
    return face;
}

void paintBackground(QPainter& painter, QSizeF screenSize, const QString& title, const QString& screenName) {
    const QRectF all(QPointF(0, 0), screenSize);
    QLinearGradient ground(all.topLeft(), all.bottomLeft());
    ground.setColorAt(0, QColor(0x00, 0x30, 0x00));
    ground.setColorAt(0.25, kGround);
    ground.setColorAt(1, QColor(0x00, 0x3A, 0x00));
    painter.fillRect(all, ground);
    // A faint grain of horizontal lines: the ground reads as a surface, not as an empty window.
    painter.setPen(QPen(QColor(0, 0, 0, 28), 1));
    for (int y = 2; y < static_cast<int>(screenSize.height()); y += 4) {
        painter.drawLine(QPointF(0, y + 0.5), QPointF(screenSize.width(), y + 0.5));
    }
    // The top band: title and screen name between the two banks of meters.
    const QRectF band(240, 6, 320, 58);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawLabel(painter, QRectF(band.left(), band.top(), band.width(), 32), title, kYellow, 26);
    drawLabel(painter, QRectF(band.left(), band.top() + 34, band.width(), 20), screenName, kCyan, 16);
    painter.setPen(QPen(QColor(0x00, 0x90, 0x00), 1));
    painter.drawLine(QPointF(band.left() + 40, band.top() + 32.5), QPointF(band.right() - 40, band.top() + 32.5));
}

void paintWell(QPainter& painter, const QRectF& rect) {
    const QRectF well = rect.adjusted(-1, -1, 1, 1);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x00, 0x18, 0x00), 1));
    painter.setBrush(QColor(0x00, 0x22, 0x00));
    painter.drawRoundedRect(well.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    // The lower right edge catches the light.
    painter.setPen(QPen(QColor(0x00, 0x80, 0x00), 1));
    painter.drawLine(QPointF(well.left() + 2, well.bottom() - 0.5), QPointF(well.right() - 1, well.bottom() - 0.5));
    painter.drawLine(QPointF(well.right() - 0.5, well.top() + 2), QPointF(well.right() - 0.5, well.bottom() - 1));
}

void paintCaption(QPainter& painter, const QRectF& rect, const QString& text) {
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawLabel(painter, rect, text, kYellow, 11);
}

void paintProgress(QPainter& painter, const QRectF& rect, double fraction) {
    const QRectF track(rect.left(), rect.bottom() + 1, rect.width(), 2);
    painter.fillRect(track, QColor(0, 0, 0, 180));
    painter.fillRect(QRectF(track.topLeft(), QSizeF(track.width() * std::clamp(fraction, 0.0, 1.0), track.height())),
                     kYellow);
}

QPixmap paintDragCursor(int cursorId, qreal devicePixelRatio) {
    constexpr int kSize = 32;
    QPixmap cursor(QSize(kSize, kSize) * devicePixelRatio);
    cursor.setDevicePixelRatio(devicePixelRatio);
    cursor.fill(Qt::transparent);
    QPainter painter(&cursor);
    painter.setRenderHint(QPainter::Antialiasing);
    // The arrow, black with a white edge so it reads on any ground.
    const QPolygonF arrow({{0, 0}, {0, 15}, {4, 11}, {7, 17}, {9, 16}, {6, 10}, {11, 10}});
    painter.setPen(QPen(Qt::white, 1.2));
    painter.setBrush(Qt::black);
    painter.drawPolygon(arrow);
    // The card it carries: the program's green with a yellow edge.
    const QRectF card(12, 14, 19, 15);
    painter.setPen(QPen(QColor(0xFF, 0xE0, 0x00), 1.2));
    painter.setBrush(QColor(0x00, 0x4A, 0x00));
    painter.drawRoundedRect(card, 2, 2);
    painter.setPen(QPen(QColor(0xFF, 0xE0, 0x00), 1.4));
    if (cursorId == kClipDragCursor) {
        // A film strip: two rows of holes and a frame between them.
        for (int i = 0; i < 4; ++i) {
            painter.drawPoint(QPointF(14.5 + i * 4.5, 16.5));
            painter.drawPoint(QPointF(14.5 + i * 4.5, 26.5));
        }
        painter.drawRect(QRectF(15, 19, 13, 5));
    } else {
        // A wave.
        QPainterPath wave;
        wave.moveTo(14, 21.5);
        for (int x = 0; x <= 15; ++x) {
            wave.lineTo(14 + x, 21.5 - 4.5 * std::sin(x * 0.85));
        }
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(wave);
    }
    return cursor;
}

std::filesystem::path userArtFolder() {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): read on the UI thread while nothing sets the environment
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
        return std::filesystem::path(data) / "tonwerk" / "art";
    }
    // NOLINTNEXTLINE(concurrency-mt-unsafe): as above
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "") / ".local" / "share" / "tonwerk" / "art";
}

QPixmap userFace(const std::filesystem::path& folder, int bitmapId, QSize logicalSize, qreal devicePixelRatio) {
    const QString file = QString::fromStdString((folder / (std::to_string(bitmapId) + ".png")).string());
    if (!QFileInfo::exists(file)) {
        return {};
    }
    QPixmap picture(file);
    if (picture.isNull()) {
        return {};
    }
    QPixmap scaled = picture.scaled((QSizeF(logicalSize) * devicePixelRatio).toSize(), Qt::IgnoreAspectRatio,
                                    Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(devicePixelRatio);
    return scaled;
}

} // namespace tonwerk::art
