#include "tools/assets/RoomReverb.h"

#include <algorithm>

namespace {

// Line lengths in frames at 44100 Hz, mutually prime so the echoes do not pile up into tones.
constexpr int kCombLengths[] = {1116, 1277, 1356, 1491};
constexpr int kLeftAllPassLengths[] = {556, 341};
constexpr int kRightAllPassLengths[] = {579, 364};
constexpr float kCombFeedback = 0.8f;
constexpr float kCombDamping = 0.3f;
constexpr float kAllPassFeedback = 0.5f;
constexpr float kLevel = 0.2f;

// Calls `step(line, first, run)` over the stretches of `count` frames that do not wrap around the line.
template <typename Step>
void alongLine(std::vector<float>& line, std::size_t& position, std::size_t count, Step step)
{
    std::size_t done = 0;
    while (done < count) {
        const std::size_t run = std::min(count - done, line.size() - position);
        step(line.data() + position, done, run);
        position += run;
        if (position == line.size()) {
            position = 0;
        }
        done += run;
    }
}

} // namespace

RoomReverb::RoomReverb()
{
    for (const int length : kCombLengths) {
        combs_.push_back({std::vector<float>(static_cast<std::size_t>(length), 0.0f)});
    }
    for (const int length : kLeftAllPassLengths) {
        leftAllPasses_.push_back({std::vector<float>(static_cast<std::size_t>(length), 0.0f)});
    }
    for (const int length : kRightAllPassLengths) {
        rightAllPasses_.push_back({std::vector<float>(static_cast<std::size_t>(length), 0.0f)});
    }
}

void RoomReverb::diffuse(std::vector<Line>& allPasses, const std::vector<float>& in, float* out, std::size_t count)
{
    std::vector<float> wet(in.begin(), in.begin() + static_cast<long>(count));
    for (Line& allPass : allPasses) {
        alongLine(allPass.samples, allPass.position, count, [&](float* line, std::size_t first, std::size_t run) {
            for (std::size_t i = 0; i < run; ++i) {
                const float delayed = line[i];
                const float sample = wet[first + i];
                line[i] = sample + delayed * kAllPassFeedback;
                wet[first + i] = delayed - sample * kAllPassFeedback;
            }
        });
    }
    for (std::size_t i = 0; i < count; ++i) {
        out[i] += kLevel * wet[i];
    }
}

void RoomReverb::process(const float* input, float* left, float* right, std::size_t count)
{
    wet_.assign(count, 0.0f);
    float* wet = wet_.data();
    for (Line& comb : combs_) {
        float damped = comb.damped;
        alongLine(comb.samples, comb.position, count, [&](float* line, std::size_t first, std::size_t run) {
            for (std::size_t i = 0; i < run; ++i) {
                const float delayed = line[i];
                damped = delayed * (1.0f - kCombDamping) + damped * kCombDamping;
                line[i] = input[first + i] + damped * kCombFeedback;
                wet[first + i] += delayed;
            }
        });
        comb.damped = damped;
    }
    diffuse(leftAllPasses_, wet_, left, count);
    diffuse(rightAllPasses_, wet_, right, count);
}
