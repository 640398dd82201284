#pragma once

#include "gl/GLBackend.h"

// The GL layer's back end over a compatibility context: every call is the driver's own, in the same order, so
// the picture is the driver's fixed function, byte for byte. Builds without fixed-function GL (the browser's
// WebGL2) leave this back end out.
class FixedBackend final : public GLBackend {
public:
    // The driver owns every object: nothing of its own to release.
    void releaseDeviceObjects() override {}

    void enable(GLenum cap) override;
    void disable(GLenum cap) override;
    GLboolean isEnabled(GLenum cap) override;
    void enableClientState(GLenum array) override;
    void disableClientState(GLenum array) override;
    void clearDepth(GLdouble depth) override;
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height) override;
    void polygonMode(GLenum face, GLenum mode) override;
    void lineWidth(GLfloat width) override;
    void pointSize(GLfloat size) override;
    void shadeModel(GLenum mode) override;
    void hint(GLenum target, GLenum mode) override;
    void colorMaterial(GLenum face, GLenum mode) override;
    void lightfv(GLenum light, GLenum name, const GLfloat* values) override;
    void lightModelfv(GLenum name, const GLfloat* values) override;
    void fogf(GLenum name, GLfloat value) override;
    void fogi(GLenum name, GLint value) override;
    void fogfv(GLenum name, const GLfloat* values) override;
    void texGeni(GLenum coordinate, GLenum name, GLint value) override;
    void matrixMode(GLenum mode) override;
    void loadIdentity() override;
    void pushMatrix() override;
    void popMatrix() override;
    void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) override;
    void translatef(GLfloat x, GLfloat y, GLfloat z) override;
    void multMatrixf(const GLfloat* matrix) override;
    void perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override;
    void color3f(GLfloat red, GLfloat green, GLfloat blue) override;
    void color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) override;
    void color3fv(const GLfloat* rgb) override;
    void color4fv(const GLfloat* rgba) override;
    void normal3fv(const GLfloat* normal) override;
    void texCoord2fv(const GLfloat* coordinates) override;
    void vertex3fv(const GLfloat* position) override;
    void begin(GLenum mode) override;
    void end() override;
    void vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) override;
    void normalPointer(GLenum type, GLsizei stride, const void* pointer) override;
    void colorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) override;
    void texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) override;
    void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) override;
    void drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type,
                           const void* indices) override;
    void deleteBuffers(GLsizei count, const GLuint* buffers) override;
    void bindBuffer(GLenum target, GLuint buffer) override;
    void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) override;
    const void* mapBufferForReading(GLenum target) override;
    void deleteTextures(GLsizei count, const GLuint* textures) override;
    void bindTexture(GLenum target, GLuint texture) override;
    void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels) override;
    GLuint genLists(GLsizei range) override;
    void newList(GLuint list, GLenum mode) override;
    void endList() override;
    void callList(GLuint list) override;
    void deleteLists(GLuint list, GLsizei range) override;
    void useProgram(GLuint program) override;
};
