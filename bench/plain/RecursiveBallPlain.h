#pragma once

#include "effects/scenes/CameraPath.h"

#include <functional>

class Camera;
class RecursiveSphereObject;

// The sphere tree's frame work, written the plain way: a recursive walk through the level window and
// the camera's place on its curved path, each from its formula.
namespace plain {

// Calls visit(node) for this node and every node below it inside the level window, parents first.
void walkTree(RecursiveSphereObject& node, int minLevel, int level,
              const std::function<void(RecursiveSphereObject&)>& visit);

// Turns the camera towards (x, y, z) without moving it; a target on the camera's own position leaves it as
// it is.
void lookAt(Camera& camera, float x, float y, float z);

// Places and turns the camera for time `now` on the path, moving `segment` and `segmentStart` on past
// finished segments (time past a boundary counts towards the next segment at its own length); returns
// the tree level the camera flies at.
int updateCamera(const PathPoint* points, int pointCount, int& segment, float& segmentStart, Camera& camera,
                 float now);

} // namespace plain
