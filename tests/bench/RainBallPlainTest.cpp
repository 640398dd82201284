#include "effects/scenes/RainBallScene.h"
#include "geometry/MeshObject.h"
#include "plain/RainBallPlain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr float kFrame = 1.0f / 60.0f;

bool sameFloats(const float* a, const float* b, int count)
{
    return std::memcmp(a, b, sizeof(float) * static_cast<std::size_t>(count)) == 0;
}

} // namespace

TEST(RainBallPlainTest, RainLandsEveryTriangleBitForBitAndHidesTheRingAlike)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    scene.load();
    MeshObject& ball = *scene.ball;
    const int floats = ball.getVertexCount() * 3;
    std::vector<float> plainVertices(ball.getVertices(), ball.getVertices() + floats);

    int framesInFlight = 0;
    int framesLanded = 0;
    for (int frame = 0; frame < 480; ++frame) {
        now = static_cast<float>(frame) * kFrame;
        scene.logoVisible = true;
        bool plainRingShown = true;
        scene.rainBall();
        plain::rainBall(plainVertices.data(), ball.getVertexCount(), scene.ballRestVertices.data(),
                        scene.triangleStart.data(), scene.triangleVelocity.data(), scene.triangleAcceleration.data(),
                        now, plainRingShown);
        ASSERT_TRUE(sameFloats(ball.getVertices(), plainVertices.data(), floats)) << "at " << now << " s";
        ASSERT_EQ(scene.logoVisible, plainRingShown) << "at " << now << " s";
        (plainRingShown ? framesLanded : framesInFlight) += 1;
    }
    // Both the flight and the landed state were compared.
    EXPECT_GT(framesInFlight, 300);
    EXPECT_GT(framesLanded, 50);
}

// The burst accumulates frame by frame. The scene takes now/10 once per frame, the plain loop
// direction·now/10 per coordinate, so the two part in the last bits and the gap grows with the frames.
TEST(RainBallPlainTest, BurstScattersLikeThePlainLoopWithinRounding)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    plain::RainBallParts twin(&now);
    scene.load();
    twin.load();
    std::vector<MeshObject*> sceneMeshes = scene.burstMeshes();
    std::vector<MeshObject*> twinMeshes = twin.burstMeshes();
    const std::vector<const Vector3*> directions = twin.burstDirections();

    float largest = 0.0f;
    float largestInEpsilons = 0.0f; // relative to the coordinate, or to 1 near 0
    float farthest = 0.0f;
    int frames = 0;
    for (now = 25.81f; now < 27.364876f; now += kFrame, ++frames) {
        scene.scatter();
        plain::scatter(twinMeshes.data(), directions.data(), static_cast<int>(twinMeshes.size()), now);
        for (std::size_t m = 0; m < sceneMeshes.size(); ++m) {
            const float* a = sceneMeshes[m]->getVertices();
            const float* b = twinMeshes[m]->getVertices();
            for (int i = 0; i < sceneMeshes[m]->getVertexCount() * 3; ++i) {
                const float difference = std::fabs(a[i] - b[i]);
                largest = std::max(largest, difference);
                largestInEpsilons =
                    std::max(largestInEpsilons, difference / (FLT_EPSILON * std::max(1.0f, std::fabs(a[i]))));
                farthest = std::max(farthest, std::fabs(a[i]));
            }
        }
    }
    std::printf("burst scatter, %zu meshes over %d frames: largest difference %g (%.1f float epsilons of the "
                "coordinate), coordinates up to %g\n",
                sceneMeshes.size(), frames, static_cast<double>(largest), static_cast<double>(largestInEpsilons),
                static_cast<double>(farthest));
    RecordProperty("largestScatterDifference", std::to_string(largest));
    EXPECT_GT(farthest, 100.0f); // the pieces did fly
    EXPECT_LE(largest, 5e-5f);
    EXPECT_LE(largestInEpsilons, 6.0f);
}

TEST(RainBallPlainTest, StripFallAndLogoAlphaMatchBitForBit)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    plain::RainBallParts twin(&now);
    scene.load();
    twin.load();
    MeshObject& strips = *scene.logoStrips;
    MeshObject& twinStrips = *twin.logoStrips;
    const int vertexFloats = strips.getVertexCount() * 3;
    const int colorFloats = strips.getColorCount() * 4;

    // The fall accumulates: each frame lowers every strip by its share of the time since the fall began.
    for (int frame = 0; frame < 120; ++frame) {
        const float elapsed = static_cast<float>(frame) * kFrame;
        const float alpha = std::min(1.0f, elapsed * 0.28234467f);
        scene.dropStrips(elapsed);
        scene.setLogoAlpha(alpha);
        plain::dropStrips(twinStrips.getVertices(), twinStrips.getIndices(), static_cast<int>(twinStrips.getPolygonCount()),
                          elapsed);
        plain::setAlpha(twinStrips.getColors(), twinStrips.getColorCount(), alpha);
        ASSERT_TRUE(sameFloats(strips.getVertices(), twinStrips.getVertices(), vertexFloats)) << "frame " << frame;
        ASSERT_TRUE(sameFloats(strips.getColors(), twinStrips.getColors(), colorFloats)) << "frame " << frame;
    }
    EXPECT_LT(*std::min_element(strips.getVertices(), strips.getVertices() + vertexFloats), -100.0f);
}

// The scene takes the ripple's sines once per column and once per row and folds the constant factors
// into one; the plain loop evaluates the formula per vertex, so z differs in the last bits of the
// sines' large arguments.
TEST(RainBallPlainTest, RippleMatchesThePlainLoopWithinRounding)
{
    float now = -1.0f;
    plain::RainBallParts scene(&now);
    scene.load();
    MeshObject& grid = *scene.logoGrid;
    const int vertexCount = grid.getVertexCount();
    std::vector<float> plainVertices(grid.getVertices(), grid.getVertices() + vertexCount * 3);

    float largest = 0.0f;
    float highest = 0.0f;
    std::vector<float> elapsedTimes;
    for (int frame = 0; frame <= 180; ++frame) {
        elapsedTimes.push_back(std::min(3.0f, static_cast<float>(frame) * kFrame));
    }
    elapsedTimes.push_back(3.0f);
    for (float elapsed : elapsedTimes) {
        scene.rippleLogo(elapsed);
        plain::rippleLogo(plainVertices.data(), vertexCount, elapsed);
        const float* vertices = grid.getVertices();
        for (int v = 0; v < vertexCount; ++v) {
            ASSERT_EQ(vertices[v * 3], plainVertices[v * 3]) << "x of vertex " << v;
            ASSERT_EQ(vertices[v * 3 + 1], plainVertices[v * 3 + 1]) << "y of vertex " << v;
            largest = std::max(largest, std::fabs(vertices[v * 3 + 2] - plainVertices[v * 3 + 2]));
            highest = std::max(highest, std::fabs(vertices[v * 3 + 2]));
        }
    }
    std::printf("logo ripple, %d vertices over %zu frames: largest difference in z %g, z up to %g\n", vertexCount,
                elapsedTimes.size(), static_cast<double>(largest), static_cast<double>(highest));
    RecordProperty("largestRippleDifference", std::to_string(largest));
    EXPECT_GT(highest, 1.0f); // the logo did ripple
    EXPECT_LE(largest, 2.5e-4f);
}
