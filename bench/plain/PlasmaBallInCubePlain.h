#pragma once

#include "sequence/TimedEvent.h"

#include <cstddef>
#include <vector>

class PlasmaBallInCubeScene;

// The plasma ball in the cube computed the obvious way, one loop per mesh, for comparison with the
// scene's own loops. Every array is the caller's: positions three floats a vertex, colours four.
namespace plain {

constexpr int kCubeFaceCount = 6;

// Recolours the six walls for the pattern at phase u; a wall's colour i follows its own vertex i.
void colorCubeWalls(const float* const* faceVertices, float* const* faceColors, int vertexCount, float phase);
// Pushes every ball vertex out from its rest position along the seven-wave sum for music time t, and
// colours it from the same displacement; alpha is left alone.
void displaceCubeBall(const float* restVertices, int vertexCount, float plasmaStep, float timeDivisor, float t,
                      float* vertices, float* colors);
// The overlay's colours: every colour inverted, with the given alpha.
void invertCubeBallColors(float* colors, int colorCount, float alpha);

// What a frame carries to the next: the values the scene's load leaves.
struct CubeFrameState {
    std::size_t nextEvent = 0;
    float plasmaStep = 1.0f;
    float timeDivisor = 1.0f;
    bool stretchActive = false;
    float stretchTime = 0.0f;
    bool wireActive = false;
    float wireTime = 0.0f;
    bool fadeActive = false;
    float fadeTime = 0.0f;
};

// The arrays a frame reads and writes.
struct CubeFrameArrays {
    const float* faceVertices[kCubeFaceCount] = {};
    float* faceColors[kCubeFaceCount] = {};
    int faceVertexCount = 0;
    const float* restVertices = nullptr;
    float* ballVertices = nullptr;
    float* ballColors = nullptr;
    int ballVertexCount = 0;
};

// One frame's processor work at music time t: the due event (one at most), the walls, the ball, then the
// time stretch, which the next frame's ball uses.
void cubeFrame(CubeFrameState& state, const TimedEvent* events, std::size_t eventCount, float startTime, float t,
               const CubeFrameArrays& arrays);

// Arrays of their own for the plain loops, taken from a loaded scene: the ball's rest positions as loaded
// and copies of its positions and of every colour. The walls' positions are the scene's, as nothing moves them.
class CubeArrayCopies {
public:
    explicit CubeArrayCopies(PlasmaBallInCubeScene& scene);
    CubeArrayCopies(const CubeArrayCopies&) = delete;
    CubeArrayCopies& operator=(const CubeArrayCopies&) = delete;

    std::vector<float> rest;
    std::vector<float> ballVertices;
    std::vector<float> ballColors;
    std::vector<float> faceColors[kCubeFaceCount];
    // Points into the vectors above.
    CubeFrameArrays arrays;
};

} // namespace plain
