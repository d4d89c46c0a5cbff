#include "Performance.h"

#include <algorithm>

namespace tonwerk::midi {

namespace {

constexpr int kStatusNoteOff = 0x80;
constexpr int kStatusNoteOn = 0x90;
constexpr int kStatusPolyPressure = 0xA0;
constexpr int kStatusControl = 0xB0;
constexpr int kStatusProgram = 0xC0;
constexpr int kStatusChannelPressure = 0xD0;
constexpr int kStatusPitchBend = 0xE0;

constexpr int kSustainPedal = 64;

int clampVelocity(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, 127)); }

// The channel a split sends on: the low four bits of its output channel, for every message, so a
// stored channel above 15 can never turn one kind of message into another.
int outChannel(const Split& split) { return split.midiOutChannel & 0x0F; }

std::int32_t screenMaskFor(ScreenKind screen) {
    switch (screen) {
    case ScreenKind::Master:
    case ScreenKind::Easy:
        return 1;
    case ScreenKind::Rock:
        return 2;
    case ScreenKind::Dj:
        break;
    }
    return 4;
}

} // namespace

Performance::Performance(MidiOutput& output, VoiceOperations& voices, ScreenFeedback& screen, SongLink& song)
    : m_output(output), m_voices(voices), m_screen(screen), m_song(song) {
    newSetups();
    initNotePool();
}

void Performance::resetSplit(int setupNumber, int index) {
    midi::resetSplit(split(index), setupNumber, index, screenMaskFor(m_options.screen));
}

void Performance::newSetups() {
    for (int slot = 0; slot < kSetupSlots; ++slot) {
        Setup& setup = m_setups[static_cast<std::size_t>(slot)];
        setup.setupName.fill('\0');
        setup.setupNumber = slot;
        for (int i = 0; i < kSplitCount; ++i) {
            midi::resetSplit(setup.splits[static_cast<std::size_t>(i)], slot, i, screenMaskFor(m_options.screen));
        }
    }
    selectSetup(0);
    m_currentProgram = 0;
    m_currentSplit = 0;
    m_song.setTempo(split(0).setupTempo);
}

void Performance::selectSetup(int slot) {
    // The pointer is read by the engines' other threads (through split()); it is written only when
    // it changes, which needs more than one slot in memory.
    if (slot >= 0 && slot < kSetupSlots && m_currentSetup != &m_setups[static_cast<std::size_t>(slot)]) {
        m_currentSetup = &m_setups[static_cast<std::size_t>(slot)];
    }
}

void Performance::initNotePool() {
    m_pool.reset();
    m_activeNotes = NoteList{};
    m_heldNotes.fill(NoteList{});
    m_sustainState.fill(0);
}

int Performance::findNote(int key, int channel, bool latched) const {
    for (int i = m_activeNotes.head; i >= 0; i = m_pool.at(i).next) {
        const RunningNote& note = m_pool.at(i);
        if (note.inChannel != channel || (key != -1 && note.inKey != key)) {
            continue;
        }
        // Only a sample note can be latched, whatever its split has become since.
        const bool isLatched = note.split >= 0 && static_cast<SplitTask>(note.task) == SplitTask::Sample &&
                               (m_currentSetup->splits[static_cast<std::size_t>(int{note.split})].sample.playFlags &
                                PlayFlag::kLatched) != 0;
        if (key == -1 || isLatched == latched) {
            return i;
        }
    }
    return -1;
}

int Performance::findRunningNote(int key, int channel) const { return findNote(key, channel, false); }

int Performance::findLatchedNote(int key, int channel) const { return findNote(key, channel, true); }

