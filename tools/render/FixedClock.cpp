#include "tools/render/FixedClock.h"

#include <cmath>

namespace {
constexpr std::int64_t kSampleRate = 44100;
constexpr std::int64_t kBytesPerSample = 4;
} // namespace

FixedClock::FixedClock(int fps) : fps(fps) {}

bool FixedClock::init(int) { return true; }
std::uint32_t FixedClock::version() const { return 0x02040000u; }
AudioDevice::Stream FixedClock::createStream(const char*) { return 1; }

bool FixedClock::play(Stream, bool restart)
{
    if (!started || restart) {
        currentFrame = 0;
    }
    started = true;
    return true;
}

// Whole samples, so the position reads back as the frame's time to within a sample.
std::int64_t FixedClock::position(Stream)
{
    if (!started) {
        return 0;
    }
    const std::int64_t samples = (currentFrame * kSampleRate + fps / 2) / fps;
    return samples * kBytesPerSample;
}

double FixedClock::bytesToSeconds(Stream, std::int64_t bytes) const { return bytes / kBytesPerSecond; }

double FixedClock::secondsAt(std::int64_t frame) const { return static_cast<double>(frame) / fps; }
