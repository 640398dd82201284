#include "effects/scenes/RainBallScene.h"
#include "effects/sync/RainBallSync.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "support/SceneTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr float kIntroEnd = 27.364876f;

// Opens the scene's state to the tests.
class RainBallProbe : public RainBallScene {
public:
    using RainBallScene::RainBallScene;
    using RainBallScene::ball;
    using RainBallScene::burstActive;
    using RainBallScene::logoFadeActive;
    using RainBallScene::logoFadeTime;
    using RainBallScene::logoGrid;
    using RainBallScene::logoStrips;
    using RainBallScene::logoVisible;
    using RainBallScene::ringAngleX;
    using RainBallScene::ringAngleY;
    using RainBallScene::rippleActive;
    using RainBallScene::stripFallActive;
    using RainBallScene::triangleVelocity;
};

float logoAlpha(RainBallProbe& scene) { return scene.logoStrips->getColors()[3]; }

// Lowest y of the bottom logo strip (cell 0 owns vertices 0 … 5).
float bottomStripY(RainBallProbe& scene) { return scene.logoStrips->getVertices()[1]; }

} // namespace

TEST(RainBallSceneCpuTest, EveryTriangleLandsOnItsPlaceWithoutOvershooting)
{
    float now = -1.0f;
    RainBallProbe scene(&now);
    scene.load();
    std::unique_ptr<MeshObject> sphere(PrimitiveFactory::createTexturedSphere(40, 40));
    const float* rest = sphere->getVertices();
    const float* vertices = scene.ball->getVertices();
    const int vertexCount = scene.ball->getVertexCount();
    ASSERT_EQ(vertexCount, sphere->getVertexCount());
    const int half = vertexCount / 2;

    now = 0.0f;
    scene.rainBall();
    EXPECT_FLOAT_EQ(vertices[1], rest[1] + 20.0f);
    EXPECT_FLOAT_EQ(vertices[(vertexCount - 1) * 3 + 1], rest[(vertexCount - 1) * 3 + 1] - 20.0f);
    // The first half comes down from above, the second rises from below; none passes its place.
    for (now = 0.0f; now < 8.6f; now += 1.0f / 60.0f) {
        scene.rainBall();
        for (int v = 0; v < vertexCount; ++v) {
            const float offset = vertices[v * 3 + 1] - rest[v * 3 + 1];
            if (v < half) {
                ASSERT_GE(offset, 0.0f) << "vertex " << v << " at " << now;
            } else {
                ASSERT_LE(offset, 0.0f) << "vertex " << v << " at " << now;
            }
        }
    }
    // By 6.7 s every triangle has arrived, exactly.
    now = 6.7f;
    scene.logoVisible = true;
    scene.rainBall();
    for (int v = 0; v < vertexCount; ++v) {
        ASSERT_EQ(vertices[v * 3 + 1], rest[v * 3 + 1]) << "vertex " << v;
        ASSERT_EQ(vertices[v * 3], rest[v * 3]);
    }
    EXPECT_TRUE(scene.logoVisible);
    // While one triangle is still on its way the ring stays hidden.
    now = 6.0f;
    scene.rainBall();
    EXPECT_FALSE(scene.logoVisible);
}

TEST(RainBallSceneCpuTest, LandingSpeedsAreTheSameEveryRunAndMirroredBetweenTheHalves)
{
    float now = -1.0f;
    RainBallProbe first(&now);
    first.load();
    const std::vector<float> speeds = first.triangleVelocity;
    ASSERT_EQ(speeds.size(), 3120u);
    int counts[3] = {};
    for (std::size_t i = 0; i < speeds.size() / 2; ++i) {
        const float down = speeds[i];
        ASSERT_TRUE(down == -3.0f || down == -4.0f || down == -5.0f) << down;
        ASSERT_EQ(speeds[speeds.size() / 2 + i], -down) << i;
        ++counts[static_cast<int>(-down) - 3];
    }
    // Random, not constant: every speed occurs.
    EXPECT_GT(counts[0], 0);
    EXPECT_GT(counts[1], 0);
    EXPECT_GT(counts[2], 0);

    // Neither the clock at load nor what others drew from the generator changes the speeds.
    now = 3.7f;
    std::srand(12345);
    (void)std::rand();
    RainBallProbe second(&now);
    second.load();
    EXPECT_EQ(second.triangleVelocity, speeds);
}

