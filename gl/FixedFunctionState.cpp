#include "gl/FixedFunctionState.h"

#include "math/Matrix4.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr GLenum kArrayNames[] = {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY};

} // namespace

void FixedFunctionState::Transform::modelviewProjection(float* out) const
{
    Matrix4::multiply(projection.back().data(), modelview.back().data(), out);
}

void FixedFunctionState::Current::value(int slot, float* out) const
{
    std::copy_n(kFill, 4, out);
    const float* value = slot == PositionSlot ? kFill
                         : slot == NormalSlot ? normal
                         : slot == ColorSlot  ? color
                                              : texCoord;
    std::copy_n(value, kComponents[slot], out);
}

FixedFunctionState::ClientArray& FixedFunctionState::Arrays::of(GLenum array)
{
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (kArrayNames[slot] == array) {
            return slots[slot];
        }
    }
    return slots[PositionSlot];
}

FixedFunctionState::FixedFunctionState()
{
    Matrix identity;
    Matrix4::identity(identity.data());
    transform.modelview.push_back(identity);
    transform.projection.push_back(identity);
}

bool FixedFunctionState::driverHolds(GLenum cap)
{
    return cap == GL_BLEND || cap == GL_DEPTH_TEST || cap == GL_SCISSOR_TEST || cap == GL_CULL_FACE;
}

void FixedFunctionState::setCap(GLenum cap, bool on)
{
    switch (cap) {
    case GL_LIGHTING: lighting.enabled = on; break;
    case GL_LIGHT0: lighting.light0 = on; break;
    case GL_COLOR_MATERIAL:
        lighting.colorMaterial = on;
        // Enabling colour material takes the current colour at once.
        if (on) {
            std::copy_n(current.color, 4, lighting.materialAmbient);
            std::copy_n(current.color, 4, lighting.materialDiffuse);
        }
        break;
    case GL_NORMALIZE: lighting.normalize = on; break;
    case GL_RESCALE_NORMAL: lighting.rescaleNormal = on; break;
    case GL_FOG: fog.enabled = on; break;
    case GL_TEXTURE_2D: texturing.enabled = on; break;
    case GL_TEXTURE_GEN_S: texturing.genS = on; break;
    case GL_TEXTURE_GEN_T: texturing.genT = on; break;
    case GL_LINE_SMOOTH: raster.lineSmooth = on; break;
    case GL_CULL_FACE: raster.cullFace = on; break;
    default: break; // lights other than the first are never lit
    }
}

bool FixedFunctionState::isEnabled(GLenum cap) const
{
    switch (cap) {
    case GL_LIGHTING: return lighting.enabled;
    case GL_LIGHT0: return lighting.light0;
    case GL_COLOR_MATERIAL: return lighting.colorMaterial;
    case GL_NORMALIZE: return lighting.normalize;
    case GL_RESCALE_NORMAL: return lighting.rescaleNormal;
    case GL_FOG: return fog.enabled;
    case GL_TEXTURE_2D: return texturing.enabled;
    case GL_TEXTURE_GEN_S: return texturing.genS;
    case GL_TEXTURE_GEN_T: return texturing.genT;
    case GL_LINE_SMOOTH: return raster.lineSmooth;
    case GL_CULL_FACE: return raster.cullFace;
    default: return false;
    }
}

void FixedFunctionState::lightfv(GLenum light, GLenum name, const GLfloat* values)
{
    if (light != GL_LIGHT0) {
        return;
    }
    if (name == GL_POSITION) {
        // Fixed where it is set: through the modelview in force now.
        const float* m = transform.modelview.back().data();
        float* position = lighting.lightPosition;
        for (int row = 0; row < 4; ++row) {
            position[row] =
                m[row] * values[0] + m[4 + row] * values[1] + m[8 + row] * values[2] + m[12 + row] * values[3];
        }
        if (position[3] == 0.0f) {
            const float length =
                std::sqrt(position[0] * position[0] + position[1] * position[1] + position[2] * position[2]);
            // A zero direction stays zero, lighting nothing but the ambient part, as in GL.
            for (int i = 0; i < 3 && length > 0.0f; ++i) {
                position[i] /= length;
            }
        }
    } else if (name == GL_AMBIENT) {
        std::copy_n(values, 4, lighting.lightAmbient);
    } else if (name == GL_DIFFUSE) {
        std::copy_n(values, 4, lighting.lightDiffuse);
    }
}

