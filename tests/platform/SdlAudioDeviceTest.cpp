#include "platform/SdlAudioDevice.h"
#include "support/Files.h"
#include "support/Mp3Maker.h"
#include "support/ScopedEnv.h"
#include "support/WorkingDirectory.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr double kBytesPerSecond = AudioDevice::kBytesPerSecond;

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

int lineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::vector<std::int16_t> readSamples(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    return samples;
}

// The first loud sample the device wrote, and the RMS difference from there to `music` from its sample `from`,
// relative to the music's own level; `count` samples are compared, at least `least` must have been played.
double differenceFromFirstLoudSample(const std::vector<std::int16_t>& played, const std::vector<std::int16_t>& music,
                                     std::size_t from, std::size_t count, std::size_t least, std::size_t* first)
{
    const auto loud = std::find_if(played.begin(), played.end(), [](std::int16_t s) { return s != 0; });
    EXPECT_NE(loud, played.end()) << "the device wrote only silence";
    *first = static_cast<std::size_t>(loud - played.begin());
    count = std::min({played.size() - *first, music.size() - from, count});
    EXPECT_GE(count, least) << "too little music reached the device";
    double error = 0.0;
    double signal = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double expected = music[from + i];
        error += (played[*first + i] - expected) * (played[*first + i] - expected);
        signal += expected * expected;
    }
    return count == 0 ? 1.0 : std::sqrt(error / signal);
}

// Positions read every millisecond until `done(seen)` holds, checked as they come: always whole stereo
// frames, never moving backwards and never ahead of the time since `beforePlay`. The audio thread may
// be held up on a busy machine, so the wait ends on what is seen, not after a fixed time.
std::vector<std::int64_t> watchUntil(AudioDevice& audio, AudioDevice::Stream stream, Clock::time_point beforePlay,
                                     const std::function<bool(const std::vector<std::int64_t>&)>& done)
{
    std::vector<std::int64_t> seen;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        const std::int64_t position = audio.position(stream);
        const Clock::time_point read = Clock::now();
        EXPECT_EQ(position % 4, 0) << "read " << seen.size();
        if (!seen.empty()) {
            EXPECT_GE(position, seen.back()) << "read " << seen.size();
        }
        // What the listener hears cannot be ahead of the time since play.
        EXPECT_LE(audio.bytesToSeconds(stream, position), secondsBetween(beforePlay, read)) << "read " << seen.size();
        seen.push_back(position);
        if (done(seen)) {
            return seen;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    ADD_FAILURE() << "still waiting after 10 s, at byte " << (seen.empty() ? 0 : seen.back());
    return seen;
}

auto passes(double seconds)
{
    return [seconds](const std::vector<std::int64_t>& seen) { return seen.back() > seconds * kBytesPerSecond; };
}

// Plays `stream` and checks that its position is the time since play, to the frame: the clock of
// a stream that has no sound.
void expectWallClock(AudioDevice& audio, AudioDevice::Stream stream, milliseconds wait)
{
    const Clock::time_point beforePlay = Clock::now();
    ASSERT_TRUE(audio.play(stream, false));
    const Clock::time_point afterPlay = Clock::now();
    std::this_thread::sleep_for(wait);
    const Clock::time_point beforeRead = Clock::now();
    const double seconds = audio.bytesToSeconds(stream, audio.position(stream));
    const Clock::time_point afterRead = Clock::now();
    EXPECT_GE(seconds, secondsBetween(afterPlay, beforeRead) - 2.0 / 44100);
    EXPECT_LE(seconds, secondsBetween(beforePlay, afterRead));
}

class SdlAudioDeviceTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return (directory.path / name).string(); }

    std::string makeMp3(const std::string& name, const std::vector<std::int16_t>& samples)
    {
        const std::string path = file(name);
        std::string error;
        EXPECT_TRUE(Mp3Maker::write(path, samples, &error)) << error;
        return path;
    }

    WorkingDirectory directory{"audio"};
};

