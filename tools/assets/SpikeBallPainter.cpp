#include "tools/assets/SpikeBallPainter.h"

#include "tools/assets/Canvas.h"
#include "tools/assets/ChromeEnvironment.h"
#include "tools/shared/CoverageMask.h"
#include "math/VectorMath.h"

#include <algorithm>
#include <cmath>

namespace {

// The ball fills the picture from −1 to 1 on both axes; sizes are in those units.
constexpr int kSpikeCount = 20;
constexpr float kBallRadius = 0.47f;
constexpr float kSpikeBaseAt = 0.30f;      // the cone starts inside the ball
constexpr float kSpikeBaseRadius = 0.11f;
constexpr float kSpikeTipAt = 0.86f;
constexpr float kSpikeTipRadius = 0.012f;
constexpr float kFillet = 0.07f;           // how far the spikes' feet blend into the ball
constexpr float kReach = kSpikeTipAt + kSpikeTipRadius + 0.01f;
constexpr float kGoldenAngle = 2.39996323f;
constexpr float kTiltX = 0.35f;            // radians: no spike points straight at the viewer
constexpr float kTiltY = 0.25f;
constexpr int kMarchSteps = 160;
constexpr float kSurfaceDistance = 0.001f;   // a quarter pixel
constexpr int kEdgeSamples = 3;            // per axis, on pixels where the outline passes
constexpr int kGlowRadius = 7;
constexpr Colour kGlow{0.25f, 0.45f, 1.0f, 0.55f};
constexpr Colour kTint{0.86f, 0.9f, 1.0f, 1.0f};
constexpr Vector3 kKeyLight{-0.45f, 0.6f, 0.66f};

float smoothMinimum(float a, float b, float blend)
{
    const float h = std::max(blend - std::fabs(a - b), 0.0f) / blend;
    return std::min(a, b) - h * h * blend * 0.25f;
}

// Distance to a cone with rounded ends, radius r1 at a narrowing to r2 at b.
float roundConeDistance(const Vector3& point, const Vector3& a, const Vector3& b, float r1, float r2)
{
    const Vector3 axis = b - a;
    const float axisSquared = dot(axis, axis);
    const float radiusDrop = r1 - r2;
    const float slant = axisSquared - radiusDrop * radiusDrop;
    const float inverse = 1.0f / axisSquared;
    const Vector3 offset = point - a;
    const float y = dot(offset, axis);
    const float z = y - axisSquared;
    const Vector3 sideways = offset * axisSquared - axis * y;
    const float x2 = dot(sideways, sideways);
    const float y2 = y * y * axisSquared;
    const float z2 = z * z * axisSquared;
    const float k = (radiusDrop > 0.0f ? 1.0f : -1.0f) * radiusDrop * radiusDrop * x2;
    if ((z > 0.0f ? 1.0f : -1.0f) * slant * z2 > k) {
        return std::sqrt(x2 + z2) * inverse - r2;
    }
    if ((y > 0.0f ? 1.0f : -1.0f) * slant * y2 < k) {
        return std::sqrt(x2 + y2) * inverse - r1;
    }
    return (std::sqrt(x2 * slant * inverse) + y * radiusDrop) * inverse - r1;
}

float segmentDistance2d(float x, float y, const Vector3& a, const Vector3& b)
{
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    const float lengthSquared = dx * dx + dy * dy;
    const float t = lengthSquared > 0.0f ? std::min(1.0f, std::max(0.0f, ((x - a.x) * dx + (y - a.y) * dy) / lengthSquared))
                                         : 0.0f;
    const float offX = x - (a.x + dx * t);
    const float offY = y - (a.y + dy * t);
    return std::sqrt(offX * offX + offY * offY);
}

Vector3 tilted(const Vector3& v)
{
    const float cx = std::cos(kTiltX), sx = std::sin(kTiltX);
    const float cy = std::cos(kTiltY), sy = std::sin(kTiltY);
    const Vector3 aboutX{v.x, v.y * cx - v.z * sx, v.y * sx + v.z * cx};
    return {aboutX.x * cy + aboutX.z * sy, aboutX.y, -aboutX.x * sy + aboutX.z * cy};
}

} // namespace

SpikeBallPainter::SpikeBallPainter(const ChromeEnvironment& chrome) : environment(chrome)
{
    // Spread evenly over the ball along a Fibonacci spiral.
    for (int i = 0; i < kSpikeCount; ++i) {
        const float y = 1.0f - 2.0f * (static_cast<float>(i) + 0.5f) / kSpikeCount;
        const float ring = std::sqrt(1.0f - y * y);
        const float angle = kGoldenAngle * static_cast<float>(i);
        const Vector3 direction = tilted({ring * std::cos(angle), y, ring * std::sin(angle)});
        spikes.push_back({direction * kSpikeBaseAt, direction * kSpikeTipAt});
    }
}

float SpikeBallPainter::distance(const Vector3& point, const std::vector<int>& nearby) const
{
    float nearest = length(point) - kBallRadius;
    for (const int index : nearby) {
        const Spike& spike = spikes[index];
        nearest = smoothMinimum(nearest,
                                roundConeDistance(point, spike.base, spike.tip, kSpikeBaseRadius, kSpikeTipRadius),
                                kFillet);
    }
    return nearest;
}

