#include "platform/web/WebAudioClock.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kBytesPerSecond = AudioDevice::kBytesPerSecond;
constexpr std::int64_t kBytesPerFrame = AudioDevice::kBytesPerFrame;

// The clock's pace, against the page's, while the listener is behind the position shown.
constexpr double kCatchUpPace = 0.5;
// No output holds a second back (Bluetooth's is a quarter of one).
constexpr double kLongestLatency = 1.0;
// A stamp's page time may lead the page's clock by a timer's rounding, and lag it by two of the page's
// readings of it (it is read once a second).
constexpr double kStampLeadMs = 5.0;
constexpr double kStampAgeMs = 2000.0;
// How far a carried stamp may stray from the context's clock less its latency: a few output buffers.
constexpr double kStampDisagreement = 0.1;

double carriedStamp(const AudioContextReading& reading)
{
    return reading.stampContextTime + (reading.now - reading.stampPerformanceTime) / 1000.0;
}

bool believable(const AudioContextReading& reading)
{
    // NaN fails every comparison.
    return reading.baseLatency >= 0.0 && reading.outputLatency >= 0.0 &&
           reading.baseLatency + reading.outputLatency <= kLongestLatency;
}

// The context's clock less its latency, where that is believable.
double contextHeard(const AudioContextReading& reading)
{
    return believable(reading) ? reading.currentTime - reading.baseLatency - reading.outputLatency : reading.currentTime;
}

} // namespace

double WebAudioClock::latency(const AudioContextReading& reading)
{
    return believable(reading) ? reading.baseLatency + reading.outputLatency : 0.0;
}

bool WebAudioClock::stampAgrees(const AudioContextReading& reading)
{
    const double age = reading.now - reading.stampPerformanceTime;
    return reading.running && reading.stampContextTime > 0.0 && age >= -kStampLeadMs && age <= kStampAgeMs &&
           std::fabs(carriedStamp(reading) - contextHeard(reading)) <= kStampDisagreement;
}

double WebAudioClock::heardSeconds(const AudioContextReading& reading)
{
    double heard = contextHeard(reading);
    if (stampAgrees(reading)) {
        heard = std::min(reading.currentTime, carriedStamp(reading));
    }
    return std::max(0.0, heard - reading.startedAt);
}

void WebAudioClock::startAt(std::int64_t bytes)
{
    startBytes = std::max<std::int64_t>(0, bytes / kBytesPerFrame * kBytesPerFrame);
    lastPosition = startBytes;
}

std::int64_t WebAudioClock::advance(const AudioContextReading& reading)
{
    // Whole sample frames in `seconds` of music.
    const auto bytesIn = [](double seconds) {
        return static_cast<std::int64_t>(std::floor(seconds * kBytesPerSecond / kBytesPerFrame)) * kBytesPerFrame;
    };
    const std::int64_t heard = startBytes + bytesIn(heardSeconds(reading));
    const double pageSeconds = (reading.now - lastReadingAt) / 1000.0;
    if (heard < lastPosition && lastReadingAt > 0.0 && pageSeconds > 0.0) {
        // A latency learned late (browsers tell it once the output runs) puts the listener behind what was shown.
        // Rather than hold the picture until the music catches up, the clock goes on at half the page's pace,
        // never past what the context has played.
        const std::int64_t played = std::max(lastPosition, startBytes + bytesIn(reading.currentTime - reading.startedAt));
        lastPosition = std::min(played, lastPosition + bytesIn(pageSeconds * kCatchUpPace));
    } else {
        lastPosition = std::max(lastPosition, heard);
    }
    lastReadingAt = reading.now;
    return lastPosition;
}
