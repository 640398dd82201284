#include "app/DemoShell.h"
#include "effects/sync/Timeline.h"
#include "platform/SdlAudioDevice.h"
#include "app/LoadingScene.h"
#include "sequence/TextureTable.h"
#include "support/Files.h"
#include "support/HeadlessGL.h"
#include "support/ScopedEnv.h"
#include "support/WorkingDirectory.h"
#include "support/Mp3Maker.h"
#include "support/ScriptedWindow.h"
#include "tools/assets/TextureMaker.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Every file the show loads a texture from: the loader's shared ones, then the greetings.
const std::vector<std::string> kTextureFiles = {
    "orq.png",      "particle.png", "spikebal.png", "background.png", "chrome.png",
    "youre.png",    "on.png",       "the.png",      "zarn.png",       "of.png",
    "vusk.png",     "insanity.png", "spheremap.png",
    "Credits.png",  "comments.png", "Brontask.png", "Ismerel.png",    "Daggomir.png",
    "C64Scene.png", "TheAmigaSceneRules.png", "Greetz1.png", "Greetz2.png", "Greetz3.png",
};

constexpr const char* kSoundtrack = "Quessaly.mp3";
constexpr double kQuitTime = 227.5;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

int countLines(const std::vector<std::string>& lines, const std::string& wanted)
{
    int count = 0;
    for (const std::string& line : lines) {
        count += line == wanted ? 1 : 0;
    }
    return count;
}

std::uint32_t bigEndianAt(const Bytes& bytes, std::size_t at)
{
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

// Where the data of the first chunk of `type` starts in a PNG file, and its length.
std::pair<std::size_t, std::size_t> chunkData(const Bytes& png, const char* type)
{
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = bigEndianAt(png, at);
        if (std::memcmp(&png[at + 4], type, 4) == 0) {
            return {at + 8, length};
        }
        at += 12 + length;
    }
    ADD_FAILURE() << "no " << type << " chunk";
    return {0, 0};
}

// Flips `bit` at each of `offsets` into the data of the first chunk of `type`; with `matchingCrc` the
// chunk's checksum is rewritten, so the damage reaches what lies behind the checksum.
Bytes flipBits(Bytes png, const char* type, const std::vector<std::size_t>& offsets, std::uint8_t bit,
               bool matchingCrc)
{
    const auto [start, length] = chunkData(png, type);
    for (std::size_t offset : offsets) {
        png[start + offset] ^= bit;
    }
    if (matchingCrc) {
        const std::uint32_t crc =
            static_cast<std::uint32_t>(crc32(0, &png[start - 4], static_cast<uInt>(length + 4)));
        for (int i = 0; i < 4; ++i) {
            png[start + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        }
    }
    return png;
}

// The four ways a bit flip damages a texture: in the pixel data or in the header, caught by the
// chunk's checksum or hidden behind a checksum that matches.
enum class Flip { Pixels, PixelsBehindCrc, Header, HeaderBehindCrc };
constexpr Flip kFlips[] = {Flip::Pixels, Flip::PixelsBehindCrc, Flip::Header, Flip::HeaderBehindCrc};

// The filtered rows the IDAT chunks hold, or nothing when they do not inflate.
std::optional<Bytes> inflated(const Bytes& png)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return std::nullopt;
    }
    Bytes rows;
    std::uint8_t buffer[65536];
    int result = Z_OK;
    for (std::size_t at = 8; at + 12 <= png.size() && result == Z_OK;) {
        const std::size_t length = bigEndianAt(png, at);
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) {
            stream.next_in = const_cast<Bytef*>(&png[at + 8]);
            stream.avail_in = static_cast<uInt>(length);
            while (stream.avail_in > 0 && result == Z_OK) {
                stream.next_out = buffer;
                stream.avail_out = sizeof buffer;
                result = inflate(&stream, Z_NO_FLUSH);
                rows.insert(rows.end(), buffer, buffer + (sizeof buffer - stream.avail_out));
            }
        }
        at += 12 + length;
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END ? std::optional<Bytes>(rows) : std::nullopt;
}

