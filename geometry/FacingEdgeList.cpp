#include "geometry/FacingEdgeList.h"

#include <algorithm>

namespace {

constexpr std::int32_t kNoTriangle = -1;
// Edge k of a triangle runs from corner kEdgeFrom[k] to corner kEdgeTo[k], the order line-mode polygons use.
constexpr int kEdgeFrom[3] = {2, 0, 1};
constexpr int kEdgeTo[3] = {0, 1, 2};

} // namespace

FacingEdgeList::FacingEdgeList(const float* vertices, const std::uint32_t* triangles, std::size_t vertexCount,
                               std::size_t triangleCount)
    : vertices(vertices), triangles(triangles), triangleCount(triangleCount), vertexCount(vertexCount),
      aroundStart(vertexCount + 1, 0), trianglesAround(new std::uint32_t[triangleCount * 3]),
      faceNormals(new float[triangleCount * 3]), across(new std::int32_t[triangleCount * 3]),
      known(triangleCount, false)
{
}

void FacingEdgeList::gatherTrianglesAround(std::size_t end)
{
    gatheredTriangles = std::min(triangleCount, std::max(end, 2 * gatheredTriangles));
    const std::size_t corners = gatheredTriangles * 3;
    // A counting sort of the corners by vertex, in place: count, sum up to where each vertex's list ends,
    // then place backwards, which leaves each entry at the start of its list.
    std::fill(aroundStart.begin(), aroundStart.end(), 0u);
    for (std::size_t i = 0; i < corners; ++i) {
        ++aroundStart[triangles[i]];
    }
    for (std::size_t v = 1; v < vertexCount; ++v) {
        aroundStart[v] += aroundStart[v - 1];
    }
    aroundStart[vertexCount] = static_cast<std::uint32_t>(corners);
    for (std::size_t i = corners; i-- > 0;) {
        trianglesAround[--aroundStart[triangles[i]]] = static_cast<std::uint32_t>(i / 3);
    }
}

std::int32_t FacingEdgeList::triangleAcross(std::uint32_t triangle, std::uint32_t from, std::uint32_t to) const
{
    for (std::uint32_t i = aroundStart[from]; i < aroundStart[from + 1]; ++i) {
        const std::uint32_t other = trianglesAround[i];
        const std::uint32_t* corner = triangles + std::size_t{3} * other;
        if (other != triangle && (corner[0] == to || corner[1] == to || corner[2] == to)) {
            return static_cast<std::int32_t>(other);
        }
    }
    return kNoTriangle;
}

void FacingEdgeList::learnTriangles(std::size_t first, std::size_t count)
{
    if (first + count > gatheredTriangles) {
        gatherTrianglesAround(first + count);
    }
    for (std::size_t t = first; t < first + count; ++t) {
        if (known[t]) {
            continue;
        }
        const std::uint32_t* corner = triangles + 3 * t;
        const float* a = vertices + std::size_t{3} * corner[0];
        const float* b = vertices + std::size_t{3} * corner[1];
        const float* c = vertices + std::size_t{3} * corner[2];
        const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        float* normal = &faceNormals[3 * t];
        normal[0] = u[1] * w[2] - u[2] * w[1];
        normal[1] = u[2] * w[0] - u[0] * w[2];
        normal[2] = u[0] * w[1] - u[1] * w[0];
        for (int k = 0; k < 3; ++k) {
            across[3 * t + k] =
                triangleAcross(static_cast<std::uint32_t>(t), corner[kEdgeFrom[k]], corner[kEdgeTo[k]]);
        }
        known[t] = true;
    }
}

const std::vector<std::uint32_t>& FacingEdgeList::linesFacing(const float* eye, bool mirrored, std::size_t first,
                                                               std::size_t count)
{
    lines.clear();
    if (first >= triangleCount) {
        return lines;
    }
    count = std::min(count, triangleCount - first);
    learnTriangles(first, count);
    facing.resize(count);
    // Seen from the eye a triangle winds counter-clockwise when the eye lies on its normal's side; measured
    // from the triangle's own corner, so that a long mesh far from its origin keeps its precision.
    for (std::size_t i = 0; i < count; ++i) {
        const float* normal = &faceNormals[3 * (first + i)];
        const float* a = vertices + std::size_t{3} * triangles[3 * (first + i)];
        const float side =
            normal[0] * (eye[0] - a[0]) + normal[1] * (eye[1] - a[1]) + normal[2] * (eye[2] - a[2]);
        facing[i] = (mirrored ? side < 0.0f : side > 0.0f) ? 1 : 0;
    }
    if (lines.capacity() < count * 6) {
        lines.reserve(count * 6);
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (facing[i] == 0) {
            continue;
        }
        const std::size_t t = first + i;
        const std::uint32_t* corner = triangles + 3 * t;
        for (int k = 0; k < 3; ++k) {
            // An edge an earlier facing triangle in range shares was drawn there.
            const std::int32_t other = across[3 * t + k];
            if (other >= static_cast<std::int64_t>(first) && static_cast<std::size_t>(other) < t &&
                facing[static_cast<std::size_t>(other) - first] != 0) {
                continue;
            }
            lines.push_back(corner[kEdgeFrom[k]]);
            lines.push_back(corner[kEdgeTo[k]]);
        }
    }
    return lines;
}
