#pragma once

#include "sequence/Camera.h"
#include "sequence/TimedEvent.h"

#include <cstdint>
#include <vector>

class GraphicsObject;

// The base of every scene. The loader constructs all scenes at start-up, calls load once per scene
// behind the progress bar, and the timeline calls start, render every frame, then stop.
class AbstractSceneObject {
public:
    explicit AbstractSceneObject(const float* timeValue);
    AbstractSceneObject(const AbstractSceneObject&) = delete;
    AbstractSceneObject& operator=(const AbstractSceneObject&) = delete;

    virtual bool load() = 0;
    virtual void start() = 0;
    virtual void render() = 0;
    virtual void stop() = 0;
    virtual ~AbstractSceneObject();
    virtual Camera* getCamera();
    virtual unsigned getObjectCount();
    virtual void setPosition(float x, float y, float z);
    virtual float* getPosition();
    virtual void setRotation(float x, float y, float z);
    virtual float* getRotation();
    virtual void keyPressed(int key);
    virtual void keyReleased(int key);
    virtual void reservedHook();
    virtual unsigned getPolygonCount();

    // Orders the events by time; equal times may come out in either order.
    void sortEvents();

protected:
    void addEvent(float time, int kind);
    // The next event once the clock has reached it, or null. Each call fires at most one,
    // so events due together fire on consecutive frames.
    const TimedEvent* takeDueEvent();

    std::uint32_t nextEvent = 0;
    const float* timeValue;
    float startTime;
    std::vector<GraphicsObject*> objects; // owned
    float position[3] = {0.0f, 0.0f, 0.0f};
    float rotation[3] = {0.0f, 0.0f, 0.0f};
    Camera camera;
    std::vector<TimedEvent> events;
};
