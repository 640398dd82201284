#pragma once

#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

// A look-ahead brickwall limiter on both channels together, fed block by block. Its gain starts to
// fall a moment before a peak, so the edge of a hit keeps its place while no sample goes above the
// ceiling. The output trails the input by latency() frames.
class PeakLimiter {
public:
    // ceiling: the highest magnitude let through (linear); lookahead and release in seconds.
    PeakLimiter(float ceiling, float lookahead, float release);

    long latency() const { return window_ - 1; }
    // Limits `count` frames in place; the frames that come out are the ones that went in latency()
    // frames earlier (silence at first).
    void process(float* left, float* right, std::size_t count);

private:
    float ceiling_;
    long window_;
    double inverseWindow_;
    float recovery_;
    long frame_ = 0;                            // frames taken in so far
    std::size_t slot_ = 0;                      // frame_ modulo the window
    std::vector<float> delayedLeft_;            // the last window_ frames in
    std::vector<float> delayedRight_;
    std::deque<std::pair<long, float>> lowest_; // rising gains needed over the window, oldest first
    std::vector<float> released_;               // the last window_ released gains
    float lastReleased_ = 1.0f;
    double releasedSum_ = 0.0;
};
