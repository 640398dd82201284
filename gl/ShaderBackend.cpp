#include "gl/ShaderBackend.h"

#include "math/Matrix4.h"
#include "gl/GL.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr GLenum kArrayNames[] = {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY};
constexpr GLuint kLocations[] = {FixedFunctionProgram::Position, FixedFunctionProgram::Normal,
                                 FixedFunctionProgram::Color, FixedFunctionProgram::TexCoord};
// The components each attribute has; what a shorter array leaves out is filled as GL fills it.
constexpr int kComponents[] = {3, 3, 4, 2};
constexpr float kFill[] = {0.0f, 0.0f, 0.0f, 1.0f};

const void* offsetPointer(std::size_t offset) { return reinterpret_cast<const void*>(offset); }

template <typename Array>
GLsizei strideOf(const Array& array)
{
    return array.stride != 0 ? array.stride : static_cast<GLsizei>(array.size * sizeof(float));
}

} // namespace

ShaderBackend::ShaderBackend(bool linesAsOnES) : linesAsOnES(linesAsOnES)
{
    Matrix identity;
    Matrix4::identity(identity.data());
    modelview.push_back(identity);
    projection.push_back(identity);
}

ShaderBackend::~ShaderBackend() = default;

void ShaderBackend::releaseDeviceObjects()
{
    if (!deviceReady) {
        return;
    }
    program.destroy();
    glDeleteVertexArrays(1, &vertexArray);
    for (StreamBuffer& stream : vertexStreams) {
        stream.destroy();
    }
    indexStream.destroy();
    glDeleteBuffers(1, &quadIndexBuffer);
    vertexArray = quadIndexBuffer = 0;
    quadIndexLines = 0;
    deviceReady = false;
    // The next context is asked afresh, and starts from GL's defaults.
    capabilitiesKnown = false;
    driverLines = DriverLines();
}

const ContextCapabilities& ShaderBackend::capabilities()
{
    if (!capabilitiesKnown) {
        const ContextCapabilities reported = ContextCapabilities::query();
        contextCapabilities = linesAsOnES ? reported.linesAsOnWebGL() : reported;
        capabilitiesKnown = true;
    }
    return contextCapabilities;
}

void ShaderBackend::polygonMode(GLenum mode) { linePolygons = mode == GL_LINE; }

void ShaderBackend::lineWidth(GLfloat width) { currentLineWidth = width; }

void ShaderBackend::setDriverLines(bool linePolygonsDrawn)
{
    const ContextCapabilities& context = capabilities();
    const GLenum mode = linePolygonsDrawn ? GL_LINE : GL_FILL;
    if (context.polygonMode && mode != driverLines.polygonMode) {
        glPolygonMode(GL_FRONT_AND_BACK, mode);
        driverLines.polygonMode = mode;
    }
    if (!driverDrawsLines()) {
        return; // nothing the driver draws now is a line
    }
    if (currentLineWidth != driverLines.width) {
        glLineWidth(currentLineWidth);
        driverLines.width = currentLineWidth;
    }
    if (context.lineSmooth && lineSmooth != driverLines.smooth) {
        lineSmooth ? glEnable(GL_LINE_SMOOTH) : glDisable(GL_LINE_SMOOTH);
        driverLines.smooth = lineSmooth;
    }
}

bool ShaderBackend::ready()
{
    if (deviceReady || deviceFailed) {
        return deviceReady;
    }
    const bool openGLES = capabilities().openGLES;
    if (!gl::hasEntryPoint(glCreateProgram) || !gl::hasEntryPoint(glGenVertexArrays)) {
        deviceFailed = true;
        return false;
    }
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    for (StreamBuffer& stream : vertexStreams) {
        stream.create();
    }
    indexStream.create();
    glGenBuffers(1, &quadIndexBuffer);
    program.setTarget(openGLES);
    deviceReady = true;
    return true;
}