void SpikeBallPainter::spikesNear(float x, float y, std::vector<int>& nearby) const
{
    nearby.clear();
    for (int i = 0; i < kSpikeCount; ++i) {
        if (segmentDistance2d(x, y, spikes[i].base, spikes[i].tip) < kSpikeBaseRadius + kFillet) {
            nearby.push_back(i);
        }
    }
}

Colour SpikeBallPainter::shade(const Vector3& point, const std::vector<int>& nearby) const
{
    constexpr float step = 0.0005f;
    const Vector3 normal = normalised(
        {distance(point + Vector3{step, 0, 0}, nearby) - distance(point - Vector3{step, 0, 0}, nearby),
         distance(point + Vector3{0, step, 0}, nearby) - distance(point - Vector3{0, step, 0}, nearby),
         distance(point + Vector3{0, 0, step}, nearby) - distance(point - Vector3{0, 0, step}, nearby)});
    // Crevices between spikes see less of the surroundings.
    float occlusion = 0.0f;
    for (int i = 1; i <= 4; ++i) {
        const float reach = 0.03f * static_cast<float>(i);
        occlusion += (reach - distance(point + normal * reach, nearby)) / static_cast<float>(1 << i);
    }
    const float openness = std::max(0.25f, 1.0f - 6.0f * occlusion);
    const Vector3 mirror = reflected({0.0f, 0.0f, -1.0f}, normal);
    const Colour seen = environment.colour(normalised(mirror));
    const float sparkle = 2.0f * std::pow(std::max(0.0f, dot(mirror, normalised(kKeyLight))), 120.0f);
    return {seen.r * kTint.r * openness + sparkle, seen.g * kTint.g * openness + sparkle,
            seen.b * kTint.b * openness + sparkle, 1.0f};
}

SpikeBallPainter::Hit SpikeBallPainter::trace(float x, float y, std::vector<int>& nearby) const
{
    if (x * x + y * y > kReach * kReach) {
        return {false, {}};
    }
    spikesNear(x, y, nearby);
    const float depth = std::sqrt(kReach * kReach - x * x - y * y);
    Vector3 point{x, y, depth};
    for (int step = 0; step < kMarchSteps && point.z >= -depth; ++step) {
        const float gap = distance(point, nearby);
        if (gap < kSurfaceDistance) {
            return {true, shade(point, nearby)};
        }
        point.z -= gap;
    }
    return {false, {}};
}

void SpikeBallPainter::paint(Canvas& canvas) const
{
    const int width = canvas.width();
    const int height = canvas.height();
    const float pixel = 2.0f / static_cast<float>(std::min(width, height));
    std::vector<Hit> hits(static_cast<std::size_t>(width) * height);
    std::vector<int> nearby;
    nearby.reserve(kSpikeCount);
    auto pictureX = [&](float column) { return (column - width * 0.5f) * pixel; };
    auto pictureY = [&](float row) { return (height * 0.5f - row) * pixel; };
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            hits[static_cast<std::size_t>(row) * width + column] =
                trace(pictureX(column + 0.5f), pictureY(row + 0.5f), nearby);
        }
    }

    // Where the outline passes, many rays per pixel give the coverage and the colour.
    CoverageMask ink(width, height);
    std::vector<Colour> colours(hits.size());
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const Hit& hit = hits[static_cast<std::size_t>(row) * width + column];
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy) {
                for (int dx = -1; dx <= 1 && !edge; ++dx) {
                    const int x = column + dx;
                    const int y = row + dy;
                    edge = x >= 0 && y >= 0 && x < width && y < height &&
                           hits[static_cast<std::size_t>(y) * width + x].inked != hit.inked;
                }
            }
            Colour colour = hit.colour;
            float coverage = hit.inked ? 1.0f : 0.0f;
            if (edge) {
                Colour sum{0.0f, 0.0f, 0.0f, 0.0f};
                int inked = 0;
                for (int sy = 0; sy < kEdgeSamples; ++sy) {
                    for (int sx = 0; sx < kEdgeSamples; ++sx) {
                        const Hit sample = trace(pictureX(column + (sx + 0.5f) / kEdgeSamples),
                                                 pictureY(row + (sy + 0.5f) / kEdgeSamples), nearby);
                        if (sample.inked) {
                            sum = {sum.r + sample.colour.r, sum.g + sample.colour.g, sum.b + sample.colour.b, 1.0f};
                            ++inked;
                        }
                    }
                }
                coverage = static_cast<float>(inked) / (kEdgeSamples * kEdgeSamples);
                colour = inked > 0 ? scaled(sum, 1.0f / static_cast<float>(inked)) : Colour{};
            }
            colour.a = 1.0f;
            colours[static_cast<std::size_t>(row) * width + column] = colour;
            ink.raise(column, row, coverage);
        }
    }

    const CoverageMask glow = ink.blurred(kGlowRadius);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            canvas.blend(column, row, kGlow, glow.at(column, row));
            canvas.blend(column, row, colours[static_cast<std::size_t>(row) * width + column], ink.at(column, row));
        }
    }
}