Bytes flipped(const Bytes& png, Flip flip)
{
    const std::size_t pixels = chunkData(png, "IDAT").second;
    switch (flip) {
    case Flip::Pixels:
        return flipBits(png, "IDAT", {pixels / 3, pixels / 2, pixels * 3 / 4}, 0x10, false);
    case Flip::PixelsBehindCrc: {
        // Some bits change nothing that inflates (a flip inside a code nothing uses): the file is
        // then still sound, so the flip moves on to the first byte where it alters the rows.
        const std::optional<Bytes> rows = inflated(png);
        for (std::size_t offset = pixels / 2; offset < pixels; ++offset) {
            Bytes damaged = flipBits(png, "IDAT", {offset}, 0x10, true);
            if (inflated(damaged) != rows) {
                return damaged;
            }
        }
        ADD_FAILURE() << "no flip alters the rows";
        return png;
    }
    case Flip::Header:
        return flipBits(png, "IHDR", {2}, 0x04, false); // the width 1024 more or less
    case Flip::HeaderBehindCrc:
        return flipBits(png, "IHDR", {5}, 0x01, true); // 65536 rows more than the data holds
    }
    return png;
}

// The real textures, made once for the suite; the tests break copies of them.
class RealTextures {
public:
    static const RealTextures& get()
    {
        static RealTextures textures;
        return textures;
    }
    std::map<std::string, Bytes> files;
    std::string failure;

private:
    RealTextures()
    {
        const WorkingDirectory directory("made");
        if (TextureMaker().writeAll(directory.path.string(), &failure)) {
            for (const std::string& name : kTextureFiles) {
                files[name] = readFile(name);
            }
        }
    }
};

// The real audio device with its clock moved on: the music plays, breaks off or stays silent as it
// would, while the test reaches any time of the show without waiting for it.
class SkippingAudio : public AudioDevice {
public:
    explicit SkippingAudio(AudioDevice& device) : device(device) {}
    bool init(int frequency) override { return device.init(frequency); }
    std::uint32_t version() const override { return device.version(); }
    Stream createStream(const char* path) override { return stream = device.createStream(path); }
    bool play(Stream played, bool restart) override { return device.play(played, restart); }
    void pause(Stream held, bool paused) override { device.pause(held, paused); }
    std::int64_t position(Stream read) override { return device.position(read) + skippedFrames * 4; }
    double bytesToSeconds(Stream read, std::int64_t bytes) const override
    {
        return device.bytesToSeconds(read, bytes);
    }

    // The clock reads `seconds` now and runs on from there as the device's does.
    void jumpTo(double seconds)
    {
        skippedFrames = std::llround(seconds * 44100.0) - device.position(stream) / 4;
    }

private:
    AudioDevice& device;
    Stream stream = 0;
    std::int64_t skippedFrames = 0;
};

std::vector<std::string> showKeywords()
{
    std::vector<std::string> keywords;
    for (const SceneRow& row : showScenes()) {
        keywords.emplace_back(kTimeline[row.timelineIndex].keyword);
    }
    return keywords;
}

struct ShowRun {
    bool started = false;
    bool loaded = false;
    bool ended = false;
    int framesFromQuitTime = 0; // frames run once the clock had reached the quit time
    double endTime = -1.0;      // the clock at the frame that retrieved the quit message
    std::string printed;
    std::string errors;
    std::map<std::string, GLuint> textures; // as the scenes find them once loaded
};

