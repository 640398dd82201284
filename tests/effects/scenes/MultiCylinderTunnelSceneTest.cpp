#include "effects/scenes/CylinderDrawWindow.h"
#include "effects/scenes/FadeQuad.h"
#include "effects/scenes/MultiCylinderTunnelScene.h"
#include "effects/sync/MultiCylinderTunnelSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr float kStart = 27.364876f;
constexpr float kEnd = 53.310818f;

class MultiCylinderTunnelProbe : public MultiCylinderTunnelScene {
public:
    using MultiCylinderTunnelScene::MultiCylinderTunnelScene;
    using MultiCylinderTunnelScene::fadeInActive;
    using MultiCylinderTunnelScene::fadeOutActive;
    using MultiCylinderTunnelScene::fadeQuad;
    using MultiCylinderTunnelScene::flashActive;
    using MultiCylinderTunnelScene::nextEvent;
    using MultiCylinderTunnelScene::pulseActive;
    using MultiCylinderTunnelScene::tube;
    using MultiCylinderTunnelScene::window;
    using MultiCylinderTunnelScene::zoomActive;
    using MultiCylinderTunnelScene::zoomScale;

    float quadAlpha() { return fadeQuad->getMesh().getColors()[3]; }
    int dueEvents(float now) const
    {
        int due = 0;
        for (const TimedEvent& event : events) {
            due += event.time <= now ? 1 : 0;
        }
        return due;
    }
};

void expectWholeView(const std::vector<std::uint8_t>& pixels, int level, int tolerance)
{
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_NEAR(pixels[i], level, tolerance) << "pixel " << i / 4;
        ASSERT_NEAR(pixels[i + 1], level, tolerance) << "pixel " << i / 4;
        ASSERT_NEAR(pixels[i + 2], level, tolerance) << "pixel " << i / 4;
    }
}

} // namespace

TEST(MultiCylinderTunnelCuesTest, PulsesOnEveryBeatZoomsOnEverySecondAndAllFallInTheScene)
{
    EXPECT_EQ(kMultiCylinderTunnelPulses.size(), 67u);
    EXPECT_EQ(kMultiCylinderTunnelZooms.size(), 18u);
    EXPECT_NEAR(kMultiCylinderTunnelPulses[0].time, 27.364876f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelPulses[1].time, 27.770271f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelPulses[63].time, 52.905396f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelPulses[64].time, 39.72973f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelPulses[65].time, 40.135124f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelPulses[66].time, 40.236485f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelZooms[0].time, 40.743244f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelZooms[1].time, 41.554058f, 1e-4f);
    EXPECT_NEAR(kMultiCylinderTunnelZooms[12].time, 50.472969f, 1e-4f);
    const float finalZooms[] = {51.891884f, 52.094604f, 52.297302f, 52.60136f, 52.905396f};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(kMultiCylinderTunnelZooms[13 + i].time, finalZooms[i], 1e-4f);
    }
    const auto insideTheScene = [](const auto& table) {
        for (const SyncEvent& event : table) {
            EXPECT_GE(event.time, kStart - 1e-4f);
            EXPECT_LT(event.time, kEnd);
        }
    };
    insideTheScene(kMultiCylinderTunnelPulses);
    insideTheScene(kMultiCylinderTunnelZooms);
    insideTheScene(kMultiCylinderTunnelFlashes);
    insideTheScene(kMultiCylinderTunnelFadeOuts);
}

TEST(MultiCylinderTunnelCpuTest, HornsWidenAlongTheTubeAndKeepTheirLength)
{
    std::unique_ptr<MeshObject> cylinder(PrimitiveFactory::createCylinder(30, 400, 0.1f, 48.0f));
    const int count = cylinder->getVertexCount();
    const float* shaped = cylinder->getVertices();
    const std::vector<float> rest(shaped, shaped + count * 3);
    MultiCylinderTunnelScene::shapeHorn(cylinder->getVertices(), count);
    float lastRadius = 0.0f;
    for (int v = 60; v < count - 60; v += 30) { // the side rings, one point each
        const float growth = 3.0f * static_cast<float>(v) / 40000.0f;
        ASSERT_EQ(shaped[v * 3 + 1], rest[v * 3 + 1]);
        // The radius grows with the vertex index, times a wobble between 1 and 3.
        const float ratio = shaped[v * 3] / rest[v * 3];
        ASSERT_GE(ratio, 1.0f * growth * 0.999f) << v;
        ASSERT_LE(ratio, 3.0f * growth * 1.001f) << v;
        lastRadius = std::hypot(shaped[v * 3], shaped[v * 3 + 2]);
    }
    EXPECT_GT(lastRadius, 0.1f * 0.85f);
    // The top centre copies stay on the axis.
    EXPECT_EQ(shaped[0], 0.0f);
    EXPECT_EQ(shaped[2], 0.0f);
}

