#include "platform/web/WebAudioClock.h"
#include "platform/web/WebKeys.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr std::int64_t kSecond = 176400;

} // namespace

TEST(WebKeys, TheKeysTheShowReadsBecomeItsMessagesAndNothingElseDoes)
{
    WindowMessage message;
    const unsigned long read[] = {'A', 'Q', 'Z', '0', '9', 112 /* F1 */, 115 /* F4 */, 123 /* F12 */, 13, 18, 27, 32};
    for (unsigned long code : read) {
        ASSERT_TRUE(WebKeys::message(code, true, false, false, message)) << code;
        EXPECT_EQ(message.key, static_cast<int>(code));
    }
    // Shift, Control, the arrows, F13, the keypad's 1 and a semicolon are not the show's.
    for (unsigned long code : {16ul, 17ul, 37ul, 124ul, 97ul, 186ul, 0ul}) {
        EXPECT_FALSE(WebKeys::message(code, true, false, false, message)) << code;
        EXPECT_EQ(WebKeys::virtualKeyCode(code), 0) << code;
    }

    ASSERT_TRUE(WebKeys::message('Q', false, false, false, message));
    EXPECT_EQ(message.type, WindowMessage::Type::KeyUp);
    // A held key repeats without a message.
    EXPECT_FALSE(WebKeys::message('Q', true, true, false, message));
    // Alt itself and keys under Alt arrive as system keys: Alt+F4 reaches the shell as it does on Windows.
    ASSERT_TRUE(WebKeys::message(18, true, false, true, message));
    EXPECT_EQ(message.type, WindowMessage::Type::SystemKeyDown);
    ASSERT_TRUE(WebKeys::message(115, true, false, true, message));
    EXPECT_EQ(message.type, WindowMessage::Type::SystemKeyDown);
    EXPECT_EQ(message.key, KeyCode::kF4);
    ASSERT_TRUE(WebKeys::message(18, false, false, false, message));
    EXPECT_EQ(message.type, WindowMessage::Type::SystemKeyUp);
}

TEST(WebAudioClock, TheListenerHearsTheContextLessItsLatencyAndTheClockNeverRunsBack)
{
    WebAudioClock clock;
    clock.startAt(30 * kSecond + 3); // a part frame is dropped
    EXPECT_EQ(clock.position(), 30 * kSecond);

    // Without an output timestamp: the context's clock less both latencies, from where playback started.
    AudioContextReading reading;
    reading.startedAt = 2.0;
    reading.currentTime = 12.0;
    reading.baseLatency = 0.01;
    reading.outputLatency = 0.04;
    EXPECT_NEAR(WebAudioClock::heardSeconds(reading), 9.95, 1e-9);
    // In whole sample frames: where rounding puts 9.95 s, within a frame of it.
    const std::int64_t heard = clock.advance(reading);
    EXPECT_EQ(heard % AudioDevice::kBytesPerFrame, 0);
    EXPECT_NEAR(heard, 30 * kSecond + 9.95 * kSecond, AudioDevice::kBytesPerFrame);

    // With one, the timestamp carried forward on the page's clock, but never past what the context played.
    reading.running = true;
    reading.stampContextTime = 11.9;
    reading.stampPerformanceTime = 5000.0;
    reading.now = 5050.0;
    EXPECT_NEAR(WebAudioClock::heardSeconds(reading), 9.95, 1e-9);
    reading.now = 5140.0;
    EXPECT_NEAR(WebAudioClock::heardSeconds(reading), 10.0, 1e-9);
    // A timestamp that has not caught up (0) is not one.
    reading.stampContextTime = 0.0;
    EXPECT_NEAR(WebAudioClock::heardSeconds(reading), 9.95, 1e-9);

    // A reading that steps back leaves the position where it was; before the first sound it is the start.
    reading.currentTime = 11.0;
    EXPECT_EQ(clock.advance(reading), heard);
    reading.currentTime = 2.02;
    EXPECT_EQ(WebAudioClock::heardSeconds(reading), 0.0);
    WebAudioClock fresh;
    EXPECT_EQ(fresh.advance(reading), 0);
}

// WebKit's stamps ran at twice the page's pace; other browsers report latencies no output has. Such hints are
// left out and the clock keeps the context's pace, the context's clock less what latency is believable.
TEST(WebAudioClock, HintsThatDisagreeWithTheContextAndThePageAreLeftOut)
{
    WebAudioClock clock;
    AudioContextReading reading;
    reading.running = true;
    reading.baseLatency = 0.003;
    for (int step = 1; step <= 32; ++step) {
        const double t = step * 0.25;
        reading.currentTime = t;
        reading.stampContextTime = t - 0.003;
        reading.now = 8000.0 + 1000.0 * t;
        reading.stampPerformanceTime = 8000.0 + 2000.0 * t;
        EXPECT_FALSE(WebAudioClock::stampAgrees(reading)) << t;
        EXPECT_NEAR(clock.advance(reading) / double(kSecond), t - 0.003, 1e-4) << t;
    }
    // A stamp that lags the page by seconds is as stale.
    reading.stampPerformanceTime = reading.now - 2500.0;
    reading.stampContextTime = reading.currentTime - 2.503;
    EXPECT_FALSE(WebAudioClock::stampAgrees(reading));

    // Chromium tells its output latency once the output runs: the listener is then 0.26 s behind what was shown.
    // The picture goes on at half the page's pace, frame after frame, until it meets the music.
    reading.outputLatency = 0.26;
    std::int64_t shown = clock.position();
    for (int frame = 1; frame <= 60; ++frame) {
        reading.currentTime += 1.0 / 60.0;
        reading.now += 1000.0 / 60.0;
        const std::int64_t position = clock.advance(reading);
        EXPECT_GT(position, shown) << frame;
        EXPECT_LE(position, (reading.currentTime - reading.startedAt) * kSecond) << frame;
        shown = position;
    }
    EXPECT_NEAR(shown / double(kSecond), WebAudioClock::heardSeconds(reading), 0.01);
    reading.outputLatency = 0.0;

    for (double wrong : {-0.5, 1e6, std::nan("")}) {
        reading.outputLatency = wrong;
        EXPECT_EQ(WebAudioClock::latency(reading), 0.0) << wrong;
        EXPECT_NEAR(WebAudioClock::heardSeconds(reading), reading.currentTime, 1e-9) << wrong;
    }
}
