#include "effects/isosurface/PlasmaBallInCubeScene.h"
#include "effects/sync/PlasmaBallInCubeSync.h"
#include "geometry/MeshObject.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr float kStart = 53.310818f;
constexpr float kEnd = 79.25676f;
constexpr float kPi = 3.14159265f;

// The ball's radius along the unit direction (x, y, z), written out from the description of the effect.
float plasmaRadius(float x, float y, float z, float t, float step, float divisor)
{
    const float c = step * 0.24166098f;
    const float a = divisor;
    return 4.0f + std::sin((8 * c * x + 7.5f * t / a) * 0.5f) + std::sin((8 * t / a + 8 * c * y) * 0.25f) +
           std::cos((4.25f * t / a + 8 * c * z) / 5) + std::cos((6.5f * t / a + 8 * c * x) / 3) +
           std::sin((3 * t / a + 8 * c * y) * 0.5f) + std::cos((8 * t / a + 8 * c * z) * 0.5f) +
           std::sin(4 * t / a + 0.25f * x + 0.25f * c * y);
}

struct Probe {
    float radius;
    float direction[3];
    const float* color;
};

Probe probe(MeshObject* ball, int vertex)
{
    const float* v = ball->getVertices() + vertex * 3;
    const float r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {r, {v[0] / r, v[1] / r, v[2] / r}, ball->getColors() + vertex * 4};
}

// The displacement of a few vertices spread over the ball matches the formula for this step and divisor.
void expectDisplacement(MeshObject* ball, float t, float step, float divisor)
{
    for (int vertex : {200, 9001, 16290, 25000, 32000}) {
        const Probe p = probe(ball, vertex);
        EXPECT_NEAR(p.radius, plasmaRadius(p.direction[0], p.direction[1], p.direction[2], t, step, divisor), 2e-4f)
            << "vertex " << vertex << " at " << t << " step " << step << " divisor " << divisor;
    }
}

} // namespace

TEST(PlasmaBallInCubeSyncTest, EventsLieWithinTheSceneAndOnItsBeats)
{
    EXPECT_FLOAT_EQ(kPlasmaBallInCubeStart, kStart);
    EXPECT_EQ(kPlasmaBallInCubeFlashes.size() + kPlasmaBallInCubeWires.size() + kPlasmaBallInCubeSteps.size() +
                  kPlasmaBallInCubeStretches.size(),
              316u);
    EXPECT_EQ(kPlasmaBallInCubeWires.size(), 68u);
    EXPECT_EQ(kPlasmaBallInCubeSteps.size(), 208u);
    EXPECT_EQ(kPlasmaBallInCubeStretches.size(), 39u);
    EXPECT_EQ(kPlasmaBallInCubeFlashes[0].time, 65.909f);
    EXPECT_NEAR(kPlasmaBallInCubeStretches[0].time, 53.310818f + 60.0f / 148.0f, 1e-4f);
    EXPECT_NEAR(kPlasmaBallInCubeStretches.back().time, 53.310818f + 63.75f * 60.0f / 148.0f, 1e-4f);
    EXPECT_NEAR(kPlasmaBallInCubeWires[61].time, 53.310818f + 61.0f * 60.0f / 148.0f, 1e-4f);
    EXPECT_NEAR(kPlasmaBallInCubeWires[62].time, 53.310818f + 61.5f * 60.0f / 148.0f, 1e-4f) << "the fill, in order";
    EXPECT_NEAR(kPlasmaBallInCubeWires.back().time, 53.310818f + 63.75f * 60.0f / 148.0f, 1e-4f);
    EXPECT_EQ(kPlasmaBallInCubeSteps.front().time, 53.044647f);
    EXPECT_EQ(kPlasmaBallInCubeSteps.back().time, 78.65626f);
    auto check = [](const auto& table, int kind) {
        float previous = 0.0f;
        for (const SyncEvent& event : table) {
            EXPECT_EQ(event.kind, kind);
            EXPECT_LT(event.time, kEnd) << "an event after the scene's end never fires";
            EXPECT_GT(event.time, previous);
            previous = event.time;
        }
    };
    check(kPlasmaBallInCubeWires, kPlasmaCubeWire);
    check(kPlasmaBallInCubeSteps, kPlasmaCubeStep);
    check(kPlasmaBallInCubeStretches, kPlasmaCubeStretch);
}

class PlasmaBallInCubeSceneTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        scene = std::make_unique<PlasmaBallInCubeScene>(&timeValue);
    }
    void TearDown() override
    {
        scene->stop();
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDisable(GL_DEPTH_TEST);
        scene.reset();
        SceneTest::TearDown();
    }
    std::unique_ptr<PlasmaBallInCubeScene> scene;
};

TEST_F(PlasmaBallInCubeSceneTest, EarlyStepsFireOnTheFirstFramesThenTheBeat)
{
    loadAndStart(*scene, kStart);
    EXPECT_EQ(scene->getPolygonCount(), 64440u) << "the walls and the flash quad are not counted";
    MeshObject* ball = scene->getBall();
    // Each frame applies its event before it displaces the ball.
    renderAt(*scene, kStart);
    expectDisplacement(ball, kStart, 1.1f, 1.0f);
    EXPECT_FLOAT_EQ(ball->getColors()[3], 0.2f) << "no overlay yet";
    renderAt(*scene, kStart);
    expectDisplacement(ball, kStart, 1.2f, 1.0f);
    EXPECT_FLOAT_EQ(ball->getColors()[3], 0.2f);
    // Third frame: the overlay on beat 0, drawn at full alpha.
    renderAt(*scene, kStart);
    expectDisplacement(ball, kStart, 1.2f, 1.0f);
    EXPECT_EQ(ball->getColors()[3], 1.0f);
    // Fourth: the step at 53.34821 s is not due yet, so nothing changes.
    renderAt(*scene, kStart + 0.03f);
    expectDisplacement(ball, kStart + 0.03f, 1.2f, 1.0f);
}

TEST_F(PlasmaBallInCubeSceneTest, BallColoursFollowTheRadiusAndStayInRange)
{
    loadAndStart(*scene, kStart);
    MeshObject* ball = scene->getBall();
    for (float t : {kStart, 60.0f, 70.0f, 79.2f}) {
        scene->displaceBall(t);
        for (int vertex = 0; vertex < ball->getVertexCount(); vertex += 97) {
            const Probe p = probe(ball, vertex);
            ASSERT_GE(p.radius, 0.0f);
            ASSERT_LE(p.radius, 11.0f);
            const float c = std::cos(p.radius);
            EXPECT_NEAR(p.color[0], (c * c + 2.0f) / 4.0f, 1e-5f);
            EXPECT_NEAR(p.color[1], (std::sin(p.radius) + 1.0f) / 2.0f, 1e-5f);
            EXPECT_NEAR(p.color[2], (c + 1.0f) / 2.0f, 1e-5f);
        }
    }
    scene->invertBallColors(0.25f);
    const Probe p = probe(ball, 1234);
    const float c = std::cos(p.radius);
    EXPECT_NEAR(p.color[0], 1.0f - (c * c + 2.0f) / 4.0f, 1e-5f);
    EXPECT_NEAR(p.color[2], 1.0f - (c + 1.0f) / 2.0f, 1e-5f);
    EXPECT_EQ(p.color[3], 0.25f);
}

