#include "app/AppWindow.h"
#include "platform/SdlDialogs.h"
#include "platform/SdlEvents.h"
#include "platform/SdlWindow.h"
#include "support/HeadlessGL.h"
#include "support/ScopedEnv.h"

#include <GL/glew.h>
#include <cstring>
#include <vector>
#include <gtest/gtest.h>

namespace {

SDL_Event keyEvent(Uint32 type, SDL_Keycode key, Uint16 modifiers = KMOD_NONE)
{
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    event.key.keysym.mod = modifiers;
    return event;
}

SDL_Event windowEvent(Uint8 what, int data1 = 0, int data2 = 0)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

} // namespace

TEST(SdlWindowMessages, KeysMapToVirtualKeyCodes)
{
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_a), 65);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_z), 90);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_0), 48);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_9), 57);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_SPACE), 32);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_RETURN), 13);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_ESCAPE), 27);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_LALT), 18);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_RALT), 18);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_F1), 112);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_F4), 115);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_F12), 123);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_LSHIFT), 0);
    EXPECT_EQ(SdlEvents::virtualKeyCode(SDLK_F13), 0);
}

TEST(SdlWindowMessages, TranslatesTheHandledEventsAndDropsTheRest)
{
    WindowMessage message;
    ASSERT_TRUE(SdlEvents::translate(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE), message));
    EXPECT_EQ(message.type, WindowMessage::Type::KeyDown);
    EXPECT_EQ(message.key, 27);

    // Alt itself, and keys pressed while it is held, are system keys: Alt+F4 arrives as two of them.
    ASSERT_TRUE(SdlEvents::translate(keyEvent(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT), message));
    EXPECT_EQ(message.type, WindowMessage::Type::SystemKeyDown);
    EXPECT_EQ(message.key, 18);
    ASSERT_TRUE(SdlEvents::translate(keyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_LALT), message));
    EXPECT_EQ(message.type, WindowMessage::Type::SystemKeyDown);
    EXPECT_EQ(message.key, 115);
    ASSERT_TRUE(SdlEvents::translate(keyEvent(SDL_KEYUP, SDLK_F4, KMOD_LALT), message));
    EXPECT_EQ(message.type, WindowMessage::Type::SystemKeyUp);
    ASSERT_TRUE(SdlEvents::translate(keyEvent(SDL_KEYUP, SDLK_LALT), message));
    EXPECT_EQ(message.type, WindowMessage::Type::SystemKeyUp);
    ASSERT_TRUE(SdlEvents::translate(keyEvent(SDL_KEYUP, SDLK_F4), message));
    EXPECT_EQ(message.type, WindowMessage::Type::KeyUp);

    ASSERT_TRUE(SdlEvents::translate(windowEvent(SDL_WINDOWEVENT_CLOSE), message));
    EXPECT_EQ(message.type, WindowMessage::Type::Close);
    ASSERT_TRUE(SdlEvents::translate(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 0), message));
    EXPECT_EQ(message.type, WindowMessage::Type::Size);
    EXPECT_EQ(message.width, 640);
    EXPECT_EQ(message.height, 0);
    ASSERT_TRUE(SdlEvents::translate(windowEvent(SDL_WINDOWEVENT_MINIMIZED), message));
    EXPECT_EQ(message.type, WindowMessage::Type::Activate);
    EXPECT_TRUE(message.minimized);
    ASSERT_TRUE(SdlEvents::translate(windowEvent(SDL_WINDOWEVENT_RESTORED), message));
    EXPECT_FALSE(message.minimized);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_TRUE(SdlEvents::translate(quit, message));
    EXPECT_EQ(message.type, WindowMessage::Type::Quit);

    // Everything else is dropped, so one message per frame never falls behind the mouse.
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    EXPECT_FALSE(SdlEvents::translate(motion, message));
    EXPECT_FALSE(SdlEvents::translate(keyEvent(SDL_KEYDOWN, SDLK_LSHIFT), message));
    SDL_Event repeat = keyEvent(SDL_KEYDOWN, SDLK_ESCAPE);
    repeat.key.repeat = 1;
    EXPECT_FALSE(SdlEvents::translate(repeat, message));
    EXPECT_FALSE(SdlEvents::translate(windowEvent(SDL_WINDOWEVENT_MOVED), message));
}

class SdlWindowTest : public GLTest {};

// The real window system on SDL's offscreen driver: open a decorated window, swap, post and take
// the quit message, close without a single shutdown error.
TEST_F(SdlWindowTest, OpensSwapsQuitsAndClosesCleanly)
{
    SdlWindow platform;
    SdlEvents events(platform);
    SdlDialogs dialogs(platform);
    float timeValue = -1.0f;
    AppWindow app({platform, events, dialogs}, 96, 48, nullptr, nullptr, &timeValue);
    app.fullscreen = false;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(app.openWindow()) << platform.lastError();
    // The window's own context is current, with its size and the depth buffer the scenes need.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 96);
    EXPECT_EQ(viewport[3], 48);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 24);
    platform.swapBuffers(app.deviceContext);

    events.postQuitMessage();
    WindowMessage message;
    bool quit = false;
    while (events.takeMessage(message)) {
        quit = quit || message.type == WindowMessage::Type::Quit;
    }
    EXPECT_TRUE(quit);
    app.closeWindow();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(app.window, nullptr);
    EXPECT_EQ(app.renderingContext, nullptr);
}

// Under Mesa's no-op wrapper the driver once took client arrays for its own buffers and wrote into them:
// the window must keep the driver's hands off them, whatever the thread setting it was started with.
TEST(SdlWindowDriver, ClientArraysComeBackUntouchedUnderMesasNoOpWrapper)
{
    const ScopedEnv noop("GALLIUM_NOOP", "1");
    const ScopedEnv thread("GALLIUM_THREAD", "1");
    SdlWindow platform;
    SdlEvents events(platform);
    SdlDialogs dialogs(platform);
    float timeValue = -1.0f;
    AppWindow app({platform, events, dialogs}, 32, 32, nullptr, nullptr, &timeValue);
    app.fullscreen = false;
    ASSERT_TRUE(app.openWindow()) << platform.lastError();
    // Three vertices drawn; the rest is room past them for a stray write to land in without crashing the test.
    std::vector<float> original(64, 0.25f);
    original[0] = 0.5f;
    original[4] = 1.0f;
    original[7] = 1.0f;
    std::vector<float> positions = original;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    for (int frame = 0; frame < 3; ++frame) {
        glDrawArrays(GL_TRIANGLES, 0, 3);
        platform.swapBuffers(app.deviceContext);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glFinish();
    EXPECT_EQ(std::memcmp(positions.data(), original.data(), original.size() * sizeof(float)), 0);
    app.closeWindow();
}