void ShaderBackend::setCap(GLenum cap, bool on)
{
    switch (cap) {
    case GL_LIGHTING: lighting = on; break;
    case GL_LIGHT0: light0 = on; break;
    case GL_COLOR_MATERIAL:
        colorMaterialOn = on;
        // Enabling colour material takes the current colour at once.
        if (on) {
            std::copy_n(currentColor, 4, materialAmbient);
            std::copy_n(currentColor, 4, materialDiffuse);
        }
        break;
    case GL_NORMALIZE: normalizeOn = on; break;
    case GL_RESCALE_NORMAL: rescaleNormal = on; break;
    case GL_FOG: fog = on; break;
    case GL_TEXTURE_2D: texture2D = on; break;
    case GL_TEXTURE_GEN_S: texGenS = on; break;
    case GL_TEXTURE_GEN_T: texGenT = on; break;
    case GL_LINE_SMOOTH: lineSmooth = on; break;
    case GL_CULL_FACE:
        cullFace = on;
        on ? glEnable(cap) : glDisable(cap);
        break;
    case GL_BLEND:
    case GL_DEPTH_TEST:
    case GL_SCISSOR_TEST: on ? glEnable(cap) : glDisable(cap); break;
    default: break; // lights other than the first are never lit
    }
}

GLboolean ShaderBackend::isEnabled(GLenum cap) const
{
    switch (cap) {
    case GL_LIGHTING: return lighting;
    case GL_LIGHT0: return light0;
    case GL_COLOR_MATERIAL: return colorMaterialOn;
    case GL_NORMALIZE: return normalizeOn;
    case GL_RESCALE_NORMAL: return rescaleNormal;
    case GL_FOG: return fog;
    case GL_TEXTURE_2D: return texture2D;
    case GL_TEXTURE_GEN_S: return texGenS;
    case GL_TEXTURE_GEN_T: return texGenT;
    case GL_LINE_SMOOTH: return lineSmooth;
    case GL_CULL_FACE: return cullFace;
    case GL_BLEND:
    case GL_DEPTH_TEST:
    case GL_SCISSOR_TEST: return glIsEnabled(cap);
    default: return GL_FALSE;
    }
}

ShaderBackend::ClientArray& ShaderBackend::arrayOf(GLenum array)
{
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (kArrayNames[slot] == array) {
            return arrays[slot];
        }
    }
    return arrays[PositionSlot];
}

void ShaderBackend::clearDepth(double depth)
{
    // ES has only the float form; desktop core contexts on Mesa offer both.
    if (gl::hasEntryPoint(glClearDepthf)) {
        glClearDepthf(static_cast<GLfloat>(depth));
    } else {
        glClearDepth(depth);
    }
}

void ShaderBackend::viewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    viewportBox[0] = x;
    viewportBox[1] = y;
    viewportBox[2] = std::max(1, width);
    viewportBox[3] = std::max(1, height);
    glViewport(x, y, width, height);
}

void ShaderBackend::lightfv(GLenum light, GLenum name, const GLfloat* values)
{
    if (light != GL_LIGHT0) {
        return;
    }
    if (name == GL_POSITION) {
        // Fixed where it is set: through the modelview in force now.
        const float* m = modelview.back().data();
        for (int row = 0; row < 4; ++row) {
            lightPosition[row] =
                m[row] * values[0] + m[4 + row] * values[1] + m[8 + row] * values[2] + m[12 + row] * values[3];
        }
        if (lightPosition[3] == 0.0f) {
            const float length = std::sqrt(lightPosition[0] * lightPosition[0] + lightPosition[1] * lightPosition[1] +
                                           lightPosition[2] * lightPosition[2]);
            // A zero direction stays zero, lighting nothing but the ambient part, as in GL.
            for (int i = 0; i < 3 && length > 0.0f; ++i) {
                lightPosition[i] /= length;
            }
        }
    } else if (name == GL_AMBIENT) {
        std::copy_n(values, 4, lightAmbient);
    } else if (name == GL_DIFFUSE) {
        std::copy_n(values, 4, lightDiffuse);
    }
}

void ShaderBackend::lightModelfv(GLenum name, const GLfloat* values)
{
    if (name == GL_LIGHT_MODEL_AMBIENT) {
        std::copy_n(values, 4, sceneAmbient);
    }
}

// Fog is drawn in GL_EXP mode, the only one the show uses; start and end belong to the linear mode.
void ShaderBackend::fogf(GLenum name, GLfloat value)
{
    if (name == GL_FOG_DENSITY) {
        fogDensity = value;
    }
}

