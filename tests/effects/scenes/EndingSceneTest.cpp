#include "sequence/QuitRequest.h"
#include "effects/scenes/EndingScene.h"
#include "support/SceneTest.h"
#include "support/ScriptedWindow.h"

#include <gtest/gtest.h>

class EndingSceneTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        setQuitTarget(&platform);
    }
    void TearDown() override
    {
        setQuitTarget(nullptr);
        SceneTest::TearDown();
    }
    int centreGrey() { return pixel(headless_gl::kWidth / 2, headless_gl::kHeight / 2)[0]; }

    ScriptedWindow platform;
    EndingScene scene{&timeValue};
};

TEST_F(EndingSceneTest, TheSquareFadesOutFrom220Seconds)
{
    testing::internal::CaptureStdout();
    loadAndStart(scene, 218.71623f);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SCENE STARTED 218.716232\n");

    renderAt(scene, 219.0f);
    EXPECT_EQ(centreGrey(), 255);
    // The square covers the middle of the view and nothing else.
    EXPECT_EQ(pixel(1, 1)[0], 0);
    renderAt(scene, 220.0f);
    EXPECT_EQ(centreGrey(), 255);
    renderAt(scene, 222.6f);
    EXPECT_NEAR(centreGrey(), 128, 4);
    renderAt(scene, 225.2f);
    EXPECT_LE(centreGrey(), 1);
    renderAt(scene, 226.0f);
    EXPECT_EQ(centreGrey(), 0);
    EXPECT_EQ(platform.quitMessagesPosted, 0);

    EXPECT_FLOAT_EQ(EndingScene::fadeAlpha(220.0f), 1.0f);
    EXPECT_FLOAT_EQ(EndingScene::fadeAlpha(300.0f), 0.0f);
}

TEST_F(EndingSceneTest, QuitIsRequestedInEveryFrameFrom227AndAHalfSeconds)
{
    loadAndStart(scene, 218.8f);
    EXPECT_EQ(renderCapturingOutput(scene, 227.49f), "");
    EXPECT_EQ(platform.quitMessagesPosted, 0);
    EXPECT_EQ(renderCapturingOutput(scene, 227.5f), "Posting quit message...\n");
    EXPECT_EQ(platform.quitMessagesPosted, 1);
    EXPECT_EQ(renderCapturingOutput(scene, 227.52f), "Posting quit message...\n");
    EXPECT_EQ(platform.quitMessagesPosted, 2);
}

TEST_F(EndingSceneTest, SpaceStartsTheFadeButTheSquareStaysOpaqueUntil220)
{
    loadAndStart(scene, 218.8f);
    scene.keyPressed(32);
    renderAt(scene, 219.0f);
    EXPECT_EQ(centreGrey(), 255);
    renderAt(scene, 222.6f);
    EXPECT_NEAR(centreGrey(), 128, 4);
}
