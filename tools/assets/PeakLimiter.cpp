#include "tools/assets/PeakLimiter.h"

#include "tools/assets/SampleRate.h"

#include <algorithm>
#include <cmath>

PeakLimiter::PeakLimiter(float ceiling, float lookahead, float release)
    : ceiling_(ceiling),
      window_(std::max(2L, std::lround(lookahead * kSampleRate))),
      inverseWindow_(1.0 / static_cast<double>(window_)),
      recovery_(1.0f - std::exp(-1.0f / (release * kSampleRate))),
      delayedLeft_(static_cast<std::size_t>(window_), 0.0f),
      delayedRight_(static_cast<std::size_t>(window_), 0.0f),
      released_(static_cast<std::size_t>(window_), 1.0f)
{
}

void PeakLimiter::process(float* left, float* right, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k, ++frame_) {
        const long i = frame_;
        const float peak = std::max(std::fabs(left[k]), std::fabs(right[k]));
        const float need = peak > ceiling_ ? ceiling_ / peak : 1.0f;
        // Unity is never lower than anything held, so only frames that need a cut are kept; an empty
        // window needs none.
        if (need < 1.0f) {
            while (!lowest_.empty() && lowest_.back().second >= need) {
                lowest_.pop_back();
            }
            lowest_.emplace_back(i, need);
        }
        if (!lowest_.empty() && lowest_.front().first <= i - window_) {
            lowest_.pop_front();
        }
        const float held = lowest_.empty() ? 1.0f : lowest_.front().second;
        // The delay line's slot for frame i is i modulo the window; frame j = i - (window - 1) sits
        // in the next slot.
        const std::size_t slot = slot_;
        slot_ = slot_ + 1 == delayedLeft_.size() ? 0 : slot_ + 1;
        delayedLeft_[slot] = left[k];
        delayedRight_[slot] = right[k];

        // Frame j leaves now: the window [j, i] ahead of it has been seen in full.
        const long j = i - (window_ - 1);
        if (j < 0) {
            left[k] = 0.0f;
            right[k] = 0.0f;
            continue;
        }
        // Hold the lowest need ahead, let go slowly back towards unity.
        lastReleased_ = std::min(held, lastReleased_ + (1.0f - lastReleased_) * recovery_);
        // Averaged over the window the gain falls smoothly and still reaches each peak's need at the
        // peak, since every gain in the window before a peak is already no higher than its need.
        releasedSum_ += lastReleased_ - (j >= window_ ? released_[slot_] : 0.0f);
        released_[slot_] = lastReleased_;
        const double average =
            j + 1 >= window_ ? releasedSum_ * inverseWindow_ : releasedSum_ / static_cast<double>(j + 1);
        const float gain = std::min(1.0f, static_cast<float>(average));
        left[k] = delayedLeft_[slot_] * gain;
        right[k] = delayedRight_[slot_] * gain;
    }
}
