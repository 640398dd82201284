#include "gl/ShaderBackend.h"

#include "gl/GL.h"

#include <cstddef>
#include <cstdint>

namespace {

using State = FixedFunctionState;

} // namespace

void ShaderBackend::releaseDeviceObjects()
{
    if (device != Device::Ready) {
        return;
    }
    program.destroy();
    glDeleteVertexArrays(1, &vertexArray);
    vertexArray = 0;
    streams.releaseDeviceObjects();
    lines.releaseDeviceObjects();
    device = Device::NotMade;
    // The next context is asked afresh, and starts from GL's defaults.
    context.reset();
    driverLines = DriverLines();
}

const ContextCapabilities& ShaderBackend::capabilities()
{
    if (!context) {
        const ContextCapabilities reported = ContextCapabilities::query();
        context = linesAsOnES ? reported.linesAsOnWebGL() : reported;
    }
    return *context;
}

void ShaderBackend::setDriverLines(bool linePolygonsDrawn)
{
    const ContextCapabilities& driver = capabilities();
    if constexpr (gl::kDesktopGL) {
        const GLenum mode = linePolygonsDrawn ? GL_LINE : GL_FILL;
        if (driver.polygonMode && mode != driverLines.polygonMode) {
            glPolygonMode(GL_FRONT_AND_BACK, mode);
            driverLines.polygonMode = mode;
        }
    }
    if (!driverDrawsLines()) {
        return; // nothing the driver draws now is a line
    }
    const float width = state.raster.lineWidth;
    if (width != driverLines.width) {
        glLineWidth(width);
        driverLines.width = width;
    }
    const bool smooth = state.raster.lineSmooth;
    if (driver.lineSmooth && smooth != driverLines.smooth) {
        smooth ? glEnable(GL_LINE_SMOOTH) : glDisable(GL_LINE_SMOOTH);
        driverLines.smooth = smooth;
    }
}

bool ShaderBackend::ready()
{
    if (device != Device::NotMade) {
        return device == Device::Ready;
    }
    const bool openGLES = capabilities().openGLES;
    if (!gl::hasEntryPoint(glCreateProgram) || !gl::hasEntryPoint(glGenVertexArrays)) {
        device = Device::Failed;
        return false;
    }
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    streams.create();
    program.setTarget(openGLES);
    device = Device::Ready;
    return true;
}

void ShaderBackend::setCap(GLenum cap, bool on)
{
    state.setCap(cap, on);
    if (State::driverHolds(cap)) {
        on ? glEnable(cap) : glDisable(cap);
    }
}

GLboolean ShaderBackend::isEnabled(GLenum cap)
{
    // Culling is known here; the driver holds the rest of what it holds.
    return cap != GL_CULL_FACE && State::driverHolds(cap) ? glIsEnabled(cap) : state.isEnabled(cap);
}

void ShaderBackend::clearDepth(GLdouble depth)
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
    state.viewport(x, y, width, height);
    glViewport(x, y, width, height);
}

void ShaderBackend::end()
{
    const GLenum mode = immediate.end();
    if (mode == 0) {
        return;
    }
    // The vertices are drawn as interleaved client arrays, then the arrays are given back.
    State::Arrays& arrays = state.arrays;
    const State::Arrays saved = arrays;
    const auto* base = reinterpret_cast<const std::uint8_t*>(immediate.vertices().data());
    const std::size_t offsets[] = {offsetof(ImmediateMode::Vertex, position), offsetof(ImmediateMode::Vertex, normal),
                                   offsetof(ImmediateMode::Vertex, color), offsetof(ImmediateMode::Vertex, texCoord)};
    for (int slot = 0; slot < State::SlotCount; ++slot) {
        arrays.slots[slot] = {true, State::kComponents[slot], static_cast<GLsizei>(sizeof(ImmediateMode::Vertex)),
                              base + offsets[slot], 0};
    }
    arrays.elementBuffer = 0;
    const std::vector<std::uint32_t>& indices = immediate.indices();
    drawElements(mode, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, indices.data());
    arrays = saved;
}

void ShaderBackend::bindBuffer(GLenum target, GLuint buffer)
{
    state.bindBuffer(target, buffer);
    glBindBuffer(target, buffer);
}

void ShaderBackend::bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    // Indices are kept for draws that stream client arrays from the vertices they reach; vertices only where
    // some lines may be drawn here, which reads them back on the processor.
    const bool kept =
        target == GL_ELEMENT_ARRAY_BUFFER || (target == GL_ARRAY_BUFFER && !capabilities().drawsEveryLine());
    const GLuint buffer = target == GL_ARRAY_BUFFER ? state.arrays.arrayBuffer : state.arrays.elementBuffer;
    if (target == GL_ARRAY_BUFFER || target == GL_ELEMENT_ARRAY_BUFFER) {
        glBindBuffer(target, buffer);
    }
    if (kept) {
        copies.keep(buffer, data, static_cast<std::size_t>(size));
    }
    glBufferData(target, size, data, usage);
}

