#include "sequence/KeyboardInputController.h"

#include "sequence/AbstractSceneObject.h"

#include <cstdio>

void KeyboardInputController::keyPressed(int key)
{
    if (scene != nullptr) {
        scene->keyPressed(key);
    }
    std::printf("Input pressed! : %d\n", key);
}

void KeyboardInputController::keyReleased(int key)
{
    if (scene != nullptr) {
        scene->keyReleased(key);
    }
    std::printf("Input released! : %d\n", key);
}
