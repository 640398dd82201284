#pragma once

#include <GL/glew.h>

#include <unordered_map>

// The GLSL the shader back end draws with: GL 1.x's per-vertex lighting (one light, colour material), normal
// scaling, sphere and reflection maps, EXP fog, modulated textures and flat shading, and lines drawn as
// quads, wide or with their coverage computed per fragment. One source, compiled as `#version 330 core` or
// `#version 300 es`, once for each set of flags a draw uses, as drivers specialise their fixed function:
// a software rasteriser then runs no code for what is switched off.
class FixedFunctionProgram {
public:
    // What a draw switches on; the values are the bits of the program's flag word.
    enum Flag : int {
        Lighting = 1 << 0,
        Light0 = 1 << 1,
        ColorMaterial = 1 << 2,
        Normalize = 1 << 3,
        RescaleNormal = 1 << 4,
        SphereMap = 1 << 5,
        ReflectionMap = 1 << 6,
        Texture = 1 << 7,
        Fog = 1 << 8,
        Flat = 1 << 9,
        // The draw is lines expanded into quads (four corners a line): wide, or smoothed.
        LineQuads = 1 << 10,
        LineSmooth = 1 << 11,
        PositionalLight = 1 << 12,
    };

    // The attribute locations, bound before linking.
    enum Attribute : GLuint {
        Position = 0, Normal = 1, Color = 2, TexCoord = 3,
        // Lines as quads: the other end of the line, and which corner of the quad a vertex is.
        OtherEnd = 4, Corner = 5, OtherNormal = 6, OtherColor = 7, OtherTexCoord = 8
    };

    struct Uniforms {
        GLint modelviewProjection, modelview, normalMatrix, normalScale;
        GLint lightPosition, lightAmbient, lightDiffuse, sceneAmbient, materialAmbient, materialDiffuse;
        GLint fogColor, fogDensity, texture, viewportSize, lineHalfWidth;
    };

    struct Variant {
        GLuint program = 0;
        Uniforms uniforms{};
    };

    void setTarget(bool openGLES) { es = openGLES; }
    // Makes the variant for `flags` current, compiling it the first time; null, with the compiler's log on
    // standard error once, when it does not compile.
    const Variant* use(int flags);
    void destroy();

private:
    bool es = false;
    std::unordered_map<int, Variant> variants;
    int current = -1;
};
