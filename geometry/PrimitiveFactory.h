#pragma once

class MeshObject;

// Builds the meshes the scenes animate. Every generator returns a new MeshObject in the client-array
// path with the default transform; the caller owns it. Angles around Y run the negative way
// (θk = k × −2π/slices, so k = 1 lies towards −z); sphere points are (sin φ cos θ, cos φ, sin φ sin θ)
// with φ = 0 at +y. Triangles are counter-clockwise seen from outside unless a generator says otherwise.
// A mesh too large for 32-bit counts throws std::bad_alloc.
class PrimitiveFactory {
public:
    virtual ~PrimitiveFactory() = default;

    // 24 × 24 points on each face of a cube of edge `size`, positions only: no indices, no triangles.
    static MeshObject* createPointCube(float size);
    // Capped cylinder with shared ring vertices; the side normals are radial vectors of length `radius`.
    static MeshObject* createCylinder(unsigned slices, unsigned stacks, float radius, float height);
    // 72-slice cone, apex at +height/2, with a base cap.
    static MeshObject* createCone(float radius, float height);
    // 50-slice cone with three own vertices per triangle; each normal equals its position.
    static MeshObject* createSimpleCone(float radius, float height);
    // Unit sphere with three own vertices per triangle, white colours, no texture coordinates.
    static MeshObject* createTexturedSphere(int stacks, unsigned slices);
    // Thick ring: top, outer wall, inner wall (facing the axis), bottom; three own vertices per triangle.
    static MeshObject* createTube(unsigned slices, float outerRadius, float innerRadius, float height);
    // Capped cylinder whose rings carry a seam copy of their first point.
    static MeshObject* createSeamedCylinder(unsigned slices, int stacks, float radius, float height);
    // Unit sphere with pole copies and seamed rings.
    static MeshObject* createUnitSphere(unsigned slices, unsigned stacks);
    // Unit sphere with white colours; rings wrap without a seam copy.
    static MeshObject* createColoredSphere(unsigned stacks, unsigned slices);
    // Grid in the z = 0 plane spanning [0, width] × [0, height], shared vertices.
    static MeshObject* createPlane(unsigned columns, unsigned rows, float width, float height);
    // Grid whose cells own their six vertices (clockwise seen from +z), so each cell can move alone.
    static MeshObject* createTiledPlane(unsigned rows, unsigned columns, float width, float height);
};