// Plays the whole show in the working directory with the real audio device (its driver as the
// environment says): every scene loads, `framesPerScene` frames spread over each scene's span, then
// frames from the quit time on until the program ends.
ShowRun playShow(int framesPerScene)
{
    ShowRun run;
    ScriptedWindow platform;
    SdlAudioDevice device;
    SkippingAudio audio(device);
    DemoShell shell(platform, &audio, headless_gl::kWidth, headless_gl::kHeight);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    run.started = shell.startUp();
    for (int frame = 0; run.started && !shell.loader()->loaded && frame < 100; ++frame) {
        shell.runFrame();
    }
    run.loaded = run.started && shell.loader()->loaded;
    for (const std::string& name : kTextureFiles) {
        run.textures[name] = TextureTable::instance().findTexture(name.c_str());
    }
    bool running = run.loaded;
    for (int entry = 1; entry < kTimelineLength && running; ++entry) {
        const double start = kTimeline[entry].start;
        const double end = entry + 1 < kTimelineLength ? kTimeline[entry].end : kQuitTime;
        for (int step = 0; step < framesPerScene && running; ++step) {
            audio.jumpTo(start + (end - start) * step / framesPerScene);
            running = shell.runFrame();
        }
    }
    audio.jumpTo(kQuitTime);
    for (int frame = 0; frame < 5 && running; ++frame) {
        running = shell.runFrame();
        ++run.framesFromQuitTime;
    }
    run.ended = run.loaded && !running;
    run.endTime = shell.timeValue;
    if (run.started) {
        shell.shutDown();
    }
    std::fflush(stdout);
    run.printed = testing::internal::GetCapturedStdout();
    run.errors = testing::internal::GetCapturedStderr();
    return run;
}

// Every keyword in order, the ending scene started and the program ended by its own quit request.
void expectWholeShow(const ShowRun& run)
{
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.loaded) << "the loader never finished";
    std::vector<std::string> keywords;
    bool endingStarted = false;
    for (const std::string& line : linesOf(run.printed)) {
        for (const TimelineTime& time : kTimeline) {
            if (line + "\n" == time.keyword) {
                keywords.push_back(time.keyword);
            }
        }
        endingStarted = endingStarted || line.rfind("SCENE STARTED 218.7", 0) == 0;
    }
    EXPECT_EQ(keywords, showKeywords());
    EXPECT_TRUE(endingStarted);
    EXPECT_GE(countLines(linesOf(run.printed), "Posting quit message..."), 1);
    EXPECT_TRUE(run.ended) << "the show did not end by itself";
    // The first frame at the quit time asks to end, the next one retrieves the request.
    EXPECT_EQ(run.framesFromQuitTime, 2);
    EXPECT_GE(run.endTime, kQuitTime);
}

Bytes mp3File(double seconds)
{
    const WorkingDirectory directory("made-mp3");
    std::string error;
    EXPECT_TRUE(Mp3Maker::write("made.mp3", Mp3Maker::sweep(seconds, 300, 600), &error)) << error;
    return readFile("made.mp3");
}

const SceneRow& endingRow()
{
    const std::vector<SceneRow>& rows = showScenes();
    const auto ending = std::find_if(rows.begin(), rows.end(),
                                     [](const SceneRow& row) { return row.timelineIndex == kTimelineLength - 1; });
    EXPECT_NE(ending, rows.end());
    return *ending;
}

// One frame of a run on the real device: the clock the shell read, between two readings of the wall clock.
struct TimedFrame {
    Clock::time_point before;
    double timeValue;
    Clock::time_point after;
};

struct ClockRun {
    bool loaded = false;
    bool ended = false;
    int framesFromQuitTime = 0;
    Clock::time_point playBefore; // the frame that finished loading, and so started the music
    Clock::time_point playAfter;
    std::vector<TimedFrame> frames;
    std::string errors;
};

