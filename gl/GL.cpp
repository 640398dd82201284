#include "gl/GL.h"

#include "gl/LineScale.h"
#include "gl/ShaderBackend.h"
#ifndef QUESSALY_NO_FIXED_FUNCTION
#include "gl/FixedBackend.h"
#endif

#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

std::unique_ptr<GLBackend> make([[maybe_unused]] gl::Backend kind, bool linesAsOnES)
{
#ifndef QUESSALY_NO_FIXED_FUNCTION
    if (kind == gl::Backend::Fixed) {
        return std::make_unique<FixedBackend>();
    }
#endif
    // A build without fixed-function GL draws every frame through shaders, whatever was asked for.
    return std::make_unique<ShaderBackend>(linesAsOnES);
}

// Where the back ends differ: every call below that is not the driver's own on both goes here.
std::unique_ptr<GLBackend> backend = make(gl::Backend::Fixed, false);
gl::Backend selected = gl::kDesktopGL ? gl::Backend::Fixed : gl::Backend::Shader;

// What decides the width a line is drawn with: the width the scenes asked for, smoothing and blending, and the
// width the back end was last given.
struct LineState {
    LineScale scale;
    float requested = 1.0f;
    bool smooth = false;
    bool blend = false;
    GLenum blendSource = GL_ONE;
    float drawn = 1.0f;

    float wanted() const
    {
        const bool byCoverage = blend && (blendSource == GL_SRC_ALPHA || blendSource == GL_SRC_ALPHA_SATURATE);
        return scale.drawnWidth(requested, !smooth     ? LineScale::Look::Aliased
                                           : byCoverage ? LineScale::Look::SmoothByCoverage
                                                        : LineScale::Look::SmoothByFootprint);
    }
};
LineState lines;

void applyLineWidth()
{
    lines.drawn = lines.wanted();
    backend->lineWidth(lines.drawn);
}

void updateLineWidth()
{
    if (lines.wanted() != lines.drawn) {
        applyLineWidth();
    }
}

void capabilityChanged(GLenum cap, bool on)
{
    if (cap == GL_LINE_SMOOTH || cap == GL_BLEND) {
        (cap == GL_LINE_SMOOTH ? lines.smooth : lines.blend) = on;
        updateLineWidth();
    }
}

} // namespace

void gl::select(Backend kind, bool linesAsOnES)
{
    backend = make(kind, linesAsOnES);
    selected = kDesktopGL ? kind : Backend::Shader;
    // A new back end starts from GL's defaults, as a new context does.
    lines = LineState();
}

gl::Backend gl::current() { return selected; }

bool gl::parse(const char* text, Backend* kind)
{
    const bool fixed = std::strcmp(text, "fixed") == 0;
    if (!fixed && std::strcmp(text, "shader") != 0) {
        return false;
    }
    *kind = fixed ? Backend::Fixed : Backend::Shader;
    return true;
}

void gl::releaseDeviceObjects() { backend->releaseDeviceObjects(); }

void gl::enable(GLenum cap)
{
    backend->enable(cap);
    capabilityChanged(cap, true);
}
void gl::disable(GLenum cap)
{
    backend->disable(cap);
    capabilityChanged(cap, false);
}
GLboolean gl::isEnabled(GLenum cap) { return backend->isEnabled(cap); }
void gl::enableClientState(GLenum array) { backend->enableClientState(array); }
void gl::disableClientState(GLenum array) { backend->disableClientState(array); }
void gl::blendFunc(GLenum source, GLenum destination)
{
    glBlendFunc(source, destination);
    lines.blendSource = source;
    updateLineWidth();
}
void gl::depthFunc(GLenum function) { glDepthFunc(function); }
void gl::clearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) { glClearColor(red, green, blue, alpha); }
void gl::clearDepth(GLdouble depth) { backend->clearDepth(depth); }
void gl::clear(GLbitfield mask) { glClear(mask); }
void gl::viewport(GLint x, GLint y, GLsizei width, GLsizei height) { backend->viewport(x, y, width, height); }
void gl::scissor(GLint x, GLint y, GLsizei width, GLsizei height) { glScissor(x, y, width, height); }
void gl::polygonMode(GLenum face, GLenum mode) { backend->polygonMode(face, mode); }
void gl::lineWidth(GLfloat width)
{
    lines.requested = width;
    applyLineWidth();
}
void gl::scaleLineWidths(int framebufferHeight, int designHeight)
{
    lines.scale.setHeights(framebufferHeight, designHeight);
    updateLineWidth();
}
void gl::pointSize(GLfloat size) { backend->pointSize(size); }
void gl::shadeModel(GLenum mode) { backend->shadeModel(mode); }
void gl::hint(GLenum target, GLenum mode) { backend->hint(target, mode); }
void gl::colorMaterial(GLenum face, GLenum mode) { backend->colorMaterial(face, mode); }
void gl::lightfv(GLenum light, GLenum name, const GLfloat* values) { backend->lightfv(light, name, values); }
void gl::lightModelfv(GLenum name, const GLfloat* values) { backend->lightModelfv(name, values); }
void gl::fogf(GLenum name, GLfloat value) { backend->fogf(name, value); }
void gl::fogi(GLenum name, GLint value) { backend->fogi(name, value); }
void gl::fogfv(GLenum name, const GLfloat* values) { backend->fogfv(name, values); }
void gl::texGeni(GLenum coordinate, GLenum name, GLint value) { backend->texGeni(coordinate, name, value); }
void gl::pixelStorei(GLenum name, GLint value) { glPixelStorei(name, value); }
void gl::getIntegerv(GLenum name, GLint* values) { glGetIntegerv(name, values); }
GLenum gl::getError() { return glGetError(); }

