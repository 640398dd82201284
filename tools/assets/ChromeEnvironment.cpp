#include "tools/assets/ChromeEnvironment.h"

#include "tools/assets/Canvas.h"
#include "math/VectorMath.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Hill profile along the horizon: sines of fixed periods, so the skyline never repeats visibly.
constexpr float kRidgeWaves[][3] = {
    // frequency (per turn), phase, share of the height
    {3.0f, 0.7f, 0.30f},
    {7.0f, 2.1f, 0.18f},
    {13.0f, 4.0f, 0.10f},
    {29.0f, 0.3f, 0.05f},
};

float smoothStep(float edge0, float edge1, float x)
{
    const float t = std::min(1.0f, std::max(0.0f, (x - edge0) / (edge1 - edge0)));
    return t * t * (3.0f - 2.0f * t);
}

Colour withAlpha(Colour colour, float alpha)
{
    colour.a = alpha;
    return colour;
}

// Where a grid line lies, 1 on the line fading to 0 `width` away.
float gridLineStrength(float coordinate, float spacing, float width)
{
    const float cell = coordinate / spacing;
    const float distance = std::fabs(cell - std::floor(cell + 0.5f)) * spacing;
    return 1.0f - smoothStep(0.0f, width, distance);
}

} // namespace

ChromeEnvironment::ChromeEnvironment(EnvironmentLook environmentLook) : look(std::move(environmentLook))
{
    if (length(look.sun) > 0.0f) {
        look.sun = normalised(look.sun);
    }
    for (Softbox& box : look.softboxes) {
        box.centre = normalised(box.centre);
        const Vector3 across = normalised(std::fabs(box.centre.y) > 0.99f ? cross(box.centre, Vector3{1.0f, 0.0f, 0.0f})
                                                                           : cross(Vector3{0.0f, 1.0f, 0.0f}, box.centre));
        frames.push_back({across, cross(box.centre, across)});
    }
}

Colour ChromeEnvironment::sky(const Vector3& direction) const
{
    const float elevation = direction.y;
    Colour colour = mix(look.skyHorizon, look.zenith, std::pow(std::max(0.0f, elevation), 0.6f));
    if (look.ridgeHeight > 0.0f) {
        const float azimuth = std::atan2(direction.x, -direction.z);
        float profile = 0.37f;
        for (const auto& wave : kRidgeWaves) {
            profile += wave[2] * std::sin(wave[0] * azimuth + wave[1]);
        }
        const float top = look.ridgeHeight * profile;
        const float hill = 1.0f - smoothStep(top - 0.004f, top + 0.004f, elevation);
        // Hills fade into the haze towards their foot.
        const Colour hills = mix(look.ridge, look.groundHorizon, 0.5f * (1.0f - elevation / std::max(top, 1e-4f)));
        colour = mix(colour, hills, hill);
    }
    if (length(look.sun) > 0.0f) {
        const float facing = dot(direction, look.sun);
        const float halo = std::pow(std::max(0.0f, facing), look.sunHaloExponent);
        const float disc = smoothStep(std::cos(look.sunRadius * 1.3f), std::cos(look.sunRadius * 0.7f), facing);
        colour = added(colour, scaled(look.sunLight, 0.6f * halo + 2.0f * disc));
    }
    return colour;
}

Colour ChromeEnvironment::ground(const Vector3& direction) const
{
    const float depression = -direction.y;
    Colour colour = mix(look.groundHorizon, look.nadir, std::sqrt(std::min(1.0f, depression)));
    if (look.gridSpacing > 0.0f && depression > 1e-4f) {
        // The ground plane one unit below the eye; lines thin out with distance, as perspective would.
        const float x = direction.x / depression;
        const float z = direction.z / depression;
        const float width = look.gridSpacing * 0.04f / std::min(1.0f, depression * 4.0f);
        const float line = std::max(gridLineStrength(x, look.gridSpacing, width),
                                    gridLineStrength(z, look.gridSpacing, width));
        colour = mix(colour, look.gridLine, line * smoothStep(0.0f, 0.25f, depression));
    }
    return colour;
}

Colour ChromeEnvironment::colour(const Vector3& direction) const
{
    Colour colour = direction.y >= 0.0f ? sky(direction) : ground(direction);
    const float band = std::exp(-std::fabs(direction.y) / look.horizonGlowWidth);
    colour = added(colour, scaled(look.horizonGlow, band));
    for (std::size_t i = 0; i < look.softboxes.size(); ++i) {
        const Softbox& box = look.softboxes[i];
        const float facing = dot(direction, box.centre);
        if (facing <= 0.0f) {
            continue;
        }
        // Coordinates on the light's plane, one unit away along its centre direction.
        const float u = std::fabs(dot(direction, frames[i].across) / facing);
        const float v = std::fabs(dot(direction, frames[i].along) / facing);
        const float lit = (1.0f - smoothStep(box.halfWidth - box.softness, box.halfWidth + box.softness, u)) *
                          (1.0f - smoothStep(box.halfHeight - box.softness, box.halfHeight + box.softness, v));
        colour = added(colour, scaled(box.light, lit));
    }
    return withAlpha(colour, 1.0f);
}

void ChromeEnvironment::paintSphereMap(Canvas& canvas, int samples) const
{
    const int size = std::min(canvas.width(), canvas.height());
    const float weight = 1.0f / static_cast<float>(samples * samples);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            Colour sum{0.0f, 0.0f, 0.0f, 0.0f};
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const float x = 2.0f * (static_cast<float>(column) + (static_cast<float>(sx) + 0.5f) / samples) / size - 1.0f;
                    // The file's top row is uploaded first and becomes t = 0, while sphere mapping puts
                    // upward reflections at large t: up in the world is down in the file.
                    const float y = 2.0f * (static_cast<float>(row) + (static_cast<float>(sy) + 0.5f) / samples) / size - 1.0f;
                    const float radiusSquared = x * x + y * y;
                    Vector3 direction;
                    if (radiusSquared <= 1.0f) {
                        // The mirror ball's normal at this point reflects the view ray (0, 0, −1).
                        const float z = std::sqrt(1.0f - radiusSquared);
                        direction = {2.0f * z * x, 2.0f * z * y, 2.0f * z * z - 1.0f};
                    } else {
                        // Outside the disc, which reflection mapping also samples, the view straight
                        // ahead widens on, continuous with the rim.
                        const float radius = std::sqrt(radiusSquared);
                        const float spread = 2.0f * (radius - 1.0f) / radius;
                        direction = normalised({x * spread, y * spread, -1.0f});
                    }
                    const Colour colour = this->colour(normalised(direction));
                    sum = {sum.r + colour.r * weight, sum.g + colour.g * weight, sum.b + colour.b * weight, 1.0f};
                }
            }
            canvas.set(column, row, sum);
        }
    }
}
