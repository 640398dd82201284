#pragma once

#include "sequence/AbstractInputController.h"

class AbstractSceneObject;

// Forwards keys to one scene, then logs them. The scene is set once and does not follow the timeline.
class KeyboardInputController : public AbstractInputController {
public:
    void keyPressed(int key) override;
    void keyReleased(int key) override;

    AbstractSceneObject* scene = nullptr; // not owned
};
