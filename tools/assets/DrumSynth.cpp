#include "tools/assets/DrumSynth.h"

#include "tools/assets/NoiseGenerator.h"
#include "tools/assets/SampleRate.h"
#include "tools/assets/StateVariableFilter.h"

#include <cmath>

namespace {

constexpr float kTwoPi = 6.28318531f;
constexpr float kRate = static_cast<float>(kSampleRate);

long framesOf(float seconds) { return std::lround(seconds * kRate); }

// How often a one-shot's sweeping filters move: often enough to sound smooth, rarely enough to be cheap.
constexpr int kFilterStep = 16;

// Noise through a high-pass, shaped by an exponential decay that starts at full level.
std::vector<float> decayingNoise(std::uint32_t seed, float seconds, float decay, float highPass, float resonance)
{
    std::vector<float> out(static_cast<std::size_t>(framesOf(seconds)));
    NoiseGenerator noise(seed);
    StateVariableFilter filter;
    filter.setCutoff(highPass, resonance, kRate);
    const float fall = std::exp(-1.0f / (decay * kRate));
    float envelope = 1.0f;
    for (float& sample : out) {
        sample = filter.process(noise.next()).high * envelope;
        envelope *= fall;
    }
    return out;
}

} // namespace

std::vector<float> DrumSynth::kick()
{
    std::vector<float> out(static_cast<std::size_t>(framesOf(0.42f)));
    NoiseGenerator noise(0x6b69636bu);
    float phase = 0.0f;
    float previousNoise = 0.0f;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float frequency = 46.0f + 240.0f * std::exp(-t / 0.028f);
        // Starting on the cosine's crest makes the very first sample the loudest edge of the hit.
        const float body = std::cos(phase) * std::exp(-t / 0.26f);
        phase += kTwoPi * frequency / kRate;
        const float white = noise.next();
        const float click = (white - previousNoise) * 0.25f * std::exp(-t / 0.0012f);
        previousNoise = white;
        out[i] = std::tanh(1.6f * (body + click)) / std::tanh(1.6f);
    }
    return out;
}

std::vector<float> DrumSynth::snare(std::uint32_t seed)
{
    std::vector<float> out = decayingNoise(seed, 0.32f, 0.085f, 1800.0f, 0.2f);
    float phase = 0.0f;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float frequency = 180.0f + 60.0f * std::exp(-t / 0.01f);
        out[i] = 0.75f * out[i] + 0.55f * std::sin(phase + 1.2f) * std::exp(-t / 0.045f);
        phase += kTwoPi * frequency / kRate;
    }
    return out;
}

std::vector<float> DrumSynth::clap(std::uint32_t seed)
{
    std::vector<float> out(static_cast<std::size_t>(framesOf(0.3f)));
    NoiseGenerator noise(seed);
    StateVariableFilter filter;
    filter.setCutoff(1300.0f, 0.35f, kRate);
    // Three quick slaps and a tail: the smear of several hands.
    const float slaps[] = {0.0f, 0.011f, 0.022f};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        float envelope = 0.6f * std::exp(-(t - 0.022f) / 0.07f) * (t >= 0.022f ? 1.0f : 0.0f);
        for (const float slap : slaps) {
            if (t >= slap) {
                envelope += std::exp(-(t - slap) / 0.004f);
            }
        }
        out[i] = 1.4f * filter.process(noise.next()).band * envelope;
    }
    return out;
}

std::vector<float> DrumSynth::closedHat(std::uint32_t seed)
{
    return decayingNoise(seed, 0.07f, 0.014f, 7500.0f, 0.3f);
}

std::vector<float> DrumSynth::openHat(std::uint32_t seed)
{
    return decayingNoise(seed, 0.4f, 0.09f, 6500.0f, 0.3f);
}

std::vector<float> DrumSynth::crash(std::uint32_t seed, float decaySeconds)
{
    std::vector<float> out(static_cast<std::size_t>(framesOf(decaySeconds * 3.0f)));
    NoiseGenerator noise(seed);
    // Detuned square waves at inharmonic ratios give the metallic shimmer under the noise.
    const float partials[] = {205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f};
    float phases[6] = {0.0f, 0.37f, 0.61f, 0.13f, 0.83f, 0.49f};
    StateVariableFilter metal;
    metal.setCutoff(5200.0f, 0.2f, kRate);
    StateVariableFilter hiss;
    hiss.setCutoff(3800.0f, 0.1f, kRate);
    const float fall = std::exp(-1.0f / (decaySeconds * kRate));
    float envelope = 1.0f;
    for (float& sample : out) {
        float squares = 0.0f;
        for (int p = 0; p < 6; ++p) {
            squares += phases[p] < 0.5f ? 1.0f : -1.0f;
            phases[p] += partials[p] / kRate;
            phases[p] -= std::floor(phases[p]);
        }
        sample = (0.45f * metal.process(squares).high + 0.8f * hiss.process(noise.next()).high) * envelope;
        envelope *= fall;
    }
    return out;
}

std::vector<float> DrumSynth::snap(std::uint32_t seed)
{
    return decayingNoise(seed, 0.08f, 0.016f, 3000.0f, 0.25f);
}

std::vector<float> DrumSynth::impact()
{
    std::vector<float> out(static_cast<std::size_t>(framesOf(1.4f)));
    float phase = 0.0f;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float frequency = 32.0f + 70.0f * std::exp(-t / 0.12f);
        // A short fade-in keeps the boom's own edge from clicking; the snap and crash carry the edge.
        const float attack = std::min(1.0f, t / 0.004f);
        out[i] = std::sin(phase) * attack * std::exp(-t / 0.4f);
        phase += kTwoPi * frequency / kRate;
    }
    return out;
}

std::vector<float> DrumSynth::riser(std::uint32_t seed, long frames)
{
    std::vector<float> out(static_cast<std::size_t>(frames > 0 ? frames : 0));
    NoiseGenerator noise(seed);
    StateVariableFilter filter;
    float phase = 0.0f;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float progress = static_cast<float>(i) / static_cast<float>(out.size());
        if (i % kFilterStep == 0) {
            filter.setCutoff(250.0f * std::pow(10.0f, progress), 0.6f, kRate);
        }
        const float tone = std::sin(phase);
        phase += kTwoPi * (110.0f * std::pow(8.0f, progress)) / kRate;
        phase -= kTwoPi * std::floor(phase / kTwoPi);
        out[i] = (filter.process(noise.next()).band * 1.6f + 0.25f * tone) * progress * progress;
    }
    return out;
}
