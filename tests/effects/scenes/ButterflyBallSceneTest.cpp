#include "effects/scenes/ButterflyBallScene.h"
#include "geometry/MeshObject.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kPi = 3.14159265358979f;

// The factor by which each coordinate of a triangle's three vertices is scaled, or NaN where the rest
// position gives no answer; all nine must agree.
float triangleFactor(ButterflyBallScene& scene, int triangle)
{
    const float* vertices = scene.getBall()->getVertices();
    const std::vector<float>& rest = scene.getRestVertices();
    float factor = std::nanf("");
    for (int c = 9 * triangle; c < 9 * triangle + 9; ++c) {
        if (std::fabs(rest[c]) > 0.1f) {
            const float here = vertices[c] / rest[c];
            if (std::isnan(factor)) {
                factor = here;
            } else if (std::fabs(here - factor) > 1e-4f) {
                return std::nanf("");
            }
        }
    }
    return factor;
}

} // namespace

class ButterflyBallSceneTest : public SceneTest {};

TEST_F(ButterflyBallSceneTest, BothTrianglesOfAPairShareOneFactorAndCollapseTogether)
{
    ButterflyBallScene scene(&timeValue);
    scene.load();
    ASSERT_EQ(scene.getPairCount(), 1560);
    EXPECT_EQ(scene.getPolygonCount(), 3120u);

    scene.animateBall(2.0f);
    int mirrored = 0;
    for (int j = 0; j < scene.getPairCount(); ++j) {
        const float first = triangleFactor(scene, 2 * j);
        const float second = triangleFactor(scene, 2 * j + 1);
        ASSERT_FALSE(std::isnan(first)) << "pair " << j;
        ASSERT_NEAR(first, second, 1e-4f) << "pair " << j;
        ASSERT_NEAR(first, std::sin(static_cast<float>(j) + 2.0f) * scene.getWingFactor(j), 1e-4f) << "pair " << j;
        mirrored += first < 0.0f ? 1 : 0;
    }
    EXPECT_GT(mirrored, 0);

    // sin(100 + now) = 0: pair 100 sits in the centre, both triangles, while its neighbours do not.
    const float now = 32.0f * kPi - 100.0f;
    scene.animateBall(now);
    const float* vertices = scene.getBall()->getVertices();
    for (int c = 18 * 100; c < 18 * 101; ++c) {
        EXPECT_NEAR(vertices[c], 0.0f, 1e-4f) << "coordinate " << c;
    }
    EXPECT_GT(std::fabs(triangleFactor(scene, 2 * 101)), 0.5f);
    EXPECT_GT(std::fabs(triangleFactor(scene, 2 * 99)), 0.5f);
}

TEST_F(ButterflyBallSceneTest, EveryFrameDependsOnTheTimeAlone)
{
    ButterflyBallScene scene(&timeValue);
    scene.load();
    MeshObject* ball = scene.getBall();
    const int floats = ball->getVertexCount();
    scene.animateBall(3.0f);
    const std::vector<float> vertices(ball->getVertices(), ball->getVertices() + 3 * floats);
    const std::vector<float> colors(ball->getColors(), ball->getColors() + 4 * floats);
    scene.animateBall(7.5f);
    scene.animateBall(-1.0f);
    scene.animateBall(3.0f);
    EXPECT_EQ(std::vector<float>(ball->getVertices(), ball->getVertices() + 3 * floats), vertices);
    EXPECT_EQ(std::vector<float>(ball->getColors(), ball->getColors() + 4 * floats), colors);

    // One colour per triangle, its phase set by the triangle's own index; alpha stays 1.
    const float* c = ball->getColors();
    EXPECT_EQ(c[0], c[4]);
    EXPECT_EQ(c[0], c[8]);
    EXPECT_NE(c[0], c[12]);
    EXPECT_FLOAT_EQ(c[12 * 7 + 2], std::sin(3.0f + 7.0f / 5.0f));
    for (int v = 0; v < floats; ++v) {
        ASSERT_EQ(c[4 * v + 3], 1.0f);
    }
}