TEST(RainBallSceneCpuTest, TumbleWhipsInsideItsWindowsAndKeepsItsAnglesSmall)
{
    float now = -1.0f;
    RainBallProbe scene(&now);
    scene.load();
    now = 7.9f;
    EXPECT_FALSE(scene.tumbleRing());
    now = 13.0f;
    EXPECT_FALSE(scene.tumbleRing());
    // Just past 13 s one frame turns the ring by millions of degrees.
    now = 13.00001f;
    EXPECT_TRUE(scene.tumbleRing());
    EXPECT_LT(std::abs(scene.ringAngleY), 360.0f);
    for (now = 13.02f; now < 27.0f; now += 1.0f / 60.0f) {
        ASSERT_TRUE(scene.tumbleRing());
        ASSERT_LT(std::abs(scene.ringAngleX), 360.0f);
        ASSERT_LT(std::abs(scene.ringAngleY), 360.0f);
    }
    // Small turns survive: with unwrapped angles of this size a quarter-degree step would be lost.
    const float before = scene.ringAngleX;
    now = 27.0f;
    scene.tumbleRing();
    EXPECT_NEAR(std::fmod(scene.ringAngleX - before + 720.0f, 360.0f), 0.0625f * 27.0f, 1e-3f);
}

class RainBallSceneTest : public SceneTest {};

TEST_F(RainBallSceneTest, EventsDueTogetherFireOnConsecutiveFramesInTimeOrder)
{
    RainBallProbe scene(&timeValue);
    loadAndStart(scene, 0.0f);
    renderAt(scene, 0.0f);
    EXPECT_FALSE(scene.logoVisible);
    // 8.512 s (ring) and 14.624 s (logo fade) are both due.
    renderAt(scene, 15.0f);
    EXPECT_TRUE(scene.logoVisible);
    EXPECT_FALSE(scene.logoFadeActive);
    renderAt(scene, 15.0f);
    EXPECT_TRUE(scene.logoFadeActive);
    EXPECT_EQ(scene.logoFadeTime, 15.0f);
    renderAt(scene, 15.0f);
    EXPECT_FALSE(scene.rippleActive);
}

TEST_F(RainBallSceneTest, SpaceAndEnterStartTheLogoEarlyAndTheirCuesRestartThem)
{
    RainBallProbe scene(&timeValue);
    loadAndStart(scene, 0.0f);
    renderAt(scene, 10.0f);
    EXPECT_EQ(logoAlpha(scene), 0.0f);
    scene.keyPressed(32);
    renderAt(scene, 12.0f);
    EXPECT_NEAR(logoAlpha(scene), 2.0f * 0.28234467f, 1e-5f);
    // The cue at 14.624 s, fired late, restarts the fade from nothing.
    renderAt(scene, 20.0f);
    EXPECT_TRUE(scene.logoFadeActive);
    EXPECT_EQ(scene.logoFadeTime, 20.0f);
    EXPECT_EQ(logoAlpha(scene), 0.0f);

    // Enter drops the strips at once; the cue at 21.824 s restarts the clock but keeps the distance fallen.
    const float rest = bottomStripY(scene);
    scene.keyPressed(13);
    renderAt(scene, 20.0f); // the ripple's cue fires, nothing has fallen yet
    EXPECT_EQ(bottomStripY(scene), rest);
    renderAt(scene, 21.0f);
    EXPECT_NEAR(bottomStripY(scene), rest - 800.0f / 300.0f, 1e-4f);
    renderAt(scene, 21.9f); // the strip-fall cue: elapsed time 0 again
    EXPECT_NEAR(bottomStripY(scene), rest - 800.0f / 300.0f, 1e-4f);
    renderAt(scene, 22.4f);
    EXPECT_NEAR(bottomStripY(scene), rest - 800.0f / 300.0f * 1.5f, 1e-4f);
    // The top strip falls slower than the bottom one.
    const float* strips = scene.logoStrips->getVertices();
    EXPECT_NEAR(strips[249 * 6 * 3 + 1], 20.6f * 249.0f / 250.0f - 302.0f / 300.0f * 1.5f, 1e-3f);
}

