#include "platform/web/WebAudioClock.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kBytesPerSecond = AudioDevice::kBytesPerSecond;
constexpr std::int64_t kBytesPerFrame = AudioDevice::kBytesPerFrame;

} // namespace

double WebAudioClock::heardSeconds(const AudioContextReading& reading)
{
    double heard = reading.currentTime - reading.baseLatency - reading.outputLatency;
    if (reading.running && reading.stampContextTime > 0.0) {
        const double sinceStamp = (reading.now - reading.stampPerformanceTime) / 1000.0;
        heard = std::min(reading.currentTime, reading.stampContextTime + sinceStamp);
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
    const auto frames = static_cast<std::int64_t>(std::floor(heardSeconds(reading) * kBytesPerSecond / kBytesPerFrame));
    lastPosition = std::max(lastPosition, startBytes + frames * kBytesPerFrame);
    return lastPosition;
}
