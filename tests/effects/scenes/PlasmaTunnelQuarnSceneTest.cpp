#include "effects/scenes/CylinderDrawWindow.h"
#include "effects/scenes/PlasmaTunnelQuarnScene.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr float kStart = 92.22973f;

class PlasmaTunnelQuarnProbe : public PlasmaTunnelQuarnScene {
public:
    using PlasmaTunnelQuarnScene::PlasmaTunnelQuarnScene;
    using PlasmaTunnelQuarnScene::tube;
    using PlasmaTunnelQuarnScene::tubeRestVertices;
    using PlasmaTunnelQuarnScene::tubeTriangleCount;
    using PlasmaTunnelQuarnScene::window;
};

// A short seamed tube whose index array is followed by a guard run pointing at one extra vertex: a boil
// that reads past the index array moves that vertex.
struct GuardedTube {
    explicit GuardedTube()
    {
        std::unique_ptr<MeshObject> mesh(PrimitiveFactory::createSeamedCylinder(8, 20, 1.0f, 10.0f));
        vertexCount = mesh->getVertexCount();
        triangleCount = mesh->getPolygonCount();
        vertices.assign(mesh->getVertices(), mesh->getVertices() + vertexCount * 3);
        vertices.insert(vertices.end(), {0.5f, 0.5f, 0.5f});
        rest = vertices;
        indices.assign(mesh->getIndices(), mesh->getIndices() + triangleCount * 3);
        indices.insert(indices.end(), 3, static_cast<std::uint32_t>(vertexCount));
    }
    void boil(int first, unsigned count, float now)
    {
        PlasmaTunnelQuarnScene::boilWall(vertices.data(), rest.data(), indices.data(), std::size_t{triangleCount} * 3,
                                         first, count, now);
    }
    // Vertices named by the index positions a boil of this window reaches.
    std::set<std::uint32_t> reached(int first, unsigned count) const
    {
        const std::size_t last = std::min<std::size_t>(3 * (first + count) + 2, std::size_t{triangleCount} * 3 - 1);
        return {indices.begin() + 3 * first, indices.begin() + static_cast<std::ptrdiff_t>(last) + 1};
    }

    int vertexCount = 0;
    unsigned triangleCount = 0;
    std::vector<float> vertices;
    std::vector<float> rest;
    std::vector<std::uint32_t> indices;
};

} // namespace

TEST(PlasmaTunnelQuarnCpuTest, BoilingMovesOnlyTheWindowsWallAndFeedsOnItsOwnShape)
{
    GuardedTube tube;
    const int first = 40;
    const unsigned count = 64;
    const std::set<std::uint32_t> reached = tube.reached(first, count);
    tube.boil(first, count, 0.7f);
    int moved = 0;
    for (int v = 0; v <= tube.vertexCount; ++v) {
        const float* now = &tube.vertices[v * 3];
        const float* rest = &tube.rest[v * 3];
        ASSERT_EQ(now[1], rest[1]) << "vertex " << v << " moved along the tube";
        if (reached.count(static_cast<std::uint32_t>(v)) == 0) {
            ASSERT_EQ(now[0], rest[0]) << "vertex " << v << " lies outside the window";
            ASSERT_EQ(now[2], rest[2]) << "vertex " << v << " lies outside the window";
        } else {
            moved += now[0] != rest[0] ? 1 : 0;
        }
    }
    EXPECT_GT(moved, static_cast<int>(reached.size()) / 2);

    // With the clock standing still the wall keeps changing: each frame starts from the last one's shape.
    const std::vector<float> before = tube.vertices;
    tube.boil(first, count, 0.7f);
    EXPECT_NE(tube.vertices, before);
}

