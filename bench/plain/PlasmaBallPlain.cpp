#include "plain/PlasmaBallPlain.h"

#include "effects/sync/PlasmaBallSync.h"

#include <cmath>

namespace plain {

void displaceWoundBall(const float* restVertices, int vertexCount, float startTime, float t, float* vertices,
                       float* colors)
{
    const float timeScale = kPlasmaBallRewindEnd / (kPlasmaBallRewindEnd - startTime);
    const float a = (t - startTime) * timeScale;
    const float tau = t - a;
    const float B = (std::sin(2.0f * t) + 2.0f) * 4.0f * 0.08975979f;
    for (int i = 0; i < vertexCount; ++i) {
        const float x = restVertices[i * 3];
        const float y = restVertices[i * 3 + 1];
        const float z = restVertices[i * 3 + 2];
        const float P = std::sin(2.5f * tau + B * x * tau / 10.0f) * std::sin(0.125f * tau * B * y + 3.0f * tau) *
                        std::cos((1.75f * tau + tau / 3.0f * B * z) * 0.5f) * std::cos(1.5f * tau + 0.5f * tau * B * x) *
                        std::sin(8.0f / 6.0f * tau + tau * B * y) * std::cos(0.5f * tau * B * z + 3.0f * tau) *
                        std::sin(4.0f * tau + 0.25f * x + 0.25f * 1.5450456f * y);
        const float r = 6.0f * P + 6.0f;
        vertices[i * 3] = r * x;
        vertices[i * 3 + 1] = r * y;
        vertices[i * 3 + 2] = r * z;
        colors[i * 4] = (std::cos(r) * std::cos(r) + 2.0f) / 4.0f;
        colors[i * 4 + 1] = (std::sin(r) + 1.0f) / 2.0f;
        colors[i * 4 + 2] = (std::cos(r) + 1.0f) / 2.0f;
    }
}

} // namespace plain
