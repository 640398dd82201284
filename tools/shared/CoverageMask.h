#pragma once

#include <vector>

// A grey coverage image (0 = empty, 1 = covered) that text and shapes are drawn into before they are
// coloured and composited.
class CoverageMask {
public:
    CoverageMask(int width, int height);

    int width() const { return columns; }
    int height() const { return rows; }

    // 0 outside the mask.
    float at(int x, int y) const;
    // Keeps the larger of the present and the new coverage, so overlapping glyphs do not add up.
    void raise(int x, int y, float coverage);

    // Three box passes of the given radius: close to a Gaussian, and nothing spreads further than
    // three radii.
    CoverageMask blurred(int radius) const;

private:
    void boxBlurRows(int radius);
    void boxBlurColumns(int radius);

    int columns;
    int rows;
    std::vector<float> values;
};
