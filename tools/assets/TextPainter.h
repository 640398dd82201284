#pragma once

#include "tools/assets/Canvas.h"
#include "tools/assets/Gradient.h"

#include <string>
#include <vector>

class TextRenderer;

// One line of a text block.
struct TextLine {
    std::string text;
    float size = 1.0f;   // relative to the block's other lines
    bool bold = true;
    bool accent = false; // filled with the style's accent gradient
};

// How a text block looks: a gradient fill over each line's capital height, a dark outline and a
// soft coloured glow, so the text reads on dark and on bright backgrounds alike.
struct TextStyle {
    Gradient fill;
    Gradient accentFill;
    Colour outline;
    float outlineWidth = 0.0f; // pixels
    Colour glow;
    int glowRadius = 0;        // pixels of one blur pass; the glow reaches three times as far
    float glowStrength = 1.0f;
    float bevel = 0.0f;        // 0 flat; otherwise the depth of a light-from-above emboss
    float lineGap = 0.25f;     // between lines, in units of the larger line's size
};

// Lays text blocks out as large as they fit in a box, centred, and paints them onto a canvas.
class TextPainter {
public:
    TextPainter(const TextRenderer& bold, const TextRenderer& regular);

    // The block fills `box` as far as its aspect allows; outline and glow stay inside the box.
    void paint(Canvas& canvas, const std::vector<TextLine>& lines, const TextStyle& style, const PixelBox& box) const;

private:
    struct LineBand {
        float capTop;
        float baseline;
        bool accent;
    };

    const TextRenderer& rendererFor(const TextLine& line) const;

    const TextRenderer& boldFont;
    const TextRenderer& regularFont;
};
