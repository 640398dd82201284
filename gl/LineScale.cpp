#include "gl/LineScale.h"

#include <algorithm>
#include <cmath>

void LineScale::setHeights(int framebufferHeight, int designHeight)
{
    scale = designHeight > 0 ? std::max(1.0f, static_cast<float>(framebufferHeight) / static_cast<float>(designHeight))
                             : 1.0f;
}

float LineScale::drawnWidth(float width, Look look) const
{
    if (scale == 1.0f) {
        return width;
    }
    if (look == Look::SmoothByCoverage) {
        // Its coverage across sums to its width.
        return width * scale;
    }
    if (look == Look::SmoothByFootprint) {
        // A smoothed line touches a band one pixel wider than itself, and where nothing weighs it by its
        // coverage every touched pixel takes the line's whole colour: the band keeps its share of the picture.
        return std::max(width, (width + 1.0f) * scale - 1.0f);
    }
    // Drivers draw an aliased line round(width) pixels across.
    return std::max(width, std::floor(width * scale + 0.5f));
}
