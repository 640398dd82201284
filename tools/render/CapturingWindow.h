#pragma once

#include "platform/PlatformWindow.h"

#include <functional>

// Passes everything to the real window system and hands each finished frame to a callback just
// before the buffers swap, while the back buffer still holds it.
class CapturingWindow : public PlatformWindow {
public:
    CapturingWindow(PlatformWindow& inner, std::function<void()> beforeSwap);

    bool registerClass() override { return inner.registerClass(); }
    bool unregisterClass() override { return inner.unregisterClass(); }
    bool setDisplayMode(int width, int height, int bitsPerPixel) override
    {
        return inner.setDisplayMode(width, height, bitsPerPixel);
    }
    void restoreDisplayMode() override { inner.restoreDisplayMode(); }
    Handle createWindow(const char* title, int width, int height, bool fullscreen, const PixelFormat& format) override
    {
        return inner.createWindow(title, width, height, fullscreen, format);
    }
    bool destroyWindow(Handle window) override { return inner.destroyWindow(window); }
    bool setFullscreen(Handle window, bool fullscreen) override
    {
        return inner.setFullscreen(window, fullscreen);
    }
    Handle acquireDeviceContext(Handle window) override { return inner.acquireDeviceContext(window); }
    bool releaseDeviceContext(Handle window, Handle deviceContext) override
    {
        return inner.releaseDeviceContext(window, deviceContext);
    }
    int choosePixelFormat(Handle deviceContext, const PixelFormat& format) override
    {
        return inner.choosePixelFormat(deviceContext, format);
    }
    bool setPixelFormat(Handle deviceContext, int formatNumber, const PixelFormat& format) override
    {
        return inner.setPixelFormat(deviceContext, formatNumber, format);
    }
    Handle createContext(Handle deviceContext, ContextProfile profile) override
    {
        return inner.createContext(deviceContext, profile);
    }
    bool makeCurrent(Handle deviceContext, Handle context) override { return inner.makeCurrent(deviceContext, context); }
    bool deleteContext(Handle context) override { return inner.deleteContext(context); }
    bool loadGLEntryPoints() override { return inner.loadGLEntryPoints(); }
    void showWindow(Handle window) override { inner.showWindow(window); }
    void swapBuffers(Handle deviceContext) override;
    // Every frame is drawn and read back, whatever the window system says of a window nobody looks at.
    bool takeMessage(WindowMessage& message) override
    {
        while (inner.takeMessage(message)) {
            if (message.type != WindowMessage::Type::Activate) {
                return true;
            }
        }
        return false;
    }
    void postQuitMessage() override { inner.postQuitMessage(); }
    void showCursor(bool visible) override { inner.showCursor(visible); }
    MessageBoxAnswer messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) override
    {
        return inner.messageBox(text, caption, buttons, icon);
    }
    std::string lastError() override { return inner.lastError(); }

private:
    PlatformWindow& inner;
    std::function<void()> beforeSwap;
};
