#include "effects/scenes/MultiBallScene.h"
#include "effects/sync/MultiBallSync.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr float kStart = 157.0946f;

// The cue times as the show's score has them, in seconds.
constexpr float kCueSeconds[kMorphStepCount] = {
    157.5f,     158.31082f, 159.12163f, 159.93243f, 160.74324f, 161.55405f, 162.36487f, 163.17567f,
    163.98648f, 164.7973f,  165.60811f, 166.41891f, 167.22974f, 168.04054f, 168.64865f, 168.85135f,
    169.05405f, 169.35812f, 169.56082f, 169.66216f, 169.76352f, 169.86487f, 169.96622f,
};

void expectBallsOn(const MultiBallScene& scene, MorphShape shape)
{
    const float* vertices = scene.shapeVertices(shape);
    for (int k = 0; k < MultiBallScene::kBallCount; ++k) {
        const Vector3 p = scene.ballPosition(k);
        ASSERT_EQ(p.x, 5.0f * vertices[3 * k]) << "ball " << k;
        ASSERT_EQ(p.y, 5.0f * vertices[3 * k + 1]) << "ball " << k;
        ASSERT_EQ(p.z, 5.0f * vertices[3 * k + 2]) << "ball " << k;
    }
}

} // namespace

TEST(MultiBallCuesTest, OneCuePerMorphStepOnTheBeat)
{
    for (int i = 0; i < kMorphStepCount; ++i) {
        EXPECT_NEAR(kMultiBallEvents[i].time, kCueSeconds[i], 2e-4f) << "cue " << i;
        EXPECT_EQ(kMultiBallEvents[i].kind, kMorphCue);
    }
    // Each step starts on the shape the one before it ended on; the run starts and ends on the sphere.
    EXPECT_EQ(kMorphTable[0].from, MorphShape::Sphere);
    EXPECT_EQ(kMorphTable[kMorphStepCount - 1].to, MorphShape::Sphere);
    for (int i = 1; i < kMorphStepCount; ++i) {
        EXPECT_EQ(kMorphTable[i].from, kMorphTable[i - 1].to) << "step " << i;
    }
}

class MultiBallSceneTest : public SceneTest {};

TEST_F(MultiBallSceneTest, AMorphLandsEveryBallExactlyOnFiveTimesItsTarget)
{
    MultiBallScene scene(&timeValue);
    scene.load();
    EXPECT_EQ(scene.getObjectCount(), 3456u);
    EXPECT_EQ(scene.getPolygonCount(), 3456u * 36u);
    expectBallsOn(scene, MorphShape::Sphere);

    timeValue = 160.0f;
    scene.nextMorph(); // sphere → cube
    scene.morphStep(0.3f, 0.15f);
    const float* sphere = scene.shapeVertices(MorphShape::Sphere);
    const float* cube = scene.shapeVertices(MorphShape::Cube);
    for (int k = 0; k < MultiBallScene::kBallCount; k += 97) {
        EXPECT_NEAR(scene.ballPosition(k).x, 2.5f * (sphere[3 * k] + cube[3 * k]), 1e-5f) << "ball " << k;
    }
    scene.morphStep(0.3f, 0.3f);
    expectBallsOn(scene, MorphShape::Cube);
    // Overshooting the duration still lands on the target and ends the morph there.
    scene.nextMorph(); // cube → cylinder
    scene.morphStep(0.3f, 0.7f);
    expectBallsOn(scene, MorphShape::Cylinder);
    EXPECT_FALSE(scene.isMorphing());
}

TEST_F(MultiBallSceneTest, TriggersAfterTheTableEndDoNothing)
{
    MultiBallScene scene(&timeValue);
    loadAndStart(scene, 150.0f);
    for (int step = 0; step < kMorphStepCount; ++step) {
        scene.nextMorph();
        scene.morphStep(0.3f, 0.3f);
    }
    EXPECT_EQ(scene.getMorphIndex(), kMorphStepCount);
    expectBallsOn(scene, MorphShape::Sphere);

    scene.keyPressed(32);
    scene.nextMorph();
    EXPECT_EQ(scene.getMorphIndex(), kMorphStepCount);
    EXPECT_FALSE(scene.isMorphing());
    renderAt(scene, 150.1f);
    expectBallsOn(scene, MorphShape::Sphere);
}

TEST_F(MultiBallSceneTest, EventsStartMorphsOnePerFrameAndTheCloudIsDrawn)
{
    MultiBallScene scene(&timeValue);
    loadAndStart(scene, kStart);
    renderAt(scene, kStart);
    EXPECT_EQ(scene.getMorphIndex(), 0);
    // Bright balls against the dark blue background.
    bool drawn = false;
    const std::vector<std::uint8_t> pixels = readPixels();
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        drawn = drawn || pixels[i] > 100;
    }
    EXPECT_TRUE(drawn);

    // Space before the first cue plays step 0 early; two cues due together fire on consecutive frames.
    scene.keyPressed(32);
    EXPECT_EQ(scene.getMorphIndex(), 1);
    renderAt(scene, kCueSeconds[1] + 0.01f);
    EXPECT_EQ(scene.getMorphIndex(), 2);
    renderAt(scene, kCueSeconds[1] + 0.02f);
    EXPECT_EQ(scene.getMorphIndex(), 3);
    // Step 2 runs from the cylinder: the balls jumped to its source and move towards the cone.
    renderAt(scene, kCueSeconds[1] + 0.4f);
    expectBallsOn(scene, MorphShape::Cone);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
