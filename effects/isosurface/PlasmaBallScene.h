#pragma once

#include "sequence/AbstractSceneObject.h"

#include <vector>

class MeshObject;

// One tumbling wireframe ball, lit and blended additively, pushed in and out by seven multiplied waves
// whose clock runs backwards from the scene's start towards zero.
class PlasmaBallScene : public AbstractSceneObject {
public:
    explicit PlasmaBallScene(const float* timeValue);

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;

    // Starts the wound-back clock at music time `time`; start calls it after setting the GL state.
    void startClock(float time);
    // The wound-back clock at music time t: the start time at the start, falling towards zero.
    float windTime(float t) const;
    // Pushes every ball vertex out along its rest direction and colours it, for music time t. No GL.
    void displaceBall(float t);

    MeshObject* getBall() { return plasmaSphere; }

private:
    std::vector<float> sphereRestVertices;
    float timeScale = 1.0f;
    MeshObject* plasmaSphere = nullptr; // in the object list, which owns it
};
