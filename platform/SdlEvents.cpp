#include "platform/SdlEvents.h"

#include "platform/SdlWindow.h"

namespace {

bool isAltKey(SDL_Keycode key) { return key == SDLK_LALT || key == SDLK_RALT; }

} // namespace

SdlEvents::SdlEvents(const SdlWindow& window) : window(window) {}

int SdlEvents::virtualKeyCode(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z) {
        return KeyCode::letter(static_cast<char>('A' + (key - SDLK_a)));
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return KeyCode::digit(key - SDLK_0);
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return KeyCode::function(1 + (key - SDLK_F1));
    }
    switch (key) {
    case SDLK_SPACE:
        return KeyCode::kSpace;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return KeyCode::kEnter;
    case SDLK_ESCAPE:
        return KeyCode::kEscape;
    case SDLK_LALT:
    case SDLK_RALT:
        return KeyCode::kAlt;
    default:
        return 0;
    }
}

bool SdlEvents::translate(const SDL_Event& event, WindowMessage& message)
{
    message = WindowMessage{};
    switch (event.type) {
    case SDL_QUIT:
        message.type = WindowMessage::Type::Quit;
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int code = virtualKeyCode(event.key.keysym.sym);
        // A held key's repeats change nothing and would only queue up in front of the next press.
        if (code == 0 || event.key.repeat != 0) {
            return false;
        }
        // Keys pressed with Alt held, and Alt itself, arrive as system keys.
        const bool system = isAltKey(event.key.keysym.sym) || (event.key.keysym.mod & KMOD_ALT) != 0;
        const bool down = event.type == SDL_KEYDOWN;
        message.type = system ? (down ? WindowMessage::Type::SystemKeyDown : WindowMessage::Type::SystemKeyUp)
                              : (down ? WindowMessage::Type::KeyDown : WindowMessage::Type::KeyUp);
        message.key = code;
        return true;
    }
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            message.type = WindowMessage::Type::Close;
            return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            message.type = WindowMessage::Type::Size;
            message.width = event.window.data1;
            message.height = event.window.data2;
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            message.type = WindowMessage::Type::Activate;
            message.minimized = true;
            return true;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
            message.type = WindowMessage::Type::Activate;
            message.minimized = false;
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

bool SdlEvents::takeMessage(WindowMessage& message)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (translate(event, message)) {
            if (message.type == WindowMessage::Type::Size && window.sdlWindow() != nullptr) {
                // The GL viewport wants pixels, which differ from window units on high-density screens.
                SDL_GL_GetDrawableSize(window.sdlWindow(), &message.width, &message.height);
            }
            return true;
        }
    }
    return false;
}

// The event stays queued for takeMessage; one the window procedure does not handle only ends the wait early.
void SdlEvents::waitForMessage(int milliseconds) { SDL_WaitEventTimeout(nullptr, milliseconds); }

void SdlEvents::postQuitMessage()
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