void FixedFunctionState::lightModelfv(GLenum name, const GLfloat* values)
{
    if (name == GL_LIGHT_MODEL_AMBIENT) {
        std::copy_n(values, 4, lighting.sceneAmbient);
    }
}

// Fog is drawn in GL_EXP mode, the only one the show uses; start and end belong to the linear mode.
void FixedFunctionState::fogf(GLenum name, GLfloat value)
{
    if (name == GL_FOG_DENSITY) {
        fog.density = value;
    }
}

void FixedFunctionState::fogfv(GLenum name, const GLfloat* values)
{
    if (name == GL_FOG_COLOR) {
        std::copy_n(values, 4, fog.color);
    } else {
        fogf(name, values[0]);
    }
}

void FixedFunctionState::texGeni(GLenum name, GLint value)
{
    if (name == GL_TEXTURE_GEN_MODE) {
        texturing.genMode = static_cast<GLenum>(value);
    }
}

void FixedFunctionState::viewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    raster.viewport[0] = x;
    raster.viewport[1] = y;
    raster.viewport[2] = std::max(1, width);
    raster.viewport[3] = std::max(1, height);
}

void FixedFunctionState::loadIdentity() { Matrix4::identity(transform.top().data()); }

void FixedFunctionState::pushMatrix()
{
    std::vector<Matrix>& stack = transform.stack();
    stack.push_back(stack.back());
}

void FixedFunctionState::popMatrix()
{
    std::vector<Matrix>& stack = transform.stack();
    if (stack.size() > 1) {
        stack.pop_back();
    }
}

// glRotatef as drivers build it (Mesa's way: the angle to radians in double, a rotation about one axis kept
// exact), so positions, and the depths where lines meet, round as under the fixed back end. Matrix4::rotate is
// a second builder on purpose: a float pi and one formula for every axis, for the matrices scenes make
// themselves and hand to GL, whose rounding the fixed back end's frames carry. Either in place of the other
// moves pixels (tunnel and cylinder-plane frames on the fixed back end, most shader frames the other way).
void FixedFunctionState::rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    const float s = std::sin(static_cast<float>(angle * 3.14159265358979323846 / 180.0));
    const float c = std::cos(static_cast<float>(angle * 3.14159265358979323846 / 180.0));
    float m[16];
    Matrix4::identity(m);
    const auto at = [&m](int row, int col) -> float& { return m[col * 4 + row]; };
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(0, 0) = at(1, 1) = c;
        at(0, 1) = z < 0.0f ? s : -s;
        at(1, 0) = -at(0, 1);
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        at(0, 0) = at(2, 2) = c;
        at(0, 2) = y < 0.0f ? -s : s;
        at(2, 0) = -at(0, 2);
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        at(1, 1) = at(2, 2) = c;
        at(1, 2) = x < 0.0f ? s : -s;
        at(2, 1) = -at(1, 2);
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f) {
            return;
        }
        x /= length;
        y /= length;
        z /= length;
        const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        const float xs = x * s, ys = y * s, zs = z * s, oneMinusC = 1.0f - c;
        at(0, 0) = (oneMinusC * xx) + c;
        at(0, 1) = (oneMinusC * xy) - zs;
        at(0, 2) = (oneMinusC * zx) + ys;
        at(1, 0) = (oneMinusC * xy) + zs;
        at(1, 1) = (oneMinusC * yy) + c;
        at(1, 2) = (oneMinusC * yz) - xs;
        at(2, 0) = (oneMinusC * zx) - ys;
        at(2, 1) = (oneMinusC * yz) + xs;
        at(2, 2) = (oneMinusC * zz) + c;
    }
    multMatrixf(m);
}

void FixedFunctionState::translatef(GLfloat x, GLfloat y, GLfloat z)
{
    Matrix4::translate(transform.top().data(), x, y, z);
}

void FixedFunctionState::multMatrixf(const GLfloat* matrix)
{
    const Matrix before = transform.top();
    Matrix4::multiply(before.data(), matrix, transform.top().data());
}

// gluPerspective's matrix, worked out in double as it does.
void FixedFunctionState::perspective(double fovy, double aspect, double zNear, double zFar)
{
    const double radians = fovy / 2.0 * 3.14159265358979323846 / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(radians);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) {
        return;
    }
    const double cotangent = std::cos(radians) / sine;
    float m[16] = {};
    m[0] = static_cast<float>(cotangent / aspect);
    m[5] = static_cast<float>(cotangent);
    m[10] = static_cast<float>(-(zFar + zNear) / depth);
    m[11] = -1.0f;
    m[14] = static_cast<float>(-2.0 * zNear * zFar / depth);
    multMatrixf(m);
}