void gl::matrixMode(GLenum mode) { backend->matrixMode(mode); }
void gl::loadIdentity() { backend->loadIdentity(); }
void gl::pushMatrix() { backend->pushMatrix(); }
void gl::popMatrix() { backend->popMatrix(); }
void gl::rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { backend->rotatef(angle, x, y, z); }
void gl::translatef(GLfloat x, GLfloat y, GLfloat z) { backend->translatef(x, y, z); }
void gl::multMatrixf(const GLfloat* matrix) { backend->multMatrixf(matrix); }
void gl::perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    backend->perspective(fovy, aspect, zNear, zFar);
}

void gl::color3f(GLfloat red, GLfloat green, GLfloat blue) { backend->color3f(red, green, blue); }
void gl::color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) { backend->color4f(red, green, blue, alpha); }
void gl::color3fv(const GLfloat* rgb) { backend->color3fv(rgb); }
void gl::color4fv(const GLfloat* rgba) { backend->color4fv(rgba); }
void gl::normal3fv(const GLfloat* normal) { backend->normal3fv(normal); }
void gl::texCoord2fv(const GLfloat* coordinates) { backend->texCoord2fv(coordinates); }
void gl::vertex3fv(const GLfloat* position) { backend->vertex3fv(position); }
void gl::begin(GLenum mode) { backend->begin(mode); }
void gl::end() { backend->end(); }

void gl::vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    backend->vertexPointer(size, type, stride, pointer);
}
void gl::normalPointer(GLenum type, GLsizei stride, const void* pointer)
{
    backend->normalPointer(type, stride, pointer);
}
void gl::colorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    backend->colorPointer(size, type, stride, pointer);
}
void gl::texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    backend->texCoordPointer(size, type, stride, pointer);
}
void gl::drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    backend->drawElements(mode, count, type, indices);
}
void gl::drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type, const void* indices)
{
    backend->drawRangeElements(mode, start, end, count, type, indices);
}
void gl::genBuffers(GLsizei count, GLuint* buffers) { glGenBuffers(count, buffers); }
void gl::deleteBuffers(GLsizei count, const GLuint* buffers) { backend->deleteBuffers(count, buffers); }
void gl::bindBuffer(GLenum target, GLuint buffer) { backend->bindBuffer(target, buffer); }
void gl::bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    backend->bufferData(target, size, data, usage);
}
const void* gl::mapBufferForReading(GLenum target) { return backend->mapBufferForReading(target); }
GLboolean gl::unmapBuffer(GLenum target) { return glUnmapBuffer(target); }
void gl::readPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    glReadPixels(x, y, width, height, format, type, pixels);
}
void gl::finish() { glFinish(); }

void gl::genTextures(GLsizei count, GLuint* textures) { glGenTextures(count, textures); }
void gl::deleteTextures(GLsizei count, const GLuint* textures) { backend->deleteTextures(count, textures); }
void gl::bindTexture(GLenum target, GLuint texture) { backend->bindTexture(target, texture); }
void gl::texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels)
{
    backend->texImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}
void gl::texParameterf(GLenum target, GLenum name, GLfloat value) { glTexParameterf(target, name, value); }
void gl::texParameteri(GLenum target, GLenum name, GLint value) { glTexParameteri(target, name, value); }

GLuint gl::genLists(GLsizei range) { return backend->genLists(range); }
void gl::newList(GLuint list, GLenum mode) { backend->newList(list, mode); }
void gl::endList() { backend->endList(); }
void gl::callList(GLuint list) { backend->callList(list); }
void gl::deleteLists(GLuint list, GLsizei range) { backend->deleteLists(list, range); }

void gl::useProgram(GLuint program) { backend->useProgram(program); }
void gl::detachShader(GLuint program, GLuint shaderName) { glDetachShader(program, shaderName); }
void gl::deleteShader(GLuint shaderName) { glDeleteShader(shaderName); }
void gl::deleteProgram(GLuint program) { glDeleteProgram(program); }
