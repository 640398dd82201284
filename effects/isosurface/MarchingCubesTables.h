#pragma once

// The published marching-cubes lookup tables (Paul Bourke, "Polygonising a scalar field"), unchanged.
// Corner c of a cell is bit c of the cube index, set when that corner lies below the iso level; the
// corner and edge numbering is the one MarchingCubesGrid lays its cells out in.

// Per cube index, the 12-bit mask of the edges the surface crosses.
extern const int kEdgeTable[256];

// Per cube index, up to five triangles as edge numbers, three per triangle, ended by −1.
extern const int kTriangleTable[256][16];
