#include "PcKeyboard.h"

#include <algorithm>

namespace tonwerk::midi {

namespace {

// Set-1 scan codes of the keys the PC keyboard plays with.
constexpr int kScanSpace = 57;
constexpr int kScanInsert = 82;
constexpr int kScanDelete = 83;
constexpr int kScanC = 46;
constexpr int kScanV = 47;
constexpr int kScanNine = 10;
constexpr int kScanZero = 11;

struct NoteKey {
    int scanCode;
    int offset;
};
// The bottom letter row (with the key left of it) the white keys, the home row the black keys.
constexpr NoteKey kNoteKeys[] = {{86, 0},  {44, 2},  {45, 4},  {46, 5},  {47, 7}, {48, 9}, {49, 11},
                                 {50, 12}, {51, 14}, {52, 16}, {53, 17}, {30, 1}, {31, 3}, {33, 6},
                                 {34, 8},  {35, 10}, {37, 13}, {38, 15}, {40, 18}};

// The keypad's eight keys stand for pads 8-15.
constexpr int kKeypadPads[] = {79, 80, 81, 75, 76, 77, 71, 72};

constexpr int kStatusNoteOn = 0x90;
constexpr int kStatusNoteOff = 0x80;
constexpr int kStatusControl = 0xB0;
constexpr int kSustainPedal = 64;
constexpr int kAlternativeTrigger = 103;

} // namespace

PcKey pcKeyAt(int scanCode, bool ctrl) {
    if (ctrl && scanCode == kScanC) {
        return {PcKeyKind::Copy, 0};
    }
    if (ctrl && scanCode == kScanV) {
        return {PcKeyKind::Paste, 0};
    }
    for (const NoteKey& key : kNoteKeys) {
        if (key.scanCode == scanCode) {
            return {PcKeyKind::Note, key.offset};
        }
    }
    if (scanCode >= 2 && scanCode <= 9) {
        return {PcKeyKind::Pad, scanCode - 2};
    }
    if (scanCode >= 16 && scanCode <= 23) {
        return {PcKeyKind::Pad, scanCode - 16 + 8};
    }
    for (int i = 0; i < 8; ++i) {
        if (kKeypadPads[i] == scanCode) {
            return {PcKeyKind::Pad, 8 + i};
        }
    }
    switch (scanCode) {
    case kScanSpace:
        return {PcKeyKind::Sustain, 0};
    case kScanNine:
        return {PcKeyKind::ClipToggle, 17};
    case kScanZero:
        return {PcKeyKind::ClipToggle, 18};
    case kScanInsert:
        return {PcKeyKind::Stop, 0};
    case kScanDelete:
        return {PcKeyKind::Record, 0};
    default:
        return {};
    }
}

int pcPadNote(ScreenKind screen, int pad, bool rockReplacement) {
    const int key = pad < 8 ? 36 + pad : 76 + pad;
    if (rockReplacement && key == 91 && (screen == ScreenKind::Rock || screen == ScreenKind::Easy)) {
        return 60;
    }
    return key;
}

int keyboardLabelString(std::uint32_t keyboardLayout) { return (keyboardLayout & 0xFFFFU) == 1033 ? 3151 : 3150; }

bool PcKeyboard::held(int scanCode) const {
    return std::any_of(m_held.begin(), m_held.end(), [scanCode](const Held& h) { return h.scanCode == scanCode; });
}

int PcKeyboard::heldCount() const {
    return static_cast<int>(std::count_if(m_held.begin(), m_held.end(), [](const Held& h) { return h.scanCode >= 0; }));
}

void PcKeyboard::remember(int scanCode, ShortMessage release, bool note) {
    // Filled in turn; the 65th held key takes the oldest slot. Its release is sent first: the
    // note it stands for would otherwise never end.
    Held& slot = m_held[m_nextSlot];
    if (slot.scanCode >= 0) {
        this->release(slot);
    }
    slot = {scanCode, release, note};
    m_nextSlot = (m_nextSlot + 1) % kHeldKeys;
}

void PcKeyboard::keyDown(int scanCode, bool ctrl, bool shift) {
    const PcKey key = pcKeyAt(scanCode, ctrl);
    switch (key.kind) {
    case PcKeyKind::Copy:
        m_host.copySplit();
        return;
    case PcKeyKind::Paste:
        m_host.pasteSplit();
        return;
    case PcKeyKind::Stop:
        m_host.showStopPressed();
        break;
    default:
        break;
    }
    if (!m_settings.active || held(scanCode)) {
        return;
    }
    const int channel = std::clamp(m_settings.channel, 0, 15);
    switch (key.kind) {
    case PcKeyKind::Note: {
        const int note =
            m_settings.screen == ScreenKind::Master ? key.value + 12 * m_settings.octave + 24 : key.value + 48;
        if (note < 0 || note > 127) {
            return; // an octave that leaves the MIDI range plays nothing
        }
        remember(scanCode, shortMessage(kStatusNoteOff + channel, note, 0), true);
        m_host.injectNote(shortMessage(kStatusNoteOn + channel, note, 127));
        return;
    }
    case PcKeyKind::Pad: {
        if (shift) {
            m_host.toggleLoopHold(key.value);
            return;
        }
        // Ctrl: the alternative trigger for the next note, and the pad's own key.
        const int note = pcPadNote(m_settings.screen, key.value, !ctrl);
        remember(scanCode, shortMessage(kStatusNoteOff + channel, note, 0), true);
        if (ctrl) {
            m_host.injectMessage(shortMessage(kStatusControl, kAlternativeTrigger, 127));
        }
        m_host.injectNote(shortMessage(kStatusNoteOn + channel, note, 127));
        return;
    }
    case PcKeyKind::ClipToggle: {
        const int note = key.value == 17 ? 47 : 95;
        remember(scanCode, shortMessage(kStatusNoteOff, key.value == 17 ? 126 : 127, 0), false);
        if (m_settings.screen == ScreenKind::Master) {
            return;
        }
        if (m_host.clipRunning(key.value)) {
            m_host.injectMessage(shortMessage(kStatusNoteOff, note, 0));
        } else {
            m_host.injectMessage(shortMessage(kStatusNoteOn, note, 127));
        }
        return;
    }
    case PcKeyKind::Sustain:
        remember(scanCode, shortMessage(kStatusControl, kSustainPedal, 0), false);
        m_host.injectMessage(shortMessage(kStatusControl, kSustainPedal, 127));
        return;
    default:
        return;
    }
}

void PcKeyboard::keyUp(int scanCode) {
    const PcKey key = pcKeyAt(scanCode, false);
    if (key.kind == PcKeyKind::Stop) {
        m_host.stop(); // Stop works with the PC keyboard off too
    }
    if (!m_settings.active) {
        return;
    }
    if (key.kind == PcKeyKind::Record) {
        m_host.toggleRecord();
    }
    for (Held& slot : m_held) {
        if (slot.scanCode == scanCode) {
            release(slot);
        }
    }
}

void PcKeyboard::releaseAll() {
    for (Held& slot : m_held) {
        if (slot.scanCode >= 0) {
            release(slot);
        }
    }
}

void PcKeyboard::release(Held& slot) {
    if (slot.release != 0) {
        if (slot.note) {
            m_host.injectNote(slot.release);
        } else {
            m_host.injectMessage(slot.release);
        }
    }
    slot = Held{};
}

} // namespace tonwerk::midi
