#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// The generators only fill client arrays, so none of these tests needs a GL context.
namespace {

constexpr double kPi = 3.14159265358979323846;

using Mesh = std::unique_ptr<MeshObject>;
using Make = std::function<MeshObject*()>;
using Indices = std::vector<std::uint32_t>;

struct V {
    double x, y, z;
};
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator*(V a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V a) { return std::sqrt(dot(a, a)); }
std::ostream& operator<<(std::ostream& os, V v) { return os << '(' << v.x << ", " << v.y << ", " << v.z << ')'; }

V at(const float* array, std::size_t i) { return {array[3 * i], array[3 * i + 1], array[3 * i + 2]}; }
V position(MeshObject& m, std::size_t i) { return at(m.getVertices(), i); }
V normal(MeshObject& m, std::size_t i) { return at(m.getNormals(), i); }

// Grid and ring coordinates are accumulated in float, so allow 1e-5 of the larger of `scale` and the values.
bool close(double a, double b, double scale = 1.0)
{
    return std::fabs(a - b) <= 1e-5 * std::max({scale, std::fabs(a), std::fabs(b)});
}
::testing::AssertionResult closeTo(V actual, V expected, double scale = 1.0)
{
    if (close(actual.x, expected.x, scale) && close(actual.y, expected.y, scale) && close(actual.z, expected.z, scale))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}

// Angles around y run the negative way: k = 1 lies towards -z.
V ringPoint(double radius, double y, unsigned k, unsigned slices)
{
    const double theta = -2.0 * kPi * k / slices;
    return {radius * std::cos(theta), y, radius * std::sin(theta)};
}
V spherePoint(unsigned i, unsigned stacks, unsigned j, unsigned slices)
{
    const double phi = kPi * i / stacks;
    return ringPoint(std::sin(phi), std::cos(phi), j, slices);
}

using NormalOf = std::function<V(V, unsigned)>;
const NormalOf up = [](V, unsigned) { return V{0, 1, 0}; };
const NormalOf down = [](V, unsigned) { return V{0, -1, 0}; };
const NormalOf same = [](V p, unsigned) { return p; };

// Expected positions and normals, vertex by vertex.
struct Layout {
    std::vector<V> positions, normals;
    void add(V p, V n)
    {
        positions.push_back(p);
        normals.push_back(n);
    }
    void ring(double radius, double y, unsigned count, unsigned slices, const NormalOf& normalOf)
    {
        for (unsigned k = 0; k < count; ++k) {
            const V p = ringPoint(radius, y, k, slices);
            add(p, normalOf(p, k));
        }
    }
};

void expectLayout(MeshObject& m, const Layout& expected, double scale = 1.0, bool checkPositions = true)
{
    ASSERT_EQ(static_cast<std::size_t>(m.getVertexCount()), expected.positions.size());
    ASSERT_NE(m.getNormals(), nullptr);
    for (std::size_t i = 0; i < expected.positions.size(); ++i) {
        if (checkPositions) {
            ASSERT_TRUE(closeTo(position(m, i), expected.positions[i], scale)) << "vertex " << i;
        }
        ASSERT_TRUE(closeTo(normal(m, i), expected.normals[i])) << "normal " << i;
    }
}

// Expected triangle lists, assembled from fans and bands.
struct TriangleList {
    Indices v;
    void add(std::uint32_t a, std::uint32_t b, std::uint32_t c) { v.insert(v.end(), {a, b, c}); }
    // Quads between ring `upper` and the ring `lower` below it; `wrap` closes on the first point,
    // otherwise the rings carry a seam copy.
    void band(std::uint32_t upper, std::uint32_t lower, unsigned slices, bool wrap)
    {
        for (unsigned k = 0; k < slices; ++k) {
            const std::uint32_t next = wrap ? (k + 1) % slices : k + 1;
            add(upper + k, lower + k, upper + next);
            add(upper + next, lower + k, lower + next);
        }
    }
};

void expectIndices(MeshObject& m, const Indices& expected)
{
    ASSERT_EQ(std::size_t{m.getPolygonCount()} * 3, expected.size());
    const std::uint32_t* idx = m.getIndices();
    ASSERT_NE(idx, nullptr);
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(idx[i], expected[i]) << "triangle " << i / 3 << ", corner " << i % 3;
}

struct Face {
    std::size_t index;
    const std::uint32_t* corners;
    V normal;  // from the winding, not normalised
    V centroid;
};

// Expects `ok` of every triangle in [first, end) that has an area. Triangles with coincident or collinear
// corners have no orientation; exactly `degenerate` of them are allowed.
void expectFaces(MeshObject& m, std::size_t first, std::size_t end, const std::function<bool(const Face&)>& ok,
                 std::size_t degenerate = 0)
{
    std::size_t checked = 0, flat = 0, wrong = 0, firstWrong = 0;
    for (std::size_t t = first; t < end; ++t) {
        const std::uint32_t* c = m.getIndices() + 3 * t;
        const V a = position(m, c[0]), b = position(m, c[1]), d = position(m, c[2]);
        const V n = cross(b - a, d - a);
        const double edge = std::max({length(b - a), length(d - a), length(d - b)});
        if (length(n) <= 1e-6 * edge * edge) {
            ++flat;
            continue;
        }
        ++checked;
        const V centroid{(a.x + b.x + d.x) / 3, (a.y + b.y + d.y) / 3, (a.z + b.z + d.z) / 3};
        if (!ok(Face{t, c, n, centroid}) && wrong++ == 0)
            firstWrong = t;
    }
    EXPECT_EQ(wrong, 0u) << "first wrong triangle " << firstWrong;
    EXPECT_EQ(flat, degenerate);
    EXPECT_GT(checked, 0u);
}

enum Arrays : unsigned { N = 1, T = 2, C = 4, Own = 8 };  // Own: three own vertices per triangle, indexed in order
// Closed bodies hold the origin; which of their vertex normals must agree with the faces.
enum class Body { Open, Outward, ConeBase, NormalsUnchecked };

struct SceneMesh {
    const char* name;
    Make make;
    long long vertices;
    unsigned triangles;
    unsigned arrays;
    Body body = Body::Open;
    std::size_t degenerate = 0;  // createCylinder's first band joins two rings at the same height
};

// Every generator call the scenes make.
std::vector<SceneMesh> sceneMeshes()
{
    using F = PrimitiveFactory;
    using B = Body;
    return {
        {"PointCube", [] { return F::createPointCube(1.0f); }, 3456, 0, 0},
        {"Cylinder_72x45", [] { return F::createCylinder(72, 45, 1.0f, 2.0f); }, 72 * 48, 2 * 72 * 45, N, B::Outward,
         144},
        {"Cylinder_30x15000", [] { return F::createCylinder(30, 15000, 0.1f, 1800.0f); }, 450090, 900000, N,
         B::Outward, 60},
        {"Cone", [] { return F::createCone(1.0f, 2.0f); }, 3456, 6624, N, B::ConeBase},
        {"SimpleCone", [] { return F::createSimpleCone(1.035f, 2.025f); }, 300, 100, N | Own, B::NormalsUnchecked},
        {"TexturedSphere_40x40", [] { return F::createTexturedSphere(40, 40); }, 9360, 3120, N | C | Own, B::Outward},
        {"TexturedSphere_4x6", [] { return F::createTexturedSphere(4, 6); }, 108, 36, N | C | Own, B::Outward},
        {"Tube_40", [] { return F::createTube(40, 5.0f, 4.0f, 2.0f); }, 960, 320, N | Own},
        {"Tube_50", [] { return F::createTube(50, 5.625f, 4.925f, 2.25f); }, 1200, 400, N | Own},
        {"SeamedCylinder_15x1", [] { return F::createSeamedCylinder(15, 1, 0.3f, 1.0f); }, 94, 60, N, B::Outward},
        {"SeamedCylinder_160x15000", [] { return F::createSeamedCylinder(160, 15000, 1.0f, 1800.0f); }, 2415803,
         4800320, N, B::Outward},
        {"UnitSphere_20x20", [] { return F::createUnitSphere(20, 20); }, 439, 760, N, B::Outward},
        {"UnitSphere_8x8", [] { return F::createUnitSphere(8, 8); }, 79, 112, N, B::Outward},
        {"ColoredSphere_47x72", [] { return F::createColoredSphere(47, 72); }, 3456, 6624, N | C, B::Outward},
        {"ColoredSphere_180x180", [] { return F::createColoredSphere(180, 180); }, 32580, 64440, N | C, B::Outward},
        {"ColoredSphere_150x150", [] { return F::createColoredSphere(150, 150); }, 22650, 44700, N | C, B::Outward},
        {"Plane_loader", [] { return F::createPlane(1, 1, 1.0f, 0.5f); }, 4, 2, N | T | C},
        {"Plane_ending", [] { return F::createPlane(1, 1, 2.0f, 2.0f); }, 4, 2, N | T | C},
        {"Plane_floor", [] { return F::createPlane(1, 1, 5.0f, 5.0f); }, 4, 2, N | T | C},
        {"Plane_10x10", [] { return F::createPlane(10, 10, 25.0f, 25.0f); }, 121, 200, N | T | C},
        {"Plane_2x2_wide", [] { return F::createPlane(2, 2, 4.0f, 3.0f); }, 9, 8, N | T | C},
        {"Plane_2x2_tall", [] { return F::createPlane(2, 2, 1.5f, 6.0f); }, 9, 8, N | T | C},
        {"TiledPlane_2x2", [] { return F::createTiledPlane(2, 2, 8.0f, 1.0f); }, 24, 8, N | T | C | Own},
        {"TiledPlane_250x1", [] { return F::createTiledPlane(250, 1, 80.0f, 20.6f); }, 1500, 500, N | T | C | Own},
        {"TiledPlane_160x40", [] { return F::createTiledPlane(160, 40, 80.0f, 20.6f); }, 38400, 12800, N | T | C | Own},
    };
}

TEST(PrimitiveFactoryTest, SceneMeshesHaveTheirCountsArraysAndIndices)
{
    for (const SceneMesh& c : sceneMeshes()) {
        SCOPED_TRACE(c.name);
        Mesh m(c.make());
        ASSERT_NE(m->getVertices(), nullptr);
        const int n = m->getVertexCount();
        ASSERT_EQ(n, c.vertices);
        EXPECT_EQ(m->getPolygonCount(), c.triangles);
        EXPECT_EQ(m->getNormals() != nullptr, (c.arrays & N) != 0);
        EXPECT_EQ(m->getNormalCount(), c.arrays & N ? n : 0);
        EXPECT_EQ(m->getTexCoords() != nullptr, (c.arrays & T) != 0);
        EXPECT_EQ(m->getTexCoordCount(), c.arrays & T ? n : 0);
        EXPECT_EQ(m->getColors() != nullptr, (c.arrays & C) != 0);
        EXPECT_EQ(m->getColorCount(), c.arrays & C ? n : 0);
        EXPECT_EQ(m->getRenderMode(), RenderMode::ClientArrays);
        EXPECT_EQ(m->getTexture(), 0u);
        if (const float* col = m->getColors()) {
            EXPECT_TRUE(std::all_of(col, col + 4 * std::size_t(n), [](float v) { return v == 1.0f; }));
        }
        if (c.triangles == 0) {
            EXPECT_EQ(m->getIndices(), nullptr);
            continue;
        }
        ASSERT_NE(m->getIndices(), nullptr);
        const std::uint32_t* idx = m->getIndices();
        std::vector<bool> used(static_cast<std::size_t>(n), false);
        std::size_t outOfRange = 0, outOfOrder = 0;
        for (std::size_t i = 0; i < 3 * std::size_t{c.triangles}; ++i) {
            if (idx[i] >= static_cast<std::uint32_t>(n)) {
                ++outOfRange;
                continue;
            }
            used[idx[i]] = true;
            outOfOrder += (c.arrays & Own) && idx[i] != i;
        }
        EXPECT_EQ(outOfRange, 0u);
        EXPECT_EQ(outOfOrder, 0u);
        // Every generator joins all of its vertices into triangles: an unused one means a misplaced index.
        EXPECT_EQ(std::count(used.begin(), used.end(), false), 0);
    }
}

TEST(PrimitiveFactoryTest, ClosedBodiesWindCounterClockwiseFromOutside)
{
    const std::uint32_t coneRingVertices = 47 * 72;
    for (const SceneMesh& c : sceneMeshes()) {
        if (c.body == Body::Open)
            continue;
        SCOPED_TRACE(c.name);
        Mesh m(c.make());
        const std::size_t count = m->getPolygonCount();
        // The origin is inside, so an outward face points away from it.
        expectFaces(*m, 0, count, [&](const Face& f) {
            if (dot(f.normal, f.centroid) <= 0)
                return false;
            if (c.body == Body::NormalsUnchecked)
                return true;
            const bool coneBase = c.body == Body::ConeBase && f.index + 72 >= count;
            for (int i = 0; i < 3; ++i) {
                // The base cap borrows the base edge, whose normals belong to the slanted side.
                if (coneBase && f.corners[i] < coneRingVertices)
                    continue;
                if (dot(f.normal, normal(*m, f.corners[i])) <= 0)
                    return false;
            }
            return true;
        }, c.degenerate);
    }
}

TEST(PrimitiveFactoryTest, TubeFacesPointAwayFromTheMaterial)
{
    struct TubeCase {
        unsigned slices;
        float outer, inner, height;
    };
    for (const TubeCase& c : {TubeCase{40, 5.0f, 4.0f, 2.0f}, {50, 5.625f, 4.925f, 2.25f}, {4, 2.0f, 1.0f, 2.0f}}) {
        SCOPED_TRACE(c.slices);
        Mesh m(PrimitiveFactory::createTube(c.slices, c.outer, c.inner, c.height));
        const unsigned a = c.slices;
        const double h = c.height / 2.0;
        const auto o = [&](double y, unsigned k) { return ringPoint(c.outer, y, k, a); };
        const auto i = [&](double y, unsigned k) { return ringPoint(c.inner, y, k, a); };
        Layout l;
        const auto flat = [&](std::initializer_list<V> ps, V n) { for (V p : ps) l.add(p, n); };
        const auto wall = [&](std::initializer_list<V> ps) { for (V p : ps) l.add(p, p); };
        for (unsigned k = 0; k < a; ++k)
            flat({i(h, k), o(h, k), i(h, k + 1), i(h, k + 1), o(h, k), o(h, k + 1)}, {0, 1, 0});
        for (unsigned k = 0; k < a; ++k)
            wall({o(h, k), o(-h, k), o(h, k + 1), o(h, k + 1), o(-h, k), o(-h, k + 1)});
        for (unsigned k = 0; k < a; ++k)
            wall({i(h, k), i(h, k + 1), i(-h, k), i(h, k + 1), i(-h, k + 1), i(-h, k)});
        for (unsigned k = 0; k < a; ++k)
            flat({i(-h, k), i(-h, k + 1), o(-h, k), i(-h, k + 1), o(-h, k + 1), o(-h, k)}, {0, -1, 0});
        expectLayout(*m, l, c.outer);

        // Inner wall normals point away from the axis like the outer ones, so judge its faces by geometry.
        const std::size_t s = 2 * a;
        const auto radial = [](const Face& f) { return dot(f.normal, V{f.centroid.x, 0, f.centroid.z}); };
        expectFaces(*m, 0, s, [](const Face& f) { return f.normal.y > 0; });
        expectFaces(*m, s, 2 * s, [&](const Face& f) { return radial(f) > 0; });
        expectFaces(*m, 2 * s, 3 * s, [&](const Face& f) { return radial(f) < 0; });
        expectFaces(*m, 3 * s, 4 * s, [](const Face& f) { return f.normal.y < 0; });
    }
    Mesh m(PrimitiveFactory::createTube(4, 2.0f, 1.0f, 2.0f));
    EXPECT_TRUE(closeTo(position(*m, 0), {1, 1, 0}));
    EXPECT_TRUE(closeTo(position(*m, 1), {2, 1, 0}));
    EXPECT_TRUE(closeTo(position(*m, 2), {0, 1, -1}));
}

TEST(PrimitiveFactoryTest, PlanesCoverTheirRectangleWithTheDocumentedWinding)
{
    struct PlaneCase {
        unsigned columns, rows;
        float width, height;
        bool tiled;
    };
    const PlaneCase cases[] = {{1, 1, 1.0f, 0.5f, false}, {1, 1, 2.0f, 2.0f, false}, {1, 1, 5.0f, 5.0f, false},
                               {10, 10, 25.0f, 25.0f, false}, {2, 2, 4.0f, 3.0f, false}, {3, 2, 1.0f, 2.0f, true},
                               {2, 2, 8.0f, 1.0f, true}, {1, 250, 80.0f, 20.6f, true}, {40, 160, 80.0f, 20.6f, true}};
    for (const PlaneCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.columns) + "x" + std::to_string(c.rows) + (c.tiled ? " tiled" : ""));
        Mesh m(c.tiled ? PrimitiveFactory::createTiledPlane(c.rows, c.columns, c.width, c.height)
                       : PrimitiveFactory::createPlane(c.columns, c.rows, c.width, c.height));
        const double dx = double(c.width) / c.columns, dy = double(c.height) / c.rows;
        Layout l;
        TriangleList t;
        for (unsigned r = 0; r < c.rows + (c.tiled ? 0 : 1); ++r)
            for (unsigned q = 0; q < c.columns + (c.tiled ? 0 : 1); ++q) {
                const double x0 = q * dx, y0 = r * dy, x1 = x0 + dx, y1 = y0 + dy;
                if (!c.tiled) {
                    l.add({x0, y0, 0}, {0, 0, 1});
                    const auto v = [&](unsigned rr, unsigned qq) { return rr * (c.columns + 1) + qq; };
                    if (r < c.rows && q < c.columns) {
                        t.add(v(r, q), v(r, q + 1), v(r + 1, q));
                        t.add(v(r + 1, q), v(r, q + 1), v(r + 1, q + 1));
                    }
                    continue;
                }
                for (V p : {V{x0, y0, 0}, V{x0, y1, 0}, V{x1, y0, 0}, V{x1, y0, 0}, V{x0, y1, 0}, V{x1, y1, 0}})
                    l.add(p, {0, 0, 1});
                const std::uint32_t first = 6 * (r * c.columns + q);
                t.add(first, first + 1, first + 2);
                t.add(first + 3, first + 4, first + 5);
            }
        expectLayout(*m, l, std::max(c.width, c.height));
        expectIndices(*m, t.v);
        ASSERT_NE(m->getTexCoords(), nullptr);
        for (std::size_t i = 0; i < l.positions.size(); ++i) {
            const V p = position(*m, i);
            const float* st = m->getTexCoords() + 2 * i;
            ASSERT_TRUE(close(st[0], p.x / c.width) && close(st[1], 1.0 - p.y / c.height))
                << "vertex " << i << " has (" << st[0] << ", " << st[1] << ")";
        }
        // Planes face +z counter-clockwise; tiles are clockwise seen from +z. No cell is missing or doubled.
        double area = 0;
        expectFaces(*m, 0, m->getPolygonCount(), [&](const Face& f) {
            area += length(f.normal) / 2;
            return c.tiled ? f.normal.z < 0 : f.normal.z > 0;
        });
        EXPECT_NEAR(area, double(c.width) * c.height, 1e-4 * c.width * c.height);
    }
    Mesh loader(PrimitiveFactory::createPlane(1, 1, 1.0f, 0.5f));
    const float corners[] = {0, 0, 0, 1, 0, 0, 0, 0.5f, 0, 1, 0.5f, 0};
    const float texCoords[] = {0, 1, 1, 1, 0, 0, 1, 0};
    EXPECT_TRUE(std::equal(corners, corners + 12, loader->getVertices()));
    EXPECT_TRUE(std::equal(texCoords, texCoords + 8, loader->getTexCoords()));
    expectIndices(*loader, {0, 1, 2, 2, 1, 3});
    Mesh tiles(PrimitiveFactory::createTiledPlane(2, 3, 1.0f, 2.0f));
    EXPECT_EQ(tiles->getVertexCount(), 36);
    EXPECT_EQ(tiles->getPolygonCount(), 12u);
    const V firstCell[] = {{0, 0, 0}, {0, 1, 0}, {1 / 3.0, 0, 0}, {1 / 3.0, 0, 0}, {0, 1, 0}, {1 / 3.0, 1, 0}};
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(closeTo(position(*tiles, i), firstCell[i])) << "vertex " << i;
}