void ShaderBackend::fogfv(GLenum name, const GLfloat* values)
{
    if (name == GL_FOG_COLOR) {
        std::copy_n(values, 4, fogColor);
    } else {
        fogf(name, values[0]);
    }
}

void ShaderBackend::texGeni(GLenum, GLenum name, GLint value)
{
    if (name == GL_TEXTURE_GEN_MODE) {
        texGenMode = static_cast<GLenum>(value);
    }
}

void ShaderBackend::loadIdentity() { Matrix4::identity(top().data()); }

void ShaderBackend::pushMatrix()
{
    std::vector<Matrix>& stack = projectionMode ? projection : modelview;
    stack.push_back(stack.back());
}

void ShaderBackend::popMatrix()
{
    std::vector<Matrix>& stack = projectionMode ? projection : modelview;
    if (stack.size() > 1) {
        stack.pop_back();
    }
}

// Built as GL drivers commonly build it, with rotations about an axis kept exact, so that positions, and
// the depths where lines meet, round as they do under the fixed back end.
void ShaderBackend::rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
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
void ShaderBackend::translatef(GLfloat x, GLfloat y, GLfloat z) { Matrix4::translate(top().data(), x, y, z); }

void ShaderBackend::multMatrixf(const GLfloat* matrix)
{
    const Matrix before = top();
    Matrix4::multiply(before.data(), matrix, top().data());
}

// gluPerspective's matrix, worked out in double as it does.
void ShaderBackend::perspective(double fovy, double aspect, double zNear, double zFar)
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

void ShaderBackend::color(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    currentColor[0] = red;
    currentColor[1] = green;
    currentColor[2] = blue;
    currentColor[3] = alpha;
    if (colorMaterialOn) {
        std::copy_n(currentColor, 4, materialAmbient);
        std::copy_n(currentColor, 4, materialDiffuse);
    }
}

void ShaderBackend::normal3fv(const GLfloat* normal) { std::copy_n(normal, 3, currentNormal); }
void ShaderBackend::texCoord2fv(const GLfloat* coordinates) { std::copy_n(coordinates, 2, currentTexCoord); }

void ShaderBackend::vertex3fv(const GLfloat* position)
{
    if (immediateMode == 0) {
        return;
    }
    ImmediateVertex vertex;
    std::copy_n(position, 3, vertex.position);
    std::copy_n(currentNormal, 3, vertex.normal);
    std::copy_n(currentColor, 4, vertex.color);
    std::copy_n(currentTexCoord, 2, vertex.texCoord);
    immediate.push_back(vertex);
}

void ShaderBackend::begin(GLenum mode)
{
    immediateMode = mode;
    immediate.clear();
}

// Strips and quads become triangles whose last vertex is the one GL takes a flat primitive's colour from:
// the last vertex of each quad.
void ShaderBackend::end()
{
    const GLenum mode = immediateMode;
    immediateMode = 0;
    immediateIndices.clear();
    const auto n = static_cast<std::uint32_t>(immediate.size());
    GLenum drawn = GL_TRIANGLES;
    switch (mode) {
    case GL_TRIANGLES:
        for (std::uint32_t i = 0; i < n - n % 3; ++i) {
            immediateIndices.push_back(i);
        }
        break;
    case GL_QUAD_STRIP:
        for (std::uint32_t i = 0; i + 4 <= n; i += 2) {
            immediateIndices.insert(immediateIndices.end(), {i, i + 1, i + 3, i + 2, i, i + 3});
        }
        break;
    case GL_QUADS:
        for (std::uint32_t i = 0; i + 4 <= n; i += 4) {
            immediateIndices.insert(immediateIndices.end(), {i, i + 1, i + 3, i + 1, i + 2, i + 3});
        }
        break;
    case GL_LINES:
        drawn = GL_LINES;
        for (std::uint32_t i = 0; i < n - n % 2; ++i) {
            immediateIndices.push_back(i);
        }
        break;
    default: break;
    }
    if (!immediateIndices.empty()) {
        drawImmediate(immediate, immediateIndices, drawn);
    }
}

