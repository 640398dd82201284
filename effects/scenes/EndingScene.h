#pragma once

#include "sequence/AbstractSceneObject.h"

class MeshObject;

// The last scene: the spiky ball on black fades out, then the program is asked to end.
class EndingScene : public AbstractSceneObject {
public:
    explicit EndingScene(const float* timeValue);
    ~EndingScene() override;

    bool load() override;
    void start() override;
    void render() override;
    // Posts the quit message; render calls it in every frame from the quit time on.
    void stop() override;
    // Space starts the fade early; the fade stays anchored to its start time, so the square stays opaque until then.
    void keyPressed(int key) override;

    // Alpha of the square at music time t once fading: linear from 1, never below 0.
    static float fadeAlpha(float t);

private:
    bool fading = false;
    MeshObject* spike = nullptr; // owned; not in the object list
};
