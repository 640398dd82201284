#pragma once

#include <functional>
#include <vector>

class AbstractSceneObject;

// A scene of the show and the timeline row it plays at.
struct SceneRow {
    int timelineIndex; // 1 … 13
    std::function<AbstractSceneObject*(const float* timeValue)> create;
};

// The show's scenes in timeline order. A row appears once its scene exists.
const std::vector<SceneRow>& showScenes();
