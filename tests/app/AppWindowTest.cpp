#include "app/AppWindow.h"
#include "effects/scenes/PlasmaTunnelVelkScene.h"
#include "gl/ContextCapabilities.h"
#include "gl/ErrorReport.h"
#include "gl/GL.h"
#include "platform/SdlDialogs.h"
#include "platform/SdlEvents.h"
#include "platform/SdlWindow.h"
#include "support/HeadlessGL.h"
#include "support/ScriptedWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

using Step = ScriptedWindow::Step;

struct FailureCase {
    Step step;
    const char* message;
    // The teardown calls expected after the failure, in order.
    std::vector<std::string> teardown;
};

const FailureCase kFailures[] = {
    {Step::CreateWindow, "Window Creation Error.", {"restoreDisplayMode", "showCursor", "unregisterClass"}},
    {Step::AcquireDeviceContext, "Can't Create A GL Device Context.",
     {"restoreDisplayMode", "showCursor", "destroyWindow", "unregisterClass"}},
    {Step::ChoosePixelFormat, "Can't Find A Suitable PixelFormat.",
     {"restoreDisplayMode", "showCursor", "releaseDeviceContext", "destroyWindow", "unregisterClass"}},
    {Step::SetPixelFormat, "Can't Set The PixelFormat.",
     {"restoreDisplayMode", "showCursor", "releaseDeviceContext", "destroyWindow", "unregisterClass"}},
    {Step::CreateContext, "Can't Create A GL Rendering Context.",
     {"restoreDisplayMode", "showCursor", "releaseDeviceContext", "destroyWindow", "unregisterClass"}},
    {Step::MakeCurrent, "Can't Activate The GL Rendering Context.",
     {"restoreDisplayMode", "showCursor", "releaseCurrent", "deleteContext", "releaseDeviceContext",
      "destroyWindow", "unregisterClass"}},
};

// What follows the last attempt at the step: a context is asked for once per profile before it fails.
std::vector<std::string> callsAfter(const std::vector<std::string>& calls, const std::string& failedStep)
{
    for (std::size_t i = calls.size(); i-- > 0;) {
        if (calls[i] == failedStep) {
            return {calls.begin() + static_cast<std::ptrdiff_t>(i) + 1, calls.end()};
        }
    }
    return {};
}

const char* stepName(Step step)
{
    switch (step) {
    case Step::CreateWindow:
        return "createWindow";
    case Step::AcquireDeviceContext:
        return "acquireDeviceContext";
    case Step::ChoosePixelFormat:
        return "choosePixelFormat";
    case Step::SetPixelFormat:
        return "setPixelFormat";
    case Step::CreateContext:
        return "createContext";
    default:
        return "makeCurrent";
    }
}

} // namespace

class AppWindowTest : public GLTest {
protected:
    float timeValue = -1.0f;
};

TEST_F(AppWindowTest, EachFailingStepShowsItsMessageAndTearsDownWhatItBuilt)
{
    for (const FailureCase& failure : kFailures) {
        ScriptedWindow platform;
        platform.failing.insert(failure.step);
        AppWindow app(platform, 1280, 720, nullptr, nullptr, &timeValue);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(app.openWindow()) << failure.message;
        const std::string stderrText = testing::internal::GetCapturedStderr();

        ASSERT_EQ(platform.boxes.size(), 1u) << failure.message;
        EXPECT_EQ(platform.boxes[0].text, failure.message);
        EXPECT_EQ(platform.boxes[0].caption, "ERROR");
        EXPECT_EQ(platform.boxes[0].buttons, MessageBoxButtons::Ok);
        EXPECT_EQ(platform.boxes[0].icon, MessageBoxIcon::Exclamation);
        EXPECT_EQ(callsAfter(platform.calls, stepName(failure.step)), failure.teardown) << failure.message;
        // The platform's own reason follows the message.
        EXPECT_NE(stderrText.find(std::string(stepName(failure.step)) + " failed"), std::string::npos);
        EXPECT_EQ(app.window, nullptr);
        EXPECT_EQ(app.deviceContext, nullptr);
        EXPECT_EQ(app.renderingContext, nullptr);
    }
}

