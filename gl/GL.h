#pragma once

#include <GL/glew.h>

// The GL the show draws with: the GL 1.x subset it uses, under the names of the calls it stands for
// (gl::rotatef is glRotatef, gl::perspective is gluPerspective). Every call goes to one of two back ends,
// chosen once at start-up:
// - Fixed: the driver's own fixed-function calls, in the same order, over a compatibility context.
// - Shader: the state is kept here on the processor and every draw is made with one GLSL program, over an
//   OpenGL 3.3 core or OpenGL ES 3.0 context that has no fixed function.
namespace gl {

// Whether the build links desktop GL. The browser's build (QUESSALY_NO_FIXED_FUNCTION) links WebGL2 only: no
// fixed function, no polygon mode, no debug output, no mapped buffers. It leaves the fixed back end out, and
// the few calls to the others are made under `if constexpr (kDesktopGL)`, so nothing needs a stand-in.
#ifdef QUESSALY_NO_FIXED_FUNCTION
inline constexpr bool kDesktopGL = false;
#else
inline constexpr bool kDesktopGL = true;
#endif

enum class Backend { Fixed, Shader };

// True when the driver gave the entry point. Through GLEW each is a pointer that may be null; where GL is
// linked directly (WebGL in a browser) every declared function exists.
template <class Function>
bool hasEntryPoint(Function* function)
{
    return function != nullptr;
}

// Takes effect for every later call; the shader back end makes its GL objects at its first draw, so it may
// be chosen before the context exists. Choosing it again starts it afresh. `linesAsOnES` has the shader back
// end draw line-mode polygons and wide or smoothed lines as it must on OpenGL ES, on any context. Without
// desktop GL every choice is the shader back end.
void select(Backend backend, bool linesAsOnES = false);
Backend current();
// Reads a name; false when it is neither.
bool parse(const char* text, Backend* backend);
// The shader back end's GL objects are released (before its context goes); the next draw makes them again.
void releaseDeviceObjects();

// State.
void enable(GLenum cap);
void disable(GLenum cap);
GLboolean isEnabled(GLenum cap);
void enableClientState(GLenum array);
void disableClientState(GLenum array);
void blendFunc(GLenum source, GLenum destination);
void depthFunc(GLenum function);
void clearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void clearDepth(GLdouble depth);
void clear(GLbitfield mask);
void viewport(GLint x, GLint y, GLsizei width, GLsizei height);
void scissor(GLint x, GLint y, GLsizei width, GLsizei height);
void polygonMode(GLenum face, GLenum mode);
void lineWidth(GLfloat width);
// Widths are pixels of a frame `designHeight` rows high; on a taller frame buffer lines widen with it.
void scaleLineWidths(int framebufferHeight, int designHeight);
void pointSize(GLfloat size);
void shadeModel(GLenum mode);
void hint(GLenum target, GLenum mode);
void colorMaterial(GLenum face, GLenum mode);
void lightfv(GLenum light, GLenum name, const GLfloat* values);
void lightModelfv(GLenum name, const GLfloat* values);
void fogf(GLenum name, GLfloat value);
void fogi(GLenum name, GLint value);
void fogfv(GLenum name, const GLfloat* values);
void texGeni(GLenum coordinate, GLenum name, GLint value);
void pixelStorei(GLenum name, GLint value);
void getIntegerv(GLenum name, GLint* values);
GLenum getError();

// Matrices.
void matrixMode(GLenum mode);
void loadIdentity();
void pushMatrix();
void popMatrix();
void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void translatef(GLfloat x, GLfloat y, GLfloat z);
void multMatrixf(const GLfloat* matrix);
void perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);

// Current attributes and immediate mode.
void color3f(GLfloat red, GLfloat green, GLfloat blue);
void color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void color3fv(const GLfloat* rgb);
void color4fv(const GLfloat* rgba);
void normal3fv(const GLfloat* normal);
void texCoord2fv(const GLfloat* coordinates);
void vertex3fv(const GLfloat* position);
void begin(GLenum mode);
void end();

// Arrays and buffers.
void vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void normalPointer(GLenum type, GLsizei stride, const void* pointer);
void colorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void texCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
void drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type, const void* indices);
void genBuffers(GLsizei count, GLuint* buffers);
void deleteBuffers(GLsizei count, const GLuint* buffers);
void bindBuffer(GLenum target, GLuint buffer);
void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
// Maps the whole of the bound buffer for reading; null without desktop GL.
const void* mapBufferForReading(GLenum target);
GLboolean unmapBuffer(GLenum target);
void readPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels);
// Waits until every command given so far has been carried out.
void finish();

// Textures.
void genTextures(GLsizei count, GLuint* textures);
void deleteTextures(GLsizei count, const GLuint* textures);
void bindTexture(GLenum target, GLuint texture);
void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                GLenum format, GLenum type, const void* pixels);
void texParameterf(GLenum target, GLenum name, GLfloat value);
void texParameteri(GLenum target, GLenum name, GLint value);

// Display lists, which the show itself does not use: the shader back end records none and draws nothing.
GLuint genLists(GLsizei range);
void newList(GLuint list, GLenum mode);
void endList();
void callList(GLuint list);
void deleteLists(GLuint list, GLsizei range);

// Programs a mesh may carry, on the fixed back end only.
void useProgram(GLuint program);
void detachShader(GLuint program, GLuint shader);
void deleteShader(GLuint shader);
void deleteProgram(GLuint program);

} // namespace gl