TEST_F(SdlAudioDeviceTest, PositionFollowsThePlaybackOfTheDevice)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    const std::string mp3 = makeMp3("music.mp3", Mp3Maker::sweep(2.0, 300, 600));
    SdlAudioDevice audio;
    ASSERT_TRUE(audio.init(44100));
    EXPECT_EQ(audio.version() >> 16, 0x0204u);

    const AudioDevice::Stream stream = audio.createStream(mp3.c_str());
    ASSERT_NE(stream, 0u);
    // The device runs from init, but the stream only starts with play.
    std::this_thread::sleep_for(milliseconds(60));
    EXPECT_EQ(audio.position(stream), 0);

    const Clock::time_point beforePlay = Clock::now();
    ASSERT_TRUE(audio.play(stream, false));
    // Each callback hands the device 1024 frames (4096 bytes, 23 ms): a position within the music that
    // is not a whole number of them was interpolated between callbacks, not stepped from one to the next.
    std::set<std::int64_t> between;
    const std::int64_t musicLeft = static_cast<std::int64_t>(1.5 * kBytesPerSecond);
    watchUntil(audio, stream, beforePlay, [&](const auto& positions) {
        if (positions.back() % 4096 != 0 && positions.back() < musicLeft) {
            between.insert(positions.back());
        }
        return positions.back() >= musicLeft || (positions.back() > 0.25 * kBytesPerSecond && between.size() >= 30);
    });
    EXPECT_GE(between.size(), 30u);
    EXPECT_DOUBLE_EQ(audio.bytesToSeconds(stream, 264600), 1.5);
}

TEST_F(SdlAudioDeviceTest, DeviceReceivesTheMusicFromItsFirstSampleAndThePositionStaysBehindIt)
{
    const std::string raw = file("played.raw");
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv output("SDL_DISKAUDIOFILE", raw);
    const std::vector<std::int16_t> music = Mp3Maker::sweep(1.0, 200, 2000);
    const std::string mp3 = makeMp3("music.mp3", music);

    // (position, bytes in the device's file) read in that order while playing.
    std::vector<std::pair<std::int64_t, std::int64_t>> seen;
    {
        SdlAudioDevice audio;
        ASSERT_TRUE(audio.init(44100));
        const AudioDevice::Stream stream = audio.createStream(mp3.c_str());
        std::this_thread::sleep_for(milliseconds(30));
        const Clock::time_point beforePlay = Clock::now();
        ASSERT_TRUE(audio.play(stream, false));
        watchUntil(audio, stream, beforePlay, [&](const auto& positions) {
            seen.emplace_back(positions.back(), static_cast<std::int64_t>(std::filesystem::file_size(raw)));
            return positions.back() > 0.2 * kBytesPerSecond;
        });
    }

    // Before play the device wrote silence; the music starts with its first loud sample.
    // Decoded from sample 0, no encoder delay in front: the sweep lines up with what went in.
    std::size_t start = 0;
    EXPECT_LT(differenceFromFirstLoudSample(readSamples(raw), music, 0, 2 * 8192, 2 * 4096, &start), 0.1);
    ASSERT_EQ(start % 2, 0u) << "the music starts between the channels of a frame";

    // SDL writes the file through stdio, which may hold back up to one block of what the device
    // has already been given.
    struct stat info {};
    ASSERT_EQ(stat(raw.c_str(), &info), 0);
    const auto heldBack = static_cast<std::int64_t>(info.st_blksize);
    const auto musicStart = static_cast<std::int64_t>(start * 2);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const std::int64_t musicGiven = std::max<std::int64_t>(0, seen[i].second + heldBack - musicStart);
        EXPECT_LE(seen[i].first, musicGiven) << "read " << i;
    }
}