TEST_F(AppWindowTest, RegistrationAndEntryPointFailures)
{
    ScriptedWindow unregistered;
    unregistered.failing.insert(Step::RegisterClass);
    AppWindow first(unregistered, 1280, 720, nullptr, nullptr, &timeValue);
    EXPECT_FALSE(first.openWindow());
    ASSERT_EQ(unregistered.boxes.size(), 1u);
    EXPECT_EQ(unregistered.boxes[0].text, "Failed To Register The Window Class.");
    EXPECT_EQ(unregistered.calls, std::vector<std::string>{"registerClass"}); // nothing to tear down

    // Missing GL entry points fail silently and leave the window up.
    ScriptedWindow noEntryPoints;
    noEntryPoints.failing.insert(Step::LoadGLEntryPoints);
    AppWindow second(noEntryPoints, 1280, 720, nullptr, nullptr, &timeValue);
    EXPECT_FALSE(second.openWindow());
    EXPECT_TRUE(noEntryPoints.boxes.empty());
    EXPECT_NE(second.window, nullptr);
    EXPECT_NE(second.renderingContext, nullptr);
}

TEST_F(AppWindowTest, WithoutACompatibilityContextTheShaderPathTakesOver)
{
    using K = ContextKind;
    // A core-only driver, one with forward-compatible core contexts only (as macOS), and an ES-only one.
    const std::pair<std::set<K>, K> drivers[] = {
        {{K::Compatibility}, K::Core},
        {{K::Compatibility, K::Core}, K::ForwardCompatibleCore},
        {{K::Compatibility, K::Core, K::ForwardCompatibleCore, K::ForwardCompatibleCore41}, K::ES}};
    for (const auto& [missing, expected] : drivers) {
        gl::select(gl::Backend::Fixed);
        ScriptedWindow platform;
        platform.missingKinds = missing;
        AppWindow app(platform, 1280, 720, nullptr, nullptr, &timeValue);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(app.openWindow());
        const std::string stderrText = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(platform.boxes.empty());
        EXPECT_EQ(platform.contextKind, expected);
        EXPECT_EQ(gl::current(), gl::Backend::Shader);
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
        EXPECT_NE(stderrText.find("No GL compatibility context"), std::string::npos);
        app.closeWindow();
    }
    // Asked for shaders, the window never tries for the fixed function.
    ScriptedWindow platform;
    AppWindow app(platform, 1280, 720, nullptr, nullptr, &timeValue);
    EXPECT_TRUE(app.openWindow());
    EXPECT_EQ(platform.contextKind, ContextKind::Core);
    app.closeWindow();
    gl::select(gl::Backend::Fixed);
}

// A real driver offering OpenGL ES only: the window falls back to it, and the tunnel of flat-shaded quad strips
// draws through shaders what the fixed function draws. Metric, per channel: mean absolute difference at most
// 0.1/255 and 99th percentile at most 1/255; on Mesa the two are the same to the bit, and a strip split with the
// wrong last vertex, or smooth shading in place of flat, differs by a mean of 1/255 or more.
TEST_F(AppWindowTest, OnADriverWithOnlyOpenGLESTheShowDrawsThroughShaders)
{
    class ESOnlyWindow : public SdlWindow {
    public:
        RenderingContext* createContext(DeviceContext* deviceContext, ContextKind kind, bool debugOutput) override
        {
            return kind == ContextKind::ES ? SdlWindow::createContext(deviceContext, kind, debugOutput) : nullptr;
        }
    };
    const auto drawTunnel = [this](const char* label) {
        PlasmaTunnelVelkScene scene(&timeValue);
        timeValue = 80.0f;
        scene.load();
        scene.start();
        for (float time : {80.0f, 80.5f, 81.0f}) {
            timeValue = time;
            scene.render();
        }
        std::vector<std::uint8_t> rgba = readPixels();
        EXPECT_GT(std::count_if(rgba.begin(), rgba.end(), [](std::uint8_t v) { return v > 40; }), 1000) << label;
        return rgba;
    };
    ScriptedWindow reference;
    AppWindow fixed(reference, headless_gl::kWidth, headless_gl::kHeight, nullptr, nullptr, &timeValue);
    fixed.resizeViewport(headless_gl::kWidth, headless_gl::kHeight);
    const std::vector<std::uint8_t> expected = drawTunnel("fixed");

    ESOnlyWindow platform;
    SdlEvents events(platform);
    SdlDialogs dialogs(platform);
    AppWindow app({platform, events, dialogs}, headless_gl::kWidth, headless_gl::kHeight, nullptr, nullptr, &timeValue);
    app.fullscreen = false;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(app.openWindow()) << platform.lastError();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(gl::current(), gl::Backend::Shader);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(glGetString(GL_VERSION))).rfind("OpenGL ES", 0), 0u);
    const std::vector<std::uint8_t> drawn = drawTunnel("shader");
    app.closeWindow();
    gl::select(gl::Backend::Fixed);

    std::vector<int> differences;
    double total = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i % 4 != 3) {
            differences.push_back(std::abs(int{expected[i]} - int{drawn[i]}));
            total += differences.back();
        }
    }
    std::sort(differences.begin(), differences.end());
    EXPECT_LE(total / static_cast<double>(differences.size()), 0.1);
    EXPECT_LE(differences[differences.size() * 99 / 100], 1);
}

