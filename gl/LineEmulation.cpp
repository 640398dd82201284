#include "gl/LineEmulation.h"

#include "gl/StreamBuffer.h"

#include <algorithm>
#include <cstddef>

namespace {

using State = FixedFunctionState;

const void* offsetPointer(std::size_t offset) { return reinterpret_cast<const void*>(offset); }

// Where each attribute of a corner lies in it.
#define QUESSALY_AS_LAYOUT(name, member, components) \
    {fixed_function::name, components, offsetof(LineEmulation::Corner, member)},
constexpr struct {
    GLuint location;
    GLint components;
    std::size_t offset;
} kCornerLayout[] = {QUESSALY_PROGRAM_ATTRIBUTES(QUESSALY_AS_LAYOUT)};
#undef QUESSALY_AS_LAYOUT

} // namespace

// Where edges overlap, their order decides which colour stays: the closing edge first, as drivers draw them.
void LineEmulation::edgesOf(const std::uint32_t* triangles, std::size_t count, const State::Sources& sources,
                            const float* mvp, const GLint* viewport, bool cull, bool flat)
{
    const auto clip = [&](std::uint32_t vertex, float* out) {
        const auto* p = reinterpret_cast<const float*>(sources.data[State::PositionSlot] +
                                                       std::size_t{vertex} * sources.stride[State::PositionSlot]);
        const float z = sources.size[State::PositionSlot] > 2 ? p[2] : 0.0f;
        out[0] = mvp[0] * p[0] + mvp[4] * p[1] + mvp[8] * z + mvp[12];
        out[1] = mvp[1] * p[0] + mvp[5] * p[1] + mvp[9] * z + mvp[13];
        out[2] = mvp[3] * p[0] + mvp[7] * p[1] + mvp[11] * z + mvp[15];
    };
    const float halfWidth = static_cast<float>(viewport[2]) * 0.5f;
    const float halfHeight = static_cast<float>(viewport[3]) * 0.5f;
    edgeList.clear();
    edgeList.reserve(count * 6);
    shadedBy.clear();
    for (std::size_t t = 0; t < count; ++t) {
        const std::uint32_t a = triangles[3 * t], b = triangles[3 * t + 1], c = triangles[3 * t + 2];
        if (cull) {
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
        edgeList.insert(edgeList.end(), {c, a, a, b, b, c});
        if (flat) {
            shadedBy.insert(shadedBy.end(), {c, c, c});
        }
    }
}

void LineEmulation::cornersOf(const std::uint32_t* lines, std::size_t count, const State::Sources& sources,
                              const State::Current& current, const std::uint32_t* shading)
{
    float constant[State::SlotCount][4];
    for (int slot = 0; slot < State::SlotCount; ++slot) {
        current.value(slot, constant[slot]);
    }
    const auto fetch = [&](int slot, std::uint32_t vertex, float* out) {
        const int components = State::kComponents[slot];
        if (sources.data[slot] == nullptr) {
            std::copy_n(constant[slot], components, out);
            return;
        }
        const auto* value =
            reinterpret_cast<const float*>(sources.data[slot] + std::size_t{vertex} * sources.stride[slot]);
        const int size = std::min(sources.size[slot], components);
        std::copy_n(value, size, out);
        std::copy(State::kFill + size, State::kFill + components, out + size);
    };
    cornerList.resize(count * 4);
    Corner* out = cornerList.data();
    for (std::size_t i = 0; i < count; ++i) {
        // Each end's attributes, then the four corners, each with its own end and the other.
        Corner ends[2];
        for (int end = 0; end < 2; ++end) {
            const std::uint32_t vertex = lines[2 * i + end];
            fetch(State::PositionSlot, vertex, ends[end].position);
            const std::uint32_t shader = shading != nullptr ? shading[i] : vertex;
            fetch(State::NormalSlot, shader, ends[end].normal);
            fetch(State::ColorSlot, shader, ends[end].color);
            fetch(State::TexCoordSlot, vertex, ends[end].texCoord);
        }
        for (int end = 0; end < 2; ++end) {
            Corner corner = ends[end];
            const Corner& other = ends[1 - end];
            std::copy_n(other.position, 3, corner.otherEnd);
            std::copy_n(other.normal, 3, corner.otherNormal);
            std::copy_n(other.color, 4, corner.otherColor);
            std::copy_n(other.texCoord, 2, corner.otherTexCoord);
            corner.corner[0] = static_cast<float>(2 * end);
            *out++ = corner;
            corner.corner[0] += 1.0f;
            *out++ = corner;
        }
    }
}

void LineEmulation::drawQuads(StreamBuffer& stream, bool cullFace)
{
    const std::size_t count = cornerList.size() / 4;
    if (count == 0) {
        return;
    }
    const std::size_t cornersAt = stream.write(cornerList.data(), cornerList.size() * sizeof(Corner));
    for (const auto& attribute : kCornerLayout) {
        glVertexAttribPointer(attribute.location, attribute.components, GL_FLOAT, GL_FALSE, sizeof(Corner),
                              offsetPointer(cornersAt + attribute.offset));
        glEnableVertexAttribArray(attribute.location);
    }
    if (quadIndexBuffer == 0) {
        glGenBuffers(1, &quadIndexBuffer);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndexBuffer);
    if (quadIndexLines < count) {
        // Each line's quad is two triangles whose last corner lies at the line's second end.
        quadIndexLines = std::max(count, quadIndexLines * 2);
        quadIndices.resize(quadIndexLines * 6);
        for (std::uint32_t line = 0; line < quadIndexLines; ++line) {
            const std::uint32_t v = 4 * line;
            const std::uint32_t quad[6] = {v, v + 1, v + 2, v, v + 2, v + 3};
            std::copy_n(quad, 6, quadIndices.data() + std::size_t{line} * 6);
        }
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(quadIndices.size() * 4), quadIndices.data(),
                     GL_STATIC_DRAW);
    }
    if (cullFace) {
        glDisable(GL_CULL_FACE);
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count * 6), GL_UNSIGNED_INT, nullptr);
    if (cullFace) {
        glEnable(GL_CULL_FACE);
    }
}

void LineEmulation::releaseDeviceObjects()
{
    if (quadIndexBuffer != 0) {
        glDeleteBuffers(1, &quadIndexBuffer);
    }
    quadIndexBuffer = 0;
    quadIndexLines = 0;
}
