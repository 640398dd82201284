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
    Handle createWindow(const char* title, int width, int height, bool fullscreen, const PixelFormat& format) override;
    bool destroyWindow(Handle window) override;
    bool setFullscreen(Handle window, bool fullscreen) override;
    Handle acquireDeviceContext(Handle window) override;
    bool releaseDeviceContext(Handle window, Handle deviceContext) override;
    int choosePixelFormat(Handle deviceContext, const PixelFormat& format) override;
    bool setPixelFormat(Handle deviceContext, int formatNumber, const PixelFormat& format) override;
    Handle createContext(Handle deviceContext, ContextProfile profile) override;
    bool makeCurrent(Handle deviceContext, Handle context) override;
    bool deleteContext(Handle context) override;
    bool loadGLEntryPoints() override;
    void showWindow(Handle window) override;
    void swapBuffers(Handle deviceContext) override;
    bool takeMessage(WindowMessage& message) override;
    void postQuitMessage() override;
    void showCursor(bool visible) override;
    MessageBoxAnswer messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) override;
    std::string lastError() override;

    // Translates one SDL event; false for the events the window procedure does not handle.
    static bool translate(const SDL_Event& event, WindowMessage& message);
    // The Windows virtual-key code of an SDL key, or 0 for a key without one.
    static int virtualKeyCode(SDL_Keycode key);

private:
    bool videoInitialised = false;
    SDL_Window* window = nullptr;
    SDL_DisplayMode fullscreenMode{};
    bool fullscreenModeSet = false;
};
