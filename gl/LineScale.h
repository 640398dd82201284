#pragma once

// Line widths are given in pixels of the frame the show was made for (720 or 768 rows). On a taller frame
// buffer a line keeps its share of the picture: its width grows with the height, rounded as the driver rounds
// aliased widths, and never drops below the width asked for, so at the build's own size and below nothing
// changes.
class LineScale {
public:
    // `designHeight` is the height the widths were chosen for; 0 or less leaves widths as given.
    void setHeights(int framebufferHeight, int designHeight);
    // How a line's pixels reach the frame: aliased, smoothed and blended by its coverage (source alpha), or
    // smoothed with every pixel it touches taking its whole colour (blending off or by colour).
    enum class Look { Aliased, SmoothByCoverage, SmoothByFootprint };
    // The width to draw a line asked for as `width` pixels wide; smoothed lines keep their fraction.
    float drawnWidth(float width, Look look) const;
    float factor() const { return scale; }

private:
    float scale = 1.0f;
};
