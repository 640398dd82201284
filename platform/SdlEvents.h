#pragma once

#include "platform/PlatformEvents.h"

#include <SDL2/SDL.h>

class SdlWindow;

// The window's messages on SDL2: SDL's events turned into the few messages the window procedure handles.
class SdlEvents : public PlatformEvents {
public:
    explicit SdlEvents(const SdlWindow& window);

    bool takeMessage(WindowMessage& message) override;
    void postQuitMessage() override;
    void waitForMessage(int milliseconds) override;

    // Translates one SDL event; false for the events the window procedure does not handle.
    static bool translate(const SDL_Event& event, WindowMessage& message);
    // The key code of an SDL key, or 0 for a key without one.
    static int virtualKeyCode(SDL_Keycode key);

private:
    const SdlWindow& window;
};
