#pragma once

#include <cstdint>

// A xorshift generator for the noise of the drums and the effects: the same seed gives the same
// noise on every machine and every run, which keeps the soundtrack's bytes fixed.
class NoiseGenerator {
public:
    explicit NoiseGenerator(std::uint32_t seed);

    std::uint32_t nextBits();
    // Uniform in [-1, 1).
    float next();

private:
    std::uint32_t state_;
};
