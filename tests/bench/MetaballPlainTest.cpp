#include "bench/IsosurfacePlainCompare.h"
#include "effects/isosurface/MarchingCubesGrid.h"
#include "effects/isosurface/Metaball.h"
#include "effects/isosurface/MetaballTunnelScene.h"
#include "effects/isosurface/SurfaceSink.h"
#include "plain/MetaballPlain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using isosurface_compare::Difference;
using isosurface_compare::sameBits;

constexpr float kSceneStart = 170.06758f;
constexpr float kFrame = 1.0f / 60.0f;
// The normals divide by the length where the grid multiplies by its reciprocal.
constexpr std::int64_t kNormalUlps = 1;
// Interpolated between normals that differ by that much: a bit of each end, and the rounding after.
constexpr double kInterpolatedNormalError = 1.8e-7;

// Every call a walk makes: the kind of each call in order, and the floats of each kind in order.
class RecordingSink : public SurfaceSink {
public:
    void color(float red, float green, float blue) override
    {
        kinds.push_back('c');
        colors.insert(colors.end(), {red, green, blue});
    }
    void normal(const float* n) override
    {
        kinds.push_back('n');
        normals.insert(normals.end(), n, n + 3);
    }
    void vertex(const float* p) override
    {
        kinds.push_back('v');
        vertices.insert(vertices.end(), p, p + 3);
    }

    std::vector<char> kinds;
    std::vector<float> colors;
    std::vector<float> normals;
    std::vector<float> vertices;
};

::testing::AssertionResult sameWalk(const RecordingSink& expected, const RecordingSink& actual)
{
    if (expected.kinds != actual.kinds) {
        return ::testing::AssertionFailure() << "the calls differ: " << expected.kinds.size() << " against "
                                             << actual.kinds.size();
    }
    if (auto result = sameBits(expected.colors.data(), actual.colors.data(), expected.colors.size()); !result) {
        return result << " (colours)";
    }
    if (auto result = sameBits(expected.normals.data(), actual.normals.data(), expected.normals.size()); !result) {
        return result << " (normals)";
    }
    if (auto result = sameBits(expected.vertices.data(), actual.vertices.data(), expected.vertices.size());
        !result) {
        return result << " (vertices)";
    }
    return ::testing::AssertionSuccess();
}

std::vector<GridPoint> copyPoints(MarchingCubesGrid& grid)
{
    const GridPoint* first = &grid.points[0];
    return std::vector<GridPoint>(first, first + plain::kMetaballPointCount);
}

std::vector<float> valuesOf(const GridPoint* points)
{
    std::vector<float> values(plain::kMetaballPointCount);
    for (int p = 0; p < plain::kMetaballPointCount; ++p) {
        values[p] = points[p].value;
    }
    return values;
}

int pointIndex(int i, int j, int k)
{
    return (i * plain::kMetaballPointStride + j) * plain::kMetaballPointStride + k;
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

// The scene a few frames into a kick and a pulse, so the balls race and swell.
struct MetaballScene {
    float time = kSceneStart;
    std::unique_ptr<MetaballTunnelScene> scene = std::make_unique<MetaballTunnelScene>(&time);

    MetaballScene()
    {
        scene->load();
        scene->keyPressed(13);
        scene->keyPressed(32);
    }
    MarchingCubesGrid& grid() { return scene->getGrid(); }
    const std::vector<Metaball>& balls() const { return scene->getBalls(); }
    int ballCount() const { return static_cast<int>(scene->getBalls().size()); }
    void nextFrame()
    {
        time += kFrame;
        scene->advanceBalls(time);
    }
};

// Values that land on the level, just either side of it and below it with |value| = 1, with normals
// of every direction: every branch of the interpolation.
void fillEdgeCasePattern(GridPoint* points, int n)
{
    constexpr float kValues[8] = {0.25f, 1.0f, 1.75f, -1.0f, 0.99999994f, 1.0000001f, 3.0f, 0.5f};
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            for (int k = 0; k <= n; ++k) {
                GridPoint& p = points[pointIndex(i, j, k)];
                p.value = kValues[(i * 7 + j * 13 + k * 29) % 8];
                const float angle = static_cast<float>(i + 3 * j + 5 * k);
                p.nx = std::sin(angle);
                p.ny = std::cos(angle);
                p.nz = 0.5f;
            }
        }
    }
}

} // namespace

