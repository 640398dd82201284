#include "platform/SdlAudioDevice.h"
#include "support/Mp3Maker.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr double kBytesPerSecond = AudioDevice::kBytesPerSecond;

// Sets an environment variable for one test and puts the old value back.
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

void writeBytes(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <typename T>
void append(std::vector<char>& bytes, T value)
{
    const char* raw = reinterpret_cast<const char*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

// A valid PCM WAV file of the given interleaved stereo samples.
std::vector<char> wavFile(const std::vector<std::int16_t>& samples)
{
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<char> bytes;
    const std::string riff = "RIFF", wave = "WAVEfmt ", data = "data";
    bytes.insert(bytes.end(), riff.begin(), riff.end());
    append<std::uint32_t>(bytes, 36 + dataSize);
    bytes.insert(bytes.end(), wave.begin(), wave.end());
    append<std::uint32_t>(bytes, 16);
    append<std::uint16_t>(bytes, 1); // PCM
    append<std::uint16_t>(bytes, 2);
    append<std::uint32_t>(bytes, 44100);
    append<std::uint32_t>(bytes, 176400);
    append<std::uint16_t>(bytes, 4);
    append<std::uint16_t>(bytes, 16);
    bytes.insert(bytes.end(), data.begin(), data.end());
    append<std::uint32_t>(bytes, dataSize);
    const char* raw = reinterpret_cast<const char*>(samples.data());
    bytes.insert(bytes.end(), raw, raw + dataSize);
    return bytes;
}

// Positions read every millisecond or two for `duration`, checked as they come: never moving
// backwards and always whole stereo frames.
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

std::vector<std::int64_t> watch(AudioDevice& audio, AudioDevice::Stream stream, milliseconds duration)
{
    std::vector<std::int64_t> seen;
    const Clock::time_point end = Clock::now() + duration;
    while (Clock::now() < end) {
        const std::int64_t position = audio.position(stream);
        EXPECT_EQ(position % 4, 0) << "read " << seen.size();
        if (!seen.empty()) {
            EXPECT_GE(position, seen.back()) << "read " << seen.size();
        }
        seen.push_back(position);
        std::this_thread::sleep_for(milliseconds(1));
    }
    return seen;
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
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "quessaly-audio-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    std::string makeMp3(const std::string& name, const std::vector<std::int16_t>& samples)
    {
        const std::string path = file(name);
        std::string error;
        EXPECT_TRUE(Mp3Maker::write(path, samples, &error)) << error;
        return path;
    }

    std::filesystem::path dir_;
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

    ASSERT_TRUE(audio.play(stream, false));
    const Clock::time_point played = Clock::now();
    const std::vector<std::int64_t> seen = watch(audio, stream, milliseconds(300));
    const std::int64_t position = audio.position(stream);
    const double elapsed = secondsBetween(played, Clock::now());

    EXPECT_GT(position, static_cast<std::int64_t>(0.1 * kBytesPerSecond));
    EXPECT_LT(position, static_cast<std::int64_t>(0.6 * kBytesPerSecond));
    // Never ahead of the time since play: what the listener hears cannot be ahead of it.
    EXPECT_LE(audio.bytesToSeconds(stream, position), elapsed);
    // Interpolated between callbacks (one every 23 ms), not stepping from one to the next.
    std::vector<std::int64_t> distinct = seen;
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_GE(distinct.size(), 30u) << "of " << seen.size() << " reads";

    EXPECT_DOUBLE_EQ(audio.bytesToSeconds(stream, 264600), 1.5);
    EXPECT_DOUBLE_EQ(audio.bytesToSeconds(stream, position), static_cast<double>(position) / 176400.0);
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
        ASSERT_TRUE(audio.play(stream, false));
        const Clock::time_point end = Clock::now() + milliseconds(400);
        while (Clock::now() < end) {
            const std::int64_t position = audio.position(stream);
            const auto written = static_cast<std::int64_t>(std::filesystem::file_size(raw));
            seen.emplace_back(position, written);
            std::this_thread::sleep_for(milliseconds(2));
        }
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
    EXPECT_GT(seen.back().first, static_cast<std::int64_t>(0.2 * kBytesPerSecond));
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
    writeBytes(file("empty.mp3"), {});
    std::vector<char> noise(64 * 1024);
    std::mt19937 random(7);
    std::generate(noise.begin(), noise.end(), [&random] { return static_cast<char>(random()); });
    writeBytes(file("noise.mp3"), noise);
    writeBytes(file("wave.mp3"), wavFile(Mp3Maker::sweep(1.0, 440, 440)));

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
    ASSERT_TRUE(audio.play(stream, false));
    const Clock::time_point played = Clock::now();

    const std::vector<std::int64_t> seen = watch(audio, stream, milliseconds(1000));
    const double elapsed = secondsBetween(played, Clock::now());
    const double last = audio.bytesToSeconds(stream, seen.back());
    EXPECT_GT(last, 0.8);
    // Only the device's latency behind the time since play, no pause where the music ended.
    EXPECT_GT(last, elapsed - 0.15);
    EXPECT_LE(last, elapsed);
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

    ASSERT_TRUE(audio.play(stream, false));
    std::this_thread::sleep_for(milliseconds(200));
    const std::int64_t before = audio.position(stream);
    ASSERT_GT(before, 0);
    EXPECT_TRUE(audio.play(stream, false));
    const std::vector<std::int64_t> seen = watch(audio, stream, milliseconds(100));
    EXPECT_GE(seen.front(), before);
    EXPECT_GT(seen.back(), before);

    // A restart starts the music over.
    EXPECT_TRUE(audio.play(stream, true));
    EXPECT_LT(audio.position(stream), before);
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
