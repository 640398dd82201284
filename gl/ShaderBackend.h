#pragma once

#include "gl/BufferCopies.h"
#include "gl/ClientArrayStreams.h"
#include "gl/ContextCapabilities.h"
#include "gl/FixedFunctionProgram.h"
#include "gl/FixedFunctionState.h"
#include "gl/FixedFunctionTable.h"
#include "gl/GLBackend.h"
#include "gl/ImmediateMode.h"
#include "gl/LineEmulation.h"

#include <GL/glew.h>

#include <algorithm>
#include <optional>

// The GL layer's back end for contexts without fixed function (OpenGL 3.3 core, OpenGL ES 3.0): it stands in
// for the driver's GL 1.x state machine for the subset the show uses. The state is kept on the processor
// (FixedFunctionState); every draw becomes one draw of a FixedFunctionProgram variant from buffer objects
// (ClientArrayStreams). Blending, depth, culling of filled triangles, the scissor box and textures stay with
// the driver, and so do line-mode polygons and wide or smoothed lines where the context reports them
// (ContextCapabilities). What it lacks (OpenGL ES and WebGL2 have no polygon mode and no smoothing, WebGL2
// and forward-compatible core contexts no lines wider than a pixel) is drawn by LineEmulation, from the
// processor's copy of the buffers (BufferCopies). Its limits: one light with no specular part, colour
// material for ambient and diffuse, no display lists, float arrays and 32-bit indices only.
class ShaderBackend final : public GLBackend {
public:
    // `linesAsOnES`: line-mode polygons and wide or smoothed lines drawn as on OpenGL ES whatever the context.
    explicit ShaderBackend(bool linesAsOnES = false) : linesAsOnES(linesAsOnES) {}
    ShaderBackend(const ShaderBackend&) = delete;
    ShaderBackend& operator=(const ShaderBackend&) = delete;

    void releaseDeviceObjects() override;

