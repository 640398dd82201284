#include "app/DemoShell.h"
#include "effects/isosurface/MetaballTunnelScene.h"
#include "effects/isosurface/PlasmaBallInCubeScene.h"
#include "effects/isosurface/PlasmaBallScene.h"
#include "effects/scenes/ButterflyBallScene.h"
#include "effects/scenes/CylinderPlaneScene.h"
#include "effects/scenes/EndingScene.h"
#include "effects/scenes/GreetingsScene.h"
#include "effects/scenes/MultiBallScene.h"
#include "effects/scenes/MultiCylinderTunnelScene.h"
#include "effects/scenes/PlasmaTunnelQuarnScene.h"
#include "effects/scenes/PlasmaTunnelVelkScene.h"
#include "effects/scenes/RainBallScene.h"
#include "effects/scenes/RecursiveBallScene.h"
#include "effects/sync/Timeline.h"
#include "sequence/LoadingScene.h"
#include "sequence/TextureTable.h"
#include "support/HeadlessGL.h"
#include "support/ScriptedAudio.h"
#include "support/ScriptedWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <typeindex>
#include <vector>

class WholeShowTest : public GLTest {};

// The show end to end on a scripted clock: every scene loads, plays a few frames spread over its span,
// and the last one ends the program by itself.
TEST_F(WholeShowTest, PlaysEveryKeywordInOrderAndQuitsAt227AndAHalfSeconds)
{
    ScriptedWindow platform;
    ScriptedAudio audio;
    DemoShell shell(platform, &audio, headless_gl::kWidth, headless_gl::kHeight);

    testing::internal::CaptureStdout();
    const bool started = shell.startUp();
    int loadingFrames = 0;
    while (started && !shell.loader()->loaded && loadingFrames < 100) {
        shell.runFrame();
        ++loadingFrames;
    }
    float quitTime = -1.0f;
    bool running = started;
    for (int entry = 1; entry < kTimelineLength && running; ++entry) {
        const float start = kTimeline[entry].start;
        const float end = entry + 1 < kTimelineLength ? kTimeline[entry].end : 228.0f;
        for (int step = 0; step < 4 && running; ++step) {
            audio.seconds = start + (end - start) * static_cast<float>(step) / 4.0f;
            running = shell.runFrame();
        }
    }
    for (int frame = 0; frame < 5 && running; ++frame) {
        audio.seconds = 227.5 + 0.02 * frame;
        running = shell.runFrame();
        quitTime = running ? -1.0f : static_cast<float>(audio.seconds);
    }
    if (started) {
        shell.shutDown();
    }
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();

    ASSERT_TRUE(started);
    EXPECT_EQ(loadingFrames, static_cast<int>(showScenes().size()) + 1);
    EXPECT_FALSE(running) << "the show did not end by itself";
    EXPECT_GE(quitTime, 227.5f);

    std::vector<std::string> expected;
    for (const SceneRow& row : showScenes()) {
        expected.emplace_back(kTimeline[row.timelineIndex].keyword);
    }
    std::vector<std::string> keywords;
    std::istringstream lines(printed);
    std::string line;
    bool endingStarted = false, quitPosted = false;
    while (std::getline(lines, line)) {
        for (const TimelineTime& time : kTimeline) {
            if (line + "\n" == time.keyword) {
                keywords.push_back(time.keyword);
            }
        }
        endingStarted = endingStarted || line.rfind("SCENE STARTED 218.7", 0) == 0;
        quitPosted = quitPosted || line == "Posting quit message...";
    }
    EXPECT_EQ(keywords, expected);
    EXPECT_TRUE(endingStarted);
    EXPECT_TRUE(quitPosted);
    EXPECT_GE(platform.quitMessagesPosted, 1);
}

