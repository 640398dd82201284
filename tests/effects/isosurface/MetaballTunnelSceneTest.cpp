#include "effects/isosurface/MetaballTunnelScene.h"
#include "effects/sync/Beat.h"
#include "effects/sync/MetaballTunnelSync.h"
#include "sequence/TextureTable.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr float kStart = 170.06758f;
constexpr float kEnd = 196.01352f;

bool pulsed(const MetaballTunnelScene& scene)
{
    for (const Metaball& ball : scene.getBalls()) {
        if (ball.strength != 0.15f) {
            return false;
        }
    }
    return true;
}

bool kicked(const MetaballTunnelScene& scene)
{
    for (const Metaball& ball : scene.getBalls()) {
        if (ball.speed[0] != ball.kickSpeed[0]) {
            return false;
        }
    }
    return true;
}

int litPixels(const std::vector<std::uint8_t>& rgba)
{
    int lit = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        lit += rgba[i] > 128 ? 1 : 0;
    }
    return lit;
}

} // namespace

TEST(MetaballTunnelSyncTest, EventsFallOnTheSceneBeats)
{
    EXPECT_FLOAT_EQ(kMetaballTunnelStart, kStart);
    EXPECT_EQ(kMetaballTunnelPulses.size() + kMetaballTunnelKicks.size() + kMetaballTunnelFlashes.size(), 156u);
    EXPECT_EQ(kMetaballTunnelPulses.size(), 68u);
    EXPECT_EQ(kMetaballTunnelKicks.size(), 56u);
    EXPECT_EQ(kMetaballTunnelFlashes.size(), 32u);
    // Beat 1 and beat 63 of the scene, worked out by hand.
    EXPECT_NEAR(kMetaballTunnelFlashes.front().time, 170.472985f, 1e-4f);
    EXPECT_NEAR(kMetaballTunnelFlashes.back().time, 195.608121f, 1e-4f);
    // The last kick: bar 7, beat 5.5 = beat 61.5.
    EXPECT_NEAR(kMetaballTunnelKicks.back().time, 170.06758f + 61.5f * 60.0f / 148.0f, 1e-4f);
    // The fill of extra pulses in the fourth bar, in order among the others.
    EXPECT_NEAR(kMetaballTunnelPulses[29].time, 170.06758f + 29.0f * 60.0f / 148.0f, 1e-4f);
    EXPECT_NEAR(kMetaballTunnelPulses[30].time, 170.06758f + 29.5f * 60.0f / 148.0f, 1e-4f);
    EXPECT_NEAR(kMetaballTunnelPulses[35].time, 170.06758f + 31.75f * 60.0f / 148.0f, 1e-4f);
    EXPECT_NEAR(kMetaballTunnelPulses.back().time, 170.06758f + 63.0f * 60.0f / 148.0f, 1e-4f);

    auto check = [](const auto& table, int kind) {
        float previous = 0.0f;
        for (const SyncEvent& event : table) {
            EXPECT_EQ(event.kind, kind);
            EXPECT_GE(event.time, kStart);
            EXPECT_LT(event.time, kEnd) << "an event after the scene's end never fires";
            EXPECT_GT(event.time, previous);
            previous = event.time;
        }
    };
    check(kMetaballTunnelKicks, kMetaballKick);
    check(kMetaballTunnelFlashes, kMetaballFlash);
    check(kMetaballTunnelPulses, kMetaballPulse);
}

class MetaballTunnelSceneTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        scene = std::make_unique<MetaballTunnelScene>(&timeValue);
    }
    void TearDown() override
    {
        if (scene) {
            scene->stop();
        }
        scene.reset();
        SceneTest::TearDown();
    }
    std::unique_ptr<MetaballTunnelScene> scene;
};

TEST_F(MetaballTunnelSceneTest, PulseAndKickDueTogetherFireOnConsecutiveFrames)
{
    loadAndStart(*scene, kStart);
    EXPECT_FALSE(pulsed(*scene) || kicked(*scene));
    renderAt(*scene, kStart);
    EXPECT_NE(pulsed(*scene), kicked(*scene)) << "exactly one event in the first frame";
    renderAt(*scene, kStart);
    EXPECT_TRUE(pulsed(*scene) && kicked(*scene));
    // The kick at beat 0.5 is not due yet, so the speeds stay where the kick put them.
    renderAt(*scene, kStart + 0.1f);
    EXPECT_NEAR(scene->getBalls()[0].speed[0], 11.0f - 50.0f * 0.1f, 2e-3f);
}

TEST_F(MetaballTunnelSceneTest, FlashPrintsOnceOnItsOwnFrame)
{
    loadAndStart(*scene, kStart);
    const float flashTime = beatTime(kStart, 1.0f);
    EXPECT_EQ(renderCapturingOutput(*scene, flashTime - 0.01f), "") << "the flash is not due yet";
    // The first frame fired one of the pulse and kick at beat 0; then come the other, the kick at 0.5,
    // and the pulse and the flash at beat 1.
    int flashFrame = 0;
    for (int frame = 2; frame <= 9; ++frame) {
        const std::string output = renderCapturingOutput(*scene, flashTime);
        if (!output.empty()) {
            EXPECT_EQ(output, "flash\n");
            EXPECT_EQ(flashFrame, 0) << "printed twice";
            flashFrame = frame;
        }
    }
    EXPECT_TRUE(flashFrame == 4 || flashFrame == 5) << flashFrame;
}

