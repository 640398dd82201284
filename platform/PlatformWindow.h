#pragma once

#include <string>

// Opaque handles, each its own type: a window cannot be passed where a device context belongs. Null means
// failure.
struct NativeWindow;
struct DeviceContext;
struct RenderingContext;

// What the GL context's default frame buffer must offer.
struct PixelFormat {
    int colorBits = 32;
    int depthBits = 16;
    bool doubleBuffered = true;
};

// The GL contexts the shell asks for: GL 1.x's fixed function (compatibility), or only shaders: OpenGL 3.3 core,
// the same forward-compatible (no wide lines), OpenGL 4.1 core forward-compatible (the most macOS offers), or
// OpenGL ES 3.0.
enum class ContextKind { Compatibility, Core, ForwardCompatibleCore, ForwardCompatibleCore41, ES };

// The window system as the shell uses it: one window with a GL context. Every step may fail, and each
// reports it in its result.
class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;

    virtual bool registerClass() = 0;
    virtual bool unregisterClass() = 0;
    // Checks that the display offers the mode and selects it for a fullscreen window.
    virtual bool setDisplayMode(int width, int height, int bitsPerPixel) = 0;
    virtual void restoreDisplayMode() = 0;
    // A window whose client area is width × height: a fullscreen popup or a decorated window. Hidden
    // until showWindow.
    virtual NativeWindow* createWindow(const char* title, int width, int height, bool fullscreen,
                                       const PixelFormat& format) = 0;
    virtual bool destroyWindow(NativeWindow* window) = 0;
    // Turns the window into a fullscreen one in the selected display mode, or back into a decorated window,
    // keeping its GL context.
    virtual bool setFullscreen(NativeWindow* window, bool fullscreen) = 0;
    virtual DeviceContext* acquireDeviceContext(NativeWindow* window) = 0;
    virtual bool releaseDeviceContext(NativeWindow* window, DeviceContext* deviceContext) = 0;
    // A format number, 0 when none matches.
    virtual int choosePixelFormat(DeviceContext* deviceContext, const PixelFormat& format) = 0;
    virtual bool setPixelFormat(DeviceContext* deviceContext, int formatNumber, const PixelFormat& format) = 0;
    // `debugOutput`: a debug context, whose driver reports what it refuses where it can.
    virtual RenderingContext* createContext(DeviceContext* deviceContext, ContextKind kind, bool debugOutput) = 0;
    // Makes the context current with a swap interval of 1; null handles release the current context.
    virtual bool makeCurrent(DeviceContext* deviceContext, RenderingContext* context) = 0;
    virtual bool deleteContext(RenderingContext* context) = 0;
    virtual bool loadGLEntryPoints() = 0;
    // Shows, raises and focuses the window and keeps the screensaver and monitor power-off away.
    virtual void showWindow(NativeWindow* window) = 0;
    virtual void swapBuffers(DeviceContext* deviceContext) = 0;
    // Waits as long as a swap would: one frame of the display. Stands in for the swap while nothing is shown.
    virtual void waitForDisplayFrame() = 0;
    virtual void showCursor(bool visible) = 0;
    // The platform's own reason for the last failure, or empty.
    virtual std::string lastError() = 0;
};
