#include "effects/scenes/ButterflyBallScene.h"
#include "geometry/MeshObject.h"
#include "plain/ButterflyBallPlain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(ButterflyBallPlainTest, WingsAndColoursMatchBitForBit)
{
    float time = -1.0f;
    ButterflyBallScene scene(&time);
    scene.load();
    MeshObject& ball = *scene.getBall();
    const std::size_t vertexFloats = std::size_t{3} * static_cast<std::size_t>(ball.getVertexCount());
    const std::size_t colorFloats = std::size_t{4} * static_cast<std::size_t>(ball.getColorCount());
    std::vector<float> vertices(ball.getVertices(), ball.getVertices() + vertexFloats);
    std::vector<float> colors(ball.getColors(), ball.getColors() + colorFloats);
    std::vector<float> wingFactor;
    for (int j = 0; j < scene.getPairCount(); ++j) {
        wingFactor.push_back(scene.getWingFactor(j));
    }

    // The scene's 13 s at 60 Hz, every eighth frame, and one time far outside it.
    std::vector<float> times;
    for (int frame = 0; frame < 780; frame += 8) {
        times.push_back(144.12163f + static_cast<float>(frame) / 60.0f);
    }
    times.push_back(0.0f);
    int negativeColours = 0;
    for (float now : times) {
        scene.animateBall(now);
        plain::animateBall(vertices.data(), colors.data(), scene.getRestVertices().data(), wingFactor.data(),
                           2 * scene.getPairCount(), now);
        ASSERT_EQ(std::memcmp(ball.getVertices(), vertices.data(), vertexFloats * sizeof(float)), 0) << "at " << now;
        ASSERT_EQ(std::memcmp(ball.getColors(), colors.data(), colorFloats * sizeof(float)), 0) << "at " << now;
        negativeColours += colors[0] < 0.0f ? 1 : 0;
    }
    EXPECT_GT(negativeColours, 0); // the colours went through their dark half
    EXPECT_EQ(colors[3], 1.0f);   // alpha is left alone
}
