#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <optional>

class AbstractSceneObject;
class AbstractInputController;
class AbstractMotionController;
class LoadingScene;

// The application record: the window with its GL context, key state, display mode, the shared time
// value and the current scene. One exists for the life of the process.
class AppWindow {
public:
    AppWindow(Platform platform, int width, int height, AbstractInputController* inputController,
              AbstractMotionController* motionController, float* timeValue);

    // True when the window, the GL context and the GL entry points are ready; every failure but the
    // entry points' shows a message box and tears down what was built.
    bool openWindow();
    // Restores the display mode and releases whatever the record holds, reporting each failure and going on.
    void closeWindow();
    // Viewport and perspective projection for a client size in pixels; a height of 0 counts as 1.
    void resizeViewport(int newWidth, int newHeight);
    // Records key state, activation and size; asks to quit when the window is closed; Alt+Enter switches
    // between fullscreen and a window. Keys reach no scene.
    void windowProc(const WindowMessage& message);
    // The same window and GL context in the other mode: the scenes and the clock go on untouched, and the
    // size message that follows sets the projection.
    void toggleFullscreen();

    Platform platform;
    std::uint32_t loadedSceneCount = 0;
    std::uint8_t keys[256] = {};
    DeviceContext* deviceContext = nullptr;
    RenderingContext* renderingContext = nullptr;
    NativeWindow* window = nullptr;
    bool active = true;
    bool fullscreen = true;
    float* timeValue;
    int width;
    int height;
    int bitsPerPixel = 32;
    // Set: the one kind of GL context to ask for, with no fallback. `debugContext`: ask for a debug context.
    std::optional<ContextKind> onlyContext;
    bool debugContext = false;
    // The frame height the scenes' line widths were chosen for: the build's own. Taller frames widen the lines.
    int designHeight = 720;
    AbstractSceneObject* currentScene = nullptr;
    LoadingScene* loader = nullptr;
    AbstractMotionController* motionController;
    AbstractInputController* inputController;

private:
    bool fail(const char* message);
    RenderingContext* createContext();
    void reportShutdownError(const char* message);
};
