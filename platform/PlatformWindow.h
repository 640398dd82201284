#pragma once

#include <string>

// A window message, reduced to the kinds the window procedure handles. Key codes are Windows
// virtual-key codes: letters 65–90, digits 48–57, Space 32, Enter 13, Escape 27, Alt 18, F1–F12 112–123.
struct WindowMessage {
    enum class Type { None, KeyDown, KeyUp, SystemKeyDown, SystemKeyUp, Close, Size, Activate, Quit };
    Type type = Type::None;
    int key = 0;
    int width = 0;
    int height = 0;
    bool minimized = false;
};

// What the GL context's default frame buffer must offer.
struct PixelFormat {
    int colorBits = 32;
    int depthBits = 16;
    bool doubleBuffered = true;
};

// The GL a context offers: GL 1.x's fixed function, or only shaders (OpenGL 3.3 core, OpenGL ES 3.0).
enum class ContextProfile { Compatibility, Core, ES };

enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxIcon { Exclamation, Stop, Information };
enum class MessageBoxAnswer { Ok, Yes, No };

// The window system as the shell uses it: one window with a GL context, its messages, message boxes.
// Handles are opaque; null means failure. Every step may fail, and each reports it in its result.
class PlatformWindow {
public:
    using Handle = void*;

    virtual ~PlatformWindow() = default;

    virtual bool registerClass() = 0;
    virtual bool unregisterClass() = 0;
    // Checks that the display offers the mode and selects it for a fullscreen window.
    virtual bool setDisplayMode(int width, int height, int bitsPerPixel) = 0;
    virtual void restoreDisplayMode() = 0;
    // A window whose client area is width × height: a fullscreen popup or a decorated window. Hidden
    // until showWindow.
    virtual Handle createWindow(const char* title, int width, int height, bool fullscreen,
                                const PixelFormat& format) = 0;
    virtual bool destroyWindow(Handle window) = 0;
    // Turns the window into a fullscreen one in the selected display mode, or back into a decorated window,
    // keeping its GL context.
    virtual bool setFullscreen(Handle window, bool fullscreen) = 0;
    virtual Handle acquireDeviceContext(Handle window) = 0;
    virtual bool releaseDeviceContext(Handle window, Handle deviceContext) = 0;
    // A format number, 0 when none matches.
    virtual int choosePixelFormat(Handle deviceContext, const PixelFormat& format) = 0;
    virtual bool setPixelFormat(Handle deviceContext, int formatNumber, const PixelFormat& format) = 0;
    virtual Handle createContext(Handle deviceContext, ContextProfile profile) = 0;
    // Makes the context current with a swap interval of 1; null handles release the current context.
    virtual bool makeCurrent(Handle deviceContext, Handle context) = 0;
    virtual bool deleteContext(Handle context) = 0;
    virtual bool loadGLEntryPoints() = 0;
    // Shows, raises and focuses the window and keeps the screensaver and monitor power-off away.
    virtual void showWindow(Handle window) = 0;
    virtual void swapBuffers(Handle deviceContext) = 0;
    // Takes the next message the window procedure handles, dropping every other event; false when none waits.
    virtual bool takeMessage(WindowMessage& message) = 0;
    virtual void postQuitMessage() = 0;
    virtual void showCursor(bool visible) = 0;
    // Also prints caption and text on standard error. Without a display a Yes/No question is answered No.
    virtual MessageBoxAnswer messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                        MessageBoxIcon icon) = 0;
    // The platform's own reason for the last failure, or empty.
    virtual std::string lastError() = 0;
};