void Performance::onMidiData(MidiSource source, ShortMessage message) {
    m_thread.check("Performance::onMidiData");
    const int data2 = static_cast<int>((message >> 16) & 0xFF);
    if (source == MidiSource::User && data2 != 0) {
        const int velocity =
            (m_options.keyboardVelocity < 0 || m_options.keyboardVelocity > 127) ? 127 : m_options.keyboardVelocity;
        message = shortMessage(kStatusNoteOn + static_cast<int>(message & 0x0F),
                               static_cast<int>((message >> 8) & 0xFF), velocity);
    }
    dispatch(message);

    if (m_options.screen != ScreenKind::Master) {
        m_screen.padLights(message);
    }
    m_screen.velocityMeters(m_lastVelocity.data(), 16);

    const int status = static_cast<int>(message & 0xFF);
    if (m_options.programChangeSelectsSetup && (status & 0xF0) == kStatusProgram) {
        selectSetupByProgram(static_cast<int>((message >> 8) & 0xFF));
    }
    if (m_options.markNotes) {
        m_screen.noteDisplay(message);
    }
}

void Performance::sendProgramChange(const Split& split) {
    send(shortMessage(kStatusProgram | outChannel(split), dataByte(split.program)));
}

void Performance::selectSetupByProgram(int program) {
    if (program >= kSetupSlots) {
        return;
    }
    m_currentProgram = program;
    m_currentSplit = 0;
    m_pendingPedalReset = true;
    selectSetup(program);
    for (int i = 0; i < kSplitCount; ++i) {
        const Split& s = split(i);
        m_screen.splitLineChanged(i);
        if (s.isOn()) {
            sendProgramChange(s);
        }
    }
    m_screen.splitSelected(0);
    m_screen.refresh();
}

void Performance::dispatch(ShortMessage message) {
    const int status = static_cast<int>(message & 0xFF);
    const int kind = status & 0xF0;
    if (kind > kStatusPitchBend || kind < kStatusNoteOff) {
        return; // system messages, and data bytes where a status belongs
    }
    if (m_song.state() == SongLink::State::Recording) {
        if (m_options.screen == ScreenKind::Dj && m_song.restartClockPending()) {
            m_song.record(shortMessage(kStatusControl, 16, dataByte(split(0).crossfaderValue)));
        }
        m_song.record(message);
    }
    const int channel = status & 0x0F;
    // Data bytes are 7 bits; a stray high bit from an injector must not index past a curve.
    const int data1 = static_cast<int>((message >> 8) & 0x7F);
    const int data2 = static_cast<int>((message >> 16) & 0x7F);

    switch (kind) {
    case kStatusNoteOn:
        if (data2 != 0) {
            noteOn(channel, data1, data2);
            break;
        }
        noteOff(channel, data1);
        break;
    case kStatusNoteOff:
        noteOff(channel, data1);
        break;
    case kStatusControl:
        controlChange(channel, data1, data2);
        break;
    case kStatusPolyPressure:
    case kStatusChannelPressure:
        for (Split& s : m_currentSetup->splits) {
            if (s.isOn() && s.midiInChannel == channel) {
                pressureRule(s, kind, data1, data2);
            }
        }
        break;
    case kStatusPitchBend:
        for (Split& s : m_currentSetup->splits) {
            if (s.isOn() && s.midiInChannel == channel) {
                pitchRule(s, data1, data2);
            }
        }
        break;
    default:
        break; // program change: handled by onMidiData
    }
}

