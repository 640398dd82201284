#include "effects/isosurface/PlasmaBallScene.h"
#include "geometry/MeshObject.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr float kStart = 196.01352f;
constexpr float kEnd = 208.98648f;

// Every vertex lies between the centre and twice its rest radius of 6, is finite, and carries the
// colour of its radius with the alpha of 0.2 it was loaded with.
void expectBallInRange(MeshObject* ball)
{
    const float* v = ball->getVertices();
    const float* colors = ball->getColors();
    for (int i = 0; i < ball->getVertexCount(); ++i) {
        const float r = std::sqrt(v[i * 3] * v[i * 3] + v[i * 3 + 1] * v[i * 3 + 1] + v[i * 3 + 2] * v[i * 3 + 2]);
        ASSERT_TRUE(std::isfinite(r)) << "vertex " << i;
        ASSERT_LE(r, 12.0f + 1e-4f) << "vertex " << i;
        if (i % 101 == 0) {
            const float c = std::cos(r);
            ASSERT_NEAR(colors[i * 4], (c * c + 2.0f) / 4.0f, 1e-3f) << "vertex " << i;
            ASSERT_NEAR(colors[i * 4 + 1], (std::sin(r) + 1.0f) / 2.0f, 1e-3f) << "vertex " << i;
            ASSERT_EQ(colors[i * 4 + 3], 0.2f) << "vertex " << i;
        }
    }
}

} // namespace

class PlasmaBallSceneTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        scene = std::make_unique<PlasmaBallScene>(&timeValue);
    }
    void TearDown() override
    {
        scene->stop();
        scene.reset();
        SceneTest::TearDown();
    }
    std::unique_ptr<PlasmaBallScene> scene;
};

TEST_F(PlasmaBallSceneTest, ClockWindsBackFromTheStartToNearlyZero)
{
    loadAndStart(*scene, kStart);
    EXPECT_EQ(scene->getPolygonCount(), 44700u);
    EXPECT_EQ(scene->windTime(kStart), kStart);
    EXPECT_NEAR(scene->windTime(kEnd), 0.204f, 0.01f);
    float previous = scene->windTime(kStart);
    for (float t = kStart + 0.5f; t < kEnd; t += 0.5f) {
        const float wound = scene->windTime(t);
        EXPECT_LT(wound, previous) << t;
        EXPECT_NEAR(previous - wound, 0.5f * (209.0f / (209.0f - kStart) - 1.0f), 1e-2f);
        previous = wound;
    }
}

TEST_F(PlasmaBallSceneTest, BallStaysWithinItsRadiusThroughTheScene)
{
    loadAndStart(*scene, kStart);
    for (float t : {kStart, 200.0f, 204.5f, kEnd}) {
        scene->displaceBall(t);
        expectBallInRange(scene->getBall());
    }
}

TEST_F(PlasmaBallSceneTest, LateStartStillWindsBackAndStaysFinite)
{
    // Half a second before the rewind's end the scale is still 209 / 0.5: the floor is only for starts past it.
    loadAndStart(*scene, 208.5f);
    EXPECT_NEAR(scene->windTime(208.6f), 208.6f - 0.1f * 418.0f, 0.05f);
    scene->stop();
    for (float late : {208.9f, 209.0f, 215.0f}) {
        loadAndStart(*scene, late);
        EXPECT_EQ(scene->windTime(late), late);
        float previous = late;
        for (float t = late + 0.1f; t < late + 1.0f; t += 0.1f) {
            const float wound = scene->windTime(t);
            ASSERT_TRUE(std::isfinite(wound)) << late << " " << t;
            EXPECT_LT(wound, previous) << "started at " << late;
            previous = wound;
        }
        scene->displaceBall(late);
        expectBallInRange(scene->getBall());
        scene->displaceBall(late + 0.5f);
        expectBallInRange(scene->getBall());
        scene->stop();
    }
}

TEST_F(PlasmaBallSceneTest, DrawsTheBallWithinItsDisplacedRadius)
{
    loadAndStart(*scene, kStart);
    renderAt(*scene, 200.0f);
    const std::vector<std::uint8_t> first = readPixels();
    float smallest = 1e9f;
    float largest = 0.0f;
    const float* v = scene->getBall()->getVertices();
    for (int i = 0; i < scene->getBall()->getVertexCount(); ++i) {
        const float r = std::sqrt(v[i * 3] * v[i * 3] + v[i * 3 + 1] * v[i * 3 + 1] + v[i * 3 + 2] * v[i * 3 + 2]);
        smallest = std::min(smallest, r);
        largest = std::max(largest, r);
    }
    // Pixels from the centre of a view 45 degrees high, for a sphere of radius r 20 units away.
    const auto projected = [](float r) { return 32.0f * std::tan(std::asin(r / 20.0f)) / std::tan(0.3926991f); };
    int lit = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t* p = &first[(y * 64 + x) * 4];
            const bool shows = std::max({p[0], p[1], p[2]}) > 24;
            const float d = std::hypot(x + 0.5f - 32.0f, y + 0.5f - 32.0f);
            if (d > projected(largest) + 1.5f) {
                EXPECT_FALSE(shows) << "outside the ball at " << x << "," << y;
            }
            if (d < projected(smallest) - 1.5f) {
                EXPECT_TRUE(shows) << "inside the ball at " << x << "," << y;
            }
            lit += shows ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 64 * 64 / 5);
    EXPECT_COLOR(pixel(0, 0), 0, 0, 0, 255);

    renderAt(*scene, 200.25f);
    EXPECT_NE(readPixels(), first) << "the ball moves";
}
