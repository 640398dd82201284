#include "platform/ExecutableFolder.h"

#include <SDL2/SDL.h>

std::string executableFolder()
{
    // SDL answers from the system's own record of the program (/proc/self/exe, GetModuleFileName), so the
    // folder holds wherever the program was started from.
    char* base = SDL_GetBasePath();
    if (base == nullptr) {
        return {};
    }
    std::string folder = base;
    SDL_free(base);
    return folder;
}
