#pragma once

#include "RecordingNotifier.h"
#include "TempDir.h"

#include "core/Settings.h"
#include "midi/EngineHooks.h"
#include "screens/MediaSearchRelay.h"
#include "screens/ScreenDialog.h"
#include "screens/ScreenFeedbackRelay.h"
#include "session/Commands.h"
#include "session/ScreenLoop.h"
#include "session/Session.h"

#include <memory>
#include <mutex>
#include <vector>

namespace tonwerk::test {

// Every MIDI message the session sends, in order.
class RecordingMidiOutput final : public midi::MidiOutput {
public:
    void send(midi::ShortMessage message) override {
        const std::scoped_lock lock(m_mutex);
        m_sent.push_back(message);
    }
    [[nodiscard]] std::vector<midi::ShortMessage> sent() const {
        const std::scoped_lock lock(m_mutex);
        return m_sent;
    }
    void clear() {
        const std::scoped_lock lock(m_mutex);
        m_sent.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<midi::ShortMessage> m_sent;
};

// A session with a recording MIDI output, no sound and a virtual clock, and the screens on it: the
// real screen dialog and the real engines, without ports or a sound card.
class ScreenRig {
public:
    explicit ScreenRig(int screenScale = 0) {
        settings = core::defaultSettings(core::SettingsEnvironment{dir.path(), dir.path(), {}});
        settings.screenScale = screenScale;
        session::SessionHooks hooks;
        hooks.notifier = &notifier;
        hooks.screen = &forwarder;
        hooks.search = &search;
        hooks.midiOutput = &output;
        session::SessionOptions options;
        options.clock = session::SessionOptions::Clock::Virtual;
        options.sound = session::SessionOptions::Sound::None;
        options.programDirectory = dir.path();
        session = std::make_unique<session::Session>(settings, hooks, options);
        session->startDevices();
        loop = std::make_unique<session::ScreenLoop>(state, notifier, dir / "Tonwerk.ini");
    }

    // A screen of `kind` that the engines report to.
    std::unique_ptr<ui::ScreenDialog> open(midi::ScreenKind kind, ui::ScreenHost host = {}) {
        auto dialog = std::make_unique<ui::ScreenDialog>(kind, settings, *session, *loop, std::move(host));
        forwarder.setTarget(dialog.get());
        search.setTarget(dialog.get());
        return dialog;
    }
    void close() {
        forwarder.setTarget(nullptr);
        search.setTarget(nullptr);
    }

    TempDir dir;
    RecordingNotifier notifier;
    RecordingMidiOutput output;
    ui::ScreenFeedbackRelay forwarder;
    ui::MediaSearchRelay search;
    core::Settings settings;
    session::AppState state;
    std::unique_ptr<session::Session> session;
    std::unique_ptr<session::ScreenLoop> loop;
};

} // namespace tonwerk::test