TEST_F(MetaballTunnelSceneTest, FlashCoversTheViewThenFadesWithinATenthOfASecond)
{
    if (TextureTable::instance().findTexture("spheremap.png") != 0) {
        GTEST_SKIP() << "a sphere map is loaded; the flash would be textured";
    }
    loadAndStart(*scene, kStart + 0.2f);
    renderAt(*scene, kStart + 0.2f); // fires one of the events at beat 0
    EXPECT_EQ(renderCapturingOutput(*scene, kStart + 0.21f), "") << "the other";
    EXPECT_COLOR(pixel(60, 60), 0, 0, 0, 255);

    timeValue = kStart + 0.25f;
    testing::internal::CaptureStdout();
    scene->keyPressed(81);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "flash\n");
    renderAt(*scene, kStart + 0.25f);
    EXPECT_COLOR(pixel(60, 60), 255, 255, 255, 255);
    EXPECT_COLOR(pixel(32, 32), 255, 255, 255, 255);
    renderAt(*scene, kStart + 0.3f);
    EXPECT_COLOR(pixel(60, 60), 128, 128, 128, 255);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) == GL_FALSE);
    // Past a tenth of a second and before the next event: no quad at all.
    renderAt(*scene, kStart + 0.38f);
    EXPECT_COLOR(pixel(60, 60), 0, 0, 0, 255);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) == GL_FALSE);
}

TEST_F(MetaballTunnelSceneTest, DrawsTheBallsWhereTheirPathsStartAndCountsWhatItDraws)
{
    if (TextureTable::instance().findTexture("spheremap.png") != 0) {
        GTEST_SKIP() << "a sphere map is loaded; the surface would be textured";
    }
    loadAndStart(*scene, kStart);
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    renderAt(*scene, kStart);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint drawn = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &drawn);
    glDeleteQueries(1, &query);
    EXPECT_GT(drawn, 500u);
    EXPECT_EQ(scene->getPolygonCount(), drawn);

    // At phase 0 the balls lie along y = 0 from x = −0.9 to 0 and at (0, 0.4) and (0, 0.7), 3.5 units
    // away: one unit of x is about 22 pixels. The surface is untextured white here.
    EXPECT_COLOR(pixel(32, 32), 255, 255, 255, 255);
    EXPECT_COLOR(pixel(32, 41), 255, 255, 255, 255);
    EXPECT_COLOR(pixel(30, 47), 255, 255, 255, 255);
    EXPECT_COLOR(pixel(14, 31), 255, 255, 255, 255);
    EXPECT_COLOR(pixel(50, 32), 0, 0, 0, 255);
    EXPECT_COLOR(pixel(32, 14), 0, 0, 0, 255);
    const int lit = litPixels(readPixels());
    EXPECT_GT(lit, 100);
    EXPECT_LT(lit, 700);

    // Later on the balls have moved: a different picture, and the count follows it.
    renderAt(*scene, kStart + 3.0f);
    EXPECT_NE(scene->getPolygonCount(), drawn);
    EXPECT_GT(scene->getPolygonCount(), 500u);
}

TEST_F(MetaballTunnelSceneTest, BallsFollowTheirSpeedsThroughKicksAndPulses)
{
    loadAndStart(*scene, kStart);
    scene->advanceBalls(kStart);
    scene->advanceBalls(kStart + 0.1f);
    const Metaball& first = scene->getBalls()[0];
    // Before any kick phase 0 runs at base speed 0 and phase 1 at base speed 2.
    EXPECT_NEAR(first.phase[0], 1.0f * 0.1f, 1e-5f);
    EXPECT_NEAR(first.phase[1], 0.6f * 0.1f, 1e-5f);
    EXPECT_NEAR(first.position[0], -0.3f * std::cos(0.1f), 1e-5f);
    EXPECT_NEAR(first.position[1], 0.3f * std::sin(0.06f), 1e-5f);
    EXPECT_EQ(first.position[2], -1.0f);

    timeValue = kStart + 0.1f;
    scene->keyPressed(13);
    scene->keyPressed(32);
    scene->advanceBalls(kStart + 0.15f);
    EXPECT_NEAR(first.speed[0], 11.0f - 2.5f, 2e-3f);
    EXPECT_NEAR(first.strength, 0.15f - 0.05f / 3.0f, 2e-5f);
    scene->advanceBalls(kStart + 0.5f);
    // The kick has decayed: back to base speeds, and phase 1 now runs at base 1 + base 2.
    EXPECT_EQ(first.speed[0], 1.0f);
    EXPECT_EQ(first.speed[1], 0.9f);
    EXPECT_EQ(first.speed[2], 0.6f);
    EXPECT_EQ(first.strength, 0.1f);
    const float phase1 = first.phase[1];
    scene->advanceBalls(kStart + 1.5f);
    EXPECT_NEAR(first.phase[1] - phase1, 1.5f, 1e-4f);
    EXPECT_EQ(first.strength, 0.1f) << "the pulse has ended and stays ended";
}

TEST_F(MetaballTunnelSceneTest, FirstFrameOnASampleCentreStaysFinite)
{
    loadAndStart(*scene, kStart);
    scene->advanceBalls(kStart);
    // At phase 0 ball 3 sits at (0, 0, −1), which is a grid sample.
    const Metaball& ball = scene->getBalls()[3];
    MarchingCubesGrid& grid = scene->getGrid();
    ASSERT_EQ(ball.position[0], grid.point(25, 25, 50).x);
    ASSERT_EQ(ball.position[1], grid.point(25, 25, 50).y);
    ASSERT_EQ(ball.position[2], grid.point(25, 25, 50).z);
    scene->updateField();
    for (int i = 0; i <= 50; ++i) {
        for (int j = 0; j <= 50; ++j) {
            for (int k = 0; k <= 50; ++k) {
                const GridPoint& p = grid.point(i, j, k);
                ASSERT_TRUE(std::isfinite(p.value) && std::isfinite(p.nx + p.ny + p.nz)) << i << " " << j << " " << k;
            }
        }
    }
}
