#include "tools/assets/NoiseGenerator.h"

NoiseGenerator::NoiseGenerator(std::uint32_t seed)
    // Xorshift stays at zero forever from a zero state; the odd constant also spreads small seeds.
    : state_(seed * 2654435761u ^ 0x9e3779b9u)
{
    if (state_ == 0) {
        state_ = 0x9e3779b9u;
    }
}

std::uint32_t NoiseGenerator::nextBits()
{
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

float NoiseGenerator::next()
{
    // The top 24 bits fit a float's mantissa exactly.
    return static_cast<float>(nextBits() >> 8) * (2.0f / 16777216.0f) - 1.0f;
}