void expectCylinder(unsigned a, unsigned n, float radius, float height, bool checkPositions)
{
    Mesh m(PrimitiveFactory::createCylinder(a, n, radius, height));
    const double h = height / 2.0, d = double(height) / n;
    const NormalOf radial = [&](V, unsigned k) { return ringPoint(radius, 0, k, a); };
    Layout l;
    l.ring(0, h, a, a, up);
    l.ring(radius, h, a, a, up);
    for (unsigned j = 0; j + 1 < n; ++j)
        l.ring(radius, h - j * d, a, a, radial);
    l.ring(radius, -h, a, a, down);
    l.ring(0, -h, a, a, down);
    expectLayout(*m, l, height, checkPositions);
    TriangleList t;
    for (unsigned k = 0; k < a; ++k)
        t.add(k, a + k, a + (k + 1) % a);
    for (unsigned j = 0; j + 1 < n; ++j)
        t.band(a + j * a, a + (j + 1) * a, a, true);
    // The bottom fan mirrors the top one so that it faces down.
    const std::uint32_t ring = a * (n + 1), centre = a * (n + 2);
    for (unsigned k = 0; k < a; ++k)
        t.add(centre + k, ring + (k + 1) % a, ring + k);
    expectIndices(*m, t.v);
}

TEST(PrimitiveFactoryTest, CylinderRingsCapsAndBandsFollowTheLayout)
{
    expectCylinder(4, 3, 1.0f, 2.0f, true);
    expectCylinder(72, 45, 1.0f, 2.0f, true);
    // Thousands of accumulated height steps drift too far for a position check; the side normals
    // still carry the radius.
    expectCylinder(30, 15000, 0.1f, 1800.0f, false);

    Mesh m(PrimitiveFactory::createCylinder(4, 3, 1.0f, 2.0f));
    EXPECT_EQ(m->getVertexCount(), 24);
    EXPECT_EQ(m->getPolygonCount(), 24u);
    EXPECT_FLOAT_EQ(m->getVertices()[3 * 8 + 1], 1.0f);
    EXPECT_NEAR(m->getVertices()[3 * 12 + 1], 1 / 3.0, 1e-6);
    EXPECT_LT(position(*m, 5).z, -0.5);
}