TEST_F(SdlAudioDeviceTest, WithoutADeviceTheStreamRunsOnTheWallClock)
{
    const std::string mp3 = makeMp3("music.mp3", Mp3Maker::sweep(1.0, 440, 440));
    struct Case {
        const char* driver;
        std::string diskFile;
    };
    // An unknown driver fails in SDL's audio start; a disk file that cannot be created fails the open.
    const Case cases[] = {{"no-such-driver", file("unused.raw")}, {"disk", file("no/such/dir/out.raw")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver);
        ScopedEnv driver("SDL_AUDIODRIVER", c.driver);
        ScopedEnv output("SDL_DISKAUDIOFILE", c.diskFile);
        SdlAudioDevice audio;

        testing::internal::CaptureStderr();
        const bool opened = audio.init(44100);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(opened);
        EXPECT_EQ(lineCount(said), 1) << said;
        EXPECT_EQ(said.rfind("No sound", 0), 0u) << said;
        EXPECT_EQ(audio.version() >> 16, 0x0204u);

        testing::internal::CaptureStderr();
        const AudioDevice::Stream stream = audio.createStream(mp3.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_NE(stream, 0u);
        EXPECT_EQ(audio.position(stream), 0);
        expectWallClock(audio, stream, milliseconds(150));
    }
}

TEST_F(SdlAudioDeviceTest, FileThatDoesNotDecodeGivesASilentStreamOnTheWallClock)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    writeFile(file("empty.mp3"), {});
    std::vector<std::uint8_t> noise(64 * 1024);
    std::mt19937 random(7);
    std::generate(noise.begin(), noise.end(), [&random] { return static_cast<std::uint8_t>(random()); });
    writeFile(file("noise.mp3"), noise);
    writeFile(file("wave.mp3"), Mp3Maker::wav(Mp3Maker::sweep(1.0, 440, 440)));

    SdlAudioDevice audio;
    ASSERT_TRUE(audio.init(44100));
    AudioDevice::Stream previous = 0;
    for (const char* name : {"missing.mp3", "empty.mp3", "noise.mp3", "wave.mp3"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        const AudioDevice::Stream stream = audio.createStream(file(name).c_str());
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(stream, 0u);
        EXPECT_NE(stream, previous);
        previous = stream;
        EXPECT_EQ(lineCount(said), 1) << said;
        EXPECT_EQ(said.rfind("No sound: ", 0), 0u) << said;
        EXPECT_NE(said.find(name), std::string::npos) << said;

        EXPECT_EQ(audio.position(stream), 0);
        expectWallClock(audio, stream, milliseconds(60));
    }
}

TEST_F(SdlAudioDeviceTest, PositionGoesOnPastTheEndOfTheMusic)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    const std::string mp3 = makeMp3("short.mp3", Mp3Maker::sweep(0.5, 500, 1000));
    SdlAudioDevice audio;
    ASSERT_TRUE(audio.init(44100));
    const AudioDevice::Stream stream = audio.createStream(mp3.c_str());
    const Clock::time_point beforePlay = Clock::now();
    ASSERT_TRUE(audio.play(stream, false));
    watchUntil(audio, stream, beforePlay, passes(0.75));

    // Past the end the position runs on the wall clock: it moves on by the time between two reads.
    const Clock::time_point beforeFirst = Clock::now();
    const double first = audio.bytesToSeconds(stream, audio.position(stream));
    const Clock::time_point afterFirst = Clock::now();
    std::this_thread::sleep_for(milliseconds(100));
    const Clock::time_point beforeSecond = Clock::now();
    const double second = audio.bytesToSeconds(stream, audio.position(stream));
    const Clock::time_point afterSecond = Clock::now();
    EXPECT_GE(second - first, secondsBetween(afterFirst, beforeSecond) - 2.0 / 44100);
    EXPECT_LE(second - first, secondsBetween(beforeFirst, afterSecond) + 2.0 / 44100);
}

// A process stopped for ten seconds (SIGSTOP, a debugger) holds the silent clock where it was, as the audio
// thread's stop holds the device's clock, and so does a pause; steps of frames as slow as half a second count in full.
TEST_F(SdlAudioDeviceTest, AStoppedProcessHoldsTheSilentClockWhereItWas)
{
    static Clock::time_point scripted;
    SdlAudioDevice audio(true, [] { return scripted; });
    audio.init(44100);
    const AudioDevice::Stream stream = audio.createStream(file("none.mp3").c_str());
    ASSERT_TRUE(audio.play(stream, false));
    const auto secondsAfter = [&](milliseconds step) {
        scripted += step;
        return audio.bytesToSeconds(stream, audio.position(stream));
    };
    EXPECT_NEAR(secondsAfter(milliseconds(100)), 0.1, 1e-4);
    EXPECT_NEAR(secondsAfter(milliseconds(500)), 0.6, 1e-4);
    EXPECT_NEAR(secondsAfter(milliseconds(10000)), 1.1, 1e-4);
    EXPECT_NEAR(secondsAfter(milliseconds(16)), 1.116, 1e-4);
    audio.pause(stream, true);
    EXPECT_EQ(secondsAfter(milliseconds(300)), secondsAfter(milliseconds(3000)));
    audio.pause(stream, false);
    EXPECT_NEAR(secondsAfter(milliseconds(100)), 1.216, 1e-4);
}

