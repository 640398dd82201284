#include "geometry/GraphicsObject.h"

#include "math/Matrix4.h"

#include <algorithm>
#include <cmath>


void GraphicsObject::setParent(GraphicsObject* newParent) { parent = newParent; }
GraphicsObject* GraphicsObject::getParent() { return parent; }
GraphicsObject::ChildList* GraphicsObject::getChildren() { return &children; }

void GraphicsObject::addChild(GraphicsObject* child)
{
    child->setParent(this);
    children.push_back(child);
}

// Removes every occurrence; the child's parent is left as it was.
void GraphicsObject::removeChild(GraphicsObject* child)
{
    children.erase(std::remove(children.begin(), children.end(), child), children.end());
}

void GraphicsObject::removeChildAt(unsigned index)
{
    children.at(index); // throws std::out_of_range like getChild
    children.erase(children.begin() + index);
}

GraphicsObject* GraphicsObject::getChild(unsigned index) { return children.at(index); }
unsigned GraphicsObject::getChildCount() { return static_cast<unsigned>(children.size()); }
GraphicsObject::ChildList* GraphicsObject::getChildList() { return &children; }

void GraphicsObject::setPosition(const Vector3& newPosition) { position = newPosition; }
void GraphicsObject::setPosition(float x, float y, float z) { position = {x, y, z}; }
void GraphicsObject::setRotation(const Vector3& newRotation) { rotation = newRotation; }
void GraphicsObject::setRotation(float x, float y, float z) { rotation = {x, y, z}; }
void GraphicsObject::setScale(const Vector3& newScale) { scale = newScale; }
void GraphicsObject::setScale(float x, float y, float z) { scale = {x, y, z}; }
Vector3 GraphicsObject::getPosition() { return position; }
Vector3 GraphicsObject::getRotation() { return rotation; }
Vector3 GraphicsObject::getScale() { return scale; }

float* GraphicsObject::getMatrix() { return matrix; }
Vector3 GraphicsObject::getMatrixTranslation() { return {matrix[12], matrix[13], matrix[14]}; }
Vector3 GraphicsObject::getMatrixDiagonal() { return {matrix[0], matrix[5], matrix[10]}; }

// matrix = parent × T(position) · R · S, with R built through a quaternion and its angle-axis form.
void GraphicsObject::updateMatrix()
{
    float scaleMatrix[16] = {};
    scaleMatrix[0] = scale.x;
    scaleMatrix[5] = scale.y;
    scaleMatrix[10] = scale.z;
    scaleMatrix[15] = 1.0f;

    const float ax = rotation.x * 3.1415927f / 180.0f;
    const float ay = rotation.y * 3.1415927f / 180.0f;
    const float az = rotation.z * 3.1415927f / 180.0f;
    const float cx = std::cos(ax / 2.0f), sx = std::sin(ax / 2.0f);
    const float cy = std::cos(ay / 2.0f), sy = std::sin(ay / 2.0f);
    const float cz = std::cos(az / 2.0f), sz = std::sin(az / 2.0f);
    float qw = cx * cy * cz + sx * sy * sz;
    float qx = sx * cy * cz - cx * sy * sz;
    float qy = cx * sy * cz + sx * cy * sz;
    float qz = cx * cy * sz - sx * sy * cz;
    const float length = std::sqrt(qw * qw + qx * qx + qy * qy + qz * qz);
    if (length == 0.0f) {
        qw = 1.0f;
    } else {
        qw /= length;
        qx /= length;
        qy /= length;
        qz /= length;
    }

    float angle = 0.0f;
    float axisX = 0.0f, axisY = 0.0f, axisZ = 1.0f;
    const float s = std::sqrt(qx * qx + qy * qy + qz * qz);
    if (s != 0.0f) {
        // Rounding can leave w a hair above 1, where acos would give NaN.
        angle = 2.0f * std::acos(std::clamp(qw, -1.0f, 1.0f));
        axisX = qx / s;
        axisY = qy / s;
        axisZ = qz / s;
        const float axisLength = std::sqrt(axisX * axisX + axisY * axisY + axisZ * axisZ);
        axisX /= axisLength;
        axisY /= axisLength;
        axisZ /= axisLength;
    }

    float rotationPart[16];
    Matrix4::rotation(angle, axisX, axisY, axisZ, rotationPart);
    Matrix4::multiply(rotationPart, scaleMatrix, matrix);
    matrix[12] = position.x;
    matrix[13] = position.y;
    matrix[14] = position.z;
    matrix[15] = 1.0f;

    if (parent != nullptr) {
        float local[16];
        std::copy(matrix, matrix + 16, local);
        Matrix4::multiply(parent->getMatrix(), local, matrix);
    }
}
