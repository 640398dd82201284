#pragma once

#include <cmath>

// The palette of the plasma balls: red, green and blue of a vertex pushed out to radius r. Alpha is the
// caller's.
inline void plasmaColor(float r, float* rgb)
{
    const float c = std::cos(r);
    const float s = std::sin(r);
    rgb[0] = (c * c + 2.0f) / 4.0f;
    rgb[1] = (s + 1.0f) / 2.0f;
    rgb[2] = (c + 1.0f) / 2.0f;
}
