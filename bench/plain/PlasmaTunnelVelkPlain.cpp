#include "plain/PlasmaTunnelVelkPlain.h"

#include <cmath>

namespace plain {

namespace {

constexpr float kTwoPi = 6.2831853f;
constexpr float kPi = 3.1415927f;

} // namespace

std::pair<float, float> ringWobble(const VelkTunnelShape& shape, int ring, int segment)
{
    const float t = shape.sceneTime;
    const float x = 0.7f * shape.wobbleAmplitude *
                    std::cos(2.0f * std::sin(t) +
                             (kTwoPi * static_cast<float>(segment) / 50.0f) * shape.wobbleFrequency);
    const float y = 0.7f * shape.wobbleAmplitude * std::sin(kTwoPi * static_cast<float>(ring + 1) / 10.0f + 2.0f * t);
    return {x, y};
}

void plasmaColour(const VelkTunnelShape& shape, float u, float v, float w, float* rgb)
{
    const float t = shape.sceneTime;
    const float red = std::sin(t + u * w / 50.0f) + std::sin(v + w + t) / 5.0f;
    const float green = std::sin(16.0f * v / 50.0f + kPi + t) + std::cos(u + w + t) / 3.0f;
    rgb[0] = red;
    rgb[1] = green;
    rgb[2] = red + green;
}

void computeBands(const VelkTunnelShape& shape, PlasmaTunnelVelkScene::BandStep* bands)
{
    const float radius = shape.tubeRadius;
    const float orbit = shape.orbitAmplitude;
    PlasmaTunnelVelkScene::BandStep* step = bands;
    for (int r = shape.firstRing; r < shape.firstRing + 100; ++r) {
        const float a = kTwoPi * static_cast<float>(r) / 100.0f;
        const float b = kTwoPi * static_cast<float>(r + 1) / 100.0f;
        for (int j = 0; j <= 50; ++j, ++step) {
            const float theta = static_cast<float>(j) * kTwoPi / 50.0f;
            const float nextTheta = static_cast<float>(j + 1) * kTwoPi / 50.0f;
            const std::pair<float, float> here = ringWobble(shape, r, j);
            const std::pair<float, float> below = ringWobble(shape, r + 1, j);
            const float ox = here.first;
            const float oy0 = here.second;
            const float oy1 = below.second;

            const float p0[3] = {radius * std::sin(theta) + orbit * std::sin(2.0f * a) + ox,
                                 radius * std::cos(theta) + orbit * std::cos(2.0f * a) + oy0, static_cast<float>(r)};
            const float p1[3] = {radius * std::sin(theta) + orbit * std::sin(2.0f * b) + ox,
                                 radius * std::cos(theta) + orbit * std::cos(2.0f * b) + oy1,
                                 static_cast<float>(r + 1)};
            const float p2[3] = {radius * std::sin(nextTheta) + orbit * std::sin(2.0f * b) + ox,
                                 radius * std::cos(nextTheta) + orbit * std::cos(2.0f * b) + oy1,
                                 static_cast<float>(r + 1)};
            const float e1[2] = {p0[0] - p1[0], p0[1] - p1[1]};
            const float e2[2] = {p2[0] - p1[0], p2[1] - p1[1]};

            step->normal[0] = std::sin(a);
            step->normal[1] = std::cos(a);
            step->normal[2] = e1[0] * e2[1] - e1[1] * e2[0];
            plasmaColour(shape, ox, oy0, static_cast<float>(r), step->nearColour);
            for (int c = 0; c < 3; ++c) {
                step->nearVertex[c] = p0[c];
            }
            plasmaColour(shape, ox, oy1, static_cast<float>(r), step->farColour);
            for (int c = 0; c < 3; ++c) {
                step->farVertex[c] = p1[c];
            }
        }
    }
}

} // namespace plain
