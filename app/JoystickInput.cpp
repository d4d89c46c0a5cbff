#include "JoystickInput.h"

#include <SDL.h>

#include <algorithm>

namespace tonwerk::ui {

namespace {

SDL_Joystick* stickOf(void* handle) { return static_cast<SDL_Joystick*>(handle); }

} // namespace

int stickPosition(int sdlAxis) { return std::clamp(sdlAxis + 32768, 0, 65535); }

JoystickInput::JoystickInput() {
    // Only the joystick part of SDL: no video, no audio, no signal handlers of its own.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    m_available = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    if (m_available) {
        openFirst();
    }
}

JoystickInput::~JoystickInput() {
    if (m_stick != nullptr) {
        SDL_JoystickClose(stickOf(m_stick));
    }
    if (m_available) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

void JoystickInput::openFirst() {
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_Joystick* stick = SDL_JoystickOpen(index)) {
            m_stick = stick;
            m_instance = SDL_JoystickInstanceID(stick);
            return;
        }
    }
}

bool JoystickInput::poll(StickState& state, bool& lost) {
    lost = false;
    if (!m_available) {
        return false;
    }
    // Device arrivals and removals come as events; the positions are read directly.
    SDL_JoystickUpdate();
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_JOYDEVICEREMOVED && event.jdevice.which == m_instance && m_stick != nullptr) {
            SDL_JoystickClose(stickOf(m_stick));
            m_stick = nullptr;
            m_instance = -1;
            lost = true;
        }
    }
    if (m_stick != nullptr && SDL_JoystickGetAttached(stickOf(m_stick)) == SDL_FALSE) {
        SDL_JoystickClose(stickOf(m_stick));
        m_stick = nullptr;
        m_instance = -1;
        lost = true;
    }
    if (m_stick == nullptr) {
        openFirst();
        if (m_stick == nullptr) {
            return false;
        }
    }
    SDL_Joystick* stick = stickOf(m_stick);
    state.x = SDL_JoystickNumAxes(stick) > 0 ? stickPosition(SDL_JoystickGetAxis(stick, 0)) : 32768;
    state.y = SDL_JoystickNumAxes(stick) > 1 ? stickPosition(SDL_JoystickGetAxis(stick, 1)) : 32768;
    const int buttons = SDL_JoystickNumButtons(stick);
    state.button1 = buttons > 0 && SDL_JoystickGetButton(stick, 0) != 0;
    state.button2 = buttons > 1 && SDL_JoystickGetButton(stick, 1) != 0;
    state.button3 = buttons > 2 && SDL_JoystickGetButton(stick, 2) != 0;
    return true;
}

} // namespace tonwerk::ui