TEST(MetaballPlainTest, FieldIsBitForBitTheSameOverFramesAndBallLists)
{
    MetaballScene metaballs;
    MarchingCubesGrid& grid = metaballs.grid();
    std::vector<GridPoint> points = copyPoints(grid);
    for (int frame = 0; frame < 4; ++frame) {
        metaballs.nextFrame();
        grid.evaluateField(metaballs.balls().data(), metaballs.ballCount());
        plain::evaluateMetaballField(points.data(), grid.gridSize, metaballs.balls().data(), metaballs.ballCount());
        EXPECT_TRUE(sameBits(valuesOf(&grid.points[0]).data(), valuesOf(points.data()).data(),
                             plain::kMetaballPointCount))
            << "frame " << frame;
    }

    // The largest grid, more balls than the grid sums at once, and one ball right on a sample.
    auto large = std::make_unique<MarchingCubesGrid>();
    large->gridSize = MarchingCubesGrid::kMaxSize;
    large->buildGrid();
    std::vector<Metaball> many;
    for (int b = 0; b < 20; ++b) {
        const float f = static_cast<float>(b);
        many.push_back(ball(0.05f + 0.01f * f, 0.9f * std::sin(1.7f * f), 0.8f * std::cos(2.3f * f), 0.1f * f - 1.0f));
    }
    many.push_back(ball(0.2f, 0.0f, 0.0f, 0.0f));
    std::vector<GridPoint> largePoints = copyPoints(*large);
    for (int count : {21, 0}) {
        large->evaluateField(many.data(), count);
        plain::evaluateMetaballField(largePoints.data(), large->gridSize, many.data(), count);
        EXPECT_TRUE(sameBits(valuesOf(&large->points[0]).data(), valuesOf(largePoints.data()).data(),
                             plain::kMetaballPointCount))
            << count << " balls";
    }
}

TEST(MetaballPlainTest, NormalsMatchWithinAnUlpAndLeaveTheOuterFacesAlone)
{
    MetaballScene metaballs;
    MarchingCubesGrid& grid = metaballs.grid();
    const int n = grid.gridSize;
    // A normal no face sample can come by except by being left alone.
    for (int p = 0; p < plain::kMetaballPointCount; ++p) {
        grid.points[p].nx = 0.25f;
        grid.points[p].ny = -0.5f;
        grid.points[p].nz = 0.75f;
    }
    std::vector<GridPoint> points = copyPoints(grid);
    Difference interior;
    for (int frame = 0; frame < 4; ++frame) {
        metaballs.nextFrame();
        grid.evaluateField(metaballs.balls().data(), metaballs.ballCount());
        plain::evaluateMetaballField(points.data(), n, metaballs.balls().data(), metaballs.ballCount());
        grid.computeNormals();
        plain::computeMetaballNormals(points.data(), n);
        int faceMismatches = 0;
        for (int i = 0; i <= n; ++i) {
            for (int j = 0; j <= n; ++j) {
                for (int k = 0; k <= n; ++k) {
                    const GridPoint& expected = grid.point(i, j, k);
                    const GridPoint& actual = points[pointIndex(i, j, k)];
                    const bool onFace = i == 0 || j == 0 || k == 0 || i == n || j == n || k == n;
                    if (onFace) {
                        faceMismatches += expected.nx != 0.25f || expected.ny != -0.5f || expected.nz != 0.75f ||
                                          actual.nx != 0.25f || actual.ny != -0.5f || actual.nz != 0.75f;
                    } else {
                        interior.add(&expected.nx, &actual.nx, 3);
                    }
                }
            }
        }
        EXPECT_EQ(faceMismatches, 0) << "frame " << frame;
    }
    interior.print("metaball normals");
    RecordProperty("normal_max_ulps", static_cast<int>(interior.maxUlps));
    EXPECT_GT(interior.compared, 0u);
    EXPECT_LE(interior.maxUlps, kNormalUlps);

    // A flat field has no direction: both leave a zero normal.
    grid.evaluateField(nullptr, 0);
    plain::evaluateMetaballField(points.data(), n, nullptr, 0);
    grid.computeNormals();
    plain::computeMetaballNormals(points.data(), n);
    const GridPoint& middle = grid.point(n / 2, n / 2, n / 2);
    const GridPoint& plainMiddle = points[pointIndex(n / 2, n / 2, n / 2)];
    EXPECT_TRUE(sameBits(&middle.nx, &plainMiddle.nx, 3));
    EXPECT_EQ(middle.nx, 0.0f);
}

