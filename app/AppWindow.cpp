#include "app/AppWindow.h"

#include "gl/GL.h"
#include "platform/KeyCode.h"

#include <cstdio>

namespace {

constexpr const char* kTitle = "Vantorel - Quessaly";
constexpr const char* kFullscreenQuestion =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

} // namespace

AppWindow::AppWindow(Platform platform, int width, int height, AbstractInputController* inputController,
                     AbstractMotionController* motionController, float* timeValue)
    : platform(platform), timeValue(timeValue), width(width), height(height), motionController(motionController),
      inputController(inputController)
{
}

// Tears down, shows the message, then the platform's own reason on standard error.
bool AppWindow::fail(const char* message)
{
    const std::string reason = platform.window.lastError();
    closeWindow();
    platform.dialogs.messageBox(message, "ERROR", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation);
    if (!reason.empty()) {
        std::fprintf(stderr, "%s\n", reason.c_str());
    }
    return false;
}

bool AppWindow::openWindow()
{
    if (!platform.window.registerClass()) {
        const std::string reason = platform.window.lastError();
        platform.dialogs.messageBox("Failed To Register The Window Class.", "ERROR", MessageBoxButtons::Ok,
                            MessageBoxIcon::Exclamation);
        if (!reason.empty()) {
            std::fprintf(stderr, "%s\n", reason.c_str());
        }
        return false;
    }

    if (fullscreen && !platform.window.setDisplayMode(width, height, bitsPerPixel)) {
        const MessageBoxAnswer answer = platform.dialogs.messageBox(kFullscreenQuestion, "ERROR", MessageBoxButtons::YesNo,
                                                            MessageBoxIcon::Exclamation);
        if (answer == MessageBoxAnswer::Yes) {
            fullscreen = false;
        } else {
            platform.dialogs.messageBox("Program Will Now Close.", "ERROR", MessageBoxButtons::Ok, MessageBoxIcon::Stop);
            return false;
        }
    }
    if (fullscreen) {
        platform.window.showCursor(false);
    }

    PixelFormat format;
    format.colorBits = bitsPerPixel;
    format.depthBits = 16;
    format.doubleBuffered = true;

    window = platform.window.createWindow(kTitle, width, height, fullscreen, format);
    if (window == nullptr) {
        return fail("Window Creation Error.");
    }
    deviceContext = platform.window.acquireDeviceContext(window);
    if (deviceContext == nullptr) {
        return fail("Can't Create A GL Device Context.");
    }
    const int formatNumber = platform.window.choosePixelFormat(deviceContext, format);
    if (formatNumber == 0) {
        return fail("Can't Find A Suitable PixelFormat.");
    }
    if (!platform.window.setPixelFormat(deviceContext, formatNumber, format)) {
        return fail("Can't Set The PixelFormat.");
    }
    renderingContext = createContext();
    if (renderingContext == nullptr) {
        return fail("Can't Create A GL Rendering Context.");
    }
    if (!platform.window.makeCurrent(deviceContext, renderingContext)) {
        return fail("Can't Activate The GL Rendering Context.");
    }

    platform.window.showWindow(window);
    resizeViewport(width, height);
    return platform.window.loadGLEntryPoints();
}

// The fixed back end needs a compatibility context. Where the driver has none, the shader back end takes
// over on a core context, a forward-compatible one where plain core is refused (as on macOS), or ES; the shader
// back end asks for those only.
RenderingContext* AppWindow::createContext()
{
    if (onlyContext) {
        return platform.window.createContext(deviceContext, *onlyContext, debugContext);
    }
    const bool shaders = gl::current() == gl::Backend::Shader;
    if (!shaders) {
        if (RenderingContext* context =
                platform.window.createContext(deviceContext, ContextKind::Compatibility, debugContext)) {
            return context;
        }
    }
    for (ContextKind kind : {ContextKind::Core, ContextKind::ForwardCompatibleCore, ContextKind::ES}) {
        if (RenderingContext* context = platform.window.createContext(deviceContext, kind, debugContext)) {
            if (!shaders) {
                gl::select(gl::Backend::Shader);
                std::fprintf(stderr, "No GL compatibility context: drawing through shaders on OpenGL %s\n",
                             kind == ContextKind::Core                    ? "3.3 core"
                             : kind == ContextKind::ForwardCompatibleCore ? "3.3 core (forward-compatible)"
                                                                          : "ES 3.0");
            }
            return context;
        }
    }
    return nullptr;
}