void Performance::noteOn(int channel, int key, int velocity) {
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = split(i);
        if (!s.isOn() || s.midiInChannel != channel || key < s.keyLow || key > s.keyHigh || velocity < s.velocityMin ||
            velocity > s.velocityMax || s.velocityCurve[static_cast<std::size_t>(velocity)] == 0) {
            continue;
        }
        velocity = clampVelocity(static_cast<long long>(velocity) + s.velocityOffset);
        m_lastVelocity[static_cast<std::size_t>(i)] = velocity;
        s.lastIndex = i;

        long long outKey = 0;
        int outVelocity = 0;
        if (!s.has(Sfx::kConstantPitch)) {
            outKey = static_cast<long long>(key) + s.transpose;
            outVelocity = s.velocityCurve[static_cast<std::size_t>(velocity)];
        } else if (!s.has(Sfx::kConstantPitchFromCurve)) {
            outKey = static_cast<long long>(s.transpose) + 60;
            outVelocity = s.velocityCurve[static_cast<std::size_t>(velocity)];
        } else {
            outKey = s.velocityCurve[static_cast<std::size_t>(key)];
            outVelocity = velocity;
        }
        outVelocity = dataByte(outVelocity);
        // A key outside 0–127 cannot be sent, and a forwarded note-on of velocity 0 would be a
        // note-off: such a split does not sound the note at all.
        if (outKey < 0 || outKey > 127 || (s.taskKind() == SplitTask::Midi && outVelocity == 0)) {
            continue;
        }
        // Monophony needs a heldNotes entry per monophony bit besides the running note.
        const int needed = 1 + (s.has(Sfx::kMonoHighest) ? 1 : 0) + (s.has(Sfx::kMonoLowest) ? 1 : 0);
        if (m_pool.freeCount() < needed) {
            continue;
        }

        RunningNote marks;
        Gate gate = s.sfxFlags != 0 ? effectGate(s, i, channel, key, marks) : Gate::Pass;
        if (gate == Gate::Pass && !noteControllers(s, key, velocity)) {
            // A target of 129 drops the note; what the gate counted is still undone at note-off.
            gate = marks.heldIncrements != 0 ? Gate::SwallowPlaying
                                             : (marks.monoEntries != 0 ? Gate::SwallowMono : Gate::Skip);
        }
        if (gate == Gate::Skip) {
            continue;
        }
        const int index = m_pool.take(m_activeNotes);
        RunningNote& note = m_pool.at(index);
        note.inChannel = static_cast<std::uint8_t>(channel);
        note.inKey = static_cast<std::uint8_t>(key);
        note.split = static_cast<std::int8_t>(i);
        note.task = static_cast<std::uint8_t>(s.task);
        note.heldIncrements = marks.heldIncrements;
        note.monoEntries = marks.monoEntries;
        if (gate != Gate::Pass) {
            note.outStatus = gate == Gate::SwallowPlaying ? kSwallowedByPlaying : kSwallowedByMono;
            continue;
        }
        note.inVelocity = static_cast<std::uint8_t>(velocity);
        note.outStatus = static_cast<std::uint8_t>(kStatusNoteOn | outChannel(s));
        note.outKey = static_cast<std::uint8_t>(outKey);
        note.outVelocity = static_cast<std::uint8_t>(outVelocity);
        const ShortMessage out = shortMessage(note.outStatus, note.outKey, note.outVelocity);

        switch (s.taskKind()) {
        case SplitTask::Midi:
            send(out);
            break;
        case SplitTask::Avi:
            m_screen.clipNoteOn(i, out, s.video.splitIndex);
            break;
        case SplitTask::Sample:
            sampleNoteOn(i, s, index, channel, key);
            break;
        default:
            break; // an unknown task from a file: the note is kept but sounds nowhere
        }
    }
    m_cc103Flag = false;
    m_cc104Flag = false;
}

