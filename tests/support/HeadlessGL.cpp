#include "support/HeadlessGL.h"

#include <GL/glew.h>
#include <SDL2/SDL.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace {

struct Context {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    std::string error;

    Context()
    {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            error = std::string("SDL_Init: ") + SDL_GetError();
            return;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24); // as the demo's window gets it
        window = SDL_CreateWindow("test", 0, 0, headless_gl::kWidth, headless_gl::kHeight,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window == nullptr) {
            error = std::string("SDL_CreateWindow: ") + SDL_GetError();
            return;
        }
        context = SDL_GL_CreateContext(window);
        if (context == nullptr) {
            error = std::string("SDL_GL_CreateContext: ") + SDL_GetError();
            return;
        }
        // An EGL context has no GLX display, yet GLEW has loaded every entry point by then.
        const GLenum glew = glewInit();
        if (glew != GLEW_OK && glew != GLEW_ERROR_NO_GLX_DISPLAY) {
            error = "glewInit failed with code " + std::to_string(glew);
        }
    }
    ~Context()
    {
        if (context != nullptr) {
            SDL_GL_DeleteContext(context);
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
        SDL_Quit();
    }
};

} // namespace

// Made current on every call: a test may have created and dropped a context of its own.
bool headless_gl::ensureContext(std::string* error)
{
    static Context context;
    *error = context.error;
    if (context.error.empty() && SDL_GL_MakeCurrent(context.window, context.context) != 0) {
        *error = std::string("SDL_GL_MakeCurrent: ") + SDL_GetError();
    }
    return error->empty();
}

void GLTest::SetUp()
{
    std::string error;
    ASSERT_TRUE(headless_gl::ensureContext(&error)) << error;
    glViewport(0, 0, headless_gl::kWidth, headless_gl::kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    while (glGetError() != GL_NO_ERROR) {
    }
}

void GLTest::TearDown()
{
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Leave the shared context as the next test expects to find it.
    const GLenum capabilities[] = {GL_TEXTURE_2D, GL_LIGHTING, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_FOG};
    for (GLenum capability : capabilities) {
        glDisable(capability);
    }
    const GLenum arrays[] = {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY};
    for (GLenum array : arrays) {
        glDisableClientState(array);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

Rgba GLTest::pixel(int x, int y)
{
    Rgba color{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, color.data());
    return color;
}

std::vector<std::uint8_t> GLTest::readPixels()
{
    std::vector<std::uint8_t> pixels(std::size_t{headless_gl::kWidth} * headless_gl::kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, headless_gl::kWidth, headless_gl::kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

testing::AssertionResult colorNear(const Rgba& actual, const Rgba& expected, int tolerance)
{
    for (int i = 0; i < 4; ++i) {
        if (std::abs(int{actual[i]} - int{expected[i]}) > tolerance) {
            const auto text = [](const Rgba& c) {
                std::ostringstream out;
                out << "(" << int{c[0]} << ", " << int{c[1]} << ", " << int{c[2]} << ", " << int{c[3]} << ")";
                return out.str();
            };
            return testing::AssertionFailure() << "colour " << text(actual) << ", expected " << text(expected);
        }
    }
    return testing::AssertionSuccess();
}
