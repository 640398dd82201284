#pragma once

#include "effects/isosurface/MarchingCubesGrid.h"
#include "effects/isosurface/Metaball.h"
#include "sequence/AbstractSceneObject.h"

#include <vector>

class MeshObject;

// Eight metaballs on the back face of a 50-cell grid, drawn as one sphere-mapped surface that the
// processor polygonizes every frame. The music pulses the balls, kicks them along their paths and
// flashes the screen white.
class MetaballTunnelScene : public AbstractSceneObject {
public:
    static constexpr int kBallCount = 8;
    static constexpr int kGridSize = 50;

    explicit MetaballTunnelScene(const float* timeValue);
    ~MetaballTunnelScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    // Enter kicks, Space pulses, Q flashes, as the events do.
    void keyPressed(int key) override;
    // The triangles drawn in the last frame.
    unsigned getPolygonCount() override;

    // Moves the balls to music time t: kick decay, phases, pulse, then positions. No GL.
    void advanceBalls(float t);
    // Samples the field of the balls where they are and finds the normals. No GL.
    void updateField();

    MarchingCubesGrid& getGrid() { return grid; }
    const std::vector<Metaball>& getBalls() const { return balls; }

private:
    void applyEvent(int kind, float t);
    void drawFlash(float t);

    // The grid is a class of its own; its large storage is allocated with the scene and freed with it.
    MarchingCubesGrid grid;
    std::vector<Metaball> balls;
    MeshObject* flashQuad = nullptr; // owned; not in the object list
    float lastElapsed = 0.0f;
    float pulseTime = 0.0f;
    bool pulseActive = false;
    float kickTime = 0.0f;
    float kickActive = 0.0f; // 0 or 1; stays 1 after the first kick
    float flashTime = 0.0f;
    bool flashActive = false;
};
