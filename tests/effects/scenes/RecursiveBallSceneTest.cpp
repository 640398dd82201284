#include "effects/scenes/RecursiveBallScene.h"
#include "effects/scenes/SphereTree.h"
#include "effects/sync/RecursiveBallSync.h"
#include "geometry/DrawCounter.h"
#include "geometry/MeshObject.h"
#include "geometry/PrimitiveFactory.h"
#include "geometry/RecursiveSphereObject.h"
#include "support/SceneTest.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>

namespace {

constexpr float kStart = 118.17567f;

bool sameColour(const float* a, const float* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

float distance(const Vector3& a, const Vector3& b)
{
    const Vector3 d = a - b;
    return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}

} // namespace

TEST(SphereTreeTest, BuildsTheWholeTreeWithWorldMatricesAlongTheChosenBranch)
{
    std::unique_ptr<MeshObject> pathMesh(PrimitiveFactory::createUnitSphere(20, 20));
    std::unique_ptr<MeshObject> branchMesh(PrimitiveFactory::createUnitSphere(8, 8));
    std::vector<int> directions;
    for (int i = 0; i < SphereTree::kPathLength; ++i) {
        directions.push_back((i * 7) % 4); // child 0 first, so child 1 of the root is a side sphere
    }
    SphereTree tree(pathMesh.get(), branchMesh.get(), directions);
    EXPECT_EQ(tree.getSpheresCreated(), 41301);

    const auto& path = tree.getPathSpheres();
    ASSERT_EQ(path.size(), 40u);
    EXPECT_EQ(path[0], tree.getRoot());
    for (int i = 0; i + 1 < 40; ++i) {
        ASSERT_EQ(path[i]->getChildCount(), 4u);
        for (unsigned child = 0; child < 4; ++child) {
            auto* node = static_cast<RecursiveSphereObject*>(path[i]->getChild(child));
            EXPECT_EQ(node->isOnPath(), static_cast<int>(child) == directions[i]) << "level " << i;
        }
        EXPECT_EQ(path[i]->getChild(static_cast<unsigned>(directions[i])), path[i + 1]);
        // Path spheres draw the finer mesh.
        EXPECT_EQ(path[i]->getPolygonCount(), pathMesh->getPolygonCount());
    }
    // The branch's 41st sphere carries a full subtree of depth four and no deeper path.
    auto* last = static_cast<RecursiveSphereObject*>(path[39]->getChild(static_cast<unsigned>(directions[39])));
    EXPECT_TRUE(last->isOnPath());
    ASSERT_EQ(last->getChildCount(), 4u);
    EXPECT_FALSE(static_cast<RecursiveSphereObject*>(last->getChild(0))->isOnPath());

    // World matrices compose parent first: the root's child 1 sits at (3, 0, 0) at 0.6 scale, turned
    // 90° about y, so its own child 0 lands 0.6 × 3 above it.
    GraphicsObject* right = tree.getRoot()->getChild(1);
    EXPECT_NEAR(right->getMatrixTranslation().x, 3.0f, 1e-5f);
    EXPECT_NEAR(right->getMatrixTranslation().y, 0.0f, 1e-5f);
    GraphicsObject* above = right->getChild(0);
    EXPECT_NEAR(above->getMatrixTranslation().x, 3.0f, 1e-5f);
    EXPECT_NEAR(above->getMatrixTranslation().y, 1.8f, 1e-5f);
    EXPECT_NEAR(above->getMatrixTranslation().z, 0.0f, 1e-5f);
    EXPECT_EQ(right->getPolygonCount(), branchMesh->getPolygonCount());

    std::vector<int> broken(directions);
    broken[5] = 4;
    EXPECT_THROW(SphereTree(pathMesh.get(), branchMesh.get(), broken), std::out_of_range);
    EXPECT_THROW(SphereTree(pathMesh.get(), branchMesh.get(), std::vector<int>(10, 0)), std::out_of_range);
}

class RecursiveBallSceneTest : public SceneTest {};

TEST_F(RecursiveBallSceneTest, LoadingBuildsTheTreeAndAFlightDownItsBranch)
{
    RecursiveBallScene scene(&timeValue);
    testing::internal::CaptureStdout();
    scene.load();
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Total objects created:  41301\n");
    // A second scene counts its own spheres, not the process's.
    RecursiveBallScene second(&timeValue);
    testing::internal::CaptureStdout();
    second.load();
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Total objects created:  41301\n");
    EXPECT_EQ(scene.getObjectCount(), 0u);

    const CameraPath& path = scene.getCameraPath();
    ASSERT_EQ(path.getPointCount(), 42);
    const auto& spheres = scene.getTree()->getPathSpheres();
    for (int i = 0; i < 39; ++i) {
        const PathPoint& point = path.getPoint(3 + i);
        const Vector3 here = spheres[i]->getMatrixTranslation();
        const Vector3 next = spheres[i + 1]->getMatrixTranslation();
        EXPECT_LT(distance(point.position, (here + next) * 0.5f), 1e-6f) << "point " << 3 + i;
        EXPECT_EQ(point.level, i);
        // Each point looks at where the camera goes next, and the last at the sphere beyond it.
        const Vector3 expectedTarget = i < 38 ? path.getPoint(4 + i).position : next;
        EXPECT_LT(distance(point.target, expectedTarget), 1e-6f) << "point " << 3 + i;
    }
    EXPECT_LT(distance(path.getPoint(2).target, path.getPoint(3).position), 1e-6f);
}

TEST_F(RecursiveBallSceneTest, TheFlightStartsAtItsFirstPointLookingAtTheRedRoot)
{
    // The light as a fresh context has it: earlier scenes may have changed it.
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const float light[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    RecursiveBallScene scene(&timeValue);
    testing::internal::CaptureStdout();
    loadAndStart(scene, kStart);
    testing::internal::GetCapturedStdout();
    renderAt(scene, kStart);
    const Camera& camera = *scene.getCamera();
    EXPECT_EQ(camera.position.z, 20.0f);
    EXPECT_FLOAT_EQ(camera.forward.z, -1.0f);
    EXPECT_EQ(scene.getMinLevel(), 0);

    // The root, on the path, fills the middle of the view in the first palette colour.
    const Rgba middle = pixel(32, 32);
    EXPECT_GT(middle[0], 100);
    EXPECT_LT(middle[1], 30);
    EXPECT_LT(middle[2], 30);
    // After the first beat time the branch turns orange.
    renderAt(scene, kSphereTreeBeatTimes[0]);
    const Rgba orange = pixel(32, 32);
    EXPECT_GT(orange[0], 200);
    EXPECT_GT(orange[1], 100);
    EXPECT_LT(orange[1], 180);
    EXPECT_LT(orange[2], 30);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RecursiveBallSceneTest, TheBeatColourStepsOncePerBeatTimeAndHoldsAfterTheLast)
{
    RecursiveBallScene scene(&timeValue);
    const float red[3] = {1.0f, 0.0f, 0.0f};
    EXPECT_TRUE(sameColour(scene.pathColour(), red));
    scene.updateBeat(118.5f);
    EXPECT_EQ(scene.getBeatIndex(), 0);

    const float* previous = scene.pathColour();
    for (int beat = 0; beat < kSphereTreeBeatCount; ++beat) {
        scene.updateBeat(kSphereTreeBeatTimes[beat]);
        const float* now = scene.pathColour();
        EXPECT_FALSE(sameColour(now, previous)) << "beat " << beat;
        previous = now;
        // Calling again at the same time passes no further beat.
        scene.updateBeat(kSphereTreeBeatTimes[beat]);
        EXPECT_EQ(scene.pathColour(), now) << "beat " << beat;
    }
    // Every beat passed: the colour of the last one stays, a colour of the palette (51 mod 7 = 2).
    EXPECT_EQ(scene.getBeatIndex(), -1);
    const float yellow[3] = {1.0f, 1.0f, 0.0f};
    EXPECT_TRUE(sameColour(scene.pathColour(), yellow));
    scene.updateBeat(144.1f);
    EXPECT_TRUE(sameColour(scene.pathColour(), yellow));

    // The colour wraps after blue, and a late frame passes one beat time at most.
    RecursiveBallScene late(&timeValue);
    late.updateBeat(130.0f);
    EXPECT_EQ(late.getBeatIndex(), 1);
    for (int i = 0; i < 6; ++i) {
        late.updateBeat(130.0f);
    }
    EXPECT_EQ(late.getBeatIndex(), 7);
    EXPECT_TRUE(sameColour(late.pathColour(), red));
}

TEST_F(RecursiveBallSceneTest, FogComesOnFromSegmentFourAndAWordFadesInOneSecond)
{
    RecursiveBallScene scene(&timeValue);
    testing::internal::CaptureStdout();
    loadAndStart(scene, kStart);
    testing::internal::GetCapturedStdout();
    renderAt(scene, kStart + 11.0f);
    renderAt(scene, kStart + 11.0f);
    EXPECT_EQ(scene.getCameraPath().getSegment(), 3);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    renderAt(scene, kStart + 11.6f);
    EXPECT_EQ(scene.getCameraPath().getSegment(), 4);
    DrawCounter::take();
    renderAt(scene, kStart + 11.7f);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_EQ(scene.getMinLevel(), 1);
    // A window below the root, the widest there is, is one draw for each kind of sphere.
    EXPECT_EQ(DrawCounter::take().draws, 2u);

    // 'Q' shows the first word fully and fades it out over one second.
    timeValue = kStart + 12.0f;
    scene.keyPressed('Q');
    renderAt(scene, kStart + 12.25f);
    EXPECT_NEAR(scene.getWordMesh(0)->getColors()[3], 0.75f, 1e-4f);
    renderAt(scene, kStart + 13.1f);
    EXPECT_FALSE(scene.isWordActive(0));

    scene.stop();
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    glLineWidth(1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
