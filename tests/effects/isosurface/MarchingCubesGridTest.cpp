#include "effects/isosurface/MarchingCubesGrid.h"
#include "effects/isosurface/Metaball.h"
#include "effects/isosurface/SurfaceSink.h"
#include "support/HeadlessGL.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Vec = std::array<float, 3>;

// Every call the polygonizer makes, in order.
struct Call {
    enum Kind { Color, Normal, Vertex } kind;
    Vec value;
    bool operator==(const Call& other) const { return kind == other.kind && value == other.value; }
};

class RecordingSink : public SurfaceSink {
public:
    void color(float red, float green, float blue) override { calls.push_back({Call::Color, {red, green, blue}}); }
    void normal(const float* n) override { calls.push_back({Call::Normal, {n[0], n[1], n[2]}}); }
    void vertex(const float* p) override
    {
        calls.push_back({Call::Vertex, {p[0], p[1], p[2]}});
        vertices.push_back({p[0], p[1], p[2]});
        normals.push_back(lastNormal());
    }
    std::size_t triangles() const { return vertices.size() / 3; }

    std::vector<Call> calls;
    std::vector<Vec> vertices;
    std::vector<Vec> normals;

private:
    Vec lastNormal() const
    {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            if (it->kind == Call::Normal) {
                return it->value;
            }
        }
        return {0.0f, 0.0f, 0.0f};
    }
};

// A fresh grid costs tens of megabytes of first-touch memory, so the tests share one, rebuilt and
// cleared for each.
MarchingCubesGrid* builtGrid(int size)
{
    static const std::unique_ptr<MarchingCubesGrid> shared = std::make_unique<MarchingCubesGrid>();
    MarchingCubesGrid* grid = shared.get();
    for (GridPoint& p : grid->points) {
        p = GridPoint{};
    }
    grid->useNormals = true;
    grid->colorByDistance = false;
    grid->triangleCount = 0;
    grid->gridSize = size;
    grid->buildGrid();
    return grid;
}

Metaball ball(float strength, float x, float y, float z)
{
    Metaball b;
    b.strength = strength;
    b.position[0] = x;
    b.position[1] = y;
    b.position[2] = z;
    return b;
}

float length(const Vec& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// The triangle soup welded into a mesh: a vertex computed twice on a shared grid edge (once from each
// neighbouring cell) differs only by rounding.
struct Mesh {
    std::vector<Vec> points;
    std::vector<std::array<int, 3>> triangles;

    explicit Mesh(const std::vector<Vec>& soup)
    {
        for (std::size_t t = 0; t + 2 < soup.size(); t += 3) {
            triangles.push_back({weld(soup[t]), weld(soup[t + 1]), weld(soup[t + 2])});
        }
    }
    int weld(const Vec& p)
    {
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Vec& q = points[i];
            if (std::fabs(p[0] - q[0]) < 1e-5f && std::fabs(p[1] - q[1]) < 1e-5f && std::fabs(p[2] - q[2]) < 1e-5f) {
                return static_cast<int>(i);
            }
        }
        points.push_back(p);
        return static_cast<int>(points.size() - 1);
    }
    // How many triangles run along each directed edge.
    std::map<std::pair<int, int>, int> directedEdges() const
    {
        std::map<std::pair<int, int>, int> edges;
        for (const auto& t : triangles) {
            for (int e = 0; e < 3; ++e) {
                ++edges[{t[e], t[(e + 1) % 3]}];
            }
        }
        return edges;
    }
};

