#pragma once

#include <GL/glew.h>

#include <cstddef>

// The fixed-function program's interface, listed once. Each list is an X-macro: the C++ enums, the GLSL
// declarations and defines, the attribute bindings, the line-quad vertex layout and the uniform lookups
// (by name) are all generated from these rows, so a name cannot be spelled two ways.

// The switches a draw sets: C++ name, GLSL name. The bit of each is its place in the list.
#define QUESSALY_PROGRAM_SWITCHES(X)                                                                            \
    X(Lighting, LIGHTING)                                                                                       \
    X(Light0, LIGHT0)                                                                                           \
    X(ColorMaterial, COLOR_MATERIAL)                                                                            \
    X(Normalize, NORMALIZE)                                                                                     \
    X(RescaleNormal, RESCALE_NORMAL)                                                                            \
    X(SphereMap, SPHERE_MAP)                                                                                    \
    X(ReflectionMap, REFLECTION_MAP)                                                                            \
    X(Texture, TEXTURE)                                                                                         \
    X(Fog, FOG)                                                                                                 \
    X(Flat, FLAT)                                                                                               \
    /* The draw is lines expanded into quads (four corners a line): wide, or smoothed. */                      \
    X(LineQuads, LINE_QUADS)                                                                                    \
    X(LineSmooth, LINE_SMOOTH)                                                                                  \
    X(PositionalLight, POSITIONAL_LIGHT)

// The vertex attributes: C++ name (GLSL `a` + name; the location is the place in the list), the member of a
// line-quad corner, components. Lines as quads also carry the far end of the line, and which corner of the
// quad a vertex is (bit 0: the side, bit 1: the end).
#define QUESSALY_PROGRAM_ATTRIBUTES(X)                                                                          \
    X(Position, position, 3)                                                                                    \
    X(Normal, normal, 3)                                                                                        \
    X(Color, color, 4)                                                                                          \
    X(TexCoord, texCoord, 2)                                                                                    \
    X(OtherEnd, otherEnd, 3)                                                                                    \
    X(Corner, corner, 1)                                                                                        \
    X(OtherNormal, otherNormal, 3)                                                                              \
    X(OtherColor, otherColor, 4)                                                                                \
    X(OtherTexCoord, otherTexCoord, 2)

// The uniforms: C++ name (GLSL `u` + name), type. The light position is in eye space, and a direction,
// already normalised, when the light is not positional.
#define QUESSALY_PROGRAM_UNIFORMS(X)                                                                            \
    X(ModelviewProjection, Mat4)                                                                                \
    X(Modelview, Mat4)                                                                                          \
    X(NormalMatrix, Mat3)                                                                                       \
    X(NormalScale, Float)                                                                                       \
    X(LightPosition, Vec4)                                                                                      \
    X(LightAmbient, Vec4)                                                                                       \
    X(LightDiffuse, Vec4)                                                                                       \
    X(SceneAmbient, Vec4)                                                                                       \
    X(MaterialAmbient, Vec4)                                                                                    \
    X(MaterialDiffuse, Vec4)                                                                                    \
    X(FogColor, Vec4)                                                                                           \
    X(FogDensity, Float)                                                                                        \
    X(Texture, Sampler)                                                                                         \
    X(ViewportSize, Vec2)                                                                                       \
    X(LineHalfWidth, Float)

namespace fixed_function {

#define QUESSALY_AS_INDEX(name, glsl) name##Index,
enum SwitchIndex { QUESSALY_PROGRAM_SWITCHES(QUESSALY_AS_INDEX) kSwitchCount };
#undef QUESSALY_AS_INDEX

#define QUESSALY_AS_NAME(name, glsl) #glsl,
constexpr const char* kSwitchNames[] = {QUESSALY_PROGRAM_SWITCHES(QUESSALY_AS_NAME)};
#undef QUESSALY_AS_NAME

// What a draw switches on: the bits of the program's flag word.
#define QUESSALY_AS_FLAG(name, glsl) name = 1 << name##Index,
enum Flag : int { QUESSALY_PROGRAM_SWITCHES(QUESSALY_AS_FLAG) };
#undef QUESSALY_AS_FLAG

// The attribute locations, bound before linking.
#define QUESSALY_AS_ATTRIBUTE(name, member, components) name,
enum Attribute : GLuint { QUESSALY_PROGRAM_ATTRIBUTES(QUESSALY_AS_ATTRIBUTE) kAttributeCount };
#undef QUESSALY_AS_ATTRIBUTE

#define QUESSALY_AS_ROW(name, member, components) {"a" #name, components},
constexpr struct {
    const char* name;
    int components;
} kAttributes[] = {QUESSALY_PROGRAM_ATTRIBUTES(QUESSALY_AS_ROW)};
#undef QUESSALY_AS_ROW

enum class UniformType { Float, Vec2, Vec4, Mat3, Mat4, Sampler };

#define QUESSALY_AS_ENUM(name, type) name,
enum class Uniform { QUESSALY_PROGRAM_UNIFORMS(QUESSALY_AS_ENUM) };
#undef QUESSALY_AS_ENUM

#define QUESSALY_AS_ROW(name, type) {"u" #name, UniformType::type},
constexpr struct {
    const char* name;
    UniformType type;
} kUniforms[] = {QUESSALY_PROGRAM_UNIFORMS(QUESSALY_AS_ROW)};
#undef QUESSALY_AS_ROW

constexpr int kUniformCount = static_cast<int>(sizeof kUniforms / sizeof kUniforms[0]);

constexpr int componentsOf(UniformType type)
{
    switch (type) {
    case UniformType::Vec2: return 2;
    case UniformType::Vec4: return 4;
    case UniformType::Mat3: return 9;
    case UniformType::Mat4: return 16;
    default: return 1;
    }
}

// The value of every uniform a draw needs, each in the first components of its row. The sampler's row is
// unused: its unit is set once, when its program is made.
struct UniformValues {
    float rows[kUniformCount][16] = {};

    float* operator[](Uniform uniform) { return rows[static_cast<int>(uniform)]; }
    const float* operator[](Uniform uniform) const { return rows[static_cast<int>(uniform)]; }
};

} // namespace fixed_function
