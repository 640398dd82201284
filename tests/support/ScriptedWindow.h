#pragma once

#include "platform/Platform.h"

#include <deque>
#include <set>
#include <string>
#include <vector>

// A test double for the whole platform: a window system whose every step can be made to fail, which
// records what the shell asked of it (message boxes included) and plays back a script of messages. GL calls
// go to the shared headless test context.
class ScriptedWindow : public PlatformWindow, public PlatformEvents, public PlatformDialogs {
public:
    enum class Step {
        RegisterClass,
        UnregisterClass,
        SetDisplayMode,
        CreateWindow,
        DestroyWindow,
        SetFullscreen,
        AcquireDeviceContext,
        ReleaseDeviceContext,
        ChoosePixelFormat,
        SetPixelFormat,
        CreateContext,
        MakeCurrent,
        ReleaseCurrent,
        DeleteContext,
        LoadGLEntryPoints,
    };
    struct ShownBox {
        std::string text;
        std::string caption;
        MessageBoxButtons buttons;
        MessageBoxIcon icon;
    };

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
    void waitForDisplayFrame() override { ++displayFrameWaits; }
    bool takeMessage(WindowMessage& message) override;
    void postQuitMessage() override;
    void waitForMessage(int) override { ++waits; }
    void showCursor(bool visible) override;
    MessageBoxAnswer messageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) override;
    std::string lastError() override;

    void queue(WindowMessage::Type type, int key = 0);
    bool called(const std::string& step) const;

    std::set<Step> failing;
    // Profiles the driver has no context of; the profile of the context made last.
    std::set<ContextKind> missingKinds;
    ContextKind contextKind = ContextKind::Compatibility;
    bool debugContext = false;
    MessageBoxAnswer answer = MessageBoxAnswer::No;
    std::vector<ShownBox> boxes;
    std::vector<std::string> calls;
    std::deque<WindowMessage> messages;
    int swaps = 0;
    int waits = 0;
    int displayFrameWaits = 0;
    int quitMessagesPosted = 0;
    bool createdFullscreen = false;
    int createdWidth = 0;
    int createdHeight = 0;
    std::string error;

private:
    bool step(Step which, const char* name);
};
