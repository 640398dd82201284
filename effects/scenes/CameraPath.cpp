#include "effects/scenes/CameraPath.h"

#include "sequence/Camera.h"

#include <cmath>

namespace {

// Durations shrink by 1 / (pointCount × 0.8) of the first one per segment.
constexpr float kShrinkSpan = 0.8f;
// The path's last three points only shape the curve of the segments before them.
constexpr int kPointsPastLastSegment = 4;

Vector3 normalised(const Vector3& v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

} // namespace

void CameraPath::addPoint(const Vector3& position, const Vector3& target, int level)
{
    points.push_back({position, target, level});
}

void CameraPath::setLastTarget(const Vector3& target) { points.back().target = target; }

void CameraPath::restart(float now)
{
    segment = 0;
    segmentStart = now;
}

float CameraPath::segmentDuration(int index) const
{
    const float pointCount = static_cast<float>(points.size());
    return (1.0f - static_cast<float>(index) / (pointCount * kShrinkSpan)) * kFirstSegmentDuration;
}

bool CameraPath::isFlyable(int index) const
{
    return index < getPointCount() - kPointsPastLastSegment && segmentDuration(index) > 0.0f;
}

int CameraPath::update(Camera& camera, float now)
{
    // At the end of the flight the camera holds its last place, at the level of the point it reached.
    if (segment >= getPointCount() - kPointsPastLastSegment) {
        return 0;
    }
    if (!isFlyable(segment)) {
        return points[segment].level;
    }
    // Time spent past a boundary counts towards the next segment, at that segment's own length, so a
    // stalled frame lands where a smooth run would be.
    float duration = segmentDuration(segment);
    float elapsed = now - segmentStart;
    if (elapsed >= duration) {
        while (elapsed >= duration) {
            if (!isFlyable(segment + 1)) {
                place(camera, segment, 1.0f, 1.0f);
                ++segment;
                return segment < getPointCount() - kPointsPastLastSegment ? points[segment].level : 0;
            }
            elapsed -= duration;
            ++segment;
            duration = segmentDuration(segment);
        }
        segmentStart = now - elapsed;
    }
    const float u = elapsed / duration;
    const float f = std::fmod(now - segmentStart, duration) / duration;
    place(camera, segment, u, f);
    return points[segment].level;
}

// A quadratic curve from P0 to P1 whose control point blends the way in (P0 mirrored about Pm) with
// the point after next; the view slides from P0's target to P1's.
void CameraPath::place(Camera& camera, int index, float u, float f) const
{
    const Vector3& p0 = points[index].position;
    const Vector3& p1 = points[index + 1].position;
    const Vector3& p2 = points[index + 2].position;
    const Vector3& previous = points[index > 0 ? index - 1 : 0].position;
    const Vector3 a = p0 + (p0 - previous);
    const Vector3 b = p1 + (p2 - p1);
    const Vector3 control = (a + b) * 0.5f;
    const float v = 1.0f - u;
    const Vector3 position = control * (2.0f * u * v) + p0 * (v * v) + p1 * (u * u);
    camera.setPosition(position.x, position.y, position.z);
    const Vector3 target = (points[index].target * (2.0f - 2.0f * f) + points[index + 1].target * (2.0f * f)) * 0.5f;
    lookAt(camera, target.x, target.y, target.z);
}

void lookAt(Camera& camera, float x, float y, float z)
{
    const Vector3 toTarget = Vector3{x, y, z} - camera.position;
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
