#include "effects/scenes/PlasmaTunnelVelkScene.h"
#include "plain/PlasmaTunnelVelkPlain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class PlasmaTunnelVelkPlainProbe : public PlasmaTunnelVelkScene {
public:
    using PlasmaTunnelVelkScene::PlasmaTunnelVelkScene;
    using PlasmaTunnelVelkScene::firstRing;
    using PlasmaTunnelVelkScene::sceneTime;

    plain::VelkTunnelShape shape() const
    {
        return {sceneTime, firstRing, tubeRadius, wobbleAmplitude, orbitAmplitude, wobbleFrequency};
    }
};

// Where two band buffers first differ, as "ring k, step j, field".
std::string firstDifference(const std::vector<PlasmaTunnelVelkScene::BandStep>& a,
                            const std::vector<PlasmaTunnelVelkScene::BandStep>& b)
{
    static const char* const kFields[] = {"normal", "near colour", "near vertex", "far colour", "far vertex"};
    for (std::size_t i = 0; i < a.size(); ++i) {
        float x[15];
        float y[15];
        std::memcpy(x, &a[i], sizeof x);
        std::memcpy(y, &b[i], sizeof y);
        for (int f = 0; f < 15; ++f) {
            if (std::memcmp(&x[f], &y[f], sizeof(float)) != 0) {
                return "ring " + std::to_string(i / PlasmaTunnelVelkScene::kRingSteps) + ", step " +
                       std::to_string(i % PlasmaTunnelVelkScene::kRingSteps) + ", " + kFields[f / 3] + " " +
                       std::to_string(x[f]) + " against " + std::to_string(y[f]);
            }
        }
    }
    return "none";
}

} // namespace

// The scene takes the segment sines, the orbit and the ring-only plasma terms once per ring or once per
// frame; the plain loop evaluates every term per vertex in the formula's order. Both come to the same bits.
TEST(PlasmaTunnelVelkPlainTest, BandsMatchBitForBitFrameAfterFrameAndAfterTuning)
{
    static_assert(sizeof(PlasmaTunnelVelkScene::BandStep) == 15 * sizeof(float), "a band step is 15 floats");
    float now = -1.0f;
    PlasmaTunnelVelkPlainProbe scene(&now);
    scene.load();
    std::vector<PlasmaTunnelVelkScene::BandStep> bands(scene.getBands().size());
    ASSERT_EQ(bands.size(), std::size_t{PlasmaTunnelVelkScene::kRingCount} * PlasmaTunnelVelkScene::kRingSteps);

    // Frames at 60 Hz from the start, late frames of the scene, and the tuning keys K L H J U I V B.
    const int keys[] = {0, 0, 0, 76, 74, 73, 66, 75, 75, 75, 72, 85, 86, 86, 86, 86, 86};
    int frames = 0;
    for (float start : {0.0f, 12.9f}) {
        scene.sceneTime = start;
        scene.firstRing = -static_cast<int>(start * 60.0f);
        for (int key : keys) {
            if (key != 0) {
                scene.keyPressed(key);
            }
            scene.sceneTime += 1.0f / 60.0f;
            scene.firstRing -= 1;
            scene.computeBands();
            plain::computeBands(scene.shape(), bands.data());
            ASSERT_EQ(std::memcmp(scene.getBands().data(), bands.data(), bands.size() * sizeof(bands[0])), 0)
                << "at scene time " << scene.sceneTime << ": " << firstDifference(scene.getBands(), bands);
            ++frames;
        }
    }
    EXPECT_EQ(frames, 34);
}