TEST_F(SdlAudioDeviceTest, PlayingAgainWithoutRestartGoesOnWhereItIs)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    const std::string mp3 = makeMp3("music.mp3", Mp3Maker::sweep(2.0, 300, 600));
    SdlAudioDevice audio;
    ASSERT_TRUE(audio.init(44100));
    const AudioDevice::Stream stream = audio.createStream(mp3.c_str());
    EXPECT_FALSE(audio.play(stream + 1, false));
    EXPECT_EQ(audio.position(stream), 0);

    const Clock::time_point beforePlay = Clock::now();
    ASSERT_TRUE(audio.play(stream, false));
    const std::int64_t before = watchUntil(audio, stream, beforePlay, passes(0.2)).back();
    EXPECT_TRUE(audio.play(stream, false));
    const std::vector<std::int64_t> seen = watchUntil(
        audio, stream, beforePlay, [before](const auto& positions) { return positions.back() > before; });
    EXPECT_GE(seen.front(), before);

    // Paused, the position holds to the byte; resumed, it goes on from there, at most 5 ms ahead of the time since
    // (measured: 0.6 ms; the dummy driver takes 23.2 ms of samples every 23 ms, so it runs 1 % fast).
    audio.pause(stream, true);
    const std::int64_t held = audio.position(stream);
    std::this_thread::sleep_for(milliseconds(150));
    EXPECT_EQ(audio.position(stream), held);
    const Clock::time_point resumed = Clock::now();
    audio.pause(stream, false);
    watchUntil(audio, stream, beforePlay, [&](const auto& positions) {
        EXPECT_LE((positions.back() - held) / kBytesPerSecond, secondsBetween(resumed, Clock::now()) + 0.005);
        return positions.back() > held + 0.2 * kBytesPerSecond;
    });

    // A restart starts the music over: no further on than the time since the restart.
    const Clock::time_point beforeRestart = Clock::now();
    EXPECT_TRUE(audio.play(stream, true));
    const double restarted = audio.bytesToSeconds(stream, audio.position(stream));
    EXPECT_LE(restarted, secondsBetween(beforeRestart, Clock::now()));
}

// A stream moved before play hands the device the music from there and counts from there; moved past the
// end of the music it counts on the wall clock from there.
TEST_F(SdlAudioDeviceTest, ASoughtStreamPlaysAndCountsFromWhereItWasMoved)
{
    const std::string raw = file("played.raw");
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv output("SDL_DISKAUDIOFILE", raw);
    const std::vector<std::int16_t> music = Mp3Maker::sweep(1.0, 200, 2000);
    const std::string mp3 = makeMp3("music.mp3", music);
    {
        SdlAudioDevice audio;
        ASSERT_TRUE(audio.init(44100));
        for (const double start : {5.0, 0.5}) {
            const AudioDevice::Stream stream = audio.createStream(mp3.c_str());
            EXPECT_FALSE(audio.seek(stream + 1, 0));
            ASSERT_TRUE(audio.seek(stream, static_cast<std::int64_t>(start * 44100) * 4));
            const Clock::time_point beforePlay = Clock::now();
            ASSERT_TRUE(audio.play(stream, false));
            EXPECT_FALSE(audio.seek(stream, 0)) << "a playing stream stays where it is";
            std::this_thread::sleep_for(milliseconds(250));
            const Clock::time_point beforeRead = Clock::now();
            const double seconds = audio.bytesToSeconds(stream, audio.position(stream));
            EXPECT_GE(seconds, start);
            EXPECT_LE(seconds, start + secondsBetween(beforePlay, beforeRead) + 1e-3);
        }
    }
    // Only the second stream had music left to play: it starts with the sweep's second half.
    std::size_t first = 0;
    EXPECT_LT(differenceFromFirstLoudSample(readSamples(raw), music, 44100, 2 * 4096, 2 * 2048, &first), 0.1);
}

} // namespace