TEST_F(PlasmaBallInCubeSceneTest, DrawsTheWallsAroundAndTheBallInFront)
{
    loadAndStart(*scene, kStart);
    // About 3.93 s in, sin(u / 25) = 1: every wall's green lies between 0.26 and 0.74.
    const float bright = kStart + 25.0f * (kPi / 2.0f) / 10.0f;
    renderAt(*scene, bright);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{63, 0}, std::pair{0, 63}, std::pair{63, 63}}) {
        const Rgba wall = pixel(x, y);
        EXPECT_GE(wall[1], 60) << x << "," << y;
        EXPECT_LE(wall[1], 195) << x << "," << y;
    }
    // The centre shows the front of the ball, coloured from its radius straight ahead.
    const float r = plasmaRadius(0.0f, 0.0f, 1.0f, bright, 1.1f, 1.0f);
    const float c = std::cos(r);
    const Rgba centre = pixel(32, 32);
    EXPECT_NEAR(centre[0], 255.0f * (c * c + 2.0f) / 4.0f, 14.0f);
    EXPECT_NEAR(centre[1], 255.0f * (std::sin(r) + 1.0f) / 2.0f, 14.0f);
    EXPECT_NEAR(centre[2], 255.0f * (c + 1.0f) / 2.0f, 14.0f);

    // About 11.78 s in, sin(u / 25) = −1: the walls lose all green.
    renderAt(*scene, kStart + 25.0f * (1.5f * kPi) / 10.0f);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{63, 63}}) {
        EXPECT_EQ(pixel(x, y)[1], 0) << x << "," << y;
    }
}

TEST_F(PlasmaBallInCubeSceneTest, OverlayFadesAndItsLastFrameIsTransparent)
{
    loadAndStart(*scene, kStart + 0.1f);
    MeshObject* ball = scene->getBall();
    renderAt(*scene, kStart + 0.1f);
    renderAt(*scene, kStart + 0.1f);
    renderAt(*scene, kStart + 0.1f); // the overlay on beat 0
    EXPECT_EQ(ball->getColors()[3], 1.0f);
    EXPECT_EQ(ball->getScale().x, 0.02f) << "the solid ball stays at the overlay's end scale";
    renderAt(*scene, kStart + 0.2f);
    EXPECT_NEAR(ball->getColors()[3], 0.7f, 1e-4f);
    // Past a third of a second the alpha would be negative: drawn once more at 0, then off.
    renderAt(*scene, kStart + 0.44f);
    EXPECT_EQ(ball->getColors()[3], 0.0f);
    renderAt(*scene, kStart + 0.45f);
    const Probe p = probe(ball, 500);
    EXPECT_EQ(p.color[3], 0.0f) << "no overlay: alpha is left alone";
    EXPECT_NEAR(p.color[1], (std::sin(p.radius) + 1.0f) / 2.0f, 1e-5f) << "and the colours are not inverted";

    timeValue = kStart + 0.46f;
    scene->keyPressed(32);
    renderAt(*scene, kStart + 0.46f);
    EXPECT_EQ(ball->getColors()[3], 1.0f) << "Space starts the overlay like its event";
}

TEST_F(PlasmaBallInCubeSceneTest, TimeStretchRestartsAtTwiceAndRunsBackToOne)
{
    loadAndStart(*scene, kStart);
    MeshObject* ball = scene->getBall();
    const auto frameAt = [&](float t) {
        timeValue = t;
        scene->advance();
    };
    // Due by 53.72 s: six steps, the overlays on beats 0 and 1 and the stretch on beat 1, one a frame.
    for (int frame = 0; frame < 9; ++frame) {
        frameAt(53.72f);
    }
    // The stretch's divisor of 2 shows from the next frame on, then falls by a quarter a second.
    frameAt(53.74f);
    expectDisplacement(ball, 53.74f, 1.6f, 2.0f);
    frameAt(53.745f);
    expectDisplacement(ball, 53.745f, 1.6f, 2.0f - 0.02f / 4.0f);
    // By 54.53 s eight more steps, two overlays and the stretch on beat 3 have fired; it restarts the
    // divisor at 2 while the first stretch had brought it down to about 1.8.
    for (int frame = 0; frame < 11; ++frame) {
        frameAt(54.53f);
    }
    frameAt(54.54f);
    expectDisplacement(ball, 54.54f, 2.4f, 2.0f);
}
