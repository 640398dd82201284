#pragma once

// A colour with straight (not premultiplied) alpha, every channel 0…1.
struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;
};

inline Colour mix(const Colour& from, const Colour& to, float t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
            from.a + (to.a - from.a) * t};
}

inline Colour scaled(const Colour& colour, float factor)
{
    return {colour.r * factor, colour.g * factor, colour.b * factor, colour.a};
}

inline Colour added(const Colour& colour, const Colour& light)
{
    return {colour.r + light.r, colour.g + light.g, colour.b + light.b, colour.a};
}
