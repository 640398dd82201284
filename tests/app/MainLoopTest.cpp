#include "app/AppWindow.h"
#include "app/DemoShell.h"
#include "app/LoadingScene.h"
#include "effects/SceneCatalog.h"
#include "geometry/DrawPath.h"
#include "gl/GL.h"
#include "support/HeadlessGL.h"
#include "support/ScriptedAudio.h"
#include "support/ScriptedWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Logs its life into a shared journal: "load 1", "start 1", "render 1 @ t", "stop 1". While `paint` is set, its
// render also clears the view green and draws a blue square over the middle half.
class JournalScene : public AbstractSceneObject {
public:
    JournalScene(const float* timeValue, int id, std::vector<std::string>* journal, const bool* paint)
        : AbstractSceneObject(timeValue), id(id), journal(journal), paint(paint)
    {
    }
    bool load() override { return note("load"); }
    void start() override { note("start"); }
    void render() override
    {
        journal->push_back("render " + std::to_string(id) + " @ " + std::to_string(*timeValue));
        if (*paint) {
            gl::clearColor(0.0f, 1.0f, 0.0f, 1.0f);
            gl::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            gl::matrixMode(GL_PROJECTION);
            gl::loadIdentity();
            gl::matrixMode(GL_MODELVIEW);
            gl::loadIdentity();
            gl::color3f(0.0f, 0.0f, 1.0f);
            const GLfloat corners[4][3] = {{-0.5f, -0.5f, 0.0f}, {0.5f, -0.5f, 0.0f}, {0.5f, 0.5f, 0.0f},
                                           {-0.5f, 0.5f, 0.0f}};
            gl::begin(GL_QUADS);
            for (const GLfloat* corner : corners) {
                gl::vertex3fv(corner);
            }
            gl::end();
        }
    }
    void stop() override { note("stop"); }

private:
    bool note(const char* what)
    {
        journal->push_back(std::string(what) + " " + std::to_string(id));
        return true;
    }
    int id;
    std::vector<std::string>* journal;
    const bool* paint;
};

std::vector<SceneRow> journalScenes(std::vector<std::string>* journal, int count, const bool* paint)
{
    std::vector<SceneRow> rows;
    for (int i = 1; i <= count; ++i) {
        rows.push_back({i, [=](const float* time) { return new JournalScene(time, i, journal, paint); }});
    }
    return rows;
}

} // namespace

class MainLoopTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        startShell();
    }

    void startShell()
    {
        shell = std::make_unique<DemoShell>(platform, &audio, 64, 64,
                                            rows.empty() ? journalScenes(&journal, 3, &paint) : rows);
        shell->startAt(startSeconds);
        // The working directory holds no textures: their messages are not this test's business.
        testing::internal::CaptureStdout();
        const bool started = shell->startUp();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(started);
    }
    void TearDown() override
    {
        shell->shutDown();
        GLTest::TearDown();
    }
    // Runs one frame and returns what it printed.
    std::string frameOutput(bool expectRunning = true)
    {
        testing::internal::CaptureStdout();
        const bool running = shell->runFrame();
        std::fflush(stdout);
        const std::string text = testing::internal::GetCapturedStdout();
        EXPECT_EQ(running, expectRunning);
        return text;
    }
    // A jump to 60 s passes the two entries before it, one per frame, each scene started, rendered and stopped.
    void jumpOverTwoBoundaries()
    {
        journal.clear();
        audio.seconds = 60.0;
        EXPECT_EQ(frameOutput(), "MULTICYLINDERTUNNEL\n");
        EXPECT_EQ(frameOutput(), "PLASMABALLINCUBE\n");
        EXPECT_EQ(journal, (std::vector<std::string>{"stop 1", "start 2", "render 2 @ 60.000000", "stop 2",
                                                     "start 3", "render 3 @ 60.000000"}));
    }
    // Loads the three scenes, starts the music and enters the first scene.
    void finishLoading()
    {
        std::string printed;
        for (int frame = 0; frame < 5; ++frame) {
            printed += frameOutput();
        }
        // The loader's keyword is never printed: its entry is current from the start.
        EXPECT_EQ(printed, "INTRO\n");
    }

    double startSeconds = 0.0;
    std::vector<SceneRow> rows; // none: three journal scenes
    ScriptedWindow platform;
    ScriptedAudio audio;
    std::vector<std::string> journal;
    bool paint = false;
    std::unique_ptr<DemoShell> shell;
};

