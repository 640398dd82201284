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
