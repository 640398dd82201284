#include "sequence/KeyboardMotionController.h"

#include "platform/KeyCode.h"

#include "sequence/AbstractSceneObject.h"

namespace {

enum class Target { Position, Rotation };

struct KeyBinding {
    int key;
    Target target;
    int axis;
    float step;
};

// R/Y move along x, 5/B along y, T/G along z; H/F turn about y.
constexpr KeyBinding kKeyBindings[] = {
    {KeyCode::letter('R'), Target::Position, 0, 0.1f}, {KeyCode::letter('Y'), Target::Position, 0, -0.1f},
    {KeyCode::digit(5), Target::Position, 1, 0.1f},    {KeyCode::letter('B'), Target::Position, 1, -0.1f},
    {KeyCode::letter('T'), Target::Position, 2, 0.1f}, {KeyCode::letter('G'), Target::Position, 2, -0.1f},
    {KeyCode::letter('H'), Target::Rotation, 1, 0.5f}, {KeyCode::letter('F'), Target::Rotation, 1, -0.5f},
};

} // namespace

void KeyboardMotionController::handleKey(int key)
{
    if (scene == nullptr) {
        return;
    }
    for (const KeyBinding& binding : kKeyBindings) {
        if (binding.key == key) {
            float* values = binding.target == Target::Position ? scene->getPosition() : scene->getRotation();
            values[binding.axis] += binding.step;
        }
    }
}

void KeyboardMotionController::setSceneRotation(const float* rotation)
{
    float* target = scene->getRotation();
    for (int i = 0; i < 3; ++i) {
        target[i] = rotation[i];
    }
}

void KeyboardMotionController::setScenePosition(const float* position)
{
    float* target = scene->getPosition();
    for (int i = 0; i < 3; ++i) {
        target[i] = position[i];
    }
}

void KeyboardMotionController::setScene(AbstractSceneObject* newScene) { scene = newScene; }