TEST_F(MainLoopTest, LoadsOneScenePerFrameThenFollowsTheMusic)
{
    EXPECT_EQ(audio.initFrequency, 44100);
    EXPECT_EQ(audio.openedPath, "Quessaly.mp3");
    audio.seconds = 5.0; // the clock is not read while loading
    for (int frame = 1; frame <= 3; ++frame) {
        ASSERT_TRUE(shell->runFrame());
        EXPECT_EQ(shell->app()->loadedSceneCount, static_cast<unsigned>(frame));
        EXPECT_EQ(journal.back(), "load " + std::to_string(frame));
        EXPECT_FLOAT_EQ(shell->timeValue, -1.0f);
        EXPECT_EQ(audio.playCalls, 0);
        EXPECT_LT(shell->loadingSeconds, 0.0);
    }
    ASSERT_TRUE(shell->runFrame());
    EXPECT_TRUE(shell->loader()->loaded);
    EXPECT_GE(shell->loadingSeconds, 0.0);
    EXPECT_EQ(audio.playCalls, 1);
    EXPECT_FALSE(audio.restarted);
    EXPECT_FLOAT_EQ(shell->timeValue, -1.0f);
    EXPECT_EQ(journal.size(), 3u);

    // The loader's entry ends at exactly 0 s: the first scene starts and renders in that frame.
    audio.seconds = 0.0;
    EXPECT_EQ(frameOutput(), "INTRO\n");
    EXPECT_EQ(journal, (std::vector<std::string>{"load 1", "load 2", "load 3", "start 1", "render 1 @ 0.000000"}));
    EXPECT_EQ(shell->app()->currentScene, shell->loader()->timeline[1].scene);

    jumpOverTwoBoundaries();

    // The last entry stays current, even past its end.
    journal.clear();
    audio.seconds = 400.0;
    EXPECT_EQ(frameOutput() + frameOutput(), "");
    EXPECT_EQ(journal, (std::vector<std::string>{"render 3 @ 400.000000", "render 3 @ 400.000000"}));
    EXPECT_EQ(platform.swaps, 9);
}

class LateStartTest : public MainLoopTest {
protected:
    void SetUp() override
    {
        startSeconds = 60.0;
        MainLoopTest::SetUp();
    }
};

// The music is moved before it plays; its first frame passes every entry before the start, each started
// and stopped in order, and only the current one renders.
TEST_F(LateStartTest, TheMusicBeginsThereAndTheEarlierEntriesPassInOneFrame)
{
    EXPECT_EQ(audio.soughtBytes, 60 * 176400);
    for (int frame = 0; frame < 4; ++frame) {
        ASSERT_TRUE(shell->runFrame());
    }
    journal.clear();
    audio.seconds = 60.0;
    EXPECT_EQ(frameOutput(), "INTRO\nMULTICYLINDERTUNNEL\nPLASMABALLINCUBE\n");
    EXPECT_EQ(journal, (std::vector<std::string>{"start 1", "stop 1", "start 2", "stop 2", "start 3",
                                                 "render 3 @ 60.000000"}));
    EXPECT_EQ(shell->app()->currentScene, shell->loader()->timeline[3].scene);
}

