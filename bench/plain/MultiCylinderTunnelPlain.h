#pragma once

#include "effects/scenes/MultiCylinderTunnelScene.h"
#include "sequence/TimedEvent.h"

#include <cstddef>
#include <cstdint>

class MeshObject;

// The tunnel of horns, written the plain way: the horn shaping and the per-frame step (cue, pulse,
// draw window) with every piece of state passed in.
namespace plain {

// Widens a cylinder into a horn in place; the coordinates it reads are the rest shape.
void shapeHorn(float* vertices, int vertexCount);

// Everything the tunnel's frame step reads and writes.
struct TunnelState {
    const TimedEvent* events = nullptr;
    std::size_t eventCount = 0;
    std::uint32_t nextEvent = 0;
    float startTime = 0.0f;
    bool pulseActive = false;
    float pulseTime = 0.0f;
    bool zoomActive = false;
    float zoomTime = 0.0f;
    bool flashActive = false;
    float flashTime = 0.0f;
    bool fadeOutActive = false;
    float fadeOutTime = 0.0f;
    int windowFirst = 0;
    unsigned windowCount = 0;
    int lastWindowFirst = 0; // the window ends on the tube's last triangle
    float travelled = 0.0f;
};

// Fires at most one due cue, scales the tube during a pulse and moves the draw window on; returns the
// distance flown. The twelve tubes share one mesh, so one setScale and one setDrawRange serve them all.
float advanceTunnel(TunnelState& state, MeshObject& tube, float now);

// The tunnel scene with its frame state opened to the plain step.
class TunnelParts : public MultiCylinderTunnelScene {
public:
    using MultiCylinderTunnelScene::MultiCylinderTunnelScene;
    using MultiCylinderTunnelScene::fadeOutActive;
    using MultiCylinderTunnelScene::fadeOutTime;
    using MultiCylinderTunnelScene::flashActive;
    using MultiCylinderTunnelScene::flashTime;
    using MultiCylinderTunnelScene::nextEvent;
    using MultiCylinderTunnelScene::pulseActive;
    using MultiCylinderTunnelScene::pulseTime;
    using MultiCylinderTunnelScene::startTime;
    using MultiCylinderTunnelScene::tube;
    using MultiCylinderTunnelScene::window;
    using MultiCylinderTunnelScene::zoomActive;
    using MultiCylinderTunnelScene::zoomTime;

    // The scene's state as it stands, for the plain step; the window ends where the tube's triangles end.
    TunnelState plainState(unsigned tubeTriangles) const;
};

} // namespace plain
