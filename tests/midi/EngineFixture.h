#pragma once

#include "midi/Performance.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tonwerk::test {

// Records everything the engine does, as short text lines ("midi 90 3c 64", "voice-start 3 60 100").
class RecordingHooks final : public midi::MidiOutput,
                             public midi::VoiceOperations,
                             public midi::ScreenFeedback,
                             public midi::SongLink {
public:
    std::vector<std::string> events;
    std::vector<midi::ShortMessage> sent;
    std::vector<midi::ShortMessage> recorded;
    State songState = State::Stopped;
    bool restartClock = false;
    int lockDepth = 0;
    int maxLockDepth = 0;
    std::vector<std::pair<int, int>> beats;

    void send(midi::ShortMessage m) override {
        sent.push_back(m);
        const unsigned status = m & 0xFF;
        const int bytes = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 2 : 3;
        std::string text = "midi";
        for (int i = 0; i < bytes; ++i) {
            text += hex((m >> (8 * i)) & 0xFF);
        }
        events.push_back(text);
    }
    void startVoice(int split, std::int16_t& voice, int key, int velocity) override {
        voice = static_cast<std::int16_t>(100 + split);
        events.push_back("voice-start " + std::to_string(split) + " " + std::to_string(key) + " " +
                         std::to_string(velocity) + (lockDepth > 0 ? " locked" : ""));
    }
    void playVoice(int split) override { events.push_back("voice-play " + std::to_string(split)); }
    void releaseVoice(int split, std::int16_t voice) override {
        events.push_back("voice-release " + std::to_string(split) + " " + std::to_string(voice));
    }
    void muteSplit(int split) override { events.push_back("voice-mute " + std::to_string(split)); }
    void unmuteSplit(int split, int velocity) override {
        events.push_back("voice-unmute " + std::to_string(split) + " " + std::to_string(velocity));
    }
    void setCrossfader(int value) override { events.push_back("crossfader " + std::to_string(value)); }
    void pumpNow() override { events.push_back("pump"); }
    void lockAudio() override { maxLockDepth = std::max(maxLockDepth, ++lockDepth); }
    void unlockAudio() override { --lockDepth; }

    void clipNoteOn(int split, std::uint32_t m, std::int32_t clip) override {
        events.push_back("clip-on " + std::to_string(split) + hex(m & 0xFF) + hex((m >> 8) & 0xFF) +
                         hex((m >> 16) & 0xFF) + " clip " + std::to_string(clip));
    }
    void clipNoteOff(int split, std::uint32_t m, std::int32_t clip) override {
        events.push_back("clip-off " + std::to_string(split) + hex(m & 0xFF) + hex((m >> 8) & 0xFF) +
                         hex((m >> 16) & 0xFF) + " clip " + std::to_string(clip));
    }
    void keyReleased(int key) override { events.push_back("key-released " + std::to_string(key)); }
    void beatDisplay(int bar, int beat) override { beats.emplace_back(bar, beat); }

    [[nodiscard]] State state() const override { return songState; }
    [[nodiscard]] bool restartClockPending() const override { return restartClock; }
    void record(midi::ShortMessage m) override { recorded.push_back(m); }

    // Events of one kind only ("midi", "voice", "clip", "key").
    [[nodiscard]] std::vector<std::string> only(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& e : events) {
            if (e.rfind(prefix, 0) == 0) {
                out.push_back(e);
            }
        }
        return out;
    }
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(events);
        sent.clear();
        return out;
    }

    static std::string hex(unsigned byte) {
        char text[4];
        std::snprintf(text, sizeof text, " %02x", byte & 0xFF);
        return text;
    }
};

// A fresh engine with recording hooks.
class EngineTest : public ::testing::Test {
protected:
    RecordingHooks hooks;
    midi::Performance engine{hooks, hooks, hooks, hooks};

    // Input from the MIDI keyboard.
    void play(int status, int data1 = 0, int data2 = 0) {
        engine.onMidiData(midi::MidiSource::Device, midi::shortMessage(status, data1, data2));
    }
    midi::Split& on(int index) {
        midi::Split& s = engine.split(index);
        s.state = 1;
        return s;
    }
    using Events = std::vector<std::string>;
};

} // namespace tonwerk::test
