#pragma once

#include "effects/scenes/CylinderPlaneScene.h"

// The peg field's frame step, written the plain way: heights, then the scroll, then every peg.
namespace plain {

// One frame of the peg field: scrolls the grid one row when the flight is more than a unit ahead of
// `scrolled`, then sets every peg's height from the time since the last slam and its mark. The arrays
// hold gridSize × gridSize cells, numbered gridSize·row + column.
void updatePegs(CylinderPlaneScene::Peg* upperPegs, CylinderPlaneScene::Peg* lowerPegs, int* upperHeld,
                int* lowerHeld, int gridSize, float now, float startTime, float slamTime, float& scrolled);

} // namespace plain
