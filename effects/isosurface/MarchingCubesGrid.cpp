#include "effects/isosurface/MarchingCubesGrid.h"

#include "effects/isosurface/MarchingCubesTables.h"
#include "effects/isosurface/Metaball.h"
#include "effects/isosurface/SurfaceSink.h"
#include "geometry/DrawCounter.h"

#include "gl/GL.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace {

// The (i, j, k) offset of each corner of a cell.
constexpr int kCornerOffsets[8][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1},
};

// The corners each edge runs between, interpolated from the first towards the second.
constexpr int kEdgeCorners[12][2] = {
    {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7},
};

// A sample on a ball's centre would divide by zero. Keeping the squared distance above this gives it a
// large finite value instead (strength² × 10¹²), which keeps it inside the surface for any ball wider
// than a micron and keeps the normals and the interpolation around it finite.
constexpr float kMinDistanceSquared = 1e-12f;

struct GlSink {
    void color(float red, float green, float blue) { gl::color3f(red, green, blue); }
    void normal(const float* normal) { gl::normal3fv(normal); }
    void vertex(const float* position)
    {
        gl::vertex3fv(position);
        ++vertices;
    }
    // Every vertex carries its colour, normal and position: nine floats.
    std::uint64_t bytes() const { return vertices * 36; }
    std::uint64_t vertices = 0;
};

template <class Sink>
void distanceColor(const float* position, Sink& sink)
{
    const float d = std::sqrt(position[0] * position[0] + position[1] * position[1] + position[2] * position[2]);
    sink.color(d, d, d + 0.1f);
}

} // namespace

// All-zero bytes are the grid's starting state: zero positions, normals and values, null corners, clear flags.
// The types are plain aggregates, so the zeroed block holds them as they are.
static_assert(std::is_trivially_copyable_v<GridPoint> && std::is_trivially_copyable_v<GridCell> &&
                  std::is_trivially_destructible_v<GridPoint> && std::is_trivially_destructible_v<GridCell>,
              "the grid's storage is a zeroed block, never constructed nor destroyed element by element");

MarchingCubesGrid::MarchingCubesGrid()
    : storage(allocateZeroed()), points(storage->points), cells(storage->cells), below(storage->below),
      cubeIndices(storage->cubeIndices)
{
}

MarchingCubesGrid::~MarchingCubesGrid() { std::free(storage); }

MarchingCubesGrid::Storage* MarchingCubesGrid::allocateZeroed()
{
    void* block = std::calloc(1, sizeof(Storage));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<Storage*>(block);
}

void MarchingCubesGrid::buildGrid()
{
    gridSize = std::clamp(gridSize, 1, kMaxSize);
    const int n = gridSize;
    const float size = static_cast<float>(n);
    for (int i = 0; i <= n; ++i) {
        const float step = 2.0f * static_cast<float>(i) / size;
        axisX[i] = step - 1.0f;
        axisY[i] = step - 1.0f;
        axisZ[i] = 1.0f - step; // k runs from +1 down to −1
    }
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            for (int k = 0; k <= n; ++k) {
                GridPoint& p = point(i, j, k);
                p.x = axisX[i];
                p.y = axisY[j];
                p.z = axisZ[k];
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k) {
                GridCell& c = cell(i, j, k);
                for (int corner = 0; corner < 8; ++corner) {
                    const int* offset = kCornerOffsets[corner];
                    c.corners[corner] = &point(i + offset[0], j + offset[1], k + offset[2]);
                }
            }
        }
    }
    builtSize = n;
}

// Positions are fixed per axis, so each squared distance splits into an x term by i, a y term by j and a
// z term by k. Summing along k over contiguous rows lets the compiler vectorise the divisions.
void MarchingCubesGrid::sumBallRun(const Metaball* balls, int count, bool first)
{
    const int samples = builtSize + 1;
    float weights[kBallRun];
    for (int b = 0; b < count; ++b) {
        const Metaball& ball = balls[b];
        weights[b] = ball.strength * ball.strength;
        for (int i = 0; i < samples; ++i) {
            const float dx = axisX[i] - ball.position[0];
            const float dy = axisY[i] - ball.position[1];
            const float dz = axisZ[i] - ball.position[2];
            ballTermX[b][i] = dx * dx;
            ballTermY[b][i] = dy * dy;
            ballTermZ[b][i] = dz * dz;
        }
    }
    float row[kPointStride];
    for (int i = 0; i < samples; ++i) {
        for (int j = 0; j < samples; ++j) {
            GridPoint* line = &point(i, j, 0);
            for (int k = 0; k < samples; ++k) {
                row[k] = first ? 0.0f : line[k].value;
            }
            for (int b = 0; b < count; ++b) {
                const float across = ballTermX[b][i] + ballTermY[b][j];
                const float weight = weights[b];
                const float* along = ballTermZ[b];
                for (int k = 0; k < samples; ++k) {
                    const float d2 = across + along[k];
                    row[k] += weight / (d2 < kMinDistanceSquared ? kMinDistanceSquared : d2);
                }
            }
            for (int k = 0; k < samples; ++k) {
                line[k].value = row[k];
            }
        }
    }
}

