#include "effects/scenes/PlasmaTunnelQuarnScene.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "plain/PlasmaTunnelQuarnPlain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr float kStart = 92.22973f;
constexpr int kWindowFirst = 80;
constexpr unsigned kWindowCount = 12800;
constexpr int kWindowStep = 160;

// A tube of 200 stacks with the show's slices and stack length: room for the show's window and a few
// dozen of its steps. The scene's boil and the plain one each get their own copy of the wall.
struct TwoWalls {
    TwoWalls()
    {
        std::unique_ptr<MeshObject> tube(PrimitiveFactory::createSeamedCylinder(160, 200, 1.0f, 24.0f));
        const std::size_t floats = std::size_t{3} * static_cast<std::size_t>(tube->getVertexCount());
        rest.assign(tube->getVertices(), tube->getVertices() + floats);
        sceneWall = rest;
        plainWall = rest;
        triangleCount = tube->getPolygonCount();
        indices.assign(tube->getIndices(), tube->getIndices() + std::size_t{3} * triangleCount);
    }
    void boil(int first, unsigned count, float now)
    {
        PlasmaTunnelQuarnScene::boilWall(sceneWall.data(), rest.data(), indices.data(), indices.size(), first, count, now);
        plain::boilWall(plainWall.data(), rest.data(), indices.data(), indices.size(), first, count, now);
    }
    bool same() const { return std::memcmp(sceneWall.data(), plainWall.data(), sceneWall.size() * sizeof(float)) == 0; }

    std::vector<float> rest;
    std::vector<float> sceneWall;
    std::vector<float> plainWall;
    std::vector<std::uint32_t> indices;
    unsigned triangleCount = 0;
};

} // namespace

// Each frame starts from the shape the last one left, so any difference would grow; the two must
// stay equal to the bit, also where the window runs into the end of the tube.
TEST(PlasmaTunnelQuarnPlainTest, BoilMatchesBitForBitFrameAfterFrame)
{
    TwoWalls walls;
    int first = kWindowFirst;
    float now = kStart;
    for (int frame = 0; frame < 60; ++frame) {
        walls.boil(first, kWindowCount, now);
        ASSERT_TRUE(walls.same()) << "frame " << frame << ", window from triangle " << first;
        if (frame % 2 == 1) {
            first += kWindowStep;
        }
        now += 1.0f / 60.0f;
    }
    // The same clock twice: the wall still boils on from its own shape.
    walls.boil(first, kWindowCount, now);
    walls.boil(first, kWindowCount, now);
    ASSERT_TRUE(walls.same());
    // A window reaching past the last triangle: runs past the index array are left out by both.
    const int nearEnd = static_cast<int>(walls.triangleCount) - 100;
    walls.boil(nearEnd, kWindowCount, now);
    ASSERT_TRUE(walls.same());

    int moved = 0;
    for (std::size_t i = 0; i < walls.rest.size(); ++i) {
        moved += walls.sceneWall[i] != walls.rest[i] ? 1 : 0;
    }
    EXPECT_GT(moved, 10000); // the wall did boil
}
