#include "app/FixedClock.h"

namespace {
constexpr std::int64_t kSampleRate = 44100;
constexpr std::int64_t kBytesPerSample = 4;
constexpr double kTimeSlack = 1e-9;
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

// No viewer pauses the render tool; the page's test mode can, and its run then stays on the frame it was at.
void FixedClock::pause(Stream, bool paused) { held = paused; }

FixedClock::Step FixedClock::step(double start, double end)
{
    if (held) {
        return last;
    }
    Step& next = last;
    next = Step{};
    if (!started) {
        return next;
    }
    next.timed = true;
    next.time = static_cast<double>(stepped) / fps;
    if (end >= 0.0 && next.time > end + kTimeSlack) {
        next.pastEnd = true;
        return next;
    }
    currentFrame = stepped++;
    next.seen = next.time + kTimeSlack >= start;
    return next;
}
