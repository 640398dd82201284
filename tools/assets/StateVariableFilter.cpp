#include "tools/assets/StateVariableFilter.h"

#include <algorithm>
#include <cmath>

void StateVariableFilter::setCutoff(float hertz, float resonance, float sampleRate)
{
    const float nyquistSafe = 0.45f * sampleRate;
    const float cutoff = std::clamp(hertz, 10.0f, nyquistSafe);
    const float g = std::tan(3.14159265f * cutoff / sampleRate);
    k_ = 2.0f - 1.9f * std::clamp(resonance, 0.0f, 1.0f);
    a1_ = 1.0f / (1.0f + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
}

StateVariableFilter::Output StateVariableFilter::process(float input)
{
    const float v3 = input - state2_;
    const float v1 = a1_ * state1_ + a2_ * v3;
    const float v2 = state2_ + a2_ * state1_ + a3_ * v3;
    state1_ = 2.0f * v1 - state1_;
    state2_ = 2.0f * v2 - state2_;
    return {v2, v1, input - k_ * v1 - v2};
}
