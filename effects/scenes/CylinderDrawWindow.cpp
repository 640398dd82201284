#include "effects/scenes/CylinderDrawWindow.h"

#include "geometry/MeshObject.h"

#include <algorithm>

CylinderDrawWindow::CylinderDrawWindow(int windowFirst, unsigned windowCount, int trianglesPerStep,
                                       float windowStep, unsigned cylinderTriangles)
    : windowFirst(windowFirst), windowCount(std::min(windowCount, cylinderTriangles)),
      trianglesPerStep(trianglesPerStep), windowStep(windowStep),
      lastFirst(static_cast<int>(cylinderTriangles - this->windowCount))
{
    this->windowFirst = std::clamp(windowFirst, 0, lastFirst);
}

void CylinderDrawWindow::follow(float travel)
{
    if (travel - travelled >= windowStep) {
        stepForward();
        travelled += windowStep;
    }
}

void CylinderDrawWindow::stepForward() { windowFirst = std::min(windowFirst + trianglesPerStep, lastFirst); }

void CylinderDrawWindow::applyTo(MeshObject& mesh) const { mesh.setDrawRange(windowFirst, windowCount); }
