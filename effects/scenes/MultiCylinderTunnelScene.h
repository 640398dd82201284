#pragma once

#include "sequence/AbstractSceneObject.h"

#include <memory>

class CylinderDrawWindow;
class FadeQuad;
class MeshObject;

// A flight down a bundle of twelve long horn-shaped tubes laid on a circle, environment-mapped and
// overlaid with their own wireframe, spinning about the flight axis. The tubes swell on every beat, the
// picture kicks in with zooms, and the scene fades in from white, flashes once and fades out to white.
class MultiCylinderTunnelScene : public AbstractSceneObject {
public:
    static constexpr int kTubeCount = 12;

    explicit MultiCylinderTunnelScene(const float* timeValue);
    ~MultiCylinderTunnelScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;

    // This frame's cue, pulse scale and draw window from the time value; returns the distance flown. No GL.
    float advance();
    // Widens a cylinder of the tunnel into a horn: the cross-section grows with the vertex index along the
    // tube and wobbles slowly. Every tube has the same shape, so this runs once.
    static void shapeHorn(float* vertices, int vertexCount);

protected:
    void act(int kind, float now);
    void drawTubes();

    float tubeX[kTubeCount] = {};
    float tubeY[kTubeCount] = {};
    // The twelve tubes are one horn drawn at twelve places: same shape, scale, window and texture.
    std::unique_ptr<MeshObject> tube;
    std::unique_ptr<CylinderDrawWindow> window;
    std::unique_ptr<FadeQuad> fadeQuad;
    bool pulseActive = false;
    float pulseTime = 0.0f;
    bool zoomActive = false;
    float zoomTime = 0.0f;
    float zoomScale = 0.0f;
    bool flashActive = false;
    float flashTime = 0.0f;
    bool fadeInActive = false;
    bool fadeOutActive = false;
    float fadeOutTime = 0.0f;
};
