#include "plain/RainBallPlain.h"

#include "geometry/MeshObject.h"

#include <cmath>

namespace plain {

float landingOffset(float start, float velocity, float acceleration, float now, bool& ringShown)
{
    const float p = start + velocity * now + 0.5f * acceleration * now * now;
    if ((start > 0.0f && p <= 0.0f) || (start <= 0.0f && p >= 0.0f)) {
        return 0.0f;
    }
    ringShown = false;
    return p;
}

void rainBall(float* vertices, int vertexCount, const float* restVertices, const float* triangleStart,
              const float* triangleVelocity, const float* triangleAcceleration, float now, bool& ringShown)
{
    for (int i = 0; i < vertexCount / 2; ++i) {
        const int a = i / 3;
        vertices[i * 3 + 1] = restVertices[i * 3 + 1] +
                              landingOffset(triangleStart[a], triangleVelocity[a], triangleAcceleration[a], now, ringShown);
        const int j = vertexCount - 1 - i;
        const int b = j / 3;
        vertices[j * 3 + 1] = restVertices[j * 3 + 1] +
                              landingOffset(triangleStart[b], triangleVelocity[b], triangleAcceleration[b], now, ringShown);
    }
}

void scatter(MeshObject* const* meshes, const Vector3* const* directions, int meshCount, float now)
{
    for (int m = 0; m < meshCount; ++m) {
        float* vertices = meshes[m]->getVertices();
        const int vertexCount = meshes[m]->getVertexCount();
        for (int k = 0; k < vertexCount; ++k) {
            vertices[k * 3] += directions[m][k].x * now / 10.0f;
            vertices[k * 3 + 1] += directions[m][k].y * now / 10.0f;
            vertices[k * 3 + 2] += directions[m][k].z * now / 10.0f;
        }
    }
}

void dropStrips(float* vertices, const std::uint32_t* indices, int triangleCount, float elapsed)
{
    for (int m = 0; m < triangleCount / 2; ++m) {
        for (int corner = 0; corner < 6; ++corner) {
            const std::uint32_t vertex = indices[2 * m * 3 + corner];
            vertices[vertex * 3 + 1] -= static_cast<float>(800 - 2 * m) * elapsed / 300.0f;
        }
    }
}

void setAlpha(float* colors, int colorCount, float alpha)
{
    for (int i = 0; i < colorCount; ++i) {
        colors[i * 4 + 3] = alpha;
    }
}

void rippleLogo(float* vertices, int vertexCount, float elapsed)
{
    const float twoPi = 6.2831853f;
    const float d = elapsed;
    const float envelope = 1.0f - std::cos(twoPi * d / 3.0f);
    for (int v = 0; v < vertexCount; ++v) {
        const float x = vertices[v * 3];
        const float y = vertices[v * 3 + 1];
        vertices[v * 3 + 2] = std::sin(twoPi * (4.0f / 3.0f) * x * d) * std::cos(twoPi * 2.0f * y * d) *
                              std::sin(twoPi * (5.0f / 3.0f) * y * d) * 1.2f * 1.5f * 1.1f * envelope * 0.5f;
    }
}

std::vector<MeshObject*> RainBallParts::burstMeshes()
{
    std::vector<MeshObject*> meshes;
    for (auto& spike : spikes) {
        meshes.push_back(spike.get());
    }
    meshes.push_back(ring.get());
    meshes.push_back(ball.get());
    return meshes;
}

std::vector<const Vector3*> RainBallParts::burstDirections() const
{
    std::vector<const Vector3*> directions(spikes.size(), spikeScatter.data());
    directions.push_back(ringScatter.data());
    directions.push_back(ballScatter.data());
    return directions;
}

} // namespace plain
