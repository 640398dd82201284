#pragma once

#include "effects/sync/MultiBallSync.h"
#include "sequence/AbstractSceneObject.h"

#include <memory>

class InstanceBatch;
class MeshObject;

// A cloud of 3456 small wireframe balls that snaps from shape to shape on the beat: sphere, cube
// surface, cylinder, cone. Ball k always takes vertex k of each shape, scaled by five.
class MultiBallScene : public AbstractSceneObject {
public:
    static constexpr int kBallCount = 3456;
    static constexpr float kShapeScale = 5.0f;
    static constexpr float kMorphDuration = 0.3f;

    explicit MultiBallScene(const float* timeValue);
    ~MultiBallScene() override;

    bool load() override;
    void start() override;
    void render() override;
    void stop() override;
    void keyPressed(int key) override;

    // Starts the next step of the morph table from its own source shape.
    void nextMorph();
    // Places every ball at elapsed / duration of the way from the source to the target shape.
    void morphStep(float duration, float elapsed);

    // The vertex array of a shape (three floats per ball), after load.
    const float* shapeVertices(MorphShape shape) const;
    Vector3 ballPosition(int ball) const;
    int getMorphIndex() const { return morphIndex; }
    bool isMorphing() const { return morphActive; }

private:
    // Only the vertex arrays are used; the shape meshes are never drawn.
    std::unique_ptr<MeshObject> shapeMeshes[4];
    std::unique_ptr<InstanceBatch> balls;
    const float* shapeSphere = nullptr;
    const float* shapeCone = nullptr;
    const float* shapeCylinder = nullptr;
    const float* shapeCube = nullptr;
    unsigned ballCount = 0;
    const float* morphFrom[kMorphStepCount] = {};
    const float* morphTo[kMorphStepCount] = {};
    int morphIndex = 0;
    bool morphActive = false;
    float morphStart = 0.0f;
    const float* morphSource = nullptr;
    const float* morphTarget = nullptr;
    float lightPosition[4] = {-7.0f, -2.5f, 10.0f, 1.0f};
};
