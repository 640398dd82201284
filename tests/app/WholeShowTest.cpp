#include "app/DemoShell.h"
#include "effects/sync/Timeline.h"
#include "sequence/LoadingScene.h"
#include "sequence/TextureTable.h"
#include "support/HeadlessGL.h"
#include "support/ScriptedAudio.h"
#include "support/ScriptedWindow.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
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
