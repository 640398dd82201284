#include "tools/assets/ToneSynth.h"

#include "tools/assets/NoiseGenerator.h"
#include "tools/assets/SampleRate.h"
#include "tools/assets/StateVariableFilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr float kRate = static_cast<float>(kSampleRate);
constexpr float kTwoPi = 6.28318531f;
constexpr int kMaxUnison = 7;
constexpr int kMaxPitches = 4;
// The filter's cutoff moves in steps this many frames apart.
constexpr int kFilterStep = 16;

// Smooths the jump of a naive sawtooth over one sample on each side, which removes most aliasing.
float polyBlep(float phase, float increment)
{
    if (phase < increment) {
        const float x = phase / increment;
        return x + x - x * x - 1.0f;
    }
    if (phase > 1.0f - increment) {
        const float x = (phase - 1.0f) / increment;
        return x * x + x + x + 1.0f;
    }
    return 0.0f;
}

float saw(float phase, float increment) { return 2.0f * phase - 1.0f - polyBlep(phase, increment); }

} // namespace

ToneSynth::ToneSynth(const TonePatch& patch) : patch_(patch)
{
    patch_.unison = std::clamp(patch_.unison, 1, kMaxUnison);
}

std::size_t ToneSynth::render(AudioClip& note, const float* frequencies, int count, long gateFrames,
                              float brightness, std::uint32_t seed) const
{
    const long gate = std::max(1L, gateFrames);
    const long releaseFrames = std::max(1L, std::lround(patch_.release * kRate));
    const std::size_t frames = static_cast<std::size_t>(gate + releaseFrames);
    const int pitches = std::clamp(count, 1, kMaxPitches);

    NoiseGenerator random(seed);
    const int unison = patch_.unison;
    const int copies = unison * pitches;
    float phases[kMaxUnison * kMaxPitches];
    float increments[kMaxUnison * kMaxPitches];
    float leftGains[kMaxUnison * kMaxPitches];
    float rightGains[kMaxUnison * kMaxPitches];
    float sinePhases[kMaxPitches];
    float sineIncrements[kMaxPitches];
    for (int p = 0; p < pitches; ++p) {
        sinePhases[p] = 0.0f;
        sineIncrements[p] = std::min(0.45f, frequencies[p] / kRate);
        for (int u = 0; u < unison; ++u) {
            const int c = p * unison + u;
            // From -1 for the lowest copy to 1 for the highest.
            const float spread =
                unison == 1 ? 0.0f : 2.0f * static_cast<float>(u) / static_cast<float>(unison - 1) - 1.0f;
            const float cents = 0.5f * patch_.detuneCents * spread;
            increments[c] = std::min(0.45f, frequencies[p] * std::pow(2.0f, cents / 1200.0f) / kRate);
            phases[c] = unison == 1 ? 0.0f : 0.5f * (random.next() + 1.0f);
            const float angle = (spread * patch_.width + 1.0f) * 0.25f * 3.14159265f;
            leftGains[c] = std::cos(angle) / std::sqrt(static_cast<float>(unison));
            rightGains[c] = std::sin(angle) / std::sqrt(static_cast<float>(unison));
        }
    }

    StateVariableFilter leftFilter;
    StateVariableFilter rightFilter;
    const float baseCutoff = patch_.cutoff * std::pow(2.0f, -5.0f * (1.0f - std::clamp(brightness, 0.0f, 1.0f)));
    const float filterFall = std::exp(-static_cast<float>(kFilterStep) / (patch_.filterDecay * kRate));
    float filterEnvelope = 1.0f;

    const float attackStep = 1.0f / std::max(1.0f, patch_.attack * kRate);
    const float decayFall = std::exp(-1.0f / std::max(1.0f, patch_.decay * kRate));
    float attackLevel = 0.0f;
    float decayPart = 1.0f;
    float releaseLevel = 1.0f;
    const float releaseStep = 1.0f / static_cast<float>(releaseFrames);
    float level = 0.0f;

    // With the copies all in the middle, one filter serves both channels and the note is mono.
    const bool mono = unison == 1 || patch_.width == 0.0f;
    // Every frame is written below, so the note is not cleared first.
    note.left().resize(frames);
    note.right().resize(mono ? 0 : frames);
    const float sineLevel = patch_.sine * 0.7071f;
    std::vector<float>& left = note.left();
    std::vector<float>& right = note.right();
    for (std::size_t i = 0; i < frames; ++i) {
        if (i % kFilterStep == 0) {
            const float cutoff = baseCutoff + patch_.cutoffEnvelope * filterEnvelope * std::max(0.2f, brightness);
            leftFilter.setCutoff(cutoff, patch_.resonance, kRate);
            if (!mono) {
                rightFilter.setCutoff(cutoff, patch_.resonance, kRate);
            }
            filterEnvelope *= filterFall;
        }
        float leftSum = 0.0f;
        float rightSum = 0.0f;
        for (int c = 0; c < copies; ++c) {
            const float phase = phases[c];
            const float increment = increments[c];
            const float sawValue = saw(phase, increment);
            float value = patch_.saw * sawValue;
            if (patch_.square != 0.0f) {
                const float shifted = phase < 0.5f ? phase + 0.5f : phase - 0.5f;
                value += patch_.square * (sawValue - saw(shifted, increment));
            }
            leftSum += leftGains[c] * value;
            rightSum += rightGains[c] * value;
            const float next = phase + increment;
            phases[c] = next >= 1.0f ? next - 1.0f : next;
        }
        // The envelope: a linear attack, an exponential fall towards the sustain, a linear release.
        if (static_cast<long>(i) < gate) {
            if (attackLevel < 1.0f) {
                attackLevel = std::min(1.0f, attackLevel + attackStep);
            } else {
                decayPart *= decayFall;
            }
            level = attackLevel * (patch_.sustain + (1.0f - patch_.sustain) * decayPart);
        } else {
            releaseLevel = std::max(0.0f, releaseLevel - releaseStep);
        }
        const float envelope = level * releaseLevel;
        float sine = 0.0f;
        if (sineLevel != 0.0f) {
            for (int p = 0; p < pitches; ++p) {
                sine += sineLevel * std::sin(kTwoPi * sinePhases[p]);
                const float next = sinePhases[p] + sineIncrements[p];
                sinePhases[p] = next >= 1.0f ? next - 1.0f : next;
            }
        }
        left[i] = envelope * (leftFilter.process(leftSum).low + sine);
        if (!mono) {
            right[i] = envelope * (rightFilter.process(rightSum).low + sine);
        }
    }
    return frames;
}
