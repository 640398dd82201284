#pragma once

#include "gl/ContextCapabilities.h"
#include "gl/FixedFunctionProgram.h"
#include "gl/StreamBuffer.h"

#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The GL layer's back end for contexts without fixed function (OpenGL 3.3 core, OpenGL ES 3.0): it stands in
// for the driver's GL 1.x state machine for the subset the show uses. Matrices, lights, fog, texture
// coordinate generation, the current attributes and the client arrays are kept here; every draw becomes
// one draw of FixedFunctionProgram from buffer objects. Blending, depth, culling of filled triangles, the
// scissor box and textures stay with the driver, and so do line-mode polygons and wide or smoothed lines
// where the context reports them (ContextCapabilities). What it lacks (OpenGL ES and WebGL2 have no polygon mode
// and no smoothing, WebGL2 and forward-compatible core contexts no lines wider than a pixel) is drawn here:
// line-mode polygons become their edges, culled here first, and lines wider than a pixel or smoothed become
// quads with their coverage worked out per fragment. Its limits: one light with no specular
// part, colour material for ambient and diffuse, no display lists, float arrays and 32-bit indices only.
class ShaderBackend {
public:
    // `linesAsOnES`: line-mode polygons and wide or smoothed lines drawn as on OpenGL ES whatever the context.
    explicit ShaderBackend(bool linesAsOnES = false);
    ~ShaderBackend();
    ShaderBackend(const ShaderBackend&) = delete;
    ShaderBackend& operator=(const ShaderBackend&) = delete;

    void releaseDeviceObjects();

    void enable(GLenum cap) { setCap(cap, true); }
    void disable(GLenum cap) { setCap(cap, false); }
    GLboolean isEnabled(GLenum cap) const;
    void enableClientState(GLenum array) { arrayOf(array).enabled = true; }
    void disableClientState(GLenum array) { arrayOf(array).enabled = false; }
    void clearDepth(double depth);
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void polygonMode(GLenum mode);
    void lineWidth(GLfloat width);
    void shadeModel(GLenum mode) { flatShading = mode == GL_FLAT; }
    // The show only ever tracks ambient and diffuse, GL's default.
    void colorMaterial(GLenum) {}
    void lightfv(GLenum light, GLenum name, const GLfloat* values);
    void lightModelfv(GLenum name, const GLfloat* values);
    void fogf(GLenum name, GLfloat value);
    void fogfv(GLenum name, const GLfloat* values);
    void texGeni(GLenum coordinate, GLenum name, GLint value);

    void matrixMode(GLenum mode) { projectionMode = mode == GL_PROJECTION; }
    void loadIdentity();
    void pushMatrix();
    void popMatrix();
    void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
    void translatef(GLfloat x, GLfloat y, GLfloat z);
    void multMatrixf(const GLfloat* matrix);
    void perspective(double fovy, double aspect, double zNear, double zFar);

