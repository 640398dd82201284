#pragma once

#include "platform/PlatformWindow.h"

#include <deque>
#include <set>
#include <string>
#include <vector>

// A window system whose every step can be made to fail, which records what the shell asked of it and
// plays back a script of messages. GL calls go to the shared headless test context.
class ScriptedWindow : public PlatformWindow {
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

    void queue(WindowMessage::Type type, int key = 0);
    bool called(const std::string& step) const;

    std::set<Step> failing;
    // Profiles the driver has no context of; the profile of the context made last.
    std::set<ContextProfile> missingProfiles;
    ContextProfile contextProfile = ContextProfile::Compatibility;
    MessageBoxAnswer answer = MessageBoxAnswer::No;
    std::vector<ShownBox> boxes;
    std::vector<std::string> calls;
    std::deque<WindowMessage> messages;
    int swaps = 0;
    int quitMessagesPosted = 0;
    bool createdFullscreen = false;
    int createdWidth = 0;
    int createdHeight = 0;
    std::string error;

private:
    bool step(Step which, const char* name);
};