class MultiCylinderTunnelSceneTest : public SceneTest {
protected:
    void TearDown() override
    {
        glLineWidth(1.0f);
        glDisable(GL_LINE_SMOOTH);
        SceneTest::TearDown();
    }
};

TEST_F(MultiCylinderTunnelSceneTest, FadesInFromWhiteOverTheFirstSecond)
{
    MultiCylinderTunnelProbe scene(&timeValue);
    loadAndStart(scene, kStart);
    renderAt(scene, kStart);
    expectWholeView(readPixels(), 255, 0);
    renderAt(scene, kStart + 0.25f);
    // The middle of the view looks down the empty bundle axis.
    EXPECT_NEAR(pixel(32, 32)[0], 191, 3);
    renderAt(scene, kStart + 0.5f);
    EXPECT_NEAR(pixel(32, 32)[0], 128, 3);
    EXPECT_TRUE(scene.fadeInActive);
    // The fade ends clamped at nothing.
    renderAt(scene, kStart + 1.2f);
    EXPECT_FALSE(scene.fadeInActive);
    EXPECT_EQ(scene.quadAlpha(), 0.0f);
    EXPECT_EQ(pixel(32, 32)[0], 0);
    renderAt(scene, kStart + 1.3f);
    EXPECT_EQ(pixel(32, 32)[0], 0);
    scene.stop();
}

TEST_F(MultiCylinderTunnelSceneTest, EventsDueTogetherFireOneAFrameInTurn)
{
    MultiCylinderTunnelProbe scene(&timeValue);
    // Starting late leaves every earlier cue due at once, the pulse and zoom on beat 100.5 among them.
    const float late = 40.75f;
    loadAndStart(scene, late);
    const int due = scene.dueEvents(late);
    ASSERT_GT(due, 30);
    timeValue = late;
    for (int frame = 1; frame <= due + 3; ++frame) {
        scene.advance();
        ASSERT_EQ(static_cast<int>(scene.nextEvent), std::min(frame, due));
    }
    EXPECT_TRUE(scene.pulseActive);
    EXPECT_TRUE(scene.zoomActive);
    EXPECT_TRUE(scene.flashActive);
    renderAt(scene, late);
    EXPECT_EQ(scene.zoomScale, 3.0f);
    scene.stop();
}

TEST_F(MultiCylinderTunnelSceneTest, TheWindowFollowsOneStepAFrameAndZoomsNeverShrinkThePicture)
{
    MultiCylinderTunnelProbe scene(&timeValue);
    loadAndStart(scene, kStart);
    renderAt(scene, kStart);
    EXPECT_EQ(scene.window->first(), 60);
    // A second's flight is 35 steps; the window needs 35 frames to catch up.
    timeValue = kStart + 1.01f;
    scene.advance();
    EXPECT_EQ(scene.window->first(), 120);
    for (int frame = 0; frame < 40; ++frame) {
        scene.advance();
    }
    EXPECT_EQ(scene.window->first(), 60 + 35 * 60);
    EXPECT_EQ(scene.tube->getPolygonCount(), 12000u);

    scene.keyPressed(13);
    renderAt(scene, kStart + 1.06f);
    EXPECT_NEAR(scene.zoomScale, 2.0f, 1e-3f);
    renderAt(scene, kStart + 1.2f);
    EXPECT_EQ(scene.zoomScale, 1.0f);
    EXPECT_FALSE(scene.zoomActive);
    scene.stop();
}

TEST_F(MultiCylinderTunnelSceneTest, TheFadeOutStopsAtWhiteAndTheFlashAtNothing)
{
    MultiCylinderTunnelProbe scene(&timeValue);
    loadAndStart(scene, kStart);
    renderAt(scene, kStart + 2.0f); // the fade-in ends
    // The tunnel runs on past its end: every cue fires, the fade out reaches white and stays there.
    timeValue = kEnd + 5.0f;
    for (int frame = 0; frame < 100; ++frame) {
        scene.advance();
    }
    ASSERT_TRUE(scene.fadeOutActive);
    renderAt(scene, kEnd + 10.0f); // the flash ends on this frame
    renderAt(scene, kEnd + 10.0f);
    EXPECT_FALSE(scene.flashActive);
    EXPECT_EQ(scene.quadAlpha(), 1.0f);
    expectWholeView(readPixels(), 255, 0);
    scene.stop();
}
