#include "app/AppWindow.h"
#include "app/MusicStream.h"
#include "app/LoadingScene.h"
#include "sequence/TextureTable.h"
#include "support/HeadlessGL.h"
#include "support/ScriptedAudio.h"
#include "support/ScriptedWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

namespace {

class CountingScene : public AbstractSceneObject {
public:
    CountingScene(const float* timeValue, int* loads) : AbstractSceneObject(timeValue), loads(loads) {}
    bool load() override
    {
        ++*loads;
        return true;
    }
    void start() override {}
    void render() override {}
    void stop() override {}

private:
    int* loads;
};

std::vector<SceneRow> countingScenes(int* loads)
{
    std::vector<SceneRow> rows;
    for (int i = 1; i <= 13; ++i) {
        rows.push_back({i, [loads](const float* time) { return new CountingScene(time, loads); }});
    }
    return rows;
}

} // namespace

class LoadingSceneTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        MusicStream::instance().device = &audio;
        testing::internal::CaptureStdout();
        loader = std::make_unique<LoadingScene>(&app, &timeValue, countingScenes(&loads));
        std::fflush(stdout);
        constructionOutput = testing::internal::GetCapturedStdout();
        loader->start();
        // The thirteen bars span x from −7 to 6 and y from 0 to 0.5 at z = −10.
        glMatrixMode(GL_PROJECTION);
        glOrtho(-7.0, 6.0, -0.25, 0.75, 0.0, 20.0);
        glMatrixMode(GL_MODELVIEW);
    }
    void TearDown() override
    {
        loader.reset();
        TextureTable::instance().release();
        MusicStream::instance().device = nullptr;
        MusicStream::instance().stream = 0;
        GLTest::TearDown();
    }
    int barsShown()
    {
        int shown = 0;
        for (int i = 0; i < 13; ++i) {
            const int x = static_cast<int>((i + 0.5) / 13.0 * headless_gl::kWidth);
            shown += pixel(x, headless_gl::kHeight / 2)[0] > 128 ? 1 : 0;
        }
        return shown;
    }

    ScriptedWindow platform;
    ScriptedAudio audio;
    float timeValue = -1.0f;
    AppWindow app{platform, 64, 64, nullptr, nullptr, &timeValue};
    int loads = 0;
    std::unique_ptr<LoadingScene> loader;
    std::string constructionOutput;
};

TEST_F(LoadingSceneTest, OpensTheSoundtrackAndLoadsTheSharedTexturesInOrder)
{
    EXPECT_EQ(audio.initFrequency, 44100);
    EXPECT_EQ(audio.openedPath, "Quessaly.mp3");
    EXPECT_EQ(MusicStream::instance().stream, 7u);
    EXPECT_EQ(constructionOutput,
              "File <orq.png> not found!\nFile <particle.png> not found!\nFile <spikebal.png> not found!\n"
              "File <background.png> not found!\nFile <chrome.png> not found!\nFile <youre.png> not found!\n"
              "File <on.png> not found!\nFile <the.png> not found!\nFile <zarn.png> not found!\n"
              "File <of.png> not found!\nFile <vusk.png> not found!\nFile <insanity.png> not found!\n"
              "File <spheremap.png> not found!\n");
    ASSERT_EQ(loader->timeline.size(), 14u);
    EXPECT_FLOAT_EQ(loader->timeline[0].start, -1.0f);
    EXPECT_FLOAT_EQ(loader->timeline[0].end, 0.0f);
    EXPECT_FLOAT_EQ(loader->timeline[13].end, 300.0f);
    for (std::size_t i = 1; i < loader->timeline.size(); ++i) {
        EXPECT_FLOAT_EQ(loader->timeline[i].start, loader->timeline[i - 1].end) << "entry " << i;
    }
    EXPECT_STREQ(loader->keywords[1], "INTRO\n");
    EXPECT_STREQ(loader->keywords[13], "ENDING\n");
    EXPECT_EQ(loads, 0);
}

TEST_F(LoadingSceneTest, TheBarGrowsOnePlanePerFrameAndTheMusicStartsAfterTheLastScene)
{
    for (int frame = 1; frame <= 13; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT);
        loader->render();
        EXPECT_EQ(barsShown(), frame - 1) << "frame " << frame;
        EXPECT_EQ(loads, frame);
        EXPECT_FALSE(loader->loaded);
    }
    EXPECT_EQ(audio.playCalls, 0);
    loader->render();
    EXPECT_EQ(barsShown(), 13);
    EXPECT_EQ(loads, 13);
    EXPECT_TRUE(loader->loaded);
    EXPECT_EQ(audio.playCalls, 1);
    EXPECT_EQ(audio.playedStream, 7u);
    EXPECT_FALSE(audio.restarted);
}

TEST_F(LoadingSceneTest, SpaceFinishesLoadingBeforeTheMusicStarts)
{
    loader->render();
    loader->render();
    loader->keyPressed('A');
    EXPECT_FALSE(loader->loaded);
    loader->keyPressed(32);
    EXPECT_EQ(loads, 13);
    EXPECT_EQ(app.loadedSceneCount, 13u);
    EXPECT_TRUE(loader->loaded);
    EXPECT_EQ(audio.playCalls, 1);
}