void FixedFunctionState::color(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    const float rgba[4] = {red, green, blue, alpha};
    std::copy_n(rgba, 4, current.color);
    if (lighting.colorMaterial) {
        std::copy_n(rgba, 4, lighting.materialAmbient);
        std::copy_n(rgba, 4, lighting.materialDiffuse);
    }
}

void FixedFunctionState::attributePointer(GLenum array, GLint size, GLsizei stride, const void* pointer)
{
    ClientArray& target = arrays.of(array);
    target.size = size;
    target.stride = stride;
    target.pointer = pointer;
    target.buffer = arrays.arrayBuffer;
}

void FixedFunctionState::bindBuffer(GLenum target, GLuint buffer)
{
    if (target == GL_ARRAY_BUFFER) {
        arrays.arrayBuffer = buffer;
    } else if (target == GL_ELEMENT_ARRAY_BUFFER) {
        arrays.elementBuffer = buffer;
    }
}

void FixedFunctionState::bufferDeleted(GLuint buffer)
{
    for (ClientArray& array : arrays.slots) {
        if (array.buffer == buffer) {
            array.buffer = 0;
        }
    }
    arrays.arrayBuffer = arrays.arrayBuffer == buffer ? 0 : arrays.arrayBuffer;
    arrays.elementBuffer = arrays.elementBuffer == buffer ? 0 : arrays.elementBuffer;
}

int FixedFunctionState::flags() const
{
    namespace f = fixed_function;
    int flags = 0;
    if (lighting.enabled) {
        flags |= f::Lighting | (lighting.light0 ? f::Light0 : 0) |
                 (lighting.lightPosition[3] != 0.0f ? f::PositionalLight : 0);
    }
    flags |= lighting.colorMaterial ? f::ColorMaterial : 0;
    flags |= lighting.normalize ? f::Normalize : 0;
    flags |= lighting.rescaleNormal ? f::RescaleNormal : 0;
    // A texture without an image leaves fragments untextured, as GL does with an incomplete texture.
    if (texturing.enabled && texturing.withImages.count(texturing.bound) != 0) {
        flags |= f::Texture;
        if (texturing.genS && texturing.genT) {
            flags |= texturing.genMode == GL_REFLECTION_MAP ? f::ReflectionMap : f::SphereMap;
        }
    }
    flags |= fog.enabled ? f::Fog : 0;
    flags |= raster.flatShading ? f::Flat : 0;
    return flags;
}

void FixedFunctionState::uniformValues(fixed_function::UniformValues* values) const
{
    using U = fixed_function::Uniform;
    fixed_function::UniformValues& v = *values;
    const float* mv = transform.modelview.back().data();
    transform.modelviewProjection(v[U::ModelviewProjection]);
    std::copy_n(mv, 16, v[U::Modelview]);
    float* normalMatrix = v[U::NormalMatrix];
    Matrix4::normalMatrix(mv, normalMatrix);
    // GL rescales normals by the length of the inverse modelview's third row: the normal matrix's third column.
    const float rowLength = std::sqrt(normalMatrix[6] * normalMatrix[6] + normalMatrix[7] * normalMatrix[7] +
                                      normalMatrix[8] * normalMatrix[8]);
    v[U::NormalScale][0] = rowLength > 1e-6f ? 1.0f / rowLength : 1.0f;
    std::copy_n(lighting.lightPosition, 4, v[U::LightPosition]);
    std::copy_n(lighting.lightAmbient, 4, v[U::LightAmbient]);
    std::copy_n(lighting.lightDiffuse, 4, v[U::LightDiffuse]);
    std::copy_n(lighting.sceneAmbient, 4, v[U::SceneAmbient]);
    std::copy_n(lighting.materialAmbient, 4, v[U::MaterialAmbient]);
    std::copy_n(lighting.materialDiffuse, 4, v[U::MaterialDiffuse]);
    std::copy_n(fog.color, 4, v[U::FogColor]);
    v[U::FogDensity][0] = fog.density;
    v[U::ViewportSize][0] = static_cast<float>(raster.viewport[2]);
    v[U::ViewportSize][1] = static_cast<float>(raster.viewport[3]);
    v[U::LineHalfWidth][0] = raster.lineWidth * 0.5f;
}
