#include "tools/assets/Canvas.h"

#include "tools/assets/Gradient.h"

#include <algorithm>
#include <cmath>

namespace {

float clamp01(float value) { return std::min(1.0f, std::max(0.0f, value)); }

std::uint8_t toByte(float value) { return static_cast<std::uint8_t>(clamp01(value) * 255.0f + 0.5f); }

// Signed distance from (x, y) to the rounded box, negative inside.
float roundedBoxDistance(const PixelBox& box, float radius, float x, float y)
{
    const float centreX = (box.left + box.right) * 0.5f;
    const float centreY = (box.top + box.bottom) * 0.5f;
    const float halfWidth = (box.right - box.left) * 0.5f - radius;
    const float halfHeight = (box.bottom - box.top) * 0.5f - radius;
    const float dx = std::fabs(x - centreX) - halfWidth;
    const float dy = std::fabs(y - centreY) - halfHeight;
    const float outsideX = std::max(dx, 0.0f);
    const float outsideY = std::max(dy, 0.0f);
    const float outside = std::sqrt(outsideX * outsideX + outsideY * outsideY);
    return outside + std::min(std::max(dx, dy), 0.0f) - radius;
}

} // namespace

Canvas::Canvas(int width, int height, const Colour& clear)
    : columns(width), rows(height), pixels(static_cast<std::size_t>(width) * height, clear)
{
}

const Colour& Canvas::at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * columns + x]; }

void Canvas::set(int x, int y, const Colour& colour) { pixels[static_cast<std::size_t>(y) * columns + x] = colour; }

void Canvas::blend(int x, int y, const Colour& colour, float coverage)
{
    const float sourceAlpha = clamp01(colour.a * coverage);
    if (sourceAlpha <= 0.0f) {
        return;
    }
    Colour& target = pixels[static_cast<std::size_t>(y) * columns + x];
    const float keptAlpha = target.a * (1.0f - sourceAlpha);
    const float alpha = sourceAlpha + keptAlpha;
    target.r = (colour.r * sourceAlpha + target.r * keptAlpha) / alpha;
    target.g = (colour.g * sourceAlpha + target.g * keptAlpha) / alpha;
    target.b = (colour.b * sourceAlpha + target.b * keptAlpha) / alpha;
    target.a = alpha;
}

void Canvas::fillRoundedBox(const PixelBox& box, float radius, const Gradient& fill, float borderWidth,
                            const Colour& border)
{
    const int firstRow = std::max(0, static_cast<int>(std::floor(box.top)));
    const int lastRow = std::min(rows, static_cast<int>(std::ceil(box.bottom)));
    const int firstColumn = std::max(0, static_cast<int>(std::floor(box.left)));
    const int lastColumn = std::min(columns, static_cast<int>(std::ceil(box.right)));
    const float boxHeight = box.bottom - box.top;
    for (int y = firstRow; y < lastRow; ++y) {
        const float centreY = static_cast<float>(y) + 0.5f;
        const Colour inside = fill.at((centreY - box.top) / boxHeight);
        for (int x = firstColumn; x < lastColumn; ++x) {
            const float distance = roundedBoxDistance(box, radius, static_cast<float>(x) + 0.5f, centreY);
            const float coverage = clamp01(0.5f - distance);
            if (coverage <= 0.0f) {
                continue;
            }
            blend(x, y, inside, coverage);
            if (borderWidth > 0.0f) {
                const float ring = clamp01(borderWidth + 0.5f + distance) * coverage;
                blend(x, y, border, ring);
            }
        }
    }
}

std::vector<std::uint8_t> Canvas::toRgba8() const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(pixels.size() * 4);
    for (const Colour& pixel : pixels) {
        bytes.push_back(toByte(pixel.r));
        bytes.push_back(toByte(pixel.g));
        bytes.push_back(toByte(pixel.b));
        bytes.push_back(toByte(pixel.a));
    }
    return bytes;
}
