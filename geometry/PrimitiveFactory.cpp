#include "geometry/PrimitiveFactory.h"

#include "geometry/LargeArrays.h"
#include "geometry/MeshObject.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

constexpr float kPi = 3.1415927f;
constexpr unsigned kConeSlices = 72;
constexpr unsigned kConeRings = 47; // apex copies, 45 inner rings, base edge
constexpr float kConeStep = -0.08726647f; // −5 degrees
constexpr unsigned kSimpleConeSlices = 50;

enum Attributes : unsigned { Normals = 1, TexCoords = 2, Colors = 4, Indices = 8 };

// The arrays of one mesh, sized in 64 bits: counts that do not fit the mesh's 32-bit fields are refused
// as an allocation failure rather than wrapped into a short buffer.
class MeshArrays {
public:
    MeshArrays(std::uint64_t vertexCount, std::uint64_t triangleCount, unsigned attributes)
    {
        constexpr std::uint64_t kLimit = std::numeric_limits<std::int32_t>::max();
        if (vertexCount > kLimit || triangleCount * 3 > kLimit) {
            throw std::bad_alloc();
        }
        vertices_ = static_cast<int>(vertexCount);
        triangles_ = static_cast<unsigned>(triangleCount);
        const std::size_t count = vertexCount;
        positions.reset(allocate<float>(count * 3));
        if (attributes & Normals) {
            normals.reset(allocate<float>(count * 3));
        }
        if (attributes & TexCoords) {
            texCoords.reset(allocate<float>(count * 2));
        }
        if (attributes & Colors) {
            colors.reset(allocate<float>(count * 4));
            std::fill(colors.get(), colors.get() + count * 4, 1.0f);
        }
        if (attributes & Indices) {
            indices.reset(allocate<std::uint32_t>(static_cast<std::size_t>(triangleCount) * 3));
        }
    }

    void position(float x, float y, float z) { put(positions.get(), positionCursor, x, y, z); }
    void normal(float x, float y, float z) { put(normals.get(), normalCursor, x, y, z); }
    void texCoord(float s, float t)
    {
        texCoords[texCoordCursor++] = s;
        texCoords[texCoordCursor++] = t;
    }
    void triangle(std::uint32_t a, std::uint32_t b, std::uint32_t c)
    {
        indices[indexCursor++] = a;
        indices[indexCursor++] = b;
        indices[indexCursor++] = c;
    }
    // A vertex whose normal is its own position.
    void radialVertex(float x, float y, float z)
    {
        position(x, y, z);
        normal(x, y, z);
    }
    // Indices 0, 1, 2, … for meshes whose triangles own their vertices.
    void sequentialIndices()
    {
        for (std::uint32_t i = 0; i < triangles_ * 3; ++i) {
            indices[i] = i;
        }
    }

    // Ring k joined to k + 1 around a centre: (centre k, ring k, ring k + 1), or mirrored to face the other way.
    void fan(std::uint32_t centre, std::uint32_t ring, unsigned count, bool wrap, bool mirrored)
    {
        for (unsigned k = 0; k < count; ++k) {
            const std::uint32_t next = wrap ? (k + 1) % count : k + 1;
            if (mirrored) {
                triangle(centre + k, ring + next, ring + k);
            } else {
                triangle(centre + k, ring + k, ring + next);
            }
        }
    }
    // Two triangles per quad between an upper ring and the ring below it.
    void band(std::uint32_t upper, std::uint32_t lower, unsigned count, bool wrap)
    {
        for (unsigned k = 0; k < count; ++k) {
            const std::uint32_t next = wrap ? (k + 1) % count : k + 1;
            triangle(upper + k, lower + k, upper + next);
            triangle(upper + next, lower + k, lower + next);
        }
    }

    MeshObject* release()
    {
        const bool hasNormals = normals != nullptr;
        const bool hasTexCoords = texCoords != nullptr;
        const bool hasColors = colors != nullptr;
        auto* mesh = new MeshObject(positions.get(), normals.get(), texCoords.get(), colors.get(), indices.get(),
                                    vertices_, hasNormals ? vertices_ : 0, hasTexCoords ? vertices_ : 0,
                                    hasColors ? vertices_ : 0, indices ? triangles_ : 0);
        positions.release();
        normals.release();
        texCoords.release();
        colors.release();
        indices.release();
        return mesh;
    }

private:
    template <class T>
    static T* allocate(std::size_t count)
    {
        T* array = new T[count];
        adviseHugePages(array, count * sizeof(T));
        return array;
    }

