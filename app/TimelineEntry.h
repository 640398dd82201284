#pragma once

class AbstractSceneObject;

// One row of the play order: the scene is current until the music reaches `end`.
struct TimelineEntry {
    AbstractSceneObject* scene = nullptr; // not owned
    float start = 0.0f;
    float end = 0.0f;
};