void Performance::sampleNoteOn(int index, Split& s, int noteIndex, int channel, int key) {
    RunningNote& note = m_pool.at(noteIndex);
    std::int32_t& a = s.sample.sampleFlags;
    std::int32_t& b = s.sample.playFlags;
    if (!s.isSampleMode(SampleMode::Tuned)) {
        // Trigger mode of this note's source; Ctrl (controller 103) inverts it.
        const std::int32_t sourceBit = m_cc104Flag ? SampleFlag::kTriggerMouse : SampleFlag::kTriggerKeys;
        const bool trigger = (a & sourceBit) != 0 ? !m_cc103Flag : m_cc103Flag;
        a = trigger ? (a | SampleFlag::kTriggerMode) : (a & ~SampleFlag::kTriggerMode);
    }
    if (s.isSampleMode(SampleMode::Sync)) {
        if (note.outKey != s.rootNote) {
            return;
        }
        if (!m_syncRunning) {
            startSync();
        }
        if ((b & PlayFlag::kStarted) == 0) {
            m_voices.lockAudio();
            m_voices.startVoice(index, note.voice, note.outKey, note.outVelocity);
            m_voices.playVoice(index);
            m_voices.unlockAudio();
            b |= PlayFlag::kStarted;
        }
        if ((a & SampleFlag::kRetrigger) != 0) {
            a &= ~SampleFlag::kRetrigger;
            retriggerSync();
        }
        if ((b & PlayFlag::kAudible) != 0) {
            if (m_syncRunning) {
                m_voices.muteSplit(index);
            }
        } else if (m_syncRunning) {
            m_voices.unmuteSplit(index, note.outVelocity);
        }
        return;
    }
    if (((a & SampleFlag::kTriggerMode) != 0 || (b & PlayFlag::kLatched) != 0) && note.outKey == s.keyLow) {
        if ((b & PlayFlag::kLatched) == 0) {
            m_voices.startVoice(index, note.voice, note.outKey, note.outVelocity);
            m_voices.playVoice(index);
            b |= PlayFlag::kLatched;
            return;
        }
        // Second press: the sample is latched off. This note's own entry goes back first.
        freeNote(noteIndex);
        const int latched = findLatchedNote(key, channel);
        if (latched >= 0) {
            m_voices.releaseVoice(index, m_pool.at(latched).voice);
            b &= ~(PlayFlag::kLatched | PlayFlag::kStarted);
            freeNote(latched);
        }
        return;
    }
    if (s.isSampleMode(SampleMode::Tuned) || note.outKey == s.keyLow) {
        m_voices.startVoice(index, note.voice, note.outKey, note.outVelocity);
        m_voices.playVoice(index);
        b |= PlayFlag::kStarted;
        m_cc103Flag = false;
    }
}

void Performance::undoEffects(RunningNote& note) {
    if (note.split < 0) {
        return;
    }
    Split& s = split(note.split);
    NoteList& held = m_heldNotes[static_cast<std::size_t>(int{note.split})];
    for (; note.monoEntries > 0; --note.monoEntries) {
        for (int i = held.head; i >= 0; i = m_pool.at(i).next) {
            if (m_pool.at(i).inKey == note.inKey && m_pool.at(i).inChannel == note.inChannel) {
                m_pool.release(held, i);
                break;
            }
        }
    }
    addSaturated(s.heldCount, -static_cast<long long>(note.heldIncrements));
    note.heldIncrements = 0;
}

void Performance::freeNote(int index) {
    undoEffects(m_pool.at(index));
    m_pool.release(m_activeNotes, index);
}

void Performance::noteOff(int channel, int key) {
    for (int index = findRunningNote(key, channel); index >= 0; index = findRunningNote(key, channel)) {
        RunningNote& note = m_pool.at(index);
        const bool swallowed = note.outStatus >= kSwallowedByPlaying;
        note.outStatus &= 0x0F;
        if (!swallowed && note.split >= 0) {
            Split& s = split(note.split);
            const ShortMessage word = shortMessage(note.outStatus, note.outKey, note.outVelocity);
            switch (static_cast<SplitTask>(note.task)) {
            case SplitTask::Sample: {
                if (m_sustainState[static_cast<std::size_t>(channel)] != 0 && !s.has(Sfx::kPedalDownOnly)) {
                    // Held by the pedal: the key is up (its counting is undone now), the sound
                    // goes on until the pedal is released.
                    undoEffects(note);
                    note.inKey = kReleasedKey;
                    continue;
                }
                std::int32_t& b = s.sample.playFlags;
                if (s.isSampleMode(SampleMode::Sync) && note.outKey == s.keyLow) {
                    if ((b & PlayFlag::kStarted) != 0 && m_syncRunning &&
                        (s.sample.sampleFlags & SampleFlag::kTriggerMode) == 0) {
                        m_voices.muteSplit(note.split);
                    }
                } else if (s.isSampleMode(SampleMode::Tuned) || note.outKey == s.keyLow) {
                    m_voices.releaseVoice(note.split, note.voice);
                    b &= ~PlayFlag::kStarted;
                }
                break;
            }
            case SplitTask::Avi:
                m_screen.clipNoteOff(note.split, word, s.video.splitIndex);
                break;
            case SplitTask::Midi:
                note.outStatus = static_cast<std::uint8_t>(kStatusNoteOff | note.outStatus);
                send(shortMessage(note.outStatus, note.outKey, note.outVelocity));
                break;
            }
        }
        freeNote(index);
    }
}

