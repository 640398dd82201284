#pragma once

#include "math/Vector3.h"
#include "tools/assets/Colour.h"

#include <vector>

class Canvas;
class ChromeEnvironment;

// Paints a chrome ball studded with spikes, ray-marched through its distance field and seen
// straight on, with a soft glow around it on a transparent background.
class SpikeBallPainter {
public:
    explicit SpikeBallPainter(const ChromeEnvironment& environment);

    void paint(Canvas& canvas) const;

private:
    struct Spike {
        Vector3 base;
        Vector3 tip;
    };
    struct Hit {
        bool inked;
        Colour colour;
    };

    // Distance to the surface at `point`, counting the ball and the spikes listed in `nearby`.
    float distance(const Vector3& point, const std::vector<int>& nearby) const;
    // Spikes whose outline can cover the view ray through (x, y).
    void spikesNear(float x, float y, std::vector<int>& nearby) const;
    Hit trace(float x, float y, std::vector<int>& nearby) const;
    Colour shade(const Vector3& point, const std::vector<int>& nearby) const;

    const ChromeEnvironment& environment;
    std::vector<Spike> spikes;
};
