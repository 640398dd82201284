#include "tools/assets/Gradient.h"

#include <algorithm>
#include <utility>

Gradient::Gradient(std::vector<GradientStop> stopList) : stops(std::move(stopList))
{
    std::stable_sort(stops.begin(), stops.end(),
                     [](const GradientStop& a, const GradientStop& b) { return a.position < b.position; });
}

Gradient Gradient::solid(const Colour& colour) { return Gradient({{0.0f, colour}}); }

Colour Gradient::at(float position) const
{
    if (stops.empty()) {
        return {1.0f, 1.0f, 1.0f, 1.0f};
    }
    if (position <= stops.front().position) {
        return stops.front().colour;
    }
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const GradientStop& next = stops[i];
        if (position < next.position) {
            const GradientStop& previous = stops[i - 1];
            const float span = next.position - previous.position;
            return mix(previous.colour, next.colour, (position - previous.position) / span);
        }
    }
    return stops.back().colour;
}