void Performance::releaseSustainedNotes(int channel) {
    for (int index = m_activeNotes.head; index >= 0;) {
        RunningNote& note = m_pool.at(index);
        const int next = note.next;
        if (note.inChannel == channel && note.outStatus < 16) {
            if (note.split >= 0) {
                Split& s = split(note.split);
                const std::int32_t a = s.sample.sampleFlags;
                std::int32_t& b = s.sample.playFlags;
                if (static_cast<SplitTask>(note.task) == SplitTask::Sample) {
                    const bool latched = ((a & SampleFlag::kTriggerMode) != 0 || (b & PlayFlag::kLatched) != 0) &&
                                         note.outKey == s.keyLow;
                    if (!latched && (s.isSampleMode(SampleMode::Tuned) || note.outKey == s.keyLow)) {
                        m_voices.releaseVoice(note.split, note.voice);
                        b &= ~PlayFlag::kStarted;
                    }
                } else if (static_cast<SplitTask>(note.task) == SplitTask::Avi) {
                    m_screen.clipNoteOff(note.split, shortMessage(note.outStatus, note.outKey, note.outVelocity),
                                         s.video.splitIndex);
                }
            }
            freeNote(index);
        }
        index = next;
    }
}

void Performance::controlChange(int channel, int controller, int value) {
    if (controller == kSustainPedal) {
        m_sustainState[static_cast<std::size_t>(channel)] = value < 64 ? 0 : 127;
        if (value < 64) {
            releaseSustainedNotes(channel);
            if (m_pendingPedalReset) {
                for (int ch = 0; ch < 16; ++ch) {
                    m_sustainState[static_cast<std::size_t>(ch)] = 0;
                    send(shortMessage(kStatusControl | ch, kSustainPedal, 0));
                }
                m_pendingPedalReset = false;
            }
        }
    }
    if (controller == 103 && value > 64) {
        m_cc103Flag = true;
    }
    if (controller == 104 && value > 64) {
        m_cc104Flag = true;
    }
    if (controller == 16 && m_options.screen == ScreenKind::Dj) {
        m_voices.setCrossfader(value);
        m_screen.crossfaderMoved(value);
    }
    for (Split& s : m_currentSetup->splits) {
        if (s.isOn() && s.midiInChannel == channel) {
            controllerRule(s, controller, value);
        }
    }
}

void Performance::allNotesOff() {
    if (m_syncRunning) {
        stopSync();
        m_screen.refresh();
    }
    resetControllers();
    releaseAllRunningNotes();
    m_voices.pumpNow();
    m_screen.refresh();
}

void Performance::forgetForwardedNotes() {
    for (int index = m_activeNotes.head; index >= 0;) {
        const int next = m_pool.at(index).next;
        if (static_cast<SplitTask>(m_pool.at(index).task) == SplitTask::Midi) {
            freeNote(index);
        }
        index = next;
    }
}