    static void put(float* array, std::size_t& cursor, float x, float y, float z)
    {
        array[cursor++] = x;
        array[cursor++] = y;
        array[cursor++] = z;
    }

    std::unique_ptr<float[]> positions, normals, texCoords, colors;
    std::unique_ptr<std::uint32_t[]> indices;
    int vertices_ = 0;
    unsigned triangles_ = 0;
    std::size_t positionCursor = 0, normalCursor = 0, texCoordCursor = 0, indexCursor = 0;
};

// Cosine and sine of θk = k × step for one ring, computed once and shared by every ring of a mesh.
// With a seam copy the ring gets one more point, at θ = 0 again.
struct RingTable {
    RingTable(unsigned slices, float step, bool seamCopy)
    {
        const unsigned count = seamCopy ? slices + 1 : slices;
        cosines.resize(count);
        sines.resize(count);
        for (unsigned k = 0; k < count; ++k) {
            const float theta = static_cast<float>(k == slices ? 0u : k) * step;
            cosines[k] = std::cos(theta);
            sines[k] = std::sin(theta);
        }
    }
    std::vector<float> cosines;
    std::vector<float> sines;
};

float aroundYStep(unsigned slices) { return -2.0f * kPi / static_cast<float>(slices); }

void requireAtLeast(std::int64_t value, std::int64_t minimum, const char* what)
{
    if (value < minimum) {
        throw std::invalid_argument(what);
    }
}

} // namespace

MeshObject* PrimitiveFactory::createPointCube(float size)
{
    constexpr unsigned kSide = 24;
    MeshArrays mesh(3 * kSide * kSide * 2, 0, 0);
    const float step = size / 23.0f;
    const float h = size * 0.5f;
    for (int block = 0; block < 3; ++block) {
        float w = -h;
        for (unsigned e = 0; e < kSide; ++e, w += step) {
            float u = -h;
            for (unsigned g = 0; g < kSide; ++g, u += step) {
                switch (block) {
                case 0: // front and back
                    mesh.position(u, w, h);
                    mesh.position(u, w, -h);
                    break;
                case 1: // left and right
                    mesh.position(-h, w, u);
                    mesh.position(h, w, u);
                    break;
                default: // top and bottom
                    mesh.position(u, h, w);
                    mesh.position(u, -h, w);
                    break;
                }
            }
        }
    }
    return mesh.release();
}

MeshObject* PrimitiveFactory::createCylinder(unsigned slices, unsigned stacks, float radius, float height)
{
    requireAtLeast(slices, 1, "createCylinder: slices < 1");
    requireAtLeast(stacks, 1, "createCylinder: stacks < 1");
    const std::uint64_t a = slices, n = stacks;
    MeshArrays mesh(a * (n + 3), 2 * a * n, Normals | Indices);
    const RingTable ring(slices, aroundYStep(slices), false);
    const float h = height / 2.0f;
    const float d = height / static_cast<float>(stacks);

    for (unsigned k = 0; k < slices; ++k) {
        mesh.position(0.0f, h, 0.0f);
        mesh.normal(0.0f, 1.0f, 0.0f);
    }
    for (unsigned k = 0; k < slices; ++k) {
        mesh.position(radius * ring.cosines[k], h, radius * ring.sines[k]);
        mesh.normal(0.0f, 1.0f, 0.0f);
    }
    float y = h;
    for (unsigned j = 0; j + 1 < stacks; ++j, y -= d) {
        for (unsigned k = 0; k < slices; ++k) {
            const float x = radius * ring.cosines[k], z = radius * ring.sines[k];
            mesh.position(x, y, z);
            mesh.normal(x, 0.0f, z);
        }
    }
    for (unsigned k = 0; k < slices; ++k) {
        mesh.position(radius * ring.cosines[k], -h, radius * ring.sines[k]);
        mesh.normal(0.0f, -1.0f, 0.0f);
    }
    for (unsigned k = 0; k < slices; ++k) {
        mesh.position(0.0f, -h, 0.0f);
        mesh.normal(0.0f, -1.0f, 0.0f);
    }

    const auto ringStart = [&](std::uint64_t index) { return static_cast<std::uint32_t>(a * index); };
    mesh.fan(0, ringStart(1), slices, true, false);
    // Ring 0 is the top cap ring, then the side rings; the first band has zero height.
    for (unsigned j = 0; j + 1 < stacks; ++j) {
        mesh.band(ringStart(j + 1), ringStart(j + 2), slices, true);
    }
    // The bottom cap mirrors the top fan, facing down. The side ends one step above the bottom ring.
    mesh.fan(ringStart(n + 2), ringStart(n + 1), slices, true, true);
    return mesh.release();
}

