#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// Comparisons of the isosurface scenes' loops with their plain versions.
namespace isosurface_compare {

// The same bits, float by float; names the first that differs.
inline ::testing::AssertionResult sameBits(const float* expected, const float* actual, std::size_t count)
{
    std::size_t differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::memcmp(&expected[i], &actual[i], sizeof(float)) != 0) {
            if (differing++ == 0) {
                first = i;
            }
        }
    }
    if (differing == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << differing << " of " << count << " floats differ, the first at " << first
                                         << ": " << expected[first] << " against " << actual[first];
}

// How many representable floats lie between a and b (zero when they are equal).
inline std::int64_t ulpDistance(float a, float b)
{
    const auto ordered = [](float f) {
        std::int32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        return bits < 0 ? static_cast<std::int64_t>(INT32_MIN) - bits : static_cast<std::int64_t>(bits);
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

// The largest differences seen between two runs of the same values.
struct Difference {
    double maxAbsolute = 0.0;
    std::int64_t maxUlps = 0;
    std::size_t differing = 0;
    std::size_t compared = 0;

    void add(float expected, float actual)
    {
        ++compared;
        const std::int64_t ulps = ulpDistance(expected, actual);
        if (ulps == 0) {
            return;
        }
        ++differing;
        maxUlps = ulps > maxUlps ? ulps : maxUlps;
        const double absolute = std::fabs(static_cast<double>(expected) - static_cast<double>(actual));
        maxAbsolute = absolute > maxAbsolute ? absolute : maxAbsolute;
    }
    void add(const float* expected, const float* actual, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            add(expected[i], actual[i]);
        }
    }
    void print(const char* what) const
    {
        std::printf("%s: %zu of %zu floats differ; largest difference %.3g absolute, %lld ulp\n", what, differing,
                    compared, maxAbsolute, static_cast<long long>(maxUlps));
    }
};

} // namespace isosurface_compare