void Performance::resetControllers() {
    for (int ch = 0; ch < 16; ++ch) {
        m_sustainState[static_cast<std::size_t>(ch)] = 0;
        send(shortMessage(kStatusControl | ch, kSustainPedal, 0));
        send(shortMessage(kStatusPitchBend | ch, 0x00, 0x40));
        send(shortMessage(kStatusControl | ch, 1, 0));
        send(shortMessage(kStatusControl | ch, 123, 0));
        send(shortMessage(kStatusControl | ch, 121, 0));
    }
}

void Performance::releaseAllRunningNotes() {
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = split(i);
        m_pool.releaseAll(m_heldNotes[static_cast<std::size_t>(i)]);
        s.heldCount = 0;
        s.noteCounter = s.noteCounterReset;
    }
    while (!m_activeNotes.empty()) {
        const int index = m_activeNotes.head;
        RunningNote& note = m_pool.at(index);
        if (note.outStatus < kSwallowedByPlaying && note.split >= 0) {
            Split& s = split(note.split);
            // Each note is ended where it sounds: forwarded notes get their note-off, sample
            // voices are released, clips get their clip note-off.
            switch (static_cast<SplitTask>(note.task)) {
            case SplitTask::Midi:
                send(shortMessage(kStatusNoteOff | (note.outStatus & 0x0F), note.outKey, note.outVelocity));
                break;
            case SplitTask::Sample:
                if (note.voice >= 0) {
                    m_voices.releaseVoice(note.split, note.voice);
                }
                s.sample.playFlags &= ~(PlayFlag::kStarted | PlayFlag::kLatched);
                break;
            case SplitTask::Avi:
                m_screen.clipNoteOff(note.split, shortMessage(note.outStatus & 0x0F, note.outKey, note.outVelocity),
                                     s.video.splitIndex);
                break;
            }
            m_screen.keyReleased(note.outKey);
        }
        note.heldIncrements = 0; // the counters were reset above
        note.monoEntries = 0;
        m_pool.release(m_activeNotes, index);
    }
}

void Performance::startSync() {
    m_syncRunning = true;
    int v = 0;
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = split(i);
        if (!s.isOn()) {
            continue;
        }
        v = clampVelocity(static_cast<long long>(v) + s.velocityOffset);
        m_lastVelocity[static_cast<std::size_t>(i)] = v;
        s.lastIndex = i;
        if (s.taskKind() == SplitTask::Sample && s.isSampleMode(SampleMode::Sync)) {
            std::int16_t handle = -1;
            m_voices.startVoice(i, handle, static_cast<std::uint8_t>(static_cast<long long>(s.transpose) + s.rootNote),
                                0);
        }
    }
    m_voices.lockAudio();
    m_song.startPendingPlay();
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = split(i);
        if (s.isOn() && s.taskKind() == SplitTask::Sample && s.isSampleMode(SampleMode::Sync)) {
            m_voices.playVoice(i);
            s.sample.playFlags |= PlayFlag::kStarted;
        }
    }
    m_voices.unlockAudio();
    m_screen.refresh();
}

void Performance::retriggerSync() {
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = split(i);
        if (!s.isOn() || !s.isSampleMode(SampleMode::Sync) || (s.sample.sampleFlags & SampleFlag::kRetrigger) == 0) {
            continue;
        }
        s.sample.sampleFlags &= ~SampleFlag::kRetrigger;
        m_screen.refresh();
        if (s.rootNote >= 0 && s.rootNote <= 127) {
            onMidiData(MidiSource::User, shortMessage(kStatusNoteOn, s.rootNote, 127));
            onMidiData(MidiSource::User, shortMessage(kStatusNoteOff, s.rootNote, 0));
        }
    }
    m_screen.refresh();
}