// Loads the show's last scene with the real audio device in the working directory, reads the clock in
// frames 50 ms apart until it passes `until` (the audio thread may be held up on a busy machine, so the
// wait ends on the clock, not after a fixed time), then moves it to the quit time and runs until the end.
ClockRun runOnRealDevice(double until)
{
    ClockRun run;
    ScriptedWindow platform;
    SdlAudioDevice device;
    SkippingAudio audio(device);
    DemoShell shell(platform, &audio, headless_gl::kWidth, headless_gl::kHeight, {endingRow()});

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    bool running = shell.startUp();
    for (int frame = 0; running && !shell.loader()->loaded && frame < 10; ++frame) {
        run.playBefore = Clock::now();
        running = shell.runFrame();
        run.playAfter = Clock::now();
    }
    run.loaded = running && shell.loader()->loaded;
    const Clock::time_point deadline = run.playAfter + std::chrono::seconds(10);
    while (run.loaded && running && (run.frames.empty() || run.frames.back().timeValue <= until) &&
           Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(50));
        TimedFrame frame;
        frame.before = Clock::now();
        running = shell.runFrame();
        frame.timeValue = shell.timeValue;
        frame.after = Clock::now();
        run.frames.push_back(frame);
    }
    audio.jumpTo(kQuitTime);
    for (int frame = 0; frame < 5 && running; ++frame) {
        running = shell.runFrame();
        ++run.framesFromQuitTime;
    }
    run.ended = run.loaded && !running;
    shell.shutDown();
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    run.errors = testing::internal::GetCapturedStderr();
    return run;
}

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// The clock never moves backwards nor runs ahead of the time since the music started, and does not stop
// where the music breaks off or ends. Once it runs on the wall clock (from the start where nothing is
// heard, else from a little after the music's end) it moves on by the time between frames, bracketed by
// the clock reads around them.
void expectClockFollowsTheWallClock(const ClockRun& run, bool silent, double musicEnd)
{
    ASSERT_TRUE(run.loaded);
    ASSERT_FALSE(run.frames.empty());
    constexpr double kFrameRounding = 1e-4;
    std::optional<TimedFrame> wallFrom;
    if (silent) {
        wallFrom = TimedFrame{run.playBefore, 0.0, run.playAfter};
    }
    double previous = 0.0;
    for (std::size_t i = 0; i < run.frames.size(); ++i) {
        const TimedFrame& frame = run.frames[i];
        EXPECT_GE(frame.timeValue, previous) << "frame " << i;
        EXPECT_LE(frame.timeValue, secondsBetween(run.playBefore, frame.after) + kFrameRounding) << "frame " << i;
        if (wallFrom) {
            const double moved = frame.timeValue - wallFrom->timeValue;
            EXPECT_GE(moved, secondsBetween(wallFrom->after, frame.before) - kFrameRounding) << "frame " << i;
            EXPECT_LE(moved, secondsBetween(wallFrom->before, frame.after) + kFrameRounding) << "frame " << i;
        } else if (frame.timeValue > musicEnd + 0.2) {
            wallFrom = frame;
        }
        previous = frame.timeValue;
    }
    EXPECT_GT(run.frames.back().timeValue, musicEnd + 0.3) << "the clock never passed the end of the music";
    EXPECT_TRUE(run.ended) << "the show did not end by itself";
    EXPECT_EQ(run.framesFromQuitTime, 2);
}

class BadInputTest : public GLTest {
protected:
    void TearDown() override
    {
        TextureTable::instance().release();
        GLTest::TearDown();
    }
};

