#include "gl/FixedBackend.h"

#include <GL/glu.h>

void FixedBackend::enable(GLenum cap) { glEnable(cap); }
void FixedBackend::disable(GLenum cap) { glDisable(cap); }
GLboolean FixedBackend::isEnabled(GLenum cap) { return glIsEnabled(cap); }
void FixedBackend::enableClientState(GLenum array) { glEnableClientState(array); }
void FixedBackend::disableClientState(GLenum array) { glDisableClientState(array); }
void FixedBackend::clearDepth(GLdouble depth) { glClearDepth(depth); }
void FixedBackend::viewport(GLint x, GLint y, GLsizei width, GLsizei height) { glViewport(x, y, width, height); }
void FixedBackend::polygonMode(GLenum face, GLenum mode) { glPolygonMode(face, mode); }
void FixedBackend::lineWidth(GLfloat width) { glLineWidth(width); }
void FixedBackend::pointSize(GLfloat size) { glPointSize(size); }
void FixedBackend::shadeModel(GLenum mode) { glShadeModel(mode); }
void FixedBackend::hint(GLenum target, GLenum mode) { glHint(target, mode); }
void FixedBackend::colorMaterial(GLenum face, GLenum mode) { glColorMaterial(face, mode); }
void FixedBackend::lightfv(GLenum light, GLenum name, const GLfloat* values) { glLightfv(light, name, values); }
void FixedBackend::lightModelfv(GLenum name, const GLfloat* values) { glLightModelfv(name, values); }
void FixedBackend::fogf(GLenum name, GLfloat value) { glFogf(name, value); }
void FixedBackend::fogi(GLenum name, GLint value) { glFogi(name, value); }
void FixedBackend::fogfv(GLenum name, const GLfloat* values) { glFogfv(name, values); }
void FixedBackend::texGeni(GLenum coordinate, GLenum name, GLint value) { glTexGeni(coordinate, name, value); }

void FixedBackend::matrixMode(GLenum mode) { glMatrixMode(mode); }
void FixedBackend::loadIdentity() { glLoadIdentity(); }
void FixedBackend::pushMatrix() { glPushMatrix(); }
void FixedBackend::popMatrix() { glPopMatrix(); }
void FixedBackend::rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { glRotatef(angle, x, y, z); }
void FixedBackend::translatef(GLfloat x, GLfloat y, GLfloat z) { glTranslatef(x, y, z); }
void FixedBackend::multMatrixf(const GLfloat* matrix) { glMultMatrixf(matrix); }
void FixedBackend::perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    gluPerspective(fovy, aspect, zNear, zFar);
}

void FixedBackend::color3f(GLfloat red, GLfloat green, GLfloat blue) { glColor3f(red, green, blue); }
void FixedBackend::color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    glColor4f(red, green, blue, alpha);
}
void FixedBackend::color3fv(const GLfloat* rgb) { glColor3fv(rgb); }
void FixedBackend::color4fv(const GLfloat* rgba) { glColor4fv(rgba); }
void FixedBackend::normal3fv(const GLfloat* normal) { glNormal3fv(normal); }
void FixedBackend::texCoord2fv(const GLfloat* coordinates) { glTexCoord2fv(coordinates); }
void FixedBackend::vertex3fv(const GLfloat* position) { glVertex3fv(position); }
void FixedBackend::begin(GLenum mode) { glBegin(mode); }
void FixedBackend::end() { glEnd(); }

void FixedBackend::vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    glVertexPointer(size, type, stride, pointer);
}
void FixedBackend::normalPointer(GLenum type, GLsizei stride, const void* pointer)
{
    glNormalPointer(type, stride, pointer);
}
void FixedBackend::colorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    glColorPointer(size, type, stride, pointer);
}
void FixedBackend::texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    glTexCoordPointer(size, type, stride, pointer);
}
void FixedBackend::drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    glDrawElements(mode, count, type, indices);
}
void FixedBackend::drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type,
                                     const void* indices)
{
    glDrawRangeElements(mode, start, end, count, type, indices);
}
void FixedBackend::deleteBuffers(GLsizei count, const GLuint* buffers) { glDeleteBuffers(count, buffers); }
void FixedBackend::bindBuffer(GLenum target, GLuint buffer) { glBindBuffer(target, buffer); }
void FixedBackend::bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    glBufferData(target, size, data, usage);
}
const void* FixedBackend::mapBufferForReading(GLenum target) { return glMapBuffer(target, GL_READ_ONLY); }

void FixedBackend::deleteTextures(GLsizei count, const GLuint* textures) { glDeleteTextures(count, textures); }
void FixedBackend::bindTexture(GLenum target, GLuint texture) { glBindTexture(target, texture); }
void FixedBackend::texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                              GLint border, GLenum format, GLenum type, const void* pixels)
{
    glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}

GLuint FixedBackend::genLists(GLsizei range) { return glGenLists(range); }
void FixedBackend::newList(GLuint list, GLenum mode) { glNewList(list, mode); }
void FixedBackend::endList() { glEndList(); }
void FixedBackend::callList(GLuint list) { glCallList(list); }
void FixedBackend::deleteLists(GLuint list, GLsizei range) { glDeleteLists(list, range); }

void FixedBackend::useProgram(GLuint program) { glUseProgram(program); }
