#pragma once

#include "effects/scenes/RainBallScene.h"
#include "math/Vector3.h"

#include <cstdint>
#include <vector>

class MeshObject;

// The intro's per-frame mesh rewrites, written the plain way: one loop per rewrite, every term
// evaluated where its formula uses it.
namespace plain {

// A triangle's offset along y at time `now`, 0 once it has arrived; while it is on its way it clears
// `ringShown`.
float landingOffset(float start, float velocity, float acceleration, float now, bool& ringShown);

// Puts the y of every ball vertex at its rest value plus its triangle's landing offset.
void rainBall(float* vertices, int vertexCount, const float* restVertices, const float* triangleStart,
              const float* triangleVelocity, const float* triangleAcceleration, float now, bool& ringShown);

// Adds direction[k]·now/10 to vertex k of every mesh; meshes[i] takes directions[i], which holds one
// direction per vertex of that mesh.
void scatter(MeshObject* const* meshes, const Vector3* const* directions, int meshCount, float now);

// Lowers every strip (two triangles, six corners found through the index array) by (800 − 2m)·elapsed/300.
void dropStrips(float* vertices, const std::uint32_t* indices, int triangleCount, float elapsed);

void setAlpha(float* colors, int colorCount, float alpha);

// Rewrites the z of every vertex of the logo grid from its own x and y for a ripple `elapsed` seconds old.
void rippleLogo(float* vertices, int vertexCount, float elapsed);

// The intro scene with the meshes and arrays its loops work on opened to the plain versions.
class RainBallParts : public RainBallScene {
public:
    using RainBallScene::RainBallScene;
    using RainBallScene::ball;
    using RainBallScene::ballRestVertices;
    using RainBallScene::ballScatter;
    using RainBallScene::logoGrid;
    using RainBallScene::logoStrips;
    using RainBallScene::logoVisible;
    using RainBallScene::ring;
    using RainBallScene::ringScatter;
    using RainBallScene::spikes;
    using RainBallScene::spikeScatter;
    using RainBallScene::triangleAcceleration;
    using RainBallScene::triangleStart;
    using RainBallScene::triangleVelocity;

    // Spikes, ring and ball, in the order scatter takes them, with the directions each one takes.
    std::vector<MeshObject*> burstMeshes();
    std::vector<const Vector3*> burstDirections() const;
};

} // namespace plain