TEST(PlasmaTunnelQuarnCpuTest, BoilingAtTheTubesEndStaysInsideItsIndices)
{
    GuardedTube tube;
    const unsigned count = 64;
    const int last = static_cast<int>(tube.triangleCount - count);
    tube.boil(last, count, 0.7f);
    const float* guard = &tube.vertices[tube.vertexCount * 3];
    EXPECT_EQ(guard[0], 0.5f);
    EXPECT_EQ(guard[2], 0.5f);
    // The last triangle itself is boiled.
    const std::uint32_t corner = tube.indices[tube.triangleCount * 3 - 1];
    EXPECT_NE(tube.vertices[corner * 3], tube.rest[corner * 3]);
}

class PlasmaTunnelQuarnSceneTest : public SceneTest {};

TEST_F(PlasmaTunnelQuarnSceneTest, TheWindowDriftsAStepAFrameAndSpaceNeverPushesItOutOfTheTube)
{
    PlasmaTunnelQuarnProbe scene(&timeValue);
    loadAndStart(scene, kStart);
    ASSERT_EQ(scene.tubeTriangleCount, 4800320u);
    renderAt(scene, kStart);
    EXPECT_EQ(scene.window->first(), 80);
    EXPECT_EQ(scene.tube->getPolygonCount(), 12800u);
    const std::vector<std::uint8_t> pixels = readPixels();
    int wall = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        wall += pixels[i] > 0 ? 1 : 0;
    }
    EXPECT_GT(wall, 64 * 64 / 2);

    // 3.1 seconds of drift are five steps, taken one a frame.
    renderAt(scene, kStart + 3.1f);
    EXPECT_EQ(scene.window->first(), 240);
    for (int frame = 0; frame < 10; ++frame) {
        renderAt(scene, kStart + 3.1f);
    }
    EXPECT_EQ(scene.window->first(), 80 + 5 * 160);

    // The rest copy is filled as the window reaches it: every rest position the boil has read so far is the
    // position the tube was created with, although the boil has moved those vertices since.
    std::unique_ptr<MeshObject> created(PrimitiveFactory::createSeamedCylinder(160, 15000, 1.0f, 1800.0f));
    const std::uint32_t* indices = scene.tube->getIndices();
    int restChecked = 0, moved = 0;
    for (std::size_t p = 0; p <= std::size_t{3} * (80 + 5 * 160 + 12800) + 2; ++p) {
        const std::size_t x = std::size_t{3} * indices[p];
        restChecked += scene.tubeRestVertices[x] == created->getVertices()[x] &&
                               scene.tubeRestVertices[x + 2] == created->getVertices()[x + 2]
                           ? 1
                           : 0;
        moved += scene.tube->getVertices()[x] != created->getVertices()[x] ? 1 : 0;
    }
    EXPECT_EQ(restChecked, 3 * (80 + 5 * 160 + 12800) + 3);
    EXPECT_GT(moved, 10000);
    // A vertex far beyond the window keeps its created place.
    const std::size_t far = std::size_t{3} * 2000000;
    EXPECT_EQ(scene.tube->getVertices()[far], created->getVertices()[far]);
    EXPECT_EQ(scene.tube->getVertices()[far + 2], created->getVertices()[far + 2]);

    // Thirty thousand presses would carry the window far past the tube's last triangle.
    for (int press = 0; press < 30000; ++press) {
        scene.keyPressed(32);
    }
    EXPECT_EQ(scene.window->first() + 12800, 4800320);
    renderAt(scene, kStart + 3.2f);
    EXPECT_EQ(scene.window->first() + 12800, 4800320);
    EXPECT_EQ(scene.tube->getPolygonCount(), 12800u);
    // The wall at the very end now boils.
    int boiled = 0;
    for (std::size_t p = std::size_t{4800320} * 3 - 300; p < std::size_t{4800320} * 3; ++p) {
        const std::size_t x = std::size_t{3} * scene.tube->getIndices()[p];
        boiled += scene.tube->getVertices()[x] != created->getVertices()[x] ? 1 : 0;
        EXPECT_EQ(scene.tubeRestVertices[x], created->getVertices()[x]);
    }
    EXPECT_GT(boiled, 100);
    scene.stop();
}