    void enable(GLenum cap) override { setCap(cap, true); }
    void disable(GLenum cap) override { setCap(cap, false); }
    GLboolean isEnabled(GLenum cap) override;
    void enableClientState(GLenum array) override { state.arrays.of(array).enabled = true; }
    void disableClientState(GLenum array) override { state.arrays.of(array).enabled = false; }
    void clearDepth(GLdouble depth) override;
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height) override;
    void polygonMode(GLenum, GLenum mode) override { state.raster.linePolygons = mode == GL_LINE; }
    void lineWidth(GLfloat width) override { state.raster.lineWidth = width; }
    // Nothing the show draws is a point; ES has no point size to set.
    void pointSize(GLfloat) override {}
    void shadeModel(GLenum mode) override { state.raster.flatShading = mode == GL_FLAT; }
    // The perspective and fog hints have no meaning for shaders, which always interpolate per fragment.
    void hint(GLenum, GLenum) override {}
    // The show only ever tracks ambient and diffuse, GL's default.
    void colorMaterial(GLenum, GLenum) override {}
    void lightfv(GLenum light, GLenum name, const GLfloat* values) override { state.lightfv(light, name, values); }
    void lightModelfv(GLenum name, const GLfloat* values) override { state.lightModelfv(name, values); }
    void fogf(GLenum name, GLfloat value) override { state.fogf(name, value); }
    void fogi(GLenum name, GLint value) override { state.fogf(name, static_cast<GLfloat>(value)); }
    void fogfv(GLenum name, const GLfloat* values) override { state.fogfv(name, values); }
    void texGeni(GLenum, GLenum name, GLint value) override { state.texGeni(name, value); }

    void matrixMode(GLenum mode) override { state.transform.projectionMode = mode == GL_PROJECTION; }
    void loadIdentity() override { state.loadIdentity(); }
    void pushMatrix() override { state.pushMatrix(); }
    void popMatrix() override { state.popMatrix(); }
    void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) override { state.rotatef(angle, x, y, z); }
    void translatef(GLfloat x, GLfloat y, GLfloat z) override { state.translatef(x, y, z); }
    void multMatrixf(const GLfloat* matrix) override { state.multMatrixf(matrix); }
    void perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) override
    {
        state.perspective(fovy, aspect, zNear, zFar);
    }

    void color3f(GLfloat red, GLfloat green, GLfloat blue) override { state.color(red, green, blue, 1.0f); }
    void color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) override
    {
        state.color(red, green, blue, alpha);
    }
    void color3fv(const GLfloat* rgb) override { state.color(rgb[0], rgb[1], rgb[2], 1.0f); }
    void color4fv(const GLfloat* rgba) override { state.color(rgba[0], rgba[1], rgba[2], rgba[3]); }
    void normal3fv(const GLfloat* normal) override { std::copy_n(normal, 3, state.current.normal); }
    void texCoord2fv(const GLfloat* coordinates) override { std::copy_n(coordinates, 2, state.current.texCoord); }
    void vertex3fv(const GLfloat* position) override { immediate.vertex(position, state.current); }
    void begin(GLenum mode) override { immediate.begin(mode); }
    void end() override;

    void vertexPointer(GLint size, GLenum, GLsizei stride, const void* pointer) override
    {
        state.attributePointer(GL_VERTEX_ARRAY, size, stride, pointer);
    }
    void normalPointer(GLenum, GLsizei stride, const void* pointer) override
    {
        state.attributePointer(GL_NORMAL_ARRAY, 3, stride, pointer);
    }
    void colorPointer(GLint size, GLenum, GLsizei stride, const void* pointer) override
    {
        state.attributePointer(GL_COLOR_ARRAY, size, stride, pointer);
    }
    void texCoordPointer(GLint size, GLenum, GLsizei stride, const void* pointer) override
    {
        state.attributePointer(GL_TEXTURE_COORD_ARRAY, size, stride, pointer);
    }
    void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) override;
    void drawRangeElements(GLenum mode, GLuint, GLuint, GLsizei count, GLenum type, const void* indices) override
    {
        drawElements(mode, count, type, indices);
    }
    void deleteBuffers(GLsizei count, const GLuint* buffers) override;
    void bindBuffer(GLenum target, GLuint buffer) override;
    void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) override;
    const void* mapBufferForReading(GLenum target) override;

    void deleteTextures(GLsizei count, const GLuint* textures) override;
    void bindTexture(GLenum target, GLuint texture) override;
    void texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels) override;

    // Display lists are recorded by no one here: what is drawn while one records is dropped.
    GLuint genLists(GLsizei) override { return 0; }
    void newList(GLuint, GLenum) override { state.recordingList = true; }
    void endList() override { state.recordingList = false; }
    void callList(GLuint) override {}
    void deleteLists(GLuint, GLsizei) override {}
    // Programs a mesh may carry are drawn on the fixed back end only.
    void useProgram(GLuint) override {}

private:
    // The GL objects, made at the first draw with the context current.
    enum class Device { NotMade, Ready, Failed };

    void setCap(GLenum cap, bool on);
    // What the context draws of lines itself; asked at the first call that needs it, with the context current.
    const ContextCapabilities& capabilities();
    // Whether the driver draws lines of the current width and smoothing.
    bool driverDrawsLines() { return capabilities().drawsLines(state.raster.lineWidth, state.raster.lineSmooth); }
    // Gives the driver the polygon mode, line width and smoothing of a draw it makes itself; quads and edge lists
    // are drawn with polygons filled.
    void setDriverLines(bool linePolygonsDrawn);
    bool ready();
    // Makes the program for the state and `extraFlags` current with the state's uniforms; false when none.
    bool drawWith(int extraFlags);
    void drawAsGiven(GLenum mode, GLsizei count, const void* indices);
    // The edges made last; under flat shading each takes its colour from its triangle's last vertex.
    void drawPolygonEdges(const FixedFunctionState::Sources& sources);
    // `shading`, when given, names for each line the vertex whose normal and colour light it.
    void drawLineQuads(const std::uint32_t* lines, std::size_t count, const FixedFunctionState::Sources& sources,
                       const std::uint32_t* shading = nullptr);

    FixedFunctionState state;
    ImmediateMode immediate;
    BufferCopies copies;
    const bool linesAsOnES;
    std::optional<ContextCapabilities> context;
    // The line state last given to the driver.
    struct DriverLines {
        GLenum polygonMode = GL_FILL;
        float width = 1.0f;
        bool smooth = false;
    } driverLines;

    Device device = Device::NotMade;
    FixedFunctionProgram program;
    fixed_function::UniformValues uniforms;
    GLuint vertexArray = 0;
    ClientArrayStreams streams;
    LineEmulation lines;
};
