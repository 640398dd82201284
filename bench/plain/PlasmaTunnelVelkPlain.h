#pragma once

#include "effects/scenes/PlasmaTunnelVelkScene.h"

#include <utility>

// The plasma tunnel's bands, written the plain way: every vertex of every ring computed on its own,
// with its two wobbles and two colours.
namespace plain {

// What the bands of one frame are computed from.
struct VelkTunnelShape {
    float sceneTime = 0.0f; // time value − start time
    int firstRing = 0;
    float tubeRadius = 0.0f;
    float wobbleAmplitude = 0.0f;
    float orbitAmplitude = 0.0f;
    float wobbleFrequency = 0.0f;
};

// The x offset of segment j and the y offset of ring i.
std::pair<float, float> ringWobble(const VelkTunnelShape& shape, int ring, int segment);
void plasmaColour(const VelkTunnelShape& shape, float u, float v, float w, float* rgb);
// Fills 100 × 51 band steps, far to near.
void computeBands(const VelkTunnelShape& shape, PlasmaTunnelVelkScene::BandStep* bands);

} // namespace plain
