#include "plain/RecursiveBallPlain.h"

#include "geometry/RecursiveSphereObject.h"
#include "sequence/Camera.h"

#include <cmath>

namespace plain {

namespace {

Vector3 normalised(const Vector3& v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

float segmentDuration(int segment, int pointCount)
{
    return (1.0f - static_cast<float>(segment) / (static_cast<float>(pointCount) * 0.8f)) * 3.0f;
}

// Each coordinate on the quadratic curve from p0 to p1 with control point k.
float curve(float k, float p0, float p1, float u)
{
    return k * 2.0f * u * (1.0f - u) + p0 * ((1.0f - u) * (1.0f - u)) + p1 * (u * u);
}

void placeCamera(const PathPoint* points, int s, float u, float f, Camera& camera)
{
    const Vector3 p0 = points[s].position;
    const Vector3 p1 = points[s + 1].position;
    const Vector3 p2 = points[s + 2].position;
    const Vector3 pm = points[s > 0 ? s - 1 : 0].position;
    const Vector3 a = p0 + (p0 - pm);
    const Vector3 b = p1 + (p2 - p1);
    const Vector3 k = (a + b) * 0.5f;
    camera.setPosition(curve(k.x, p0.x, p1.x, u), curve(k.y, p0.y, p1.y, u), curve(k.z, p0.z, p1.z, u));
    const Vector3 target = (points[s].target * (2.0f - 2.0f * f) + points[s + 1].target * (2.0f * f)) * 0.5f;
    plain::lookAt(camera, target.x, target.y, target.z);
}

} // namespace

void walkTree(RecursiveSphereObject& node, int minLevel, int level,
              const std::function<void(RecursiveSphereObject&)>& visit)
{
    if (level < minLevel && !node.isOnPath()) {
        return;
    }
    const int d = level - minLevel;
    if (d > 5) {
        return;
    }
    visit(node);
    for (GraphicsObject* child : *node.getChildren()) {
        walkTree(*static_cast<RecursiveSphereObject*>(child), minLevel, level + 1, visit);
    }
}

void lookAt(Camera& camera, float x, float y, float z)
{
    const Vector3 toTarget{x - camera.position.x, y - camera.position.y, z - camera.position.z};
    if (toTarget.x == 0.0f && toTarget.y == 0.0f && toTarget.z == 0.0f) {
        return;
    }
    const Vector3 forward = normalised(toTarget);
    Vector3 up{0.0f, 1.0f, 0.0f};
    if (std::fabs(forward.x) < 1e-6f && std::fabs(forward.z) < 1e-6f) {
        up = forward.y > 0.0f ? Vector3{0.0f, 0.0f, -1.0f} : Vector3{0.0f, 0.0f, 1.0f};
    }
    const Vector3 side = normalised(cross(up, forward));
    camera.forward = forward;
    camera.up = normalised(cross(forward, side));
}

int updateCamera(const PathPoint* points, int pointCount, int& segment, float& segmentStart, Camera& camera,
                 float now)
{
    const int lastSegment = pointCount - 4; // the last points only shape the curve before them
    if (segment >= lastSegment) {
        return 0;
    }
    float d = segmentDuration(segment, pointCount);
    if (d <= 0.0f) {
        return points[segment].level;
    }
    float elapsed = now - segmentStart;
    if (elapsed >= d) {
        while (elapsed >= d) {
            const int next = segment + 1;
            if (next >= lastSegment || segmentDuration(next, pointCount) <= 0.0f) {
                // The flight ends on the end of its last segment.
                placeCamera(points, segment, 1.0f, 1.0f, camera);
                segment = next;
                return next < lastSegment ? points[next].level : 0;
            }
            elapsed -= d;
            segment = next;
            d = segmentDuration(segment, pointCount);
        }
        segmentStart = now - elapsed;
    }
    const float u = elapsed / d;
    const float f = std::fmod(now - segmentStart, d) / d;
    placeCamera(points, segment, u, f, camera);
    return points[segment].level;
}

} // namespace plain