void ShaderBackend::drawImmediate(const std::vector<ImmediateVertex>& vertices,
                                  const std::vector<std::uint32_t>& indices, GLenum mode)
{
    ClientArray saved[SlotCount];
    std::copy(std::begin(arrays), std::end(arrays), saved);
    const auto* base = reinterpret_cast<const std::uint8_t*>(vertices.data());
    const std::size_t offsets[] = {offsetof(ImmediateVertex, position), offsetof(ImmediateVertex, normal),
                                   offsetof(ImmediateVertex, color), offsetof(ImmediateVertex, texCoord)};
    for (int slot = 0; slot < SlotCount; ++slot) {
        arrays[slot] = {true, kComponents[slot], static_cast<GLsizei>(sizeof(ImmediateVertex)), base + offsets[slot], 0};
    }
    const GLuint savedElements = elementBuffer;
    elementBuffer = 0;
    drawElements(mode, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, indices.data());
    elementBuffer = savedElements;
    std::copy(std::begin(saved), std::end(saved), arrays);
}

void ShaderBackend::attributePointer(GLenum array, GLint size, GLenum, GLsizei stride, const void* pointer)
{
    ClientArray& target = arrayOf(array);
    target.size = size;
    target.stride = stride;
    target.pointer = pointer;
    target.buffer = arrayBuffer;
}

void ShaderBackend::bindBuffer(GLenum target, GLuint buffer)
{
    if (target == GL_ARRAY_BUFFER) {
        arrayBuffer = buffer;
    } else if (target == GL_ELEMENT_ARRAY_BUFFER) {
        elementBuffer = buffer;
    }
    glBindBuffer(target, buffer);
}

void ShaderBackend::bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    // Indices are kept for draws that stream client arrays from the vertices they reach; vertices only where
    // some lines may be drawn here, which reads them back on the processor.
    const bool kept =
        target == GL_ELEMENT_ARRAY_BUFFER || (target == GL_ARRAY_BUFFER && !capabilities().drawsEveryLine());
    const GLuint buffer = target == GL_ARRAY_BUFFER ? arrayBuffer : elementBuffer;
    if (target == GL_ARRAY_BUFFER || target == GL_ELEMENT_ARRAY_BUFFER) {
        glBindBuffer(target, buffer);
    }
    if (kept) {
        std::vector<std::uint8_t>& contents = bufferContents[buffer];
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        if (bytes != nullptr) {
            contents.assign(bytes, bytes + size);
        } else {
            contents.assign(static_cast<std::size_t>(size), 0);
        }
    }
    glBufferData(target, size, data, usage);
}

const void* ShaderBackend::mapBufferForReading(GLenum target)
{
    GLint size = 0;
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    return glMapBufferRange(target, 0, size, GL_MAP_READ_BIT);
}

void ShaderBackend::deleteBuffers(GLsizei count, const GLuint* buffers)
{
    for (GLsizei i = 0; i < count; ++i) {
        bufferContents.erase(buffers[i]);
        for (ClientArray& array : arrays) {
            if (array.buffer == buffers[i]) {
                array.buffer = 0;
            }
        }
        arrayBuffer = arrayBuffer == buffers[i] ? 0 : arrayBuffer;
        elementBuffer = elementBuffer == buffers[i] ? 0 : elementBuffer;
    }
    glDeleteBuffers(count, buffers);
}

void ShaderBackend::deleteTextures(GLsizei count, const GLuint* textures)
{
    for (GLsizei i = 0; i < count; ++i) {
        texturesWithImages.erase(textures[i]);
    }
    glDeleteTextures(count, textures);
}

void ShaderBackend::bindTexture(GLuint texture)
{
    boundTexture = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
}

int ShaderBackend::stateFlags() const
{
    using P = FixedFunctionProgram;
    int flags = 0;
    if (lighting) {
        flags |= P::Lighting | (light0 ? P::Light0 : 0) | (lightPosition[3] != 0.0f ? P::PositionalLight : 0);
    }
    flags |= colorMaterialOn ? P::ColorMaterial : 0;
    flags |= normalizeOn ? P::Normalize : 0;
    flags |= rescaleNormal ? P::RescaleNormal : 0;
    // A texture without an image leaves fragments untextured, as GL does with an incomplete texture.
    if (texture2D && texturesWithImages.count(boundTexture) != 0) {
        flags |= P::Texture;
        if (texGenS && texGenT) {
            flags |= texGenMode == GL_REFLECTION_MAP ? P::ReflectionMap : P::SphereMap;
        }
    }
    flags |= fog ? P::Fog : 0;
    flags |= flatShading ? P::Flat : 0;
    return flags;
}

