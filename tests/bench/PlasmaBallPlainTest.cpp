#include "bench/IsosurfacePlainCompare.h"
#include "effects/isosurface/PlasmaBallScene.h"
#include "geometry/MeshObject.h"
#include "plain/PlasmaBallPlain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using isosurface_compare::Difference;
using isosurface_compare::sameBits;

constexpr float kSceneStart = 196.01352f;
// The scene multiplies B by τ before x in its first wave, the formula x first. The sine's argument (up to
// about 520) then differs by at most its last bit, 3.05e-5, so r by at most six times that and the
// positions by as much again (|x| <= 1); a colour moves at most half as fast as r.
constexpr double kPositionError = 1.9e-4;
constexpr double kColorError = 1.0e-4;

} // namespace

// Through the whole rewind, from τ at the start time down to about 0.2 at the end.
TEST(PlasmaBallPlainTest, DisplacementMatchesWithinTheRoundingOfOneWave)
{
    float time = kSceneStart;
    PlasmaBallScene scene(&time);
    scene.load();
    scene.startClock(kSceneStart);
    MeshObject* ball = scene.getBall();
    const int count = ball->getVertexCount();
    const std::vector<float> rest(ball->getVertices(), ball->getVertices() + count * 3);
    std::vector<float> vertices = rest;
    std::vector<float> colors(ball->getColors(), ball->getColors() + ball->getColorCount() * 4);

    Difference positions;
    Difference rgb;
    std::vector<float> expectedAlpha;
    std::vector<float> actualAlpha;
    for (float t = kSceneStart; t < 208.98648f; t += 0.1f) {
        scene.displaceBall(t);
        plain::displaceWoundBall(rest.data(), count, kSceneStart, t, vertices.data(), colors.data());
        positions.add(ball->getVertices(), vertices.data(), vertices.size());
        for (int i = 0; i < count; ++i) {
            rgb.add(ball->getColors() + i * 4, colors.data() + i * 4, 3);
            expectedAlpha.push_back(ball->getColors()[i * 4 + 3]);
            actualAlpha.push_back(colors[i * 4 + 3]);
        }
    }
    positions.print("wound ball positions");
    rgb.print("wound ball colours");
    RecordProperty("position_max_abs_1e9", static_cast<int>(positions.maxAbsolute * 1e9));
    RecordProperty("color_max_abs_1e9", static_cast<int>(rgb.maxAbsolute * 1e9));
    EXPECT_LE(positions.maxAbsolute, kPositionError);
    EXPECT_LE(rgb.maxAbsolute, kColorError);
    EXPECT_TRUE(sameBits(expectedAlpha.data(), actualAlpha.data(), expectedAlpha.size()));
}
