#include "tools/assets/PingPongEcho.h"

#include <algorithm>

namespace {

constexpr float kFeedback = 0.38f;
constexpr float kDamping = 0.35f;
constexpr float kLevel = 0.6f;

} // namespace

PingPongEcho::PingPongEcho(long delayFrames)
    : leftLine_(static_cast<std::size_t>(std::max(1L, delayFrames)), 0.0f),
      rightLine_(static_cast<std::size_t>(std::max(1L, delayFrames)), 0.0f)
{
}

void PingPongEcho::process(const float* input, float* left, float* right, std::size_t count)
{
    const std::size_t length = leftLine_.size();
    for (std::size_t i = 0; i < count; ++i) {
        const float fromLeft = leftLine_[position_];
        const float fromRight = rightLine_[position_];
        damped_ = fromRight * (1.0f - kDamping) + damped_ * kDamping;
        leftLine_[position_] = input[i] + kFeedback * damped_;
        rightLine_[position_] = fromLeft;
        left[i] += kLevel * fromLeft;
        right[i] += kLevel * fromRight;
        position_ = position_ + 1 == length ? 0 : position_ + 1;
    }
}
