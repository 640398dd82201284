#pragma once

#include "sequence/AbstractSceneObject.h"

#include <memory>
#include <utility>
#include <vector>

class FadeQuad;

// A rush down a tunnel of 100 wobbling rings joined by quad strips and coloured in a moving plasma
// pattern. The ring centres orbit the tunnel axis, the view sways, and every beat flashes white. The
// tunnel advances one ring per rendered frame; its shape can be tuned from the keyboard.
class PlasmaTunnelVelkScene : public AbstractSceneObject {
public:
    static constexpr int kRingCount = 100;
    static constexpr int kSegmentCount = 50;
    static constexpr int kRingSteps = kSegmentCount + 1; // the last step closes the ring

    // One step of a band: a vertex on ring r and the one below it on ring r + 1, sharing a normal.
    struct BandStep {
        float normal[3];
        float nearColour[3];
        float nearVertex[3]; // on ring r
        float farColour[3];
        float farVertex[3]; // on ring r + 1
    };

    explicit PlasmaTunnelVelkScene(const float* timeValue);
    ~PlasmaTunnelVelkScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;

    // The x offset of segment j and the y offset of ring i at this frame's scene time.
    std::pair<float, float> ringWobble(int ring, int segment) const;
    void plasmaColour(float u, float v, float w, float* rgb) const;
    void bassFlash();
    // This frame's bands, far to near, computed into the band buffer; no GL.
    void computeBands();
    const std::vector<BandStep>& getBands() const { return bands; }

protected:
    void drawBands();

    float sceneTime = 0.0f; // time value − startTime, for this frame
    float tunnelDepth = 0.0f;
    int firstRing = 0;
    float viewOffsetX = 0.0f;
    float viewOffsetY = 0.0f;
    float tubeRadius = 0.0f;
    float wobbleAmplitude = 0.0f;
    float orbitAmplitude = 0.0f;
    float wobbleFrequency = 0.0f;
    bool flashActive = false;
    float flashTime = 0.0f;
    std::unique_ptr<FadeQuad> fadeQuad;
    std::vector<BandStep> bands;
    float segmentSine[kRingSteps + 1] = {};
    float segmentCosine[kRingSteps + 1] = {};
    // Per-frame scratch: the x offset of each segment and the y offset of each ring edge.
    float segmentWobble[kRingSteps] = {};
    float ringWobbleY[kRingCount + 1] = {};
};
