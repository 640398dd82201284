#include "sequence/AbstractSceneObject.h"

#include "geometry/GraphicsObject.h"

#include <algorithm>

AbstractSceneObject::AbstractSceneObject(const float* timeValue) : timeValue(timeValue), startTime(*timeValue) {}

AbstractSceneObject::~AbstractSceneObject()
{
    for (GraphicsObject* object : objects) {
        delete object;
    }
}

Camera* AbstractSceneObject::getCamera() { return &camera; }
unsigned AbstractSceneObject::getObjectCount() { return static_cast<unsigned>(objects.size()); }

void AbstractSceneObject::setPosition(float x, float y, float z)
{
    position[0] = x;
    position[1] = y;
    position[2] = z;
}

float* AbstractSceneObject::getPosition() { return position; }

void AbstractSceneObject::setRotation(float x, float y, float z)
{
    rotation[0] = x;
    rotation[1] = y;
    rotation[2] = z;
}

float* AbstractSceneObject::getRotation() { return rotation; }
void AbstractSceneObject::keyPressed(int) {}
void AbstractSceneObject::keyReleased(int) {}
void AbstractSceneObject::reservedHook() {}

unsigned AbstractSceneObject::getPolygonCount()
{
    unsigned count = 0;
    for (GraphicsObject* object : objects) {
        count += object->getPolygonCount();
    }
    return count;
}

void AbstractSceneObject::sortEvents()
{
    std::sort(events.begin(), events.end(),
              [](const TimedEvent& a, const TimedEvent& b) { return a.time < b.time; });
}

void AbstractSceneObject::addEvent(float time, int kind) { events.push_back({time, kind}); }

const TimedEvent* AbstractSceneObject::takeDueEvent()
{
    if (nextEvent >= events.size() || *timeValue < events[nextEvent].time) {
        return nullptr;
    }
    return &events[nextEvent++];
}
