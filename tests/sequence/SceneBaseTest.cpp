#include "geometry/GraphicsObject.h"
#include "sequence/AbstractSceneObject.h"
#include "sequence/KeyboardInputController.h"
#include "sequence/KeyboardMotionController.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

class CountedObject : public GraphicsObject {
public:
    CountedObject(unsigned triangles, int* destroyed) : triangles(triangles), destroyed(destroyed) {}
    ~CountedObject() override { ++*destroyed; }
    void draw() override {}
    void drawTransformed() override {}
    void drawChildren() override {}
    unsigned getPolygonCount() override { return triangles; }

private:
    unsigned triangles;
    int* destroyed;
};

// Fires at most one event per render, as every scene does, and records the kinds it saw.
class ProbeScene : public AbstractSceneObject {
public:
    using AbstractSceneObject::AbstractSceneObject;
    bool load() override { return true; }
    void start() override {}
    void render() override
    {
        if (const TimedEvent* event = takeDueEvent()) {
            fired.push_back(event->kind);
        }
    }
    void stop() override {}
    void keyPressed(int key) override { std::printf("scene got %d\n", key); }

    using AbstractSceneObject::addEvent;
    void addObject(GraphicsObject* object) { objects.push_back(object); }
    std::uint32_t next() const { return nextEvent; }
    float start_time() const { return startTime; }

    std::vector<int> fired;
};

} // namespace

TEST(SceneEvents, FireInTimeOrderOnePerFrameAndNeverTwice)
{
    float now = -1.0f;
    ProbeScene scene(&now);
    EXPECT_FLOAT_EQ(scene.start_time(), -1.0f);
    scene.addEvent(3.0f, 30);
    scene.addEvent(1.0f, 10);
    scene.addEvent(2.0f, 20);
    scene.addEvent(2.0f, 21);
    scene.sortEvents();

    now = 0.5f;
    scene.render();
    EXPECT_TRUE(scene.fired.empty());

    // The clock jumps past three events: they come out one per frame.
    now = 2.5f;
    scene.render();
    scene.render();
    ASSERT_EQ(scene.fired.size(), 2u);
    EXPECT_EQ(scene.fired[0], 10);
    scene.render();
    ASSERT_EQ(scene.fired.size(), 3u);
    EXPECT_TRUE((scene.fired[1] == 20 && scene.fired[2] == 21) || (scene.fired[1] == 21 && scene.fired[2] == 20));
    scene.render();
    EXPECT_EQ(scene.fired.size(), 3u);

    // An event fires when the clock reaches its time exactly, and the list ends cleanly.
    now = 3.0f;
    for (int frame = 0; frame < 5; ++frame) {
        scene.render();
    }
    EXPECT_EQ(scene.fired, (std::vector<int>{10, scene.fired[1], scene.fired[2], 30}));
    EXPECT_EQ(scene.next(), 4u);

    float later = 100.0f;
    ProbeScene empty(&later);
    empty.render();
    EXPECT_TRUE(empty.fired.empty());
    EXPECT_EQ(empty.next(), 0u);
}

