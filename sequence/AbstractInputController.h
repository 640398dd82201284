#pragma once

// Receives key presses and releases (Windows virtual-key codes) on behalf of a scene.
class AbstractInputController {
public:
    virtual ~AbstractInputController() = default;
    virtual void keyPressed(int key) = 0;
    virtual void keyReleased(int key) = 0;
};