namespace {

// A private PulseAudio daemon with one null sink, found by its clients through the environment; a client
// that finds no server must not start one of its own. The daemon is a child of the test that the kernel kills
// when the test dies, SIGKILL included; it is stopped and reaped on every other way out, and leaves by itself
// ten seconds after its last client if all else fails.
struct SoundServer {
    explicit SoundServer(const std::filesystem::path& folder)
        : runtime("PULSE_RUNTIME_PATH", (folder / "run").string()), state("PULSE_STATE_PATH", (folder / "state").string()),
          home("HOME", folder.string()), config("PULSE_CLIENTCONFIG", (folder / "client.conf").string()),
          log((folder / "pulseaudio.log").string())
    {
        std::ofstream(folder / "client.conf") << "autospawn = no\n";
    }
    ~SoundServer() { stop(); }
    // Empty once the null sink answers; otherwise why no daemon could start.
    std::string start()
    {
        const char* argv[] = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=10",
                              "-L", "module-native-protocol-unix", "-L", "module-null-sink sink_name=null", nullptr};
        const pid_t parent = getpid();
        daemon = fork();
        if (daemon == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (getppid() != parent || out < 0 || dup2(out, STDERR_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0) {
                _exit(126);
            }
            execvp(argv[0], const_cast<char* const*>(argv));
            _exit(127);
        }
        for (const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10); Clock::now() < deadline;) {
            if (daemon < 0 || waitpid(daemon, nullptr, WNOHANG) != 0) {
                daemon = -1;
                return "pulseaudio did not start: " + said();
            }
            if (std::system("pactl list short sinks 2>/dev/null | grep -q null") == 0) {
                return "";
            }
            std::this_thread::sleep_for(milliseconds(50));
        }
        stop();
        return "pulseaudio offered no null sink within 10 s: " + said();
    }
    void stop()
    {
        if (daemon > 0) {
            kill(daemon, SIGTERM);
            waitpid(daemon, nullptr, 0);
            daemon = -1;
        }
    }
    std::string said() const
    {
        const std::vector<std::uint8_t> bytes = readFile(log);
        return {bytes.begin(), bytes.end()};
    }
    ScopedEnv runtime, state, home, config;
    std::string log;
    pid_t daemon = -1;
};

// What the null sink played, from its monitor, with the wall time of its first frame: each chunk's arrival
// bounds that time from above, and the earliest bound is the tightest.
struct Recording {
    std::vector<std::int16_t> left;
    Clock::time_point firstFrame = Clock::time_point::max();
};

Recording record(double seconds)
{
    Recording recording;
    std::FILE* parec = popen(("timeout " + std::to_string(seconds) + " parec -d null.monitor --raw --format=s16le "
                              "--rate=44100 --channels=2 --latency-msec=10").c_str(), "r");
    std::int16_t chunk[2 * 256];
    for (std::size_t got; (got = std::fread(chunk, 4, 256, parec)) > 0;) {
        for (std::size_t f = 0; f < got; ++f) {
            recording.left.push_back(chunk[2 * f]);
        }
        const std::chrono::duration<double> recorded(recording.left.size() / 44100.0);
        recording.firstFrame = std::min(recording.firstFrame,
                                        Clock::now() - std::chrono::duration_cast<Clock::duration>(recorded));
    }
    pclose(parec);
    return recording;
}

} // namespace