void expectSeamedCylinder(unsigned a, int n, float radius, float height, bool checkPositions)
{
    Mesh m(PrimitiveFactory::createSeamedCylinder(a, n, radius, height));
    const double h = height / 2.0, d = double(height) / n;
    const unsigned seam = a + 1;
    Layout l;
    l.ring(0, h, a, a, up);
    l.ring(radius, h, seam, a, up);
    for (int j = 0; j <= n; ++j)
        l.ring(radius, h - j * d, seam, a, [&](V, unsigned k) { return ringPoint(1, 0, k, a); });
    l.ring(radius, -h, seam, a, down);
    l.ring(0, -h, a, a, down);
    expectLayout(*m, l, height, checkPositions);
    TriangleList t;
    for (unsigned k = 0; k < a; ++k)
        t.add(k, a + k, a + k + 1);
    const std::uint32_t side = 2 * a + 1;
    for (int j = 0; j < n; ++j)
        t.band(side + j * seam, side + (j + 1) * seam, a, false);
    const std::uint32_t bottom = side + (n + 1) * seam, centre = bottom + seam;
    for (unsigned k = 0; k < a; ++k)
        t.add(centre + k, bottom + k + 1, bottom + k);
    expectIndices(*m, t.v);
    // The seam copy closes the ring exactly where it began.
    EXPECT_TRUE(closeTo(position(*m, side + a), position(*m, side)));
    EXPECT_LT(position(*m, side + 1).z, 0);
}

