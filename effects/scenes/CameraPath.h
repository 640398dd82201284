#pragma once

#include "math/Vector3.h"

#include <vector>

class Camera;

// One point of a camera flight: where the camera passes, what it looks at while it leaves the
// point, and the tree level it is at by then.
struct PathPoint {
    Vector3 position;
    Vector3 target;
    int level = 0;
};

// A flight through a list of points, one curved segment after another, each segment a little
// shorter than the last. The camera's place depends on the time only, not on the frame rate.
class CameraPath {
public:
    static constexpr float kFirstSegmentDuration = 3.0f;

    void addPoint(const Vector3& position, const Vector3& target, int level);
    void setLastTarget(const Vector3& target);
    int getPointCount() const { return static_cast<int>(points.size()); }
    const PathPoint& getPoint(int index) const { return points.at(static_cast<std::size_t>(index)); }

    // Starts the flight at the first segment at time `now`.
    void restart(float now);
    // Places and turns the camera for time `now`; returns the tree level the camera flies at.
    int update(Camera& camera, float now);
    // Seconds the segment takes; zero or less once the shrinking has run its course.
    float segmentDuration(int segment) const;

    int getSegment() const { return segment; }
    float getSegmentStart() const { return segmentStart; }

private:
    // The segments that can be flown: each needs two points beyond its end, and a positive duration.
    bool isFlyable(int segment) const;
    void place(Camera& camera, int segment, float u, float f) const;

    std::vector<PathPoint> points;
    int segment = 0;
    float segmentStart = 0.0f;
};

// Turns the camera towards (x, y, z) without moving it: up stays as near +y as it can. A target on
// the camera's own position leaves the camera as it is.
void lookAt(Camera& camera, float x, float y, float z);
