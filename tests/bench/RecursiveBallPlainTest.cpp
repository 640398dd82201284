#include "effects/scenes/CameraPath.h"
#include "effects/scenes/SphereTree.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "geometry/RecursiveSphereObject.h"
#include "plain/RecursiveBallPlain.h"
#include "sequence/Camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float kStart = 118.17567f;

struct Forest {
    explicit Forest(const std::vector<int>& directions) : tree(path.get(), branch.get(), directions) {}

    std::unique_ptr<MeshObject> path{PrimitiveFactory::createUnitSphere(20, 20)};
    std::unique_ptr<MeshObject> branch{PrimitiveFactory::createUnitSphere(8, 8)};
    SphereTree tree;
};

std::vector<int> patternedDirections(int seed)
{
    std::vector<int> directions;
    for (int i = 0; i < SphereTree::kPathLength; ++i) {
        directions.push_back((i * 7 + seed + i / 3) % 4);
    }
    return directions;
}

// The flight as the scene lays it out: three approach points looking at the root, then the midpoints
// between each branch sphere and the next.
CameraPath flightAlong(const SphereTree& tree, const std::vector<int>& directions)
{
    CameraPath path;
    RecursiveSphereObject* node = tree.getRoot();
    for (const Vector3& approach : {Vector3{0.0f, 0.0f, 20.0f}, Vector3{-10.0f, 10.0f, 5.0f}, Vector3{50.0f, -50.0f, 20.0f}}) {
        path.addPoint(approach, node->getMatrixTranslation(), 0);
    }
    for (int i = 0; i + 1 < SphereTree::kPathLength; ++i) {
        GraphicsObject* child = node->getChild(static_cast<unsigned>(directions[i]));
        const Vector3 here = node->getMatrixTranslation();
        const Vector3 there = child->getMatrixTranslation();
        const Vector3 between = (here + there) * 0.5f;
        path.setLastTarget(between);
        path.addPoint(between, there, i);
        node = static_cast<RecursiveSphereObject*>(child);
    }
    return path;
}

bool sameBits(const Vector3& a, const Vector3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

float largestMagnitude(const Vector3& v) { return std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)}); }

float largestDifference(const Vector3& a, const Vector3& b)
{
    return std::max({std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z)});
}

} // namespace

TEST(RecursiveBallPlainTest, TreeWalkVisitsTheSameNodesInTheSameOrder)
{
    for (int seed : {0, 3}) {
        Forest forest(patternedDirections(seed));
        RecursiveSphereObject& root = *forest.tree.getRoot();
        std::size_t widest = 0;
        for (int minLevel : {0, 1, 2, 5, 10, 20, 35, 38, 39, 40, 41, 44, 45, 46, 60}) {
            std::vector<const RecursiveSphereObject*> walked;
            auto record = [&walked](RecursiveSphereObject& node) { walked.push_back(&node); };
            root.walkTree(minLevel, 0, record);
            std::vector<const RecursiveSphereObject*> plainWalked;
            plain::walkTree(root, minLevel, 0, [&plainWalked](RecursiveSphereObject& node) { plainWalked.push_back(&node); });
            ASSERT_EQ(walked, plainWalked) << "directions " << seed << ", camera level " << minLevel;
            widest = std::max(widest, walked.size());
        }
        EXPECT_GT(widest, 1000u);
    }
}

