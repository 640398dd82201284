#include "platform/SdlWindow.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// A 60 Hz display's frame: what a swap with a swap interval of 1 waits for.
constexpr std::chrono::microseconds kDisplayFrame{16667};

// Mesa 22's no-op driver wrapper (GALLIUM_NOOP) runs a threaded context yet passes on llvmpipe's claim
// that client-memory vertex arrays can be handed over as they are: the threaded context then takes our
// client arrays for driver buffers, counts references in them and writes past their ends. Without its
// thread the wrapper leaves them alone, and it still measures what it is meant to: the driver's front end.
void keepDriverOutOfClientArrays()
{
    const char* noop = SDL_getenv("GALLIUM_NOOP");
    if (noop == nullptr || *noop == '\0') {
        return;
    }
    for (const char* off : {"0", "n", "no", "f", "false"}) {
        if (SDL_strcasecmp(noop, off) == 0) {
            return;
        }
    }
    SDL_setenv("GALLIUM_THREAD", "0", 1);
}

} // namespace

SdlWindow::~SdlWindow()
{
    if (window != nullptr) {
        SDL_DestroyWindow(window);
    }
    if (videoInitialised) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool SdlWindow::registerClass()
{
    if (videoInitialised) {
        return true;
    }
    keepDriverOutOfClientArrays();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    // Without a display SDL falls back to drivers that show nothing; the demo runs on them only when asked to.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (invisible && (requested == nullptr || std::strstr(requested, driver) == nullptr)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_SetError("no display: only SDL's %s video driver started", driver);
        return false;
    }
    videoInitialised = true;
    return true;
}

bool SdlWindow::unregisterClass()
{
    if (videoInitialised) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoInitialised = false;
    }
    return true;
}

bool SdlWindow::setDisplayMode(int width, int height, int bitsPerPixel)
{
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    wanted.format = bitsPerPixel >= 24 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565;
    SDL_DisplayMode closest{};
    if (SDL_GetClosestDisplayMode(0, &wanted, &closest) == nullptr) {
        return false;
    }
    if (closest.w != width || closest.h != height) {
        SDL_SetError("the display offers no %dx%d mode", width, height);
        return false;
    }
    fullscreenMode = closest;
    fullscreenModeSet = true;
    return true;
}

void SdlWindow::restoreDisplayMode()
{
    // SDL puts the desktop mode back when a fullscreen window leaves fullscreen.
    if (window != nullptr && fullscreenModeSet) {
        SDL_SetWindowFullscreen(window, 0);
    }
    fullscreenModeSet = false;
}

NativeWindow* SdlWindow::createWindow(const char* title, int width, int height, bool fullscreen,
                                               const PixelFormat& format)
{
    // SDL fixes the frame buffer format when it creates the window, so the attributes go in here.
    SDL_GL_ResetAttributes();
    const int channelBits = format.colorBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colorBits >= 24 ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    // A depth request is a minimum. Drivers commonly answer 16 bits with 24, and the scenes' near plane
    // of 0.0001 needs them: at 16 bits everything beyond a few units shares one depth value.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, std::max(format.depthBits, 24));
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffered ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    flags |= fullscreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
    // Messages still queued from an earlier window of the process (a second quit its show posted) are not
    // this one's.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (window != nullptr && fullscreen && fullscreenModeSet && SDL_SetWindowDisplayMode(window, &fullscreenMode) != 0) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    return handleOf(window);
}

bool SdlWindow::destroyWindow(NativeWindow* handle)
{
    if (handle != handleOf(window) || window == nullptr) {
        SDL_SetError("not this platform's window");
        return false;
    }
    SDL_DestroyWindow(window);
    window = nullptr;
    return true;
}

bool SdlWindow::setFullscreen(NativeWindow* handle, bool fullscreen)
{
    if (handle != handleOf(window) || window == nullptr) {
        SDL_SetError("not this platform's window");
        return false;
    }
    if (fullscreen && fullscreenModeSet && SDL_SetWindowDisplayMode(window, &fullscreenMode) != 0) {
        return false;
    }
    return SDL_SetWindowFullscreen(window, fullscreen ? SDL_WINDOW_FULLSCREEN : 0) == 0;
}

