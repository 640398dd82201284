#include "app/DemoShell.h"
#include "app/LoadingScene.h"
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
#include "support/HeadlessGL.h"
#include "support/ScriptedAudio.h"
#include "support/ScriptedWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

class WholeShowTest : public GLTest {};

// The play order as the loader builds it: each entry's keyword, scene, start and end, written out here rather
// than read from the sync tables or the catalog, so that a typo there or two swapped rows cannot pass.
TEST_F(WholeShowTest, TheLoaderBuildsThePlayOrderWrittenOutHere)
{
    struct Entry {
        const char* keyword;
        std::type_index scene;
        float start;
        float end;
    };
    const std::vector<Entry> expected = {
        {"LOADER\n", typeid(LoadingScene), -1.0f, 0.0f},
        {"INTRO\n", typeid(RainBallScene), 0.0f, 27.364876f},
        {"MULTICYLINDERTUNNEL\n", typeid(MultiCylinderTunnelScene), 27.364876f, 53.310818f},
        {"PLASMABALLINCUBE\n", typeid(PlasmaBallInCubeScene), 53.310818f, 79.25676f},
        {"PLASMATUNNELVELK\n", typeid(PlasmaTunnelVelkScene), 79.25676f, 92.22973f},
        {"PLASMATUNNELQUARN\n", typeid(PlasmaTunnelQuarnScene), 92.22973f, 105.2027f},
        {"CYLINDERPLANE\n", typeid(CylinderPlaneScene), 105.2027f, 118.17567f},
        {"RECURSIVEBALL\n", typeid(RecursiveBallScene), 118.17567f, 144.12163f},
        {"BUTTERFLYBALL\n", typeid(ButterflyBallScene), 144.12163f, 157.0946f},
        {"MULTIBALL\n", typeid(MultiBallScene), 157.0946f, 170.06758f},
        {"METABALLTUNNEL\n", typeid(MetaballTunnelScene), 170.06758f, 196.01352f},
        {"PLASMABALL\n", typeid(PlasmaBallScene), 196.01352f, 208.98648f},
        {"OUTTRO\n", typeid(GreetingsScene), 208.98648f, 218.71623f},
        {"ENDING\n", typeid(EndingScene), 218.71623f, 300.0f},
    };
    ScriptedWindow platform;
    ScriptedAudio audio;
    DemoShell shell(platform, &audio, headless_gl::kWidth, headless_gl::kHeight);
    testing::internal::CaptureStdout();
    const bool started = shell.startUp();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(started);
    const LoadingScene& loader = *shell.loader();
    ASSERT_EQ(loader.timeline.size(), expected.size());
    ASSERT_EQ(loader.keywords.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_STREQ(loader.keywords[i], expected[i].keyword) << "entry " << i;
        EXPECT_EQ(std::type_index(typeid(*loader.timeline[i].scene)), expected[i].scene) << expected[i].keyword;
        EXPECT_EQ(loader.timeline[i].start, expected[i].start) << expected[i].keyword;
        EXPECT_EQ(loader.timeline[i].end, expected[i].end) << expected[i].keyword;
    }
    shell.shutDown();
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
