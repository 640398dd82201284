#pragma once

#include <GL/glew.h>

// The calls of the GL layer whose back ends differ (GL.h): the fixed back end gives each to the driver, the
// shader back end keeps what the driver lacks and draws with shaders. Calls both make alike go to the driver
// from GL.cpp and are not listed here.
class GLBackend {
public:
    virtual ~GLBackend() = default;

    virtual void releaseDeviceObjects() = 0;

    virtual void enable(GLenum cap) = 0;
    virtual void disable(GLenum cap) = 0;
    virtual GLboolean isEnabled(GLenum cap) = 0;
    virtual void enableClientState(GLenum array) = 0;
    virtual void disableClientState(GLenum array) = 0;
    virtual void clearDepth(GLdouble depth) = 0;
    virtual void viewport(GLint x, GLint y, GLsizei width, GLsizei height) = 0;
    virtual void polygonMode(GLenum face, GLenum mode) = 0;
    virtual void lineWidth(GLfloat width) = 0;
    virtual void pointSize(GLfloat size) = 0;
    virtual void shadeModel(GLenum mode) = 0;
    virtual void hint(GLenum target, GLenum mode) = 0;
    virtual void colorMaterial(GLenum face, GLenum mode) = 0;
    virtual void lightfv(GLenum light, GLenum name, const GLfloat* values) = 0;
    virtual void lightModelfv(GLenum name, const GLfloat* values) = 0;
    virtual void fogf(GLenum name, GLfloat value) = 0;
    virtual void fogi(GLenum name, GLint value) = 0;
    virtual void fogfv(GLenum name, const GLfloat* values) = 0;
    virtual void texGeni(GLenum coordinate, GLenum name, GLint value) = 0;

    virtual void matrixMode(GLenum mode) = 0;
    virtual void loadIdentity() = 0;
    virtual void pushMatrix() = 0;
    virtual void popMatrix() = 0;
    virtual void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void translatef(GLfloat x, GLfloat y, GLfloat z) = 0;
    virtual void multMatrixf(const GLfloat* matrix) = 0;
    virtual void perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) = 0;

    virtual void color3f(GLfloat red, GLfloat green, GLfloat blue) = 0;
    virtual void color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) = 0;
    virtual void color3fv(const GLfloat* rgb) = 0;
    virtual void color4fv(const GLfloat* rgba) = 0;
    virtual void normal3fv(const GLfloat* normal) = 0;
    virtual void texCoord2fv(const GLfloat* coordinates) = 0;
    virtual void vertex3fv(const GLfloat* position) = 0;
    virtual void begin(GLenum mode) = 0;
    virtual void end() = 0;

    virtual void vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) = 0;
    virtual void normalPointer(GLenum type, GLsizei stride, const void* pointer) = 0;
    virtual void colorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) = 0;
    virtual void texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) = 0;
    virtual void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) = 0;
    virtual void drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type,
                                   const void* indices) = 0;
    virtual void deleteBuffers(GLsizei count, const GLuint* buffers) = 0;
    virtual void bindBuffer(GLenum target, GLuint buffer) = 0;
    virtual void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) = 0;
    virtual const void* mapBufferForReading(GLenum target) = 0;

    virtual void deleteTextures(GLsizei count, const GLuint* textures) = 0;
    virtual void bindTexture(GLenum target, GLuint texture) = 0;
    virtual void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                            GLint border, GLenum format, GLenum type, const void* pixels) = 0;

    virtual GLuint genLists(GLsizei range) = 0;
    virtual void newList(GLuint list, GLenum mode) = 0;
    virtual void endList() = 0;
    virtual void callList(GLuint list) = 0;
    virtual void deleteLists(GLuint list, GLsizei range) = 0;

    virtual void useProgram(GLuint program) = 0;
};
