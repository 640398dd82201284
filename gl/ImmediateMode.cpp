#include "gl/ImmediateMode.h"

#include <algorithm>

void ImmediateMode::begin(GLenum primitive)
{
    mode = primitive;
    made.clear();
}

void ImmediateMode::vertex(const GLfloat* position, const FixedFunctionState::Current& current)
{
    if (mode == 0) {
        return;
    }
    Vertex vertex;
    std::copy_n(position, 3, vertex.position);
    std::copy_n(current.normal, 3, vertex.normal);
    std::copy_n(current.color, 4, vertex.color);
    std::copy_n(current.texCoord, 2, vertex.texCoord);
    made.push_back(vertex);
}

// Strips and quads become triangles whose last vertex is the one GL takes a flat primitive's colour from:
// the last vertex of each quad.
GLenum ImmediateMode::end()
{
    const GLenum primitive = mode;
    mode = 0;
    madeIndices.clear();
    const auto n = static_cast<std::uint32_t>(made.size());
    GLenum drawn = GL_TRIANGLES;
    switch (primitive) {
    case GL_TRIANGLES:
        for (std::uint32_t i = 0; i < n - n % 3; ++i) {
            madeIndices.push_back(i);
        }
        break;
    case GL_QUAD_STRIP:
        for (std::uint32_t i = 0; i + 4 <= n; i += 2) {
            madeIndices.insert(madeIndices.end(), {i, i + 1, i + 3, i + 2, i, i + 3});
        }
        break;
    case GL_QUADS:
        for (std::uint32_t i = 0; i + 4 <= n; i += 4) {
            madeIndices.insert(madeIndices.end(), {i, i + 1, i + 3, i + 1, i + 2, i + 3});
        }
        break;
    case GL_LINES:
        drawn = GL_LINES;
        for (std::uint32_t i = 0; i < n - n % 2; ++i) {
            madeIndices.push_back(i);
        }
        break;
    default: break;
    }
    return madeIndices.empty() ? 0 : drawn;
}
