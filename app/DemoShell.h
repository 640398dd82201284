#pragma once

#include "app/UnseenFrames.h"
#include "effects/SceneCatalog.h"
#include "platform/Platform.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class AppWindow;
class AudioDevice;
class ErrorReport;
class KeyboardInputController;
class KeyboardMotionController;
class LoadingScene;

// The program: builds the application in order, runs one frame at a time until the quit message
// arrives, and tears down. The music's position is the clock.
class DemoShell {
public:
    // `audio` may be null: the clock then stays at 0 once loading has finished.
    DemoShell(Platform platform, AudioDevice* audio, int width, int height);
    DemoShell(Platform platform, AudioDevice* audio, int width, int height, std::vector<SceneRow> scenes);
    ~DemoShell();

    // Opens the window and builds the loader with every scene; false when the window could not open.
    bool startUp();
    // One frame: at most one message, the clock and the timeline once loading is done, render, swap,
    // the quit keys. False once the quit message has been retrieved; that frame still renders. Space pauses
    // the show and resumes it: a paused frame waits for a message and draws nothing.
    bool runFrame();
    // Releases the textures and scenes while the GL context is current, then closes the window.
    void shutDown();
    // The whole run: exit status 0, or 1 when the window could not open.
    int run();

    // Opens a decorated window instead of asking for the fullscreen display mode.
    void preferWindowed();
    // Begins the music and the timeline `seconds` in, once every scene is loaded: the entries before are
    // passed in the first frame of music, and the one current then starts there.
    void startAt(double seconds);
    // Called with every frame that is shown, just before the buffers swap, while the back buffer still holds
    // the frame: where the render tool reads its frames.
    void setBeforeSwap(std::function<void()> hook) { beforeSwap = std::move(hook); }
    // --gl-debug: asks for a debug context, and prints every distinct GL error once with its scene.
    void reportGLErrors();
    // The GL errors met so far; always 0 unless they are reported.
    long glErrors() const;

    float timeValue = -1.0f;
    // Wall time from the loader's construction to the frame that starts the music, every scene loaded;
    // negative until then.
    double loadingSeconds = -1.0;
    AppWindow* app();
    LoadingScene* loader();

private:
    // What the shell and the window act on of the window procedure's work.
    struct ShellView {
        std::array<std::uint8_t, 5> keys{};
        bool active = true;
        bool fullscreen = false;
        bool operator==(const ShellView& other) const
        {
            return keys == other.keys && active == other.active && fullscreen == other.fullscreen;
        }
    };
    ShellView shellView() const;
    // The clock, the timeline, the current scene's render and the swap.
    void playFrame();
    void togglePause();

    Platform platform;
    std::function<void()> beforeSwap;
    AudioDevice* audio;
    std::vector<SceneRow> scenes;
    std::unique_ptr<KeyboardInputController> inputController;
    std::unique_ptr<KeyboardMotionController> motionController;
    std::unique_ptr<AppWindow> application;
    std::unique_ptr<LoadingScene> loadingScene;
    bool windowed = false;
    double startSeconds = 0.0;
    bool catchingUp = false;
    bool quitRetrieved = false;
    bool paused = false;
    // While the window is minimized or hidden.
    UnseenFrames unseen;
    std::chrono::steady_clock::time_point loadingStarted;
    std::unique_ptr<ErrorReport> errorReport;
};
