#include "effects/scenes/CylinderPlaneScene.h"
#include "effects/sync/CylinderPlaneSync.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

constexpr float kStart = 105.2027f;
constexpr int kGrid = CylinderPlaneScene::kGridSize;

// Marked upper pegs as (column, z): where they stand in the grid's own frame.
std::set<std::pair<int, float>> markedUpperPlaces(const CylinderPlaneScene& scene)
{
    std::set<std::pair<int, float>> places;
    for (int k = 0; k < CylinderPlaneScene::kCellCount; ++k) {
        if (scene.isUpperHeld(k)) {
            places.insert({k % kGrid, scene.upperPeg(k).z});
        }
    }
    return places;
}

} // namespace

TEST(CylinderPlaneCuesTest, SlamsOnEveryBeatAndMarksInASyncopatedFigure)
{
    int marks = 0;
    for (const SyncEvent& event : kCylinderPlaneEvents) {
        marks += event.kind == kMarkPegsCue ? 1 : 0;
    }
    EXPECT_EQ(marks, 28);
    // The first cues fall exactly on the scene's start, so they are due on its very first frame.
    EXPECT_EQ(kCylinderPlaneEvents[0].time, kStart);
    EXPECT_EQ(kCylinderPlaneEvents[32].time, kStart);
    EXPECT_NEAR(kCylinderPlaneEvents[31].time, 117.77027f, 1e-4f);
    EXPECT_NEAR(kCylinderPlaneEvents[59].time, 117.16216f, 1e-4f);
}

class CylinderPlaneSceneTest : public SceneTest {};

TEST_F(CylinderPlaneSceneTest, PegsStartShutOpenWithinASecondThirdAndSnapOnEachSlam)
{
    CylinderPlaneScene scene(&timeValue);
    loadAndStart(scene, kStart);
    EXPECT_EQ(scene.getPolygonCount(), 3362u * 60u);
    // The first slam may fire a frame late: the pegs already start shut.
    scene.updatePegs();
    EXPECT_EQ(scene.upperPeg(0).y, 1.0f);
    EXPECT_EQ(scene.lowerPeg(0).y, -1.0f);

    timeValue = kStart + 0.15f;
    scene.updatePegs();
    EXPECT_NEAR(scene.upperPeg(100).y, 1.15f, 1e-4f);
    EXPECT_NEAR(scene.lowerPeg(100).y, -1.15f, 1e-4f);
    timeValue = kStart + 0.31f;
    scene.updatePegs();
    for (int k = 0; k < CylinderPlaneScene::kCellCount; ++k) {
        ASSERT_EQ(scene.upperPeg(k).y, 1.3f);
        ASSERT_EQ(scene.lowerPeg(k).y, -1.3f);
    }
    scene.slam();
    scene.updatePegs();
    EXPECT_EQ(scene.upperPeg(5).y, 1.0f);
}

TEST_F(CylinderPlaneSceneTest, MarkedPegsStayShutUntilTheirRowScrollsPastTheLast)
{
    CylinderPlaneScene scene(&timeValue);
    loadAndStart(scene, kStart);
    scene.markRandomPegs();
    const auto marked = markedUpperPlaces(scene);
    // One in five upper pegs, one in ten lower pegs, on average.
    EXPECT_GT(marked.size(), 200u);
    EXPECT_LT(marked.size(), 500u);

    // The same seed marks the same pegs every run.
    CylinderPlaneScene again(&timeValue);
    loadAndStart(again, kStart);
    again.markRandomPegs();
    EXPECT_EQ(markedUpperPlaces(again), marked);

    // Slams and time pass; one unit of flight scrolls the grid back by one row per frame.
    for (int frame = 1; frame <= 4; ++frame) {
        timeValue = kStart + static_cast<float>(frame) / 11.0f;
        scene.slam();
        timeValue += 0.5f / 12.0f;
        scene.updatePegs();
        for (int k = 0; k < CylinderPlaneScene::kCellCount; ++k) {
            if (scene.isUpperHeld(k)) {
                ASSERT_EQ(scene.upperPeg(k).y, 1.0f) << "cell " << k;
            } else {
                ASSERT_NE(scene.upperPeg(k).y, 1.0f) << "cell " << k;
            }
            if (scene.isLowerHeld(k)) {
                ASSERT_EQ(scene.lowerPeg(k).y, -1.0f) << "cell " << k;
            }
        }
    }
    EXPECT_EQ(scene.getScrolled(), 4.0f);

    // Each mark kept its place in the world; those whose row passed row 40 are gone, and the far
    // rows came in unmarked.
    std::set<std::pair<int, float>> expected;
    for (const auto& place : marked) {
        const int row = static_cast<int>(place.second + 20.0f);
        if (row + 4 < kGrid) {
            expected.insert(place);
        }
    }
    EXPECT_EQ(markedUpperPlaces(scene), expected);
    for (int k = 0; k < 4 * kGrid; ++k) {
        EXPECT_FALSE(scene.isUpperHeld(k));
        EXPECT_FALSE(scene.isLowerHeld(k));
    }
}

TEST_F(CylinderPlaneSceneTest, AFallenBehindGridCatchesUpOneRowPerFrame)
{
    CylinderPlaneScene scene(&timeValue);
    loadAndStart(scene, kStart);
    const float firstZ = scene.upperPeg(0).z;
    // 0.95 s in a single frame: 11.4 units flown, the grid follows one row at a time.
    timeValue = kStart + 0.95f;
    for (int frame = 1; frame <= 15; ++frame) {
        scene.updatePegs();
        const float expected = frame <= 11 ? static_cast<float>(frame) : 11.0f;
        ASSERT_EQ(scene.getScrolled(), expected) << "frame " << frame;
        ASSERT_EQ(scene.upperPeg(0).z, firstZ - expected);
        ASSERT_EQ(scene.lowerPeg(CylinderPlaneScene::kCellCount - 1).z, 20.0f - expected);
    }
}

TEST_F(CylinderPlaneSceneTest, TheFirstFramesFireBothDueCuesAndShowRedPegs)
{
    CylinderPlaneScene scene(&timeValue);
    loadAndStart(scene, kStart);
    renderAt(scene, kStart);
    renderAt(scene, kStart);
    bool anyMarked = false;
    for (int k = 0; k < CylinderPlaneScene::kCellCount; ++k) {
        anyMarked = anyMarked || scene.isUpperHeld(k);
    }
    EXPECT_TRUE(anyMarked);

    renderAt(scene, kStart + 0.01f);
    int red = 0;
    int white = 0;
    for (int y = 0; y < headless_gl::kHeight; ++y) {
        for (int x = 0; x < headless_gl::kWidth; ++x) {
            const Rgba p = pixel(x, y);
            // The light comes from far ahead, so the pegs' near sides show mostly their ambient colour.
            red += p[0] > 15 && p[1] < p[0] / 3 ? 1 : 0;
            white += p[0] > 15 && p[1] > p[0] * 2 / 3 ? 1 : 0;
        }
    }
    EXPECT_GT(red, 0);
    EXPECT_GT(white, 0);
    scene.stop();
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
