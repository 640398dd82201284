#include "plain/ButterflyBallPlain.h"

#include <cmath>

namespace plain {

void animateBall(float* vertices, float* colors, const float* restVertices, const float* wingFactor,
                 int triangleCount, float now)
{
    for (int i = 0; i < triangleCount; ++i) {
        const float red = std::sin(now + 0.5f * static_cast<float>(i));
        const float green = std::sin(now + 0.25f * static_cast<float>(i));
        const float blue = std::sin(now + static_cast<float>(i) / 5.0f);
        const int j = i / 2;
        const float factor = std::sin(static_cast<float>(j) + now) * wingFactor[j];
        for (int corner = 0; corner < 3; ++corner) {
            const int vertex = i * 3 + corner;
            colors[vertex * 4] = red;
            colors[vertex * 4 + 1] = green;
            colors[vertex * 4 + 2] = blue;
            for (int c = 0; c < 3; ++c) {
                vertices[vertex * 3 + c] = restVertices[vertex * 3 + c] * factor;
            }
        }
    }
}

} // namespace plain
