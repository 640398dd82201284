#include "effects/scenes/PlasmaTunnelVelkScene.h"
#include "effects/sync/PlasmaTunnelVelkSync.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr float kStart = 79.25676f;
constexpr float kEnd = 92.22973f;
constexpr float kTwoPi = 6.2831853f;

class PlasmaTunnelVelkProbe : public PlasmaTunnelVelkScene {
public:
    using PlasmaTunnelVelkScene::PlasmaTunnelVelkScene;
    using PlasmaTunnelVelkScene::firstRing;
    using PlasmaTunnelVelkScene::flashActive;
    using PlasmaTunnelVelkScene::sceneTime;
    using PlasmaTunnelVelkScene::tubeRadius;
    using PlasmaTunnelVelkScene::tunnelDepth;
};

int countOf(const std::string& text, const std::string& word)
{
    int count = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

TEST(PlasmaTunnelVelkCuesTest, FlashesOnEveryBeatWithIdleCuesOnEverySecond)
{
    ASSERT_EQ(kPlasmaTunnelVelkFlashes.size(), 32u);
    ASSERT_EQ(kPlasmaTunnelVelkIdleCues.size(), 16u);
    EXPECT_NEAR(kPlasmaTunnelVelkFlashes[0].time, 79.25676f, 1e-4f);
    EXPECT_NEAR(kPlasmaTunnelVelkFlashes[1].time, 79.66216f, 1e-4f);
    EXPECT_NEAR(kPlasmaTunnelVelkFlashes[31].time, 91.82433f, 1e-4f);
    EXPECT_NEAR(kPlasmaTunnelVelkIdleCues[0].time, 79.66216f, 1e-4f);
    EXPECT_NEAR(kPlasmaTunnelVelkIdleCues[1].time, 80.47297f, 1e-4f);
    EXPECT_NEAR(kPlasmaTunnelVelkIdleCues[15].time, 91.82433f, 1e-4f);
    const int kinds[] = {1, 2, 3, 1, 3, 2, 3, 1, 2, 3, 1, 3, 2, 2, 3, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(kPlasmaTunnelVelkIdleCues[i].kind, kinds[i]);
    }
    for (const SyncEvent& flash : kPlasmaTunnelVelkFlashes) {
        EXPECT_EQ(flash.kind, 0);
        EXPECT_LT(flash.time, kEnd);
    }
}

TEST(PlasmaTunnelVelkCpuTest, BandsFollowTheRingWobbleOrbitAndPlasma)
{
    float now = kStart;
    PlasmaTunnelVelkProbe scene(&now);
    scene.load();
    scene.sceneTime = 1.3f;
    scene.firstRing = -37;
    scene.computeBands();
    const auto& bands = scene.getBands();
    ASSERT_EQ(bands.size(), 100u * 51u);
    const float t = 1.3f;
    for (int k = 0; k < 100; ++k) {
        const int r = -37 + k;
        const float a = kTwoPi * r / 100.0f;
        const float b = kTwoPi * (r + 1) / 100.0f;
        for (int j = 0; j <= 50; ++j) {
            const PlasmaTunnelVelkScene::BandStep& step = bands[k * 51 + j];
            const float theta = j * kTwoPi / 50.0f;
            const float thetaNext = (j + 1) * kTwoPi / 50.0f;
            const float ox = 0.7f * std::cos(2.0f * std::sin(t) + (kTwoPi * j / 50.0f) * 2.0f);
            const float oy0 = 0.7f * std::sin(kTwoPi * (r + 1) / 10.0f + 2.0f * t);
            const float oy1 = 0.7f * std::sin(kTwoPi * (r + 2) / 10.0f + 2.0f * t);
            const float p0[3] = {2.0f * std::sin(theta) + std::sin(2.0f * a) + ox,
                                 2.0f * std::cos(theta) + std::cos(2.0f * a) + oy0, static_cast<float>(r)};
            const float p1[3] = {2.0f * std::sin(theta) + std::sin(2.0f * b) + ox,
                                 2.0f * std::cos(theta) + std::cos(2.0f * b) + oy1, static_cast<float>(r + 1)};
            const float p2[2] = {2.0f * std::sin(thetaNext) + std::sin(2.0f * b) + ox,
                                 2.0f * std::cos(thetaNext) + std::cos(2.0f * b) + oy1};
            const float nz = (p0[0] - p1[0]) * (p2[1] - p1[1]) - (p0[1] - p1[1]) * (p2[0] - p1[0]);
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(step.nearVertex[c], p0[c], 1e-4f) << k << ", " << j;
                ASSERT_NEAR(step.farVertex[c], p1[c], 1e-4f) << k << ", " << j;
            }
            ASSERT_NEAR(step.normal[0], std::sin(a), 1e-5f);
            ASSERT_NEAR(step.normal[1], std::cos(a), 1e-5f);
            ASSERT_NEAR(step.normal[2], nz, 1e-4f);
            // Both vertices take the plasma colour of ring r, each with its own y wobble.
            for (const auto& [colour, v] : {std::pair{step.nearColour, oy0}, std::pair{step.farColour, oy1}}) {
                const float red = std::sin(t + ox * r / 50.0f) + std::sin(v + r + t) / 5.0f;
                const float green = std::sin(16.0f * v / 50.0f + 3.1415927f + t) + std::cos(ox + r + t) / 3.0f;
                ASSERT_NEAR(colour[0], red, 1e-4f);
                ASSERT_NEAR(colour[1], green, 1e-4f);
                ASSERT_NEAR(colour[2], red + green, 1e-4f);
            }
        }
        // The last step closes the ring.
        ASSERT_NEAR(bands[k * 51 + 50].nearVertex[0], bands[k * 51].nearVertex[0], 1e-4f);
        ASSERT_NEAR(bands[k * 51 + 50].nearVertex[1], bands[k * 51].nearVertex[1], 1e-4f);
    }
}

