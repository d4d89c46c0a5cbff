#pragma once

#include "midi/EngineHooks.h"

#include <string>

namespace tonwerk::ui {

// The engines' screen feedback for whatever screen is shown now: a screen switch only changes the
// target; between screens (no target) the feedback is dropped and the next screen's refresh shows
// the state. UI thread.
class ScreenFeedbackRelay : public midi::ScreenFeedback {
public:
    void setTarget(midi::ScreenFeedback* target) { m_target = target; }
    [[nodiscard]] midi::ScreenFeedback* target() const { return m_target; }

    void clipNoteOn(int split, std::uint32_t message, std::int32_t clipId) override {
        if (m_target != nullptr) {
            m_target->clipNoteOn(split, message, clipId);
        }
    }
    void clipNoteOff(int split, std::uint32_t message, std::int32_t clipId) override {
        if (m_target != nullptr) {
            m_target->clipNoteOff(split, message, clipId);
        }
    }
    void keyReleased(int key) override {
        if (m_target != nullptr) {
            m_target->keyReleased(key);
        }
    }
    void padLights(midi::ShortMessage message) override {
        if (m_target != nullptr) {
            m_target->padLights(message);
        }
    }
    void velocityMeters(const std::int32_t* lastVelocity, int count) override {
        if (m_target != nullptr) {
            m_target->velocityMeters(lastVelocity, count);
        }
    }
    void noteDisplay(midi::ShortMessage message) override {
        if (m_target != nullptr) {
            m_target->noteDisplay(message);
        }
    }
    void splitLineChanged(int split) override {
        if (m_target != nullptr) {
            m_target->splitLineChanged(split);
        }
    }
    void splitSelected(int split) override {
        if (m_target != nullptr) {
            m_target->splitSelected(split);
        }
    }
    void crossfaderMoved(int value) override {
        if (m_target != nullptr) {
            m_target->crossfaderMoved(value);
        }
    }
    void beatDisplay(int bar, int beat) override {
        if (m_target != nullptr) {
            m_target->beatDisplay(bar, beat);
        }
    }
    void deviceStatus(const std::string& text) override {
        if (m_target != nullptr) {
            m_target->deviceStatus(text);
        }
    }
    void loadReport(const std::string& text) override {
        if (m_target != nullptr) {
            m_target->loadReport(text);
        }
    }
    void refresh() override {
        if (m_target != nullptr) {
            m_target->refresh();
        }
    }

private:
    midi::ScreenFeedback* m_target = nullptr;
};

} // namespace tonwerk::ui