bool ShaderBackend::setUniforms(int extraFlags)
{
    const FixedFunctionProgram::Variant* variant = program.use(stateFlags() | extraFlags);
    if (variant == nullptr) {
        return false;
    }
    const FixedFunctionProgram::Uniforms& u = variant->uniforms;
    const float* mv = modelview.back().data();
    float mvp[16];
    Matrix4::multiply(projection.back().data(), mv, mvp);
    float normalMatrix[9];
    Matrix4::normalMatrix(mv, normalMatrix);
    // GL rescales normals by the length of the inverse modelview's third row: the normal matrix's third column.
    const float rowLength =
        std::sqrt(normalMatrix[6] * normalMatrix[6] + normalMatrix[7] * normalMatrix[7] + normalMatrix[8] * normalMatrix[8]);
    glUniformMatrix4fv(u.modelviewProjection, 1, GL_FALSE, mvp);
    glUniformMatrix4fv(u.modelview, 1, GL_FALSE, mv);
    glUniformMatrix3fv(u.normalMatrix, 1, GL_FALSE, normalMatrix);
    glUniform1f(u.normalScale, rowLength > 1e-6f ? 1.0f / rowLength : 1.0f);
    glUniform4fv(u.lightPosition, 1, lightPosition);
    glUniform4fv(u.lightAmbient, 1, lightAmbient);
    glUniform4fv(u.lightDiffuse, 1, lightDiffuse);
    glUniform4fv(u.sceneAmbient, 1, sceneAmbient);
    glUniform4fv(u.materialAmbient, 1, materialAmbient);
    glUniform4fv(u.materialDiffuse, 1, materialDiffuse);
    glUniform4fv(u.fogColor, 1, fogColor);
    glUniform1f(u.fogDensity, fogDensity);
    glUniform2f(u.viewportSize, static_cast<float>(viewportBox[2]), static_cast<float>(viewportBox[3]));
    glUniform1f(u.lineHalfWidth, currentLineWidth * 0.5f);
    return true;
}

ShaderBackend::Sources ShaderBackend::cpuSources() const
{
    Sources sources;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const ClientArray& array = arrays[slot];
        if (!array.enabled) {
            continue;
        }
        const std::uint8_t* base = nullptr;
        if (array.buffer == 0) {
            base = static_cast<const std::uint8_t*>(array.pointer);
        } else {
            const auto found = bufferContents.find(array.buffer);
            if (found != bufferContents.end()) {
                base = found->second.data() + reinterpret_cast<std::uintptr_t>(array.pointer);
            }
        }
        sources.data[slot] = base;
        sources.size[slot] = array.size;
        sources.stride[slot] = strideOf(array);
    }
    return sources;
}

const std::uint8_t* ShaderBackend::cpuIndices(const void* indices) const
{
    if (elementBuffer == 0) {
        return static_cast<const std::uint8_t*>(indices);
    }
    const auto found = bufferContents.find(elementBuffer);
    return found == bufferContents.end() ? nullptr
                                         : found->second.data() + reinterpret_cast<std::uintptr_t>(indices);
}

void ShaderBackend::current(int slot, float* out) const
{
    const float* value = slot == PositionSlot ? kFill
                         : slot == NormalSlot ? currentNormal
                         : slot == ColorSlot  ? currentColor
                                              : currentTexCoord;
    std::copy_n(value, kComponents[slot], out);
}

void ShaderBackend::drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    if (recordingList || count <= 0 || type != GL_UNSIGNED_INT || !ready()) {
        return;
    }
    const bool driverDraws = driverDrawsLines();
    if (mode == GL_TRIANGLES && linePolygons && !(capabilities().polygonMode && driverDraws)) {
        const auto* triangles = reinterpret_cast<const std::uint32_t*>(cpuIndices(indices));
        const Sources sources = cpuSources();
        if (triangles == nullptr || sources.data[PositionSlot] == nullptr) {
            return;
        }
        lineScratch.clear();
        edgesOf(triangles, static_cast<std::size_t>(count) / 3, sources);
        drawPolygonEdges(sources);
    } else if (mode == GL_LINES && !driverDraws) {
        const auto* lines = reinterpret_cast<const std::uint32_t*>(cpuIndices(indices));
        if (lines != nullptr) {
            drawLineQuads(lines, static_cast<std::size_t>(count) / 2, cpuSources());
        }
    } else {
        drawAsGiven(mode, count, indices);
    }
}

