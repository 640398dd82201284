#include "plain/PlasmaBallInCubePlain.h"

#include "effects/isosurface/PlasmaBallInCubeScene.h"
#include "effects/sync/PlasmaBallInCubeSync.h"
#include "geometry/MeshObject.h"

#include <cmath>

namespace plain {

void colorCubeWalls(const float* const* faceVertices, float* const* faceColors, int vertexCount, float phase)
{
    const float u = phase;
    for (int i = 0; i < vertexCount; ++i) {
        for (int face = 0; face < kCubeFaceCount; ++face) {
            const float f = faceVertices[face][i * 3] - 12.5f;
            const float g = faceVertices[face][i * 3 + 1] - 12.5f;
            float* color = faceColors[face] + i * 4;
            color[0] = std::sin(2.0f * (f + u) / 25.0f);
            color[1] = (std::sin(u / 25.0f) + std::sin(g / 25.0f)) / 2.0f;
            color[2] = (std::sin(2.0f * u / 25.0f) + std::sin(2.0f * f / 25.0f)) / 2.0f;
            color[3] = 1.0f;
        }
    }
}

void displaceCubeBall(const float* restVertices, int vertexCount, float plasmaStep, float timeDivisor, float t,
                      float* vertices, float* colors)
{
    const float C = plasmaStep * 0.24166098f;
    const float A = timeDivisor;
    for (int i = 0; i < vertexCount; ++i) {
        const float x = restVertices[i * 3];
        const float y = restVertices[i * 3 + 1];
        const float z = restVertices[i * 3 + 2];
        const float r = 4.0f + std::sin((8.0f * C * x + 7.5f * t / A) * 0.5f) +
                        std::sin((8.0f * t / A + 8.0f * C * y) * 0.25f) +
                        std::cos((4.25f * t / A + 8.0f * C * z) / 5.0f) +
                        std::cos((6.5f * t / A + 8.0f * C * x) / 3.0f) +
                        std::sin((3.0f * t / A + 8.0f * C * y) * 0.5f) +
                        std::cos((8.0f * t / A + 8.0f * C * z) * 0.5f) +
                        std::sin(4.0f * t / A + 0.25f * x + 0.25f * C * y);
        vertices[i * 3] = r * x;
        vertices[i * 3 + 1] = r * y;
        vertices[i * 3 + 2] = r * z;
        colors[i * 4] = (std::cos(r) * std::cos(r) + 2.0f) / 4.0f;
        colors[i * 4 + 1] = (std::sin(r) + 1.0f) / 2.0f;
        colors[i * 4 + 2] = (std::cos(r) + 1.0f) / 2.0f;
    }
}

void invertCubeBallColors(float* colors, int colorCount, float alpha)
{
    for (int i = 0; i < colorCount; ++i) {
        colors[i * 4] = 1.0f - colors[i * 4];
        colors[i * 4 + 1] = 1.0f - colors[i * 4 + 1];
        colors[i * 4 + 2] = 1.0f - colors[i * 4 + 2];
        colors[i * 4 + 3] = alpha;
    }
}

void cubeFrame(CubeFrameState& state, const TimedEvent* events, std::size_t eventCount, float startTime, float t,
               const CubeFrameArrays& arrays)
{
    if (state.nextEvent < eventCount && events[state.nextEvent].time <= t) {
        switch (events[state.nextEvent].kind) {
        case kPlasmaCubeFlash:
            state.fadeActive = true;
            state.fadeTime = t;
            break;
        case kPlasmaCubeWire:
            state.wireActive = true;
            state.wireTime = t;
            break;
        case kPlasmaCubeStep:
            state.plasmaStep += 0.1f;
            break;
        case kPlasmaCubeStretch:
            state.stretchActive = true;
            state.stretchTime = t;
            break;
        default:
            break;
        }
        ++state.nextEvent;
    }
    const float phase = 10.0f * (t - startTime);
    colorCubeWalls(arrays.faceVertices, arrays.faceColors, arrays.faceVertexCount, phase);
    displaceCubeBall(arrays.restVertices, arrays.ballVertexCount, state.plasmaStep, state.timeDivisor, t,
                     arrays.ballVertices, arrays.ballColors);
    if (state.stretchActive) {
        state.timeDivisor = 2.0f - (t - state.stretchTime) / 4.0f;
        if (state.timeDivisor < 1.0f) {
            state.timeDivisor = 1.0f;
            state.stretchActive = false;
        }
    }
}

CubeArrayCopies::CubeArrayCopies(PlasmaBallInCubeScene& scene)
{
    MeshObject* ball = scene.getBall();
    rest.assign(ball->getVertices(), ball->getVertices() + ball->getVertexCount() * 3);
    ballVertices = rest;
    ballColors.assign(ball->getColors(), ball->getColors() + ball->getColorCount() * 4);
    for (int f = 0; f < kCubeFaceCount; ++f) {
        MeshObject* face = scene.getFace(f);
        faceColors[f].assign(face->getColors(), face->getColors() + face->getColorCount() * 4);
        arrays.faceVertices[f] = face->getVertices();
        arrays.faceColors[f] = faceColors[f].data();
    }
    arrays.faceVertexCount = scene.getFace(0)->getVertexCount();
    arrays.restVertices = rest.data();
    arrays.ballVertices = ballVertices.data();
    arrays.ballColors = ballColors.data();
    arrays.ballVertexCount = ball->getVertexCount();
}

} // namespace plain
