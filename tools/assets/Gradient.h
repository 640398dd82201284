#pragma once

#include "tools/assets/Colour.h"

#include <vector>

struct GradientStop {
    float position = 0.0f;
    Colour colour;
};

// Colours interpolated linearly between stops; outside the first and last stop the end colours hold.
class Gradient {
public:
    Gradient() = default;
    explicit Gradient(std::vector<GradientStop> stops);

    static Gradient solid(const Colour& colour);

    Colour at(float position) const;

private:
    std::vector<GradientStop> stops; // ascending positions
};