void ShaderBackend::drawPolygonEdges(const Sources& sources)
{
    const std::size_t count = lineScratch.size() / 2;
    if (count == 0) {
        return;
    }
    // A flat line takes its second vertex's colour, a flat polygon its last: only quads can tell them apart.
    if (!driverDrawsLines() || flatShading) {
        drawLineQuads(lineScratch.data(), count, sources, flatShading ? lineShadedBy.data() : nullptr);
        return;
    }
    const GLuint savedElements = elementBuffer;
    elementBuffer = 0;
    drawAsGiven(GL_LINES, static_cast<GLsizei>(count * 2), lineScratch.data());
    elementBuffer = savedElements;
}

// Draws the primitives as given, straight from the arrays: buffer objects are read where they are, client arrays are streamed into
// buffers for the vertices the indices reach, with the indices moved to start at the lowest of them.
void ShaderBackend::drawAsGiven(GLenum mode, GLsizei count, const void* indices)
{
    bool anyClient = false;
    bool anyBuffer = false;
    for (const ClientArray& array : arrays) {
        if (array.enabled) {
            (array.buffer == 0 ? anyClient : anyBuffer) = true;
        }
    }
    std::uint32_t lowest = 0;
    const std::uint32_t* cpu = nullptr;
    if (anyClient || elementBuffer == 0) {
        cpu = reinterpret_cast<const std::uint32_t*>(cpuIndices(indices));
        if (cpu == nullptr) {
            return;
        }
    }
    std::uint32_t highest = 0;
    if (anyClient) {
        const auto [low, high] = std::minmax_element(cpu, cpu + count);
        lowest = anyBuffer ? 0 : *low;
        highest = *high;
    }
    if (!setUniforms(0)) {
        return;
    }
    setDriverLines(mode == GL_TRIANGLES && linePolygons);
    // Where the client arrays interleave (immediate mode), the span they share goes up once.
    std::uintptr_t spanBegin = UINTPTR_MAX, spanEnd = 0, separateBytes = 0;
    for (const ClientArray& array : arrays) {
        if (array.enabled && array.buffer == 0) {
            const auto first = reinterpret_cast<std::uintptr_t>(array.pointer) + std::uintptr_t{lowest} * strideOf(array);
            const std::uintptr_t bytes = std::uintptr_t{highest - lowest} * strideOf(array) + array.size * sizeof(float);
            spanBegin = std::min(spanBegin, first);
            spanEnd = std::max(spanEnd, first + bytes);
            separateBytes += bytes;
        }
    }
    const bool sharedSpan = anyClient && spanEnd - spanBegin <= separateBytes;
    const std::size_t spanOffset =
        sharedSpan ? vertexStreams[PositionSlot].write(reinterpret_cast<const void*>(spanBegin), spanEnd - spanBegin)
                   : 0;
    for (int slot = 0; slot < SlotCount; ++slot) {
        const ClientArray& array = arrays[slot];
        const GLuint location = kLocations[slot];
        if (!array.enabled) {
            glDisableVertexAttribArray(location);
            float value[4];
            std::copy_n(kFill, 4, value);
            current(slot, value);
            glVertexAttrib4fv(location, value);
            continue;
        }
        const GLsizei stride = strideOf(array);
        if (array.buffer != 0) {
            glBindBuffer(GL_ARRAY_BUFFER, array.buffer);
            glVertexAttribPointer(location, array.size, GL_FLOAT, GL_FALSE, stride, array.pointer);
        } else {
            const auto first = reinterpret_cast<std::uintptr_t>(array.pointer) + std::uintptr_t{lowest} * stride;
            std::size_t offset = 0;
            if (sharedSpan) {
                glBindBuffer(GL_ARRAY_BUFFER, vertexStreams[PositionSlot].name());
                offset = spanOffset + (first - spanBegin);
            } else {
                const std::size_t bytes = std::size_t{highest - lowest} * stride + array.size * sizeof(float);
                offset = vertexStreams[slot].write(reinterpret_cast<const void*>(first), bytes);
            }
            glVertexAttribPointer(location, array.size, GL_FLOAT, GL_FALSE, stride, offsetPointer(offset));
        }
        glEnableVertexAttribArray(location);
    }
    for (GLuint location = FixedFunctionProgram::OtherEnd; location <= FixedFunctionProgram::OtherTexCoord; ++location) {
        glDisableVertexAttribArray(location);
    }
    const void* offset = indices;
    if (cpu != nullptr) {
        if (lowest != 0) {
            indexScratch.resize(static_cast<std::size_t>(count));
            std::transform(cpu, cpu + count, indexScratch.begin(), [lowest](std::uint32_t i) { return i - lowest; });
            cpu = indexScratch.data();
        }
        offset = offsetPointer(indexStream.write(cpu, static_cast<std::size_t>(count) * 4));
    } else {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer);
    }
    glDrawElements(mode, count, GL_UNSIGNED_INT, offset);
}

