#include "gl/ErrorReport.h"

#include "gl/ContextCapabilities.h"
#include "gl/GL.h"

#include <cstdio>
#include <cstring>

namespace {

const char* errorName(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    default: return "an unknown GL error";
    }
}

[[maybe_unused]] bool hasDebugOutput()
{
    if (!gl::hasEntryPoint(glDebugMessageCallback) || !gl::hasEntryPoint(glDebugMessageControl)) {
        return false;
    }
    const ContextCapabilities context = ContextCapabilities::query();
    if (context.versionAtLeast(context.openGLES ? 3 : 4, context.openGLES ? 2 : 3)) {
        return true;
    }
    // Older versions list KHR_debug among their extensions, one at a time on core and ES contexts.
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (name != nullptr && std::strcmp(name, "GL_KHR_debug") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

ErrorReport::~ErrorReport() = default;

void ErrorReport::start(bool useDebugOutput)
{
    // Errors from before the report began are not this run's to report.
    while (glGetError() != GL_NO_ERROR) {
    }
    // WebGL2 has no debug output: the browser's build reads glGetError.
    if constexpr (gl::kDesktopGL) {
        debugOutput = useDebugOutput && hasDebugOutput();
        if (debugOutput) {
            glEnable(GL_DEBUG_OUTPUT);
            glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
            glDebugMessageCallback(&ErrorReport::onMessage, this);
            glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
        }
    }
    std::fprintf(stderr, "GL errors reported %s\n",
                 debugOutput ? "by the driver's debug output" : "from glGetError after every frame");
}

void ErrorReport::stop()
{
    endFrame();
    if constexpr (gl::kDesktopGL) {
        if (debugOutput) {
            glDebugMessageCallback(nullptr, nullptr);
            glDisable(GL_DEBUG_OUTPUT);
            debugOutput = false;
        }
    }
}

void ErrorReport::endFrame()
{
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        // With debug output on, the driver has told of this error already, naming its call.
        if (!debugOutput) {
            record(std::string(errorName(error)) + " (read after the frame)");
        }
    }
}

void GLAPIENTRY ErrorReport::onMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei length, const GLchar* message,
                                       const void* report)
{
    if (type == GL_DEBUG_TYPE_ERROR) {
        const std::size_t size = length >= 0 ? static_cast<std::size_t>(length) : std::strlen(message);
        const_cast<ErrorReport*>(static_cast<const ErrorReport*>(report))->record(std::string(message, size));
    }
}

void ErrorReport::record(const std::string& error)
{
    ++errors;
    const std::string scene(currentScene, std::strcspn(currentScene, "\n"));
    if (seen.insert(scene + ": " + error).second) {
        std::fprintf(stderr, "GL error in %s: %s\n", scene.c_str(), error.c_str());
    }
}