TEST(MetaballPlainTest, ClassificationIsTheSameCellForCell)
{
    MetaballScene metaballs;
    MarchingCubesGrid& grid = metaballs.grid();
    const int n = grid.gridSize;
    std::vector<std::uint8_t> indices(plain::kMetaballCellCount);
    const auto countMismatches = [&] {
        int mismatches = 0;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                for (int k = 0; k < n; ++k) {
                    const int cell = (i * plain::kMetaballCellStride + j) * plain::kMetaballCellStride + k;
                    mismatches += grid.cubeIndex(i, j, k) != indices[cell];
                }
            }
        }
        return mismatches;
    };
    for (int frame = 0; frame < 3; ++frame) {
        metaballs.nextFrame();
        metaballs.scene->updateField();
        grid.classifyCells();
        plain::classifyMetaballCells(&grid.points[0], n, indices.data());
        EXPECT_EQ(countMismatches(), 0) << "frame " << frame;
    }
    fillEdgeCasePattern(&grid.points[0], n);
    grid.classifyCells();
    plain::classifyMetaballCells(&grid.points[0], n, indices.data());
    EXPECT_EQ(countMismatches(), 0) << "values on and around the level";
}

TEST(MetaballPlainTest, SurfaceWalkSendsTheSameCallsInTheSameOrder)
{
    MetaballScene metaballs;
    MarchingCubesGrid& grid = metaballs.grid();
    int n = grid.gridSize;
    struct Flags {
        bool useNormals;
        bool colorByDistance;
    };
    const auto compareWalks = [&](const std::vector<GridPoint>& points, const char* what) {
        for (Flags flags : {Flags{true, true}, Flags{false, true}, Flags{false, false}}) {
            grid.useNormals = flags.useNormals;
            grid.colorByDistance = flags.colorByDistance;
            RecordingSink expected;
            RecordingSink actual;
            grid.triangleCount = 0;
            grid.polygonize(expected);
            const int triangles =
                plain::polygonizeMetaballs(points.data(), n, flags.useNormals, flags.colorByDistance, actual);
            EXPECT_GT(triangles, 0) << what;
            EXPECT_EQ(grid.triangleCount, triangles) << what;
            EXPECT_EQ(actual.vertices.size(), static_cast<std::size_t>(triangles) * 9) << what;
            EXPECT_TRUE(sameWalk(expected, actual))
                << what << " with normals " << flags.useNormals << ", by distance " << flags.colorByDistance;
        }
    };
    for (int frame = 0; frame < 2; ++frame) {
        metaballs.nextFrame();
        metaballs.scene->updateField();
        compareWalks(copyPoints(grid), "scene frame");
    }
    // Nearly every cell of the pattern is crossed, so a smaller grid keeps the walk short.
    grid.gridSize = n = 24;
    grid.buildGrid();
    fillEdgeCasePattern(&grid.points[0], n);
    compareWalks(copyPoints(grid), "values on and around the level");
}

TEST(MetaballPlainTest, WholeFramesMatchOverAKickAndAPulse)
{
    MetaballScene metaballs;
    MarchingCubesGrid& grid = metaballs.grid();
    // From here on the plain frames keep their own samples, normals on the faces included.
    std::vector<GridPoint> points = copyPoints(grid);
    Difference normals;
    for (int frame = 0; frame < 5; ++frame) {
        metaballs.nextFrame();
        RecordingSink expected;
        RecordingSink actual;
        grid.triangleCount = 0;
        metaballs.scene->updateField();
        grid.polygonize(expected);
        const int triangles = plain::metaballFrame(points.data(), grid.gridSize, metaballs.balls().data(),
                                                   metaballs.ballCount(), grid.useNormals, grid.colorByDistance,
                                                   actual);
        EXPECT_EQ(grid.triangleCount, triangles);
        ASSERT_EQ(expected.kinds, actual.kinds) << "frame " << frame;
        EXPECT_TRUE(sameBits(expected.vertices.data(), actual.vertices.data(), expected.vertices.size()));
        EXPECT_TRUE(sameBits(expected.colors.data(), actual.colors.data(), expected.colors.size()));
        normals.add(expected.normals.data(), actual.normals.data(), expected.normals.size());
    }
    normals.print("metaball frame, interpolated normals");
    RecordProperty("frame_normal_max_ulps", static_cast<int>(normals.maxUlps));
    EXPECT_LE(normals.maxAbsolute, kInterpolatedNormalError);
}