TEST(PrimitiveFactoryTest, SeamedCylinderRingsCarryASeamCopy)
{
    expectSeamedCylinder(15, 1, 0.3f, 1.0f, true);
    expectSeamedCylinder(160, 15000, 1.0f, 1800.0f, false);
}

TEST(PrimitiveFactoryTest, ConeNarrowsToTheApexWithUnitSlantNormals)
{
    for (const auto& size : {std::pair{1.0f, 2.0f}, std::pair{2.0f, 1.0f}}) {
        const float radius = size.first, height = size.second;
        SCOPED_TRACE(radius);
        Mesh m(PrimitiveFactory::createCone(radius, height));
        const unsigned a = 72;
        const double h = height / 2.0;
        // Perpendicular to the slant (R cos θ, -H, R sin θ), unit length.
        const NormalOf slant = [&](V, unsigned k) {
            V n = ringPoint(height, 0, k, a);
            n.y = radius;
            return n * (1 / length(n));
        };
        Layout l;
        for (unsigned r = 0; r <= 46; ++r)
            l.ring(r * (radius / 46.0), h - r * (height / 46.0), a, a, slant);
        l.ring(0, -h, a, a, down);
        expectLayout(*m, l, std::max(radius, height));
        TriangleList t;
        for (unsigned k = 0; k < a; ++k)
            t.add(k, a + k, a + (k + 1) % a);
        for (unsigned r = 1; r < 46; ++r)
            t.band(r * a, (r + 1) * a, a, true);
        const std::uint32_t edge = 46 * a, centre = 47 * a;
        for (unsigned k = 0; k < a; ++k)
            t.add(centre + k, edge + (k + 1) % a, edge + k);
        expectIndices(*m, t.v);
    }
}

