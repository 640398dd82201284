#pragma once

#include "sequence/AbstractSceneObject.h"

class MeshObject;

// The flight through ten spinning wire rings, each framing a credits or greetings panel.
class GreetingsScene : public AbstractSceneObject {
public:
    static constexpr int kPanelCount = 10;

    explicit GreetingsScene(const float* timeValue);
    ~GreetingsScene() override;

    // Adds the scene's own ten images to the texture table, after the loader's.
    bool load() override;
    void start() override;
    void render() override;
    void stop() override;

private:
    MeshObject* tubes[kPanelCount] = {};  // owned
    MeshObject* panels[kPanelCount] = {}; // owned
    float elapsed = 0.0f;
    float cameraZ = 0.0f;
};
