#pragma once

#include "platform/PlatformWindow.h"

#include <string>

// The window on a web page: the page's canvas and a WebGL2 context on it, through <emscripten/html5.h>.
// The page owns the canvas's place and size (letterboxed, in device pixels) and its fullscreen state; a
// WebGL2 context is OpenGL ES 3.0, so only ES contexts are offered. The browser shows each frame when the
// animation frame that drew it returns, so swapping does nothing.
class WebWindow : public PlatformWindow {
public:
    // `canvas`: the CSS selector of the canvas drawn on.
    explicit WebWindow(const char* canvas = "#canvas") : canvas(canvas) {}
    ~WebWindow() override;

    bool registerClass() override { return true; }
    bool unregisterClass() override { return true; }
    // The page changes no display mode; fullscreen is the browser's.
    bool setDisplayMode(int, int, int) override { return true; }
    void restoreDisplayMode() override {}
    NativeWindow* createWindow(const char* title, int width, int height, bool fullscreen,
                               const PixelFormat& format) override;
    bool destroyWindow(NativeWindow* window) override;
    // Asks the page; the browser grants fullscreen only while it handles a click or a key.
    bool setFullscreen(NativeWindow* window, bool fullscreen) override;
    DeviceContext* acquireDeviceContext(NativeWindow* window) override;
    bool releaseDeviceContext(NativeWindow* window, DeviceContext* deviceContext) override;
    int choosePixelFormat(DeviceContext* deviceContext, const PixelFormat& format) override;
    bool setPixelFormat(DeviceContext* deviceContext, int formatNumber, const PixelFormat& format) override;
    RenderingContext* createContext(DeviceContext* deviceContext, ContextKind kind, bool debugOutput) override;
    bool makeCurrent(DeviceContext* deviceContext, RenderingContext* context) override;
    bool deleteContext(RenderingContext* context) override;
    bool loadGLEntryPoints() override { return true; }
    void showWindow(NativeWindow*) override {}
    void swapBuffers(DeviceContext*) override {}
    // The browser paces the animation frames, a hidden page's too.
    void waitForDisplayFrame() override {}
    void showCursor(bool visible) override;
    std::string lastError() override { return error; }

    const std::string& canvasSelector() const { return canvas; }
    // The canvas's drawing buffer in pixels.
    void canvasSize(int* width, int* height) const;

private:
    std::string canvas;
    std::string error;
    bool windowOpen = false;
    PixelFormat format;
    int context = 0; // the WebGL context handle, 0 for none
};
