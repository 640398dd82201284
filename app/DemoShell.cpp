#include "app/DemoShell.h"

#include "app/AppWindow.h"
#include "app/LoadingScene.h"
#include "app/MusicStream.h"
#include "sequence/QuitRequest.h"
#include "gl/ErrorReport.h"
#include "platform/AudioDevice.h"
#include "platform/KeyCode.h"
#include "sequence/KeyboardInputController.h"
#include "sequence/KeyboardMotionController.h"
#include "sequence/TextureTable.h"

#include <cstdio>

namespace {

// The keys the shell and the window act on; every other key's state is recorded and read by nobody.
constexpr int kShellKeys[] = {KeyCode::kEscape, KeyCode::kAlt, KeyCode::kF4, KeyCode::kEnter, KeyCode::kSpace};
// A paused loop wakes for each message, and otherwise this often.
constexpr int kPausedWaitMilliseconds = 100;

} // namespace

DemoShell::DemoShell(Platform platform, AudioDevice* audio, int width, int height)
    : DemoShell(platform, audio, width, height, showScenes())
{
}

DemoShell::DemoShell(Platform platform, AudioDevice* audio, int width, int height,
                     std::vector<SceneRow> scenes)
    : platform(platform), audio(audio), scenes(std::move(scenes))
{
    timeValue = -1.0f;
    inputController = std::make_unique<KeyboardInputController>();
    motionController = std::make_unique<KeyboardMotionController>();
    application = std::make_unique<AppWindow>(platform, width, height, inputController.get(),
                                              motionController.get(), &timeValue);
}

DemoShell::~DemoShell() = default;

AppWindow* DemoShell::app() { return application.get(); }
LoadingScene* DemoShell::loader() { return loadingScene.get(); }

void DemoShell::preferWindowed() { windowed = true; }

void DemoShell::reportGLErrors()
{
    errorReport = std::make_unique<ErrorReport>();
    application->debugContext = true;
}

long DemoShell::glErrors() const { return errorReport ? errorReport->errorCount() : 0; }

void DemoShell::startAt(double seconds) { startSeconds = seconds; }

bool DemoShell::startUp()
{
    if (windowed) {
        application->fullscreen = false;
    }
    if (!application->openWindow()) {
        return false;
    }
    application->resizeViewport(application->width, application->height);
    if (errorReport) {
        errorReport->start();
    }

    setQuitTarget(&platform.events);
    MusicStream::instance().device = audio;
    loadingStarted = std::chrono::steady_clock::now();
    loadingScene = std::make_unique<LoadingScene>(application.get(), &timeValue, scenes);
    MusicStream& music = MusicStream::instance();
    if (startSeconds > 0.0 && audio != nullptr) {
        const double frames = startSeconds * AudioDevice::kBytesPerSecond / AudioDevice::kBytesPerFrame;
        catchingUp = audio->seek(music.stream, static_cast<std::int64_t>(frames) * AudioDevice::kBytesPerFrame);
    }
    loadingScene->start();
    application->loader = loadingScene.get();
    inputController->scene = loadingScene.get();
    motionController->setScene(loadingScene.get());
    application->currentScene = loadingScene.get();
    return true;
}

bool DemoShell::runFrame()
{
    // Waiting before the messages are taken, so that a key ends the wait and acts in the same frame.
    if (paused) {
        platform.events.waitForMessage(kPausedWaitMilliseconds);
    }
    // One message a frame, but a message that changes nothing the shell reads (a key nobody acts on, a key
    // that is already down or up) does not take the frame's turn: a flood of typed keys cannot hold
    // Escape, Alt+F4 or a close request back by more than two frames.
    WindowMessage message;
    while (platform.events.takeMessage(message)) {
        if (message.type == WindowMessage::Type::Quit) {
            quitRetrieved = true;
            break;
        }
        const ShellView before = shellView();
        const bool spacePressed = message.type == WindowMessage::Type::KeyDown && message.key == KeyCode::kSpace &&
                                  application->keys[KeyCode::kSpace] == 0;
        application->windowProc(message);
        if (spacePressed) {
            togglePause();
        }
        if (message.type == WindowMessage::Type::Close || !(shellView() == before)) {
            break;
        }
    }
    // Paused, the clock is not read and no scene runs, so nothing moves, not even what advances once per drawn
    // frame; nothing is swapped, and the window keeps the last frame shown. The quit keys still act.
    if (!paused) {
        playFrame();
    }

    if (application->keys[KeyCode::kEscape]) {
        platform.events.postQuitMessage();
    }
    if (application->keys[KeyCode::kAlt] && application->keys[KeyCode::kF4]) {
        platform.events.postQuitMessage();
    }
    return !quitRetrieved;
}

void DemoShell::togglePause()
{
    // Space before the show plays is ignored: there is nothing to hold while the scenes load.
    if (!loadingScene->loaded) {
        return;
    }
    paused = !paused;
    MusicStream::instance().pause(paused);
}

void DemoShell::playFrame()
{
    if (loadingScene->loaded) {
        timeValue = static_cast<float>(MusicStream::instance().seconds());
        // Normally one entry a frame; a later start passes every entry before it at once, each started and
        // stopped in order so that the state one scene leaves to the next is in place.
        while (loadingScene->advance()) {
            application->currentScene = loadingScene->timeline[loadingScene->currentIndex].scene;
            if (!catchingUp) {
                break;
            }
        }
        catchingUp = false;
    }
    // Minimized or hidden, nobody sees the frames: the scenes and the clock go on, every state change is made,
    // nothing is drawn or swapped, and a display frame's wait stands in for the swap's.
    const bool shown = application->active;
    unseen.set(!shown);
    if (application->currentScene != nullptr) {
        const bool wasLoading = !loadingScene->loaded;
        if (errorReport) {
            errorReport->setScene(loadingScene->keywords[loadingScene->currentIndex]);
        }
        application->currentScene->render();
        if (wasLoading && loadingScene->loaded) {
            loadingSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - loadingStarted).count();
        }
    }
    if (errorReport) {
        errorReport->endFrame();
    }
    if (shown) {
        if (beforeSwap) {
            beforeSwap();
        }
        platform.window.swapBuffers(application->deviceContext);
    } else {
        // Effects that advance once a frame keep their pace while nobody sees them.
        platform.window.waitForDisplayFrame();
    }
}

DemoShell::ShellView DemoShell::shellView() const
{
    ShellView view;
    for (std::size_t k = 0; k < view.keys.size(); ++k) {
        view.keys[k] = application->keys[kShellKeys[k]];
    }
    view.active = application->active;
    view.fullscreen = application->fullscreen;
    return view;
}

void DemoShell::shutDown()
{
    TextureTable::instance().release();
    application->currentScene = nullptr;
    application->loader = nullptr;
    loadingScene.reset();
    if (errorReport && application->renderingContext != nullptr) {
        errorReport->stop();
        if (errorReport->errorCount() > 0) {
            std::fprintf(stderr, "%ld GL errors, %zu of them distinct\n", errorReport->errorCount(),
                         errorReport->distinctCount());
        }
    }
    setQuitTarget(nullptr);
    MusicStream::instance().device = nullptr;
    MusicStream::instance().stream = 0;
    application->closeWindow();
}

int DemoShell::run()
{
    if (!startUp()) {
        return 1;
    }
    while (runFrame()) {
    }
    shutDown();
    // A run that met GL errors fails, so a check can rely on its status.
    return glErrors() > 0 ? 1 : 0;
}
