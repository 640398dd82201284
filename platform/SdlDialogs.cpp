#include "platform/SdlDialogs.h"

#include "platform/SdlWindow.h"

#include <SDL2/SDL.h>

#include <cstdio>

SdlDialogs::SdlDialogs(const SdlWindow& window) : window(window) {}

MessageBoxAnswer SdlDialogs::messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                       MessageBoxIcon icon)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    Uint32 flags = icon == MessageBoxIcon::Information ? SDL_MESSAGEBOX_INFORMATION
                   : icon == MessageBoxIcon::Stop      ? SDL_MESSAGEBOX_ERROR
                                                       : SDL_MESSAGEBOX_WARNING;
    enum { NoButton = 0, YesButton = 1, OkButton = 2 };
    SDL_MessageBoxButtonData buttonData[2];
    int buttonCount = 0;
    if (buttons == MessageBoxButtons::YesNo) {
        buttonData[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, YesButton, "Yes"};
        buttonData[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, NoButton, "No"};
        buttonCount = 2;
    } else {
        buttonData[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, OkButton,
                         "OK"};
        buttonCount = 1;
    }
    const SDL_MessageBoxData data{flags, window.sdlWindow(), caption, text, buttonCount, buttonData, nullptr};
    int pressed = NoButton;
    // Without a display the box cannot show: a question is then answered No.
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        pressed = NoButton;
    }
    if (buttons == MessageBoxButtons::Ok) {
        return MessageBoxAnswer::Ok;
    }
    return pressed == YesButton ? MessageBoxAnswer::Yes : MessageBoxAnswer::No;
}

