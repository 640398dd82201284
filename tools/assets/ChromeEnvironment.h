#pragma once

#include "math/Vector3.h"
#include "tools/assets/Colour.h"

#include <vector>

class Canvas;

// A rectangular light (a studio softbox) seen in a direction.
struct Softbox {
    Vector3 centre;            // direction towards the light's middle
    float halfWidth = 0.0f;    // half extents on the plane one unit away, across it
    float halfHeight = 0.0f;
    float softness = 0.0f;     // width of the fading edge, same units
    Colour light;              // added to the surroundings; may exceed 1
};

// What the surroundings of a chrome object look like.
struct EnvironmentLook {
    Colour zenith;
    Colour skyHorizon;
    Colour groundHorizon;
    Colour nadir;
    Colour horizonGlow;             // added in a band along the horizon
    float horizonGlowWidth = 0.05f; // of the band, in sine of elevation
    Vector3 sun;                    // direction; zero length = no sun
    Colour sunLight;
    float sunRadius = 0.0f;         // of the disc, radians
    float sunHaloExponent = 64.0f;  // larger = a tighter halo
    Colour ridge;                   // distant hills along the horizon
    float ridgeHeight = 0.0f;       // in sine of elevation; 0 = no hills
    Colour gridLine;                // lines on the ground plane, one unit below
    float gridSpacing = 0.0f;       // 0 = no grid
    std::vector<Softbox> softboxes;
};

// An environment that chrome surfaces reflect: sky, horizon, ground and lights, y up, the viewer
// looking along −z. Paints itself as a sphere map.
class ChromeEnvironment {
public:
    explicit ChromeEnvironment(EnvironmentLook look);

    // What a mirror shows in the unit direction `direction`.
    Colour colour(const Vector3& direction) const;

    // Fills a square canvas with the sphere map of the environment, `samples` × `samples` per pixel.
    void paintSphereMap(Canvas& canvas, int samples) const;

private:
    Colour sky(const Vector3& direction) const;
    Colour ground(const Vector3& direction) const;

    struct SoftboxFrame {
        Vector3 across;
        Vector3 along;
    };

    EnvironmentLook look;
    std::vector<SoftboxFrame> frames; // one per softbox: the axes of its plane
};