// Every kind of context the show may meet, made for real on Mesa: what it reports is what the shader back end
// decides from, a three-pixel line is three pixels wide on each (forward-compatible contexts refuse wide lines,
// ES has no smoothing), and no GL error is raised. The error report hears an error the driver raises, names its
// call where the context has debug output, and prints each distinct error once; read through glGetError alone
// (as in a browser) it still counts every one.
TEST_F(AppWindowTest, EveryKindOfContextDrawsWideLinesWithoutAGLError)
{
    const struct {
        ContextKind kind;
        bool forwardCompatible;
        bool openGLES;
        bool wideLines; // as Mesa reports them; ES allows them where the range does
    } kinds[] = {{ContextKind::Compatibility, false, false, true},
                 {ContextKind::Core, false, false, true},
                 {ContextKind::ForwardCompatibleCore, true, false, false},
                 {ContextKind::ForwardCompatibleCore41, true, false, false},
                 {ContextKind::ES, false, true, true}};
    for (const auto& expected : kinds) {
        SCOPED_TRACE(static_cast<int>(expected.kind));
        gl::select(expected.kind == ContextKind::Compatibility ? gl::Backend::Fixed : gl::Backend::Shader);
        SdlWindow platform;
        SdlEvents events(platform);
        SdlDialogs dialogs(platform);
        AppWindow app({platform, events, dialogs}, headless_gl::kWidth, headless_gl::kHeight, nullptr, nullptr,
                      &timeValue);
        app.fullscreen = false;
        app.onlyContext = expected.kind;
        app.debugContext = true;
        ASSERT_TRUE(app.openWindow()) << platform.lastError();
        const ContextCapabilities capabilities = ContextCapabilities::query();
        EXPECT_EQ(capabilities.forwardCompatible, expected.forwardCompatible);
        EXPECT_EQ(capabilities.openGLES, expected.openGLES);
        EXPECT_EQ(capabilities.polygonMode, !expected.openGLES);
        EXPECT_EQ(capabilities.drawsLines(3.0f, false), expected.wideLines);
        EXPECT_EQ(capabilities.drawsLines(1.0f, true), !expected.openGLES);

        ErrorReport report;
        testing::internal::CaptureStderr();
        report.start();
        gl::matrixMode(GL_PROJECTION);
        gl::loadIdentity();
        gl::matrixMode(GL_MODELVIEW);
        gl::loadIdentity();
        gl::clearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl::clear(GL_COLOR_BUFFER_BIT);
        gl::lineWidth(3.0f);
        gl::color3f(1.0f, 1.0f, 1.0f);
        const float ends[][3] = {{-0.5f, 0.0f, 0.0f}, {0.5f, 0.0f, 0.0f}};
        gl::begin(GL_LINES);
        gl::vertex3fv(ends[0]);
        gl::vertex3fv(ends[1]);
        gl::end();
        const std::vector<std::uint8_t> rgba = readPixels();
        int litRows = 0;
        for (int y = 0; y < headless_gl::kHeight; ++y) {
            litRows += rgba[(static_cast<std::size_t>(y) * headless_gl::kWidth + headless_gl::kWidth / 2) * 4] > 200;
        }
        EXPECT_EQ(litRows, 3);
        report.endFrame();
        EXPECT_EQ(report.errorCount(), 0);
        EXPECT_TRUE(report.usesDebugOutput());

        glLineWidth(-1.0f);
        glLineWidth(-1.0f);
        report.endFrame();
        report.stop();
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(report.errorCount(), 2);
        EXPECT_EQ(report.distinctCount(), 1u);
        EXPECT_NE(printed.find("GL error in LOADER: GL_INVALID_VALUE in glLineWidth"), std::string::npos) << printed;

        ErrorReport afterFrames;
        testing::internal::CaptureStderr();
        afterFrames.start(false);
        glLineWidth(-1.0f);
        afterFrames.setScene("INTRO");
        afterFrames.endFrame();
        afterFrames.stop();
        EXPECT_NE(testing::internal::GetCapturedStderr().find("GL error in INTRO: GL_INVALID_VALUE"), std::string::npos);
        EXPECT_EQ(afterFrames.errorCount(), 1);
        app.closeWindow();
    }
    gl::select(gl::Backend::Fixed);
}

