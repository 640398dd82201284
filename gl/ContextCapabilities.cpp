#include "gl/ContextCapabilities.h"

#include "gl/GL.h"

#include <cstdio>
#include <cstring>

namespace {

// Lines the show may ask for once scaled to a tall frame buffer; wider ones are not expected.
constexpr float kWidestLine = 8.0f;

} // namespace

ContextCapabilities ContextCapabilities::query()
{
    ContextCapabilities capabilities;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version == nullptr) {
        return capabilities;
    }
    capabilities.openGLES = std::strncmp(version, "OpenGL ES", 9) == 0;
    // "OpenGL ES 3.0 Mesa …", "4.5 (Core Profile) Mesa …": the version is the first number pair.
    const char* digits = version + std::strcspn(version, "0123456789");
    if (std::sscanf(digits, "%d.%d", &capabilities.majorVersion, &capabilities.minorVersion) != 2) {
        capabilities.majorVersion = capabilities.minorVersion = 0;
    }
    glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, capabilities.aliasedLineWidths);
    if (capabilities.openGLES) {
        return capabilities; // no profile, flags, smoothing or polygon mode to ask about
    }
    if (capabilities.versionAtLeast(3, 0)) {
        GLint flags = 0;
        glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
        capabilities.forwardCompatible = (flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT) != 0;
    }
    if (capabilities.versionAtLeast(3, 2)) {
        GLint mask = 0;
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
        capabilities.coreProfile = (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
    }
    glGetFloatv(GL_SMOOTH_LINE_WIDTH_RANGE, capabilities.smoothLineWidths);
    capabilities.lineSmooth = true;
    if constexpr (gl::kDesktopGL) {
        capabilities.polygonMode = gl::hasEntryPoint(glPolygonMode);
    }
    return capabilities;
}

ContextCapabilities ContextCapabilities::linesAsOnWebGL() const
{
    ContextCapabilities webGL = *this;
    webGL.polygonMode = webGL.lineSmooth = false;
    webGL.aliasedLineWidths[0] = webGL.aliasedLineWidths[1] = 1.0f;
    webGL.smoothLineWidths[0] = webGL.smoothLineWidths[1] = 1.0f;
    return webGL;
}

bool ContextCapabilities::drawsLines(float width, bool smooth) const
{
    if (smooth && !lineSmooth) {
        return false;
    }
    if (width <= 1.0f) {
        return true;
    }
    // Forward-compatible contexts refuse wide lines, whatever range they report.
    return !forwardCompatible && width <= (smooth ? smoothLineWidths[1] : aliasedLineWidths[1]);
}

bool ContextCapabilities::drawsEveryLine() const
{
    return polygonMode && drawsLines(kWidestLine, false) && drawsLines(kWidestLine, true);
}