TEST(PrimitiveFactoryTest, SimpleConeAndTexturedSphereTrianglesOwnTheirCorners)
{
    const double radius = 1.035, h = 2.025 / 2;
    Mesh cone(PrimitiveFactory::createSimpleCone(1.035f, 2.025f));
    Layout l;
    const auto base = [&](unsigned k) { return ringPoint(radius, -h, k, 50); };
    for (unsigned k = 0; k < 50; ++k)
        for (V p : {V{0, h, 0}, base(k), base(k + 1)})
            l.add(p, p);
    for (unsigned k = 0; k < 50; ++k)
        for (V p : {base(k), V{0, -h, 0}, base(k + 1)})
            l.add(p, p);
    expectLayout(*cone, l);

    for (const auto& size : {std::pair{4u, 6u}, std::pair{40u, 40u}}) {
        const unsigned stacks = size.first, slices = size.second;
        SCOPED_TRACE(stacks);
        Mesh m(PrimitiveFactory::createTexturedSphere(int(stacks), slices));
        const auto p = [&](unsigned i, unsigned j) { return spherePoint(i, stacks, j, slices); };
        Layout s;
        const auto tri = [&](V a, V b, V c) { for (V v : {a, b, c}) s.add(v, v); };
        for (unsigned j = 0; j < slices; ++j)
            tri(p(0, j), p(1, j), p(1, j + 1));
        for (unsigned i = 1; i + 1 < stacks; ++i)
            for (unsigned j = 0; j < slices; ++j) {
                tri(p(i, j), p(i + 1, j), p(i, j + 1));
                tri(p(i, j + 1), p(i + 1, j), p(i + 1, j + 1));
            }
        for (unsigned j = 0; j < slices; ++j)
            tri(p(stacks - 1, j), p(stacks, j), p(stacks - 1, j + 1));
        expectLayout(*m, s);
    }
}