TEST_F(MainLoopTest, EscapeQuitsAfterTheFrameThatRetrievesTheQuitMessage)
{
    finishLoading();
    platform.queue(WindowMessage::Type::KeyDown, 27);
    ASSERT_TRUE(shell->runFrame()); // records the key, renders, posts the quit message
    EXPECT_EQ(platform.quitMessagesPosted, 1);
    const int swapsBefore = platform.swaps;
    const std::size_t rendersBefore = journal.size();
    EXPECT_EQ(frameOutput(false), ""); // retrieves it, and still renders and swaps
    EXPECT_EQ(platform.swaps, swapsBefore + 1);
    EXPECT_EQ(journal.size(), rendersBefore + 1);
}

TEST_F(MainLoopTest, AltAndF4QuitOnlyTogether)
{
    finishLoading();
    platform.queue(WindowMessage::Type::SystemKeyDown, 18);
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(shell->runFrame());
    }
    platform.queue(WindowMessage::Type::SystemKeyUp, 18);
    platform.queue(WindowMessage::Type::KeyDown, 115);
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(shell->runFrame());
    }
    EXPECT_EQ(platform.quitMessagesPosted, 0);

    platform.queue(WindowMessage::Type::SystemKeyDown, 18);
    ASSERT_TRUE(shell->runFrame());
    EXPECT_EQ(platform.quitMessagesPosted, 1);
    EXPECT_FALSE(shell->runFrame());
}

TEST_F(MainLoopTest, MessagesAreHandledOnePerFrameAndClosingQuits)
{
    finishLoading();
    platform.queue(WindowMessage::Type::KeyDown, 18);
    platform.queue(WindowMessage::Type::KeyDown, 13);
    ASSERT_TRUE(shell->runFrame()); // Alt goes down: that is the frame's message
    EXPECT_EQ(shell->app()->keys[18], 1);
    EXPECT_EQ(shell->app()->keys[13], 0);
    ASSERT_TRUE(shell->runFrame());
    EXPECT_EQ(shell->app()->keys[13], 1);

    // Keys the shell does not act on, and a key already down, wait for nobody: a close request behind
    // hundreds of typed keys still quits within two frames.
    for (int k = 0; k < 300; ++k) {
        platform.queue(WindowMessage::Type::KeyDown, 'A' + k % 26);
        platform.queue(WindowMessage::Type::KeyUp, 'A' + k % 26);
    }
    platform.queue(WindowMessage::Type::KeyDown, 18);
    platform.queue(WindowMessage::Type::Close);
    platform.queue(WindowMessage::Type::KeyDown, 'Z');
    ASSERT_TRUE(shell->runFrame()); // Close: the quit message joins the queue behind the key
    EXPECT_EQ(shell->app()->keys['Z'], 0);
    EXPECT_FALSE(shell->runFrame());
    EXPECT_EQ(shell->app()->keys['Z'], 1);
}

// Escape and Alt+F4 behind a flood of typed keys quit within two frames of their press.
TEST_F(MainLoopTest, QuitKeysActWithinTwoFramesOfAFlood)
{
    for (const std::vector<int>& quitKeys : {std::vector<int>{27}, std::vector<int>{18, 115}}) {
        finishLoading();
        for (const int key : quitKeys) {
            for (int k = 0; k < 600; ++k) {
                platform.queue(WindowMessage::Type::KeyDown, 'A' + k % 26);
            }
            platform.queue(WindowMessage::Type::SystemKeyDown, key);
            ASSERT_TRUE(shell->runFrame());
        }
        EXPECT_FALSE(shell->runFrame());
        shell->shutDown();
        platform.messages.clear();
        startShell();
    }
}

