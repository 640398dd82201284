#include "plain/PlasmaTunnelQuarnPlain.h"

#include <cmath>

namespace plain {

void boilWall(float* vertices, const float* restVertices, const std::uint32_t* indices, std::size_t indexCount,
              int windowFirst, unsigned windowCount, float now)
{
    const std::size_t first = std::size_t{3} * static_cast<std::size_t>(windowFirst);
    const std::size_t last = std::size_t{3} * (static_cast<std::size_t>(windowFirst) + windowCount);
    for (std::size_t p = first; p <= last && p + 2 < indexCount; ++p) {
        const std::uint32_t u = indices[p];
        const std::uint32_t v = indices[p + 1];
        const std::uint32_t w = indices[p + 2];
        const float s = std::sin(static_cast<float>(p));
        const float fu = 1.0f + std::cos(3.0f * now) * std::sin(vertices[3 * u]) * std::sin(vertices[3 * u + 1]) * s;
        const float fv = 1.0f + std::cos(6.0f * now) * std::sin(vertices[3 * v]) * std::sin(vertices[3 * v + 2]) * s;
        const float fw = 1.0f + std::sin(4.0f * now) * std::sin(vertices[3 * w]) * std::sin(vertices[3 * w + 1]) * s;
        vertices[3 * u] = restVertices[3 * u] * fu;
        vertices[3 * u + 2] = restVertices[3 * u + 2] * fu;
        vertices[3 * v] = restVertices[3 * v] * fv;
        vertices[3 * v + 2] = restVertices[3 * v + 2] * fv;
        vertices[3 * w] = restVertices[3 * w] * fw;
        vertices[3 * w + 2] = restVertices[3 * w + 2] * fw;
    }
}

} // namespace plain
