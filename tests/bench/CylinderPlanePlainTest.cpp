#include "effects/scenes/CylinderPlaneScene.h"
#include "plain/CylinderPlanePlain.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr float kStart = 105.2027f;
constexpr int kCells = CylinderPlaneScene::kCellCount;

class CylinderPlanePlainProbe : public CylinderPlaneScene {
public:
    using CylinderPlaneScene::CylinderPlaneScene;
    using CylinderPlaneScene::startTime;
};

// The plain step's own copy of the field.
struct PlainField {
    explicit PlainField(const CylinderPlaneScene& scene)
    {
        for (int k = 0; k < kCells; ++k) {
            upper.push_back(scene.upperPeg(k));
            lower.push_back(scene.lowerPeg(k));
            upperHeld.push_back(scene.isUpperHeld(k) ? 1 : 0);
            lowerHeld.push_back(scene.isLowerHeld(k) ? 1 : 0);
        }
        scrolled = scene.getScrolled();
    }
    // The marking draws the generator's numbers in the scene's order: upper then lower, cell by cell.
    void markLikeTheScene()
    {
        for (int k = 0; k < kCells; ++k) {
            if (std::rand() % 5 == 0) {
                upperHeld[k] = 1;
            }
            if (std::rand() % 10 == 0) {
                lowerHeld[k] = 1;
            }
        }
    }
    // The first cell whose pegs or marks differ from the scene's, or −1.
    int firstDifference(const CylinderPlaneScene& scene) const
    {
        for (int k = 0; k < kCells; ++k) {
            const CylinderPlaneScene::Peg& a = scene.upperPeg(k);
            const CylinderPlaneScene::Peg& b = scene.lowerPeg(k);
            if (a.x != upper[k].x || a.y != upper[k].y || a.z != upper[k].z || b.x != lower[k].x ||
                b.y != lower[k].y || b.z != lower[k].z || scene.isUpperHeld(k) != (upperHeld[k] != 0) ||
                scene.isLowerHeld(k) != (lowerHeld[k] != 0)) {
                return k;
            }
        }
        return -1;
    }

    std::vector<CylinderPlaneScene::Peg> upper;
    std::vector<CylinderPlaneScene::Peg> lower;
    std::vector<int> upperHeld;
    std::vector<int> lowerHeld;
    float scrolled = 0.0f;
};

} // namespace

// Slams, markings, smooth frames and slow frames (which scroll one row per frame and fall behind): the
// pegs, the marks and the scroll stay equal to the bit.
TEST(CylinderPlanePlainTest, PegsMarksAndScrollMatchBitForBit)
{
    float now = -1.0f;
    CylinderPlanePlainProbe scene(&now);
    scene.load();
    scene.startTime = kStart;
    now = kStart;
    scene.slam();
    std::srand(1337);
    scene.markRandomPegs();
    PlainField field(scene);

    int scrolls = 0;
    int shutPegs = 0;
    for (int frame = 0; frame < 400; ++frame) {
        now += frame % 50 < 10 ? 0.1f : 1.0f / 60.0f;
        if (frame % 24 == 0) {
            scene.slam();
        }
        if (frame % 90 == 45) {
            std::srand(static_cast<unsigned>(frame));
            scene.markRandomPegs();
            std::srand(static_cast<unsigned>(frame));
            field.markLikeTheScene();
        }
        const float scrolledBefore = field.scrolled;
        scene.updatePegs();
        plain::updatePegs(field.upper.data(), field.lower.data(), field.upperHeld.data(), field.lowerHeld.data(),
                          CylinderPlaneScene::kGridSize, now, scene.startTime, scene.getSlamTime(), field.scrolled);
        ASSERT_EQ(scene.getScrolled(), field.scrolled) << "frame " << frame;
        ASSERT_EQ(field.firstDifference(scene), -1) << "frame " << frame;
        scrolls += field.scrolled != scrolledBefore ? 1 : 0;
        shutPegs += field.upper[kCells / 2].y == 1.0f ? 1 : 0;
    }
    // Rows scrolled on most frames, and the middle peg was both shut and open along the way.
    EXPECT_GT(scrolls, 100);
    EXPECT_GT(shutPegs, 0);
    EXPECT_LT(shutPegs, 400);
}