TEST(PrimitiveFactoryTest, SpheresPlacePolesRingsAndBandsInOrder)
{
    for (const auto& size : {std::pair{4u, 3u}, std::pair{20u, 20u}, std::pair{8u, 8u}}) {
        const unsigned slices = size.first, stacks = size.second;
        SCOPED_TRACE("unitSphere " + std::to_string(slices) + "x" + std::to_string(stacks));
        Mesh m(PrimitiveFactory::createUnitSphere(slices, stacks));
        Layout l;
        l.ring(0, 1, slices, slices, same);
        for (unsigned i = 1; i < stacks; ++i)
            l.ring(std::sin(kPi * i / stacks), std::cos(kPi * i / stacks), slices + 1, slices, same);
        l.ring(0, -1, slices, slices, same);
        expectLayout(*m, l);
        const auto ringStart = [&](unsigned i) { return slices + (i - 1) * (slices + 1); };
        TriangleList t;
        for (unsigned j = 0; j < slices; ++j)
            t.add(j, slices + j, slices + j + 1);
        for (unsigned i = 1; i + 1 < stacks; ++i)
            t.band(ringStart(i), ringStart(i + 1), slices, false);
        for (unsigned j = 0; j < slices; ++j)
            t.add(ringStart(stacks - 1) + j, ringStart(stacks) + j, ringStart(stacks - 1) + j + 1);
        expectIndices(*m, t.v);
    }
    Mesh small(PrimitiveFactory::createUnitSphere(4, 3));
    EXPECT_EQ(small->getVertexCount(), 18);
    ASSERT_EQ(small->getPolygonCount(), 16u);
    EXPECT_EQ(Indices(small->getIndices(), small->getIndices() + 3), (Indices{0, 4, 5}));
    EXPECT_TRUE(closeTo(position(*small, 4), {0.8660254, 0.5, 0}));
    EXPECT_TRUE(closeTo(position(*small, 9), {0.8660254, -0.5, 0}));
    EXPECT_TRUE(closeTo(position(*small, 8), position(*small, 4)));

    for (const auto& size : {std::pair{3u, 4u}, std::pair{47u, 72u}}) {
        const unsigned stacks = size.first, slices = size.second;
        SCOPED_TRACE("coloredSphere " + std::to_string(stacks) + "x" + std::to_string(slices));
        Mesh m(PrimitiveFactory::createColoredSphere(stacks, slices));
        Layout l;
        for (unsigned i = 0; i <= stacks; ++i)
            l.ring(std::sin(kPi * i / stacks), std::cos(kPi * i / stacks), slices, slices, same);
        expectLayout(*m, l);
        TriangleList t;
        for (unsigned j = 0; j < slices; ++j)
            t.add(j, slices + j, slices + (j + 1) % slices);
        for (unsigned i = 1; i + 1 < stacks; ++i)
            t.band(i * slices, (i + 1) * slices, slices, true);
        const std::uint32_t last = (stacks - 1) * slices, south = stacks * slices;
        for (unsigned j = 0; j < slices; ++j)
            t.add(last + j, south + j, last + (j + 1) % slices);
        expectIndices(*m, t.v);
    }
    Mesh colored(PrimitiveFactory::createColoredSphere(3, 4));
    ASSERT_EQ(colored->getPolygonCount(), 16u);
    EXPECT_EQ(Indices(colored->getIndices() + 9, colored->getIndices() + 12), (Indices{3, 7, 4}));
}

