#include "gl/GL.h"

#include "gl/LineScale.h"
#include "gl/ShaderBackend.h"

#include <GL/glu.h>

#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

// Null on the fixed back end: every call below is then the driver's own.
std::unique_ptr<ShaderBackend> shader;

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
    shader ? shader->lineWidth(lines.drawn) : glLineWidth(lines.drawn);
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

void gl::select(Backend backend, bool linesAsOnES)
{
    shader = backend == Backend::Shader ? std::make_unique<ShaderBackend>(linesAsOnES) : nullptr;
    // A new back end starts from GL's defaults, as a new context does.
    lines = LineState();
}

gl::Backend gl::current() { return shader ? Backend::Shader : Backend::Fixed; }

bool gl::parse(const char* text, Backend* backend)
{
    const bool fixed = std::strcmp(text, "fixed") == 0;
    if (!fixed && std::strcmp(text, "shader") != 0) {
        return false;
    }
    *backend = fixed ? Backend::Fixed : Backend::Shader;
    return true;
}

void gl::releaseDeviceObjects()
{
    if (shader) {
        shader->releaseDeviceObjects();
    }
}

void gl::enable(GLenum cap)
{
    shader ? shader->enable(cap) : glEnable(cap);
    capabilityChanged(cap, true);
}
void gl::disable(GLenum cap)
{
    shader ? shader->disable(cap) : glDisable(cap);
    capabilityChanged(cap, false);
}
GLboolean gl::isEnabled(GLenum cap) { return shader ? shader->isEnabled(cap) : glIsEnabled(cap); }
void gl::enableClientState(GLenum array) { shader ? shader->enableClientState(array) : glEnableClientState(array); }
void gl::disableClientState(GLenum array) { shader ? shader->disableClientState(array) : glDisableClientState(array); }
void gl::blendFunc(GLenum source, GLenum destination)
{
    glBlendFunc(source, destination);
    lines.blendSource = source;
    updateLineWidth();
}
void gl::depthFunc(GLenum function) { glDepthFunc(function); }
void gl::clearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) { glClearColor(red, green, blue, alpha); }
void gl::clearDepth(GLdouble depth) { shader ? shader->clearDepth(depth) : glClearDepth(depth); }
void gl::clear(GLbitfield mask) { glClear(mask); }
void gl::viewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    shader ? shader->viewport(x, y, width, height) : glViewport(x, y, width, height);
}
void gl::scissor(GLint x, GLint y, GLsizei width, GLsizei height) { glScissor(x, y, width, height); }
void gl::polygonMode(GLenum face, GLenum mode) { shader ? shader->polygonMode(mode) : glPolygonMode(face, mode); }
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
void gl::pointSize(GLfloat size)
{
    // Nothing the show draws is a point; ES has no point size to set.
    if (!shader) {
        glPointSize(size);
    }
}
void gl::shadeModel(GLenum mode) { shader ? shader->shadeModel(mode) : glShadeModel(mode); }
void gl::hint(GLenum target, GLenum mode)
{
    // The perspective and fog hints have no meaning for shaders, which always interpolate per fragment.
    if (!shader) {
        glHint(target, mode);
    }
}
void gl::colorMaterial(GLenum face, GLenum mode) { shader ? shader->colorMaterial(mode) : glColorMaterial(face, mode); }
void gl::lightfv(GLenum light, GLenum name, const GLfloat* values)
{
    shader ? shader->lightfv(light, name, values) : glLightfv(light, name, values);
}
void gl::lightModelfv(GLenum name, const GLfloat* values)
{
    shader ? shader->lightModelfv(name, values) : glLightModelfv(name, values);
}
void gl::fogf(GLenum name, GLfloat value) { shader ? shader->fogf(name, value) : glFogf(name, value); }
void gl::fogi(GLenum name, GLint value) { shader ? shader->fogf(name, static_cast<GLfloat>(value)) : glFogi(name, value); }
void gl::fogfv(GLenum name, const GLfloat* values) { shader ? shader->fogfv(name, values) : glFogfv(name, values); }
void gl::texGeni(GLenum coordinate, GLenum name, GLint value)
{
    shader ? shader->texGeni(coordinate, name, value) : glTexGeni(coordinate, name, value);
}
void gl::pixelStorei(GLenum name, GLint value) { glPixelStorei(name, value); }
void gl::getIntegerv(GLenum name, GLint* values) { glGetIntegerv(name, values); }
GLenum gl::getError() { return glGetError(); }

void gl::matrixMode(GLenum mode) { shader ? shader->matrixMode(mode) : glMatrixMode(mode); }
void gl::loadIdentity() { shader ? shader->loadIdentity() : glLoadIdentity(); }
void gl::pushMatrix() { shader ? shader->pushMatrix() : glPushMatrix(); }
void gl::popMatrix() { shader ? shader->popMatrix() : glPopMatrix(); }
void gl::rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    shader ? shader->rotatef(angle, x, y, z) : glRotatef(angle, x, y, z);
}
void gl::translatef(GLfloat x, GLfloat y, GLfloat z) { shader ? shader->translatef(x, y, z) : glTranslatef(x, y, z); }
void gl::multMatrixf(const GLfloat* matrix) { shader ? shader->multMatrixf(matrix) : glMultMatrixf(matrix); }
void gl::perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    shader ? shader->perspective(fovy, aspect, zNear, zFar) : gluPerspective(fovy, aspect, zNear, zFar);
}