TEST_F(RainBallSceneTest, TheRippleLiftsEachGridVertexAndEndsFlatAfterThreeSeconds)
{
    RainBallProbe scene(&timeValue);
    loadAndStart(scene, 0.0f);
    for (int frame = 0; frame < 3; ++frame) {
        renderAt(scene, 19.0f); // ring, logo fade, ripple
    }
    ASSERT_TRUE(scene.rippleActive);
    const auto largestDepth = [&scene] {
        const float* vertices = scene.logoGrid->getVertices();
        float largest = 0.0f;
        for (int v = 0; v < scene.logoGrid->getVertexCount(); ++v) {
            largest = std::max(largest, std::abs(vertices[v * 3 + 2]));
        }
        return largest;
    };
    // One second in, every grid vertex is lifted by the ripple at its own place.
    renderAt(scene, 20.0f);
    EXPECT_TRUE(scene.rippleActive);
    EXPECT_GT(largestDepth(), 0.5f);
    const float* vertices = scene.logoGrid->getVertices();
    const float twoPi = 6.2831853f;
    const float envelope = 1.0f - std::cos(twoPi / 3.0f);
    for (int v = 0; v < scene.logoGrid->getVertexCount(); ++v) {
        const float x = vertices[v * 3];
        const float y = vertices[v * 3 + 1];
        const float z = std::sin(twoPi * (4.0f / 3.0f) * x) * std::cos(twoPi * 2.0f * y) *
                        std::sin(twoPi * (5.0f / 3.0f) * y) * 1.2f * 1.5f * 1.1f * envelope * 0.5f;
        ASSERT_NEAR(vertices[v * 3 + 2], z, 1e-4f) << "vertex " << v << " at (" << x << ", " << y << ")";
    }
    renderAt(scene, 22.2f);
    EXPECT_FALSE(scene.rippleActive);
    EXPECT_LT(largestDepth(), 1e-5f);
}

TEST_F(RainBallSceneTest, TheIntroFadesToWhiteAndEndsOnAWhiteFrame)
{
    RainBallProbe scene(&timeValue);
    loadAndStart(scene, 0.0f);
    for (float t : {0.0f, 3.0f, 6.0f, 8.6f, 14.7f, 18.9f, 21.9f}) {
        renderAt(scene, t);
    }
    EXPECT_FALSE(scene.burstActive);
    renderAt(scene, 25.81f);
    ASSERT_TRUE(scene.burstActive);
    // Half way through the fade the picture is half white: count the pixels of the black background.
    renderAt(scene, 25.81f + 0.775f);
    std::vector<std::uint8_t> pixels = readPixels();
    int halfWhite = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        halfWhite += std::abs(int{pixels[i]} - 128) <= 4 && std::abs(int{pixels[i + 2]} - 128) <= 4 ? 1 : 0;
    }
    EXPECT_GT(halfWhite, 64 * 64 / 2);
    renderAt(scene, kIntroEnd - 0.1f);
    renderAt(scene, kIntroEnd);
    pixels = readPixels();
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_EQ(pixels[i], 255) << "pixel " << i / 4;
        ASSERT_EQ(pixels[i + 1], 255) << "pixel " << i / 4;
        ASSERT_EQ(pixels[i + 2], 255) << "pixel " << i / 4;
    }
    scene.stop();
}
