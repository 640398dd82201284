#include "effects/scenes/CylinderDrawWindow.h"
#include "effects/scenes/MultiCylinderTunnelScene.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "plain/MultiCylinderTunnelPlain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr float kStart = 27.364876f;
constexpr float kEnd = 53.310818f;

std::unique_ptr<MeshObject> showTube()
{
    return std::unique_ptr<MeshObject>(PrimitiveFactory::createCylinder(30, 15000, 0.1f, 1800.0f));
}

} // namespace

// Shaping twice feeds the first result back in, as the benchmark does.
TEST(MultiCylinderTunnelPlainTest, HornShapeMatchesBitForBit)
{
    std::unique_ptr<MeshObject> tube = showTube();
    const int vertexCount = tube->getVertexCount();
    std::vector<float> plainVertices(tube->getVertices(), tube->getVertices() + vertexCount * 3);
    for (int pass = 0; pass < 2; ++pass) {
        MultiCylinderTunnelScene::shapeHorn(tube->getVertices(), vertexCount);
        plain::shapeHorn(plainVertices.data(), vertexCount);
        ASSERT_EQ(std::memcmp(tube->getVertices(), plainVertices.data(), plainVertices.size() * sizeof(float)), 0)
            << "pass " << pass;
    }
}

// Every cue of the scene, frames at 60 Hz with stalls, then on until the window reaches the tube's end.
TEST(MultiCylinderTunnelPlainTest, FrameStepMatchesCueForCueAndStepForStep)
{
    const unsigned tubeTriangles = showTube()->getPolygonCount();
    float now = -1.0f;
    plain::TunnelParts scene(&now);
    scene.load();
    scene.startTime = kStart;
    plain::TunnelState state = scene.plainState(tubeTriangles);
    std::unique_ptr<MeshObject> plainTube(PrimitiveFactory::createCylinder(3, 2, 0.1f, 1.0f));

    int pulseFrames = 0;
    int frame = 0;
    bool reachedEnd = false;
    for (now = kStart; frame < 20000 && !reachedEnd; ++frame) {
        const float travel = scene.advance();
        const float plainTravel = plain::advanceTunnel(state, *plainTube, now);
        ASSERT_EQ(travel, plainTravel) << "frame " << frame;
        ASSERT_EQ(scene.nextEvent, state.nextEvent) << "frame " << frame;
        ASSERT_EQ(scene.pulseActive, state.pulseActive) << "frame " << frame;
        ASSERT_EQ(scene.pulseTime, state.pulseTime) << "frame " << frame;
        ASSERT_EQ(scene.zoomActive, state.zoomActive) << "frame " << frame;
        ASSERT_EQ(scene.zoomTime, state.zoomTime) << "frame " << frame;
        ASSERT_EQ(scene.flashActive, state.flashActive) << "frame " << frame;
        ASSERT_EQ(scene.flashTime, state.flashTime) << "frame " << frame;
        ASSERT_EQ(scene.fadeOutActive, state.fadeOutActive) << "frame " << frame;
        ASSERT_EQ(scene.fadeOutTime, state.fadeOutTime) << "frame " << frame;
        ASSERT_EQ(scene.window->first(), state.windowFirst) << "frame " << frame;
        ASSERT_EQ(scene.window->getTravelled(), state.travelled) << "frame " << frame;
        const Vector3 scale = scene.tube->getScale();
        const Vector3 plainScale = plainTube->getScale();
        ASSERT_EQ(scale.x, plainScale.x) << "frame " << frame;
        ASSERT_EQ(scale.y, plainScale.y) << "frame " << frame;
        ASSERT_EQ(scale.z, plainScale.z) << "frame " << frame;
        pulseFrames += state.pulseActive ? 1 : 0;
        reachedEnd = state.windowFirst == state.lastWindowFirst;
        // A stalled frame now and then lets the window fall behind and catch up; past the scene's end the
        // clock runs fast so the window reaches the tube's last triangles.
        now += now > kEnd ? 1.0f : (frame % 97 == 96 ? 0.4f : 1.0f / 60.0f);
    }
    EXPECT_EQ(state.nextEvent, state.eventCount);
    EXPECT_GT(pulseFrames, 1000);
    EXPECT_TRUE(reachedEnd);
    EXPECT_EQ(scene.window->first(), state.lastWindowFirst);
}
