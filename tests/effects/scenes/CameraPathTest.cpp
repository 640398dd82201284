#include "effects/scenes/CameraPath.h"
#include "sequence/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kPointCount = 42; // as the sphere flight has it

// A spiral of points, each level one deeper, each looking at the next.
CameraPath spiralPath()
{
    CameraPath path;
    for (int i = 0; i < kPointCount; ++i) {
        const float angle = 0.7f * static_cast<float>(i);
        const Vector3 position{10.0f * std::cos(angle), 10.0f * std::sin(angle), -2.0f * static_cast<float>(i)};
        path.addPoint(position, {0.0f, 0.0f, -2.0f * static_cast<float>(i + 1)}, i);
    }
    return path;
}

float distance(const Vector3& a, const Vector3& b)
{
    const Vector3 d = a - b;
    return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}

float length(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

bool isFinite(const Camera& camera)
{
    const Vector3 vectors[] = {camera.position, camera.forward, camera.up};
    for (const Vector3& v : vectors) {
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(CameraPathTest, EachSegmentStartsOnItsFirstPointAndEndsOnItsSecond)
{
    CameraPath path = spiralPath();
    Camera camera;
    path.restart(10.0f);
    EXPECT_EQ(path.update(camera, 10.0f), 0);
    EXPECT_EQ(camera.position.x, path.getPoint(0).position.x);
    EXPECT_EQ(camera.position.y, path.getPoint(0).position.y);
    EXPECT_EQ(camera.position.z, path.getPoint(0).position.z);

    path.update(camera, 12.999f);
    EXPECT_EQ(path.getSegment(), 0);
    EXPECT_LT(distance(camera.position, path.getPoint(1).position), 0.05f);

    // The first segment takes 3 s; the next one starts exactly on point 1, at the next level.
    EXPECT_EQ(path.update(camera, 13.0f), 1);
    EXPECT_EQ(path.getSegment(), 1);
    EXPECT_LT(distance(camera.position, path.getPoint(1).position), 1e-5f);
    EXPECT_FLOAT_EQ(path.getSegmentStart(), 13.0f);
    EXPECT_LT(path.segmentDuration(1), 3.0f);
}

TEST(CameraPathTest, ThePlaceDependsOnTheTimeNotOnTheFrameRate)
{
    CameraPath smooth = spiralPath();
    CameraPath jerky = spiralPath();
    Camera smoothCamera;
    Camera jerkyCamera;
    smooth.restart(0.0f);
    jerky.restart(0.0f);
    for (int frame = 0; frame <= 600; ++frame) {
        smooth.update(smoothCamera, static_cast<float>(frame) / 60.0f);
    }
    // One frame, then a stall of several seconds over three segment boundaries, then on again.
    jerky.update(jerkyCamera, 0.0f);
    jerky.update(jerkyCamera, 8.0f);
    jerky.update(jerkyCamera, 10.0f);

    EXPECT_EQ(jerky.getSegment(), smooth.getSegment());
    EXPECT_NEAR(jerky.getSegmentStart(), smooth.getSegmentStart(), 1e-3f);
    EXPECT_LT(distance(jerkyCamera.position, smoothCamera.position), 1e-3f);
    EXPECT_LT(distance(jerkyCamera.forward, smoothCamera.forward), 1e-3f);
}

TEST(CameraPathTest, ShrinkingSegmentsEndTheFlightWithoutLeavingThePath)
{
    CameraPath path = spiralPath();
    Camera camera;
    path.restart(0.0f);
    // Durations shrink by 3 / 33.6 s per segment: segment 34 would last no time or less.
    EXPECT_GT(path.segmentDuration(33), 0.0f);
    EXPECT_LE(path.segmentDuration(34), 0.0f);

    Vector3 held{};
    for (int frame = 0; frame <= 200 * 30; ++frame) {
        const int level = path.update(camera, static_cast<float>(frame) / 30.0f);
        ASSERT_TRUE(isFinite(camera)) << "frame " << frame;
        ASSERT_LE(path.getSegment(), 34);
        if (frame == 150 * 30) {
            held = camera.position;
            EXPECT_EQ(level, path.getPoint(34).level);
        }
    }
    // The camera stands on the point where the flight ended and stays there.
    EXPECT_EQ(path.getSegment(), 34);
    EXPECT_LT(distance(held, path.getPoint(34).position), 1e-3f);
    EXPECT_EQ(camera.position.x, held.x);
    EXPECT_EQ(camera.position.z, held.z);

    // A single enormous step goes no further either.
    CameraPath jumped = spiralPath();
    Camera other;
    jumped.restart(0.0f);
    jumped.update(other, 1.0e6f);
    EXPECT_TRUE(isFinite(other));
    EXPECT_EQ(jumped.getSegment(), 34);
}

TEST(CameraPathTest, LookAtTurnsTheCameraWithoutMovingIt)
{
    Camera camera;
    camera.setPosition(1.0f, 2.0f, 3.0f);
    lookAt(camera, 4.0f, 6.0f, 3.0f);
    EXPECT_FLOAT_EQ(camera.position.x, 1.0f);
    EXPECT_FLOAT_EQ(camera.forward.x, 0.6f);
    EXPECT_FLOAT_EQ(camera.forward.y, 0.8f);
    EXPECT_NEAR(length(camera.up), 1.0f, 1e-6f);
    EXPECT_NEAR(dot(camera.up, camera.forward), 0.0f, 1e-6f);
    EXPECT_GT(camera.up.y, 0.0f);

    // Straight up or down, +y cannot be up: −z and +z stand in.
    lookAt(camera, 1.0f, 10.0f, 3.0f);
    EXPECT_FLOAT_EQ(camera.up.z, -1.0f);
    lookAt(camera, 1.0f, -10.0f, 3.0f);
    EXPECT_FLOAT_EQ(camera.up.z, 1.0f);

    // A target on the camera itself has no direction: the camera keeps its orientation.
    lookAt(camera, 1.0f, 2.0f, 3.0f);
    EXPECT_TRUE(isFinite(camera));
    EXPECT_FLOAT_EQ(camera.forward.y, -1.0f);
}
