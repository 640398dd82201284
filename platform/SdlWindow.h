#pragma once

#include "platform/PlatformWindow.h"

#include <SDL2/SDL.h>

// The window system on SDL2: one window with an OpenGL compatibility context.
class SdlWindow : public PlatformWindow {
public:
    SdlWindow() = default;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;
    ~SdlWindow() override;

    bool registerClass() override;
    bool unregisterClass() override;
    bool setDisplayMode(int width, int height, int bitsPerPixel) override;
    void restoreDisplayMode() override;
    NativeWindow* createWindow(const char* title, int width, int height, bool fullscreen,
                               const PixelFormat& format) override;
    bool destroyWindow(NativeWindow* window) override;
    bool setFullscreen(NativeWindow* window, bool fullscreen) override;
    DeviceContext* acquireDeviceContext(NativeWindow* window) override;
    bool releaseDeviceContext(NativeWindow* window, DeviceContext* deviceContext) override;
    int choosePixelFormat(DeviceContext* deviceContext, const PixelFormat& format) override;
    bool setPixelFormat(DeviceContext* deviceContext, int formatNumber, const PixelFormat& format) override;
    RenderingContext* createContext(DeviceContext* deviceContext, ContextKind kind, bool debugOutput) override;
    bool makeCurrent(DeviceContext* deviceContext, RenderingContext* context) override;
    bool deleteContext(RenderingContext* context) override;
    bool loadGLEntryPoints() override;
    void showWindow(NativeWindow* window) override;
    void swapBuffers(DeviceContext* deviceContext) override;
    void waitForDisplayFrame() override;
    void showCursor(bool visible) override;
    std::string lastError() override;

    // The window made last, or null: for the messages and the message boxes that belong to it.
    SDL_Window* sdlWindow() const { return window; }

private:
    static NativeWindow* handleOf(SDL_Window* window);
    static SDL_Window* sdlWindow(NativeWindow* handle);
    static SDL_Window* sdlWindow(DeviceContext* handle);

    bool videoInitialised = false;
    SDL_Window* window = nullptr;
    SDL_DisplayMode fullscreenMode{};
    bool fullscreenModeSet = false;
};
