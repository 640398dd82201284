#include "support/SceneTest.h"

#include "app/AppWindow.h"
#include "sequence/AbstractSceneObject.h"
#include "support/ScriptedWindow.h"

#include <GL/glew.h>

#include <cstdio>

void SceneTest::SetUp()
{
    GLTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    ScriptedWindow platform;
    AppWindow app(platform, headless_gl::kWidth, headless_gl::kHeight, nullptr, nullptr, &timeValue);
    app.resizeViewport(headless_gl::kWidth, headless_gl::kHeight);
}

void SceneTest::TearDown()
{
    // Scenes hand GL state on to each other; the next test starts from a clean context.
    const GLenum capabilities[] = {GL_LIGHT0, GL_COLOR_MATERIAL, GL_NORMALIZE, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
                                   GL_ALPHA_TEST, GL_POLYGON_OFFSET_FILL, GL_RESCALE_NORMAL};
    for (GLenum capability : capabilities) {
        glDisable(capability);
    }
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthMask(GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    GLTest::TearDown();
}

void SceneTest::loadAndStart(AbstractSceneObject& scene, float time)
{
    scene.load();
    timeValue = time;
    scene.start();
}

void SceneTest::renderAt(AbstractSceneObject& scene, float time)
{
    timeValue = time;
    scene.render();
}

std::string SceneTest::renderCapturingOutput(AbstractSceneObject& scene, float time)
{
    testing::internal::CaptureStdout();
    renderAt(scene, time);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