TEST(PrimitiveFactoryTest, PointCubeCoversEachFaceWithAGrid)
{
    for (float size : {1.0f, 3.0f}) {
        SCOPED_TRACE(size);
        Mesh m(PrimitiveFactory::createPointCube(size));
        const double h = size / 2.0, s = size / 23.0;
        std::vector<V> expected;
        for (int block = 0; block < 3; ++block)
            for (int e = 0; e < 24; ++e)
                for (int g = 0; g < 24; ++g) {
                    const double u = g * s - h, w = e * s - h;
                    const V pair[3][2] = {{{u, w, h}, {u, w, -h}}, {{-h, w, u}, {h, w, u}}, {{u, h, w}, {u, -h, w}}};
                    expected.push_back(pair[block][0]);
                    expected.push_back(pair[block][1]);
                }
        ASSERT_EQ(m->getVertexCount(), 3456);
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_TRUE(closeTo(position(*m, i), expected[i], size)) << "point " << i;
    }
    Mesh m(PrimitiveFactory::createPointCube(1.0f));
    EXPECT_TRUE(closeTo(position(*m, 0), {-0.5, -0.5, 0.5}));
    EXPECT_TRUE(closeTo(position(*m, 1), {-0.5, -0.5, -0.5}));
    EXPECT_TRUE(closeTo(position(*m, 1152), {-0.5, -0.5, -0.5}));
    EXPECT_TRUE(closeTo(position(*m, 2304), {-0.5, 0.5, -0.5}));
}

TEST(PrimitiveFactoryTest, OversizedMeshesThrowBadAllocRatherThanShortBuffers)
{
    // Vertex counts past a signed 32-bit count; a 32-bit size computation would wrap to a small buffer.
    EXPECT_THROW(delete PrimitiveFactory::createCylinder(100000, 100000, 1.0f, 1.0f), std::bad_alloc);
    EXPECT_THROW(delete PrimitiveFactory::createPlane(70000, 70000, 1.0f, 1.0f), std::bad_alloc);
    EXPECT_THROW(delete PrimitiveFactory::createTiledPlane(20000, 20000, 1.0f, 1.0f), std::bad_alloc);
    EXPECT_THROW(delete PrimitiveFactory::createColoredSphere(70000, 70000), std::bad_alloc);
}

}  // namespace
