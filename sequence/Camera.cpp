#include "sequence/Camera.h"

#include "gl/GL.h"

void Camera::reset(bool resetPosition)
{
    if (resetPosition) {
        position = {0.0f, 0.0f, 0.0f};
    }
    up = {0.0f, 1.0f, 0.0f};
    forward = {0.0f, 0.0f, -1.0f};
}

void Camera::setViewParameters(float a, float b, float c, float d, float e, float f)
{
    const float values[6] = {a, b, c, d, e, f};
    for (int i = 0; i < 6; ++i) {
        viewParameters[i] = values[i];
    }
}

void Camera::loadIdentity() { gl::loadIdentity(); }
void Camera::setPosition(float x, float y, float z) { position = {x, y, z}; }
void Camera::moveForward(float distance) { position = position + forward * distance; }
void Camera::moveUp(float distance) { position = position + up * distance; }
void Camera::strafe(float distance) { position = position + cross(up, forward) * distance; }

void Camera::getRotationMatrix(float* matrix) const
{
    const Vector3 side = cross(forward, up);
    const Vector3 back = -forward;
    const float rows[3][3] = {{side.x, side.y, side.z}, {up.x, up.y, up.z}, {back.x, back.y, back.z}};
    for (int i = 0; i < 16; ++i) {
        matrix[i] = 0.0f;
    }
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            matrix[column * 4 + row] = rows[row][column];
        }
    }
    matrix[15] = 1.0f;
}