void AppWindow::reportShutdownError(const char* message)
{
    platform.dialogs.messageBox(message, "SHUTDOWN ERROR", MessageBoxButtons::Ok, MessageBoxIcon::Information);
}

void AppWindow::closeWindow()
{
    if (fullscreen) {
        platform.window.restoreDisplayMode();
        platform.window.showCursor(true);
    }
    if (renderingContext != nullptr) {
        gl::releaseDeviceObjects();
        if (!platform.window.makeCurrent(nullptr, nullptr)) {
            reportShutdownError("Release Of DC And RC Failed.");
        }
        if (!platform.window.deleteContext(renderingContext)) {
            reportShutdownError("Release Rendering Context Failed.");
        }
        renderingContext = nullptr;
    }
    // Handles are dropped once released, so a second close releases nothing twice.
    if (deviceContext != nullptr) {
        if (!platform.window.releaseDeviceContext(window, deviceContext)) {
            reportShutdownError("Release Device Context Failed.");
        }
        deviceContext = nullptr;
    }
    if (window != nullptr) {
        if (!platform.window.destroyWindow(window)) {
            reportShutdownError("Could Not Release hWnd.");
        }
        window = nullptr;
    }
    if (!platform.window.unregisterClass()) {
        reportShutdownError("Could Not Unregister Class.");
    }
}

void AppWindow::resizeViewport(int newWidth, int newHeight)
{
    if (newHeight == 0) {
        newHeight = 1;
    }
    gl::viewport(0, 0, newWidth, newHeight);
    gl::scaleLineWidths(newHeight, designHeight);
    gl::matrixMode(GL_PROJECTION);
    gl::loadIdentity();
    const float aspect = static_cast<float>(newWidth) / static_cast<float>(newHeight);
    gl::perspective(45.0, aspect, static_cast<double>(0.0001f), 450.0);
    gl::matrixMode(GL_MODELVIEW);
    gl::loadIdentity();
}

void AppWindow::windowProc(const WindowMessage& message)
{
    // A code outside the table never indexes it.
    const bool keyInRange = message.key >= 0 && message.key < 256;
    switch (message.type) {
    case WindowMessage::Type::Activate:
        active = !message.minimized;
        break;
    case WindowMessage::Type::Close:
        platform.events.postQuitMessage();
        break;
    case WindowMessage::Type::KeyDown:
    case WindowMessage::Type::SystemKeyDown:
        // Only the press switches: a held Enter repeats its key-down messages.
        if (message.key == KeyCode::kEnter && keys[KeyCode::kAlt] != 0 && keys[KeyCode::kEnter] == 0) {
            toggleFullscreen();
        }
        if (keyInRange) {
            keys[message.key] = 1;
        }
        break;
    case WindowMessage::Type::KeyUp:
    case WindowMessage::Type::SystemKeyUp:
        if (keyInRange) {
            keys[message.key] = 0;
        }
        break;
    case WindowMessage::Type::Size:
        resizeViewport(message.width, message.height);
        break;
    case WindowMessage::Type::None:
    case WindowMessage::Type::Quit:
        break;
    }
}

void AppWindow::toggleFullscreen()
{
    if (window == nullptr) {
        return;
    }
    if (fullscreen) {
        if (platform.window.setFullscreen(window, false)) {
            platform.window.restoreDisplayMode();
            platform.window.showCursor(true);
            fullscreen = false;
        }
        return;
    }
    if (platform.window.setDisplayMode(width, height, bitsPerPixel) && platform.window.setFullscreen(window, true)) {
        platform.window.showCursor(false);
        fullscreen = true;
        return;
    }
    std::fprintf(stderr, "No fullscreen %dx%d: %s\n", width, height, platform.window.lastError().c_str());
}
