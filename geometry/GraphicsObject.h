#pragma once

#include "math/Vector3.h"

#include <vector>

// A drawable node: position, Euler rotation (degrees, X then Y then Z about fixed axes), scale,
// a cached column-major model matrix and a list of children it does not own.
class GraphicsObject {
public:
    using ChildList = std::vector<GraphicsObject*>;

    GraphicsObject() = default;
    GraphicsObject(const GraphicsObject&) = delete;
    GraphicsObject& operator=(const GraphicsObject&) = delete;
    virtual ~GraphicsObject() = default;

    virtual void setParent(GraphicsObject* newParent);
    virtual GraphicsObject* getParent();
    virtual ChildList* getChildren();
    virtual void addChild(GraphicsObject* child);
    virtual void removeChild(GraphicsObject* child);
    virtual void removeChildAt(unsigned index);
    virtual GraphicsObject* getChild(unsigned index);
    virtual unsigned getChildCount();
    virtual ChildList* getChildList();
    virtual void setPosition(const Vector3& newPosition);
    virtual void setPosition(float x, float y, float z);
    virtual void setRotation(const Vector3& newRotation);
    virtual void setRotation(float x, float y, float z);
    virtual void setScale(const Vector3& newScale);
    virtual void setScale(float x, float y, float z);
    virtual Vector3 getPosition();
    virtual Vector3 getRotation();
    virtual Vector3 getScale();
    virtual void draw() = 0;
    virtual void drawTransformed() = 0;
    virtual void drawChildren() = 0;
    virtual unsigned getPolygonCount() = 0;
    virtual float* getMatrix();
    virtual Vector3 getMatrixTranslation();
    virtual Vector3 getMatrixDiagonal();
    virtual void updateMatrix();

protected:
    GraphicsObject* parent = nullptr;
    ChildList children;
    Vector3 rotation{0.0f, 0.0f, 0.0f};
    Vector3 scale{1.0f, 1.0f, 1.0f};
    Vector3 position{0.0f, 0.0f, 0.0f};
    // All zero, not identity, until the first updateMatrix.
    float matrix[16] = {};
};
