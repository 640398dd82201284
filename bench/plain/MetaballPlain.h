#pragma once

#include "effects/isosurface/MarchingCubesGrid.h"

#include <cstdint>

struct Metaball;
class SurfaceSink;

// The metaball surface computed the obvious way, one loop nest per step, for comparison with the grid's
// own loops. The arrays use the grid's layout: sample (i, j, k) at (i × 81 + j) × 81 + k and cell
// (i, j, k) at (i × 80 + j) × 80 + k, for gridSize cells a side.
namespace plain {

constexpr int kMetaballPointStride = MarchingCubesGrid::kMaxSize + 1;
constexpr int kMetaballCellStride = MarchingCubesGrid::kMaxSize;
constexpr int kMetaballPointCount = kMetaballPointStride * kMetaballPointStride * kMetaballPointStride;
constexpr int kMetaballCellCount = kMetaballCellStride * kMetaballCellStride * kMetaballCellStride;

// Every sample's value: the sum over the balls, in list order, of strength² / distance².
void evaluateMetaballField(GridPoint* points, int gridSize, const Metaball* balls, int ballCount);
// Central differences of the interior samples, divided by their length; the outer faces are left alone.
void computeMetaballNormals(GridPoint* points, int gridSize);
// Bit c of a cell's index is set when its corner c lies below the level.
void classifyMetaballCells(const GridPoint* points, int gridSize, std::uint8_t* cubeIndices);
// Every cell in i, j, k order, its triangles sent to the sink; returns how many triangles it sent.
int polygonizeMetaballs(const GridPoint* points, int gridSize, bool useNormals, bool colorByDistance,
                        SurfaceSink& sink);
// A whole frame of the surface: field, normals, triangles.
int metaballFrame(GridPoint* points, int gridSize, const Metaball* balls, int ballCount, bool useNormals,
                  bool colorByDistance, SurfaceSink& sink);

} // namespace plain