TEST_F(BadInputTest, EmptyDirectoryPlaysTheWholeShowUntexturedAndSilent)
{
    WorkingDirectory directory("empty");
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    const ShowRun run = playShow(3);

    expectWholeShow(run);
    const std::vector<std::string> lines = linesOf(run.printed);
    int notFound = 0;
    for (const std::string& line : lines) {
        notFound += line.rfind("File <", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(notFound, static_cast<int>(kTextureFiles.size()));
    for (const std::string& name : kTextureFiles) {
        EXPECT_EQ(countLines(lines, "File <" + name + "> not found!"), 1) << name;
        EXPECT_EQ(run.textures.at(name), 0u) << name;
    }
    EXPECT_EQ(countLines(linesOf(run.errors), "No sound: Quessaly.mp3: No such file or directory"), 1) << run.errors;
}

// Every texture broken every way a file can be, each refused without using up a texture name; then the
// show with every texture broken, the kinds of damage taken in turn, draws none of them and plays to its end.
// A bit flip behind a matching checksum reaches zlib, the row filters or the header's size checks.
TEST_F(BadInputTest, EveryBrokenTextureIsRefusedAndTheShowPlaysOn)
{
    ASSERT_EQ(RealTextures::get().failure, "");
    const std::map<std::string, Bytes>& real = RealTextures::get().files;
    using Damage = std::function<Bytes(const std::string& name)>;
    std::vector<Damage> kinds = {
        [&real](const std::string& name) {
            const Bytes& png = real.at(name);
            return Bytes(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
        },
        [](const std::string&) { return Bytes(); },
        [](const std::string& name) {
            const std::string text = "This is " + name + ", but no picture.\n";
            return Bytes(text.begin(), text.end());
        },
    };
    for (Flip flip : kFlips) {
        kinds.push_back([&real, flip](const std::string& name) { return flipped(real.at(name), flip); });
    }

    WorkingDirectory directory("broken");
    TextureTable table;
    table.reserveNames(static_cast<int>(kTextureFiles.size() * kinds.size() + 1));
    for (const std::string& name : kTextureFiles) {
        for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
            const std::string file = std::to_string(kind) + "-" + name;
            writeFile(file, kinds[kind](name));
            EXPECT_FALSE(table.loadTexture(file.c_str(), GL_LINEAR, GL_LINEAR)) << file;
            EXPECT_EQ(table.findTexture(file.c_str()), 0u) << file;
        }
    }
    // The real file still loads into the name the refused ones left free.
    writeFile("orq.png", real.at("orq.png"));
    testing::internal::CaptureStdout();
    EXPECT_TRUE(table.loadTexture("orq.png", GL_LINEAR, GL_LINEAR));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(table.findTexture("orq.png"), table.names[0]);
    table.release();

    for (std::size_t i = 0; i < kTextureFiles.size(); ++i) {
        writeFile(kTextureFiles[i], kinds[i % kinds.size()](kTextureFiles[i]));
    }
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    const ShowRun run = playShow(2);
    expectWholeShow(run);
    for (const std::string& name : kTextureFiles) {
        EXPECT_EQ(run.textures.at(name), 0u) << name;
    }
    EXPECT_EQ(run.printed.find("not found!"), std::string::npos) << run.printed;
}

// The soundtrack broken every way a file can be: the show runs silent or with what music there is,
// on a clock that keeps moving past its end, and still ends by itself.
TEST_F(BadInputTest, BrokenSoundtrackLeavesAClockThatRunsToTheEndOfTheShow)
{
    const Bytes second = mp3File(1.0);
    Bytes noise(64 * 1024);
    std::mt19937 random(11);
    std::generate(noise.begin(), noise.end(), [&random] { return static_cast<std::uint8_t>(random()); });
    struct Case {
        const char* label;
        Bytes file;
        double musicEnd;  // seconds of music it plays; 0 for none
        bool refused;     // says "No sound" on standard error
    };
    // A long soundtrack that ends before the show takes the same path as this one second does once
    // its last frame is decoded, so one second stands for ten or two hundred without the wait.
    const Case cases[] = {
        {"empty", Bytes(), 0.0, true},
        {"truncated", Bytes(second.begin(), second.begin() + static_cast<std::ptrdiff_t>(second.size() / 2)), 0.5, false},
        {"random", noise, 0.0, false},
        {"wave", Mp3Maker::wav(Mp3Maker::sweep(1.0, 440, 440)), 0.0, true},
        {"short", second, 1.0, false},
    };
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WorkingDirectory directory(std::string("mp3-") + c.label);
        writeFile(kSoundtrack, c.file);
        const ClockRun run = runOnRealDevice(c.musicEnd + 0.4);

        expectClockFollowsTheWallClock(run, c.refused, c.musicEnd);
        const std::vector<std::string> lines = linesOf(run.errors);
        int noSound = 0;
        for (const std::string& line : lines) {
            noSound += line.rfind("No sound: Quessaly.mp3: ", 0) == 0 ? 1 : 0;
        }
        // Random bytes may hold something that passes for an MP3 frame; either way one line at most.
        EXPECT_LE(noSound, 1) << run.errors;
        if (c.refused) {
            EXPECT_EQ(noSound, 1) << run.errors;
        } else if (c.musicEnd > 0.0) {
            EXPECT_EQ(noSound, 0) << run.errors;
        }
    }
}

// No sound card: the device does not open, the music is never heard, and the show runs on the wall clock.
TEST_F(BadInputTest, WithoutASoundCardTheShowRunsOnTheSilentClock)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "nosuchdriver");
    WorkingDirectory directory("no-sound-card");
    writeFile(kSoundtrack, mp3File(1.0));
    const ClockRun run = runOnRealDevice(0.4);

    expectClockFollowsTheWallClock(run, true, 0.0);
    EXPECT_NE(run.errors.find("No sound: cannot start SDL audio: "), std::string::npos) << run.errors;
}