void Performance::stopSync() {
    for (int i = 0; i < kSplitCount; ++i) {
        Split& s = split(i);
        if (!s.isOn() || s.taskKind() != SplitTask::Sample || !s.isSampleMode(SampleMode::Sync)) {
            continue;
        }
        if ((s.sample.playFlags & PlayFlag::kAudible) != 0 && s.rootNote >= 0 && s.rootNote <= 127) {
            onMidiData(MidiSource::User, shortMessage(kStatusNoteOn, s.rootNote, 127));
            onMidiData(MidiSource::User, shortMessage(kStatusNoteOff, s.rootNote, 0));
        }
        if ((s.sample.playFlags & PlayFlag::kStarted) != 0) {
            m_voices.releaseVoice(i, s.sample.voiceIndex);
            s.sample.playFlags &= ~PlayFlag::kStarted;
        }
    }
    m_syncRunning = false;
    m_beatStarted = false;
    m_screen.refresh();
}

void Performance::allStop() {
    if (m_syncRunning) {
        stopSync();
    }
    releaseHeldNotes();
}

void Performance::endSplitNotes(int index) {
    if (index < 0 || index >= kSplitCount) {
        return;
    }
    Split& s = split(index);
    for (int i = m_activeNotes.head; i >= 0;) {
        RunningNote& note = m_pool.at(i);
        const int next = note.next;
        if (note.split == index) {
            const bool swallowed = note.outStatus >= kSwallowedByPlaying;
            const int status = note.outStatus & 0x0F;
            if (!swallowed) {
                switch (static_cast<SplitTask>(note.task)) {
                case SplitTask::Sample:
                    m_voices.releaseVoice(index, note.voice);
                    break;
                case SplitTask::Avi:
                    m_screen.clipNoteOff(index, shortMessage(status, note.outKey, note.outVelocity),
                                         s.video.splitIndex);
                    break;
                case SplitTask::Midi:
                    if (note.inKey != kReleasedKey) {
                        send(shortMessage(kStatusNoteOff | status, note.outKey, note.outVelocity));
                    }
                    break;
                }
            }
            freeNote(i);
        }
        i = next;
    }
    s.sample.playFlags &= ~(PlayFlag::kStarted | PlayFlag::kLatched | PlayFlag::kAudible);
}

void Performance::releaseHeldNotes() {
    std::array<std::int16_t, NotePool::kCapacity> keys{};
    std::array<std::uint8_t, NotePool::kCapacity> channels{};
    std::size_t count = 0;
    for (int i = m_activeNotes.head; i >= 0; i = m_pool.at(i).next) {
        const RunningNote& note = m_pool.at(i);
        // A key already released under the pedal has no note-off to send; the pedal-up below ends it.
        if (note.split >= 0 && note.outStatus != kSwallowedByMono && note.inKey != kReleasedKey) {
            keys[count] = note.inKey;
            channels[count] = note.inChannel;
            ++count;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        onMidiData(MidiSource::User, shortMessage(kStatusNoteOff + channels[i], keys[i], 0));
    }
    onMidiData(MidiSource::Injected, shortMessage(kStatusControl, kSustainPedal, 0));
}

void Performance::syncBeatTick(std::uint32_t nowMs) {
    if (!m_beatStarted) {
        m_beatStarted = true;
        m_beatStartMs = nowMs;
    }
    const std::uint32_t microsPerTick = m_song.microsecondsPerTick();
    if (microsPerTick == 0) {
        return;
    }
    const std::uint32_t elapsed = nowMs - m_beatStartMs;
    const std::uint64_t beats = (static_cast<std::uint64_t>(elapsed) * 1000 / microsPerTick) / 384;
    const int b = static_cast<int>(beats % 16);
    const int bar = b / 4 + 1;
    const int beat = (b & 3) + 1;
    if (bar != m_shownBar || beat != m_shownBeat) {
        m_shownBar = bar;
        m_shownBeat = beat;
        m_screen.beatDisplay(bar, beat);
    }
}

void Performance::clockTick(std::uint32_t nowMs) {
    if (m_syncRunning && m_song.state() == SongLink::State::Stopped) {
        syncBeatTick(nowMs);
    }
}

} // namespace tonwerk::midi
