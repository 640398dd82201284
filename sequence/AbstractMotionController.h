#pragma once

class AbstractSceneObject;

// Moves and turns a scene from outside.
class AbstractMotionController {
public:
    virtual ~AbstractMotionController() = default;
    virtual void handleKey(int key) = 0;
    virtual void setSceneRotation(const float* rotation) = 0;
    virtual void setScenePosition(const float* position) = 0;
    virtual void setScene(AbstractSceneObject* scene) = 0;
};
