#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The wireframe that line-mode polygons draw under back-face culling, found on the processor: the edges of
// the triangles that face the eye, each once, in the order the triangles would draw them. Drawn as lines it
// gives their pixels where blending is off, with about half the lines.
// The list reads the mesh's positions and triangles in place: they must outlive it and not change.
class FacingEdgeList {
public:
    FacingEdgeList(const float* vertices, const std::uint32_t* triangles, std::size_t vertexCount,
                   std::size_t triangleCount);

    // The lines of triangles [first, first + count) that face an eye at `eye` in the mesh's own coordinates,
    // counter-clockwise being front unless `mirrored`. The vector is reused by the next call.
    const std::vector<std::uint32_t>& linesFacing(const float* eye, bool mirrored, std::size_t first,
                                                  std::size_t count);

private:
    // Each triangle's face normal and the triangles across its edges 2→0, 0→1, 1→2, worked out the first
    // time the triangle is drawn: a moving draw range over a long mesh only ever touches a small part of it.
    void learnTriangles(std::size_t first, std::size_t count);
    // Finds the triangles around each vertex among the first `end` (a prefix doubled as draws reach further):
    // a triangle only needs its neighbours of lower index, and those lie within the prefix.
    void gatherTrianglesAround(std::size_t end);
    std::int32_t triangleAcross(std::uint32_t triangle, std::uint32_t from, std::uint32_t to) const;

    const float* vertices;
    const std::uint32_t* triangles;
    std::size_t triangleCount;
    std::size_t vertexCount;
    // The triangles around each vertex among the first gatheredTriangles:
    // trianglesAround[aroundStart[v] .. aroundStart[v + 1]).
    std::size_t gatheredTriangles = 0;
    std::vector<std::uint32_t> aroundStart;
    std::unique_ptr<std::uint32_t[]> trianglesAround;
    // Left unset until a triangle is learnt, so that the pages of triangles never drawn are never touched.
    std::unique_ptr<float[]> faceNormals;
    std::unique_ptr<std::int32_t[]> across;
    std::vector<bool> known;
    std::vector<std::uint8_t> facing;
    std::vector<std::uint32_t> lines;
};