TEST_F(AppWindowTest, UnsupportedFullscreenModeAsksForAWindow)
{
    ScriptedWindow refusing;
    refusing.failing.insert(Step::SetDisplayMode);
    refusing.answer = MessageBoxAnswer::No;
    AppWindow refused(refusing, 1280, 720, nullptr, nullptr, &timeValue);
    EXPECT_FALSE(refused.openWindow());
    ASSERT_EQ(refusing.boxes.size(), 2u);
    EXPECT_EQ(refusing.boxes[0].text,
              "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
    EXPECT_EQ(refusing.boxes[0].buttons, MessageBoxButtons::YesNo);
    EXPECT_EQ(refusing.boxes[1].text, "Program Will Now Close.");
    EXPECT_EQ(refusing.boxes[1].caption, "ERROR");
    EXPECT_EQ(refusing.boxes[1].icon, MessageBoxIcon::Stop);
    EXPECT_FALSE(refusing.called("createWindow"));

    ScriptedWindow accepting;
    accepting.failing.insert(Step::SetDisplayMode);
    accepting.answer = MessageBoxAnswer::Yes;
    AppWindow windowed(accepting, 1024, 768, nullptr, nullptr, &timeValue);
    EXPECT_TRUE(windowed.openWindow());
    EXPECT_FALSE(windowed.fullscreen);
    EXPECT_FALSE(accepting.createdFullscreen);
    EXPECT_EQ(accepting.createdWidth, 1024);
    EXPECT_EQ(accepting.createdHeight, 768);
    EXPECT_FALSE(accepting.called("hideCursor"));
    EXPECT_TRUE(accepting.called("showWindow"));

    // Closing a windowed run leaves the display mode and the cursor alone.
    accepting.calls.clear();
    windowed.closeWindow();
    EXPECT_EQ(accepting.calls, (std::vector<std::string>{"releaseCurrent", "deleteContext", "releaseDeviceContext",
                                                          "destroyWindow", "unregisterClass"}));
}

TEST_F(AppWindowTest, ShutdownReportsEachFailureAndGoesOn)
{
    ScriptedWindow platform;
    AppWindow app(platform, 1280, 720, nullptr, nullptr, &timeValue);
    ASSERT_TRUE(app.openWindow());
    EXPECT_TRUE(platform.called("hideCursor"));
    platform.failing = {Step::ReleaseCurrent, Step::DeleteContext, Step::ReleaseDeviceContext, Step::DestroyWindow,
                        Step::UnregisterClass};
    app.closeWindow();
    std::vector<std::string> texts;
    for (const auto& box : platform.boxes) {
        EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(box.icon, MessageBoxIcon::Information);
        texts.push_back(box.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Release Of DC And RC Failed.", "Release Rendering Context Failed.",
                                               "Release Device Context Failed.", "Could Not Release hWnd.",
                                               "Could Not Unregister Class."}));
    EXPECT_TRUE(platform.called("restoreDisplayMode"));
    EXPECT_TRUE(platform.called("showCursor"));
}

