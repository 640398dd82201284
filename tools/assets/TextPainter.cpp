#include "tools/assets/TextPainter.h"

#include "tools/shared/CoverageMask.h"
#include "tools/shared/TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Lines are laid out at this size and then scaled to fit: unhinted outlines scale exactly.
constexpr float kLayoutSize = 100.0f;
// Room below a baseline for descenders, in units of the line's size.
constexpr float kDescenderRoom = 0.2f;
// Light for the emboss: from the upper left and in front, y down.
constexpr float kLightX = -0.45f;
constexpr float kLightY = -0.65f;
constexpr float kLightZ = 0.61f;

float capHeightOf(const TextRenderer& renderer)
{
    return -renderer.measure("H", kLayoutSize).top / kLayoutSize;
}

} // namespace

TextPainter::TextPainter(const TextRenderer& bold, const TextRenderer& regular) : boldFont(bold), regularFont(regular)
{
}

const TextRenderer& TextPainter::rendererFor(const TextLine& line) const { return line.bold ? boldFont : regularFont; }

void TextPainter::paint(Canvas& canvas, const std::vector<TextLine>& lines, const TextStyle& style,
                        const PixelBox& box) const
{
    if (lines.empty()) {
        return;
    }
    // Lay the block out at the layout size: baselines, each line centred on x = 0.
    std::vector<float> baselines(lines.size());
    std::vector<float> centres(lines.size());
    std::vector<float> capHeights(lines.size());
    float inkTop = std::numeric_limits<float>::max();
    float inkBottom = std::numeric_limits<float>::lowest();
    float inkWidth = 0.0f;
    float baseline = 0.0f;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextLine& line = lines[i];
        const float size = kLayoutSize * line.size;
        capHeights[i] = capHeightOf(rendererFor(line)) * size;
        if (i > 0) {
            const float previousSize = kLayoutSize * lines[i - 1].size;
            baseline += kDescenderRoom * previousSize + style.lineGap * std::max(previousSize, size) + capHeights[i];
        }
        baselines[i] = baseline;
        const TextBounds bounds = rendererFor(line).measure(line.text, size);
        centres[i] = (bounds.left + bounds.right) * 0.5f;
        inkWidth = std::max(inkWidth, bounds.right - bounds.left);
        inkTop = std::min(inkTop, baseline + std::min(bounds.top, -capHeights[i]));
        inkBottom = std::max(inkBottom, baseline + bounds.bottom);
    }

    // Scale it to the box less the room the outline and the glow need.
    const float margin = style.outlineWidth + 3.0f * static_cast<float>(style.glowRadius) + 1.0f;
    const float roomWidth = box.right - box.left - 2.0f * margin;
    const float roomHeight = box.bottom - box.top - 2.0f * margin;
    const float scale = std::min(roomWidth / inkWidth, roomHeight / (inkBottom - inkTop));
    const float boxCentreX = (box.left + box.right) * 0.5f;
    // Centred on capitals and baselines with only half the descenders counted, which looks level;
    // the descenders still stay inside the room.
    const float lastBaseline = baseline;
    const float visualBottom = (lastBaseline + inkBottom) * 0.5f;
    const float roomBottom = box.bottom - margin;
    float top = (box.top + box.bottom) * 0.5f - (visualBottom + inkTop) * scale * 0.5f;
    top = std::min(top, roomBottom - inkBottom * scale);

    CoverageMask fill(canvas.width(), canvas.height());
    CoverageMask outline(canvas.width(), canvas.height());
    std::vector<LineBand> bands;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextLine& line = lines[i];
        const float lineBaseline = top + baselines[i] * scale;
        rendererFor(line).draw(line.text, kLayoutSize * line.size * scale, boxCentreX - centres[i] * scale,
                               lineBaseline, style.outlineWidth, fill, outline);
        bands.push_back({lineBaseline - capHeights[i] * scale, lineBaseline, line.accent});
    }

    const CoverageMask glow = outline.blurred(style.glowRadius);
    const int reliefRadius = std::max(1, static_cast<int>(std::lround(capHeights[0] * scale * 0.035f)));
    const CoverageMask relief = style.bevel > 0.0f ? fill.blurred(reliefRadius) : CoverageMask(0, 0);
    const float reliefDepth = style.bevel * static_cast<float>(reliefRadius);

    const int firstColumn = std::max(0, static_cast<int>(std::floor(box.left)));
    const int lastColumn = std::min(canvas.width(), static_cast<int>(std::ceil(box.right)));
    const int firstRow = std::max(0, static_cast<int>(std::floor(box.top)));
    const int lastRow = std::min(canvas.height(), static_cast<int>(std::ceil(box.bottom)));
    for (int y = firstRow; y < lastRow; ++y) {
        const float centreY = static_cast<float>(y) + 0.5f;
        // Each line's gradient reaches halfway to its neighbours.
        const LineBand* band = &bands.front();
        for (std::size_t i = 1; i < bands.size(); ++i) {
            if (centreY > (bands[i - 1].baseline + bands[i].capTop) * 0.5f) {
                band = &bands[i];
            }
        }
        const Gradient& gradient = band->accent ? style.accentFill : style.fill;
        const Colour rowColour = gradient.at((centreY - band->capTop) / (band->baseline - band->capTop));
        for (int x = firstColumn; x < lastColumn; ++x) {
            canvas.blend(x, y, style.glow, std::min(1.0f, glow.at(x, y) * style.glowStrength));
            canvas.blend(x, y, style.outline, outline.at(x, y));
            const float coverage = fill.at(x, y);
            if (coverage <= 0.0f) {
                continue;
            }
            Colour colour = rowColour;
            if (style.bevel > 0.0f) {
                const float slopeX = (relief.at(x + 1, y) - relief.at(x - 1, y)) * reliefDepth;
                const float slopeY = (relief.at(x, y + 1) - relief.at(x, y - 1)) * reliefDepth;
                const float length = std::sqrt(slopeX * slopeX + slopeY * slopeY + 1.0f);
                const float facing = (-slopeX * kLightX - slopeY * kLightY + kLightZ) / length;
                colour = scaled(colour, std::max(0.0f, 1.0f + 1.4f * (facing - kLightZ)));
                const float shine = std::pow(std::max(0.0f, facing), 24.0f) * 0.8f;
                colour = added(colour, {shine, shine, shine, 0.0f});
            }
            canvas.blend(x, y, colour, coverage);
        }
    }
}
