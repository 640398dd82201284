#pragma once

#include "math/Vector3.h"

// Eye position with up and forward vectors. The vectors are kept as given, never normalised.
class Camera {
public:
    virtual ~Camera() = default;

    virtual void reset(bool resetPosition);
    virtual void setViewParameters(float a, float b, float c, float d, float e, float f);
    virtual void loadIdentity();
    virtual void setPosition(float x, float y, float z);
    virtual void moveForward(float distance);
    virtual void moveUp(float distance);
    virtual void strafe(float distance);

    // Column-major view rotation: rows are side (forward × up), up and back (−forward); no translation.
    void getRotationMatrix(float* matrix) const;

    Vector3 position{0.0f, 0.0f, 0.0f};
    Vector3 up{0.0f, 1.0f, 0.0f};
    Vector3 forward{0.0f, 0.0f, -1.0f};
    float viewParameters[6] = {1.0f, 2.0f, -0.5f, 0.5f, -0.5f, 0.5f};
};
