#pragma once

// A two-pole state-variable filter (trapezoidal integration) that gives low-, band- and high-pass
// at once and stays stable while its cutoff moves every few samples.
class StateVariableFilter {
public:
    struct Output {
        float low;
        float band;
        float high;
    };

    // resonance 0 is flat; towards 1 the filter rings at its cutoff.
    void setCutoff(float hertz, float resonance, float sampleRate);
    Output process(float input);

private:
    float k_ = 2.0f;
    float a1_ = 1.0f;
    float a2_ = 0.0f;
    float a3_ = 0.0f;
    float state1_ = 0.0f;
    float state2_ = 0.0f;
};