void MarchingCubesGrid::evaluateField(const Metaball* balls, int ballCount)
{
    if (builtSize == 0) {
        return;
    }
    if (ballCount <= 0) {
        sumBallRun(balls, 0, true);
        return;
    }
    for (int first = 0; first < ballCount; first += kBallRun) {
        sumBallRun(balls + first, std::min(kBallRun, ballCount - first), first == 0);
    }
}

void MarchingCubesGrid::computeNormals()
{
    const int n = builtSize;
    constexpr int stepI = kPointStride * kPointStride;
    constexpr int stepJ = kPointStride;
    for (int i = 1; i < n; ++i) {
        for (int j = 1; j < n; ++j) {
            GridPoint* line = &point(i, j, 0);
            for (int k = 1; k < n; ++k) {
                GridPoint* p = line + k;
                const float nx = p[-stepI].value - p[stepI].value;
                const float ny = p[-stepJ].value - p[stepJ].value;
                const float nz = p[-1].value - p[1].value;
                const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
                // A flat neighbourhood has no direction: its normal stays zero rather than 0/0.
                const float scale = length > 0.0f ? 1.0f / length : 0.0f;
                p->nx = nx * scale;
                p->ny = ny * scale;
                p->nz = nz * scale;
            }
        }
    }
}

void MarchingCubesGrid::classifyCells()
{
    const int n = builtSize;
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            const GridPoint* line = &point(i, j, 0);
            std::uint8_t* flags = &below[(i * kPointStride + j) * kPointStride];
            for (int k = 0; k <= n; ++k) {
                flags[k] = line[k].value < kIsoLevel ? 1 : 0;
            }
        }
    }
    // A cell's corners at k are 0, 1, 4, 5 and at k + 1 are 3, 2, 7, 6.
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const std::uint8_t* b00 = &below[(i * kPointStride + j) * kPointStride];
            const std::uint8_t* b10 = b00 + kPointStride * kPointStride;
            const std::uint8_t* b01 = b00 + kPointStride;
            const std::uint8_t* b11 = b10 + kPointStride;
            std::uint8_t* out = &cubeIndices[(i * kMaxSize + j) * kMaxSize];
            for (int k = 0; k < n; ++k) {
                out[k] = static_cast<std::uint8_t>(b00[k] | b10[k] << 1 | b10[k + 1] << 2 | b00[k + 1] << 3 |
                                                   b01[k] << 4 | b11[k] << 5 | b11[k + 1] << 6 | b01[k + 1] << 7);
            }
        }
    }
}

int MarchingCubesGrid::indexOf(const GridCell& cell) const
{
    int index = 0;
    for (int corner = 0; corner < 8; ++corner) {
        if (cell.corners[corner]->value < kIsoLevel) {
            index |= 1 << corner;
        }
    }
    return index;
}

template <class Sink>
void MarchingCubesGrid::emitCell(const GridCell& cell, int index, Sink& sink)
{
    const int crossed = kEdgeTable[index];
    if (crossed == 0) {
        return;
    }
    // Only crossed edges are filled: the triangle table uses no other.
    float positions[12][3];
    float normals[12][3];
    for (int edge = 0; edge < 12; ++edge) {
        if (crossed & (1 << edge)) {
            interpolateVertex(*cell.corners[kEdgeCorners[edge][0]], *cell.corners[kEdgeCorners[edge][1]],
                              positions[edge], normals[edge]);
        }
    }
    sink.color(1.0f, 1.0f, 1.0f);
    const int* row = kTriangleTable[index];
    for (int t = 0; t < 15 && row[t] != -1; t += 3) {
        for (int v = 0; v < 3; ++v) {
            const int edge = row[t + v];
            if (useNormals) {
                sink.normal(normals[edge]);
            } else if (colorByDistance) {
                distanceColor(positions[edge], sink);
            }
            sink.vertex(positions[edge]);
        }
        ++triangleCount;
    }
}

template <class Sink>
void MarchingCubesGrid::walkCells(Sink& sink)
{
    classifyCells();
    const int n = builtSize;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const int rowStart = (i * kMaxSize + j) * kMaxSize;
            for (int k = 0; k < n; ++k) {
                const int index = cubeIndices[rowStart + k];
                // All corners on one side: nothing to emit.
                if (index != 0 && index != 255) {
                    emitCell(cells[rowStart + k], index, sink);
                }
            }
        }
    }
}

void MarchingCubesGrid::polygonize()
{
    GlSink sink;
    gl::begin(GL_TRIANGLES);
    walkCells(sink);
    gl::end();
    DrawCounter::countDraw(sink.bytes());
}

void MarchingCubesGrid::polygonize(SurfaceSink& sink) { walkCells(sink); }

void MarchingCubesGrid::polygonizeCell(const GridCell& cell)
{
    GlSink sink;
    emitCell(cell, indexOf(cell), sink);
    DrawCounter::countDraw(sink.bytes());
}

void MarchingCubesGrid::polygonizeCell(const GridCell& cell, SurfaceSink& sink) { emitCell(cell, indexOf(cell), sink); }

void MarchingCubesGrid::interpolateVertex(const GridPoint& p1, const GridPoint& p2, float* position, float* normal)
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

void MarchingCubesGrid::setDistanceColor(const float* position)
{
    GlSink sink;
    distanceColor(position, sink);
}