MeshObject* PrimitiveFactory::createCone(float radius, float height)
{
    constexpr unsigned a = kConeSlices;
    MeshArrays mesh(a * (kConeRings + 1), a + (kConeRings - 2) * 2 * a + a, Normals | Indices);
    const RingTable ring(a, kConeStep, false);
    const float h = height / 2.0f;
    const float ringDrop = height / 46.0f;
    const float ringGrowth = radius / 46.0f;
    // Every ring carries the unit normal of the side it lies on, the apex copies included.
    const float slantLength = std::sqrt(height * height + radius * radius);
    const float slantY = slantLength > 0.0f ? radius / slantLength : 1.0f;
    const float slantXZ = slantLength > 0.0f ? height / slantLength : 0.0f;

    float y = h;
    float r = 0.0f;
    for (unsigned ringIndex = 0; ringIndex < kConeRings; ++ringIndex, y -= ringDrop, r += ringGrowth) {
        for (unsigned k = 0; k < a; ++k) {
            mesh.position(r * ring.cosines[k], y, r * ring.sines[k]);
            mesh.normal(slantXZ * ring.cosines[k], slantY, slantXZ * ring.sines[k]);
        }
    }
    for (unsigned k = 0; k < a; ++k) {
        mesh.position(0.0f, -h, 0.0f);
        mesh.normal(0.0f, -1.0f, 0.0f);
    }

    mesh.fan(0, a, a, true, false);
    for (unsigned ringIndex = 1; ringIndex + 1 < kConeRings; ++ringIndex) {
        mesh.band(a * ringIndex, a * (ringIndex + 1), a, true);
    }
    // The base cap mirrors the apex fan, facing down.
    mesh.fan(a * kConeRings, a * (kConeRings - 1), a, true, true);
    return mesh.release();
}

MeshObject* PrimitiveFactory::createSimpleCone(float radius, float height)
{
    constexpr unsigned a = kSimpleConeSlices;
    MeshArrays mesh(6 * a, 2 * a, Normals | Indices);
    const RingTable ring(a, aroundYStep(a), true);
    const float h = height / 2.0f;
    for (unsigned k = 0; k < a; ++k) {
        mesh.radialVertex(0.0f, h, 0.0f);
        mesh.radialVertex(radius * ring.cosines[k], -h, radius * ring.sines[k]);
        mesh.radialVertex(radius * ring.cosines[k + 1], -h, radius * ring.sines[k + 1]);
    }
    for (unsigned k = 0; k < a; ++k) {
        mesh.radialVertex(radius * ring.cosines[k], -h, radius * ring.sines[k]);
        mesh.radialVertex(0.0f, -h, 0.0f);
        mesh.radialVertex(radius * ring.cosines[k + 1], -h, radius * ring.sines[k + 1]);
    }
    mesh.sequentialIndices();
    return mesh.release();
}

namespace {

// Sine and cosine of φi = i × π/stacks for i = 0 … stacks.
struct PolarTable {
    explicit PolarTable(unsigned stacks)
    {
        const float step = kPi / static_cast<float>(stacks);
        for (unsigned i = 0; i <= stacks; ++i) {
            const float phi = static_cast<float>(i) * step;
            sines.push_back(std::sin(phi));
            cosines.push_back(std::cos(phi));
        }
    }
    std::vector<float> sines;
    std::vector<float> cosines;
};

} // namespace

