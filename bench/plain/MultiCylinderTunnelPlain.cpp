#include "plain/MultiCylinderTunnelPlain.h"

#include "effects/scenes/CylinderDrawWindow.h"
#include "geometry/MeshObject.h"

#include <cmath>

namespace plain {

void shapeHorn(float* vertices, int vertexCount)
{
    for (int v = 0; v < vertexCount; ++v) {
        const float f = static_cast<float>(3 * v - 1);
        const float m1 = 2.0f + std::sin(f / 21.0f) * std::sin(f / 20.0f) * std::cos(f / 45.0f);
        const float m2 = 2.0f + std::sin(f / 41.0f) * std::cos(f / 30.0f) * std::cos(f / 50.0f);
        vertices[v * 3] = vertices[v * 3] * m1 * static_cast<float>(3 * v) / 40000.0f;
        vertices[v * 3 + 2] = vertices[v * 3 + 2] * m2 * static_cast<float>(3 * v + 2) / 40000.0f;
    }
}

float advanceTunnel(TunnelState& state, MeshObject& tube, float now)
{
    const float travel = (now - state.startTime) * 4.2f;

    if (state.nextEvent < state.eventCount && state.events[state.nextEvent].time <= now) {
        switch (state.events[state.nextEvent].kind) {
        case 0:
            state.fadeOutActive = true;
            state.fadeOutTime = now;
            break;
        case 1:
            state.pulseActive = true;
            state.pulseTime = now;
            break;
        case 2:
            state.zoomActive = true;
            state.zoomTime = now;
            break;
        case 3:
            state.flashActive = true;
            state.flashTime = now;
            break;
        default:
            break;
        }
        state.nextEvent += 1;
    }

    if (state.pulseActive) {
        const float e = now - state.pulseTime;
        if (e < 1.0f) {
            tube.setScale(2.0f - e, 1.0f, 2.0f - e);
        } else {
            state.pulseActive = false;
        }
    }

    if (travel - state.travelled >= 0.12f) {
        state.windowFirst += 60;
        if (state.windowFirst > state.lastWindowFirst) {
            state.windowFirst = state.lastWindowFirst;
        }
        tube.setDrawRange(state.windowFirst, state.windowCount);
        state.travelled += 0.12f;
    }
    return travel;
}

TunnelState TunnelParts::plainState(unsigned tubeTriangles) const
{
    TunnelState state;
    state.events = events.data();
    state.eventCount = events.size();
    state.nextEvent = nextEvent;
    state.startTime = startTime;
    state.pulseActive = pulseActive;
    state.pulseTime = pulseTime;
    state.zoomActive = zoomActive;
    state.zoomTime = zoomTime;
    state.flashActive = flashActive;
    state.flashTime = flashTime;
    state.fadeOutActive = fadeOutActive;
    state.fadeOutTime = fadeOutTime;
    state.windowFirst = window->first();
    state.windowCount = window->count();
    state.lastWindowFirst = static_cast<int>(tubeTriangles - window->count());
    state.travelled = window->getTravelled();
    return state;
}

} // namespace plain