// The scene evaluates the curve as K·(2u(1 − u)), the plain loop as K·2·u·(1 − u) in the formula's order,
// so the camera's places differ in the last bits. Deep in the tree the camera stands a few hundredths
// from its target and such a difference turns its view by much more, so the views are compared only
// where the places agree, and there they must agree to the bit. Segments and levels are exact.
TEST(RecursiveBallPlainTest, CameraFlightMatchesWithinRounding)
{
    const std::vector<int> directions = patternedDirections(1);
    Forest forest(directions);
    CameraPath path = flightAlong(forest.tree, directions);
    std::vector<PathPoint> points;
    for (int i = 0; i < path.getPointCount(); ++i) {
        points.push_back(path.getPoint(i));
    }
    Camera camera;
    Camera plainCamera;
    camera.setPosition(0.0f, 0.0f, 5.0f);
    plainCamera.setPosition(0.0f, 0.0f, 5.0f);
    path.restart(kStart);
    int segment = 0;
    float segmentStart = kStart;

    float largest = 0.0f;
    float largestInEpsilons = 0.0f; // relative to the largest coordinate of the place
    float largestTurn = 0.0f;
    float largestTurnNearTheTop = 0.0f; // segments 0 to 9, where the spheres are still large
    int samePlaces = 0;
    std::vector<bool> flown(static_cast<std::size_t>(path.getPointCount()), false);
    int frame = 0;
    for (float now = kStart; now < kStart + 60.0f; ++frame) {
        const Camera before = camera;
        const Camera plainBefore = plainCamera;
        const int level = path.update(camera, now);
        const int plainLevel =
            plain::updateCamera(points.data(), static_cast<int>(points.size()), segment, segmentStart, plainCamera, now);
        ASSERT_EQ(level, plainLevel) << "at " << now;
        ASSERT_EQ(path.getSegment(), segment) << "at " << now;
        ASSERT_EQ(path.getSegmentStart(), segmentStart) << "at " << now;
        flown[static_cast<std::size_t>(segment)] = true;
        const float difference = largestDifference(camera.position, plainCamera.position);
        largest = std::max(largest, difference);
        largestInEpsilons = std::max(
            largestInEpsilons, difference / (FLT_EPSILON * std::max(largestMagnitude(camera.position), FLT_MIN)));
        const float turn =
            std::max(largestDifference(camera.forward, plainCamera.forward), largestDifference(camera.up, plainCamera.up));
        largestTurn = std::max(largestTurn, turn);
        if (segment < 10) {
            largestTurnNearTheTop = std::max(largestTurnNearTheTop, turn);
        }
        if (sameBits(camera.position, plainCamera.position)) {
            ++samePlaces;
            // Unless both kept the view of the frame before (a camera on its target keeps its view, and
            // so does one at the end of the flight).
            const bool bothKeptTheirView = sameBits(camera.forward, before.forward) &&
                                           sameBits(camera.up, before.up) &&
                                           sameBits(plainCamera.forward, plainBefore.forward) &&
                                           sameBits(plainCamera.up, plainBefore.up);
            if (!bothKeptTheirView) {
                ASSERT_TRUE(sameBits(camera.forward, plainCamera.forward)) << "at " << now;
                ASSERT_TRUE(sameBits(camera.up, plainCamera.up)) << "at " << now;
            }
        }
        // In the slow first half of the flight a stall now and then skips a segment or two.
        now += frame % 300 == 299 && now < kStart + 20.0f ? 4.0f : 1.0f / 60.0f;
    }
    std::printf("camera flight, %d frames: places the same in %d; largest difference in place %g (%.1f float "
                "epsilons of its largest coordinate); views apart by up to %g in segments 0 to 9, %g deeper down\n",
                frame, samePlaces, static_cast<double>(largest), static_cast<double>(largestInEpsilons),
                static_cast<double>(largestTurnNearTheTop), static_cast<double>(largestTurn));
    RecordProperty("largestPlaceDifference", std::to_string(largest));
    RecordProperty("largestViewDifference", std::to_string(largestTurn));
    // The durations run out after segment 33: the flight ends there, and every segment but the skipped
    // ones was flown.
    EXPECT_EQ(segment, 34);
    EXPECT_GE(std::count(flown.begin(), flown.begin() + 34, true), 30);
    EXPECT_TRUE(std::all_of(flown.begin() + 12, flown.begin() + 35, [](bool f) { return f; }));
    EXPECT_GT(samePlaces, frame / 4);
    EXPECT_LE(largestInEpsilons, 4.0f);
}