MeshObject* PrimitiveFactory::createTexturedSphere(int stacks, unsigned slices)
{
    requireAtLeast(stacks, 2, "createTexturedSphere: stacks < 2");
    requireAtLeast(slices, 1, "createTexturedSphere: slices < 1");
    const std::uint64_t triangles = (2 * std::uint64_t(stacks) - 2) * slices;
    MeshArrays mesh(3 * triangles, triangles, Normals | Colors | Indices);
    const PolarTable polar(static_cast<unsigned>(stacks));
    const RingTable ring(slices, aroundYStep(slices), true);
    const auto point = [&](int i, unsigned j) {
        mesh.radialVertex(polar.sines[i] * ring.cosines[j], polar.cosines[i], polar.sines[i] * ring.sines[j]);
    };
    for (unsigned j = 0; j < slices; ++j) {
        point(0, j);
        point(1, j);
        point(1, j + 1);
    }
    for (int i = 1; i <= stacks - 2; ++i) {
        for (unsigned j = 0; j < slices; ++j) {
            point(i, j);
            point(i + 1, j);
            point(i, j + 1);
            point(i, j + 1);
            point(i + 1, j);
            point(i + 1, j + 1);
        }
    }
    for (unsigned j = 0; j < slices; ++j) {
        point(stacks - 1, j);
        point(stacks, j);
        point(stacks - 1, j + 1);
    }
    mesh.sequentialIndices();
    return mesh.release();
}

MeshObject* PrimitiveFactory::createTube(unsigned slices, float outerRadius, float innerRadius, float height)
{
    requireAtLeast(slices, 1, "createTube: slices < 1");
    MeshArrays mesh(24 * std::uint64_t{slices}, 8 * std::uint64_t{slices}, Normals | Indices);
    const RingTable ring(slices, aroundYStep(slices), true);
    const float h = height / 2.0f;
    struct Point {
        float x, y, z;
    };
    const auto at = [&](float radius, float y, unsigned k) {
        return Point{radius * ring.cosines[k], y, radius * ring.sines[k]};
    };
    const auto flat = [&](const Point& p, float normalY) {
        mesh.position(p.x, p.y, p.z);
        mesh.normal(0.0f, normalY, 0.0f);
    };
    const auto radial = [&](const Point& p) { mesh.radialVertex(p.x, p.y, p.z); };

    for (unsigned k = 0; k < slices; ++k) {
        const Point inner = at(innerRadius, h, k), innerNext = at(innerRadius, h, k + 1);
        const Point outer = at(outerRadius, h, k), outerNext = at(outerRadius, h, k + 1);
        flat(inner, 1.0f), flat(outer, 1.0f), flat(innerNext, 1.0f);
        flat(innerNext, 1.0f), flat(outer, 1.0f), flat(outerNext, 1.0f);
    }
    for (unsigned k = 0; k < slices; ++k) {
        const Point top = at(outerRadius, h, k), topNext = at(outerRadius, h, k + 1);
        const Point bottom = at(outerRadius, -h, k), bottomNext = at(outerRadius, -h, k + 1);
        radial(top), radial(bottom), radial(topNext);
        radial(topNext), radial(bottom), radial(bottomNext);
    }
    for (unsigned k = 0; k < slices; ++k) {
        const Point top = at(innerRadius, h, k), topNext = at(innerRadius, h, k + 1);
        const Point bottom = at(innerRadius, -h, k), bottomNext = at(innerRadius, -h, k + 1);
        radial(top), radial(topNext), radial(bottom);
        radial(topNext), radial(bottomNext), radial(bottom);
    }
    for (unsigned k = 0; k < slices; ++k) {
        const Point inner = at(innerRadius, -h, k), innerNext = at(innerRadius, -h, k + 1);
        const Point outer = at(outerRadius, -h, k), outerNext = at(outerRadius, -h, k + 1);
        flat(inner, -1.0f), flat(innerNext, -1.0f), flat(outer, -1.0f);
        flat(innerNext, -1.0f), flat(outerNext, -1.0f), flat(outer, -1.0f);
    }
    mesh.sequentialIndices();
    return mesh.release();
}

