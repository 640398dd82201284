#pragma once

// Receives a polygonized surface exactly as GL would: the same colour, normal and vertex calls in the
// same order, three vertices per triangle. Lets the surface be examined or timed without a GL context.
class SurfaceSink {
public:
    virtual ~SurfaceSink() = default;
    virtual void color(float red, float green, float blue) = 0;
    virtual void normal(const float* normal) = 0;
    virtual void vertex(const float* position) = 0;
};