// Closed and consistently wound: each directed edge once, and its reverse once.
::testing::AssertionResult isClosedSurface(const Mesh& mesh)
{
    const auto edges = mesh.directedEdges();
    for (const auto& [edge, count] : edges) {
        const auto reverse = edges.find({edge.second, edge.first});
        if (count != 1 || reverse == edges.end() || reverse->second != 1) {
            return ::testing::AssertionFailure() << "edge " << edge.first << "-" << edge.second << " used " << count
                                                 << " times, reverse "
                                                 << (reverse == edges.end() ? 0 : reverse->second) << " times";
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(MarchingCubesGridTest, BuildGridLaysOutSamplesAndCornersWithFixedStrides)
{
    MarchingCubesGrid* grid = builtGrid(50);
    const GridPoint& first = grid->point(0, 0, 0);
    EXPECT_EQ(first.x, -1.0f);
    EXPECT_EQ(first.y, -1.0f);
    EXPECT_EQ(first.z, 1.0f);
    const GridPoint& last = grid->point(50, 50, 50);
    EXPECT_EQ(last.x, 1.0f);
    EXPECT_EQ(last.y, 1.0f);
    EXPECT_EQ(last.z, -1.0f);
    EXPECT_EQ(&grid->point(1, 2, 3), &grid->points[(1 * 81 + 2) * 81 + 3]);
    EXPECT_NEAR(grid->point(25, 10, 40).z, -0.6f, 1e-6f);

    const GridCell& cell = grid->cells[(3 * 80 + 4) * 80 + 5];
    EXPECT_EQ(&cell, &grid->cell(3, 4, 5));
    const int offsets[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(cell.corners[c], &grid->point(3 + offsets[c][0], 4 + offsets[c][1], 5 + offsets[c][2])) << c;
    }
}

TEST(MarchingCubesGridTest, BuildGridKeepsTheSizeWithinTheStorage)
{
    MarchingCubesGrid* grid = builtGrid(500);
    EXPECT_EQ(grid->gridSize, 80);
    EXPECT_EQ(grid->point(80, 80, 80).x, 1.0f);
    EXPECT_EQ(grid->cell(79, 79, 79).corners[6], &grid->point(80, 80, 80));

    grid->gridSize = 0;
    grid->buildGrid();
    EXPECT_EQ(grid->gridSize, 1);
    EXPECT_EQ(grid->point(1, 1, 1).z, -1.0f);
}

#if !defined(__SANITIZE_ADDRESS__)
namespace {
long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}
} // namespace

// The grid's capacity is about 50 MB; a new grid must start zeroed without touching it, and the show's
// 50-cell grid must touch only the part it uses.
TEST(MarchingCubesGridTest, OnlyTheBuiltPartOfTheStorageBecomesResident)
{
    const long before = residentKilobytes();
    if (before < 0) {
        GTEST_SKIP() << "no /proc/self/status here";
    }
    auto grid = std::make_unique<MarchingCubesGrid>();
    const long fresh = residentKilobytes();
    EXPECT_LT(fresh - before, 1024);
    EXPECT_EQ(grid->points[MarchingCubesGrid::kPointCapacity - 1].nz, 0.0f);
    EXPECT_EQ(grid->cells[MarchingCubesGrid::kCellCapacity - 1].corners[7], nullptr);
    grid->gridSize = 50;
    grid->buildGrid();
    Metaball ball;
    ball.strength = 0.3f;
    grid->evaluateField(&ball, 1);
    grid->computeNormals();
    grid->classifyCells();
    EXPECT_LT(residentKilobytes() - before, 25 * 1024);
    EXPECT_EQ(grid->point(0, 0, 0).nx, 0.0f); // an outer face keeps its zero normal
}
#endif

TEST(MarchingCubesGridTest, FieldSumsEveryBallInListOrderFromZero)
{
    // More balls than the field holds terms for at once.
    std::vector<Metaball> balls;
    for (int b = 0; b < 20; ++b) {
        balls.push_back(ball(0.05f + 0.01f * b, 0.09f * b - 0.9f, 0.5f - 0.05f * b, 0.03f * b - 0.3f));
    }
    MarchingCubesGrid* grid = builtGrid(12);
    grid->evaluateField(balls.data(), static_cast<int>(balls.size()));
    std::vector<float> all;
    for (int i = 0; i <= 12; ++i) {
        for (int j = 0; j <= 12; ++j) {
            for (int k = 0; k <= 12; ++k) {
                all.push_back(grid->point(i, j, k).value);
            }
        }
    }
    // One ball at a time: each frame starts from zero, and the sums agree to the last bit.
    std::vector<float> sum(all.size(), 0.0f);
    for (const Metaball& b : balls) {
        grid->evaluateField(&b, 1);
        for (std::size_t n = 0; n < sum.size(); ++n) {
            const int i = static_cast<int>(n / 169), j = static_cast<int>(n / 13 % 13), k = static_cast<int>(n % 13);
            sum[n] += grid->point(i, j, k).value;
        }
    }
    EXPECT_EQ(all, sum);
    const GridPoint& corner = grid->point(0, 0, 0);
    const Metaball& last = balls.back();
    const float dx = corner.x - last.position[0], dy = corner.y - last.position[1], dz = corner.z - last.position[2];
    EXPECT_FLOAT_EQ(corner.value, last.strength * last.strength / (dx * dx + dy * dy + dz * dz));
}

TEST(MarchingCubesGridTest, SampleOnABallCentreStaysInsideWithFiniteValuesAndNormals)
{
    MarchingCubesGrid* grid = builtGrid(50);
    // The grid's middle sample is exactly the origin.
    ASSERT_EQ(grid->point(25, 25, 25).x, 0.0f);
    ASSERT_EQ(grid->point(25, 25, 25).z, 0.0f);
    // The zero-strength ball sits on a sample too: 0/0 must not turn into NaN.
    const GridPoint& other = grid->point(30, 30, 20);
    const Metaball balls[] = {ball(0.1f, 0.0f, 0.0f, 0.0f), ball(0.0f, other.x, other.y, other.z)};
    grid->evaluateField(balls, 2);
    grid->computeNormals();
    const GridPoint& centre = grid->point(25, 25, 25);
    EXPECT_TRUE(std::isfinite(centre.value));
    EXPECT_GT(centre.value, 1e6f);
    for (int i = 0; i <= 50; ++i) {
        for (int j = 0; j <= 50; ++j) {
            for (int k = 0; k <= 50; ++k) {
                const GridPoint& p = grid->point(i, j, k);
                ASSERT_TRUE(std::isfinite(p.value) && std::isfinite(p.nx) && std::isfinite(p.ny) && std::isfinite(p.nz))
                    << i << " " << j << " " << k;
            }
        }
    }

    grid->classifyCells();
    EXPECT_EQ(grid->cubeIndex(25, 25, 25) & 1, 0) << "the centre sample counts as inside";
    RecordingSink sink;
    grid->polygonize(sink);
    for (std::size_t v = 0; v < sink.vertices.size(); ++v) {
        ASSERT_TRUE(std::isfinite(length(sink.vertices[v])) && std::isfinite(length(sink.normals[v])));
    }
}

TEST(MarchingCubesGridTest, FlatFieldGivesZeroNormalsAndOuterFacesKeepTheirs)
{
    MarchingCubesGrid* grid = builtGrid(6);
    grid->point(0, 3, 3).nx = 0.5f; // on the outer face: computeNormals leaves it
    grid->evaluateField(nullptr, 0);
    grid->computeNormals();
    for (int i = 1; i < 6; ++i) {
        for (int j = 1; j < 6; ++j) {
            for (int k = 1; k < 6; ++k) {
                const GridPoint& p = grid->point(i, j, k);
                EXPECT_EQ(p.value, 0.0f);
                EXPECT_EQ(p.nx, 0.0f);
                EXPECT_EQ(p.ny, 0.0f);
                EXPECT_EQ(p.nz, 0.0f);
            }
        }
    }
    EXPECT_EQ(grid->point(0, 3, 3).nx, 0.5f);
}

TEST(MarchingCubesGridTest, NormalsAreUnitCentralDifferencesByIndex)
{
    MarchingCubesGrid* grid = builtGrid(4);
    for (int i = 0; i <= 4; ++i) {
        for (int j = 0; j <= 4; ++j) {
            for (int k = 0; k <= 4; ++k) {
                grid->point(i, j, k).value = 3.0f * i + 4.0f * j * j + 0.0f * k;
            }
        }
    }
    grid->computeNormals();
    // value(i−1) − value(i+1) = −6; value(j−1) − value(j+1) = −16j; no change along k.
    const GridPoint& p = grid->point(2, 1, 3);
    const float len = std::sqrt(36.0f + 256.0f);
    EXPECT_NEAR(p.nx, -6.0f / len, 1e-6f);
    EXPECT_NEAR(p.ny, -16.0f / len, 1e-6f);
    EXPECT_EQ(p.nz, 0.0f);
}

TEST(MarchingCubesGridTest, LoneBallGivesAClosedSurfaceOfItsRadius)
{
    MarchingCubesGrid* grid = builtGrid(50);
    const Metaball lone = ball(0.1f, 0.0f, 0.0f, 0.0f);
    grid->evaluateField(&lone, 1);
    grid->computeNormals();
    RecordingSink sink;
    grid->triangleCount = 0;
    grid->polygonize(sink);

    ASSERT_GT(sink.triangles(), 100u);
    EXPECT_EQ(static_cast<std::size_t>(grid->triangleCount), sink.triangles());
    const float cell = 2.0f / 50.0f;
    for (std::size_t v = 0; v < sink.vertices.size(); ++v) {
        const Vec& p = sink.vertices[v];
        EXPECT_NEAR(length(p), 0.1f, 0.25f * cell) << "vertex " << v;
        // Outwards in x and y, inwards in z: the third index runs towards −z.
        const Vec& n = sink.normals[v];
        if (std::fabs(p[0]) > 0.05f) {
            EXPECT_EQ(n[0] > 0.0f, p[0] > 0.0f) << "vertex " << v;
        }
        if (std::fabs(p[1]) > 0.05f) {
            EXPECT_EQ(n[1] > 0.0f, p[1] > 0.0f) << "vertex " << v;
        }
        if (std::fabs(p[2]) > 0.05f) {
            EXPECT_EQ(n[2] > 0.0f, p[2] < 0.0f) << "vertex " << v;
        }
    }
    const Mesh mesh(sink.vertices);
    EXPECT_TRUE(isClosedSurface(mesh));
    // A sphere: Euler characteristic V − E + F = 2.
    const int edges = static_cast<int>(mesh.directedEdges().size()) / 2;
    EXPECT_EQ(static_cast<int>(mesh.points.size()) - edges + static_cast<int>(mesh.triangles.size()), 2);
}

TEST(MarchingCubesGridTest, MergedBallsStayClosedAndWoundAlike)
{
    MarchingCubesGrid* grid = builtGrid(40);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> where(-0.5f, 0.5f);
    std::uniform_real_distribution<float> size(0.08f, 0.2f);
    std::vector<Metaball> balls;
    for (int b = 0; b < 8; ++b) {
        balls.push_back(ball(size(random), where(random), where(random), where(random)));
    }
    grid->evaluateField(balls.data(), 8);
    grid->computeNormals();
    RecordingSink sink;
    grid->polygonize(sink);
    ASSERT_GT(sink.triangles(), 200u);
    EXPECT_TRUE(isClosedSurface(Mesh(sink.vertices)));
}

TEST(MarchingCubesGridTest, BallOnTheGridFaceGivesAnOpenHalfSurface)
{
    MarchingCubesGrid* grid = builtGrid(50);
    const Metaball onFace = ball(0.3f, 0.05f, -0.1f, -1.0f);
    grid->evaluateField(&onFace, 1);
    grid->computeNormals();
    RecordingSink sink;
    grid->polygonize(sink);
    ASSERT_GT(sink.triangles(), 100u);
    for (const Vec& p : sink.vertices) {
        EXPECT_GE(p[2], -1.0f);
        EXPECT_NEAR(length({p[0] - 0.05f, p[1] + 0.1f, p[2] + 1.0f}), 0.3f, 0.01f);
    }
    // The rim, where the grid stops, is the only open border and it lies in the face.
    const Mesh mesh(sink.vertices);
    const auto edges = mesh.directedEdges();
    int rimEdges = 0;
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        if (edges.find({edge.second, edge.first}) == edges.end()) {
            ++rimEdges;
            EXPECT_EQ(mesh.points[edge.first][2], -1.0f);
            EXPECT_EQ(mesh.points[edge.second][2], -1.0f);
        }
    }
    EXPECT_GT(rimEdges, 20);
}

TEST(MarchingCubesGridTest, GridWalkMatchesCellByCellClassification)
{
    MarchingCubesGrid* grid = builtGrid(7);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(0.0f, 2.0f);
    for (int i = 0; i <= 7; ++i) {
        for (int j = 0; j <= 7; ++j) {
            for (int k = 0; k <= 7; ++k) {
                grid->point(i, j, k).value = value(random);
            }
        }
    }
    grid->point(3, 3, 3).value = 1.0f; // exactly on the level: not below
    grid->computeNormals();

    RecordingSink walked;
    grid->triangleCount = 0;
    grid->polygonize(walked);
    const int walkedTriangles = grid->triangleCount;

    RecordingSink byCell;
    grid->triangleCount = 0;
    for (int i = 0; i < 7; ++i) {
        for (int j = 0; j < 7; ++j) {
            for (int k = 0; k < 7; ++k) {
                int index = 0;
                const GridCell& cell = grid->cell(i, j, k);
                for (int c = 0; c < 8; ++c) {
                    index |= cell.corners[c]->value < 1.0f ? 1 << c : 0;
                }
                EXPECT_EQ(grid->cubeIndex(i, j, k), index) << i << " " << j << " " << k;
                grid->polygonizeCell(cell, byCell);
            }
        }
    }
    EXPECT_EQ(grid->triangleCount, walkedTriangles);
    EXPECT_TRUE(walked.calls == byCell.calls);
    EXPECT_GT(walkedTriangles, 50);
}

TEST(MarchingCubesGridTest, CellsAllOnOneSideEmitNothing)
{
    MarchingCubesGrid* grid = builtGrid(1);
    const GridCell& cell = grid->cell(0, 0, 0);
    for (float level : {0.0f, 0.999f, 1.0f, 5.0f}) {
        for (GridPoint* corner : cell.corners) {
            corner->value = level;
        }
        RecordingSink sink;
        grid->triangleCount = 0;
        grid->polygonizeCell(cell, sink);
        grid->polygonize(sink);
        EXPECT_TRUE(sink.calls.empty()) << level;
        EXPECT_EQ(grid->triangleCount, 0);
    }
}

TEST(MarchingCubesGridTest, OneCornerBelowGivesOneTriangleInTableOrder)
{
    MarchingCubesGrid* grid = builtGrid(1);
    const GridCell& cell = grid->cell(0, 0, 0);
    for (GridPoint* corner : cell.corners) {
        corner->value = 2.0f;
        corner->nx = 0.0f;
        corner->ny = 1.0f;
        corner->nz = 0.0f;
    }
    cell.corners[0]->value = 0.0f;
    cell.corners[0]->ny = 0.0f;
    cell.corners[0]->nz = 1.0f;
    RecordingSink sink;
    grid->triangleCount = 0;
    grid->polygonizeCell(cell, sink);
    ASSERT_EQ(sink.calls.size(), 7u);
    EXPECT_EQ(grid->triangleCount, 1);
    EXPECT_EQ(sink.calls[0], (Call{Call::Color, {1.0f, 1.0f, 1.0f}}));
    // Row 1 is edges 0, 8, 3: halfway along 0→1, 0→4 and 3→0, the normal halfway too.
    EXPECT_EQ(sink.calls[1], (Call{Call::Normal, {0.0f, 0.5f, 0.5f}}));
    EXPECT_EQ(sink.calls[2], (Call{Call::Vertex, {0.0f, -1.0f, 1.0f}}));
    EXPECT_EQ(sink.calls[4], (Call{Call::Vertex, {-1.0f, 0.0f, 1.0f}}));
    EXPECT_EQ(sink.calls[6], (Call{Call::Vertex, {-1.0f, -1.0f, 0.0f}}));
}

TEST(MarchingCubesGridTest, InterpolationTakesCornersOnTheLevelAsTheyAre)
{
    GridPoint p1{0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f};
    GridPoint p2{1.0f, 2.0f, 3.0f, 0.0f, 1.0f, 0.0f, 3.0f};
    float position[3];
    float normal[3];
    auto result = [&] {
        return std::array<float, 6>{position[0], position[1], position[2], normal[0], normal[1], normal[2]};
    };

    MarchingCubesGrid::interpolateVertex(p1, p2, position, normal);
    EXPECT_EQ(result(), (std::array<float, 6>{0, 0, 0, 1, 0, 0})) << "first corner exactly on the level";

    p1.value = -1.0f; // the check is on the absolute value
    MarchingCubesGrid::interpolateVertex(p1, p2, position, normal);
    EXPECT_EQ(result(), (std::array<float, 6>{0, 0, 0, 1, 0, 0}));

    p1.value = 1.0f;
    p2.value = 1.0f; // both on the level: the first wins
    MarchingCubesGrid::interpolateVertex(p1, p2, position, normal);
    EXPECT_EQ(result(), (std::array<float, 6>{0, 0, 0, 1, 0, 0}));

    p1.value = 0.5f;
    MarchingCubesGrid::interpolateVertex(p1, p2, position, normal);
    EXPECT_EQ(result(), (std::array<float, 6>{1, 2, 3, 0, 1, 0})) << "second corner exactly on the level";

    p1.value = 2.0f;
    p2.value = 2.0f; // equal values would divide by zero
    MarchingCubesGrid::interpolateVertex(p1, p2, position, normal);
    EXPECT_EQ(result(), (std::array<float, 6>{0, 0, 0, 1, 0, 0}));

    p1.value = 0.5f;
    p2.value = 3.0f; // mu = 0.5 / 2.5
    MarchingCubesGrid::interpolateVertex(p1, p2, position, normal);
    EXPECT_NEAR(position[0], 0.2f, 1e-6f);
    EXPECT_NEAR(position[1], 0.4f, 1e-6f);
    EXPECT_NEAR(position[2], 0.6f, 1e-6f);
    EXPECT_NEAR(normal[0], 0.8f, 1e-6f);
    EXPECT_NEAR(normal[1], 0.2f, 1e-6f);
    EXPECT_EQ(normal[2], 0.0f);
}

TEST(MarchingCubesGridTest, DistanceColoursEachVertexWhenNormalsAreOff)
{
    MarchingCubesGrid* grid = builtGrid(2);
    for (GridPoint& p : grid->points) {
        p.value = 2.0f;
    }
    grid->point(1, 1, 1).value = 0.0f; // a corner of all eight cells
    grid->useNormals = false;
    grid->colorByDistance = true;
    RecordingSink sink;
    grid->polygonize(sink);
    // Per cell: white, then a colour before each of its three vertices.
    ASSERT_EQ(sink.calls.size(), 8u * 7u);
    for (std::size_t c = 0; c < 8; ++c) {
        const Call* calls = &sink.calls[c * 7];
        EXPECT_EQ(calls[0], (Call{Call::Color, {1.0f, 1.0f, 1.0f}}));
        for (int v = 0; v < 3; ++v) {
            ASSERT_EQ(calls[1 + 2 * v].kind, Call::Color);
            ASSERT_EQ(calls[2 + 2 * v].kind, Call::Vertex);
            const float d = length(calls[2 + 2 * v].value);
            EXPECT_EQ(calls[1 + 2 * v].value, (Vec{d, d, d + 0.1f}));
        }
    }

    grid->colorByDistance = false;
    RecordingSink plain;
    grid->polygonize(plain);
    ASSERT_EQ(plain.calls.size(), 8u * 4u);
    EXPECT_EQ(plain.calls[1].kind, Call::Vertex);
}

class MarchingCubesGridGLTest : public GLTest {};

TEST_F(MarchingCubesGridGLTest, DrawsExactlyTheTrianglesItCounts)
{
    MarchingCubesGrid* grid = builtGrid(50);
    const Metaball lone = ball(0.1f, 0.0f, 0.0f, 0.0f);
    grid->evaluateField(&lone, 1);
    grid->computeNormals();
    grid->triangleCount = 0;
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    grid->polygonize();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint drawn = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &drawn);
    glDeleteQueries(1, &query);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    RecordingSink sink;
    grid->polygonize(sink);
    EXPECT_GT(drawn, 100u);
    EXPECT_EQ(drawn, sink.triangles());
    EXPECT_EQ(static_cast<GLuint>(grid->triangleCount), 2 * drawn) << "counted once per triangle, twice walked";

    // The ball of radius 0.1 covers the middle of the view (identity matrices) and nothing else.
    EXPECT_COLOR(pixel(32, 32), 255, 255, 255, 255);
    EXPECT_COLOR(pixel(32, 36), 0, 0, 0, 255);
    EXPECT_COLOR(pixel(2, 60), 0, 0, 0, 255);
}

TEST_F(MarchingCubesGridGLTest, EmptyCellsMakeNoGLCallAtAll)
{
    MarchingCubesGrid* grid = builtGrid(1);
    const GridCell& cell = grid->cell(0, 0, 0);
    glColor3f(1.0f, 0.0f, 0.0f);
    for (float level : {0.0f, 2.0f}) {
        for (GridPoint* corner : cell.corners) {
            corner->value = level;
        }
        grid->polygonizeCell(cell);
    }
    float current[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_EQ(current[0], 1.0f);
    EXPECT_EQ(current[1], 0.0f) << "not even the white of a crossed cell";

    cell.corners[0]->value = 0.0f;
    glBegin(GL_TRIANGLES);
    grid->polygonizeCell(cell);
    glEnd();
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_EQ(current[1], 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