// SDL draws straight into the window: the window is its own device context.
DeviceContext* SdlWindow::acquireDeviceContext(NativeWindow* handle)
{
    return handle == nullptr ? nullptr : reinterpret_cast<DeviceContext*>(sdlWindow(handle));
}
bool SdlWindow::releaseDeviceContext(NativeWindow*, DeviceContext*) { return true; }

int SdlWindow::choosePixelFormat(DeviceContext* deviceContext, const PixelFormat& format)
{
    const bool supported = format.colorBits == 16 || format.colorBits == 24 || format.colorBits == 32;
    if (deviceContext == nullptr || !supported || format.depthBits <= 0) {
        SDL_SetError("no pixel format with %d colour bits and a %d-bit depth buffer", format.colorBits,
                     format.depthBits);
        return 0;
    }
    return 1;
}

bool SdlWindow::setPixelFormat(DeviceContext* deviceContext, int formatNumber, const PixelFormat&)
{
    SDL_Window* target = sdlWindow(deviceContext);
    return formatNumber == 1 && target != nullptr && (SDL_GetWindowFlags(target) & SDL_WINDOW_OPENGL) != 0;
}

RenderingContext* SdlWindow::createContext(DeviceContext* deviceContext, ContextKind kind, bool debugOutput)
{
    // By ContextKind: profile, version and flags. SDL's own default version for compatibility contexts, which
    // drivers answer with their highest.
    const int kinds[][4] = {{SDL_GL_CONTEXT_PROFILE_COMPATIBILITY, 2, 1, 0},
                            {SDL_GL_CONTEXT_PROFILE_CORE, 3, 3, 0},
                            {SDL_GL_CONTEXT_PROFILE_CORE, 3, 3, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG},
                            {SDL_GL_CONTEXT_PROFILE_CORE, 4, 1, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG},
                            {SDL_GL_CONTEXT_PROFILE_ES, 3, 0, 0}};
    const int* wanted = kinds[static_cast<int>(kind)];
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, wanted[0]);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, wanted[1]);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, wanted[2]);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, wanted[3] | (debugOutput ? SDL_GL_CONTEXT_DEBUG_FLAG : 0));
    return static_cast<RenderingContext*>(SDL_GL_CreateContext(sdlWindow(deviceContext)));
}

bool SdlWindow::makeCurrent(DeviceContext* deviceContext, RenderingContext* context)
{
    if (SDL_GL_MakeCurrent(sdlWindow(deviceContext), context) != 0) {
        return false;
    }
    if (context != nullptr) {
        // Effects that advance once per frame rely on the display's refresh; a driver may refuse it.
        SDL_GL_SetSwapInterval(1);
    }
    return true;
}

bool SdlWindow::deleteContext(RenderingContext* context)
{
    SDL_GL_DeleteContext(context);
    return true;
}

bool SdlWindow::loadGLEntryPoints()
{
    // Core and ES contexts list no extensions the old way; GLEW then loads only what is asked for by name.
    glewExperimental = GL_TRUE;
    const GLenum result = glewInit();
    if (result == GLEW_OK) {
        return true;
    }
    // Over EGL GLEW finds no GLX display, yet it has loaded every GL entry point.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool glx = driver != nullptr && std::strcmp(driver, "x11") == 0;
    if (result == GLEW_ERROR_NO_GLX_DISPLAY && !glx) {
        return true;
    }
    SDL_SetError("glewInit: %s", reinterpret_cast<const char*>(glewGetErrorString(result)));
    return false;
}

void SdlWindow::showWindow(NativeWindow* handle)
{
    SDL_Window* target = sdlWindow(handle);
    SDL_ShowWindow(target);
    SDL_RaiseWindow(target);
    SDL_DisableScreenSaver();
}

void SdlWindow::swapBuffers(DeviceContext* deviceContext) { SDL_GL_SwapWindow(sdlWindow(deviceContext)); }

void SdlWindow::waitForDisplayFrame() { std::this_thread::sleep_for(kDisplayFrame); }

void SdlWindow::showCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

std::string SdlWindow::lastError() { return SDL_GetError(); }

NativeWindow* SdlWindow::handleOf(SDL_Window* window) { return reinterpret_cast<NativeWindow*>(window); }
SDL_Window* SdlWindow::sdlWindow(NativeWindow* handle) { return reinterpret_cast<SDL_Window*>(handle); }
SDL_Window* SdlWindow::sdlWindow(DeviceContext* handle) { return reinterpret_cast<SDL_Window*>(handle); }
