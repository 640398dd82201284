#include "app/DemoShell.h"
#include "app/LoadingScene.h"
#include "sequence/TextureTable.h"
#include "support/HeadlessGL.h"
#include "support/ScriptedAudio.h"
#include "support/ScriptedWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

class WholeShowTest : public GLTest {};

namespace {

// What the show plays, written out by hand rather than taken from the sync tables, so that a typo there fails.
struct PlayedEntry {
    const char* keyword;
    float start;
    float end;
};
const PlayedEntry kPlayed[] = {
    {"LOADER\n", -1.0f, 0.0f},
    {"INTRO\n", 0.0f, 27.364876f},
    {"MULTICYLINDERTUNNEL\n", 27.364876f, 53.310818f},
    {"PLASMABALLINCUBE\n", 53.310818f, 79.25676f},
    {"PLASMATUNNELVELK\n", 79.25676f, 92.22973f},
    {"PLASMATUNNELQUARN\n", 92.22973f, 105.2027f},
    {"CYLINDERPLANE\n", 105.2027f, 118.17567f},
    {"RECURSIVEBALL\n", 118.17567f, 144.12163f},
    {"BUTTERFLYBALL\n", 144.12163f, 157.0946f},
    {"MULTIBALL\n", 157.0946f, 170.06758f},
    {"METABALLTUNNEL\n", 170.06758f, 196.01352f},
    {"PLASMABALL\n", 196.01352f, 208.98648f},
    {"OUTTRO\n", 208.98648f, 218.71623f},
    {"ENDING\n", 218.71623f, 300.0f},
};

} // namespace

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
    // The play order as the loader built it, read before the shell destroys the loader.
    std::vector<std::string> expected;
    std::vector<std::uint32_t> expectedCurrent;
    const int entries = static_cast<int>(std::size(kPlayed));
    EXPECT_EQ(started ? shell.loader()->timeline.size() : 0u, std::size(kPlayed));
    for (int entry = 0; started && entry < entries && entry < static_cast<int>(shell.loader()->timeline.size());
         ++entry) {
        EXPECT_STREQ(shell.loader()->keywords[entry], kPlayed[entry].keyword);
        EXPECT_EQ(shell.loader()->timeline[entry].start, kPlayed[entry].start) << kPlayed[entry].keyword;
        EXPECT_EQ(shell.loader()->timeline[entry].end, kPlayed[entry].end) << kPlayed[entry].keyword;
        if (entry > 0) {
            expected.emplace_back(kPlayed[entry].keyword);
            expectedCurrent.push_back(static_cast<std::uint32_t>(entry));
        }
    }
    float quitTime = -1.0f;
    bool running = started;
    // Each entry is current from just after its start to just before its end, and not a frame longer.
    std::vector<std::uint32_t> currentAtStart, currentBeforeEnd;
    for (int entry = 1; entry < entries && running; ++entry) {
        const float start = kPlayed[entry].start;
        const float end = entry + 1 < entries ? kPlayed[entry].end : 227.4f; // the ending quits at 227.5
        for (int step = 0; step <= 4 && running; ++step) {
            audio.seconds = step == 0 ? start + 0.001 : step == 4 ? end - 0.001 : start + (end - start) * step / 4.0;
            running = shell.runFrame();
            if (step == 0) {
                currentAtStart.push_back(shell.loader()->currentIndex);
            } else if (step == 4) {
                currentBeforeEnd.push_back(shell.loader()->currentIndex);
            }
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

    EXPECT_EQ(currentAtStart, expectedCurrent);
    EXPECT_EQ(currentBeforeEnd, expectedCurrent);
    std::vector<std::string> keywords;
    std::istringstream lines(printed);
    std::string line;
    bool endingStarted = false, quitPosted = false;
    while (std::getline(lines, line)) {
        for (const PlayedEntry& entry : kPlayed) {
            if (line + "\n" == entry.keyword) {
                keywords.push_back(entry.keyword);
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