// Triangles under line-mode polygons: their edges in the order drivers draw them (the closing edge first),
// with back faces culled first where culling is on (counter-clockwise is the front, as the show never
// changes it). Where edges overlap, the order decides which colour stays.
void ShaderBackend::edgesOf(const std::uint32_t* triangles, std::size_t count, const Sources& sources)
{
    float mvp[16];
    Matrix4::multiply(projection.back().data(), modelview.back().data(), mvp);
    const auto clip = [&](std::uint32_t vertex, float* out) {
        const auto* p = reinterpret_cast<const float*>(sources.data[PositionSlot] +
                                                       std::size_t{vertex} * sources.stride[PositionSlot]);
        const float z = sources.size[PositionSlot] > 2 ? p[2] : 0.0f;
        out[0] = mvp[0] * p[0] + mvp[4] * p[1] + mvp[8] * z + mvp[12];
        out[1] = mvp[1] * p[0] + mvp[5] * p[1] + mvp[9] * z + mvp[13];
        out[2] = mvp[3] * p[0] + mvp[7] * p[1] + mvp[11] * z + mvp[15];
    };
    const float halfWidth = static_cast<float>(viewportBox[2]) * 0.5f;
    const float halfHeight = static_cast<float>(viewportBox[3]) * 0.5f;
    lineScratch.reserve(count * 6);
    lineShadedBy.clear();
    for (std::size_t t = 0; t < count; ++t) {
        const std::uint32_t a = triangles[3 * t], b = triangles[3 * t + 1], c = triangles[3 * t + 2];
        if (cullFace) {
            float p[3], q[3], r[3];
            clip(a, p);
            clip(b, q);
            clip(c, r);
            float determinant = 0.0f;
            if (p[2] > 0.0f && q[2] > 0.0f && r[2] > 0.0f) {
                // In window coordinates, rows counted from the top, as the driver decides it.
                const auto window = [&](const float* v, float* out) {
                    const float reciprocal = 1.0f / v[2];
                    out[0] = v[0] * reciprocal * halfWidth + halfWidth;
                    out[1] = v[1] * reciprocal * -halfHeight + halfHeight;
                };
                float u[2], v[2], w[2];
                window(p, u);
                window(q, v);
                window(r, w);
                determinant = -((u[0] - w[0]) * (v[1] - w[1]) - (u[1] - w[1]) * (v[0] - w[0]));
            } else {
                // Partly behind the eye: the sign of the homogeneous determinant is the winding of the part
                // in front.
                determinant = p[0] * (q[1] * r[2] - q[2] * r[1]) - p[1] * (q[0] * r[2] - q[2] * r[0]) +
                              p[2] * (q[0] * r[1] - q[1] * r[0]);
            }
            if (!(determinant > 0.0f)) {
                continue;
            }
        }
        lineScratch.insert(lineScratch.end(), {c, a, a, b, b, c});
        if (flatShading) {
            lineShadedBy.insert(lineShadedBy.end(), {c, c, c});
        }
    }
}

