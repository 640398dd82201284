#pragma once

#include "tools/assets/Colour.h"

#include <cstdint>
#include <vector>

class Gradient;

// Pixel rectangle [left, right) × [top, bottom), y down.
struct PixelBox {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// An RGBA picture in floats, y down, drawn into with "over" compositing and turned into 8-bit rows
// at the end.
class Canvas {
public:
    // `clear` fills every pixel; give it alpha 0 and the colour of the picture's edges so that linear
    // filtering does not pull a dark fringe in from the transparent pixels.
    Canvas(int width, int height, const Colour& clear);

    int width() const { return columns; }
    int height() const { return rows; }

    const Colour& at(int x, int y) const;
    void set(int x, int y, const Colour& colour);
    // Composites `colour` over the pixel, its alpha scaled by `coverage` (0…1).
    void blend(int x, int y, const Colour& colour, float coverage);

    // A rounded rectangle filled with a gradient running from its top (0) to its bottom (1), with an
    // anti-aliased border of `borderWidth` pixels just inside its edge.
    void fillRoundedBox(const PixelBox& box, float radius, const Gradient& fill, float borderWidth,
                        const Colour& border);

    // Rows top first, four bytes a pixel.
    std::vector<std::uint8_t> toRgba8() const;

private:
    int columns;
    int rows;
    std::vector<Colour> pixels;
};
