#pragma once

#include "math/Vector3.h"
#include "sequence/AbstractSceneObject.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class FadeQuad;
class MeshObject;

// The intro: a chrome ball builds itself from its own triangles, which rain down from above and rise
// from below onto their places, while it glides away; then a spiked ring appears around it, the logo
// fades in, ripples and falls apart in strips, and everything bursts while the picture fades to white.
class RainBallScene : public AbstractSceneObject {
public:
    static constexpr int kSpikeCount = 11;

    explicit RainBallScene(const float* timeValue);
    ~RainBallScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;

    // The per-frame rewrites of the meshes, from the time value; no GL.
    // A triangle's offset along y from its place, 0 once it has arrived. While any triangle is on its
    // way the ring stays hidden.
    float landingOffset(float start, float velocity, float acceleration);
    void rainBall();
    // Ball, ring and spikes fly apart a little further every frame.
    void scatter();
    // Moves every logo strip down by its share of `elapsed`; applied every frame, so the fall accumulates.
    void dropStrips(float elapsed);
    void setLogoAlpha(float alpha);
    // Rewrites the z of the logo grid for a ripple `elapsed` seconds old (flat at 0 and 3 s).
    void rippleLogo(float elapsed);
    // Accumulates the tumble of ring and spikes; true inside the two whip windows.
    bool tumbleRing();

protected:
    // The distinct values one coordinate of the logo grid takes, which vertex has which, and this
    // frame's ripple factor for each value.
    struct RippleAxis {
        std::vector<float> values;
        std::vector<std::uint16_t> slotOfVertex;
        std::vector<float> wave;
    };

    void act(int kind, float now);
    void prepareRipple();
    void drawRingAndSpikes(float now, const Vector3& glide);

    std::unique_ptr<MeshObject> ball;
    std::vector<float> ballRestVertices;
    std::vector<float> triangleStart;
    std::vector<float> triangleVelocity;
    std::vector<float> triangleAcceleration;
    std::unique_ptr<MeshObject> ring;
    std::array<std::unique_ptr<MeshObject>, kSpikeCount> spikes;
    std::unique_ptr<MeshObject> logoStrips;
    std::unique_ptr<MeshObject> logoGrid;
    RippleAxis rippleColumns; // x
    RippleAxis rippleRows;    // y
    std::unique_ptr<FadeQuad> fadeQuad;
    std::vector<Vector3> spikeScatter;
    std::vector<Vector3> ringScatter;
    std::vector<Vector3> ballScatter;
    bool logoVisible = false;
    bool logoFadeActive = false;
    float logoFadeTime = 0.0f;
    bool rippleActive = false;
    float rippleTime = 0.0f;
    bool stripFallActive = false;
    float stripFallTime = 0.0f;
    bool burstActive = false;
    float burstTime = 0.0f;
    float ringAngleX = 0.0f;
    float ringAngleY = 0.0f;
};
