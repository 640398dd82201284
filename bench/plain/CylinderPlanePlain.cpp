#include "plain/CylinderPlanePlain.h"

#include <algorithm>

namespace plain {

void updatePegs(CylinderPlaneScene::Peg* upperPegs, CylinderPlaneScene::Peg* lowerPegs, int* upperHeld,
                int* lowerHeld, int gridSize, float now, float startTime, float slamTime, float& scrolled)
{
    const int cellCount = gridSize * gridSize;
    const float d = now - slamTime;
    const float up = std::min(1.3f, 1.0f + d);
    const float down = std::max(-1.3f, -1.0f - d);

    const float e = now - startTime;
    if (12.0f * e - scrolled > 1.0f) {
        for (int k = 0; k < cellCount; ++k) {
            upperPegs[k].z -= 1.0f;
            lowerPegs[k].z -= 1.0f;
        }
        for (int row = gridSize - 1; row >= 1; --row) {
            for (int column = 0; column < gridSize; ++column) {
                upperHeld[row * gridSize + column] = upperHeld[(row - 1) * gridSize + column];
                lowerHeld[row * gridSize + column] = lowerHeld[(row - 1) * gridSize + column];
            }
        }
        for (int column = 0; column < gridSize; ++column) {
            upperHeld[column] = 0;
            lowerHeld[column] = 0;
        }
        scrolled += 1.0f;
    }

    for (int k = 0; k < cellCount; ++k) {
        upperPegs[k].y = upperHeld[k] ? 1.0f : up;
        lowerPegs[k].y = lowerHeld[k] ? -1.0f : down;
    }
}

} // namespace plain
