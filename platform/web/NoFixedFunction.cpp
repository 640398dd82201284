// Stands in for the GL 1.x entry points a browser's WebGL2 does not have, which only the fixed back end
// calls: the browser build always draws through the shader back end, so none of them is ever reached. The same
// for the debug-output calls, which the error report makes only where the context lists debug output.
// Each one stops the program with its name rather than drawing something wrong. (Emscripten's own
// library stops the same way for the few it knows, glBegin and the matrix mode among them.)
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void absent(const char* name)
{
    std::fprintf(stderr, "%s does not exist in WebGL2: the fixed back end cannot draw in a browser\n", name);
    std::abort();
}

} // namespace

extern "C" {

void glCallList(GLuint) { absent("glCallList"); }
GLuint glGenLists(GLsizei) { absent("glGenLists"); }
void glNewList(GLuint, GLenum) { absent("glNewList"); }
void glEndList() { absent("glEndList"); }
void glDeleteLists(GLuint, GLsizei) { absent("glDeleteLists"); }
void glEnd() { absent("glEnd"); }
void glVertex3fv(const GLfloat*) { absent("glVertex3fv"); }
void glNormal3fv(const GLfloat*) { absent("glNormal3fv"); }
void glTexCoord2fv(const GLfloat*) { absent("glTexCoord2fv"); }
void glColor3f(GLfloat, GLfloat, GLfloat) { absent("glColor3f"); }
void glColor3fv(const GLfloat*) { absent("glColor3fv"); }
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) { absent("glColor4f"); }
void glColor4fv(const GLfloat*) { absent("glColor4fv"); }
void glColorMaterial(GLenum, GLenum) { absent("glColorMaterial"); }
void glColorPointer(GLint, GLenum, GLsizei, const GLvoid*) { absent("glColorPointer"); }
void glNormalPointer(GLenum, GLsizei, const GLvoid*) { absent("glNormalPointer"); }
void glTexCoordPointer(GLint, GLenum, GLsizei, const GLvoid*) { absent("glTexCoordPointer"); }
void glEnableClientState(GLenum) { absent("glEnableClientState"); }
void glDisableClientState(GLenum) { absent("glDisableClientState"); }
void glFogf(GLenum, GLfloat) { absent("glFogf"); }
void glFogi(GLenum, GLint) { absent("glFogi"); }
void glFogfv(GLenum, const GLfloat*) { absent("glFogfv"); }
void glLightfv(GLenum, GLenum, const GLfloat*) { absent("glLightfv"); }
void glLightModelfv(GLenum, const GLfloat*) { absent("glLightModelfv"); }
void glMultMatrixf(const GLfloat*) { absent("glMultMatrixf"); }
void glPushMatrix() { absent("glPushMatrix"); }
void glPopMatrix() { absent("glPopMatrix"); }
void glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) { absent("glRotatef"); }
void glTranslatef(GLfloat, GLfloat, GLfloat) { absent("glTranslatef"); }
void glShadeModel(GLenum) { absent("glShadeModel"); }
void glTexGeni(GLenum, GLenum, GLint) { absent("glTexGeni"); }
void glPolygonMode(GLenum, GLenum) { absent("glPolygonMode"); }
void glPointSize(GLfloat) { absent("glPointSize"); }
void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) { absent("gluPerspective"); }
void glDebugMessageCallback(GLDEBUGPROC, const void*) { absent("glDebugMessageCallback"); }
void glDebugMessageControl(GLenum, GLenum, GLenum, GLsizei, const GLuint*, GLboolean)
{
    absent("glDebugMessageControl");
}

} // extern "C"
