#include "bench/IsosurfacePlainCompare.h"
#include "effects/isosurface/PlasmaBallInCubeScene.h"
#include "geometry/MeshObject.h"
#include "plain/PlasmaBallInCubePlain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using isosurface_compare::sameBits;

constexpr float kSceneStart = 53.310818f;
constexpr float kSceneEnd = 79.25676f;

// A loaded scene, constructed at its start time (which it keeps as its start, as nothing starts it).
struct LoadedCube {
    float time = kSceneStart;
    std::unique_ptr<PlasmaBallInCubeScene> scene = std::make_unique<PlasmaBallInCubeScene>(&time);
    LoadedCube() { scene->load(); }
};

// The scene and arrays of its own for the plain loops.
struct CubeScene : LoadedCube, plain::CubeArrayCopies {
    CubeScene() : plain::CubeArrayCopies(*scene) {}

    ::testing::AssertionResult sameWalls()
    {
        for (int f = 0; f < plain::kCubeFaceCount; ++f) {
            if (auto result = sameBits(scene->getFace(f)->getColors(), faceColors[f].data(), faceColors[f].size());
                !result) {
                return result << " (wall " << f << ")";
            }
        }
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult sameBall()
    {
        MeshObject* ball = scene->getBall();
        if (auto result = sameBits(ball->getVertices(), ballVertices.data(), ballVertices.size()); !result) {
            return result << " (ball positions)";
        }
        if (auto result = sameBits(ball->getColors(), ballColors.data(), ballColors.size()); !result) {
            return result << " (ball colours)";
        }
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST(PlasmaBallInCubePlainTest, WallsAreBitForBitTheSame)
{
    CubeScene cube;
    for (float phase : {0.0f, 60.0f, 123.45f, 259.4f, 1000.5f}) {
        cube.scene->updateWallColors(phase);
        plain::colorCubeWalls(cube.arrays.faceVertices, cube.arrays.faceColors, cube.arrays.faceVertexCount, phase);
        EXPECT_TRUE(cube.sameWalls()) << "phase " << phase;
    }
}

TEST(PlasmaBallInCubePlainTest, DisplacementIsBitForBitTheSameForEveryStepAndStretch)
{
    CubeScene cube;
    // As loaded: step 1 and no stretch.
    cube.scene->displaceBall(60.0f);
    plain::displaceCubeBall(cube.rest.data(), cube.arrays.ballVertexCount, 1.0f, 1.0f, 60.0f,
                            cube.ballVertices.data(), cube.ballColors.data());
    EXPECT_TRUE(cube.sameBall());

    // Half a second of frames fires steps and a stretch; the scene's own step and divisor drive both.
    bool stretched = false;
    for (int frame = 0; frame < 40; ++frame) {
        cube.time += 1.0f / 60.0f;
        cube.scene->advance();
        stretched = stretched || cube.scene->getTimeDivisor() > 1.0f;
    }
    ASSERT_TRUE(stretched);
    ASSERT_GT(cube.scene->getPlasmaStep(), 1.0f);
    for (float t : {cube.time, 66.0f, 78.9f}) {
        cube.scene->displaceBall(t);
        plain::displaceCubeBall(cube.rest.data(), cube.arrays.ballVertexCount, cube.scene->getPlasmaStep(),
                                cube.scene->getTimeDivisor(), t, cube.ballVertices.data(), cube.ballColors.data());
        EXPECT_TRUE(cube.sameBall()) << "t " << t;
    }
}

TEST(PlasmaBallInCubePlainTest, OverlayInvertsTheSameOverRepeatedFrames)
{
    CubeScene cube;
    cube.scene->displaceBall(61.0f);
    plain::displaceCubeBall(cube.rest.data(), cube.arrays.ballVertexCount, 1.0f, 1.0f, 61.0f,
                            cube.ballVertices.data(), cube.ballColors.data());
    const int colorCount = cube.scene->getBall()->getColorCount();
    // Each frame inverts what the last one left.
    for (float alpha : {1.0f, 0.75f, 0.3f, 0.0f, 0.5f}) {
        cube.scene->invertBallColors(alpha);
        plain::invertCubeBallColors(cube.ballColors.data(), colorCount, alpha);
        EXPECT_TRUE(cube.sameBall()) << "alpha " << alpha;
    }
}

// The whole scene at 15 frames a second: every event, each frame's step and stretch feeding the next
// frame's ball, and the overlay's colours carried into the next displacement.
TEST(PlasmaBallInCubePlainTest, WholeFramesMatchThroughEveryEvent)
{
    CubeScene cube;
    const std::vector<TimedEvent>& events = cube.scene->getEvents();
    plain::CubeFrameState frame;
    float largestDivisor = 1.0f;
    const int colorCount = cube.scene->getBall()->getColorCount();
    // At this frame rate the events fall behind in the densest bars; the frames run on until all have fired.
    for (int n = 0; n < 600 && (cube.time < kSceneEnd || frame.nextEvent < events.size()); ++n) {
        cube.time += 1.0f / 15.0f;
        cube.scene->advance();
        plain::cubeFrame(frame, events.data(), events.size(), kSceneStart, cube.time, cube.arrays);
        ASSERT_TRUE(cube.sameWalls()) << "frame " << n;
        ASSERT_TRUE(cube.sameBall()) << "frame " << n;
        ASSERT_EQ(cube.scene->getPlasmaStep(), frame.plasmaStep) << "frame " << n;
        ASSERT_EQ(cube.scene->getTimeDivisor(), frame.timeDivisor) << "frame " << n;
        largestDivisor = std::max(largestDivisor, frame.timeDivisor);
        if (n % 4 == 0) {
            const float alpha = 1.0f - 0.01f * static_cast<float>(n % 100);
            cube.scene->invertBallColors(alpha);
            plain::invertCubeBallColors(cube.ballColors.data(), colorCount, alpha);
        }
    }
    EXPECT_EQ(frame.nextEvent, events.size());
    EXPECT_TRUE(frame.fadeActive || frame.fadeTime > 65.0f);
    EXPECT_GT(frame.plasmaStep, 21.0f);
    EXPECT_GT(largestDivisor, 1.5f);
}
