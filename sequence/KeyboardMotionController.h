#pragma once

#include "sequence/AbstractMotionController.h"

// Moves the scene by 0.1 and turns it by 0.5 degrees per key press, one key up and one down per axis.
class KeyboardMotionController : public AbstractMotionController {
public:
    void handleKey(int key) override;
    void setSceneRotation(const float* rotation) override;
    void setScenePosition(const float* position) override;
    void setScene(AbstractSceneObject* newScene) override;

private:
    AbstractSceneObject* scene = nullptr; // not owned
};
