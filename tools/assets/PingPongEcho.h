#pragma once

#include <cstddef>
#include <vector>

// An echo that bounces from side to side: what is sent in comes back on the left after one delay,
// on the right after two, and so on, each repeat quieter and darker. Processes the track block by block.
class PingPongEcho {
public:
    explicit PingPongEcho(long delayFrames);

    // Adds the echoes of `count` frames of mono `input` to `left` and `right`.
    void process(const float* input, float* left, float* right, std::size_t count);

private:
    std::vector<float> leftLine_;
    std::vector<float> rightLine_;
    std::size_t position_ = 0;
    float damped_ = 0.0f;
};
