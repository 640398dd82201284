#pragma once

#include <cstddef>
#include <vector>

// A small room: damped comb filters in parallel, shared by both sides, then allpass filters in series
// with different lengths on the left and the right, which makes the room wide. Processes the track
// block by block.
class RoomReverb {
public:
    RoomReverb();

    // Adds the room's answer to `count` frames of mono `input` to `left` and `right`.
    void process(const float* input, float* left, float* right, std::size_t count);

private:
    struct Line {
        std::vector<float> samples;
        std::size_t position = 0;
        float damped = 0.0f;
    };

    static void diffuse(std::vector<Line>& allPasses, const std::vector<float>& in, float* out, std::size_t count);

    std::vector<Line> combs_;
    std::vector<Line> leftAllPasses_;
    std::vector<Line> rightAllPasses_;
    std::vector<float> wet_;
};