// A real sound server, stopped mid-show and started again: one line says the device is lost, the clock keeps the
// wall clock's pace throughout, and when the server is back the music is heard where the clock is.
TEST_F(SdlAudioDeviceTest, ALostSoundServerLeavesTheClockInStepAndTheMusicComesBack)
{
    if (std::system("command -v pulseaudio >/dev/null && command -v parec >/dev/null && command -v pactl >/dev/null") !=
        0) {
        GTEST_SKIP() << "needs pulseaudio, parec and pactl";
    }
    SoundServer server(directory.path);
    if (const std::string why = server.start(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    ScopedEnv driver("SDL_AUDIODRIVER", "pulseaudio");
    // Noise: no stretch of it is like another, so a recorded stretch tells its position.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(-8000, 8000);
    std::vector<std::int16_t> music(44100 * 2 * 20);
    for (std::size_t i = 0; i < music.size(); i += 2) {
        music[i] = music[i + 1] = static_cast<std::int16_t>(level(random));
    }
    SdlAudioDevice audio;
    ASSERT_TRUE(audio.init(44100));
    const AudioDevice::Stream stream = audio.createStream(makeMp3("noise.mp3", music).c_str());
    ASSERT_TRUE(audio.play(stream, false));
    testing::internal::CaptureStderr();

    // The clock in seconds, read every few milliseconds beside the test; a reading the scheduler held up is left out.
    std::vector<std::pair<Clock::time_point, double>> readings;
    std::mutex readingsLock;
    std::atomic<bool> reading{true};
    std::thread reader([&] {
        for (; reading; std::this_thread::sleep_for(milliseconds(4))) {
            const Clock::time_point asked = Clock::now();
            const double seconds = audio.position(stream) / kBytesPerSecond;
            if (Clock::now() - asked < milliseconds(2)) {
                std::lock_guard<std::mutex> lock(readingsLock);
                readings.emplace_back(asked, seconds);
            }
        }
        // This thread reached SDL through position() (the device looked for again), and SDL keeps state for a
        // thread it did not start, the text of its last error, until that thread gives it back.
        SDL_TLSCleanup();
    });
    const auto clockAt = [&](Clock::time_point when) {
        std::lock_guard<std::mutex> lock(readingsLock);
        const auto after = std::find_if(readings.begin(), readings.end(), [&](const auto& r) { return r.first >= when; });
        return after == readings.end() ? -1.0 : after->second - secondsBetween(when, after->first);
    };
    // The music heard half way through a recording, against the clock then: the best match of a tenth of a second
    // of it within 0.3 s of where the clock is.
    const auto heardMinusClock = [&](const Recording& heard) {
        const std::size_t at = heard.left.size() / 2;
        const std::size_t count = 4410;
        const double clock = clockAt(heard.firstFrame + std::chrono::duration_cast<Clock::duration>(
                                                           std::chrono::duration<double>(at / 44100.0)));
        double best = -1.0;
        std::int64_t found = -1;
        for (std::int64_t lag = static_cast<std::int64_t>((clock - 0.3) * 44100); lag < (clock + 0.3) * 44100; ++lag) {
            double sum = 0.0;
            for (std::size_t i = 0; lag >= 0 && i < count && at + i < heard.left.size(); ++i) {
                sum += static_cast<double>(heard.left[at + i]) * music[2 * (static_cast<std::size_t>(lag) + i)];
            }
            std::tie(best, found) = sum > best ? std::make_pair(sum, lag) : std::make_pair(best, found);
        }
        return found / 44100.0 - clock;
    };

    for (int wait = 0; wait < 1000 && clockAt(Clock::now() - milliseconds(20)) < 0.3; ++wait) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    const double before = heardMinusClock(record(1.5));
    server.stop();
    std::this_thread::sleep_for(milliseconds(2000));
    ASSERT_EQ(server.start(), "");
    std::this_thread::sleep_for(milliseconds(3000));
    const double after = heardMinusClock(record(1.5));
    reading = false;
    reader.join();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("Sound device lost"), 0u) << said;
    EXPECT_NE(said.find("Sound device open again"), std::string::npos) << said;

    // From the first tenth of a second of music on, the clock keeps the wall clock's pace through the loss and the
    // return, as the keywords it times do.
    double least = 1e9;
    double most = -1e9;
    for (const auto& [when, seconds] : readings) {
        if (seconds > 0.1) {
            const double ahead = seconds - secondsBetween(readings.front().first, when);
            std::tie(least, most) = std::make_pair(std::min(least, ahead), std::max(most, ahead));
        }
    }
    std::printf("heard minus clock: %.1f ms before the loss, %.1f ms after the return; the clock strays by %.1f ms\n",
                before * 1000, after * 1000, (most - least) * 1000);
    EXPECT_LT(most - least, 0.05);
    EXPECT_LT(std::abs(before), 0.05);
    EXPECT_LT(std::abs(after), 0.05);
}