    void color(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
    void normal3fv(const GLfloat* normal);
    void texCoord2fv(const GLfloat* coordinates);
    void vertex3fv(const GLfloat* position);
    void begin(GLenum mode);
    void end();

    // `array` is GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY or GL_TEXTURE_COORD_ARRAY.
    void attributePointer(GLenum array, GLint size, GLenum type, GLsizei stride, const void* pointer);
    void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
    void deleteBuffers(GLsizei count, const GLuint* buffers);
    void bindBuffer(GLenum target, GLuint buffer);
    void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
    const void* mapBufferForReading(GLenum target);

    void deleteTextures(GLsizei count, const GLuint* textures);
    void bindTexture(GLuint texture);
    // The bound texture now has an image.
    void textureImageSet() { texturesWithImages.insert(boundTexture); }

    void newList() { recordingList = true; }
    void endList() { recordingList = false; }

private:
    using Matrix = std::array<float, 16>;

    // One attribute of the draw: an array read from client memory or from a buffer object, or, when its
    // array is off, the current value.
    struct ClientArray {
        bool enabled = false;
        GLint size = 4;
        GLsizei stride = 0;
        const void* pointer = nullptr;
        GLuint buffer = 0;
    };

    // An immediate-mode vertex: everything current when glVertex was called.
    struct ImmediateVertex {
        float position[3];
        float normal[3];
        float color[4];
        float texCoord[2];
    };

    // A corner of a line drawn as a quad.
    struct LineCorner {
        float position[3];
        float normal[3];
        float color[4];
        float texCoord[2];
        float otherEnd[3];
        float otherNormal[3];
        float otherColor[4];
        float otherTexCoord[2];
        float corner;
    };

    // Where each attribute of a draw comes from, resolved for the processor: null where it is current.
    struct Sources {
        const std::uint8_t* data[4] = {};
        GLsizei stride[4] = {};
        GLint size[4] = {};
    };

    enum Slot { PositionSlot, NormalSlot, ColorSlot, TexCoordSlot, SlotCount };

    void setCap(GLenum cap, bool on);
    // What the context draws of lines itself; asked at the first call that needs it, with the context current.
    const ContextCapabilities& capabilities();
    // Whether the driver draws lines of the current width and smoothing.
    bool driverDrawsLines() { return capabilities().drawsLines(currentLineWidth, lineSmooth); }
    // Gives the driver the polygon mode, line width and smoothing of a draw it makes itself; quads and edge lists
    // are drawn with polygons filled.
    void setDriverLines(bool linePolygonsDrawn);
    ClientArray& arrayOf(GLenum array);
    Matrix& top() { return projectionMode ? projection.back() : modelview.back(); }
    bool ready();
    // Makes the program for the state and `extraFlags` current with the state's uniforms; false when none.
    bool setUniforms(int extraFlags);
    int stateFlags() const;
    // The attributes as the processor reads them: client memory, or the copy kept of a buffer's contents.
    Sources cpuSources() const;
    const std::uint8_t* cpuIndices(const void* indices) const;
    void drawAsGiven(GLenum mode, GLsizei count, const void* indices);
    // Lines from line-mode triangles; under flat shading each takes its colour from its triangle's last vertex.
    void drawPolygonEdges(const Sources& sources);
    // `shadedBy`, when given, names for each line the vertex whose normal and colour light it.
    void drawLineQuads(const std::uint32_t* lines, std::size_t count, const Sources& sources,
                       const std::uint32_t* shadedBy = nullptr);
    // Appends the edges of the triangles that survive face culling.
    void edgesOf(const std::uint32_t* triangles, std::size_t count, const Sources& sources);
    void drawImmediate(const std::vector<ImmediateVertex>& vertices, const std::vector<std::uint32_t>& indices,
                       GLenum mode);
    void current(int slot, float* out) const;

    // Capabilities kept here; the rest go to the driver.
    bool lighting = false, light0 = false, colorMaterialOn = false, normalizeOn = false, rescaleNormal = false;
    bool fog = false, texture2D = false, texGenS = false, texGenT = false, lineSmooth = false, cullFace = false;
    bool linePolygons = false, flatShading = false, recordingList = false, projectionMode = false;
    GLenum texGenMode = GL_SPHERE_MAP;
    bool linesAsOnES;
    bool capabilitiesKnown = false;
    ContextCapabilities contextCapabilities;
    float currentLineWidth = 1.0f;
    // The line state last given to the driver.
    struct DriverLines {
        GLenum polygonMode = GL_FILL;
        float width = 1.0f;
        bool smooth = false;
    } driverLines;
    ClientArray arrays[SlotCount];
    GLuint arrayBuffer = 0;
    GLuint elementBuffer = 0;
    // What every buffer object the show filled holds, for draws the processor must read.
    std::unordered_map<GLuint, std::vector<std::uint8_t>> bufferContents;
    GLuint boundTexture = 0;
    std::unordered_set<GLuint> texturesWithImages;

    std::vector<Matrix> modelview;
    std::vector<Matrix> projection;
    float currentColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float currentNormal[3] = {0.0f, 0.0f, 1.0f};
    float currentTexCoord[2] = {0.0f, 0.0f};
    float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float lightPosition[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    float lightAmbient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float fogColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float fogDensity = 1.0f;
    GLint viewportBox[4] = {0, 0, 1, 1};

    GLenum immediateMode = 0;
    std::vector<ImmediateVertex> immediate;
    std::vector<std::uint32_t> immediateIndices;

    // GL objects, made at the first draw.
    bool deviceReady = false;
    bool deviceFailed = false;
    FixedFunctionProgram program;
    GLuint vertexArray = 0;
    // Client arrays, each in its own stream, or all in the first where they interleave; lines as quads in the
    // first too.
    StreamBuffer vertexStreams[SlotCount] = {StreamBuffer(GL_ARRAY_BUFFER), StreamBuffer(GL_ARRAY_BUFFER),
                                             StreamBuffer(GL_ARRAY_BUFFER), StreamBuffer(GL_ARRAY_BUFFER)};
    StreamBuffer indexStream{GL_ELEMENT_ARRAY_BUFFER};
    GLuint quadIndexBuffer = 0;
    std::size_t quadIndexLines = 0;
    std::vector<std::uint32_t> lineScratch;
    std::vector<std::uint32_t> lineShadedBy;
    std::vector<std::uint32_t> indexScratch;
    std::vector<LineCorner> cornerScratch;
};