MeshObject* PrimitiveFactory::createSeamedCylinder(unsigned slices, int stacks, float radius, float height)
{
    requireAtLeast(slices, 1, "createSeamedCylinder: slices < 1");
    requireAtLeast(stacks, 1, "createSeamedCylinder: stacks < 1");
    const std::uint64_t a = slices, n = static_cast<std::uint64_t>(stacks);
    MeshArrays mesh((a + 1) * (n + 1) + 4 * a + 2, 2 * a * (n + 1), Normals | Indices);
    const RingTable ring(slices, aroundYStep(slices), true);
    const float h = height / 2.0f;
    const float d = height / static_cast<float>(stacks);

    for (unsigned k = 0; k < slices; ++k) {
        mesh.position(0.0f, h, 0.0f);
        mesh.normal(0.0f, 1.0f, 0.0f);
    }
    for (unsigned k = 0; k <= slices; ++k) {
        mesh.position(radius * ring.cosines[k], h, radius * ring.sines[k]);
        mesh.normal(0.0f, 1.0f, 0.0f);
    }
    float y = h;
    for (std::uint64_t j = 0; j <= n; ++j, y -= d) {
        for (unsigned k = 0; k <= slices; ++k) {
            mesh.position(radius * ring.cosines[k], y, radius * ring.sines[k]);
            mesh.normal(ring.cosines[k], 0.0f, ring.sines[k]);
        }
    }
    for (unsigned k = 0; k <= slices; ++k) {
        mesh.position(radius * ring.cosines[k], -h, radius * ring.sines[k]);
        mesh.normal(0.0f, -1.0f, 0.0f);
    }
    for (unsigned k = 0; k < slices; ++k) {
        mesh.position(0.0f, -h, 0.0f);
        mesh.normal(0.0f, -1.0f, 0.0f);
    }

    const std::uint64_t firstSideRing = 2 * a + 1;
    const auto sideRing = [&](std::uint64_t j) { return static_cast<std::uint32_t>(firstSideRing + j * (a + 1)); };
    mesh.fan(0, static_cast<std::uint32_t>(a), slices, false, false);
    for (std::uint64_t j = 0; j < n; ++j) {
        mesh.band(sideRing(j), sideRing(j + 1), slices, false);
    }
    const std::uint32_t bottomRing = sideRing(n + 1);
    mesh.fan(bottomRing + slices + 1, bottomRing, slices, false, true);
    return mesh.release();
}

MeshObject* PrimitiveFactory::createUnitSphere(unsigned slices, unsigned stacks)
{
    requireAtLeast(slices, 1, "createUnitSphere: slices < 1");
    requireAtLeast(stacks, 2, "createUnitSphere: stacks < 2");
    const std::uint64_t a = slices, n = stacks;
    MeshArrays mesh((a + 1) * (n - 1) + 2 * a, 2 * a * (n - 1), Normals | Indices);
    const PolarTable polar(stacks);
    const RingTable ring(slices, aroundYStep(slices), true);
    const auto point = [&](unsigned i, unsigned j) {
        mesh.radialVertex(polar.sines[i] * ring.cosines[j], polar.cosines[i], polar.sines[i] * ring.sines[j]);
    };
    for (unsigned j = 0; j < slices; ++j) {
        point(0, j);
    }
    for (unsigned i = 1; i < stacks; ++i) {
        for (unsigned j = 0; j <= slices; ++j) {
            point(i, j);
        }
    }
    for (unsigned j = 0; j < slices; ++j) {
        point(stacks, j);
    }

    const auto ringStart = [&](std::uint64_t i) { return static_cast<std::uint32_t>(a + (i - 1) * (a + 1)); };
    mesh.fan(0, ringStart(1), slices, false, false);
    for (unsigned i = 1; i + 1 < stacks; ++i) {
        mesh.band(ringStart(i), ringStart(i + 1), slices, false);
    }
    const std::uint32_t lastRing = ringStart(n - 1);
    const std::uint32_t southPole = ringStart(n);
    for (unsigned j = 0; j < slices; ++j) {
        mesh.triangle(lastRing + j, southPole + j, lastRing + j + 1);
    }
    return mesh.release();
}