TEST_F(AppWindowTest, WindowProcRecordsKeysSizeActivationAndClose)
{
    ScriptedWindow platform;
    AppWindow app(platform, 1280, 720, nullptr, nullptr, &timeValue);
    const auto send = [&](WindowMessage::Type type, int key = 0, int width = 0, int height = 0) {
        WindowMessage message;
        message.type = type;
        message.key = key;
        message.width = width;
        message.height = height;
        message.minimized = type == WindowMessage::Type::Activate && key == 1;
        app.windowProc(message);
    };

    send(WindowMessage::Type::SystemKeyDown, 18);
    send(WindowMessage::Type::SystemKeyDown, 115);
    EXPECT_EQ(app.keys[18], 1);
    EXPECT_EQ(app.keys[115], 1);
    send(WindowMessage::Type::SystemKeyUp, 18);
    send(WindowMessage::Type::SystemKeyUp, 115);
    EXPECT_EQ(app.keys[18], 0);
    EXPECT_EQ(app.keys[115], 0);
    send(WindowMessage::Type::KeyDown, 27);
    EXPECT_EQ(app.keys[27], 1);

    // Codes outside the table are ignored, not written past it.
    const std::vector<std::uint8_t> before(app.keys, app.keys + 256);
    send(WindowMessage::Type::KeyDown, 256);
    send(WindowMessage::Type::KeyDown, -1);
    send(WindowMessage::Type::KeyDown, 100000);
    EXPECT_EQ(std::vector<std::uint8_t>(app.keys, app.keys + 256), before);
    EXPECT_EQ(app.loadedSceneCount, 0u);

    send(WindowMessage::Type::Activate, 1);
    EXPECT_FALSE(app.active);
    send(WindowMessage::Type::Activate, 0);
    EXPECT_TRUE(app.active);

    // A minimised window's height of 0 counts as 1: a one-pixel viewport with aspect = width.
    send(WindowMessage::Type::Size, 0, 800, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 1);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const float focal = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    EXPECT_NEAR(projection[5], focal, 1e-4f);
    EXPECT_NEAR(projection[0], focal / 800.0f, 1e-6f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    send(WindowMessage::Type::Close);
    EXPECT_EQ(platform.quitMessagesPosted, 1);
}

// Alt+Enter switches the open window, once per press of Enter, and stays windowed when the mode is refused.
TEST_F(AppWindowTest, AltEnterSwitchesBetweenFullscreenAndAWindow)
{
    ScriptedWindow platform;
    AppWindow app(platform, 1280, 720, nullptr, nullptr, &timeValue);
    ASSERT_TRUE(app.openWindow());
    const auto key = [&](WindowMessage::Type type, int code) {
        WindowMessage message;
        message.type = type;
        message.key = code;
        app.windowProc(message);
    };
    using Type = WindowMessage::Type;
    platform.calls.clear();
    key(Type::KeyDown, 13);
    EXPECT_TRUE(app.fullscreen) << "Enter without Alt";
    key(Type::KeyUp, 13);
    key(Type::SystemKeyDown, 18);
    key(Type::SystemKeyDown, 13);
    key(Type::SystemKeyDown, 13); // held: the key repeats
    EXPECT_FALSE(app.fullscreen);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"setWindowed", "restoreDisplayMode", "showCursor"}));
    key(Type::SystemKeyUp, 13);
    key(Type::SystemKeyDown, 13);
    EXPECT_TRUE(app.fullscreen);
    key(Type::SystemKeyUp, 13);
    key(Type::SystemKeyDown, 13);
    key(Type::SystemKeyUp, 13);
    platform.failing.insert(Step::SetDisplayMode);
    platform.calls.clear();
    key(Type::SystemKeyDown, 13);
    EXPECT_FALSE(app.fullscreen);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"setDisplayMode"}));
    app.closeWindow();
}