TEST(SceneObjects, AreCountedSummedAndDeletedWithTheScene)
{
    float now = -1.0f;
    int destroyed = 0;
    {
        ProbeScene scene(&now);
        EXPECT_EQ(scene.getObjectCount(), 0u);
        EXPECT_EQ(scene.getPolygonCount(), 0u);
        scene.addObject(new CountedObject(5, &destroyed));
        scene.addObject(new CountedObject(7, &destroyed));
        EXPECT_EQ(scene.getObjectCount(), 2u);
        EXPECT_EQ(scene.getPolygonCount(), 12u);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(Camera, MovesAlongItsOwnVectorsAndBuildsTheViewRotation)
{
    Camera camera;
    camera.strafe(1.0f);
    EXPECT_FLOAT_EQ(camera.position.x, -1.0f);
    EXPECT_FLOAT_EQ(camera.position.z, 0.0f);
    camera.moveForward(2.0f);
    camera.moveUp(0.5f);
    EXPECT_FLOAT_EQ(camera.position.y, 0.5f);
    EXPECT_FLOAT_EQ(camera.position.z, -2.0f);

    float matrix[16];
    camera.getRotationMatrix(matrix);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(matrix[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
    }

    camera.forward = {1.0f, 0.0f, 0.0f};
    camera.getRotationMatrix(matrix);
    // Row 0 is side = forward × up, row 2 is back = −forward.
    EXPECT_FLOAT_EQ(matrix[0], 0.0f);
    EXPECT_FLOAT_EQ(matrix[4], 0.0f);
    EXPECT_FLOAT_EQ(matrix[8], 1.0f);
    EXPECT_FLOAT_EQ(matrix[2], -1.0f);
    EXPECT_FLOAT_EQ(matrix[6], 0.0f);
    EXPECT_FLOAT_EQ(matrix[10], 0.0f);
    EXPECT_FLOAT_EQ(matrix[5], 1.0f);
    EXPECT_FLOAT_EQ(matrix[12] + matrix[13] + matrix[14], 0.0f);

    camera.up = {0.0f, 2.0f, 0.0f}; // vectors are kept as given, not normalised
    camera.moveUp(1.0f);
    EXPECT_FLOAT_EQ(camera.position.y, 2.5f);
    camera.reset(false);
    EXPECT_FLOAT_EQ(camera.position.y, 2.5f);
    EXPECT_FLOAT_EQ(camera.up.y, 1.0f);
    EXPECT_FLOAT_EQ(camera.forward.z, -1.0f);
    camera.reset(true);
    EXPECT_FLOAT_EQ(camera.position.x, 0.0f);
    EXPECT_FLOAT_EQ(camera.position.y, 0.0f);
}

TEST(Controllers, InputControllerCallsTheSceneBeforeLogging)
{
    float now = -1.0f;
    ProbeScene scene(&now);
    KeyboardInputController input;
    input.scene = &scene;
    testing::internal::CaptureStdout();
    input.keyPressed(32);
    input.keyReleased(32);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "scene got 32\nInput pressed! : 32\nInput released! : 32\n");
}

TEST(Controllers, MotionKeysComeInRaisingAndLoweringPairs)
{
    struct Case {
        int key;
        bool rotation;
        int axis;
        float step;
    };
    const Case cases[] = {{'R', false, 0, 0.1f}, {'Y', false, 0, -0.1f}, {'5', false, 1, 0.1f},
                          {'B', false, 1, -0.1f}, {'T', false, 2, 0.1f}, {'G', false, 2, -0.1f},
                          {'H', true, 1, 0.5f},   {'F', true, 1, -0.5f}, {'Q', false, 0, 0.0f},
                          {32, false, 0, 0.0f}};
    float now = -1.0f;
    for (const Case& c : cases) {
        ProbeScene scene(&now);
        KeyboardMotionController motion;
        motion.setScene(&scene);
        motion.handleKey(c.key);
        for (int axis = 0; axis < 3; ++axis) {
            const float expected = axis == c.axis ? c.step : 0.0f;
            EXPECT_FLOAT_EQ(scene.getPosition()[axis], c.rotation ? 0.0f : expected) << "key " << c.key;
            EXPECT_FLOAT_EQ(scene.getRotation()[axis], c.rotation ? expected : 0.0f) << "key " << c.key;
        }
    }

    ProbeScene scene(&now);
    KeyboardMotionController motion;
    motion.setScene(&scene);
    const float position[3] = {1, 2, 3};
    const float rotation[3] = {4, 5, 6};
    motion.setScenePosition(position);
    motion.setSceneRotation(rotation);
    motion.handleKey('R');
    EXPECT_FLOAT_EQ(scene.getPosition()[0], 1.1f);
    EXPECT_FLOAT_EQ(scene.getPosition()[2], 3.0f);
    EXPECT_FLOAT_EQ(scene.getRotation()[1], 5.0f);
}