void ShaderBackend::drawLineQuads(const std::uint32_t* lines, std::size_t count, const Sources& sources,
                                  const std::uint32_t* shadedBy)
{
    if (count == 0 || sources.data[PositionSlot] == nullptr) {
        return;
    }
    float constant[SlotCount][4];
    for (int slot = 0; slot < SlotCount; ++slot) {
        std::copy_n(kFill, 4, constant[slot]);
        current(slot, constant[slot]);
    }
    const auto fetch = [&](int slot, std::uint32_t vertex, float* out) {
        if (sources.data[slot] == nullptr) {
            std::copy_n(constant[slot], kComponents[slot], out);
            return;
        }
        const auto* value =
            reinterpret_cast<const float*>(sources.data[slot] + std::size_t{vertex} * sources.stride[slot]);
        const int size = std::min(sources.size[slot], kComponents[slot]);
        std::copy_n(value, size, out);
        std::copy(kFill + size, kFill + kComponents[slot], out + size);
    };
    cornerScratch.resize(count * 4);
    LineCorner* out = cornerScratch.data();
    for (std::size_t i = 0; i < count; ++i) {
        // Each end's attributes, then the four corners, each with its own end and the other.
        LineCorner ends[2];
        for (int end = 0; end < 2; ++end) {
            const std::uint32_t vertex = lines[2 * i + end];
            fetch(PositionSlot, vertex, ends[end].position);
            const std::uint32_t shading = shadedBy != nullptr ? shadedBy[i] : vertex;
            fetch(NormalSlot, shading, ends[end].normal);
            fetch(ColorSlot, shading, ends[end].color);
            fetch(TexCoordSlot, vertex, ends[end].texCoord);
        }
        for (int end = 0; end < 2; ++end) {
            LineCorner corner = ends[end];
            const LineCorner& other = ends[1 - end];
            std::copy_n(other.position, 3, corner.otherEnd);
            std::copy_n(other.normal, 3, corner.otherNormal);
            std::copy_n(other.color, 4, corner.otherColor);
            std::copy_n(other.texCoord, 2, corner.otherTexCoord);
            corner.corner = static_cast<float>(2 * end);
            *out++ = corner;
            corner.corner += 1.0f;
            *out++ = corner;
        }
    }
    const std::size_t cornersAt =
        vertexStreams[PositionSlot].write(cornerScratch.data(), cornerScratch.size() * sizeof(LineCorner));
    using P = FixedFunctionProgram;
    const struct {
        GLuint location;
        GLint size;
        std::size_t offset;
    } layout[] = {{P::Position, 3, offsetof(LineCorner, position)},
                  {P::Normal, 3, offsetof(LineCorner, normal)},
                  {P::Color, 4, offsetof(LineCorner, color)},
                  {P::TexCoord, 2, offsetof(LineCorner, texCoord)},
                  {P::OtherEnd, 3, offsetof(LineCorner, otherEnd)},
                  {P::OtherNormal, 3, offsetof(LineCorner, otherNormal)},
                  {P::OtherColor, 4, offsetof(LineCorner, otherColor)},
                  {P::OtherTexCoord, 2, offsetof(LineCorner, otherTexCoord)},
                  {P::Corner, 1, offsetof(LineCorner, corner)}};
    for (const auto& attribute : layout) {
        glVertexAttribPointer(attribute.location, attribute.size, GL_FLOAT, GL_FALSE, sizeof(LineCorner),
                              offsetPointer(cornersAt + attribute.offset));
        glEnableVertexAttribArray(attribute.location);
    }
    if (quadIndexLines < count) {
        // Each line's quad is two triangles whose last corner lies at the line's second end.
        quadIndexLines = std::max(count, quadIndexLines * 2);
        indexScratch.resize(quadIndexLines * 6);
        for (std::uint32_t line = 0; line < quadIndexLines; ++line) {
            const std::uint32_t v = 4 * line;
            const std::uint32_t quad[6] = {v, v + 1, v + 2, v, v + 2, v + 3};
            std::copy_n(quad, 6, indexScratch.data() + std::size_t{line} * 6);
        }
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexScratch.size() * 4), indexScratch.data(),
                     GL_STATIC_DRAW);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndexBuffer);
    if (!setUniforms(P::LineQuads | (lineSmooth ? P::LineSmooth : 0))) {
        return;
    }
    setDriverLines(false);
    // Lines are never culled; their quads must not be either.
    if (cullFace) {
        glDisable(GL_CULL_FACE);
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count * 6), GL_UNSIGNED_INT, nullptr);
    if (cullFace) {
        glEnable(GL_CULL_FACE);
    }
}