// Messages the demo shows when a step of opening its window fails.
constexpr const char* kWindowFailures[] = {
    "Failed To Register The Window Class.", "Window Creation Error.",
    "Can't Create A GL Device Context.",     "Can't Find A Suitable PixelFormat.",
    "Can't Set The PixelFormat.",            "Can't Create A GL Rendering Context.",
    "Can't Activate The GL Rendering Context.",
};

struct ChildRun {
    bool exited = false;
    int status = -1;
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs `program` in the empty directory `directory`/run with `environment`, its output into files
// beside that; killed after `limit`.
ChildRun runProgram(const std::string& program, const fs::path& directory, const std::vector<std::string>& environment,
                    std::chrono::seconds limit)
{
    ChildRun run;
    const std::string workPath = (directory / "run").string();
    const std::string outPath = (directory / "stdout.txt").string();
    const std::string errPath = (directory / "stderr.txt").string();
    fs::create_directories(workPath);
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};

    // Only async-signal-safe calls between fork and exec: the test process has threads.
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || chdir(workPath.c_str()) != 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0) {
            _exit(126);
        }
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return run;
    }
    const Clock::time_point deadline = Clock::now() + limit;
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(20));
    }
    if (done == 0) {
        run.timedOut = true;
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    run.exited = WIFEXITED(status);
    run.status = run.exited ? WEXITSTATUS(status) : -1;
    const Bytes out = readFile(outPath);
    const Bytes err = readFile(errPath);
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

// The demo itself with no display to open its window on: it must say which step failed and why,
// then end with an error status rather than hang or crash.
TEST(NoDisplayTest, DemoReportsTheFailingStepAndExitsWithAnError)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "SDL_VIDEODRIVER") {
            environment.push_back(variable);
        }
    }
    const WorkingDirectory directory("no-display");
    const ChildRun run = runProgram(QUESSALY_DEMO_PATH, directory.path, environment, std::chrono::seconds(20));

    ASSERT_FALSE(run.timedOut) << "the demo did not end within 20 s";
    ASSERT_TRUE(run.exited) << "the demo ended by a signal";
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.status, 126) << "the child could not be set up";
    EXPECT_NE(run.status, 127) << "the demo could not be started";
    const std::vector<std::string> lines = linesOf(run.err);
    std::size_t reported = lines.size();
    for (std::size_t i = 0; i < lines.size() && reported == lines.size(); ++i) {
        for (const char* message : kWindowFailures) {
            if (lines[i] == std::string("ERROR: ") + message) {
                reported = i;
            }
        }
    }
    ASSERT_LT(reported, lines.size()) << "no failing step on standard error:\n" << run.err;
    ASSERT_LT(reported + 1, lines.size()) << "no reason after the message:\n" << run.err;
    EXPECT_FALSE(lines[reported + 1].empty()) << run.err;
    EXPECT_EQ(run.out.find("File <"), std::string::npos) << "it went on loading:\n" << run.out;
}

} // namespace
