// The per-split performance effects applied by the dispatcher: the note gate (pedal filters,
// manner of playing, monophony, note number), note and velocity to controller, and the rules for
// controllers, aftertouch and pitch bend.
#include "Performance.h"

#include <algorithm>

namespace tonwerk::midi {

namespace {

int highestHeldKey(const NotePool& pool, const NoteList& list) {
    int key = 0;
    for (int i = list.head; i >= 0; i = pool.at(i).next) {
        key = std::max<int>(key, pool.at(i).inKey);
    }
    return key;
}

int lowestHeldKey(const NotePool& pool, const NoteList& list) {
    int key = 127;
    for (int i = list.head; i >= 0; i = pool.at(i).next) {
        key = std::min<int>(key, pool.at(i).inKey);
    }
    return key;
}

int curveOr(const Split& split, bool useCurve, int value) {
    return useCurve ? split.velocityCurve[static_cast<std::size_t>(value & 0x7F)] : value;
}

} // namespace

Performance::Gate Performance::leaveNoteOut(const Split& split) const {
    if (split.has(Sfx::kMannerOfPlaying)) {
        return Gate::SwallowPlaying;
    }
    if (split.has(Sfx::kMono)) {
        return Gate::SwallowMono;
    }
    return Gate::Skip;
}

Performance::Gate Performance::effectGate(Split& split, int index, int channel, int key, RunningNote& marks) {
    const std::uint8_t sustain = m_sustainState[static_cast<std::size_t>(channel)];
    if (split.has(Sfx::kPedalUpOnly) && sustain == 127) {
        return Gate::Skip;
    }
    if (split.has(Sfx::kPedalDownOnly) && sustain == 0) {
        return Gate::Skip;
    }
    if (split.has(Sfx::kStaccato)) {
        addSaturated(split.heldCount, 1);
        ++marks.heldIncrements;
        if (split.heldCount > split.playingLimit) {
            return Gate::SwallowPlaying;
        }
    }
    if (split.has(Sfx::kLegato)) {
        addSaturated(split.heldCount, 1);
        ++marks.heldIncrements;
        if (split.heldCount <= split.playingLimit) {
            return Gate::SwallowPlaying;
        }
    }
    NoteList& held = m_heldNotes[static_cast<std::size_t>(index)];
    auto hold = [&] {
        const int entry = m_pool.take(held);
        m_pool.at(entry).inChannel = static_cast<std::uint8_t>(channel);
        m_pool.at(entry).inKey = static_cast<std::uint8_t>(key);
        ++marks.monoEntries;
    };
    if (split.has(Sfx::kMonoHighest)) {
        const int highest = highestHeldKey(m_pool, held);
        hold();
        if (highest >= key) {
            return Gate::SwallowMono;
        }
    }
    if (split.has(Sfx::kMonoLowest)) {
        const int lowest = lowestHeldKey(m_pool, held);
        hold();
        if (lowest <= key) {
            return Gate::SwallowMono;
        }
    }
    // An interval below 1 (only a damaged file holds one) leaves no note out.
    if (split.has(Sfx::kNthNoteOnly) && split.noteInterval >= 1) {
        addSaturated(split.noteCounter, 1);
        if (split.noteCounter < split.noteInterval) {
            return leaveNoteOut(split);
        }
        split.noteCounter = 0;
    }
    if (split.has(Sfx::kNthNoteNot) && split.noteInterval >= 1) {
        addSaturated(split.noteCounter, 1);
        const int phase = index % split.noteInterval;
        if (static_cast<long long>(split.noteCounter) == static_cast<long long>(split.noteInterval) + phase) {
            split.noteCounter = phase;
            return leaveNoteOut(split);
        }
    }
    return Gate::Pass;
}

void Performance::sendControl(const Split& split, int controller, int value) {
    send(shortMessage(0xB0 | (split.midiOutChannel & 0x0F), dataByte(controller), dataByte(value)));
}

void Performance::sendOrStore(Split& split, std::uint8_t target, int value) {
    if (target < 128) {
        sendControl(split, target, value);
    } else if (split.parameterSlot < split.parameterValues.size()) {
        split.parameterValues[split.parameterSlot] = static_cast<std::uint8_t>(value);
    }
}

bool Performance::noteControllers(Split& split, int key, int velocity) {
    if (split.has(Sfx::kNoteToController)) {
        sendOrStore(split, split.noteTarget, curveOr(split, split.has(Sfx::kNoteCurve), key));
        if (split.noteTarget == 129) {
            return false;
        }
    }
    if (split.has(Sfx::kVelocityToController)) {
        sendOrStore(split, split.velocityTarget, curveOr(split, split.has(Sfx::kVelocityControllerCurve), velocity));
        if (split.velocityTarget == 129) {
            return false;
        }
    }
    return true;
}

void Performance::controllerRule(Split& split, int controller, int value) {
    if (controller == 64) {
        if ((split.has(Sfx::kControllerThru) || split.has(Sfx::kPedalUpOnly)) && !split.has(Sfx::kPedalDownOnly)) {
            sendControl(split, 64, value);
        }
        if (split.has(Sfx::kNoteNumber)) {
            split.noteCounter = split.noteCounterReset;
        }
        return;
    }
    if (!split.has(Sfx::kControllerThru)) {
        return;
    }
    if (split.has(Sfx::kControllerConvert) && controller < 120) {
        sendOrStore(split, split.controllerTarget, curveOr(split, split.has(Sfx::kControllerCurve), value));
        return;
    }
    sendControl(split, controller, value);
}

void Performance::pressureRule(Split& split, int status, int data1, int data2) {
    if (!split.has(Sfx::kAftertouchThru)) {
        return;
    }
    const bool poly = status == 0xA0;
    const int pressure = poly ? data2 : data1;
    if (split.has(Sfx::kPressureConvert)) {
        sendOrStore(split, split.pressureTarget, curveOr(split, split.has(Sfx::kPressureCurve), pressure));
        return;
    }
    const int channel = split.midiOutChannel & 0x0F;
    send(poly ? shortMessage(0xA0 | channel, data1, data2) : shortMessage(0xD0 | channel, data1));
}

void Performance::pitchRule(Split& split, int low, int high) {
    if (!split.has(Sfx::kPitchThru)) {
        return;
    }
    if (split.has(Sfx::kPitchConvert)) {
        sendOrStore(split, split.pitchTarget, curveOr(split, split.has(Sfx::kPitchCurve), high));
        return;
    }
    send(shortMessage(0xE0 | (split.midiOutChannel & 0x0F), low, high));
}

} // namespace tonwerk::midi
