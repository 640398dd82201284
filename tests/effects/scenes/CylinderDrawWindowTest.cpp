#include "effects/scenes/CylinderDrawWindow.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"

#include <gtest/gtest.h>

#include <memory>

TEST(CylinderDrawWindowTest, TakesAtMostOneStepPerFrameAndCatchesUp)
{
    CylinderDrawWindow window(60, 12000, 60, 0.12f, 900000);
    window.follow(0.1f);
    EXPECT_EQ(window.first(), 60);
    // A slow frame: the camera is ten steps ahead, yet the window moves one step per frame.
    window.follow(1.21f);
    EXPECT_EQ(window.first(), 120);
    for (int frame = 0; frame < 20; ++frame) {
        window.follow(1.21f);
    }
    EXPECT_EQ(window.first(), 60 + 10 * 60);
    EXPECT_EQ(window.count(), 12000u);
    // A step the camera has not covered yet waits.
    window.follow(1.30f);
    EXPECT_EQ(window.first(), 660);
    window.follow(1.33f);
    EXPECT_EQ(window.first(), 720);
}

TEST(CylinderDrawWindowTest, NeverLeavesTheCylinderWhateverTheTravelOrTheSteps)
{
    std::unique_ptr<MeshObject> cylinder(PrimitiveFactory::createCylinder(30, 500, 0.1f, 60.0f));
    const unsigned triangles = cylinder->getPolygonCount(); // 30 000
    CylinderDrawWindow window(60, 12000, 60, 0.12f, triangles);
    // A long run: far more travel than the cylinder holds.
    for (int frame = 0; frame < 1000; ++frame) {
        window.follow(1000.0f);
        ASSERT_LE(window.first() + static_cast<long>(window.count()), static_cast<long>(triangles));
    }
    EXPECT_EQ(window.first(), static_cast<int>(triangles - 12000));
    for (int press = 0; press < 500; ++press) {
        window.stepForward();
    }
    window.applyTo(*cylinder);
    EXPECT_EQ(window.first(), static_cast<int>(triangles - 12000));
    EXPECT_EQ(cylinder->getPolygonCount(), 12000u);

    // A window larger than its cylinder shows the whole cylinder and stays put.
    CylinderDrawWindow wide(80, 50000, 160, 0.12f, triangles);
    wide.stepForward();
    EXPECT_EQ(wide.first(), 0);
    EXPECT_EQ(wide.count(), triangles);
}
