#include "plain/MetaballPlain.h"

#include "effects/isosurface/MarchingCubesTables.h"
#include "effects/isosurface/Metaball.h"
#include "effects/isosurface/SurfaceSink.h"

#include <cmath>

namespace {

// The (i, j, k) offset of each corner of a cell.
constexpr int kCornerOffsets[8][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1},
};

// The corners each edge runs between, from the first towards the second.
constexpr int kEdgeCorners[12][2] = {
    {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7},
};

constexpr float kIsoLevel = 1.0f;
// The grid's guard against a sample on a ball's centre.
constexpr float kMinDistanceSquared = 1e-12f;

int pointIndex(int i, int j, int k) { return (i * plain::kMetaballPointStride + j) * plain::kMetaballPointStride + k; }

int cellIndex(int i, int j, int k) { return (i * plain::kMetaballCellStride + j) * plain::kMetaballCellStride + k; }

const GridPoint& corner(const GridPoint* points, int i, int j, int k, int c)
{
    return points[pointIndex(i + kCornerOffsets[c][0], j + kCornerOffsets[c][1], k + kCornerOffsets[c][2])];
}

void interpolate(const GridPoint& p1, const GridPoint& p2, float* position, float* normal)
{
    const GridPoint* from = nullptr;
    if (std::fabs(p1.value) == kIsoLevel) {
        from = &p1;
    } else if (std::fabs(p2.value) == kIsoLevel) {
        from = &p2;
    } else if (p1.value == p2.value) {
        from = &p1;
    }
    if (from != nullptr) {
        position[0] = from->x;
        position[1] = from->y;
        position[2] = from->z;
        normal[0] = from->nx;
        normal[1] = from->ny;
        normal[2] = from->nz;
        return;
    }
    const float mu = (kIsoLevel - p1.value) / (p2.value - p1.value);
    position[0] = p1.x + mu * (p2.x - p1.x);
    position[1] = p1.y + mu * (p2.y - p1.y);
    position[2] = p1.z + mu * (p2.z - p1.z);
    normal[0] = p1.nx + mu * (p2.nx - p1.nx);
    normal[1] = p1.ny + mu * (p2.ny - p1.ny);
    normal[2] = p1.nz + mu * (p2.nz - p1.nz);
}

} // namespace

namespace plain {

void evaluateMetaballField(GridPoint* points, int gridSize, const Metaball* balls, int ballCount)
{
    const int n = gridSize;
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            for (int k = 0; k <= n; ++k) {
                GridPoint& p = points[pointIndex(i, j, k)];
                float value = 0.0f;
                for (int b = 0; b < ballCount; ++b) {
                    const Metaball& ball = balls[b];
                    const float dx = p.x - ball.position[0];
                    const float dy = p.y - ball.position[1];
                    const float dz = p.z - ball.position[2];
                    float d2 = dx * dx + dy * dy + dz * dz;
                    if (d2 < kMinDistanceSquared) {
                        d2 = kMinDistanceSquared;
                    }
                    value += ball.strength * ball.strength / d2;
                }
                p.value = value;
            }
        }
    }
}

void computeMetaballNormals(GridPoint* points, int gridSize)
{
    const int n = gridSize;
    for (int i = 1; i < n; ++i) {
        for (int j = 1; j < n; ++j) {
            for (int k = 1; k < n; ++k) {
                GridPoint& p = points[pointIndex(i, j, k)];
                const float nx = points[pointIndex(i - 1, j, k)].value - points[pointIndex(i + 1, j, k)].value;
                const float ny = points[pointIndex(i, j - 1, k)].value - points[pointIndex(i, j + 1, k)].value;
                const float nz = points[pointIndex(i, j, k - 1)].value - points[pointIndex(i, j, k + 1)].value;
                const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
                if (length > 0.0f) {
                    p.nx = nx / length;
                    p.ny = ny / length;
                    p.nz = nz / length;
                } else {
                    p.nx = 0.0f;
                    p.ny = 0.0f;
                    p.nz = 0.0f;
                }
            }
        }
    }
}

void classifyMetaballCells(const GridPoint* points, int gridSize, std::uint8_t* cubeIndices)
{
    const int n = gridSize;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k) {
                int index = 0;
                for (int c = 0; c < 8; ++c) {
                    if (corner(points, i, j, k, c).value < kIsoLevel) {
                        index |= 1 << c;
                    }
                }
                cubeIndices[cellIndex(i, j, k)] = static_cast<std::uint8_t>(index);
            }
        }
    }
}

int polygonizeMetaballs(const GridPoint* points, int gridSize, bool useNormals, bool colorByDistance,
                        SurfaceSink& sink)
{
    const int n = gridSize;
    int triangles = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k) {
                float positions[12][3] = {};
                float normals[12][3] = {};
                int index = 0;
                for (int c = 0; c < 8; ++c) {
                    if (corner(points, i, j, k, c).value < kIsoLevel) {
                        index |= 1 << c;
                    }
                }
                const int crossed = kEdgeTable[index];
                if (crossed == 0) {
                    continue;
                }
                for (int e = 0; e < 12; ++e) {
                    if (crossed & (1 << e)) {
                        interpolate(corner(points, i, j, k, kEdgeCorners[e][0]),
                                    corner(points, i, j, k, kEdgeCorners[e][1]), positions[e], normals[e]);
                    }
                }
                sink.color(1.0f, 1.0f, 1.0f);
                const int* row = kTriangleTable[index];
                for (int t = 0; row[t] != -1; t += 3) {
                    for (int v = 0; v < 3; ++v) {
                        const int e = row[t + v];
                        if (useNormals) {
                            sink.normal(normals[e]);
                        } else if (colorByDistance) {
                            const float* p = positions[e];
                            const float d = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
                            sink.color(d, d, d + 0.1f);
                        }
                        sink.vertex(positions[e]);
                    }
                    ++triangles;
                }
            }
        }
    }
    return triangles;
}

int metaballFrame(GridPoint* points, int gridSize, const Metaball* balls, int ballCount, bool useNormals,
                  bool colorByDistance, SurfaceSink& sink)
{
    evaluateMetaballField(points, gridSize, balls, ballCount);
    computeMetaballNormals(points, gridSize);
    return polygonizeMetaballs(points, gridSize, useNormals, colorByDistance, sink);
}

} // namespace plain
