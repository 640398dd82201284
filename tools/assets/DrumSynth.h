#pragma once

#include <cstdint>
#include <vector>

// Synthesises the drum hits and the effect sounds as mono one-shots, each loud from its first
// sample so that where it is placed is where it is heard. Noisy sounds take a seed; the same seed
// gives the same sound.
class DrumSynth {
public:
    // A pitched-down sine with a click on top; peaks near 1.
    static std::vector<float> kick();
    static std::vector<float> snare(std::uint32_t seed);
    static std::vector<float> clap(std::uint32_t seed);
    static std::vector<float> closedHat(std::uint32_t seed);
    static std::vector<float> openHat(std::uint32_t seed);
    // A cymbal crash that dies away over about `decaySeconds`.
    static std::vector<float> crash(std::uint32_t seed, float decaySeconds);
    // A short bright burst: the sharp edge of an accent.
    static std::vector<float> snap(std::uint32_t seed);
    // A deep boom under a scene change.
    static std::vector<float> impact();
    // Filtered noise that swells and rises in pitch over `frames` frames and stops dead at the end.
    static std::vector<float> riser(std::uint32_t seed, long frames);
};
