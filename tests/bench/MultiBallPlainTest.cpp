#include "effects/scenes/MultiBallScene.h"
#include "plain/MultiBallPlain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class MultiBallPlainProbe : public MultiBallScene {
public:
    using MultiBallScene::MultiBallScene;
    using MultiBallScene::objects;
};

} // namespace

// All 23 steps of the morph table, each through its 0.3 s and past it: every ball lands where the plain
// lerp puts it, and a finished morph lands exactly on 5 × its target vertex.
TEST(MultiBallPlainTest, EveryMorphStepPlacesEveryBallBitForBit)
{
    float time = 157.5f;
    MultiBallPlainProbe scene(&time);
    MultiBallPlainProbe twin(&time);
    scene.load();
    twin.load();
    ASSERT_EQ(scene.objects.size(), static_cast<std::size_t>(MultiBallScene::kBallCount));
    const std::vector<float> elapsedTimes = {0.0f, 0.01f, 0.1f, 0.15f, 0.2999999f, 0.3f, 0.31f, 5.0f};
    int moved = 0;
    for (int step = 0; step < kMorphStepCount; ++step) {
        scene.nextMorph();
        ASSERT_EQ(scene.getMorphIndex(), step + 1);
        const float* source = scene.shapeVertices(kMorphTable[step].from);
        const float* target = scene.shapeVertices(kMorphTable[step].to);
        for (float elapsed : elapsedTimes) {
            scene.morphStep(MultiBallScene::kMorphDuration, elapsed);
            plain::morphStep(twin.objects.data(), static_cast<unsigned>(twin.objects.size()), source, target,
                             MultiBallScene::kMorphDuration, elapsed);
            for (int k = 0; k < MultiBallScene::kBallCount; ++k) {
                const Vector3 a = scene.ballPosition(k);
                const Vector3 b = twin.ballPosition(k);
                ASSERT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z)
                    << "step " << step << ", " << elapsed << " s, ball " << k << ": (" << a.x << ", " << a.y << ", "
                    << a.z << ") against (" << b.x << ", " << b.y << ", " << b.z << ")";
            }
            moved += scene.ballPosition(7).x != 5.0f * source[21] ? 1 : 0;
        }
        const Vector3 landed = twin.ballPosition(MultiBallScene::kBallCount - 1);
        const float* last = target + 3 * (MultiBallScene::kBallCount - 1);
        EXPECT_EQ(landed.x, 5.0f * last[0]);
        EXPECT_EQ(landed.y, 5.0f * last[1]);
        EXPECT_EQ(landed.z, 5.0f * last[2]);
    }
    EXPECT_GT(moved, kMorphStepCount * 3); // the balls did travel
}
