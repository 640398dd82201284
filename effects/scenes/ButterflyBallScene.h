#pragma once

#include "sequence/AbstractSceneObject.h"

#include <vector>

class MeshObject;

// A large ball cut into pairs of triangles that flap in and out through its centre like wings, each
// pair with its own phase, while their colours cycle; the camera backs away from inside the ball.
// Every frame is computed from the time alone; nothing accumulates.
class ButterflyBallScene : public AbstractSceneObject {
public:
    explicit ButterflyBallScene(const float* timeValue);

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;

    // Rewrites the ball's vertex colours and wing positions for music time `now`; no drawing.
    void animateBall(float now);

    MeshObject* getBall() { return ball; }
    const std::vector<float>& getRestVertices() const { return restVertices; }
    int getPairCount() const { return pairCount; }
    float getWingFactor(int pair) const { return wingFactor.at(static_cast<std::size_t>(pair)); }

private:
    MeshObject* ball = nullptr; // the only entry of objects
    std::vector<float> restVertices;
    int pairCount = 0;
    std::vector<float> wingFactor;
};