const void* ShaderBackend::mapBufferForReading(GLenum target)
{
    if constexpr (gl::kDesktopGL) {
        GLint size = 0;
        glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
        return glMapBufferRange(target, 0, size, GL_MAP_READ_BIT);
    } else {
        return nullptr;
    }
}

void ShaderBackend::deleteBuffers(GLsizei count, const GLuint* buffers)
{
    for (GLsizei i = 0; i < count; ++i) {
        copies.forget(buffers[i]);
        state.bufferDeleted(buffers[i]);
    }
    glDeleteBuffers(count, buffers);
}

void ShaderBackend::deleteTextures(GLsizei count, const GLuint* textures)
{
    for (GLsizei i = 0; i < count; ++i) {
        state.texturing.withImages.erase(textures[i]);
    }
    glDeleteTextures(count, textures);
}

void ShaderBackend::bindTexture(GLenum, GLuint texture)
{
    state.texturing.bound = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
}

void ShaderBackend::texImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                               GLint border, GLenum format, GLenum type, const void* pixels)
{
    state.texturing.withImages.insert(state.texturing.bound);
    glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}

bool ShaderBackend::drawWith(int extraFlags)
{
    state.uniformValues(&uniforms);
    return program.use(state.flags() | extraFlags, uniforms);
}

void ShaderBackend::drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    if (state.recordingList || count <= 0 || type != GL_UNSIGNED_INT || !ready()) {
        return;
    }
    const bool driverDraws = driverDrawsLines();
    const State::Arrays& arrays = state.arrays;
    if (mode == GL_TRIANGLES && state.raster.linePolygons && !(capabilities().polygonMode && driverDraws)) {
        const auto* triangles = reinterpret_cast<const std::uint32_t*>(copies.indices(arrays.elementBuffer, indices));
        const State::Sources sources = copies.sources(arrays);
        if (triangles == nullptr || sources.data[State::PositionSlot] == nullptr) {
            return;
        }
        float mvp[16];
        state.transform.modelviewProjection(mvp);
        lines.edgesOf(triangles, static_cast<std::size_t>(count) / 3, sources, mvp, state.raster.viewport,
                      state.raster.cullFace, state.raster.flatShading);
        drawPolygonEdges(sources);
    } else if (mode == GL_LINES && !driverDraws) {
        const auto* pairs = reinterpret_cast<const std::uint32_t*>(copies.indices(arrays.elementBuffer, indices));
        if (pairs != nullptr) {
            drawLineQuads(pairs, static_cast<std::size_t>(count) / 2, copies.sources(arrays));
        }
    } else {
        drawAsGiven(mode, count, indices);
    }
}

void ShaderBackend::drawPolygonEdges(const State::Sources& sources)
{
    const std::vector<std::uint32_t>& edges = lines.edges();
    const std::size_t count = edges.size() / 2;
    if (count == 0) {
        return;
    }
    // A flat line takes its second vertex's colour, a flat polygon its last: only quads can tell them apart.
    const bool flat = state.raster.flatShading;
    if (!driverDrawsLines() || flat) {
        drawLineQuads(edges.data(), count, sources, flat ? lines.edgeShading().data() : nullptr);
        return;
    }
    const GLuint savedElements = state.arrays.elementBuffer;
    state.arrays.elementBuffer = 0;
    drawAsGiven(GL_LINES, static_cast<GLsizei>(count * 2), edges.data());
    state.arrays.elementBuffer = savedElements;
}

void ShaderBackend::drawAsGiven(GLenum mode, GLsizei count, const void* indices)
{
    ClientArrayStreams::Reach reach;
    if (!ClientArrayStreams::reach(state.arrays, copies, count, indices, &reach) || !drawWith(0)) {
        return;
    }
    setDriverLines(mode == GL_TRIANGLES && state.raster.linePolygons);
    streams.draw(mode, count, indices, reach, state.arrays, state.current);
}

void ShaderBackend::drawLineQuads(const std::uint32_t* pairs, std::size_t count, const State::Sources& sources,
                                  const std::uint32_t* shading)
{
    if (count == 0 || sources.data[State::PositionSlot] == nullptr) {
        return;
    }
    lines.cornersOf(pairs, count, sources, state.current, shading);
    namespace f = fixed_function;
    if (!drawWith(f::LineQuads | (state.raster.lineSmooth ? f::LineSmooth : 0))) {
        return;
    }
    setDriverLines(false);
    lines.drawQuads(streams.first(), state.raster.cullFace);
}