class PlasmaTunnelVelkSceneTest : public SceneTest {
protected:
    void TearDown() override
    {
        glShadeModel(GL_SMOOTH);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_DONT_CARE);
        SceneTest::TearDown();
    }
};

TEST_F(PlasmaTunnelVelkSceneTest, PrintsBassflashOnceForEachOfItsThirtyTwoBeats)
{
    PlasmaTunnelVelkProbe scene(&timeValue);
    loadAndStart(scene, kStart);
    int printed = 0;
    for (int frame = 0; kStart + frame * 0.05f < kEnd; ++frame) {
        const std::string output = renderCapturingOutput(scene, kStart + frame * 0.05f);
        const int flashes = countOf(output, "bassflash\n");
        ASSERT_LE(flashes, 1) << "frame " << frame;
        EXPECT_EQ(output, flashes == 1 ? "bassflash\n" : "");
        printed += flashes;
    }
    EXPECT_EQ(printed, 32);
}

TEST_F(PlasmaTunnelVelkSceneTest, AdvancesOneRingPerFrameFromTheSecondFrameAndFlashesWhite)
{
    PlasmaTunnelVelkProbe scene(&timeValue);
    loadAndStart(scene, kStart);
    ASSERT_LE(kPlasmaTunnelVelkFlashes[0].time, kStart);
    testing::internal::CaptureStdout();
    renderAt(scene, kStart);
    EXPECT_EQ(scene.firstRing, 0);
    EXPECT_EQ(scene.tunnelDepth, -100.0f);
    // The flash of the first beat covers the view in white.
    const std::vector<std::uint8_t> white = readPixels();
    for (std::size_t i = 0; i < white.size(); i += 4) {
        ASSERT_EQ(white[i], 255);
        ASSERT_EQ(white[i + 1], 255);
        ASSERT_EQ(white[i + 2], 255);
    }
    // Frames, not seconds, move the tunnel: the same time value twice moves it twice.
    renderAt(scene, kStart + 0.25f);
    renderAt(scene, kStart + 0.25f);
    EXPECT_EQ(scene.firstRing, -2);
    EXPECT_EQ(scene.tunnelDepth, -98.0f);
    EXPECT_FALSE(scene.flashActive);
    const std::vector<std::uint8_t> tunnel = readPixels();
    int lit = 0;
    for (std::size_t i = 0; i < tunnel.size(); i += 4) {
        lit += tunnel[i] < 250 || tunnel[i + 1] < 250 || tunnel[i + 2] < 250 ? 1 : 0;
    }
    EXPECT_GT(lit, 64 * 64 / 2);

    // A flash started while another fades restarts at full white.
    timeValue = kStart + 0.25f;
    scene.keyPressed(32);
    renderAt(scene, kStart + 0.35f);
    EXPECT_TRUE(scene.flashActive);
    EXPECT_GE(pixel(10, 10)[0], 127);
    timeValue = kStart + 0.35f;
    scene.keyPressed(32);
    renderAt(scene, kStart + 0.35f);
    EXPECT_EQ(pixel(10, 10)[0], 255);
    EXPECT_EQ(pixel(50, 40)[1], 255);
    scene.stop();
    // The first beat and the two presses.
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "bassflash\nbassflash\nbassflash\n");
}
