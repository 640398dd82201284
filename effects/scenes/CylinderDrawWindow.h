#pragma once

class MeshObject;

// The drawn part of a very long cylinder: a window of its triangles that slides along after the camera,
// one step of `trianglesPerStep` triangles per `windowStep` units of travel. It takes at most one step
// per frame, so it lags when frames are slow and catches up when they are fast again, and it never
// slides past the cylinder's last triangle.
class CylinderDrawWindow {
public:
    CylinderDrawWindow(int windowFirst, unsigned windowCount, int trianglesPerStep, float windowStep,
                       unsigned cylinderTriangles);

    // Steps once if the camera has travelled a step beyond the window.
    void follow(float travel);
    // Steps at once, whatever the travel.
    void stepForward();
    void applyTo(MeshObject& mesh) const;

    int first() const { return windowFirst; }
    unsigned count() const { return windowCount; }
    float getTravelled() const { return travelled; }

private:
    int windowFirst;
    unsigned windowCount;
    int trianglesPerStep;
    float windowStep;
    float travelled = 0.0f;
    int lastFirst; // the window ends on the cylinder's last triangle
};