void gl::color3f(GLfloat red, GLfloat green, GLfloat blue)
{
    shader ? shader->color(red, green, blue, 1.0f) : glColor3f(red, green, blue);
}
void gl::color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    shader ? shader->color(red, green, blue, alpha) : glColor4f(red, green, blue, alpha);
}
void gl::color3fv(const GLfloat* rgb) { shader ? shader->color(rgb[0], rgb[1], rgb[2], 1.0f) : glColor3fv(rgb); }
void gl::color4fv(const GLfloat* rgba) { shader ? shader->color(rgba[0], rgba[1], rgba[2], rgba[3]) : glColor4fv(rgba); }
void gl::normal3fv(const GLfloat* normal) { shader ? shader->normal3fv(normal) : glNormal3fv(normal); }
void gl::texCoord2fv(const GLfloat* coordinates)
{
    shader ? shader->texCoord2fv(coordinates) : glTexCoord2fv(coordinates);
}
void gl::vertex3fv(const GLfloat* position) { shader ? shader->vertex3fv(position) : glVertex3fv(position); }
void gl::begin(GLenum mode) { shader ? shader->begin(mode) : glBegin(mode); }
void gl::end() { shader ? shader->end() : glEnd(); }

void gl::vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    shader ? shader->attributePointer(GL_VERTEX_ARRAY, size, type, stride, pointer)
           : glVertexPointer(size, type, stride, pointer);
}
void gl::normalPointer(GLenum type, GLsizei stride, const void* pointer)
{
    shader ? shader->attributePointer(GL_NORMAL_ARRAY, 3, type, stride, pointer) : glNormalPointer(type, stride, pointer);
}
void gl::colorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    shader ? shader->attributePointer(GL_COLOR_ARRAY, size, type, stride, pointer)
           : glColorPointer(size, type, stride, pointer);
}
void gl::texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    shader ? shader->attributePointer(GL_TEXTURE_COORD_ARRAY, size, type, stride, pointer)
           : glTexCoordPointer(size, type, stride, pointer);
}
void gl::drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    shader ? shader->drawElements(mode, count, type, indices) : glDrawElements(mode, count, type, indices);
}
void gl::drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type, const void* indices)
{
    shader ? shader->drawElements(mode, count, type, indices)
           : glDrawRangeElements(mode, start, end, count, type, indices);
}
void gl::genBuffers(GLsizei count, GLuint* buffers) { glGenBuffers(count, buffers); }
void gl::deleteBuffers(GLsizei count, const GLuint* buffers)
{
    shader ? shader->deleteBuffers(count, buffers) : glDeleteBuffers(count, buffers);
}
void gl::bindBuffer(GLenum target, GLuint buffer) { shader ? shader->bindBuffer(target, buffer) : glBindBuffer(target, buffer); }
void gl::bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    shader ? shader->bufferData(target, size, data, usage) : glBufferData(target, size, data, usage);
}
const void* gl::mapBufferForReading(GLenum target)
{
    return shader ? shader->mapBufferForReading(target) : glMapBuffer(target, GL_READ_ONLY);
}
GLboolean gl::unmapBuffer(GLenum target) { return glUnmapBuffer(target); }
void gl::readPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    glReadPixels(x, y, width, height, format, type, pixels);
}
void gl::finish() { glFinish(); }

void gl::genTextures(GLsizei count, GLuint* textures) { glGenTextures(count, textures); }
void gl::deleteTextures(GLsizei count, const GLuint* textures)
{
    shader ? shader->deleteTextures(count, textures) : glDeleteTextures(count, textures);
}
void gl::bindTexture(GLenum target, GLuint texture) { shader ? shader->bindTexture(texture) : glBindTexture(target, texture); }
void gl::texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels)
{
    if (shader) {
        shader->textureImageSet();
    }
    glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}
void gl::texParameterf(GLenum target, GLenum name, GLfloat value) { glTexParameterf(target, name, value); }
void gl::texParameteri(GLenum target, GLenum name, GLint value) { glTexParameteri(target, name, value); }

GLuint gl::genLists(GLsizei range) { return shader ? 0 : glGenLists(range); }
void gl::newList(GLuint list, GLenum mode) { shader ? shader->newList() : glNewList(list, mode); }
void gl::endList() { shader ? shader->endList() : glEndList(); }
void gl::callList(GLuint list)
{
    if (!shader) {
        glCallList(list);
    }
}
void gl::deleteLists(GLuint list, GLsizei range)
{
    if (!shader) {
        glDeleteLists(list, range);
    }
}

void gl::useProgram(GLuint program)
{
    if (!shader) {
        glUseProgram(program);
    }
}
void gl::detachShader(GLuint program, GLuint shaderName) { glDetachShader(program, shaderName); }
void gl::deleteShader(GLuint shaderName) { glDeleteShader(shaderName); }
void gl::deleteProgram(GLuint program) { glDeleteProgram(program); }
