#pragma once

#include "support/HeadlessGL.h"

#include <string>

class AbstractSceneObject;

// A scene drawn headless with the demo's own projection, at the test context's size, on a clock the
// test sets. Renders one frame at a time as the main loop would: the time value is written first.
class SceneTest : public GLTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the scene as the loader does, then starts it at music time `time`.
    void loadAndStart(AbstractSceneObject& scene, float time);
    void renderAt(AbstractSceneObject& scene, float time);
    // Renders one frame and returns what it printed on standard output.
    std::string renderCapturingOutput(AbstractSceneObject& scene, float time);

    // The shared time value the scene reads through its pointer.
    float timeValue = -1.0f;
};
