#pragma once

#include <cstdint>

struct Metaball;
class SurfaceSink;

// One sample of the field: its fixed position, its normal and its value, rewritten every frame.
struct GridPoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    float value = 0.0f;
};

// The corners of one cube, as (i, j, k) offsets: 0 (0,0,0), 1 (1,0,0), 2 (1,0,1), 3 (0,0,1),
// 4 (0,1,0), 5 (1,1,0), 6 (1,1,1), 7 (0,1,1). The lookup tables expect this numbering.
struct GridCell {
    GridPoint* corners[8] = {};
};

// A scalar field on a cubic grid spanning −1 … 1 on every axis, and the marching-cubes polygonizer that
// turns its 1.0 level into triangles. Storage is fixed at the largest grid (80 cells a side) with fixed
// index strides, so nothing is allocated once the grid exists.
class MarchingCubesGrid {
public:
    static constexpr int kMaxSize = 80;
    static constexpr int kPointStride = kMaxSize + 1;
    static constexpr int kPointCapacity = kPointStride * kPointStride * kPointStride;
    static constexpr int kCellCapacity = kMaxSize * kMaxSize * kMaxSize;
    static constexpr float kIsoLevel = 1.0f;

    MarchingCubesGrid();
    ~MarchingCubesGrid();
    MarchingCubesGrid(const MarchingCubesGrid&) = delete;
    MarchingCubesGrid& operator=(const MarchingCubesGrid&) = delete;

    // Lays out the samples and the cells for `gridSize` cells a side, brought into 1 … 80 first.
    // The per-frame operations work on the grid as last built; before any build they do nothing.
    void buildGrid();
    // Sets every sample to the sum over the balls, in list order, of strength² / distance².
    void evaluateField(const Metaball* balls, int ballCount);
    // Central differences of the interior samples, normalised; samples on the outer faces keep theirs.
    void computeNormals();
    // Finds the cube index of every cell. No GL; polygonize calls it.
    void classifyCells();
    // Sends every triangle of the surface to GL inside one glBegin/glEnd, cell by cell in i, j, k order.
    void polygonize();
    // The same walk, made to a sink instead of GL.
    void polygonize(SurfaceSink& sink);
    // One cell, classified from its own corners; GL calls, or none at all for a cell the surface misses.
    void polygonizeCell(const GridCell& cell);
    void polygonizeCell(const GridCell& cell, SurfaceSink& sink);

    // Where the surface crosses the edge from p1 to p2, with the normal interpolated alike.
    static void interpolateVertex(const GridPoint& p1, const GridPoint& p2, float* position, float* normal);
    // glColor3f(d, d, d + 0.1) with d the distance of the position from the origin.
    static void setDistanceColor(const float* position);

    GridPoint& point(int i, int j, int k) { return points[(i * kPointStride + j) * kPointStride + k]; }
    GridCell& cell(int i, int j, int k) { return cells[(i * kMaxSize + j) * kMaxSize + k]; }
    // Bit c set when corner c lies below the level; valid after classifyCells.
    int cubeIndex(int i, int j, int k) const { return cubeIndices[(i * kMaxSize + j) * kMaxSize + k]; }

    // Colour each vertex by its distance from the origin; only when useNormals is off.
    bool colorByDistance = false;
    bool useNormals = true;
    int gridSize = 0;
    // Triangles emitted since the owner last reset it.
    int triangleCount = 0;

private:
    // The capacity is about 50 MB, of which a 50-cell grid uses under 20. The storage comes zeroed from the
    // system in one block, so the pages the grid never reaches are never touched: no time spent clearing
    // them at load and no resident memory.
    struct Storage {
        GridPoint points[kPointCapacity];
        GridCell cells[kCellCapacity];
        std::uint8_t below[kPointCapacity];
        std::uint8_t cubeIndices[kCellCapacity];
    };
    static Storage* allocateZeroed();
    Storage* storage;

public:
    GridPoint (&points)[kPointCapacity];
    GridCell (&cells)[kCellCapacity];

private:
    // Balls whose axis terms are held at once; longer lists are summed in runs of this many.
    static constexpr int kBallRun = 16;

    template <class Sink>
    void walkCells(Sink& sink);
    template <class Sink>
    void emitCell(const GridCell& cell, int index, Sink& sink);
    int indexOf(const GridCell& cell) const;
    void sumBallRun(const Metaball* balls, int count, bool first);

    int builtSize = 0;
    // Sample coordinates along each axis: x by i, y by j, z by k.
    float axisX[kPointStride] = {};
    float axisY[kPointStride] = {};
    float axisZ[kPointStride] = {};
    // Squared distance along each axis from each ball of the current run.
    float ballTermX[kBallRun][kPointStride] = {};
    float ballTermY[kBallRun][kPointStride] = {};
    float ballTermZ[kBallRun][kPointStride] = {};
    std::uint8_t (&below)[kPointCapacity];
    std::uint8_t (&cubeIndices)[kCellCapacity];
};
