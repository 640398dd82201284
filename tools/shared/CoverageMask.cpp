#include "tools/shared/CoverageMask.h"

#include <algorithm>

CoverageMask::CoverageMask(int width, int height)
    : columns(width), rows(height), values(static_cast<std::size_t>(width) * height, 0.0f)
{
}

float CoverageMask::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= columns || y >= rows) {
        return 0.0f;
    }
    return values[static_cast<std::size_t>(y) * columns + x];
}

void CoverageMask::raise(int x, int y, float coverage)
{
    if (x < 0 || y < 0 || x >= columns || y >= rows) {
        return;
    }
    float& value = values[static_cast<std::size_t>(y) * columns + x];
    value = std::max(value, coverage);
}

CoverageMask CoverageMask::blurred(int radius) const
{
    CoverageMask result = *this;
    if (radius <= 0) {
        return result;
    }
    for (int pass = 0; pass < 3; ++pass) {
        result.boxBlurRows(radius);
        result.boxBlurColumns(radius);
    }
    return result;
}

// A running sum over a window of 2·radius + 1 samples, zero beyond the edges.
static void boxBlurLine(const float* source, float* target, int count, int radius)
{
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    double sum = 0.0;
    for (int i = 0; i < std::min(radius, count); ++i) {
        sum += source[i];
    }
    for (int i = 0; i < count; ++i) {
        const int entering = i + radius;
        const int leaving = i - radius - 1;
        if (entering < count) {
            sum += source[entering];
        }
        if (leaving >= 0) {
            sum -= source[leaving];
        }
        target[i] = std::max(0.0f, static_cast<float>(sum) * scale);
    }
}

void CoverageMask::boxBlurRows(int radius)
{
    std::vector<float> line(columns);
    for (int y = 0; y < rows; ++y) {
        float* row = values.data() + static_cast<std::size_t>(y) * columns;
        std::copy(row, row + columns, line.begin());
        boxBlurLine(line.data(), row, columns, radius);
    }
}

// The same running sum down every column at once, walking the rows in memory order.
void CoverageMask::boxBlurColumns(int radius)
{
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    const std::vector<float> source = values;
    std::vector<double> sums(columns, 0.0);
    auto addRow = [&](int y, double sign) {
        const float* row = source.data() + static_cast<std::size_t>(y) * columns;
        for (int x = 0; x < columns; ++x) {
            sums[x] += sign * row[x];
        }
    };
    for (int y = 0; y < std::min(radius, rows); ++y) {
        addRow(y, 1.0);
    }
    for (int y = 0; y < rows; ++y) {
        if (y + radius < rows) {
            addRow(y + radius, 1.0);
        }
        if (y - radius - 1 >= 0) {
            addRow(y - radius - 1, -1.0);
        }
        float* target = values.data() + static_cast<std::size_t>(y) * columns;
        for (int x = 0; x < columns; ++x) {
            target[x] = std::max(0.0f, static_cast<float>(sums[x]) * scale);
        }
    }
}