// Each row of the catalog builds the scene its keyword names, written out here rather than read from the
// table that prints the keywords, so two swapped rows cannot pass.
TEST(SceneCatalog, EachRowBuildsTheSceneItsKeywordNames)
{
    const std::vector<std::pair<std::string, std::type_index>> expected = {
        {"INTRO\n", typeid(RainBallScene)},
        {"MULTICYLINDERTUNNEL\n", typeid(MultiCylinderTunnelScene)},
        {"PLASMABALLINCUBE\n", typeid(PlasmaBallInCubeScene)},
        {"PLASMATUNNELVELK\n", typeid(PlasmaTunnelVelkScene)},
        {"PLASMATUNNELQUARN\n", typeid(PlasmaTunnelQuarnScene)},
        {"CYLINDERPLANE\n", typeid(CylinderPlaneScene)},
        {"RECURSIVEBALL\n", typeid(RecursiveBallScene)},
        {"BUTTERFLYBALL\n", typeid(ButterflyBallScene)},
        {"MULTIBALL\n", typeid(MultiBallScene)},
        {"METABALLTUNNEL\n", typeid(MetaballTunnelScene)},
        {"PLASMABALL\n", typeid(PlasmaBallScene)},
        {"OUTTRO\n", typeid(GreetingsScene)},
        {"ENDING\n", typeid(EndingScene)},
    };
    const std::vector<SceneRow>& rows = showScenes();
    ASSERT_EQ(rows.size(), expected.size());
    const float time = 0.0f;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(kTimeline[rows[i].timelineIndex].keyword, expected[i].first) << "row " << i;
        const std::unique_ptr<AbstractSceneObject> scene(rows[i].create(&time));
        EXPECT_EQ(std::string(typeid(*scene).name()), expected[i].second.name()) << expected[i].first;
    }
}

// Scenes hand GL state on to the ones after them, through the real catalog in play order: the butterfly
// ball clears to the colour the recursive ball's stop leaves, and the ambient light of 2.2 set for the
// morphing balls, still in force two scenes later, lights every line of the plasma ball to full intensity.
TEST_F(WholeShowTest, StateASceneLeavesIsInForceInTheScenesAfterIt)
{
    const std::vector<SceneRow>& rows = showScenes();
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_STREQ(kTimeline[rows[6].timelineIndex].keyword, "RECURSIVEBALL\n");
    EXPECT_STREQ(kTimeline[rows[10].timelineIndex].keyword, "PLASMABALL\n");
    ScriptedWindow platform;
    ScriptedAudio audio;
    DemoShell shell(platform, &audio, headless_gl::kWidth, headless_gl::kHeight,
                    std::vector<SceneRow>(rows.begin() + 6, rows.begin() + 11));

    testing::internal::CaptureStdout();
    const bool started = shell.startUp();
    for (int frame = 0; started && !shell.loader()->loaded && frame < 10; ++frame) {
        shell.runFrame();
    }
    Rgba butterflyBackground{};
    // One frame in each scene: the recursive ball, the butterfly ball, the morphing balls, the metaball
    // tunnel, the plasma ball.
    for (double time : {130.0, 150.0, 160.0, 180.0, 197.0}) {
        audio.seconds = time;
        shell.runFrame();
        if (time == 150.0) {
            butterflyBackground = pixel(0, 0);
        }
    }
    const std::vector<std::uint8_t> plasmaBall = readPixels();
    if (started) {
        shell.shutDown();
    }
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(started);

    EXPECT_COLOR(butterflyBackground, 26, 26, 76, butterflyBackground[3]);
    int lit = 0;
    int saturated = 0;
    for (std::size_t i = 0; i < plasmaBall.size(); i += 4) {
        const int brightest = std::max({plasmaBall[i], plasmaBall[i + 1], plasmaBall[i + 2]});
        lit += brightest > 10 ? 1 : 0;
        saturated += brightest == 255 ? 1 : 0;
    }
    EXPECT_GT(lit, 1000);
    EXPECT_EQ(saturated, lit);
}