// Minimized, the show plays on unseen: the scenes start, render and stop with the music as ever, and what they
// draw, clears included, never reaches the frame buffer; nothing is swapped, and each frame waits a display frame
// instead. Restored, it is drawn and swapped again.
TEST_F(MainLoopTest, AMinimizedWindowPlaysOnUnseen)
{
    finishLoading();
    gl::clearColor(1.0f, 0.0f, 0.0f, 1.0f);
    gl::clear(GL_COLOR_BUFFER_BIT); // the last frame seen
    paint = true;
    WindowMessage minimized;
    minimized.type = WindowMessage::Type::Activate;
    minimized.minimized = true;
    platform.messages.push_back(minimized);
    const int swaps = platform.swaps;
    jumpOverTwoBoundaries();
    EXPECT_EQ(platform.swaps, swaps);
    EXPECT_EQ(platform.displayFrameWaits, 2);
    EXPECT_TRUE(DrawPath::stateOnly());
    std::vector<std::uint8_t> red(64 * 64 * 4, 0);
    for (std::size_t i = 0; i < red.size(); i += 4) {
        red[i] = red[i + 3] = 255;
    }
    EXPECT_TRUE(readPixels() == red) << "the frame buffer was drawn on";

    minimized.minimized = false;
    platform.messages.push_back(minimized);
    EXPECT_EQ(frameOutput(), "");
    EXPECT_EQ(platform.swaps, swaps + 1);
    EXPECT_EQ(platform.displayFrameWaits, 2);
    EXPECT_FALSE(DrawPath::stateOnly());
    EXPECT_COLOR(pixel(32, 32), 0, 0, 255, 255);
    EXPECT_COLOR(pixel(4, 60), 0, 255, 0, 255);
}

// Space while loading is ignored; then it pauses: the clock is not read, no scene runs, nothing is swapped and the loop
// waits, minimized and restored too. Resumed, the frame is byte for byte the one the paused instant would have drawn
// (the scene's ring turns and its events fire once per drawn frame). Escape still quits a paused show.
TEST_F(MainLoopTest, SpacePausesAndResumesFromThePausedInstant)
{
    rows = {showScenes()[0]};
    const auto lastFrame = [this](bool pausing) {
        shell->shutDown();
        platform.messages.clear();
        startShell();
        platform.queue(WindowMessage::Type::KeyDown, 32);
        platform.queue(WindowMessage::Type::KeyUp, 32);
        for (const double seconds : {0.0, 0.0, 14.0, 14.1, 14.2}) {
            audio.seconds = seconds;
            if (pausing && seconds == 14.2) {
                platform.queue(WindowMessage::Type::KeyDown, 32);
                platform.queue(WindowMessage::Type::KeyUp, 32);
                platform.messages.push_back({WindowMessage::Type::Activate, 0, 0, 0, true});
                platform.messages.push_back({WindowMessage::Type::Activate, 0, 0, 0, false});
                const int swaps = platform.swaps;
                for (int frame = 0; frame < 5; ++frame) {
                    frameOutput();
                }
                EXPECT_TRUE(audio.paused);
                EXPECT_FLOAT_EQ(shell->timeValue, 14.1f);
                EXPECT_EQ(platform.swaps, swaps);
                EXPECT_EQ(platform.waits, 4);
                platform.queue(WindowMessage::Type::KeyDown, 32);
            }
            frameOutput();
        }
        return readPixels();
    };
    const std::vector<std::uint8_t> resumed = lastFrame(true);
    EXPECT_FALSE(audio.paused);
    for (const int key : {-32, 32, 27}) {
        platform.queue(key < 0 ? WindowMessage::Type::KeyUp : WindowMessage::Type::KeyDown, std::abs(key));
    }
    for (int frame = 0; frame < 4; ++frame) {
        frameOutput(frame < 3);
    }
    EXPECT_TRUE(audio.paused);
    EXPECT_TRUE(resumed == lastFrame(false));
}

TEST(MainLoopStartUp, AWindowThatCannotOpenEndsTheProgramWithStatusOne)
{
    ScriptedWindow platform;
    platform.failing.insert(ScriptedWindow::Step::CreateWindow);
    ScriptedAudio audio;
    DemoShell shell(platform, &audio, 64, 64, {});
    testing::internal::CaptureStderr();
    EXPECT_EQ(shell.run(), 1);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(audio.initFrequency, 0); // nothing past the window was built
    EXPECT_EQ(platform.swaps, 0);
    EXPECT_NE(errors.find("createWindow failed"), std::string::npos);
}
