// Random setups and random performances: however the splits are set up and edited, every note-on
// the engine sends is followed by exactly one note-off on the same channel and key once every key
// is released and the pedal is up, and no message carries a data byte of 0x80 or more.
#include "midi/Performance.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>

using namespace tonwerk::midi;

namespace {

class CheckingOutput final : public MidiOutput {
public:
    void send(ShortMessage m) override {
        const unsigned status = m & 0xFF;
        const unsigned d1 = (m >> 8) & 0xFF;
        const unsigned d2 = (m >> 16) & 0xFF;
        if (status < 0x80 || status >= 0xF0 || d1 >= 0x80 || d2 >= 0x80 || (m >> 24) != 0) {
            ++badMessages;
        }
        const unsigned kind = status & 0xF0;
        const unsigned channel = status & 0x0F;
        int& open = openNotes[channel][d1 & 0x7F];
        if (kind == 0x90 && d2 > 0) {
            ++open;
            ++noteOns;
        } else if (kind == 0x80 || (kind == 0x90 && d2 == 0)) {
            if (--open < 0) {
                ++strayNoteOffs;
                open = 0;
            }
        }
    }
    [[nodiscard]] int stillOpen() const {
        int n = 0;
        for (const auto& channel : openNotes) {
            for (const int open : channel) {
                n += open;
            }
        }
        return n;
    }
    std::array<std::array<int, 128>, 16> openNotes{};
    int badMessages = 0;
    int noteOns = 0;
    int strayNoteOffs = 0;
};

class Script {
public:
    explicit Script(std::uint32_t seed) : m_rng(seed) {}

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool chance(int percent) { return pick(0, 99) < percent; }

    std::uint32_t randomEffects() {
        static constexpr std::uint32_t kBits[] = {
            Sfx::kMonoLowest,        Sfx::kMonoHighest,     Sfx::kPedalUpOnly,          Sfx::kPedalDownOnly,
            Sfx::kControllerThru,    Sfx::kPitchThru,       Sfx::kAftertouchThru,       Sfx::kConstantPitch,
            Sfx::kStaccato,          Sfx::kLegato,          Sfx::kNthNoteOnly,          Sfx::kNthNoteNot,
            Sfx::kControllerConvert, Sfx::kControllerCurve, Sfx::kPressureConvert,      Sfx::kPitchConvert,
            Sfx::kNoteToController,  Sfx::kNoteCurve,       Sfx::kVelocityToController, Sfx::kConstantPitchFromCurve};
        std::uint32_t flags = 0;
        if (chance(50)) {
            for (const std::uint32_t bit : kBits) {
                if (chance(15)) {
                    flags |= bit;
                }
            }
        }
        return flags;
    }

    // Random values in and beyond the usual ranges, as a loaded file could hold them.
    void randomSplit(Split& s) {
        s.state = chance(70) ? 1 : pick(-1, 0);
        s.midiInChannel = pick(0, 2);
        s.midiOutChannel = chance(90) ? pick(0, 23) : pick(-100, 100);
        s.transpose = chance(80) ? pick(-24, 24) : pick(-200, 200);
        s.velocityOffset = pick(-40, 40);
        s.velocityMin = pick(0, 40);
        s.velocityMax = pick(80, 127);
        s.keyLow = pick(0, 70);
        s.keyHigh = pick(50, 127);
        s.program = pick(-5, 300);
        s.sfxFlags = randomEffects();
        for (auto& v : s.velocityCurve) {
            if (chance(10)) {
                v = static_cast<std::uint8_t>(pick(0, 255));
            }
        }
        s.playingLimit = pick(-1, 3);
        s.noteInterval = pick(-1, 4);
        s.noteCounterReset = pick(-2, 5);
        s.controllerTarget = static_cast<std::uint8_t>(chance(80) ? pick(0, 127) : pick(128, 255));
        s.pressureTarget = static_cast<std::uint8_t>(pick(0, 255));
        s.pitchTarget = static_cast<std::uint8_t>(pick(0, 255));
        s.noteTarget = static_cast<std::uint8_t>(chance(70) ? pick(0, 127) : pick(128, 130));
        s.velocityTarget = static_cast<std::uint8_t>(chance(70) ? pick(0, 127) : pick(128, 130));
        s.parameterSlot = static_cast<std::uint8_t>(pick(0, 255));
        s.task = chance(70) ? 1 : pick(0, 4);
        s.sampleMode = pick(0, 5);
        s.rootNote = pick(40, 80);
        s.sample.sampleFlags = pick(0, 31);
    }