MeshObject* PrimitiveFactory::createColoredSphere(unsigned stacks, unsigned slices)
{
    requireAtLeast(slices, 1, "createColoredSphere: slices < 1");
    requireAtLeast(stacks, 2, "createColoredSphere: stacks < 2");
    const std::uint64_t a = slices, n = stacks;
    MeshArrays mesh(a * (n + 1), 2 * a * (n - 1), Normals | Colors | Indices);
    const PolarTable polar(stacks);
    const RingTable ring(slices, aroundYStep(slices), false);
    for (unsigned i = 0; i <= stacks; ++i) {
        for (unsigned j = 0; j < slices; ++j) {
            mesh.radialVertex(polar.sines[i] * ring.cosines[j], polar.cosines[i], polar.sines[i] * ring.sines[j]);
        }
    }

    const auto ringStart = [&](std::uint64_t i) { return static_cast<std::uint32_t>(a * i); };
    mesh.fan(0, ringStart(1), slices, true, false);
    for (unsigned i = 1; i + 1 < stacks; ++i) {
        mesh.band(ringStart(i), ringStart(i + 1), slices, true);
    }
    const std::uint32_t lastRing = ringStart(n - 1);
    const std::uint32_t southPole = ringStart(n);
    for (unsigned j = 0; j < slices; ++j) {
        const unsigned next = (j + 1) % slices;
        mesh.triangle(lastRing + j, southPole + j, lastRing + next);
    }
    return mesh.release();
}

MeshObject* PrimitiveFactory::createPlane(unsigned columns, unsigned rows, float width, float height)
{
    requireAtLeast(columns, 1, "createPlane: columns < 1");
    requireAtLeast(rows, 1, "createPlane: rows < 1");
    const std::uint64_t c = columns, r = rows;
    MeshArrays mesh((c + 1) * (r + 1), 2 * c * r, Normals | TexCoords | Colors | Indices);
    const float columnWidth = width / static_cast<float>(columns);
    const float rowHeight = height / static_cast<float>(rows);
    float y = 0.0f;
    for (unsigned row = 0; row <= rows; ++row, y += rowHeight) {
        float x = 0.0f;
        for (unsigned column = 0; column <= columns; ++column, x += columnWidth) {
            mesh.position(x, y, 0.0f);
            mesh.normal(0.0f, 0.0f, 1.0f);
            mesh.texCoord(static_cast<float>(column) / static_cast<float>(columns),
                          1.0f - static_cast<float>(row) / static_cast<float>(rows));
        }
    }
    const auto v = [&](std::uint64_t row, std::uint64_t column) {
        return static_cast<std::uint32_t>(row * (c + 1) + column);
    };
    for (unsigned row = 0; row < rows; ++row) {
        for (unsigned column = 0; column < columns; ++column) {
            mesh.triangle(v(row, column), v(row, column + 1), v(row + 1, column));
            mesh.triangle(v(row + 1, column), v(row, column + 1), v(row + 1, column + 1));
        }
    }
    return mesh.release();
}

MeshObject* PrimitiveFactory::createTiledPlane(unsigned rows, unsigned columns, float width, float height)
{
    requireAtLeast(columns, 1, "createTiledPlane: columns < 1");
    requireAtLeast(rows, 1, "createTiledPlane: rows < 1");
    const std::uint64_t cells = std::uint64_t{rows} * columns;
    MeshArrays mesh(6 * cells, 2 * cells, Normals | TexCoords | Colors | Indices);
    const float cellWidth = width / static_cast<float>(columns);
    const float cellHeight = height / static_cast<float>(rows);
    const auto vertex = [&](float x, float y) {
        mesh.position(x, y, 0.0f);
        mesh.normal(0.0f, 0.0f, 1.0f);
        mesh.texCoord(x / width, 1.0f - y / height);
    };
    float y0 = 0.0f;
    for (unsigned row = 0; row < rows; ++row, y0 += cellHeight) {
        const float y1 = y0 + cellHeight;
        float x0 = 0.0f;
        for (unsigned column = 0; column < columns; ++column, x0 += cellWidth) {
            const float x1 = x0 + cellWidth;
            vertex(x0, y0), vertex(x0, y1), vertex(x1, y0);
            vertex(x1, y0), vertex(x0, y1), vertex(x1, y1);
        }
    }
    mesh.sequentialIndices();
    return mesh.release();
}
