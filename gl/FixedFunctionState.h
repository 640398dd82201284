#pragma once

#include "gl/FixedFunctionTable.h"

#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

// The GL 1.x state the shader back end keeps on the processor in place of the driver: matrices, lighting, fog,
// texturing, what rasterises lines and polygons, the current attributes and the client arrays. It makes no GL
// call, so it works without a context; the back end hands the driver what stays with it (blending, depth,
// culling of filled triangles, the scissor box, textures). Its limits: one light with no specular part, colour
// material for ambient and diffuse, EXP fog only, and the other lights are never lit.
class FixedFunctionState {
public:
    using Matrix = std::array<float, 16>;

    enum Slot { PositionSlot, NormalSlot, ColorSlot, TexCoordSlot, SlotCount };
    // The components each attribute has; what a shorter array leaves out is filled as GL fills it.
    static constexpr int kComponents[SlotCount] = {3, 3, 4, 2};
    static constexpr float kFill[4] = {0.0f, 0.0f, 0.0f, 1.0f};

    struct Transform {
        std::vector<Matrix> modelview;
        std::vector<Matrix> projection;
        bool projectionMode = false;

        std::vector<Matrix>& stack() { return projectionMode ? projection : modelview; }
        Matrix& top() { return stack().back(); }
        // Projection × modelview.
        void modelviewProjection(float* out) const;
    };

    struct Lighting {
        bool enabled = false, light0 = false, colorMaterial = false, normalize = false, rescaleNormal = false;
        // In eye space, fixed when it was set.
        float lightPosition[4] = {0.0f, 0.0f, 1.0f, 0.0f};
        float lightAmbient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        float lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
        float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
        float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    };

    struct Fog {
        bool enabled = false;
        float color[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        float density = 1.0f;
    };

    struct Texturing {
        bool enabled = false, genS = false, genT = false;
        GLenum genMode = GL_SPHERE_MAP;
        GLuint bound = 0;
        std::unordered_set<GLuint> withImages;
    };

    // How lines and polygons reach the frame.
    struct Raster {
        bool cullFace = false, linePolygons = false, lineSmooth = false, flatShading = false;
        float lineWidth = 1.0f;
        GLint viewport[4] = {0, 0, 1, 1};
    };

    // What glColor, glNormal and glTexCoord set last.
    struct Current {
        float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        float normal[3] = {0.0f, 0.0f, 1.0f};
        float texCoord[2] = {0.0f, 0.0f};

        // The value of a slot whose array is off, in all four components.
        void value(int slot, float* out) const;
    };

    // One attribute of the draw: an array read from client memory or from a buffer object, or, when its
    // array is off, the current value.
    struct ClientArray {
        bool enabled = false;
        GLint size = 4;
        GLsizei stride = 0;
        const void* pointer = nullptr;
        GLuint buffer = 0;

        GLsizei strideInBytes() const { return stride != 0 ? stride : static_cast<GLsizei>(size * sizeof(float)); }
    };

    struct Arrays {
        ClientArray slots[SlotCount];
        GLuint arrayBuffer = 0;
        GLuint elementBuffer = 0;

        // `array` is GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY or GL_TEXTURE_COORD_ARRAY.
        ClientArray& of(GLenum array);
    };

    // Where each attribute of a draw comes from, resolved for the processor: null where it is current.
    struct Sources {
        const std::uint8_t* data[SlotCount] = {};
        GLsizei stride[SlotCount] = {};
        GLint size[SlotCount] = {};
    };

    FixedFunctionState();

    // Whether the driver holds `cap` (too): blending, depth, the scissor box and the culling of filled triangles.
    static bool driverHolds(GLenum cap);
    void setCap(GLenum cap, bool on);
    bool isEnabled(GLenum cap) const;

    void lightfv(GLenum light, GLenum name, const GLfloat* values);
    void lightModelfv(GLenum name, const GLfloat* values);
    void fogf(GLenum name, GLfloat value);
    void fogfv(GLenum name, const GLfloat* values);
    void texGeni(GLenum name, GLint value);
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height);

    void loadIdentity();
    void pushMatrix();
    void popMatrix();
    void rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
    void translatef(GLfloat x, GLfloat y, GLfloat z);
    void multMatrixf(const GLfloat* matrix);
    void perspective(double fovy, double aspect, double zNear, double zFar);

    void color(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
    void attributePointer(GLenum array, GLint size, GLsizei stride, const void* pointer);
    void bindBuffer(GLenum target, GLuint buffer);
    // The buffer is gone: arrays that read it read nothing.
    void bufferDeleted(GLuint buffer);

    // The switches of the program that draws with this state.
    int flags() const;
    // The uniforms of that program.
    void uniformValues(fixed_function::UniformValues* values) const;

    Transform transform;
    Lighting lighting;
    Fog fog;
    Texturing texturing;
    Raster raster;
    Current current;
    Arrays arrays;
    bool recordingList = false;
};