    std::mt19937& rng() { return m_rng; }

private:
    std::mt19937 m_rng;
};

void runRandomPerformance(std::uint32_t seed, CheckingOutput& output) {
    Script script(seed);
    VoiceOperations voices;
    ScreenFeedback screen;
    SongLink song;
    Performance engine(output, voices, screen, song);
    engine.options().screen = static_cast<ScreenKind>(script.pick(1, 3));
    const int splits = script.pick(1, 24);
    for (int i = 0; i < splits; ++i) {
        script.randomSplit(engine.split(script.pick(0, 23)));
    }

    std::array<std::array<bool, 128>, 3> down{};
    // User injectors (PC keyboard, pads) send note-ons with a velocity to be replaced and every
    // other message with a second byte of 0, as onMidiData expects of them.
    auto send = [&](int status, int d1, int d2) {
        const bool noteOn = (status & 0xF0) == 0x90 && d2 != 0;
        if (script.chance(10) && (noteOn || d2 == 0)) {
            engine.onMidiData(MidiSource::User, shortMessage(status, d1, d2));
        } else {
            engine.onMidiData(MidiSource::Device, shortMessage(status, d1, d2));
        }
    };
    const int events = script.pick(20, 300);
    for (int e = 0; e < events; ++e) {
        const int channel = script.pick(0, 2);
        const int what = script.pick(0, 99);
        if (what < 40) {
            const int key = script.pick(0, 127);
            if (!down[static_cast<std::size_t>(channel)][static_cast<std::size_t>(key)]) {
                down[static_cast<std::size_t>(channel)][static_cast<std::size_t>(key)] = true;
                send(0x90 | channel, key, script.pick(1, 127));
            }
        } else if (what < 70) {
            const int key = script.pick(0, 127);
            if (down[static_cast<std::size_t>(channel)][static_cast<std::size_t>(key)]) {
                down[static_cast<std::size_t>(channel)][static_cast<std::size_t>(key)] = false;
                if (script.chance(50)) {
                    send(0x80 | channel, key, script.pick(0, 127));
                } else {
                    send(0x90 | channel, key, 0);
                }
            }
        } else if (what < 76) {
            send(0xB0 | channel, 64, script.chance(50) ? 127 : 0);
        } else if (what < 80) {
            send(0xB0 | channel, script.pick(0, 127), script.pick(0, 127));
        } else if (what < 83) {
            send(0xC0 | channel, script.pick(0, 2), 0);
        } else if (what < 86) {
            send(0xE0 | channel, script.pick(0, 127), script.pick(0, 127));
        } else if (what < 88) {
            send(0xD0 | channel, script.pick(0, 127), 0);
        } else if (what < 90) {
            send(0xA0 | channel, script.pick(0, 127), script.pick(0, 127));
        } else if (what < 98) {
            // An edit of a split between note-ons and their note-offs.
            script.randomSplit(engine.split(script.pick(0, 23)));
        } else if (what < 99) {
            engine.allNotesOff();
        } else {
            engine.releaseHeldNotes();
        }
    }
    // Every key up, then the pedal up on every channel.
    for (int channel = 0; channel < 3; ++channel) {
        for (int key = 0; key < 128; ++key) {
            if (down[static_cast<std::size_t>(channel)][static_cast<std::size_t>(key)]) {
                engine.onMidiData(MidiSource::Device, shortMessage(0x80 | channel, key, 0));
            }
        }
    }
    for (int channel = 0; channel < 16; ++channel) {
        engine.onMidiData(MidiSource::Device, shortMessage(0xB0 | channel, 64, 0));
    }
}

TEST(DispatcherInvariant, EveryNoteOnGetsExactlyOneNoteOffAndEveryByteIsValid) {
    // TONWERK_INVARIANT_SEEDS runs more scripts for a longer soak.
    const char* env = std::getenv("TONWERK_INVARIANT_SEEDS");
    const std::uint32_t seeds = env != nullptr ? static_cast<std::uint32_t>(std::strtoul(env, nullptr, 10)) : 10000;
    int notes = 0;
    for (std::uint32_t seed = 1; seed <= seeds; ++seed) {
        CheckingOutput output;
        runRandomPerformance(seed, output);
        ASSERT_EQ(output.badMessages, 0) << "seed " << seed;
        ASSERT_EQ(output.strayNoteOffs, 0) << "seed " << seed;
        ASSERT_EQ(output.stillOpen(), 0) << "seed " << seed << ": a note-on without its note-off";
        notes += output.noteOns;
    }
    EXPECT_GT(notes, static_cast<int>(seeds) * 10); // the scripts really play
}

} // namespace
